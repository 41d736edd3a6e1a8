#include "CanalFtp.h"

#include "ConfigurerClientFtp.h"
#include "Errors.h"
#include "FtpClient.h"
#include "MessageBox.h"
#include "ParametresFtp.h"

#include <QFileInfo>
#include <exception>

namespace {

const QString SectionFtp = QStringLiteral("Cordalis_FTP");

// The two texts an operation shows: one for a failed security negotiation with the server,
// one for any other error. The error's own text follows the fixed text directly.
struct MessagesOperation
{
    QString securite;
    QString autre;
};

// Runs one client operation and reports its error, if any, with the operation's texts.
template <typename Operation>
bool Executer(const MessagesOperation& messages, Operation&& operation)
{
    try {
        operation();
        return true;
    } catch (const FtpError& e) {
        ShowMessage((e.isSecurity() ? messages.securite : messages.autre) + e.text());
    } catch (const std::exception&) {
        ShowMessage(messages.autre + ExceptionText(std::current_exception()));
    }
    return false;
}

const MessagesOperation MessagesConnexion{
    QStringLiteral("Impossible de se connecter au serveur FTP. Erreur "),
    QStringLiteral("Une erreur est survenue (TFicheCordalis::ConnexionFTP): "),
};
const MessagesOperation MessagesEnvoi{
    QStringLiteral("Impossible d'uploader les données. Erreur "),
    QStringLiteral("Une erreur est survenue (TFicheCordalis::EnvoiParFtp): "),
};
const MessagesOperation MessagesDeconnexion{
    QStringLiteral("Erreur lors de la déconnexion : "),
    QStringLiteral("Une erreur est survenue (TFicheCordalis::DeconnexionFTP): "),
};

// Deletes a file left behind by a failed publication, where the server allows it. The
// failure being reported is the one that matters: this one is not.
void SupprimerSansErreur(FtpClient& client, const QString& nom)
{
    try {
        client.Delete(nom);
    } catch (const std::exception&) {
    }
}

// Publishes the local file under its final name without ever showing a half file there: the
// upload goes to a temporary name beside it, which is then renamed over the final name, so a
// franchisee who downloads meanwhile gets the previous file whole, and one who downloads
// afterwards the new file whole (in stream mode a server takes a cut upload for a complete
// one). A server that refuses the temporary name or any renaming gets the direct upload of
// before; a failure never leaves the temporary file behind where the server lets us delete it.
void Publier(FtpClient& client, const QString& cheminLocal, const QString& nom)
{
    const QString temporaire = QLatin1Char('.') + nom + QStringLiteral(".part");
    try {
        client.Put(cheminLocal, temporaire);
        if (client.Rename(temporaire, nom))
            return;
        // The server keeps an existing file rather than replace it on renaming: make room.
        client.Delete(nom);
        if (client.Rename(temporaire, nom))
            return;
    } catch (const FtpError& erreur) {
        SupprimerSansErreur(client, temporaire);
        // Anything but a plain refusal of the server (the connection, a stall, the local
        // file) is the publication's failure.
        if (erreur.replyCode() == 0)
            throw;
        client.Put(cheminLocal, nom);
        return;
    }
    SupprimerSansErreur(client, temporaire);
    client.Put(cheminLocal, nom);
}

} // namespace

CanalFtp::CanalFtp(FtpClient& client, QString fichierIni)
    : client_(client), fichierIni_(std::move(fichierIni))
{
}

bool CanalFtp::ConnexionFTP()
{
    const ParametresFtp parametres = LireParametresFtp(fichierIni_, SectionFtp);
    return Executer(MessagesConnexion, [&] {
        ConfigurerClientFtp(client_, parametres);
        client_.Connect();
    });
}

bool CanalFtp::EnvoiParFtp(const QString& cheminLocal, const QString& nomDistant)
{
    if (!QFileInfo(cheminLocal).isFile()) {
        ShowMessage(QStringLiteral("Le fichier : \n") + cheminLocal +
                    QStringLiteral("N'éxiste pas ou est inaccessible."));
        return false;
    }
    return Executer(MessagesEnvoi, [&] {
        client_.SetPassive(true);
        Publier(client_, cheminLocal, nomDistant);
    });
}

bool CanalFtp::DeconnexionFTP()
{
    return Executer(MessagesDeconnexion, [&] {
        if (client_.Connected())
            client_.Disconnect();
    });
}
