#include "CanalFtp.h"

#include "Errors.h"
#include "FtpClient.h"
#include "MessageBox.h"
#include "TIniFile.h"

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
    QString login;
    QString motDePasse;
    QString hote;
    int port = 21;
    if (QFileInfo::exists(fichierIni_)) {
        const TIniFile ini(fichierIni_);
        login = ini.ReadString(SectionFtp, QStringLiteral("Login"), QString());
        motDePasse = ini.ReadString(SectionFtp, QStringLiteral("Mdp"), QString());
        hote = ini.ReadString(SectionFtp, QStringLiteral("Host"), QString());
        port = ini.ReadInteger(SectionFtp, QStringLiteral("Port"), 21);
    }

    return Executer(MessagesConnexion, [&] {
        // A port outside 1..65535 would silently wrap to another port: refuse it instead.
        if (port < 1 || port > 65535)
            throw FtpError(FtpError::Category::Other,
                           QStringLiteral("Le port %1 n'est pas un port FTP valide.").arg(port));
        client_.Configure(hote, login, motDePasse, static_cast<quint16>(port), 0);
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
