#include "ReportFixtures.h"

#include "FtpClient.h"
#include "MessageRecorder.h"
#include "ServerSection.h"
#include "SessionRapport.h"
#include "TNativeXmlQLF.h"
#include "TestFtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>

using namespace fixtures;

namespace {

// Every command the test server receives is logged, so that a test can tell sessions apart.
TestFtpServer::Options AvecCommandes(TestFtpServer::Options options = {})
{
    options.logCommands = true;
    return options;
}

class ReportSession : public FrenchClock
{
protected:
    explicit ReportSession(TestFtpServer::Options options = AvecCommandes()) : server_(options) {}

    void SetUp() override
    {
        FrenchClock::SetUp();
        rapport_ = exe_.path() + QStringLiteral("/Rapport/");
        historique_ = rapport_ + QStringLiteral("Historique/");
    }

    SessionRapport Session(quint16 port = 0, std::optional<int> connexions = {})
    {
        auto p = SectionOf<ParametresRapport>(server_);
        if (port)
            p.Port = port;
        if (const std::optional<int> imposees = connexions ? connexions : ConnexionsImposees())
            p.Connexions = *imposees;
        return SessionWith(p);
    }

    // A session on another server of the test, with its own flag, downloading over connexions.
    SessionRapport SessionOn(const TestFtpServer& server, int connexions)
    {
        auto p = SectionOf<ParametresRapport>(server);
        p.Connexions = connexions;
        charges_ = false;
        return SessionWith(p);
    }

    SessionRapport SessionWith(const ParametresRapport& p)
    {
        return SessionRapport(ftp_, p, {rapport_, historique_},
                              {[this] { return charges_; }, [this](bool v) { charges_ = v; }},
                              QCoreApplication::instance());
    }

    static void PutReports(const TestFtpServer& server, int count)
    {
        for (int i = 0; i < count; ++i)
            server.writeFile(
                QStringLiteral("Rapport/Magasin %1.xml").arg(i, 2, 10, QLatin1Char('0')),
                Report(DateText(DaysAgo(0))), Now());
    }

    std::vector<EntreeRapport> Pass(SessionRapport& session, int jours = 3)
    {
        std::vector<EntreeRapport> entries;
        session.ChargerRapports(jours,
                                [&entries](const EntreeRapport& e) { entries.push_back(e); });
        return entries;
    }

    void Put(const QString& name, const QByteArray& content, const QDateTime& modified = Now())
    {
        server_.writeFile(QStringLiteral("Rapport/") + name, content, modified);
    }

    static QStringList Names(const std::vector<EntreeRapport>& entries)
    {
        QStringList names;
        for (const auto& e : entries)
            names << e.Nom;
        return names;
    }

    // Connects a client to that server and lists /Rapport.
    static void ListWith(FtpClient& client, const TestFtpServer& server)
    {
        client.Configure(server.host(), server.user(), server.password(), server.port());
        client.Connect();
        client.ChangeDir(QStringLiteral("/Rapport"));
        client.List();
    }

    // The files of /Rapport in the order the server lists them.
    static QStringList ListedFiles(const TestFtpServer& server)
    {
        FtpClient lister;
        ListWith(lister, server);
        QStringList names;
        for (int i = 0; i < lister.ListingCount(); ++i)
            if (lister.Listing(i).IsFile)
                names << lister.Listing(i).FileName;
        lister.Disconnect();
        return names;
    }

    // The verbs of the commands the server received, in a session or in all.
    static QStringList Commands(const TestFtpServer& server, int session = 0)
    {
        QStringList verbs;
        for (const QString& line : server.sessionLog())
            if (line.startsWith(QStringLiteral("command ")) &&
                (session == 0 || line.section(u' ', 1, 1).toInt() == session))
                verbs << line.section(u' ', 3, 3);
        return verbs;
    }

    // The local report folder holds whole copies only: every file there is a report of the
    // server, byte for byte.
    void ExpectOnlyWholeCopies(const TestFtpServer& server)
    {
        const QStringList local =
            QDir(rapport_).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : local) {
            QFile copy(rapport_ + name);
            ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
            EXPECT_EQ(copy.readAll(), server.readFile(QStringLiteral("Rapport/") + name))
                << name.toStdString();
        }
    }

