#include "SupplierChecks.h"

#include "ParadoxTable.h"
#include "SupplierExclusions.h"

#include <QDir>
#include <utility>

namespace {

// Closes FOURNIS.DB on every path: the lookup leaves it closed, also after an error.
class FermetureTable
{
public:
    explicit FermetureTable(TTable& table) : table_(table) {}
    ~FermetureTable()
    {
        try {
            if (table_.Active())
                table_.Close();
        } catch (...) {
            // Closing only releases the files; the error that brought us here matters more.
        }
    }
    FermetureTable(const FermetureTable&) = delete;
    FermetureTable& operator=(const FermetureTable&) = delete;

private:
    TTable& table_;
};

// The memo file that goes with a table: "FOURNIS.DB" gives "FOURNIS.MB".
QString NomMemo(const QString& nomTable)
{
    if (nomTable.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        return nomTable.chopped(3) + QStringLiteral(".MB");
    return nomTable + QStringLiteral(".MB");
}

} // namespace

ControleFournisseurs::ControleFournisseurs(QString fichierIni, TTable& tblFns)
    : fichierIni_(std::move(fichierIni)), tblFns_(tblFns)
{
}

bool ControleFournisseurs::FournisseurExclu(const QString& code)
{
    const IdentiteFichier identite = IdentiteFichier::De(fichierIni_);
    if (!exclusionsValides_ || identite != identiteIni_) {
        const timespec debut = MaintenantSysteme();
        exclus_.clear();
        if (identite.Existe) {
            const QStringList valeurs = LireFournisseursExclus(fichierIni_);
            exclus_ = QSet<QString>(valeurs.begin(), valeurs.end());
        }
        ++lecturesExclusions_;
        identiteIni_ = identite;
        // A file modified just now may change again without its identity moving: read it
        // again next time until it has settled.
        exclusionsValides_ = identite.StableAvant(debut);
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

    IdentiteTable identite = IdentiteFns(codesValides_ ? &identiteFns_ : nullptr);
    const bool memeEtat = codesValides_ && identite.Dossier == identiteFns_.Dossier &&
                          identite.Fichiers == identiteFns_.Fichiers &&
                          identite.Etats == identiteFns_.Etats;
    if (!memeEtat) {
        const timespec debut = MaintenantSysteme();
        codesValides_ = false;
        LireCodes();
        bool stable = identite.Dossier.StableAvant(debut);
        for (const IdentiteFichier& etat : identite.Etats)
            stable = stable && etat.StableAvant(debut);
        identiteFns_ = std::move(identite);
        codesValides_ = stable;
    }
    return codes_.contains(code);
}

ControleFournisseurs::IdentiteTable
ControleFournisseurs::IdentiteFns(const IdentiteTable* precedente) const
{
    IdentiteTable identite;
    const QString dossier = tblFns_.Folder();
    identite.Dossier = IdentiteFichier::De(dossier);
    if (precedente && precedente->Dossier == identite.Dossier) {
        // The folder's entries have not changed: the same names designate the table's files.
        identite.Fichiers = precedente->Fichiers;
    } else {
        // The table layer finds its files without regard to letter case; any entry that it
        // could take for the table or its memo file is part of the table's state.
        const QString nomTable = tblFns_.TableName();
        const QString nomMemo = NomMemo(nomTable);
        const QStringList entrees = QDir(dossier).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& entree : entrees) {
            if (entree.compare(nomTable, Qt::CaseInsensitive) == 0 ||
                entree.compare(nomMemo, Qt::CaseInsensitive) == 0)
                identite.Fichiers.push_back(entree);
        }
    }
    const QDir repertoire(dossier);
    identite.Etats.reserve(identite.Fichiers.size());
    for (const QString& fichier : identite.Fichiers)
        identite.Etats.push_back(IdentiteFichier::De(repertoire.filePath(fichier)));
    return identite;
}

void ControleFournisseurs::LireCodes()
{
    codes_.clear();
    ++lecturesFournisseurs_;
    FermetureTable fermeture(tblFns_);
    tblFns_.Open();
    TField* champCode = nullptr;
    for (tblFns_.First(); !tblFns_.Eof(); tblFns_.Next()) {
        if (!champCode)
            champCode = &tblFns_.FieldByName(QStringLiteral("Code"));
        codes_.insert(champCode->AsString());
    }
}
