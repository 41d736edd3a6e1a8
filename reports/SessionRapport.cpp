#include "SessionRapport.h"

#include "ConfigurerClientFtp.h"
#include "Errors.h"
#include "FtpClient.h"
#include "MessageBox.h"
#include "ProgramPaths.h"
#include "Regional.h"
#include "RegleRapport.h"
#include "TIniFile.h"
#include "TNativeXmlQLF.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

const QString TexteXmlIllisible = QStringLiteral("Impossible de lire le fichier XML : ");
const QString SectionRapport = QStringLiteral("Cordalis_Rapport");

namespace {

const QString RacineVelmora = QStringLiteral("Velmora");
const QString DossierRapports = QStringLiteral("/Rapport");

// How often a waiting pass looks at its workers, and the longest stretch of judging between
// two turns of the event loop: the window answers within a few milliseconds either way.
constexpr int PeriodeAttenteMs = 5;
constexpr int TrancheJugementMs = 20;

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

// The entry of one report file, judged from its local copy.
EntreeRapport Juger(TNativeXmlQLF& document, const FtpListItem& item, const QString& local,
                    int jours)
{
    EntreeRapport entree;
    entree.Nom = RegleRapport::NomFranchise(item.FileName);
    if (!Charger(document, local)) {
        entree.EnAnomalie = true;
        entree.Texte = TexteXmlIllisible + QDir::toNativeSeparators(local);
    } else if (!document.Root()) {
        entree.EnAnomalie = true;
        entree.Texte = QStringLiteral("Erreur pNode == NULL");
    } else {
        const RegleRapport::Verdict verdict =
            RegleRapport::JugerRapport(document.Root(), item.ModifiedDate, jours);
        entree.EnAnomalie = verdict.EnAnomalie;
        entree.Texte = verdict.Texte;
    }
    return entree;
}

// Shows the error being handled: the prefix followed by its text, or the text without one
// when the error carries none.
void MontrerErreur(const QString& prefixe, const QString& sansTexte)
{
    const QString texte = ExceptionText(std::current_exception());
    ShowMessage(texte.isEmpty() ? sansTexte : prefixe + texte);
}

void MontrerErreurConnexion()
{
    MontrerErreur(QStringLiteral("Impossible de se connecter au serveur FTP. Erreur "),
                  QStringLiteral("Impossible de se connecter au serveur FTP !"));
}

void MontrerErreurDeconnexion()
{
    MontrerErreur(QStringLiteral("Une erreur est survenue lors de la déconnexion : "),
                  QStringLiteral("Une erreur est survenue lors de la déconnexion."));
}

// Handles this thread's events until condition holds, looking at it every few milliseconds.
// The workers of a pass share nothing with the event loop: they only change state that the
// condition reads under their lock.
void Attendre(const std::function<bool()>& condition)
{
    if (condition())
        return;
    QEventLoop boucle;
    QTimer minuterie;
    minuterie.setTimerType(Qt::PreciseTimer);
    QObject::connect(&minuterie, &QTimer::timeout, &boucle, [&] {
        if (condition())
            boucle.quit();
    });
    minuterie.start(PeriodeAttenteMs);
    boucle.exec();
}

// The key Connexions of the section: its value from 1 to ConnexionsMax; the default when
// it is absent, not an integer or out of range.
int LireConnexions(const TIniFile& ini, const QString& section)
{
    const int connexions = ini.ReadInteger(section, QStringLiteral("Connexions"),
                                           ParametresRapport::ConnexionsParDefaut);
    return connexions >= 1 && connexions <= ParametresRapport::ConnexionsMax
               ? connexions
               : ParametresRapport::ConnexionsParDefaut;
}

} // namespace

// The network work of one pass and the state it shares between its threads. The window's
// client (the session's) connects and lists on worker threads, one step at a time, while the
// pass's thread handles its events. For a pass that downloads, the other connections log in
// meanwhile, each on its own thread, and then every connection takes the next file of the
// listing until none is left; a file's state tells the pass's thread when its copy is there.
class SessionRapport::Passe
{
public:
    enum class Etat : char
    {
        Attente,
        Telecharge,
        Echec
    };

