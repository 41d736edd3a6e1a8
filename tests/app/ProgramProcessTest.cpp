// The built program run as a process, as its users run it: the command line in an English
// session without any display, a copy in a writable folder, and a program installed in a
// folder the user cannot write, with his own home and the IT department's preset.
//
// Installed runs are an unprivileged user's: when the tests run as root (whom no permission
// stops), the program runs as nobody through setpriv; otherwise the program's folder is made
// read-only.

#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString BuiltProgram = QStringLiteral(CORDALIS_PROGRAM);
// Debian's nobody and nogroup.
constexpr int Nobody = 65534;

bool AsRoot()
{
    return ::geteuid() == 0;
}

// Every file and folder under a folder, relative to it, folders ending with '/'.
QStringList Tree(const QString& folder)
{
    QStringList entries;
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    std::function<void(const QString&)> walk = [&](const QString& current) {
        for (const QFileInfo& info : QDir(current).entryInfoList(
                 QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                 QDir::Name)) {
            entries << info.filePath().mid(base.size()) + (info.isDir() ? "/" : "");
            if (info.isDir() && !info.isSymLink())
                walk(info.filePath());
        }
    };
    walk(base);
    return entries;
}

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A session as a timer or an ssh login gives it: English locale, no display, and the xcb
// platform, so that a program creating a GUI application would fail at once.
QProcessEnvironment BareSession()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "HOME" ||
            name.startsWith("XDG_") || name.startsWith("LC_") || name == "LANG" ||
            name == "LANGUAGE")
            environment.remove(name);
    }
    environment.insert("LANG", "C");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    return environment;
}

void Start(QProcess& process, const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment, bool unprivileged)
{
    process.setProcessEnvironment(environment);
    if (unprivileged && AsRoot()) {
        process.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                             "--", program} +
                                     arguments);
    } else {
        process.start(program, arguments);
    }
    ASSERT_TRUE(process.waitForStarted(30000)) << qPrintable(process.errorString());
}

Result RunToEnd(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment = BareSession(), bool unprivileged = false)
{
    QProcess process;
    Result result;
    Start(process, program, arguments, environment, unprivileged);
    EXPECT_TRUE(process.waitForFinished(60000));
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// A program installed in root/usr/lib/cordalis/ (a folder its user cannot write), the user's
// home root/home/, and the IT department's configuration folder root/etc/xdg/.
class Installed : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        // The temporary folder is private to its creator; nobody must be able to walk it.
        ASSERT_TRUE(QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ReadOther |
                                                            QFile::ExeOther));
        programFolder_ = Path("usr/lib/cordalis");
        program_ = programFolder_ + "/Cordalis";
        ASSERT_TRUE(QDir().mkpath(programFolder_));
        ASSERT_TRUE(QFile::copy(BuiltProgram, program_));
        ASSERT_TRUE(QDir().mkpath(Path("home")));
        GiveToUser(Path("home"));
    }

    void TearDown() override
    {
        // So that the temporary folder can be removed.
        QFile::setPermissions(programFolder_,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(Path("home"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString Path(const QString& relative) const { return root_.filePath(relative); }

    // The folder and everything in it become the test user's.
    void GiveToUser(const QString& path) const
    {
        if (!AsRoot())
            return;
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), Nobody, Nobody), 0);
        if (QFileInfo(path).isDir()) {
            for (const QString& entry :
                 QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                GiveToUser(path + "/" + entry);
        }
    }

    // The program's folder, read-only for its user, as installed by root.
    void Protect() const
    {
        if (!AsRoot()) {
            ASSERT_TRUE(QFile::setPermissions(programFolder_, QFile::ReadOwner | QFile::ExeOwner |
                                                                  QFile::ReadOther |
                                                                  QFile::ExeOther));
        }
    }

    QProcessEnvironment Session() const
    {
        QProcessEnvironment environment = BareSession();
        environment.insert("HOME", Path("home"));
        // Where Qt and fontconfig keep their run-time and cache files: in the home too.
        environment.insert("XDG_RUNTIME_DIR", Path("home/.run"));
        environment.insert("XDG_CACHE_HOME", Path("home/.cache"));
        environment.insert("XDG_CONFIG_DIRS", Path("etc/xdg"));
        return environment;
    }

    // Starts the window offscreen as the user, waits until ready() holds, then ends it.
    // False when the program ended by itself or ready() never held.
    bool RunWindowUntil(const QProcessEnvironment& environment, const std::function<bool()>& ready,
                        int milliseconds = 60000)
    {
        QProcessEnvironment offscreen = environment;
        offscreen.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess process;
        Start(process, program_, {}, offscreen, true);
        bool held = false;
        const QDeadlineTimer deadline(milliseconds);
        while (!held && !deadline.hasExpired() && process.state() == QProcess::Running) {
            held = ready();
            if (!held)
                process.waitForFinished(100);
        }
        const bool running = process.state() == QProcess::Running;
        process.kill();
        process.waitForFinished(30000);
        EXPECT_TRUE(running) << "the program ended by itself: "
                             << process.readAllStandardError().constData();
        return held && running;
    }

    QTemporaryDir root_;
    QString programFolder_;
    QString program_;
};

} // namespace

