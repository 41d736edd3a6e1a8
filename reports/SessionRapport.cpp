#include "SessionRapport.h"

#include "ConfigurerClientFtp.h"
#include "Errors.h"
#include "FtpClient.h"
#include "MessageBox.h"
#include "Regional.h"
#include "RegleRapport.h"
#include "TNativeXmlQLF.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

const QString TexteXmlIllisible = QStringLiteral("Impossible de lire le fichier XML : ");
const QString SectionRapport = QStringLiteral("Cordalis_Rapport");

namespace {

const QString RacineVelmora = QStringLiteral("Velmora");

// A listing entry that names a report or history file we may copy locally. Names that are not
// plain names (a hostile or broken server can list anything) are skipped, so that nothing is
// ever written outside the local report folders.
bool EstFichierUtilisable(const FtpListItem& item)
{
    return item.IsFile && RegleRapport::EstNomSimple(item.FileName) &&
           RegleRapport::EstFichierXml(item.FileName);
}

// Loads a local copy; false when it cannot be read as XML (the caller says so).
bool Charger(TNativeXmlQLF& document, const QString& local)
{
    try {
        document.LoadFromFile(local);
        return true;
    } catch (const CordalisError&) {
        return false;
    }
}

// Shows the error being handled: the prefix followed by its text, or the text without one
// when the error carries none.
void MontrerErreur(const QString& prefixe, const QString& sansTexte)
{
    const QString texte = ExceptionText(std::current_exception());
    ShowMessage(texte.isEmpty() ? sansTexte : prefixe + texte);
}

} // namespace

SessionRapport::SessionRapport(FtpClient& ftp, ParametresFtp parametres, DossiersRapport dossiers,
                               DrapeauRapportsCharges drapeau, QObject* documentOwner)
    : ftp_(ftp), parametres_(std::move(parametres)), dossiers_(std::move(dossiers)),
      drapeau_(std::move(drapeau)), documentOwner_(documentOwner)
{
}

bool SessionRapport::ConnexionRapport()
{
    if (ftp_.Connected())
        return true;
    try {
        ConfigurerClientFtp(ftp_, parametres_);
        ftp_.Connect();
        return true;
    } catch (...) {
        MontrerErreur(QStringLiteral("Impossible de se connecter au serveur FTP. Erreur "),
                      QStringLiteral("Impossible de se connecter au serveur FTP !"));
    }
    return false;
}

bool SessionRapport::DeconnexionRapport()
{
    try {
        if (!ftp_.Connected())
            return false;
        ftp_.Disconnect();
        return true;
    } catch (...) {
        MontrerErreur(QStringLiteral("Une erreur est survenue lors de la déconnexion : "),
                      QStringLiteral("Une erreur est survenue lors de la déconnexion."));
    }
    return false;
}

bool SessionRapport::ChargerRapports(int jours,
                                     const std::function<void(const EntreeRapport&)>& ajouter)
{
    const bool dejaCharges = drapeau_.Get();
    if (!dejaCharges)
        PreparerDossiers();
    if (!ConnexionRapport())
        return false;

    Lister(QStringLiteral("/Rapport"));

    TNativeXmlQLF document(RacineVelmora, documentOwner_);
    const int count = ftp_.ListingCount();
    for (int i = 0; i < count; ++i) {
        const FtpListItem item = ftp_.Listing(i);
        if (!EstFichierUtilisable(item))
            continue;
        const QString local = dossiers_.Rapport + item.FileName;
        if (!dejaCharges)
            ftp_.Get(item.FileName, local);

        EntreeRapport entree;
        entree.Nom = RegleRapport::NomFranchise(item.FileName);
        if (!Charger(document, local)) {
            entree.EnAnomalie = true;
            entree.Texte = TexteXmlIllisible + QDir::toNativeSeparators(local);
        } else if (!document.Root()) {
            entree.EnAnomalie = true;
            entree.Texte = QStringLiteral("Erreur pNode == NULL");
        } else {
            // A Date that does not convert throws: the pass stops at this file.
            const RegleRapport::Verdict verdict =
                RegleRapport::JugerRapport(document.Root(), item.ModifiedDate, jours);
            entree.EnAnomalie = verdict.EnAnomalie;
            entree.Texte = verdict.Texte;
        }
        ajouter(entree);
    }

    drapeau_.Set(true);
    DeconnexionRapport();
    return true;
}

void SessionRapport::RecupererHistorique(const QString& nomFranchise,
                                         const std::function<void(const TNativeXmlQLF&)>& afficher)
{
    if (!ConnexionRapport())
        return;
    Lister(QStringLiteral("/Rapport/Historique"));

    bool affiche = false;
    const int count = ftp_.ListingCount();
    for (int i = 0; i < count; ++i) {
        const FtpListItem item = ftp_.Listing(i);
        if (!EstFichierUtilisable(item))
            continue;
        // Case matters: magasin.xml is not the history of Magasin.
        if (RegleRapport::NomFranchise(item.FileName) != nomFranchise)
            continue;
        // The history folder may have been removed since the first pass: recreate it.
        QDir().mkpath(dossiers_.Historique);
        const QString local = dossiers_.Historique + item.FileName;
        ftp_.Get(item.FileName, local);

        TNativeXmlQLF document(RacineVelmora, documentOwner_);
        if (Charger(document, local)) {
            affiche = true;
            afficher(document);
        } else {
            ShowMessage(TexteXmlIllisible + QDir::toNativeSeparators(local));
        }
        break;
    }
    if (!affiche)
        ShowMessage(QStringLiteral("Il n'y a pas d'historique pour le franchisé ") + nomFranchise);
}

void SessionRapport::Lister(const QString& dossier)
{
    ftp_.ChangeDir(dossier);
    ftp_.SetBinary();
    ftp_.SetPassive(true);
    ftp_.List();
}

void SessionRapport::PreparerDossiers()
{
    if (QFileInfo::exists(dossiers_.Historique))
        SupprimerDossier(dossiers_.Rapport);
    QDir().mkpath(dossiers_.Historique);
}

void SessionRapport::SupprimerDossier(const QString& dossier)
{
    QDir dir(dossier);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            SupprimerDossier(entry.absoluteFilePath());
        else
            QFile::remove(entry.absoluteFilePath());
    }
    dir.rmdir(dir.absolutePath());
}
