#pragma once

#include <QString>

// The folder of the database alias QuillfenAdministration: the value of key
// "QuillfenAdministration" in section "Alias" of the settings file when present and not
// empty, otherwise the folder "QuillfenAdministration/" of the program's data folder
// (ProgramPaths::DataFolder(): beside the program when it is portable). A relative value is
// taken from the data folder too. Always ends with a separator.
QString AliasFolder(const QString& iniFile, const QString& dataFolder);
