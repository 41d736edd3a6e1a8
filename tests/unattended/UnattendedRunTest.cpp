// The runs without a window as a timer starts them: the built program as a process, with no
// display at all and no terminal, on the demo head office's tables and settings, a real target
// folder and the local FTP server. What they must produce comes from the actions the window's
// buttons run ("Générer" of each row, the report pass), called in this process.

#include "DemoHeadOffice.h"
#include "Errors.h"
#include "Exports.h"
#include "FtpClient.h"
#include "Regional.h"
#include "SessionRapport.h"
#include "TIniFile.h"
#include "TablesSiege.h"
#include "TestFiles.h"
#include "TestFtpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const QString BuiltProgram = QStringLiteral(CORDALIS_PROGRAM);
const QStringList ExportFiles = {"mes_docs.xml",     "mes_docs_type.xml",    "message.xml",
                                 "message_type.xml", "personnalisation.xml", "remise_achat.xml"};

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A timer's session: no display of any kind, the given LANG alone, no terminal.
QProcessEnvironment TimerSession(const QString& lang = "C.UTF-8")
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" ||
            name.startsWith("LC_") || name == "LANG" || name == "LANGUAGE")
            environment.remove(name);
    }
    environment.insert("LANG", lang);
    return environment;
}

void Start(QProcess& process, const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment)
{
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForStarted(30000)) << qPrintable(process.errorString());
}

Result RunProgram(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment = TimerSession())
{
    QProcess process;
    Result result;
    Start(process, program, arguments, environment);
    EXPECT_TRUE(process.waitForFinished(60000)) << qPrintable(arguments.join(' '));
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The lines of an output, each without its date and time.
QStringList Lines(const QString& output)
{
    static const QRegularExpression stamp("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d ");
    QStringList lines = output.split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines) {
        EXPECT_TRUE(line.contains(stamp) || line.startsWith("    ")) << qPrintable(line);
        line.remove(stamp);
    }
    return lines;
}

// Every file under a folder with its size and modification time.
QStringList Snapshot(const QString& folder)
{
    QStringList entries;
    const QString base = QDir(folder).absolutePath() + "/";
    std::function<void(const QString&)> walk = [&](const QString& current) {
        for (const QFileInfo& info : QDir(current).entryInfoList(
                 QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            entries << QStringLiteral("%1 %2 %3")
                           .arg(info.filePath().mid(base.size()))
                           .arg(info.size())
                           .arg(info.lastModified().toMSecsSinceEpoch());
            if (info.isDir())
                walk(info.filePath());
        }
    };
    walk(base);
    return entries;
}

QStringList FilesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// An export without the time it was written, the one thing two runs may differ in.
std::string WithoutTime(const QByteArray& bytes)
{
    static const QRegularExpression version("(<Version Numero=\"1.0\" Date=\")\\d{14}\"");
    QString text = QString::fromLatin1(bytes);
    EXPECT_TRUE(text.contains(version));
    return text.replace(version, "\\1\"").toStdString();
}

// The demo head office's tables, and the files the four "Générer" buttons write from them.
struct HeadOffice
{
    QTemporaryDir dir;
    QString tables = dir.filePath("tables");
    QString reference = dir.filePath("reference") + "/";

    HeadOffice()
    {
        WriteDemoTables(tables);
        QDir().mkpath(reference);
        const QString ini = reference + "Cordalis.ini";
        WriteDemoSettings(ini, tables, reference, {2121, 2122});
        TablesSiege siege(tables);
        const ContexteExport contexte{reference, ini, siege.PourExport(),
                                      QCoreApplication::instance()};
        VueGenerationMuette view;
        for (const ActionGeneration action :
             {GenererRemiseAchat, GenererPersonnalisation, GenererMessages, GenererDocuments})
            action(contexte, view);
    }
};

HeadOffice& Demo()
{
    static HeadOffice headOffice;
    return headOffice;
}

// A copy of the program in a folder of its own (portable: its settings, lock, preparation
// folder beside it), with the demo settings: the four rows, the demo tables, the folder
// channel on cible/ and both servers on the given ports.
class Installation
{
public:
    explicit Installation(bool withSettings = true, int ftpPort = 2121, int reportPort = 2122)
    {
        QDir().mkpath(folder);
        QDir().mkpath(cible);
        EXPECT_TRUE(QFile::copy(BuiltProgram, program));
        if (withSettings)
            WriteDemoSettings(ini, Demo().tables, cible, {ftpPort, reportPort});
    }

    void Set(const QString& section, const QString& key, const QString& value) const
    {
        TIniFile(ini).WriteString(section, key, value);
    }

    Result Run(const QStringList& arguments, const QString& lang = "C.UTF-8") const
    {
        return RunProgram(program, arguments, TimerSession(lang));
    }

    QTemporaryDir dir;
    QString folder = dir.filePath("prog");
    QString program = folder + "/Cordalis";
    QString ini = folder + "/Cordalis.ini";
    QString preparer = folder + "/preparer/";
    QString cible = dir.filePath("cible") + "/";
};

// One server for both sides: the distribution account's home is diffusion/, the report
// account's rapports/, holding the demo's twelve reports in Rapport/.
TestFtpServer::Options DemoServerOptions()
{
    TestFtpServer::Options options;
    options.extraAccounts = {
        {QString::fromLatin1(DemoFtpLogin), QString::fromLatin1(DemoFtpPassword), "diffusion"},
        {QString::fromLatin1(DemoRapportLogin), QString::fromLatin1(DemoRapportPassword),
         "rapports", true}};
    return options;
}

void ExpectTheButtonsExports(const QString& folder)
{
    ASSERT_EQ(FilesOf(folder), ExportFiles);
    for (const QString& name : ExportFiles)
        EXPECT_EQ(WithoutTime(ReadFile(folder + name)),
                  WithoutTime(ReadFile(Demo().reference + name)))
            << qPrintable(name);
}

} // namespace

