#pragma once

#include "FileIdentity.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <vector>

class TTable;

// The two supplier tests of the purchase-conditions export.
//
// Each answer is the one a fresh reading of the source would give at that moment: a change
// made to the exclusion list or to FOURNIS.DB between two rows is seen by the next row. The
// sources are not re-read for every row, though: what was read is kept together with the
// identity of the files it came from, and read again only when one of them changed.
class ControleFournisseurs
{
public:
    // fichierIni: the settings file holding the exclusion list; tblFns: FOURNIS.DB.
    ControleFournisseurs(QString fichierIni, TTable& tblFns);

    // Whether the code is one of the values of the settings section Cordalis_FNS_Exclu
    // (exact comparison). No settings file, or no section: nothing is excluded.
    bool FournisseurExclu(const QString& code);

    // Whether FOURNIS.DB holds a supplier whose Code is exactly this code. Leaves the table
    // closed. Errors of the table layer propagate.
    bool FournisseurExiste(const QString& code);

    // How many times each source has actually been read (for tests and measurements).
    int LecturesExclusions() const { return lecturesExclusions_; }
    int LecturesFournisseurs() const { return lecturesFournisseurs_; }

private:
    struct FichierSuivi
    {
        QByteArray Chemin; // native path, encoded once
        FileIdentity Identite;
    };

    bool CodesAJour() const;
    void LireCodes();

    QString fichierIni_;
    TTable& tblFns_;

    FichierSuivi ini_;
    bool exclusionsValides_ = false;
    QSet<QString> exclus_;
    int lecturesExclusions_ = 0;

    // The files the table layer took for FOURNIS.DB and its memo file when the codes were
    // read, and, when the choice among the folder's entries could change, the folder itself.
    bool codesValides_ = false;
    std::vector<FichierSuivi> fichiersFns_;
    bool suivreDossier_ = false;
    FichierSuivi dossierFns_;
    QSet<QString> codes_;
    int lecturesFournisseurs_ = 0;
};
