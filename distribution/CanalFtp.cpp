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
        client_.Put(cheminLocal, nomDistant);
    });
}

bool CanalFtp::DeconnexionFTP()
{
    return Executer(MessagesDeconnexion, [&] {
        if (client_.Connected())
            client_.Disconnect();
    });
}