TEST(Program, HelpAndCommandLineErrorsNeedNoDisplay)
{
    const Result help = RunToEnd(BuiltProgram, {"--help"});
    EXPECT_EQ(help.exitCode, 0) << qPrintable(help.err);
    EXPECT_TRUE(help.out.startsWith("Utilisation : cordalis [OPTION]\n")) << qPrintable(help.out);
    EXPECT_TRUE(help.err.isEmpty()) << qPrintable(help.err);

    for (const QStringList& arguments :
         {QStringList{"--bogus"}, QStringList{"--version", "--bogus"}, QStringList{"rapport"}}) {
        const Result error = RunToEnd(BuiltProgram, arguments);
        EXPECT_EQ(error.exitCode, 2);
        EXPECT_TRUE(error.out.isEmpty());
        EXPECT_EQ(error.err.count('\n'), 1) << qPrintable(error.err);
        EXPECT_TRUE(error.err.startsWith("cordalis : ")) << qPrintable(error.err);
        EXPECT_TRUE(error.err.contains("« " + arguments.last() + " »")) << qPrintable(error.err);
    }
}

TEST(Program, ACopiedProgramKeepsEverythingBesideItself)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString program = folder.filePath("Cordalis");
    ASSERT_TRUE(QFile::copy(BuiltProgram, program));
    const QString base = QDir(folder.path()).canonicalPath() + "/";

    QProcessEnvironment environment = BareSession();
    environment.insert("HOME", folder.filePath("ailleurs"));
    const Result version = RunToEnd(program, {"--version"}, environment);
    EXPECT_EQ(version.exitCode, 0) << qPrintable(version.err);
    EXPECT_TRUE(version.err.isEmpty()) << qPrintable(version.err);
    EXPECT_EQ(version.out.section('\n', 1),
              "Mode : portable (tout à côté du programme)\n"
              "Fichier de réglages : " +
                  base +
                  "Cordalis.ini\n"
                  "  (absent : aucun réglage)\n"
                  "Dossier des tables (alias QuillfenAdministration) : " +
                  base +
                  "QuillfenAdministration/\n"
                  "Dossier de préparation : " +
                  base +
                  "preparer/\n"
                  "Rapports téléchargés : " +
                  base +
                  "Rapport/\n"
                  "Formats régionaux : fr_FR\n");
    EXPECT_EQ(Tree(folder.path()), QStringList({"Cordalis"}));
}