    TestFtpServer server_;
    QTemporaryDir exe_;
    QString rapport_;
    QString historique_;
    FtpClient ftp_;
    bool charges_ = false;
    MessageRecorder messages_;
};

TEST_F(ReportSession, JudgesCurrencyAgainstJDays)
{
    Put(QStringLiteral("Vert.xml"), Report(DateText(DaysAgo(3))));
    Put(QStringLiteral("Rouge.xml"), Report(DateText(DaysAgo(4))));
    Put(QStringLiteral("Vieux fichier.xml"), Report(DateText(DaysAgo(0))), DaysAgo(4));
    Put(QStringLiteral("Anomalie.xml"),
        Report(DateText(DaysAgo(0)), Ok(), Ko({QStringLiteral("Tarifs")})));
    auto session = Session();
    auto entries = Pass(session, 3);
    ASSERT_EQ(entries.size(), 4u);
    std::map<QString, EntreeRapport> byName;
    for (const auto& e : entries)
        byName[e.Nom] = e;
    EXPECT_FALSE(byName[QStringLiteral("Vert")].EnAnomalie);
    EXPECT_EQ(byName[QStringLiteral("Vert")].Texte,
              QStringLiteral("Derniere mise à jour automatique effectuée le 09/03/2024 08:30:00\n"
                             "Mise à jour automatique installée."));
    EXPECT_TRUE(byName[QStringLiteral("Rouge")].EnAnomalie);
    EXPECT_TRUE(byName[QStringLiteral("Vieux fichier")].EnAnomalie);
    EXPECT_TRUE(byName[QStringLiteral("Anomalie")].EnAnomalie);
    EXPECT_EQ(byName[QStringLiteral("Anomalie")].Texte,
              QStringLiteral("Derniere mise à jour automatique effectuée le 12/03/2024 08:30:00\n"
                             "[CDL] Tarifs\n"));
    EXPECT_TRUE(messages_.texts().isEmpty()) << messages_.texts().join(u'|').toStdString();
    EXPECT_TRUE(charges_);
    EXPECT_FALSE(ftp_.Connected());

    // A larger J turns the old report green, from the local copies.
    entries = Pass(session, 5);
    for (const auto& e : entries)
        EXPECT_EQ(e.EnAnomalie, e.Nom == QStringLiteral("Anomalie")) << e.Nom.toStdString();
}

TEST_F(ReportSession, ListsPlainXmlFilesInServerOrder)
{
    for (const char* name : {"b.xml", "a.xml.xml", "a.xml.bak", "A.XML", "notes.txt",
                             "Magasin Lyon.xml", "c.xml", "zz.xml", "m.xml"})
        Put(QString::fromLatin1(name), Report(DateText(DaysAgo(0))));
    server_.makeDir(QStringLiteral("Rapport/Historique"));
    server_.makeDir(QStringLiteral("Rapport/dossier.xml"));
    auto session = Session();
    const QStringList names = Names(Pass(session));

    // The order the server lists them in, whatever it is.
    QStringList expected;
    for (const QString& name : ListedFiles(server_))
        if (name.endsWith(QLatin1String(".xml")))
            expected << name.left(name.indexOf(QLatin1String(".xml")));
    EXPECT_EQ(names, expected);
    EXPECT_EQ(names.size(), 6);
    EXPECT_TRUE(names.contains(QStringLiteral("a")));
    EXPECT_TRUE(names.contains(QStringLiteral("Magasin Lyon")));
}

