#include "ConfigCordalis.h"

#include "TIniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString SectionCordalis = QStringLiteral("Cordalis");
const QString SectionUri = QStringLiteral("Cordalis_URI");
} // namespace

ConfigCordalis LireConfigCordalis(const QString& iniFile)
{
    ConfigCordalis config;
    if (!QFileInfo::exists(iniFile))
        return config;

    const TIniFile ini(iniFile);
    config.RemiseAchat = ini.ReadBool(SectionCordalis, QStringLiteral("Remise_Achat"), false);
    config.Personnalisation =
        ini.ReadBool(SectionCordalis, QStringLiteral("Personnalisation"), false);
    config.Message = ini.ReadBool(SectionCordalis, QStringLiteral("Message"), false);
    config.Document = ini.ReadBool(SectionCordalis, QStringLiteral("Document"), false);

    // Exact, case-sensitive comparison: "ftp" is neither channel.
    const QString type =
        ini.ReadString(SectionCordalis, QStringLiteral("TypeEnvoi"), QStringLiteral("FTP"));
    if (type == QLatin1String("FTP"))
        config.Canal = CanalConfig::Ftp;
    else if (type == QLatin1String("URI"))
        config.Canal = CanalConfig::Chemin;
    else
        config.Canal = CanalConfig::Inconnu;

    config.Uri = ini.ReadString(SectionUri, QStringLiteral("URI"), QString());
    config.Regional = ini.ReadString(SectionCordalis, QStringLiteral("Regional"), QString());
    return config;
}

void EcrireConfigCordalis(const QString& iniFile, const ConfigCordalis& config)
{
    TIniFile::Changes changes;
    changes.WriteBool(SectionCordalis, QStringLiteral("Remise_Achat"), config.RemiseAchat)
        .WriteBool(SectionCordalis, QStringLiteral("Personnalisation"), config.Personnalisation)
        .WriteBool(SectionCordalis, QStringLiteral("Message"), config.Message)
        .WriteBool(SectionCordalis, QStringLiteral("Document"), config.Document)
        .WriteString(SectionCordalis, QStringLiteral("TypeEnvoi"),
                     config.Canal == CanalConfig::Ftp ? QStringLiteral("FTP")
                                                      : QStringLiteral("URI"))
        .WriteString(SectionUri, QStringLiteral("URI"), config.Uri);
    TIniFile(iniFile).Apply(changes);
}

QString AvecSeparateurFinal(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    if (native.isEmpty() || native.endsWith(QDir::separator()))
        return native;
    return native + QDir::separator();
}