    Passe(SessionRapport& session, VuePasse* vue) : session_(session), vue_(vue)
    {
        session_.passe_ = this;
        if (vue_) {
            vue_->DebutPasse();
            vue_->AvancementPasse(0, -1);
        }
    }

    ~Passe()
    {
        // Normally every thread has ended already; after an exception of the pass's own
        // thread, whatever still runs is stopped and the session's connection closed.
        if (!fils_.empty()) {
            Arreter();
            for (std::thread& fil : fils_)
                fil.join();
            session_.ftp_.Disconnect();
        }
        session_.passe_ = nullptr;
        if (vue_)
            vue_->FinPasse();
    }

    Passe(const Passe&) = delete;
    Passe& operator=(const Passe&) = delete;

    bool Arretee() const { return arretee_; }

    // Runs travail on a worker thread while this thread handles its events; returns when it
    // has ended, throwing what it threw.
    void HorsDuFil(const std::function<void()>& travail)
    {
        std::exception_ptr erreur;
        std::atomic<bool> fini{false};
        std::thread fil([&] {
            try {
                travail();
            } catch (...) {
                erreur = std::current_exception();
            }
            fini.store(true);
        });
        Attendre([&] { return fini.load(); });
        fil.join();
        if (erreur)
            std::rethrow_exception(erreur);
    }

    // Opens the pass's other connections, each on its own thread: it logs in and goes to
    // the report folder while the session's client lists it, then downloads.
    void OuvrirConnexions(int nombre)
    {
        for (int i = 0; i < nombre; ++i) {
            auto& autre = *autres_.emplace_back(std::make_unique<Connexion>());
            session_.ftp_.CopyTimeoutsTo(autre.client);
            Lancer([this, &autre] { Supplementaire(autre); });
        }
    }

    // The files of the listing, in its order. Without download, every local copy is there
    // already; otherwise the session's client starts downloading on its own thread and the
    // other connections join in.
    void Demarrer(const std::vector<FtpListItem>& fichiers, bool telecharger)
    {
        {
            const std::lock_guard verrou(mutex_);
            noms_.reserve(fichiers.size());
            for (const FtpListItem& item : fichiers)
                noms_.push_back(item.FileName);
            etats_.assign(fichiers.size(), telecharger ? Etat::Attente : Etat::Telecharge);
            erreurs_.resize(fichiers.size());
            listee_ = true;
        }
        listeeCondition_.notify_all();
        if (telecharger)
            Lancer([this] { Telecharger(session_.ftp_); });
    }

    // Hands each file over to traiter in the listing's order as soon as its copy is there,
    // with the progress shown. Returns at the end, at the first failed download (its error
    // is kept for RelancerErreur) or at a stop.
    void Consommer(const std::function<void(size_t)>& traiter)
    {
        const size_t total = noms_.size(); // fixed since Demarrer
        if (vue_)
            vue_->AvancementPasse(0, int(total));
        size_t prochain = 0;
        while (prochain < total && !arretee_) {
            Attendre([&] { return arretee_ || EtatDe(prochain) != Etat::Attente; });
            QElapsedTimer tranche;
            tranche.start();
            Etat etat = Etat::Attente;
            while (prochain < total && !arretee_ && (etat = EtatDe(prochain)) == Etat::Telecharge &&
                   tranche.elapsed() < TrancheJugementMs) {
                traiter(prochain);
                ++prochain;
            }
            if (vue_)
                vue_->AvancementPasse(int(prochain), int(total));
            if (etat == Etat::Echec) {
                const std::lock_guard verrou(mutex_);
                erreur_ = erreurs_[prochain];
                break;
            }
            // Judging a long run of copies already there: the events get their turn.
            if (tranche.elapsed() >= TrancheJugementMs)
                QCoreApplication::processEvents();
        }
    }