TEST_F(Installed, VersionNamesTheUsersFoldersAndThePresetAndWritesNothing)
{
    WriteFile(Path("etc/xdg/Cordalis/Cordalis.ini"),
              "[Alias]\nQuillfenAdministration=/srv/tables\n[Cordalis]\nRegional=fr_BE\n");
    Protect();
    QProcessEnvironment environment = Session();
    // Empty and relative values are ignored: the defaults under HOME apply.
    environment.insert("XDG_CONFIG_HOME", "");
    environment.insert("XDG_DATA_HOME", "share");
    const Result version = RunToEnd(program_, {"--version"}, environment, true);
    EXPECT_EQ(version.exitCode, 0) << qPrintable(version.err);
    EXPECT_TRUE(version.err.isEmpty()) << qPrintable(version.err);
    const QString home = Path("home");
    EXPECT_EQ(version.out.section('\n', 1),
              "Mode : installé (dossiers de l'utilisateur)\n"
              "Fichier de réglages : " +
                  home +
                  "/.config/Cordalis/Cordalis.ini\n"
                  "  (absent : le premier démarrage copiera " +
                  Path("etc/xdg/Cordalis/Cordalis.ini") +
                  ")\n"
                  "Dossier des tables (alias QuillfenAdministration) : /srv/tables/\n"
                  "Dossier de préparation : " +
                  home +
                  "/.local/share/Cordalis/preparer/\n"
                  "Rapports téléchargés : " +
                  home +
                  "/.local/share/Cordalis/Rapport/\n"
                  "Formats régionaux : fr_BE\n");
    EXPECT_EQ(Tree(home), QStringList());
    EXPECT_EQ(Tree(programFolder_), QStringList({"Cordalis"}));
}

TEST_F(Installed, FirstStartTakesThePresetAndWritesOnlyInTheUsersFolders)
{
    const QByteArray preset = "[Alias]\r\nQuillfenAdministration=/srv/tables\r\n"
                              "[Cordalis]\r\nMessage=1\r\nTypeEnvoi=FTP\r\n"
                              "[Cordalis_FTP]\r\nHost=ftp.example\r\nMdp=secret\r\n";
    WriteFile(Path("etc/xdg/Cordalis/Cordalis.ini"), preset);
    const QDateTime presetTime = QFileInfo(Path("etc/xdg/Cordalis/Cordalis.ini")).lastModified();
    Protect();
    QProcessEnvironment environment = Session();
    environment.insert("XDG_CONFIG_HOME", Path("home/config"));
    environment.insert("XDG_DATA_HOME", Path("home/data"));

    // The window creates preparer/ once it is built, after the settings were prepared.
    const QString ini = Path("home/config/Cordalis/Cordalis.ini");
    ASSERT_TRUE(RunWindowUntil(
        environment, [&] { return QFileInfo(Path("home/data/Cordalis/preparer")).isDir(); }));
    EXPECT_EQ(ReadFile(ini), preset);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    if (AsRoot()) {
        EXPECT_EQ(info.st_uid, uid_t(Nobody));
    }
    EXPECT_EQ(ReadFile(Path("etc/xdg/Cordalis/Cordalis.ini")), preset);
    EXPECT_EQ(QFileInfo(Path("etc/xdg/Cordalis/Cordalis.ini")).lastModified(), presetTime);
    EXPECT_EQ(Tree(programFolder_), QStringList({"Cordalis"}));
    EXPECT_EQ(Tree(Path("home/config")), QStringList({"Cordalis/", "Cordalis/Cordalis.ini"}));
    EXPECT_EQ(Tree(Path("home/data")), QStringList({"Cordalis/", "Cordalis/preparer/"}));
}