TEST_F(ReportSession, DownloadsOncePerRun)
{
    Put(QStringLiteral("b.xml"), Report(DateText(DaysAgo(0))));
    Put(QStringLiteral("c.xml"), Report(DateText(DaysAgo(0))));
    {
        auto session = Session();
        Pass(session);
    }
    ASSERT_TRUE(charges_);
    // A later window of the same run: the server's newer content is not fetched, a deleted
    // copy and a new server file are unreadable locally.
    Put(QStringLiteral("b.xml"), Report(DateText(DaysAgo(0)), Ko({QStringLiteral("x")})));
    Put(QStringLiteral("d.xml"), Report(DateText(DaysAgo(0))));
    ASSERT_TRUE(QFile::remove(rapport_ + QStringLiteral("c.xml")));
    auto session = Session();
    const auto entries = Pass(session);
    ASSERT_EQ(entries.size(), 3u);
    for (const auto& e : entries) {
        const QString local = QDir::toNativeSeparators(rapport_ + e.Nom + QStringLiteral(".xml"));
        if (e.Nom == QStringLiteral("b")) {
            EXPECT_FALSE(e.EnAnomalie);
        } else {
            EXPECT_TRUE(e.EnAnomalie);
            EXPECT_EQ(e.Texte, QStringLiteral("Impossible de lire le fichier XML : ") + local);
        }
    }
    EXPECT_FALSE(QFile::exists(rapport_ + QStringLiteral("d.xml")));
}

TEST_F(ReportSession, ErrorsEndThePassInOrder)
{
    auto session = Session();
    // No /Rapport on the server: the error reaches the caller, the connection stays open and
    // the next pass downloads again.
    EXPECT_THROW(Pass(session), FtpError);
    EXPECT_FALSE(charges_);
    EXPECT_TRUE(ftp_.Connected());

    // The reused connection: the first session, logged in once, lists again.
    Put(QStringLiteral("a.xml"), Report(DateText(DaysAgo(0))));
    Put(QStringLiteral("b.xml"), Report(DateText(DaysAgo(0))));
    EXPECT_EQ(Pass(session).size(), 2u);
    EXPECT_TRUE(charges_);
    EXPECT_EQ(Commands(server_, 1).count(QStringLiteral("PASS")), 1);
    EXPECT_EQ(Commands(server_, 1).count(QStringLiteral("MLSD")), 1);
    EXPECT_TRUE(server_.waitForLog(QStringLiteral("quit")));
    EXPECT_TRUE(messages_.texts().isEmpty());
}

TEST_F(ReportSession, ABadDateGetsARedEntryAndThePassGoesOn)
{
    for (int i = 1; i <= 12; ++i)
        Put(QStringLiteral("Magasin %1.xml").arg(i), Report(DateText(DaysAgo(0))));
    const QStringList listed = ListedFiles(server_);
    ASSERT_EQ(listed.size(), 12);
    Put(listed[2], Report(QStringLiteral("31/02/2026")));
    Put(listed[5], Report(QString(), Ok(), Ko({QStringLiteral("Tarifs")})));

    auto session = Session();
    for (int pass = 0; pass < 2; ++pass) {
        const auto entries = Pass(session);
        ASSERT_EQ(entries.size(), 12u);
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].Nom + QStringLiteral(".xml"), listed[int(i)]);
            EXPECT_EQ(entries[i].EnAnomalie, i == 2 || i == 5) << i;
        }
        EXPECT_EQ(entries[2].Texte, QStringLiteral("Date de rapport illisible : « 31/02/2026 »\n"
                                                   "Mise à jour automatique installée."));
        // A missing date reads as an empty one; the sections are judged all the same.
        EXPECT_EQ(entries[5].Texte,
                  QStringLiteral("Date de rapport illisible : «  »\n[CDL] Tarifs\n"));
        // Such a pass is complete: the next one ("Actualiser") downloads nothing.
        EXPECT_TRUE(charges_);
        EXPECT_EQ(Commands(server_).count(QStringLiteral("RETR")), 12);
    }
    EXPECT_TRUE(messages_.texts().isEmpty());
}

TEST_F(ReportSession, ConnexionsKeyFallsBackToFourOutsideOneToSixteen)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Cordalis.ini"));
    EXPECT_EQ(ParametresRapport::Lire(ini).Connexions, 4);
    const std::pair<const char*, int> cases[] = {{"", 4},    {"1", 1},    {"8", 8},  {"16", 16},
                                                 {"0", 4},   {"17", 4},   {"-2", 4}, {"x", 4},
                                                 {"2.5", 4}, {" 12 ", 12}};
    for (const auto& [value, expected] : cases) {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[Cordalis_Rapport]\r\nHost=h\r\nConnexions=") + value + "\r\n");
        file.close();
        EXPECT_EQ(ParametresRapport::Lire(ini).Connexions, expected) << value;
    }
}

