#include "ParametresFtp.h"

#include "Errors.h"
#include "TIniFile.h"

#include <QFileInfo>

namespace {
const QString CleLogin = QStringLiteral("Login");
const QString CleMdp = QStringLiteral("Mdp");
const QString CleHost = QStringLiteral("Host");
const QString ClePort = QStringLiteral("Port");
const QString CleTls = QStringLiteral("TLS");
const QString CleCertificat = QStringLiteral("Certificat");
} // namespace

ParametresFtp LireParametresFtp(const QString& iniFile, const QString& section)
{
    ParametresFtp parametres;
    if (!QFileInfo::exists(iniFile))
        return parametres;
    const TIniFile ini(iniFile);
    parametres.Host = ini.ReadString(section, CleHost, QString());
    parametres.Login = ini.ReadString(section, CleLogin, QString());
    parametres.Mdp = ini.ReadString(section, CleMdp, QString());
    parametres.Port = ini.ReadInteger(section, ClePort, 21);
    parametres.TLS = ini.ReadBool(section, CleTls, false);
    parametres.Certificat = ini.ReadString(section, CleCertificat, QString());
    return parametres;
}

bool EstPortValide(int port)
{
    return port >= 1 && port <= 65535;
}

int StrToInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw ConvertError(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text));
    return value;
}

int PortSaisi(const QString& text)
{
    const int port = StrToInt(text);
    // A larger number would wrap round to another port on the way to the client.
    if (!EstPortValide(port))
        throw ConvertError(QStringLiteral("'%1' n'est pas un numéro de port correct").arg(text));
    return port;
}

void EcrireParametresFtp(const QString& iniFile, const QString& section,
                         const ParametresFtp& parametres)
{
    // One rewrite of the file: the section holds the old values or the new ones, never a mix.
    TIniFile(iniFile).Apply(TIniFile::Changes()
                                .WriteString(section, CleLogin, parametres.Login)
                                .WriteString(section, CleMdp, parametres.Mdp)
                                .WriteString(section, CleHost, parametres.Host)
                                .WriteInteger(section, ClePort, parametres.Port)
                                .WriteBool(section, CleTls, parametres.TLS));
}
