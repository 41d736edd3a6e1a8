#pragma once

#include "ParadoxTable.h"

#include <QString>

class TXMLNodeQLF;

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

// The table of a data-set key ("remise", "personnalisation", "message", "message_type",
// "mes_docs", "mes_docs_type"), compared after lowering the key; none for any other key.
TTable* TableParCle(const TablesExport& tables, const QString& cle);

// Writes the table's current row into a Ligne element: one attribute per non-NULL field, in
// the table's field order, named by the field and holding its text.
void EcrireLigne(TTable& table, TXMLNodeQLF& ligne);

// As EcrireLigne, but a non-NULL field named exactly nomChamp is written with texteForce
// instead of its own text. A NULL field of that name still gives no attribute.
void EcrireLigneForcee(TTable& table, TXMLNodeQLF& ligne, const QString& nomChamp,
                       const QString& texteForce);

// The local date and time now, as the 14 digits yyyyMMddHHmmss.
QString Horodatage();
