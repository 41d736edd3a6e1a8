#include "ProgramStart.h"

#include "ConfigCordalis.h"
#include "QtTranslation.h"
#include "Regional.h"

#include <QFileInfo>

RegionalChoice ChooseRegional(const QString& settingsFile)
{
    RegionalChoice choice{Regional::FrenchLocale(), QString()};
    if (settingsFile.isEmpty())
        return choice;
    const QString name = LireConfigCordalis(settingsFile).Regional;
    if (name.isEmpty())
        return choice;
    if (const std::optional<QLocale> locale = Regional::LocaleNamed(name))
        choice.Locale = *locale;
    else
        choice.UnknownName = name;
    return choice;
}

QString SettingsSource(const ProgramPaths::Layout& layout)
{
    if (QFileInfo::exists(layout.FichierIni))
        return layout.FichierIni;
    return layout.PresetFile;
}

QString StartProgram(const QString& executableFolder)
{
    InstallQtFrenchTranslation();
    ProgramPaths::Init(executableFolder);
    ProgramPaths::PrepareUserFolders();

    // Read once: the formats of the reports and exports do not change while the program runs.
    const RegionalChoice regional = ChooseRegional(ProgramPaths::FichierIni());
    Regional::SetLocale(regional.Locale);
    QLocale::setDefault(regional.Locale);
    if (regional.UnknownName.isEmpty())
        return QString();
    return QStringLiteral("La clé Regional de la section [Cordalis] vaut « %1 », qui ne désigne "
                          "aucun format régional connu : les formats français (fr_FR) sont "
                          "utilisés.")
        .arg(regional.UnknownName);
}
