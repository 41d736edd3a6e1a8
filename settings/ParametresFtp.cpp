#include "ParametresFtp.h"

#include "Errors.h"
#include "FtpClient.h"
#include "IniFile.h"

#include <QFileInfo>
#include <exception>
#include <limits>

namespace {
const QString CleLogin = QStringLiteral("Login");
const QString CleMdp = QStringLiteral("Mdp");
const QString CleHost = QStringLiteral("Host");
const QString ClePort = QStringLiteral("Port");
const QString PrefixeEchec = QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ");
} // namespace

ParametresFtp LireParametresFtp(const QString& iniFile, const QString& section)
{
    ParametresFtp parametres;
    if (!QFileInfo::exists(iniFile))
        return parametres;
    const TIniFile ini(iniFile);
    parametres.Login = ini.ReadString(section, CleLogin, QString());
    parametres.Mdp = ini.ReadString(section, CleMdp, QString());
    parametres.Host = ini.ReadString(section, CleHost, QString());
    parametres.Port = QString::number(ini.ReadInteger(section, ClePort, 21));
    return parametres;
}

bool ParametresIncomplets(const ParametresFtp& parametres)
{
    return parametres.Login.isEmpty() || parametres.Mdp.isEmpty() || parametres.Host.isEmpty() ||
           parametres.Port.isEmpty();
}

int StrToInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw ConvertError(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text));
    return value;
}

void EcrireParametresFtp(const QString& iniFile, const QString& section,
                         const ParametresFtp& parametres)
{
    // Converted first: a port that is not an integer must not leave a half-saved section.
    const int port = StrToInt(parametres.Port);
    TIniFile ini(iniFile);
    ini.WriteString(section, CleLogin, parametres.Login);
    ini.WriteString(section, CleMdp, parametres.Mdp);
    ini.WriteString(section, CleHost, parametres.Host);
    ini.WriteInteger(section, ClePort, port);
}

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
