#include "ProgramPaths.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace ProgramPaths {
namespace {

const QString IniName = QStringLiteral("Cordalis.ini");
const QString ProgramFolderName = QStringLiteral("Cordalis");

Layout& current()
{
    static Layout layout;
    return layout;
}

// The folder in '/' separators, cleaned, with its trailing '/'.
QString Folder(const QString& path)
{
    QString folder = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The XDG rules take a variable into account only when it holds an absolute path.
bool Usable(const QString& value)
{
    return !value.isEmpty() && QDir::isAbsolutePath(value);
}

QString XdgFolder(const QString& value, const QString& home, const QString& defaultUnderHome)
{
    return Folder(Usable(value) ? value : home + QLatin1Char('/') + defaultUnderHome);
}

// The first Cordalis/Cordalis.ini of the configuration folders, in their order of
// importance; empty when none holds one.
QString FindPreset(const QString& configDirs)
{
    QStringList folders;
    for (const QString& folder : configDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (Usable(folder))
            folders << folder;
    }
    if (folders.isEmpty())
        folders << QStringLiteral("/etc/xdg");
    for (const QString& folder : std::as_const(folders)) {
        const QFileInfo preset(Folder(folder) + ProgramFolderName + QLatin1Char('/') + IniName);
        if (preset.exists() && !preset.isDir())
            return preset.filePath();
    }
    return QString();
}

// Creates the folder and its missing parents, each new one readable by its owner only.
bool MakePrivateFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(QDir::cleanPath(folder)).path();
    if (parent == QDir::cleanPath(folder) || !MakePrivateFolder(parent))
        return false;
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(folder).isDir();
}

// Copies the preset as the user's settings file: owner only (it holds passwords), and whole
// or not at all.
void CopyPreset(const QString& preset, const QString& target)
{
    QFile source(preset);
    if (!source.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return;
    WriteFileAtomically(target, content, nullptr, NewFileAccess::OwnerOnly);
}

} // namespace

Environment Environment::OfProcess()
{
    Environment environment;
    environment.Home = qEnvironmentVariable("HOME");
    environment.XdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    environment.XdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    environment.XdgConfigDirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
#ifdef Q_OS_UNIX
    if (!Usable(environment.Home)) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir)
            environment.Home = QFile::decodeName(user->pw_dir);
    }
#else
    if (!Usable(environment.Home))
        environment.Home = QDir::homePath();
#endif
    return environment;
}

ExecutableFolder ExecutableFolder::Examine(const QString& path)
{
    const QString folder = Folder(path);
    // Writable as the system decides for this user (access(2)): permissions, ACLs and
    // read-only mounts all count. /usr is the system's own tree, which only the package
    // manager writes: root may write there, but a program started by root from its package
    // must not fill /usr/lib/cordalis/ (a settings file left there would turn every user's
    // program portable in a folder he cannot write).
    const bool systemTree = folder.startsWith(QLatin1String("/usr/"));
    return {folder, QFileInfo::exists(folder + IniName),
            !systemTree && QFileInfo(folder).isWritable()};
}

Layout Decide(const QString& executableFolder, const Environment& environment)
{
    return Decide(ExecutableFolder::Examine(executableFolder), environment);
}

Layout Decide(const ExecutableFolder& folder, const Environment& environment)
{
    Layout layout;
    layout.RepertoireExe = Folder(folder.Path);
    if (folder.HoldsSettingsFile || folder.Writable) {
        layout.Mode = InstallMode::Portable;
        layout.ConfigFolder = layout.RepertoireExe;
        layout.DataFolder = layout.RepertoireExe;
    } else {
        layout.Mode = InstallMode::Installed;
        layout.ConfigFolder =
            XdgFolder(environment.XdgConfigHome, environment.Home, QStringLiteral(".config")) +
            ProgramFolderName + QLatin1Char('/');
        layout.DataFolder =
            XdgFolder(environment.XdgDataHome, environment.Home, QStringLiteral(".local/share")) +
            ProgramFolderName + QLatin1Char('/');
        layout.PresetFile = FindPreset(environment.XdgConfigDirs);
    }
    layout.FichierIni = layout.ConfigFolder + IniName;
    layout.DossierPreparation = layout.DataFolder + QStringLiteral("preparer/");
    layout.RepertoireRapport = layout.DataFolder + QStringLiteral("Rapport/");
    layout.RepertoireHistorique = layout.RepertoireRapport + QStringLiteral("Historique/");
    return layout;
}

void Init(const Layout& layout)
{
    current() = layout;
}

void Init(const QString& executableFolder)
{
    Init(Decide(executableFolder, Environment::OfProcess()));
}

void PrepareUserFolders()
{
    const Layout& layout = current();
    if (layout.Mode != InstallMode::Installed)
        return;
    const bool configFolder = MakePrivateFolder(layout.ConfigFolder);
    MakePrivateFolder(layout.DataFolder);
    if (configFolder && !layout.PresetFile.isEmpty() && !QFileInfo::exists(layout.FichierIni))
        CopyPreset(layout.PresetFile, layout.FichierIni);
}

QString VersionExport()
{
    return QStringLiteral("1.0");
}
QString RepertoireExe()
{
    return current().RepertoireExe;
}
QString DataFolder()
{
    return current().DataFolder;
}
QString DossierPreparation()
{
    return current().DossierPreparation;
}
QString FichierIni()
{
    return current().FichierIni;
}
QString RepertoireRapport()
{
    return current().RepertoireRapport;
}
QString RepertoireHistorique()
{
    return current().RepertoireHistorique;
}

} // namespace ProgramPaths
