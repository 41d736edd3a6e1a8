#pragma once

#include <QString>

// Where the program's files live: decided once at start-up, read-only afterwards. Nothing
// else computes a path from the executable.
//
// - Portable (as on Windows, the demo, a copied folder): the executable's folder holds
//   Cordalis.ini or the user may write into it. Everything lives there: Cordalis.ini,
//   preparer/, Rapport/ and the default alias folder QuillfenAdministration/, whatever the
//   working directory.
// - Installed (a folder only root may write, such as /usr/lib/cordalis/, and anything under
//   /usr, even for root): the user's own folders, by the XDG base directory rules. The settings
//   file is $XDG_CONFIG_HOME/Cordalis/Cordalis.ini (default ~/.config/), the rest lives in
//   $XDG_DATA_HOME/Cordalis/ (default ~/.local/share/). When the user has no settings file
//   yet, the first Cordalis/Cordalis.ini found in $XDG_CONFIG_DIRS (default /etc/xdg), the IT
//   department's preset, is copied as his first one; the preset itself is never written.
//
// Plain classes take the paths they need through their constructor; only forms and the
// program's start read these.
namespace ProgramPaths {

enum class InstallMode
{
    Portable,
    Installed
};

// The environment variables the decision reads. An empty or relative value is ignored (the
// default applies), as the XDG rules say.
struct Environment
{
    QString Home;
    QString XdgConfigHome;
    QString XdgDataHome;
    QString XdgConfigDirs; // folders separated by ':', the most important first

    // This process's variables; without a usable HOME, the user's home folder from the
    // password database.
    static Environment OfProcess();
};

// Every folder ends with '/'.
struct Layout
{
    InstallMode Mode = InstallMode::Portable;
    QString RepertoireExe;        // the executable's folder
    QString ConfigFolder;         // the settings file's folder
    QString DataFolder;           // holds preparer/, Rapport/ and QuillfenAdministration/
    QString FichierIni;           // ConfigFolder + "Cordalis.ini"
    QString DossierPreparation;   // DataFolder + "preparer/"
    QString RepertoireRapport;    // DataFolder + "Rapport/"
    QString RepertoireHistorique; // DataFolder + "Rapport/Historique/"
    // Installed mode: the preset settings file, when one of XDG_CONFIG_DIRS holds one
    // (whether or not it can be read); empty otherwise.
    QString PresetFile;
};

// What the decision looks at in the executable's folder.
struct ExecutableFolder
{
    QString Path;
    bool HoldsSettingsFile = false; // Cordalis.ini is there
    bool Writable = false;          // by the user running the program, never under /usr

    static ExecutableFolder Examine(const QString& path);
};

// Decides the mode and every path. Looks for the presets in the file system; writes nothing.
Layout Decide(const ExecutableFolder& folder, const Environment& environment);
// Decide(ExecutableFolder::Examine(executableFolder), environment).
Layout Decide(const QString& executableFolder, const Environment& environment);

// Fixes the program-wide values.
void Init(const Layout& layout);
// Init(Decide(executableFolder, Environment::OfProcess())).
void Init(const QString& executableFolder);

// Installed mode: creates the user's settings and data folders when missing (0700, as the
// XDG rules ask for the folders they create), then, when the user has no settings file yet,
// copies the preset as his first one (0600: it may hold passwords). A preset that cannot be
// read is not copied: the program starts with no settings, as without a preset. Failures are
// not reported here; they show as the usual messages when the program first writes there.
// Portable mode: nothing (the main window creates preparer/, as it always has).
void PrepareUserFolders();

// "1.0": the layout version written into every export file.
QString VersionExport();
// The executable's folder, with its trailing separator.
QString RepertoireExe();
// The folder of the default alias folder "QuillfenAdministration/" and of a relative alias.
QString DataFolder();
QString DossierPreparation();
QString FichierIni();
// The local copies of the reports.
QString RepertoireRapport();
QString RepertoireHistorique();

} // namespace ProgramPaths