TEST_F(ReportSession, RefusedConnectionShowsItsMessage)
{
    auto session = Session(TestFtpServer::UnusedPort());
    EXPECT_FALSE(session.ChargerRapports(3, [](const EntreeRapport&) { FAIL(); }));
    ASSERT_EQ(messages_.texts().size(), 1);
    EXPECT_TRUE(messages_.texts()[0].startsWith(
        QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ")));
    EXPECT_GT(messages_.texts()[0].size(), 51);
    EXPECT_FALSE(charges_);
    EXPECT_TRUE(QFileInfo(historique_).isDir());
}

TEST_F(ReportSession, SilentServerEndsThePassWithATimeOutMessage)
{
    // A server that accepts the connection and never answers: the pass must end with the
    // connection message instead of hanging the window.
    TestFtpServer::Options options;
    options.silent = true;
    TestFtpServer silent(options);
    ftp_.SetReplyTimeout(1);
    auto session = Session(silent.port());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(session.ChargerRapports(3, [](const EntreeRapport&) { FAIL(); }));
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_EQ(messages_.texts().size(), 1);
    EXPECT_TRUE(messages_.texts()[0].startsWith(
        QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ")));
    EXPECT_TRUE(messages_.texts()[0].contains(QStringLiteral("délai")))
        << messages_.texts()[0].toStdString();
    EXPECT_FALSE(charges_);
    EXPECT_FALSE(ftp_.Connected());
}

// A report whose transfer stalls ends the pass like any error of the client, with a text
// that says why, instead of holding the window for ever.
TEST_F(ReportSession, StalledDownloadEndsThePassWithTheClientText)
{
    Put(QStringLiteral("Magasin.stall.xml"), QByteArray(100000, 'x'));
    ftp_.SetStallTimeout(2);
    auto session = Session();
    try {
        Pass(session);
        ADD_FAILURE() << "the pass went through";
    } catch (const FtpError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Magasin.stall.xml"))) << e.what();
        EXPECT_TRUE(e.text().contains(QStringLiteral("aucune donnée reçue depuis 2 secondes")))
            << e.what();
    }
    EXPECT_FALSE(charges_);
}

// A franchisee whose report name comes from a Windows machine (windows-1252, not UTF-8) is
// listed under its real name and downloaded under the server's own bytes; a name that decodes
// to a control character is still skipped.
TEST_F(ReportSession, Windows1252NamesAreListedAndDownloaded)
{
    const QByteArray folder = QFile::encodeName(server_.pathOf(QStringLiteral("Rapport/")));
    QDir().mkpath(server_.pathOf(QStringLiteral("Rapport")));
    const QByteArray report = Report(DateText(DaysAgo(0)));
    for (const QByteArray& name : {QByteArray("Magasin d\x92"
                                              "Arles.xml"),
                                   QByteArray("C\x9Cur.xml"), QByteArray("Bad\x81.xml")}) {
        // Created from the raw bytes: a QString path would hold U+FFFD in their place.
        const int fd =
            ::open(QByteArray(folder + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, report.constData(), size_t(report.size())), report.size());
        ::close(fd);
    }
    auto session = Session();
    const auto entries = Pass(session);
    QStringList names = Names(entries);
    names.sort();
    EXPECT_EQ(names,
              (QStringList{QString::fromUtf8("Cœur"), QString::fromUtf8("Magasin d’Arles")}));
    for (const auto& e : entries)
        EXPECT_FALSE(e.EnAnomalie) << e.Texte.toStdString();
    EXPECT_TRUE(QFile::exists(rapport_ + QString::fromUtf8("Magasin d’Arles.xml")));
    EXPECT_TRUE(messages_.texts().isEmpty());
}

TEST_F(ReportSession, NothingWrittenOutsideTheReportFolders)
{
    Put(QStringLiteral("ok.xml"), Report(DateText(DaysAgo(0))));
    Put(QStringLiteral("..\\x.xml"), Report(DateText(DaysAgo(0))));
    Put(QStringLiteral("a\\..\\..\\y.xml"), Report(DateText(DaysAgo(0))));
    auto session = Session();
    EXPECT_EQ(Names(Pass(session)), QStringList{QStringLiteral("ok")});
    EXPECT_EQ(QDir(rapport_).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("ok.xml")});
    EXPECT_EQ(QDir(exe_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("Rapport")});
}

TEST_F(ReportSession, PreparerDossiersClearsOnlyWhenHistoryFolderExists)
{
    QDir().mkpath(rapport_);
    QFile old(rapport_ + QStringLiteral("ancien.xml"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    auto session = Session();
    session.PreparerDossiers();
    EXPECT_TRUE(QFile::exists(rapport_ + QStringLiteral("ancien.xml")));
    EXPECT_TRUE(QFileInfo(historique_).isDir());

    // With the history folder present, the report folder is emptied; a link to a folder
    // outside is removed without touching what it points to.
    QTemporaryDir outside;
    QFile keep(outside.filePath(QStringLiteral("garder.txt")));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    ASSERT_TRUE(QFile::link(outside.path(), rapport_ + QStringLiteral("lien")));
    QDir().mkpath(historique_ + QStringLiteral("sous/dossier"));
    session.PreparerDossiers();
    EXPECT_FALSE(QFile::exists(rapport_ + QStringLiteral("ancien.xml")));
    EXPECT_FALSE(QFileInfo(rapport_ + QStringLiteral("lien")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(historique_ + QStringLiteral("sous")));
    EXPECT_TRUE(QFileInfo(historique_).isDir());
    EXPECT_TRUE(QFile::exists(outside.filePath(QStringLiteral("garder.txt"))));
}

TEST_F(ReportSession, DownloadTrustsTheListingOnlyWhenTheSizeMatches)
{
    // A report rewritten between the listing and its download arrives whole.
    Put(QStringLiteral("a.xml"), QByteArray(1000, 'a'));
    ftp_.Configure(server_.host(), server_.user(), server_.password(), server_.port());
    ftp_.Connect();
    ftp_.ChangeDir(QStringLiteral("/Rapport"));
    ftp_.List();
    QTemporaryDir local;
    for (const QByteArray& now : {QByteArray(3000, 'b'), QByteArray(10, 'c')}) {
        Put(QStringLiteral("a.xml"), now);
        ftp_.Get(QStringLiteral("a.xml"), local.filePath(QStringLiteral("a.xml")));
        QFile copy(local.filePath(QStringLiteral("a.xml")));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), now);
    }
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("a.xml")});
}

// A first pass over several connections.
class ParallelPass : public ReportSession
{
protected:
    ParallelPass() : ReportSession(SlowLargeReports()) {}

    // Reports larger than 50 KB start a second late, as on a slow line.
    static TestFtpServer::Options SlowLargeReports()
    {
        TestFtpServer::Options options = AvecCommandes();
        options.slowAboveBytes = 50000;
        return options;
    }
};

TEST_F(ParallelPass, EntriesFollowTheListingWhateverTheOrderDownloadsFinish)
{
    PutReports(server_, 20);
    const QStringList listed = ListedFiles(server_);
    ASSERT_EQ(listed.size(), 20);
    // The first report listed is large: it arrives after all the others.
    QStringList lines;
    for (int i = 0; i < 1500; ++i)
        lines << QStringLiteral("Article %1 : remise ignorée").arg(i);
    Put(listed[0], Report(DateText(DaysAgo(0)), Ok(), Ko(lines)));

    auto session = Session(0, 4);
    const auto entries = Pass(session);
    ASSERT_EQ(entries.size(), 20u);
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].Nom + QStringLiteral(".xml"), listed[int(i)]);
    EXPECT_TRUE(entries[0].EnAnomalie);
    EXPECT_TRUE(entries[0].Texte.endsWith(QStringLiteral("[CDL] Article 1499 : remise ignorée\n")));
    const QDateTime last = QFileInfo(rapport_ + listed[0]).lastModified();
    for (int i = 1; i < listed.size(); ++i)
        EXPECT_LT(QFileInfo(rapport_ + listed[i]).lastModified(), last) << i;
    // Four sessions downloaded.
    QSet<QString> downloading;
    for (const QString& line : server_.sessionLog())
        if (line.startsWith(QStringLiteral("command ")) && line.section(u' ', 3, 3) == u"RETR")
            downloading.insert(line.section(u' ', 1, 1));
    EXPECT_EQ(downloading.size(), 4);
    ExpectOnlyWholeCopies(server_);
    EXPECT_TRUE(charges_);
}

