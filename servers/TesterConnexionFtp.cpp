#include "TesterConnexionFtp.h"

#include "ConfigurerClientFtp.h"
#include "Errors.h"
#include "FtpClient.h"

#include <exception>

namespace {
const QString PrefixeEchec = QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ");
} // namespace

QString TesterConnexionFtp(FtpClient& client, const ParametresFtp& parametres)
{
    QString erreur;
    try {
        ConfigurerClientFtp(client, parametres);
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
