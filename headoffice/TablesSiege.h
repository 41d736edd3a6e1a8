#pragma once

#include "TTable.h"

#include <QString>
#include <QStringList>

// The head office tables the exports read, one per data-set key. The main window owns them;
// an export borrows them for the length of one action.
struct TablesExport
{
    TTable* Remise = nullptr;      // REMISES.DB
    TTable* Fns = nullptr;         // FOURNIS.DB
    TTable* Perso = nullptr;       // Perso.DB
    TTable* Message = nullptr;     // Message.DB
    TTable* MessageType = nullptr; // MessageType.DB
    TTable* MesDocs = nullptr;     // MesDocs.DB
    TTable* MesDocsType = nullptr; // MesDocsType.DB
};

// The seven head office tables of the exports, declared together on one folder (the database
// alias's), FOURNIS.DB and Perso.DB with their fixed field lists. Nothing is opened here: each
// export opens the tables it reads and closes them after.
struct TablesSiege
{
    explicit TablesSiege(const QString& dossier);

    // The seven, lent to an export.
    TablesExport PourExport();

    TTable Remise;
    TTable Fns;
    TTable Perso;
    TTable Message;
    TTable MessageType;
    TTable MesDocs;
    TTable MesDocsType;
};

// The field lists the program fixes for two of the head office's tables: the exports and the
// supplier exclusion dialog read them by position, so a table lacking one fails to open.
QStringList PersoFields();   // Perso.DB, 11 fields
QStringList FournisFields(); // FOURNIS.DB, 51 fields