TEST_F(ParallelPass, ServersRefusingExtraConnectionsServeThePassWithTheOthers)
{
    // Two connections per address (421 beyond, as vsftpd), then three logins per account
    // (530 beyond, as proftpd).
    for (const auto& [perAddress, perAccount, used] : {std::tuple{2, 0, 2}, std::tuple{0, 3, 3}}) {
        TestFtpServer::Options options = AvecCommandes();
        options.maxConsPerIp = perAddress;
        options.maxLogins = perAccount;
        TestFtpServer limited(options);
        PutReports(limited, 30);
        QDir(rapport_).removeRecursively();
        auto session = SessionOn(limited, 8);
        EXPECT_EQ(Pass(session).size(), 30u);
        EXPECT_TRUE(charges_);
        EXPECT_EQ(QDir(rapport_).entryList(QDir::Files).size(), 30);
        QSet<QString> downloading;
        for (const QString& line : limited.sessionLog())
            if (line.startsWith(QStringLiteral("command ")) && line.section(u' ', 3, 3) == u"RETR")
                downloading.insert(line.section(u' ', 1, 1));
        EXPECT_EQ(downloading.size(), used);
        if (perAccount) {
            EXPECT_GE(limited.logCount(QStringLiteral("login-refused cordalis")), 1);
        }
    }
    EXPECT_TRUE(messages_.texts().isEmpty()) << messages_.texts().join(u'|').toStdString();
}

