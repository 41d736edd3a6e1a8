#include "TesterConnexionFtp.h"

#include "Errors.h"
#include "FtpClient.h"

#include <exception>
#include <limits>

namespace {
const QString PrefixeEchec = QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ");
} // namespace

QString TesterConnexionFtp(FtpClient& client, const ParametresFtp& parametres)
{
    const int port = StrToInt(parametres.Port);
    // The client takes a 16-bit port: a larger number would silently wrap to another port.
    if (port < 0 || port > std::numeric_limits<quint16>::max())
        throw ConvertError(
            QStringLiteral("'%1' n'est pas un numéro de port correct").arg(parametres.Port));
    client.Configure(parametres.Host, parametres.Login, parametres.Mdp, static_cast<quint16>(port),
                     0);

    QString erreur;
    try {
        client.Connect();
    } catch (const std::exception& e) {
        erreur = PrefixeEchec + QString::fromUtf8(e.what());
    } catch (...) {
        erreur = QStringLiteral("Impossible de se connecter au serveur FTP !");
    }

    const bool connecte = client.Connected();
    const QString texte =
        connecte ? QStringLiteral("Connection établie avec le serveur FTP") : erreur;
    if (connecte) {
        try {
            client.Disconnect();
        } catch (const std::exception&) {
            // The test is over either way; a failed goodbye is not worth a message.
        }
    }
    return texte;
}
