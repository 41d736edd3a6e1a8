#pragma once

#include "ParametresFtp.h"

#include <QString>
#include <functional>

class FtpClient;
class QObject;
class TNativeXmlQLF;

// The report server's section of the settings file.
extern const QString SectionRapport;

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

// Everything the report window does with the report server, without widgets: connecting,
// the report pass over /Rapport, the history retrieval from /Rapport/Historique, and the
// local folders that receive the copies. The FTP client belongs to the window; the session
// only uses it. Errors of the FTP client while changing directory, listing or downloading,
// and a report Date that does not convert, are thrown to the caller.
class SessionRapport
{
public:
    // parametres: the report server's section (SectionRapport), read when the window opens.
    SessionRapport(FtpClient& ftp, ParametresFtp parametres, DossiersRapport dossiers,
                   DrapeauRapportsCharges drapeau, QObject* documentOwner);

    // Connects unless already connected. A failure, a port outside 1-65535 included, is shown
    // in a message box; false then.
    bool ConnexionRapport();
    // Disconnects when connected (true). A failure is shown in a message box; false then.
    bool DeconnexionRapport();

    // One pass over /Rapport. Downloads the report files only when the flag says that no
    // complete pass has done it during this run; reads each local copy and hands one entry
    // per report file to ajouter, in the server's order, with the currency judged against
    // jours days. A complete pass sets the flag and disconnects. Returns false when the
    // connection failed (nothing listed).
    bool ChargerRapports(int jours, const std::function<void(const EntreeRapport&)>& ajouter);

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
    // Goes to the server folder and lists it, binary and passive as every transfer here.
    void Lister(const QString& dossier);

    FtpClient& ftp_;
    ParametresFtp parametres_;
    DossiersRapport dossiers_;
    DrapeauRapportsCharges drapeau_;
    QObject* documentOwner_;
};

extern const QString TexteXmlIllisible;