TEST_F(Installed, AnUnreadablePresetOrAHomeThatCannotBeWrittenStartsWithoutSettings)
{
    WriteFile(Path("etc/xdg/Cordalis/Cordalis.ini"), "[Cordalis]\nMessage=1\n");
    ASSERT_TRUE(QFile::setPermissions(Path("etc/xdg/Cordalis/Cordalis.ini"), {}));
    Protect();
    // An unprivileged user cannot read the preset: he starts with nothing, as without one.
    ASSERT_TRUE(RunWindowUntil(
        Session(), [&] { return QFileInfo(Path("home/.local/share/Cordalis/preparer")).isDir(); }));
    EXPECT_FALSE(QFileInfo::exists(Path("home/.config/Cordalis/Cordalis.ini")));
    EXPECT_TRUE(QFileInfo(Path("home/.config/Cordalis")).isDir());

    // A home he cannot write: the window still comes up (it stays running), and nothing is
    // written anywhere; the actions then fail with their usual messages.
    ASSERT_TRUE(QFile::setPermissions(Path("etc/xdg/Cordalis/Cordalis.ini"),
                                      QFile::ReadOwner | QFile::ReadOther));
    QDir(Path("home")).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(Path("home/.run")));
    ASSERT_TRUE(QFile::setPermissions(Path("home/.run"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    GiveToUser(Path("home/.run"));
    if (!AsRoot()) {
        ASSERT_TRUE(QFile::setPermissions(Path("home"), QFile::ReadOwner | QFile::ExeOwner));
    }
    QDeadlineTimer settle(3000);
    EXPECT_TRUE(RunWindowUntil(Session(), [&] { return settle.hasExpired(); }));
    EXPECT_EQ(Tree(Path("home")), QStringList({".run/"}));
    EXPECT_EQ(Tree(programFolder_), QStringList({"Cordalis"}));
}

// The installation rules, into a folder of the test's own: the program, the command beside
// the other commands, a desktop entry and an AppStream file that the desktop's own checkers
// accept, and nothing to write beside the program.
TEST_F(Installed, TheInstallationRunsAsAnInstalledProgramAndItsDesktopFilesValidate)
{
    const QString prefix = Path("usr");
    const Result install =
        RunToEnd(CORDALIS_CMAKE, {"--install", CORDALIS_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitCode, 0) << qPrintable(install.out + install.err);
    const QString entry = prefix + "/share/applications/fr.cordalis.Cordalis.desktop";
    const QString metainfo = prefix + "/share/metainfo/fr.cordalis.Cordalis.metainfo.xml";
    EXPECT_EQ(Tree(programFolder_), QStringList({"Cordalis"}));
    EXPECT_EQ(QFileInfo(prefix + "/bin/cordalis").symLinkTarget(), program_);
    EXPECT_TRUE(QFileInfo::exists(prefix + "/share/icons/hicolor/scalable/apps/cordalis.svg"));
    const QString desktop = QString::fromUtf8(ReadFile(entry));
    EXPECT_TRUE(desktop.contains("\nExec=" + program_ + "\n")) << qPrintable(desktop);
    EXPECT_TRUE(desktop.contains("\nComment=Prépare et envoie")) << qPrintable(desktop);
    EXPECT_TRUE(QString::fromUtf8(ReadFile(metainfo))
                    .contains("<launchable type=\"desktop-id\">fr.cordalis.Cordalis.desktop"));

    // Started as a command by a user who cannot write there: his own folders.
    Protect();
    const Result version = RunToEnd(prefix + "/bin/cordalis", {"--version"}, Session(), true);
    EXPECT_EQ(version.exitCode, 0) << qPrintable(version.err);
    EXPECT_TRUE(version.out.contains("Mode : installé")) << qPrintable(version.out);
    EXPECT_TRUE(version.out.contains(Path("home/.config/Cordalis/Cordalis.ini")));

    const QString desktopCheck = QStandardPaths::findExecutable("desktop-file-validate");
    const QString appstreamCheck = QStandardPaths::findExecutable("appstreamcli");
    if (desktopCheck.isEmpty() || appstreamCheck.isEmpty())
        GTEST_SKIP() << "desktop-file-validate or appstreamcli is missing (packages "
                        "desktop-file-utils, appstream): the files were not checked";
    const Result desktopResult = RunToEnd(desktopCheck, {entry});
    EXPECT_EQ(desktopResult.exitCode, 0);
    // Clean: not even a hint.
    EXPECT_EQ(desktopResult.out + desktopResult.err, "");
    for (const QStringList& arguments : {QStringList{"validate", "--no-net", metainfo},
                                         QStringList{"validate-tree", "--no-net", Path("")}}) {
        const Result appstream = RunToEnd(appstreamCheck, arguments);
        EXPECT_EQ(appstream.exitCode, 0) << qPrintable(appstream.out + appstream.err);
    }
}
