#pragma once

#include <QString>

// The folder of the database alias QuillfenAdministration: the value of key
// "QuillfenAdministration" in section "Alias" of the settings file when present and not
// empty, otherwise the folder "QuillfenAdministration/" beside the program. Always ends with
// a separator.
QString AliasFolder(const QString& iniFile, const QString& programFolder);