    void RelancerErreur() const
    {
        if (erreur_)
            std::rethrow_exception(erreur_);
    }

    // Nothing more is handed out; returns once every thread of the pass has ended (each
    // connection ends its session), handling events meanwhile. A connection still logging
    // in is cut: it has nothing to do any more.
    void Terminer()
    {
        {
            const std::lock_guard verrou(mutex_);
            termine_ = true;
        }
        listeeCondition_.notify_all();
        for (const auto& autre : autres_)
            if (autre->enConnexion.load())
                autre->client.Abort();
        Attendre([this] { return actifs_.load() == 0; });
        for (std::thread& fil : fils_)
            fil.join();
        fils_.clear();
    }

    void Arreter()
    {
        if (arretee_)
            return;
        arretee_ = true;
        {
            const std::lock_guard verrou(mutex_);
            termine_ = true;
        }
        listeeCondition_.notify_all();
        session_.ftp_.Abort();
        for (const auto& autre : autres_)
            autre->client.Abort();
    }

private:
    // One of the pass's other connections.
    struct Connexion
    {
        FtpClient client;
        std::atomic<bool> enConnexion{true}; // logging in, not yet downloading
    };

    void Lancer(std::function<void()> travail)
    {
        actifs_.fetch_add(1);
        fils_.emplace_back([this, travail = std::move(travail)] {
            travail();
            actifs_.fetch_sub(1);
        });
    }

    Etat EtatDe(size_t index)
    {
        const std::lock_guard verrou(mutex_);
        return etats_[index];
    }

    // Takes the next file of the listing until none is left for this connection. A failed
    // download ends the handing out at that file: the files before it are all taken already.
    void Telecharger(FtpClient& client)
    {
        for (;;) {
            size_t index = 0;
            QString nom;
            {
                const std::lock_guard verrou(mutex_);
                if (termine_ || prochain_ >= std::min(noms_.size(), limite_))
                    return;
                index = prochain_++;
                nom = noms_[index];
            }
            Etat etat = Etat::Telecharge;
            std::exception_ptr erreur;
            try {
                client.Get(nom, dossier_ + nom);
            } catch (...) {
                etat = Etat::Echec;
                erreur = std::current_exception();
            }
            const std::lock_guard verrou(mutex_);
            etats_[index] = etat;
            erreurs_[index] = erreur;
            if (etat == Etat::Echec)
                limite_ = std::min(limite_, index);
        }
    }

    void Supplementaire(Connexion& autre)
    {
        FtpClient& client = autre.client;
        try {
            session_.Connecter(client);
            client.ChangeDir(DossierRapports);
            client.SetBinary();
            client.SetPassive(true);
        } catch (...) {
            // Refused (too many connections from this machine or for this account: 421,
            // 530) or anything else: the pass goes on with the connections it has, the
            // session's own one at least.
            client.Disconnect();
            return;
        }
        autre.enConnexion.store(false);
        bool listee = false;
        {
            std::unique_lock verrou(mutex_);
            listeeCondition_.wait(verrou, [this] { return listee_ || termine_; });
            listee = listee_ && !termine_;
        }
        if (listee) {
            client.UseListingOf(session_.ftp_);
            Telecharger(client);
        }
        client.Disconnect();
    }

    SessionRapport& session_;
    VuePasse* vue_;
    const QString dossier_ = session_.dossiers_.Rapport;
    bool arretee_ = false;      // the pass's thread only
    std::exception_ptr erreur_; // the pass's thread only, once Consommer has returned

    std::vector<std::unique_ptr<Connexion>> autres_;
    std::vector<std::thread> fils_;
    std::atomic<int> actifs_{0};

    // Shared with the workers.
    std::mutex mutex_;
    std::condition_variable listeeCondition_;
    std::vector<QString> noms_;
    std::vector<Etat> etats_;
    std::vector<std::exception_ptr> erreurs_;
    size_t prochain_ = 0;
    size_t limite_ = std::numeric_limits<size_t>::max();
    bool listee_ = false;
    bool termine_ = false;
};