TEST_F(ParallelPass, AConnectionDroppedMidTransferFailsThatFileAsASingleDownloadDoes)
{
    TestFtpServer::Options options = AvecCommandes();
    options.dropNames = {QStringLiteral("Magasin 06.xml")};
    TestFtpServer dropping(options);
    PutReports(dropping, 12);
    const QStringList listed = ListedFiles(dropping);
    const int dropped = int(listed.indexOf(QStringLiteral("Magasin 06.xml")));
    ASSERT_GE(dropped, 0);

    // The same file downloaded alone, as before passes used several connections.
    QString alone;
    {
        FtpClient single;
        ListWith(single, dropping);
        QTemporaryDir dir;
        try {
            single.Get(listed[dropped], dir.filePath(QStringLiteral("x.xml")));
        } catch (const FtpError& e) {
            alone = e.text();
        }
    }
    ASSERT_FALSE(alone.isEmpty());

    auto session = SessionOn(dropping, 4);
    std::vector<EntreeRapport> entries;
    QString error;
    try {
        session.ChargerRapports(3, [&](const EntreeRapport& e) { entries.push_back(e); });
    } catch (const FtpError& e) {
        error = e.text();
    }
    // Its own text, up to the library's details; the entries before it, in order.
    EXPECT_EQ(error.section(QStringLiteral(" ("), 0, 0), alone.section(QStringLiteral(" ("), 0, 0));
    ASSERT_EQ(entries.size(), size_t(dropped));
    for (int i = 0; i < dropped; ++i)
        EXPECT_EQ(entries[size_t(i)].Nom + QStringLiteral(".xml"), listed[i]);
    EXPECT_FALSE(charges_);
    EXPECT_FALSE(QFile::exists(rapport_ + listed[dropped]));
    ExpectOnlyWholeCopies(dropping);
}

