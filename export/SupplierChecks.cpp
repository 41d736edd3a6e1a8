#include "SupplierChecks.h"

#include "ParadoxTable.h"
#include "SupplierExclusions.h"

#include <QDir>
#include <QFile>
#include <utility>

namespace {

// The memo file that goes with a table: "FOURNIS.DB" gives "FOURNIS.MB".
QString NomMemo(const QString& nomTable)
{
    if (nomTable.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        return nomTable.chopped(3) + QStringLiteral(".MB");
    return nomTable + QStringLiteral(".MB");
}

// The folder's entries that the table layer could take for name: the exact name when it is
// there (it always wins), otherwise every entry equal to it without regard to case.
QStringList Candidats(const QStringList& entrees, const QString& nom, bool& exact)
{
    exact = entrees.contains(nom);
    if (exact)
        return {nom};
    QStringList candidats;
    for (const QString& entree : entrees) {
        if (entree.compare(nom, Qt::CaseInsensitive) == 0)
            candidats << entree;
    }
    return candidats;
}

} // namespace

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

    // The identities are taken before the table is read: a change made while it is being
    // read shows at the next lookup.
    const QString dossier = tblFns_.Folder();
    dossierFns_.Chemin = QFile::encodeName(dossier);
    dossierFns_.Identite = FileIdentity::Of(dossierFns_.Chemin);
    const QStringList entrees =
        QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    bool tableExacte = false;
    bool memoExact = false;
    const QStringList tables = Candidats(entrees, tblFns_.TableName(), tableExacte);
    const QStringList memos = Candidats(entrees, NomMemo(tblFns_.TableName()), memoExact);
    // With the exact names present, no other entry of the folder changes which files the
    // table layer opens; otherwise the folder's entries are watched too. A memo file that is
    // absent matters only to a table with memo fields, and such a table fails to open.
    suivreDossier_ = !tableExacte || (!memoExact && !memos.isEmpty());
    fichiersFns_.clear();
    const QDir repertoire(dossier);
    for (const QStringList* noms : {&tables, &memos}) {
        for (const QString& nom : *noms) {
            FichierSuivi fichier;
            fichier.Chemin = QFile::encodeName(repertoire.filePath(nom));
            fichier.Identite = FileIdentity::Of(fichier.Chemin);
            fichiersFns_.push_back(std::move(fichier));
        }
    }

    codes_.clear();
    {
        FermetureTable fermeture(tblFns_);
        tblFns_.Open();
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