ParametresRapport ParametresRapport::Lire(const QString& fichierIni)
{
    ParametresRapport parametres;
    static_cast<ParametresFtp&>(parametres) = LireParametresFtp(fichierIni, SectionRapport);
    if (QFileInfo::exists(fichierIni))
        parametres.Connexions = LireConnexions(TIniFile(fichierIni), SectionRapport);
    return parametres;
}

SessionRapport::SessionRapport(FtpClient& ftp, ParametresRapport parametres,
                               DossiersRapport dossiers, DrapeauRapportsCharges drapeau,
                               QObject* documentOwner)
    : ftp_(ftp), parametres_(std::move(parametres)), dossiers_(std::move(dossiers)),
      drapeau_(std::move(drapeau)), documentOwner_(documentOwner)
{
}

SessionRapport SessionRapport::DuProgramme(FtpClient& ftp, DrapeauRapportsCharges drapeau)
{
    return SessionRapport(ftp, ParametresRapport::Lire(ProgramPaths::FichierIni()),
                          {ProgramPaths::RepertoireRapport(), ProgramPaths::RepertoireHistorique()},
                          std::move(drapeau), QCoreApplication::instance());
}

void SessionRapport::Connecter(FtpClient& client) const
{
    ConfigurerClientFtp(client, parametres_);
    client.Connect();
}

bool SessionRapport::ConnexionRapport()
{
    if (ftp_.Connected())
        return true;
    try {
        Connecter(ftp_);
        return true;
    } catch (...) {
        MontrerErreurConnexion();
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
        MontrerErreurDeconnexion();
    }
    return false;
}

bool SessionRapport::ChargerRapports(int jours,
                                     const std::function<void(const EntreeRapport&)>& ajouter,
                                     VuePasse* vue)
{
    if (passe_)
        return false; // one pass at a time
    const bool dejaCharges = drapeau_.Get();
    Passe passe(*this, vue);
    // A stopped pass closes the session's connection without waiting for the server.
    const auto arretee = [&] {
        if (!passe.Arretee())
            return false;
        ftp_.Disconnect();
        return true;
    };

    try {
        passe.HorsDuFil([&] {
            if (!dejaCharges)
                PreparerDossiers();
            if (!ftp_.Connected())
                Connecter(ftp_);
        });
    } catch (...) {
        if (!arretee())
            MontrerErreurConnexion();
        return false;
    }

    // The other connections log in while this one lists the folder.
    if (!dejaCharges)
        passe.OuvrirConnexions(
            std::clamp(parametres_.Connexions, 1, ParametresRapport::ConnexionsMax) - 1);
    try {
        passe.HorsDuFil([&] { Lister(DossierRapports); });
    } catch (...) {
        passe.Terminer();
        if (arretee())
            return false;
        throw;
    }

    std::vector<FtpListItem> fichiers;
    const int count = ftp_.ListingCount();
    for (int i = 0; i < count; ++i) {
        const FtpListItem& item = ftp_.Listing(i);
        if (EstFichierUtilisable(item))
            fichiers.push_back(item);
    }
    passe.Demarrer(fichiers, !dejaCharges);

    TNativeXmlQLF document(RacineVelmora, documentOwner_);
    passe.Consommer([&](size_t index) {
        const FtpListItem& item = fichiers[index];
        ajouter(Juger(document, item, dossiers_.Rapport + item.FileName, jours));
    });
    passe.Terminer();
    if (arretee())
        return false;
    passe.RelancerErreur();

    drapeau_.Set(true);
    try {
        passe.HorsDuFil([&] { ftp_.Disconnect(); });
    } catch (...) {
        MontrerErreurDeconnexion();
    }
    arretee();
    return true;
}

void SessionRapport::ArreterPasse()
{
    if (passe_)
        passe_->Arreter();
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