TEST(Publier, WritesTheButtonsExportsAndSendsThemByFolderThenByFtpWithoutAnyDisplay)
{
    TestFtpServer server(DemoServerOptions());
    const Installation installation(true, server.port());

    // As a timer runs it: LANG=C.UTF-8, no display.
    Result run = installation.Run({"--publier"});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(run.err, "");
    const QStringList steps = Lines(run.out);
    ASSERT_EQ(steps.size(), 10) << qPrintable(run.out);
    EXPECT_TRUE(steps[1].startsWith("conditions : Générer terminé")) << qPrintable(steps[1]);
    EXPECT_TRUE(steps[1].contains("remise_achat.xml (")) << qPrintable(steps[1]);
    EXPECT_TRUE(
        steps[6].startsWith("messages : Envoyer terminé, envoyé par copie dans le dossier " +
                            installation.cible + " : message.xml, message_type.xml"))
        << qPrintable(steps[6]);
    EXPECT_EQ(steps.last(), "Publication terminée : 4 ligne(s) publiée(s) sur 4");
    ExpectTheButtonsExports(installation.preparer);
    for (const QString& name : ExportFiles)
        EXPECT_EQ(ReadFile(installation.cible + name), ReadFile(installation.preparer + name));

    // The FTP channel, under a French session this time: the same exports.
    installation.Set("Cordalis", "TypeEnvoi", "FTP");
    run = installation.Run({"--publier"}, "fr_FR.UTF-8");
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(run.err, "");
    ExpectTheButtonsExports(installation.preparer);
    // Every file whole, under its own name, nothing else left on the server.
    EXPECT_EQ(FilesOf(server.pathOf("diffusion")), ExportFiles);
    for (const QString& name : ExportFiles)
        EXPECT_EQ(server.readFile("diffusion/" + name), ReadFile(installation.preparer + name));
}

