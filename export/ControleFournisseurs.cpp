#include "ControleFournisseurs.h"

#include "SupplierExclusions.h"
#include "TTable.h"

#include <QFile>
#include <utility>

ControleFournisseurs::ControleFournisseurs(QString fichierIni, TTable& tblFns)
    : fichierIni_(std::move(fichierIni)), tblFns_(tblFns)
{
    ini_.Chemin = QFile::encodeName(fichierIni_);
}

bool ControleFournisseurs::FournisseurExclu(const QString& code)
{
    const FileIdentity identite = FileIdentity::Of(ini_.Chemin);
    if (!exclusionsValides_ || identite != ini_.Identite) {
        const qint64 debut = SystemNowNs();
        exclus_.clear();
        if (identite.exists) {
            const QStringList valeurs = LireFournisseursExclus(fichierIni_);
            exclus_ = QSet<QString>(valeurs.begin(), valeurs.end());
        }
        ++lecturesExclusions_;
        ini_.Identite = identite;
        // A file modified just now may change again without its identity moving: read it
        // again next time until it has settled.
        exclusionsValides_ = identite.StableBefore(debut);
    }
    return exclus_.contains(code);
}

bool ControleFournisseurs::FournisseurExiste(const QString& code)
{
    if (tblFns_.Active()) {
        // Someone else opened the table: scan what it holds now, as a fresh lookup would.
        FermetureTable fermeture(tblFns_);
        for (tblFns_.First(); !tblFns_.Eof(); tblFns_.Next()) {
            if (tblFns_.FieldByName(QStringLiteral("Code")).AsString() == code)
                return true;
        }
        return false;
    }
    if (!codesValides_ || !CodesAJour())
        LireCodes();
    return codes_.contains(code);
}

bool ControleFournisseurs::CodesAJour() const
{
    if (suivreDossier_ && FileIdentity::Of(dossierFns_.Chemin) != dossierFns_.Identite)
        return false;
    for (const FichierSuivi& fichier : fichiersFns_) {
        if (FileIdentity::Of(fichier.Chemin) != fichier.Identite)
            return false;
    }
    return true;
}

void ControleFournisseurs::LireCodes()
{
    codesValides_ = false;
    ++lecturesFournisseurs_;
    const qint64 debut = SystemNowNs();

    // The folder's identity is taken before the table is opened: an entry added or renamed
    // meanwhile shows at the next lookup.
    const QString dossier = tblFns_.Folder();
    dossierFns_.Chemin = QFile::encodeName(dossier);
    dossierFns_.Identite = FileIdentity::Of(dossierFns_.Chemin);

    codes_.clear();
    {
        FermetureTable fermeture(tblFns_);
        tblFns_.Open();
        // The files the table layer took, with the identity of what it opened: a file
        // replaced after the lookup differs from it at the next one. With the exact names,
        // no other entry of the folder changes which files an opening takes; otherwise the
        // folder's entries are watched too.
        suivreDossier_ = false;
        fichiersFns_.clear();
        for (const TableSourceFile& source : tblFns_.SourceFiles()) {
            fichiersFns_.push_back({QFile::encodeName(source.path), source.identity});
            suivreDossier_ = suivreDossier_ || !source.exactName;
        }
        TField* champCode = nullptr;
        for (tblFns_.First(); !tblFns_.Eof(); tblFns_.Next()) {
            if (!champCode)
                champCode = &tblFns_.FieldByName(QStringLiteral("Code"));
            codes_.insert(champCode->AsString());
        }
    }

    bool stable = !suivreDossier_ || dossierFns_.Identite.StableBefore(debut);
    for (const FichierSuivi& fichier : fichiersFns_)
        stable = stable && fichier.Identite.StableBefore(debut);
    codesValides_ = stable;
}
