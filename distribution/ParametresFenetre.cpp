#include "ParametresFenetre.h"

#include "TIniFile.h"

#include <QFileInfo>

std::optional<ParametresFenetre> LireParametresFenetre(const QString& fichierIni)
{
    if (!QFileInfo(fichierIni).isFile())
        return std::nullopt;

    const TIniFile ini(fichierIni);
    const QString section = QStringLiteral("Cordalis");
    ParametresFenetre result;
    result.Lignes = {
        ini.ReadBool(section, QStringLiteral("Remise_Achat"), false),
        ini.ReadBool(section, QStringLiteral("Personnalisation"), false),
        ini.ReadBool(section, QStringLiteral("Message"), false),
        ini.ReadBool(section, QStringLiteral("Document"), false),
    };

    const QString typeEnvoi =
        ini.ReadString(section, QStringLiteral("TypeEnvoi"), QStringLiteral("FTP"));
    if (typeEnvoi == QLatin1String("FTP")) {
        result.TypeEnvoi = EnvoiFtp;
    } else if (typeEnvoi == QLatin1String("URI")) {
        result.TypeEnvoi = EnvoiUri;
        result.CheminUri =
            ini.ReadString(QStringLiteral("Cordalis_URI"), QStringLiteral("URI"), QString());
    }
    return result;
}
