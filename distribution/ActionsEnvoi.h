#pragma once

#include "TTypeEnvoi.h"

#include <QString>
#include <QStringList>

class CanalFtp;

// The four data sets of the main window, one row each, in the order of the rows.
enum class JeuDonnees
{
    RemiseAchat,
    Personnalisation,
    Message,
    Document,
};

// The files a data set's "Envoyer" publishes, in sending order: a second file is sent only
// when the first one was.
QStringList FichiersEnvoyes(JeuDonnees jeu);

// What a send action shows on its row. The form binds it to the row's "Envoyer" state
// images, the mouse cursor and the event loop.
class VueEnvoi
{
public:
    virtual ~VueEnvoi() = default;
    // Hides the row's green check and red cross.
    virtual void MasquerEtatEnvoi() = 0;
    // Shows the green check (true) or the red cross (false).
    virtual void AfficherEtatEnvoi(bool envoye) = 0;
    // The sending starts: the hourglass goes up.
    virtual void DebutEnvoi() = 0;
    // Lets the window process its pending messages once.
    virtual void TraiterMessagesEnAttente() = 0;
    // The sending is over: the normal cursor comes back. Called after every DebutEnvoi,
    // also when the sending ends with an exception.
    virtual void FinEnvoi() = 0;
    // The target folder of the copy channel does not exist: the window says nothing more
    // than its red cross, a view without a window may say why.
    virtual void DossierCibleAbsent(const QString& /*dossier*/) {}
};

// The "Envoyer" actions: each sends its data set's files from the preparation folder through
// the channel chosen in the settings, then shows a green check or a red cross on its row.
// Sending never changes, renames or deletes a prepared file.
class ActionsEnvoi
{
public:
    ActionsEnvoi(CanalFtp& canalFtp, QString dossierPreparation);

    // The whole action of one row. typeEnvoi and cheminUri are the main window's current
    // channel and target folder. Returns true when every file was sent.
    bool Envoyer(JeuDonnees jeu, TTypeEnvoi typeEnvoi, const QString& cheminUri, VueEnvoi& vue);

    // Sends one file through the channel: for FTP one full cycle (connect, upload,
    // disconnect); for the folder channel a copy into the folder cheminUri (followed by the
    // file name, with a separator between them when cheminUri does not end with one).
    bool EnvoyerFichier(TTypeEnvoi typeEnvoi, const QString& cheminUri, const QString& cheminLocal,
                        const QString& nomFichier);
    // The folder channel.
    bool EnvoiParChemin(const QString& cheminLocal, const QString& cheminCible);
    // Copies the source file over the target path. The target is written to a temporary file
    // beside it and renamed over the old one once complete: a reader never sees half a file,
    // and a failed copy leaves the old target as it was.
    bool CopierFichier(const QString& source, const QString& cible);

private:
    CanalFtp& canalFtp_;
    QString dossierPreparation_;
};
