#include "ParametresFtp.h"

#include "Errors.h"
#include "TIniFile.h"

#include <QFileInfo>

namespace {
const QString CleLogin = QStringLiteral("Login");
const QString CleMdp = QStringLiteral("Mdp");
const QString CleHost = QStringLiteral("Host");
const QString ClePort = QStringLiteral("Port");
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
    TIniFile(iniFile).Apply(TIniFile::Changes()
                                .WriteString(section, CleLogin, parametres.Login)
                                .WriteString(section, CleMdp, parametres.Mdp)
                                .WriteString(section, CleHost, parametres.Host)
                                .WriteInteger(section, ClePort, port));
}