TEST_F(ParallelPass, StopEndsThePassWithinASecondEvenWithAFrozenServer)
{
    TestFtpServer::Options options = AvecCommandes();
    options.replyDelayMs = 20;
    TestFtpServer distant(options);
    PutReports(distant, 80);
    auto session = SessionOn(distant, ConnexionsImposees().value_or(4));

    QElapsedTimer timer;
    timer.start();
    qint64 stoppedAt = -1;
    std::vector<EntreeRapport> entries;
    // Once a few entries are listed, the server stops answering; the user stops the pass.
    const bool complete = session.ChargerRapports(3, [&](const EntreeRapport& e) {
        entries.push_back(e);
        if (entries.size() == 5) {
            distant.freeze();
            QTimer::singleShot(200, [&] {
                stoppedAt = timer.elapsed();
                session.ArreterPasse();
            });
        }
    });
    const qint64 endedAt = timer.elapsed();
    EXPECT_FALSE(complete);
    ASSERT_GE(stoppedAt, 0);
    EXPECT_LT(endedAt - stoppedAt, 1000);
    EXPECT_GE(entries.size(), 5u);
    EXPECT_LT(entries.size(), 80u);
    EXPECT_FALSE(charges_);
    EXPECT_FALSE(ftp_.Connected());
    ExpectOnlyWholeCopies(distant);
    EXPECT_TRUE(messages_.texts().isEmpty()) << messages_.texts().join(u'|').toStdString();

    // Every connection was closed by the client, none waited for a QUIT.
    distant.resume();
    EXPECT_TRUE(distant.waitForLog(QStringLiteral("disconnect"),
                                   distant.logCount(QStringLiteral("connect"))));
    EXPECT_EQ(distant.logCount(QStringLiteral("quit")), 0);

    // The next pass downloads everything.
    entries.clear();
    EXPECT_TRUE(session.ChargerRapports(3, [&](const EntreeRapport& e) { entries.push_back(e); }));
    EXPECT_EQ(entries.size(), 80u);
    EXPECT_TRUE(charges_);
}

class HistoryRetrieval : public ReportSession
{
protected:
    // Runs a retrieval and returns the Item count of each document handed over.
    QList<int> Retrieve(SessionRapport& session, const QString& name)
    {
        QList<int> shown;
        session.RecupererHistorique(name, [&shown](const TNativeXmlQLF& doc) {
            TXMLNodeListQLF items;
            doc.Root()->ChildrenByName(QStringLiteral("Item"), items);
            shown << items.Count();
        });
        return shown;
    }
    void PutHistory(const QString& name, const QByteArray& content)
    {
        server_.writeFile(QStringLiteral("Rapport/Historique/") + name, content);
    }
};

TEST_F(HistoryRetrieval, FindsTheFranchiseeFileByExactName)
{
    const QString items =
        RecordXml(QStringLiteral("Item"), DateText(DaysAgo(1)), Ok(), Ok(), Ok()) +
        RecordXml(QStringLiteral("Item"), DateText(DaysAgo(0)), Ok(), Ok(), Ok());
    PutHistory(QStringLiteral("magasin.xml"), Document(QStringLiteral("<Velmora/>")));
    PutHistory(QStringLiteral("Magasin Lyon.xml"),
               Document(QStringLiteral("<Velmora>") + items + QStringLiteral("</Velmora>")));
    auto session = Session();

    EXPECT_EQ(Retrieve(session, QStringLiteral("Magasin Lyon")), QList<int>{2});
    EXPECT_TRUE(messages_.texts().isEmpty());
    EXPECT_TRUE(QFile::exists(historique_ + QStringLiteral("Magasin Lyon.xml")));
    // The connection stays open for the next pass.
    EXPECT_TRUE(ftp_.Connected());

    EXPECT_TRUE(Retrieve(session, QStringLiteral("Magasin")).isEmpty());
    EXPECT_EQ(messages_.texts(),
              QStringList{QStringLiteral("Il n'y a pas d'historique pour le franchisé Magasin")});
    EXPECT_EQ(server_.logCount(QStringLiteral("login cordalis")), 1);
}

TEST_F(HistoryRetrieval, UnreadableFileIsReportedThenNoHistory)
{
    PutHistory(QStringLiteral("Casse.xml"), QByteArray("<Velmora><Item"));
    auto session = Session();
    EXPECT_TRUE(Retrieve(session, QStringLiteral("Casse")).isEmpty());
    EXPECT_EQ(messages_.texts(),
              (QStringList{QStringLiteral("Impossible de lire le fichier XML : ") +
                               QDir::toNativeSeparators(historique_ + QStringLiteral("Casse.xml")),
                           QStringLiteral("Il n'y a pas d'historique pour le franchisé Casse")}));
}

TEST_F(HistoryRetrieval, MissingHistoryFolderIsAnError)
{
    auto session = Session();
    EXPECT_THROW(Retrieve(session, QStringLiteral("X")), FtpError);
    EXPECT_TRUE(messages_.texts().isEmpty());
}

} // namespace
