#include "ProgramPaths.h"

#include <QDir>

namespace ProgramPaths {
namespace {
QString& exeFolder()
{
    static QString folder;
    return folder;
}
} // namespace

void Init(const QString& executableFolder)
{
    QString folder = QDir::fromNativeSeparators(executableFolder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    exeFolder() = folder;
}

QString VersionExport()
{
    return QStringLiteral("1.0");
}
QString RepertoireExe()
{
    return exeFolder();
}
QString DossierPreparation()
{
    return exeFolder() + QStringLiteral("preparer/");
}
QString FichierIni()
{
    return exeFolder() + QStringLiteral("Cordalis.ini");
}
QString RepertoireRapport()
{
    return exeFolder() + QStringLiteral("Rapport/");
}
QString RepertoireHistorique()
{
    return exeFolder() + QStringLiteral("Rapport/Historique/");
}

} // namespace ProgramPaths
