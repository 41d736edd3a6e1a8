#pragma once

#include "ProgramPaths.h"

#include <QLocale>
#include <QString>

// What every way of running the program does first, once its application object exists and
// before any window or dialog: Qt's texts in French, where its files live, the user's first
// settings file, the regional formats.

// The regional formats the settings file chooses (key "Regional" of [Cordalis]): French when
// the file or the key is absent or empty. A value that names no known locale leaves French
// and is given back in UnknownName, for the user to be told.
struct RegionalChoice
{
    QLocale Locale;
    QString UnknownName;
};
RegionalChoice ChooseRegional(const QString& settingsFile);

// The settings file the program will read: the user's own, or, installed and without one
// yet, the preset it will start with. Empty when there is neither.
QString SettingsSource(const ProgramPaths::Layout& layout);

// Installs Qt's French translation, fixes the paths for an executable in that folder (under
// this process's environment), prepares the user's folders and first settings file, and sets
// the regional formats from the settings (also as Qt's default locale, for the dates Qt's
// own dialogs show). Returns the French message to show when the settings name an unknown
// regional format, otherwise an empty text.
QString StartProgram(const QString& executableFolder);
