#include "AliasFolder.h"

#include "TIniFile.h"

#include <QDir>
#include <QFileInfo>

QString AliasFolder(const QString& iniFile, const QString& dataFolder)
{
    QString folder;
    if (QFileInfo::exists(iniFile))
        folder = TIniFile(iniFile).ReadString(QStringLiteral("Alias"),
                                              QStringLiteral("QuillfenAdministration"), QString());
    const QDir base(dataFolder);
    if (folder.isEmpty())
        folder = base.filePath(QStringLiteral("QuillfenAdministration"));
    else
        // A relative folder is taken from the data folder, never the working directory.
        folder = base.filePath(QDir::fromNativeSeparators(folder));
    folder = QDir::cleanPath(folder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
