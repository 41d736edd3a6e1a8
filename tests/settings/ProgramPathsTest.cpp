// Where the program keeps its files: beside itself when portable, in the user's XDG folders
// when installed, with the IT department's preset as a new user's first settings file.

#include "ProgramPaths.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ProgramPaths;

namespace {

// The permission bits of a file or folder.
int Mode(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

class ProgramPathsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(root_.isValid()); }

    QString Path(const QString& relative) const { return root_.filePath(relative); }
    QString Folder(const QString& relative) const { return Path(relative) + QLatin1Char('/'); }

    void Write(const QString& relative, const QByteArray& content) const
    {
        WriteFile(Path(relative), content);
    }

    // An executable folder the user cannot write, without Cordalis.ini: as under /usr/lib.
    ExecutableFolder SystemFolder() const { return {Folder("usr/lib/cordalis"), false, false}; }
    Environment Home() const { return {Path("home"), {}, {}, {}}; }

    // Every file and folder under the temporary root, relative to it.
    QStringList Tree() const
    {
        QStringList entries;
        const QString base = root_.path() + QLatin1Char('/');
        std::function<void(const QString&)> walk = [&](const QString& folder) {
            for (const QFileInfo& info : QDir(folder).entryInfoList(
                     QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
                entries << info.filePath().mid(base.size()) + (info.isDir() ? "/" : "");
                if (info.isDir())
                    walk(info.filePath());
            }
        };
        walk(root_.path());
        return entries;
    }

    QTemporaryDir root_;
};

TEST_F(ProgramPathsTest, PortableWhenTheFolderIsWritableOrHoldsTheSettingsFile)
{
    Write("etc/Cordalis/Cordalis.ini", "[Alias]\n");
    const Environment environment{Path("home"), Path("config"), Path("data"), Path("etc")};
    const QString exe = Folder("copie");
    for (const ExecutableFolder& folder :
         {ExecutableFolder{exe, false, true}, ExecutableFolder{exe, true, false}}) {
        const Layout layout = Decide(folder, environment);
        EXPECT_EQ(layout.Mode, InstallMode::Portable);
        EXPECT_EQ(layout.RepertoireExe, exe);
        EXPECT_EQ(layout.FichierIni, exe + "Cordalis.ini");
        EXPECT_EQ(layout.DossierPreparation, exe + "preparer/");
        EXPECT_EQ(layout.RepertoireRapport, exe + "Rapport/");
        EXPECT_EQ(layout.RepertoireHistorique, exe + "Rapport/Historique/");
        EXPECT_EQ(layout.DataFolder, exe);
        EXPECT_TRUE(layout.PresetFile.isEmpty()) << "a portable folder never takes a preset";
    }

    // The folder as the system sees it, with or without the trailing separator.
    ASSERT_TRUE(QDir().mkpath(exe));
    EXPECT_TRUE(ExecutableFolder::Examine(Path("copie")).Writable);
    EXPECT_FALSE(ExecutableFolder::Examine(Path("copie")).HoldsSettingsFile);
    Write("copie/Cordalis.ini", "");
    EXPECT_TRUE(ExecutableFolder::Examine(exe).HoldsSettingsFile);
    EXPECT_EQ(ExecutableFolder::Examine(Path("copie")).Path, exe);
    // The system's tree is never the user's to write, even for root.
    EXPECT_FALSE(ExecutableFolder::Examine("/usr/bin").Writable);
    // Init from a folder: a writable temporary folder stays portable, as the tests rely on.
    Init(Path("copie"));
    EXPECT_EQ(FichierIni(), exe + "Cordalis.ini");
    EXPECT_EQ(DataFolder(), exe);
}

TEST_F(ProgramPathsTest, InstalledFollowsXdgAndIgnoresEmptyOrRelativeValues)
{
    const QString home = Path("home");
    // Defaults under HOME when the variables are unset, empty or relative.
    for (const Environment& environment :
         {Home(), Environment{home, "", "", ""},
          Environment{home, "relative/config", "./data", "etc/xdg:also/relative"}}) {
        const Layout layout = Decide(SystemFolder(), environment);
        EXPECT_EQ(layout.Mode, InstallMode::Installed);
        EXPECT_EQ(layout.RepertoireExe, Folder("usr/lib/cordalis"));
        EXPECT_EQ(layout.ConfigFolder, home + "/.config/Cordalis/");
        EXPECT_EQ(layout.FichierIni, home + "/.config/Cordalis/Cordalis.ini");
        EXPECT_EQ(layout.DataFolder, home + "/.local/share/Cordalis/");
        EXPECT_EQ(layout.DossierPreparation, home + "/.local/share/Cordalis/preparer/");
        EXPECT_EQ(layout.RepertoireRapport, home + "/.local/share/Cordalis/Rapport/");
        EXPECT_EQ(layout.RepertoireHistorique, home + "/.local/share/Cordalis/Rapport/Historique/");
    }

    // Absolute values are taken as they are, cleaned.
    const Layout layout =
        Decide(SystemFolder(), {home, Path("cfg") + "//", Path("share/./x/.."), {}});
    EXPECT_EQ(layout.FichierIni, Path("cfg/Cordalis/Cordalis.ini"));
    EXPECT_EQ(layout.DossierPreparation, Path("share/Cordalis/preparer/"));
}

TEST_F(ProgramPathsTest, ThePresetIsTheFirstOfTheConfigurationFolders)
{
    Write("b/Cordalis/Cordalis.ini", "[Alias]\nQuillfenAdministration=/b\n");
    Write("c/Cordalis/Cordalis.ini", "[Alias]\nQuillfenAdministration=/c\n");
    ASSERT_TRUE(QDir().mkpath(Path("a/Cordalis/Cordalis.ini"))); // a folder is no preset

    Environment environment = Home();
    environment.XdgConfigDirs = "relative/b:" + Path("a") + "::" + Path("b") + ":" + Path("c");
    EXPECT_EQ(Decide(SystemFolder(), environment).PresetFile, Path("b/Cordalis/Cordalis.ini"));
    environment.XdgConfigDirs = Path("none") + ":" + Path("c") + "/";
    EXPECT_EQ(Decide(SystemFolder(), environment).PresetFile, Path("c/Cordalis/Cordalis.ini"));
    environment.XdgConfigDirs = Path("none");
    EXPECT_TRUE(Decide(SystemFolder(), environment).PresetFile.isEmpty());
    // Without a usable value the system's /etc/xdg is the one place looked at.
    environment.XdgConfigDirs = "relative";
    const QString preset = Decide(SystemFolder(), environment).PresetFile;
    EXPECT_TRUE(preset.isEmpty() || preset == "/etc/xdg/Cordalis/Cordalis.ini")
        << qPrintable(preset);
}

TEST_F(ProgramPathsTest, FirstStartCopiesThePresetPrivatelyAndNeverTouchesIt)
{
    const QByteArray content = "[Alias]\r\nQuillfenAdministration=/srv/tables\r\n"
                               "[Cordalis_FTP]\r\nMdp=s\xe9"
                               "cret\r\n";
    Write("etc/Cordalis/Cordalis.ini", content);
    const QString preset = Path("etc/Cordalis/Cordalis.ini");
    ASSERT_TRUE(QFile::setPermissions(preset, QFile::ReadOwner | QFile::ReadGroup |
                                                  QFile::ReadOther | QFile::WriteOwner));
    const QDateTime presetTime = QFileInfo(preset).lastModified();

    Environment environment = Home();
    environment.XdgConfigDirs = Path("etc");
    Init(Decide(SystemFolder(), environment));
    PrepareUserFolders();

    EXPECT_EQ(ReadFile(FichierIni()), content);
    EXPECT_EQ(Mode(FichierIni()), 0600) << "the settings may hold passwords";
    for (const QString& folder : {Path("home/.config"), Path("home/.config/Cordalis"),
                                  Path("home/.local/share/Cordalis")}) {
        EXPECT_TRUE(QFileInfo(folder).isDir()) << qPrintable(folder);
        EXPECT_EQ(Mode(folder), 0700) << qPrintable(folder);
    }
    EXPECT_EQ(ReadFile(preset), content);
    EXPECT_EQ(QFileInfo(preset).lastModified(), presetTime);

    // The user's own file, once there, is never replaced by the preset again.
    Write("home/.config/Cordalis/Cordalis.ini", "[Cordalis]\nMessage=1\n");
    PrepareUserFolders();
    EXPECT_EQ(ReadFile(FichierIni()), "[Cordalis]\nMessage=1\n");
    EXPECT_EQ(Tree(), QStringList({"etc/", "etc/Cordalis/", "etc/Cordalis/Cordalis.ini", "home/",
                                   "home/.config/", "home/.config/Cordalis/",
                                   "home/.config/Cordalis/Cordalis.ini", "home/.local/",
                                   "home/.local/share/", "home/.local/share/Cordalis/"}));
}

TEST_F(ProgramPathsTest, AHomeThatCannotTakeTheFoldersWritesNothingElsewhere)
{
    // ~/.config is a file: no folder can be made under it, whoever runs the test.
    Write("home/.config", "not a folder");
    Write("etc/Cordalis/Cordalis.ini", "[Cordalis]\nMessage=1\n");
    Environment environment = Home();
    environment.XdgConfigDirs = Path("etc");
    Init(Decide(SystemFolder(), environment));
    PrepareUserFolders();
    EXPECT_FALSE(QFileInfo::exists(FichierIni()));
    EXPECT_EQ(Tree(), QStringList({"etc/", "etc/Cordalis/", "etc/Cordalis/Cordalis.ini", "home/",
                                   "home/.config", "home/.local/", "home/.local/share/",
                                   "home/.local/share/Cordalis/"}));

    // Portable: nothing is prepared here (the window makes preparer/ as it always has).
    Init(Decide(ExecutableFolder{Folder("copie"), false, true}, environment));
    PrepareUserFolders();
    EXPECT_FALSE(QFileInfo::exists(Path("copie")));
}

TEST_F(ProgramPathsTest, AProcessWithoutHomeTakesTheUsersHomeFolder)
{
    const QByteArray saved = qgetenv("HOME");
    qputenv("HOME", "relative/home");
    const Environment environment = Environment::OfProcess();
    qputenv("HOME", saved);
    EXPECT_TRUE(QDir::isAbsolutePath(environment.Home)) << qPrintable(environment.Home);
    EXPECT_TRUE(QFileInfo(environment.Home).isDir()) << qPrintable(environment.Home);
}

} // namespace