TEST(Publier, OneFailingRowStopsOnlyItselfAndEveryFailureIsSaid)
{
    // A head office whose REMISES.DB is missing.
    QTemporaryDir tables;
    for (const QString& name : QDir(Demo().tables).entryList(QDir::Files)) {
        if (!name.startsWith("REMISES.")) {
            ASSERT_TRUE(QFile::copy(Demo().tables + "/" + name, tables.filePath(name)));
        }
    }
    QString tableMessage;
    try {
        TablesSiege(tables.path() + "/").Remise.Open();
    } catch (const TableError& e) {
        tableMessage = e.text();
    }
    ASSERT_FALSE(tableMessage.isEmpty());

    const quint16 port = TestFtpServer::UnusedPort();
    const Installation installation(true, port);
    installation.Set("Alias", "QuillfenAdministration", tables.path());
    Result run = installation.Run({"--publier"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err).join('\n').toStdString(), tableMessage.toStdString());
    EXPECT_EQ(Lines(run.out).last(),
              "Publication terminée : 3 ligne(s) publiée(s) sur 4, en échec : conditions");
    QStringList sent = ExportFiles;
    sent.removeOne("remise_achat.xml");
    EXPECT_EQ(FilesOf(installation.cible), sent);

    // The distribution server down: the upload channel's connection message for each row.
    installation.Set("Cordalis", "TypeEnvoi", "FTP");
    run = installation.Run({"--publier", "personnalisation", "messages", "documents"});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList messages = Lines(run.err);
    EXPECT_EQ(messages.size(), 3) << qPrintable(run.err);
    for (const QString& message : messages)
        EXPECT_TRUE(message.contains("ConnexionFTP") && message.contains(QString::number(port)))
            << qPrintable(message);
    EXPECT_EQ(Lines(run.out).last(), "Publication terminée : 0 ligne(s) publiée(s) sur 3, en "
                                     "échec : personnalisation, messages, documents");

    // A row named on the command line that the settings do not enable is not published, and
    // the run says so; the other rows named still are. A missing target folder is said too.
    installation.Set("Cordalis", "TypeEnvoi", "URI");
    installation.Set("Cordalis", "Document", "0");
    run = installation.Run({"--publier", "documents", "personnalisation"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err), QStringList{"La ligne « documents » n'est pas activée dans les "
                                          "réglages : elle n'est ni générée ni envoyée."});
    EXPECT_EQ(Lines(run.out).last(), "Publication terminée : 1 ligne(s) publiée(s) sur 1");
    ASSERT_TRUE(QDir(installation.cible).removeRecursively());
    run = installation.Run({"--publier", "personnalisation"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Lines(run.err).value(0).startsWith("Le dossier cible « " + installation.cible +
                                                   " » n'existe pas"))
        << qPrintable(run.err);
}

TEST(Publier, ASecondRunEndsAtOnceAndAKilledRunLeavesNoLockBehind)
{
    // A distribution server that never answers holds the first run in its first send.
    TestFtpServer::Options options;
    options.silent = true;
    TestFtpServer silent(options);
    const Installation installation(true, silent.port());
    installation.Set("Cordalis", "TypeEnvoi", "FTP");

    QProcess first;
    Start(first, installation.program, {"--publier"}, TimerSession());
    QString firstOut;
    const QDeadlineTimer deadline(60000);
    while (!firstOut.contains("conditions : Générer terminé") && !deadline.hasExpired() &&
           first.state() == QProcess::Running) {
        first.waitForReadyRead(100);
        firstOut += QString::fromUtf8(first.readAllStandardOutput());
    }
    ASSERT_EQ(first.state(), QProcess::Running) << qPrintable(firstOut);
    ASSERT_TRUE(firstOut.contains("conditions : Générer terminé")) << qPrintable(firstOut);

    const QStringList before = Snapshot(installation.dir.path());
    for (const QStringList& arguments : {QStringList{"--publier"}, QStringList{"--rapport"}}) {
        QElapsedTimer elapsed;
        elapsed.start();
        const Result second = installation.Run(arguments);
        EXPECT_LT(elapsed.elapsed(), 10000);
        EXPECT_EQ(second.exitCode, 3);
        EXPECT_EQ(second.out, "");
        const QStringList messages = Lines(second.err);
        ASSERT_EQ(messages.size(), 1) << qPrintable(second.err);
        EXPECT_TRUE(messages[0].startsWith("Une autre exécution de Cordalis sans fenêtre est en "
                                           "cours"))
            << qPrintable(messages[0]);
    }
    EXPECT_EQ(Snapshot(installation.dir.path()), before);

    first.kill(); // SIGKILL: nothing of the program runs at its end
    ASSERT_TRUE(first.waitForFinished(30000));
    installation.Set("Cordalis", "TypeEnvoi", "URI");
    const Result next = installation.Run({"--publier", "messages"});
    EXPECT_EQ(next.exitCode, 0) << qPrintable(next.err);
    EXPECT_EQ(FilesOf(installation.cible), QStringList({"message.xml", "message_type.xml"}));
}

namespace {

// What the report window of the installation lists after its first pass (its copies in the
// same folder): the entries the session hands it, in order, judged against the given number
// of days.
std::vector<EntreeRapport> WindowPass(const TestFtpServer& server, const QString& folder, int jours)
{
    FtpClient client;
    bool charges = false;
    ParametresRapport parametres;
    parametres.Host = server.host();
    parametres.Port = server.port();
    parametres.Login = QString::fromLatin1(DemoRapportLogin);
    parametres.Mdp = QString::fromLatin1(DemoRapportPassword);
    SessionRapport session(client, parametres,
                           {folder + "/Rapport/", folder + "/Rapport/Historique/"},
                           {[&] { return charges; }, [&](bool value) { charges = value; }},
                           QCoreApplication::instance());
    std::vector<EntreeRapport> entries;
    EXPECT_TRUE(
        session.ChargerRapports(jours, [&](const EntreeRapport& e) { entries.push_back(e); }));
    return entries;
}

QString Verdict(const EntreeRapport& entry)
{
    return entry.EnAnomalie ? QString("en anomalie") : QString("en ordre");
}

// The lines the program prints for the entries, without their dates.
QStringList ExpectedLines(const std::vector<EntreeRapport>& entries)
{
    QStringList lines;
    for (const EntreeRapport& entry : entries) {
        lines << entry.Nom + " : " + Verdict(entry);
        if (entry.EnAnomalie) {
            for (const QString& line : entry.Texte.split('\n', Qt::SkipEmptyParts))
                lines << "    " + line;
        }
    }
    return lines;
}

QString ExpectedCsv(const std::vector<EntreeRapport>& entries)
{
    QString csv;
    for (const EntreeRapport& entry : entries)
        csv += entry.Nom + ";" + Verdict(entry) + ";" + entry.Texte + ";\r\n";
    return csv;
}

} // namespace

TEST(Rapport, ListsEveryFranchiseeInTheServersOrderWithTheWindowsVerdicts)
{
    TestFtpServer server(DemoServerOptions());
    ASSERT_EQ(WriteDemoReports(server.pathOf("rapports/Rapport"), Regional::Today()).rapports, 12);
    const Installation installation(true, 2121, server.port());

    for (const int jours : {1, 3}) {
        SCOPED_TRACE(jours);
        const std::vector<EntreeRapport> window = WindowPass(server, installation.folder, jours);
        ASSERT_EQ(window.size(), 12u);
        const QString csv = installation.dir.filePath("rapport.csv");
        // The default day count and windows-1252 under a timer's LANG; three days and UTF-8
        // under a French session.
        const Result run =
            jours == 1 ? installation.Run({"--rapport", "--csv", csv})
                       : installation.Run({"--rapport", "--jours=3", "--csv", csv, "--utf8"},
                                          "fr_FR.UTF-8");
        EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
        EXPECT_EQ(run.err, "");
        QStringList lines = Lines(run.out);
        ASSERT_GE(lines.size(), 4) << qPrintable(run.out);
        EXPECT_EQ(lines.takeFirst(), QStringLiteral("Rapport : passe sur les rapports des "
                                                    "franchisés, %1 jour(s) de retard admis")
                                         .arg(jours));
        const QString written = lines.takeLast();
        EXPECT_TRUE(written.startsWith("Rapport : CSV écrit dans " + csv)) << qPrintable(written);
        const int troubled = int(std::count_if(
            window.begin(), window.end(), [](const EntreeRapport& e) { return e.EnAnomalie; }));
        EXPECT_GT(troubled, 0);
        EXPECT_LT(troubled, 12);
        EXPECT_EQ(lines.takeLast(),
                  QStringLiteral("Rapport terminé : 12 franchisé(s), %1 en ordre, %2 en anomalie")
                      .arg(12 - troubled)
                      .arg(troubled));
        EXPECT_EQ(lines.join('\n').toStdString(), ExpectedLines(window).join('\n').toStdString());
        const QString expected = ExpectedCsv(window);
        EXPECT_EQ(ReadFile(csv).toStdString(),
                  (jours == 1 ? expected.toLatin1() : expected.toUtf8()).toStdString());
    }
}

TEST(CommandLine, BadInputRunsNothingAndNoSettingsIsAFailure)
{
    const Installation bare(false);
    const QStringList program = Snapshot(bare.folder);
    for (const QStringList& arguments :
         {QStringList{"--publier", "tout"}, QStringList{"--publier", "Messages"},
          QStringList{"--publier", "--bogus"}, QStringList{"--rapport", "--jours", "0"},
          QStringList{"--rapport", "--jours", "32"}, QStringList{"--rapport", "--jours", "deux"},
          QStringList{"--rapport", "--jours=1.5"}, QStringList{"--rapport", "--csv"},
          QStringList{"--rapport", "--csv", "--utf8"}, QStringList{"--rapport", "--utf8"},
          QStringList{"--publier", "--jours", "2"}, QStringList{"--publier", "--rapport"},
          QStringList{"--rapport", "conditions"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Result run = bare.Run(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 2);
        EXPECT_TRUE(lines[0].startsWith("cordalis : ")) << qPrintable(lines[0]);
        EXPECT_TRUE(lines[1].startsWith("Utilisation : cordalis --publier")) << qPrintable(run.err);
    }
    // Nothing was run: not even the lock was taken.
    EXPECT_EQ(Snapshot(bare.folder), program);

    // No settings file: nothing is enabled, which a timer must notice; the report server is
    // the empty host, which cannot be reached.
    Result run = bare.Run({"--publier"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err),
              QStringList{"Aucune ligne n'est activée dans les réglages : rien n'est publié."});
    run = bare.Run({"--rapport"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err).size(), 1) << qPrintable(run.err);
    EXPECT_TRUE(Lines(run.err).value(0).startsWith("Impossible de se connecter au serveur FTP"))
        << qPrintable(run.err);
}

// The installation's user units: the services run the installed program, the timers are
// for the user's manager; systemd's own check accepts them.
TEST(Timers, TheInstalledUserUnitsPassSystemdsCheck)
{
    QTemporaryDir root;
    const QString prefix = root.filePath("usr");
    const Result install =
        RunProgram(CORDALIS_CMAKE, {"--install", CORDALIS_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitCode, 0) << qPrintable(install.out + install.err);
    const QString units = prefix + "/lib/systemd/user/";
    EXPECT_EQ(FilesOf(units),
              QStringList({"cordalis-publication.service", "cordalis-publication.timer",
                           "cordalis-rapport.service", "cordalis-rapport.timer"}));
    const QString program = prefix + "/lib/cordalis/Cordalis";
    EXPECT_TRUE(QString::fromUtf8(ReadFile(units + "cordalis-publication.service"))
                    .contains("\nExecStart=" + program + " --publier\n"));
    EXPECT_TRUE(QString::fromUtf8(ReadFile(units + "cordalis-rapport.service"))
                    .contains("\nExecStart=" + program + " --rapport\n"));

    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty())
        GTEST_SKIP() << "systemd-analyze is missing (package systemd): the units were not checked";
    // The user manager's check needs a runtime folder of its own.
    const QString runtime = root.filePath("run");
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime);
    QStringList arguments = {"--user", "verify"};
    for (const QString& unit : FilesOf(units))
        arguments << units + unit;
    const Result verify = RunProgram(analyze, arguments, environment);
    EXPECT_EQ(verify.exitCode, 0) << qPrintable(verify.out + verify.err);
    EXPECT_FALSE(QString(verify.out + verify.err).contains("cordalis")) << qPrintable(verify.err);
}
