#pragma once

#include "ParametresFtp.h"

#include <QString>
#include <functional>

class FtpClient;
class QObject;
class TNativeXmlQLF;

// The report server's section of the settings file.
extern const QString SectionRapport;

// The report server's settings: its server section as every server section is read, and how
// many connections of the server a pass downloads over at once.
struct ParametresRapport : ParametresFtp
{
    static constexpr int ConnexionsParDefaut = 4;
    static constexpr int ConnexionsMax = 16;

    // "Connexions": 1 to ConnexionsMax.
    int Connexions = ConnexionsParDefaut;

    // Reads the section (LireParametresFtp) and its key Connexions (the default when it is
    // absent, not an integer or out of 1 to ConnexionsMax); without a settings file, the
    // defaults.
    static ParametresRapport Lire(const QString& fichierIni);
};

// The flag "reports already downloaded during this run", kept by the main window so that it
// outlives the report window. Get and Set must both be given.
struct DrapeauRapportsCharges
{
    std::function<bool()> Get;
    std::function<void(bool)> Set;
};

// The local copies: RepertoireRapport for the files of /Rapport and RepertoireHistorique
// (inside it) for those of /Rapport/Historique. Both end with a separator.
struct DossiersRapport
{
    QString Rapport;
    QString Historique;
};

// One franchisee of the report list: its name, whether its report is in trouble, and the
// detail text shown when it is selected.
struct EntreeRapport
{
    QString Nom;
    bool EnAnomalie = false;
    QString Texte;
};

// What the user sees of a pass while it runs; called on the thread that runs the pass.
class VuePasse
{
public:
    virtual ~VuePasse() = default;
    // The pass starts: its progress shows and nothing else of the window can be used.
    virtual void DebutPasse() = 0;
    // faits of total report files are done; total is -1 while the listing is not known.
    virtual void AvancementPasse(int faits, int total) = 0;
    // The pass is over, whatever its outcome: the window is usable again.
    virtual void FinPasse() = 0;
};

// Everything the report window does with the report server, without widgets: connecting,
// the report pass over /Rapport, the history retrieval from /Rapport/Historique, and the
// local folders that receive the copies. The FTP client belongs to the window; the session
// only uses it, and opens the pass's other connections itself. Errors of the FTP client while
// changing directory, listing or downloading are thrown to the caller.
//
// A pass does its network work on worker threads while the calling thread goes on handling
// its events, so that the window keeps painting and the pass can be stopped
// (ArreterPasse); entries are judged and handed over on the calling thread, in the server's
// order. The first pass of a run downloads over several connections (Connexions).
class SessionRapport
{
public:
    // parametres: the report server's section (SectionRapport), read when the window opens.
    SessionRapport(FtpClient& ftp, ParametresRapport parametres, DossiersRapport dossiers,
                   DrapeauRapportsCharges drapeau, QObject* documentOwner);
    // The program's own session: the report server of its settings file, its report folders,
    // documents owned by the application object.
    static SessionRapport DuProgramme(FtpClient& ftp, DrapeauRapportsCharges drapeau);

    // Connects unless already connected. A failure, a port outside 1-65535 included, is shown
    // in a message box; false then.
    bool ConnexionRapport();
    // Disconnects when connected (true). A failure is shown in a message box; false then.
    bool DeconnexionRapport();

    // One pass over /Rapport. Downloads the report files only when the flag says that no
    // complete pass has done it during this run; reads each local copy and hands one entry
    // per report file to ajouter, in the server's order, with the currency judged against
    // jours days (a report whose Date does not convert is in trouble, its text says why).
    // A complete pass sets the flag and disconnects. Returns false when the connection
    // failed (nothing listed) or the pass was stopped. vue, when given, shows the progress.
    bool ChargerRapports(int jours, const std::function<void(const EntreeRapport&)>& ajouter,
                         VuePasse* vue = nullptr);
    // Stops the pass under way (called from its own thread, through the events it handles
    // while it waits): it ends like a pass cut short, within a second, entries handed over
    // so far kept, the flag left false, every connection closed without waiting for the
    // server, no partial copy left. Nothing happens when no pass runs.
    void ArreterPasse();
    bool PasseEnCours() const { return passe_ != nullptr; }

    // Fetches the franchisee's history file from /Rapport/Historique into the local history
    // folder, loads it and hands the document to afficher (which shows the history window).
    // Tells the user when there is no history or when the file does not load. Leaves the
    // connection open for the next pass.
    void RecupererHistorique(const QString& nomFranchise,
                             const std::function<void(const TNativeXmlQLF&)>& afficher);

    // Empties the local report folder when the history folder exists, then creates the
    // history folder with every missing parent.
    void PreparerDossiers();
    // Deletes a folder with all its content; failures are ignored. Symbolic links are
    // removed, never followed.
    static void SupprimerDossier(const QString& dossier);

    const DossiersRapport& Dossiers() const { return dossiers_; }

private:
    // The network work and the shared state of one pass (SessionRapport.cpp).
    class Passe;

    // Gives a client the server's settings and connects it.
    void Connecter(FtpClient& client) const;
    // Goes to the server folder and lists it, binary and passive as every transfer here.
    void Lister(const QString& dossier);

    FtpClient& ftp_;
    ParametresRapport parametres_;
    DossiersRapport dossiers_;
    DrapeauRapportsCharges drapeau_;
    QObject* documentOwner_;
    Passe* passe_ = nullptr; // the pass under way
};

extern const QString TexteXmlIllisible;
