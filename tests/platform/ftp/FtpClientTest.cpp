// The FTP client against a real pyftpdlib server on 127.0.0.1. The tests run in the
// Europe/Paris time zone so that a time given in UTC (MLSD) and one given in the server's
// local time (LIST) only agree when both are converted right.
#include "FtpClient.h"
#include "TestFtpServer.h"
#include "TestProftpdServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

class FtpClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedTz_ = qgetenv("TZ");
        hadTz_ = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "Europe/Paris");
        tzset();
        ASSERT_TRUE(local_.isValid());
    }
    void TearDown() override
    {
        if (hadTz_)
            qputenv("TZ", savedTz_);
        else
            qunsetenv("TZ");
        tzset();
    }

    static void ConfigureFor(FtpClient& client, const TestFtpServer& server)
    {
        client.Configure(server.host(), server.user(), server.password(), server.port());
        client.SetPassive(true);
    }

    QString localPath(const QString& name) const { return local_.filePath(name); }

    static QByteArray ReadLocal(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void WriteLocal(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    // The error an operation throws; fails the test when it throws none.
    template <typename Operation> static FtpError ErrorOf(Operation operation)
    {
        try {
            operation();
        } catch (const FtpError& error) {
            return error;
        }
        ADD_FAILURE() << "no FtpError thrown";
        return FtpError(FtpError::Category::Other, QString());
    }

    QTemporaryDir local_;

private:
    QByteArray savedTz_;
    bool hadTz_ = false;
};

const FtpListItem* Find(const FtpClient& client, const QString& name)
{
    for (int i = 0; i < client.ListingCount(); ++i)
        if (client.Listing(i).FileName == name)
            return &client.Listing(i);
    return nullptr;
}

} // namespace

TEST_F(FtpClientTest, OneSessionServesEveryOperationUntilDisconnect)
{
    TestFtpServer server;
    server.writeFile("Rapport/a.xml", "<a/>");
    server.writeFile("Rapport/b.xml", "<b/>");

    FtpClient client;
    ConfigureFor(client, server);
    EXPECT_FALSE(client.Connected());
    client.Connect();
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(server.waitForLog("login cordalis"));

    client.ChangeDir("/Rapport");
    client.SetBinary();
    client.List();
    EXPECT_EQ(client.ListingCount(), 2);
    client.Get("a.xml", localPath("a.xml"));
    client.Get("b.xml", localPath("b.xml"));
    WriteLocal(localPath("c.xml"), "<c/>");
    client.Put(localPath("c.xml"), "c.xml");
    EXPECT_EQ(ReadLocal(localPath("a.xml")), "<a/>");
    EXPECT_EQ(ReadLocal(localPath("b.xml")), "<b/>");
    EXPECT_EQ(server.readFile("Rapport/c.xml"), "<c/>");

    client.Disconnect();
    EXPECT_FALSE(client.Connected());
    ASSERT_TRUE(server.waitForLog("disconnect"));
    EXPECT_EQ(server.logCount("connect"), 1);
    EXPECT_EQ(server.logCount("login cordalis"), 1);
    EXPECT_EQ(server.logCount("quit"), 1) << server.sessionLog().join(',').toStdString();

    // A second Connect is a new session, which starts again in the login folder.
    client.Connect();
    client.Put(localPath("c.xml"), "top.xml");
    client.Disconnect();
    EXPECT_TRUE(server.waitForLog("disconnect", 2));
    EXPECT_EQ(server.logCount("login cordalis"), 2);
    EXPECT_EQ(server.readFile("top.xml"), "<c/>");

    // Disconnect when not connected does nothing; the destructor ends an open session.
    client.Disconnect();
    {
        FtpClient other;
        ConfigureFor(other, server);
        other.Connect();
    }
    EXPECT_TRUE(server.waitForLog("quit", 3));
}

TEST_F(FtpClientTest, ConnectFailuresAreReportedAndLeaveTheClientDisconnected)
{
    TestFtpServer server;
    FtpClient client;

    client.Configure(server.host(), server.user(), "wrong", server.port());
    FtpError refused = ErrorOf([&] { client.Connect(); });
    EXPECT_FALSE(refused.isSecurity());
    EXPECT_TRUE(refused.text().contains("mot de passe refusé")) << refused.what();
    EXPECT_TRUE(refused.text().contains("530")) << refused.what();
    EXPECT_FALSE(client.Connected());

    client.Configure(server.host(), server.user(), server.password(), TestFtpServer::UnusedPort());
    FtpError noServer = ErrorOf([&] { client.Connect(); });
    EXPECT_FALSE(noServer.isSecurity());
    EXPECT_TRUE(noServer.text().contains("connexion refusée")) << noServer.what();
    EXPECT_FALSE(client.Connected());

    // Hosts that would make a different URL are refused before any network use.
    for (const char* host : {"", "   ", "127.0.0.1/Rapport", "user@127.0.0.1", "a b"}) {
        client.Configure(QString::fromUtf8(host), server.user(), server.password(), server.port());
        FtpError bad = ErrorOf([&] { client.Connect(); });
        EXPECT_FALSE(bad.isSecurity());
        EXPECT_TRUE(bad.text().contains("serveur")) << host;
        EXPECT_FALSE(client.Connected());
    }
    client.Configure(server.host(), server.user(), server.password(), 0);
    EXPECT_FALSE(ErrorOf([&] { client.Connect(); }).text().isEmpty());
    EXPECT_EQ(server.logCount("connect"), 1);

    // Nothing works without a connection; curl would otherwise silently connect.
    EXPECT_FALSE(ErrorOf([&] { client.List(); }).text().isEmpty());
    EXPECT_FALSE(ErrorOf([&] { client.Get("a", localPath("a")); }).text().isEmpty());
    EXPECT_EQ(server.logCount("connect"), 1);
}

TEST_F(FtpClientTest, SilentServerTimesOutInsteadOfHanging)
{
    TestFtpServer::Options options;
    options.silent = true;
    TestFtpServer server(options);
    FtpClient client;
    ConfigureFor(client, server);
    client.SetReplyTimeout(1);
    QElapsedTimer timer;
    timer.start();
    FtpError error = ErrorOf([&] { client.Connect(); });
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_FALSE(error.isSecurity());
    EXPECT_TRUE(error.text().contains("délai")) << error.what();
    EXPECT_FALSE(client.Connected());
}

TEST_F(FtpClientTest, RequiredTlsAgainstAPlainServerIsASecurityFailure)
{
    TestFtpServer server;
    FtpClient client;
    ConfigureFor(client, server);
    client.SetTlsRequired(true);
    FtpError error = ErrorOf([&] { client.Connect(); });
    EXPECT_TRUE(error.isSecurity()) << error.what();
    EXPECT_EQ(error.category(), FtpError::Category::Security);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(server.logCount("login cordalis"), 0);
}

TEST_F(FtpClientTest, AnUntrustedCertificateIsASecurityFailure)
{
    TestFtpServer::Options options;
    options.tls = true;
    TestFtpServer server(options);
    FtpClient client;
    ConfigureFor(client, server);
    client.SetTlsRequired(true);
    FtpError untrusted = ErrorOf([&] { client.Connect(); });
    EXPECT_TRUE(untrusted.isSecurity()) << untrusted.what();
    EXPECT_FALSE(client.Connected());

    // Without TLS the server refuses the login: an ordinary error, not a negotiation one.
    client.SetTlsRequired(false);
    FtpError clear = ErrorOf([&] { client.Connect(); });
    EXPECT_FALSE(clear.isSecurity()) << clear.what();
    EXPECT_EQ(server.logCount("login cordalis"), 0);
}

// Every operation over explicit TLS, against pyftpdlib (MLSD and LIST) and proftpd, both of
// which refuse a data connection that does not resume the control connection's session: no
// command but AUTH goes in clear text, and every data connection is protected (PROT P).
TEST_F(FtpClientTest, EveryOperationWorksOverTlsAndNothingGoesInClearText)
{
    const QByteArray big(300000, 'b');
    WriteLocal(localPath("up.xml"), big);
    const auto exercise = [&](FtpClient& client, const QString& folder) {
        client.SetTlsRequired(true);
        client.Connect();
        client.ChangeDir(folder);
        client.List();
        ASSERT_NE(Find(client, "a.xml"), nullptr);
        client.Get("a.xml", localPath("a.xml"));
        EXPECT_EQ(ReadLocal(localPath("a.xml")), "<a/>");
        client.Put(localPath("up.xml"), "up.part");
        EXPECT_TRUE(client.Rename("up.part", "a.xml"));
        client.Get("a.xml", localPath("back.xml"));
        EXPECT_EQ(ReadLocal(localPath("back.xml")), big);
        client.Delete("a.xml");
        client.Disconnect();
    };
    for (const bool mlsd : {true, false}) {
        SCOPED_TRACE(mlsd ? "MLSD" : "LIST");
        TestFtpServer::Options options;
        options.mlsd = mlsd;
        options.tls = true;
        options.tlsRequireReuse = true;
        options.logCommands = true;
        TestFtpServer server(options);
        server.writeFile("Rapport/a.xml", "<a/>");
        FtpClient client;
        ConfigureFor(client, server);
        client.SetTrustedCertificates(server.caFile());
        exercise(client, "/Rapport");
        ASSERT_TRUE(server.waitForLog("disconnect"));
        const QStringList log = server.commands();
        EXPECT_EQ(log.filter(QRegularExpression("^command clear ")),
                  QStringList{"command clear AUTH TLS"});
        EXPECT_TRUE(log.contains("command tls PASS *"));
        EXPECT_TRUE(log.contains("command tls PROT P"));
        EXPECT_EQ(server.logCount("data C"), 0);
        EXPECT_EQ(server.logCount("data P"), 5) << log.join(',').toStdString();
        EXPECT_EQ(server.logCount("data-tls resumed"), 5);
    }
    TestProftpdServer::Options options;
    options.tls = true;
    TestProftpdServer proftpd(options);
    proftpd.writeFile("Rapport/a.xml", "<a/>");
    FtpClient client;
    client.Configure(proftpd.host(), proftpd.user(), proftpd.password(), proftpd.port());
    client.SetTrustedCertificates(proftpd.caFile());
    exercise(client, "Rapport");
    EXPECT_TRUE(proftpd.commandLog().contains("PASS (hidden) 230"))
        << proftpd.commandLog().join('|').toStdString();
}

// Without TLS the client says on the wire exactly what it always said: a session of the
// report pass, command for command (the password aside).
TEST_F(FtpClientTest, WithoutTlsTheCommandsAreThoseOfAClearSession)
{
    TestFtpServer::Options options;
    options.logCommands = true;
    TestFtpServer server(options);
    server.writeFile("Rapport/a.xml", "<a/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.SetTlsRequired(false);
    client.Connect();
    client.ChangeDir("/Rapport");
    client.List();
    client.Get("a.xml", localPath("a.xml"));
    client.Disconnect();
    ASSERT_TRUE(server.waitForLog("disconnect"));
    // (When a data connection is logged beside its command depends on timing.)
    EXPECT_EQ(
        server.commands(),
        (QStringList{"command clear USER cordalis", "command clear PASS *", "command clear PWD",
                     "command clear FEAT", "command clear CWD /Rapport", "command clear EPSV",
                     "command clear TYPE A", "command clear MLSD", "command clear EPSV",
                     "command clear TYPE I", "command clear RETR a.xml", "command clear QUIT"}));
    EXPECT_EQ(server.logCount("data C"), 2);
}

// What a user is told when an encrypted connection cannot be trusted or made: always the
// security category, a reason to act on, and never a login in clear text.
TEST_F(FtpClientTest, TlsFailuresSayWhyAndNeverLogInInClearText)
{
    struct Case
    {
        const char* name;
        TestFtpServer::Options options;
        bool trust; // the server's own certificate file as the one to trust
        QString trusted;
        const char* reason;
    };
    TestFtpServer::Options tls;
    tls.tls = true;
    tls.logCommands = true;
    TestFtpServer::Options expired = tls;
    expired.certificate = TestFtpServer::Certificate::Expired;
    TestFtpServer::Options otherHost = tls;
    otherHost.certificate = TestFtpServer::Certificate::OtherHost;
    TestFtpServer::Options plain;
    plain.logCommands = true;
    TestFtpServer::Options fake;
    fake.fakeTls = true;
    fake.logCommands = true;
    QFile empty(localPath("empty.pem"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    const std::vector<Case> cases{
        {"self-signed, nothing to trust", tls, false, {}, "auto-signé"},
        {"expired", expired, true, {}, "a expiré"},
        {"other host", otherHost, true, {}, "pas établi pour le nom « 127.0.0.1 »"},
        {"missing file", tls, false, localPath("absent.pem"), "absent.pem"},
        {"empty file", tls, false, localPath("empty.pem"), "empty.pem"},
        {"server without TLS", plain, false, {}, "ne propose pas de connexion chiffrée"},
        {"AUTH accepted, then clear text", fake, false, {}, "négociation chiffrée"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFtpServer server(c.options);
        FtpClient client;
        ConfigureFor(client, server);
        client.SetTlsRequired(true);
        client.SetTrustedCertificates(c.trust ? server.caFile() : c.trusted);
        FtpError error = ErrorOf([&] { client.Connect(); });
        EXPECT_TRUE(error.isSecurity()) << error.what();
        EXPECT_TRUE(error.text().contains(QString::fromUtf8(c.reason))) << error.what();
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(server.commands().filter(QRegularExpression("^command \\w+ (USER|PASS)")),
                  QStringList());
    }
}

TEST_F(FtpClientTest, UploadReplacesTheRemoteFileWhole)
{
    TestFtpServer server;
    server.writeFile("remise_achat.xml", QByteArray(10000, 'x'));
    FtpClient client;
    ConfigureFor(client, server);
    client.Connect();

    WriteLocal(localPath("short.xml"), "<short/>");
    client.Put(localPath("short.xml"), "remise_achat.xml");
    EXPECT_EQ(server.readFile("remise_achat.xml"), "<short/>");

    // Empty files, binary content and names with spaces and accents go through unchanged.
    QByteArray binary;
    for (int i = 0; i < 256; ++i)
        binary.append(char(i));
    binary.append("\r\n\n\r");
    WriteLocal(localPath("bin"), binary);
    const QString name = QString::fromUtf8("Société #1 100%.xml");
    client.Put(localPath("bin"), name);
    EXPECT_EQ(server.readFile(name), binary);
    client.Get(name, localPath("back"));
    EXPECT_EQ(ReadLocal(localPath("back")), binary);
    WriteLocal(localPath("empty"), "");
    client.Put(localPath("empty"), "remise_achat.xml");
    EXPECT_EQ(server.readFile("remise_achat.xml"), "");
    EXPECT_TRUE(QFile::exists(server.pathOf("remise_achat.xml")));

    // A missing local file or a name that is not one file is refused; the session survives.
    FtpError missing = ErrorOf([&] { client.Put(localPath("none.xml"), "none.xml"); });
    EXPECT_TRUE(missing.text().contains("none.xml"));
    for (const char* bad : {"", "..", "../up.xml", "a\r\nDELE b"})
        EXPECT_FALSE(ErrorOf([&] {
                         client.Put(localPath("short.xml"), QString::fromUtf8(bad));
                     }).isSecurity());
    EXPECT_FALSE(QFile::exists(server.pathOf("../up.xml")));

    client.Disconnect();
    EXPECT_TRUE(server.waitForLog("disconnect"));
    EXPECT_EQ(server.logCount("connect"), 1);
}

// Renaming replaces a file of the new name where the server does (pyftpdlib, proftpd by
// default); a server that keeps it answers false. Refusals carry the server's reply code.
TEST_F(FtpClientTest, RenameAndDeleteInTheCurrentFolder)
{
    TestFtpServer server;
    server.writeFile("Rapport/new.part", "<new/>");
    server.writeFile("Rapport/r.xml", "<old/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.Connect();
    client.ChangeDir("Rapport");
    EXPECT_TRUE(client.Rename("new.part", "r.xml"));
    EXPECT_EQ(server.readFile("Rapport/r.xml"), "<new/>");
    EXPECT_FALSE(QFile::exists(server.pathOf("Rapport/new.part")));

    FtpError missing = ErrorOf([&] { client.Rename("absent", "r.xml"); });
    EXPECT_EQ(missing.replyCode(), 550) << missing.what();
    client.Delete("r.xml");
    EXPECT_FALSE(QFile::exists(server.pathOf("Rapport/r.xml")));
    EXPECT_EQ(ErrorOf([&] { client.Delete("r.xml"); }).replyCode(), 550);
    for (const char* bad : {"", "..", "../r.xml", "a\r\nDELE b"})
        EXPECT_EQ(ErrorOf([&] { client.Delete(QString::fromUtf8(bad)); }).replyCode(), 0);
    // A failure that is not the server's refusal has no reply code.
    EXPECT_EQ(ErrorOf([&] { client.Put(localPath("none"), "x"); }).replyCode(), 0);
    client.Disconnect();
    EXPECT_EQ(server.logCount("connect"), 1);

    TestProftpdServer::Options options;
    options.allowOverwrite = false;
    TestProftpdServer proftpd(options);
    proftpd.writeFile("a.part", "<new/>");
    proftpd.writeFile("a.xml", "<old/>");
    client.Configure(proftpd.host(), proftpd.user(), proftpd.password(), proftpd.port());
    client.Connect();
    EXPECT_FALSE(client.Rename("a.part", "a.xml"));
    EXPECT_EQ(proftpd.readFile("a.xml"), "<old/>");
    client.Delete("a.xml");
    EXPECT_TRUE(client.Rename("a.part", "a.xml"));
    EXPECT_EQ(proftpd.readFile("a.xml"), "<new/>");
    client.Disconnect();
}

TEST_F(FtpClientTest, ARefusedUploadReportsTheServerReplyAndKeepsTheSession)
{
    TestFtpServer::Options options;
    options.extraAccounts.push_back({"reader", "pw", "ro", true});
    TestFtpServer server(options);
    server.writeFile("ro/kept.xml", "<kept/>");
    WriteLocal(localPath("new.xml"), "<new/>");

    FtpClient client;
    client.Configure(server.host(), "reader", "pw", server.port());
    client.Connect();
    FtpError refused = ErrorOf([&] { client.Put(localPath("new.xml"), "kept.xml"); });
    EXPECT_FALSE(refused.isSecurity());
    EXPECT_TRUE(refused.text().contains("550")) << refused.what();
    EXPECT_EQ(server.readFile("ro/kept.xml"), "<kept/>");

    EXPECT_TRUE(client.Connected());
    client.Get("kept.xml", localPath("kept.xml"));
    EXPECT_EQ(ReadLocal(localPath("kept.xml")), "<kept/>");
    client.Disconnect();
    EXPECT_TRUE(server.waitForLog("quit"));
    EXPECT_EQ(server.logCount("connect"), 1);
}

TEST_F(FtpClientTest, DownloadReplacesTheLocalCopyOnlyWhenComplete)
{
    TestFtpServer server;
    server.writeFile("Rapport/r.xml", "<new/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.Connect();
    client.ChangeDir("/Rapport");

    WriteLocal(localPath("r.xml"), "<an older and longer local copy/>");
    client.Get("r.xml", localPath("r.xml"));
    EXPECT_EQ(ReadLocal(localPath("r.xml")), "<new/>");

    // A failed download leaves the previous copy and no temporary file beside it.
    FtpError missing = ErrorOf([&] { client.Get("missing.xml", localPath("r.xml")); });
    EXPECT_FALSE(missing.isSecurity());
    EXPECT_TRUE(missing.text().contains("missing.xml")) << missing.what();
    EXPECT_EQ(ReadLocal(localPath("r.xml")), "<new/>");
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::Files), QStringList{"r.xml"});

    // So does a transfer that breaks off halfway.
    server.writeFile("Rapport/broken.cut", QByteArray(100000, 'b'));
    WriteLocal(localPath("broken.cut"), "<good/>");
    FtpError broken = ErrorOf([&] { client.Get("broken.cut", localPath("broken.cut")); });
    EXPECT_FALSE(broken.isSecurity());
    EXPECT_TRUE(broken.text().contains("interrompue")) << broken.what();
    EXPECT_EQ(ReadLocal(localPath("broken.cut")), "<good/>");
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::Files), (QStringList{"broken.cut", "r.xml"}));

    // A local folder that does not exist is reported, not a crash.
    FtpError noFolder = ErrorOf([&] { client.Get("r.xml", localPath("no/such/r.xml")); });
    EXPECT_TRUE(noFolder.text().contains("no/such")) << noFolder.what();

    // Large files arrive whole.
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 4096);
    server.writeFile("Rapport/big.bin", big);
    client.Get("big.bin", localPath("big.bin"));
    EXPECT_EQ(ReadLocal(localPath("big.bin")), big);
}

// The server drops the whole session (data and control connections) in the middle of a
// transfer: the download keeps the earlier local copy, the upload is reported, and the next
// operation logs in again on a new connection.
TEST_F(FtpClientTest, ASessionDroppedMidTransferIsReportedAndTheNextOperationLogsInAgain)
{
    TestFtpServer server;
    QByteArray big(2 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 13 + i / 1000);
    server.writeFile("Rapport/r.drop", big);
    server.writeFile("Rapport/ok.xml", "<ok/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.SetReplyTimeout(5);
    client.Connect();
    client.ChangeDir("/Rapport");

    WriteLocal(localPath("r.drop"), "<good/>");
    FtpError download = ErrorOf([&] { client.Get("r.drop", localPath("r.drop")); });
    EXPECT_FALSE(download.isSecurity());
    EXPECT_FALSE(download.text().isEmpty());
    EXPECT_EQ(ReadLocal(localPath("r.drop")), "<good/>");
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::Files), QStringList{"r.drop"});
    ASSERT_TRUE(server.waitForLog("disconnect"));

    client.ChangeDir("/Rapport");
    client.Get("ok.xml", localPath("ok.xml"));
    EXPECT_EQ(ReadLocal(localPath("ok.xml")), "<ok/>");

    WriteLocal(localPath("up.bin"), big);
    FtpError upload = ErrorOf([&] { client.Put(localPath("up.bin"), "up.drop"); });
    EXPECT_FALSE(upload.isSecurity());
    EXPECT_FALSE(upload.text().isEmpty());
    EXPECT_EQ(ReadLocal(localPath("up.bin")), big);
    ASSERT_TRUE(server.waitForLog("disconnect", 2));

    client.ChangeDir("/Rapport");
    client.Put(localPath("ok.xml"), "again.xml");
    EXPECT_EQ(server.readFile("Rapport/again.xml"), "<ok/>");
    client.Disconnect();
}

// A server that keeps the data connection open but sends nothing more: the download fails
// after the stall time-out with a text that says so, the local copy stays as it was, and the
// client goes on. A transfer that moves, however slowly, is never cut.
TEST_F(FtpClientTest, AStalledDownloadFailsAfterTheStallTimeAndASlowOneGoesOn)
{
    TestFtpServer server;
    server.writeFile("Rapport/r.stall.xml", QByteArray(200000, 's'));
    server.writeFile("Rapport/r.slow", "abcd");
    server.writeFile("Rapport/ok.xml", "<ok/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.SetStallTimeout(2);
    client.Connect();
    client.ChangeDir("/Rapport");

    WriteLocal(localPath("r.stall.xml"), "<good/>");
    QElapsedTimer timer;
    timer.start();
    FtpError stalled = ErrorOf([&] { client.Get("r.stall.xml", localPath("r.stall.xml")); });
    EXPECT_GE(timer.elapsed(), 1900);
    EXPECT_LT(timer.elapsed(), 15000);
    EXPECT_FALSE(stalled.isSecurity());
    EXPECT_TRUE(stalled.text().contains("aucune donnée reçue depuis 2 secondes")) << stalled.what();
    EXPECT_EQ(ReadLocal(localPath("r.stall.xml")), "<good/>");
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::Files), QStringList{"r.stall.xml"});

    // Four bytes, 1.5 s apart: slower than a byte a second, never still for 2 s.
    client.Get("r.slow", localPath("r.slow"));
    EXPECT_EQ(ReadLocal(localPath("r.slow")), "abcd");
    client.Get("ok.xml", localPath("ok.xml"));
    EXPECT_EQ(ReadLocal(localPath("ok.xml")), "<ok/>");
}

TEST_F(FtpClientTest, ChangeDirToAMissingFolderIsAnErrorAndKeepsTheCurrentOne)
{
    TestFtpServer server;
    server.writeFile("Rapport/Historique/h.xml", "<h/>");
    server.writeFile("Rapport/r.xml", "<r/>");
    server.writeFile("r.xml", "<top/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.Connect();

    client.ChangeDir("/Rapport/Historique/");
    client.Get("h.xml", localPath("h.xml"));
    EXPECT_EQ(ReadLocal(localPath("h.xml")), "<h/>");

    FtpError error = ErrorOf([&] { client.ChangeDir("/Rapport/Absent"); });
    EXPECT_FALSE(error.isSecurity());
    EXPECT_TRUE(error.text().contains("/Rapport/Absent")) << error.what();
    client.Get("h.xml", localPath("h2.xml"));
    EXPECT_EQ(ReadLocal(localPath("h2.xml")), "<h/>");

    client.ChangeDir("/Rapport");
    client.Get("r.xml", localPath("r.xml"));
    EXPECT_EQ(ReadLocal(localPath("r.xml")), "<r/>");
    client.ChangeDir("/");
    client.Get("r.xml", localPath("top.xml"));
    EXPECT_EQ(ReadLocal(localPath("top.xml")), "<top/>");

    // Active mode works too, for servers behind a firewall that forbids passive ports.
    client.SetPassive(false);
    client.List();
    EXPECT_NE(Find(client, "Rapport"), nullptr);
    client.Get("r.xml", localPath("active.xml"));
    EXPECT_EQ(ReadLocal(localPath("active.xml")), "<top/>");
}

TEST_F(FtpClientTest, AbsolutePathsStartAtTheServerRootNotTheLoginFolder)
{
    TestFtpServer::Options options;
    options.extraAccounts.push_back({"store", "pw", "stores/store1"});
    TestFtpServer server(options);
    server.writeFile("stores/store1/Rapport/mine.xml", "<mine/>");
    FtpClient client;
    client.Configure(server.host(), "store", "pw", server.port());
    client.Connect();
    // The account's home is its root: "/Rapport" is its own folder.
    client.ChangeDir("/Rapport");
    client.Get("mine.xml", localPath("mine.xml"));
    EXPECT_EQ(ReadLocal(localPath("mine.xml")), "<mine/>");
}

TEST_F(FtpClientTest, AConnectionTheServerClosedIsReplacedOrLetGo)
{
    TestFtpServer::Options options;
    options.idleTimeoutSeconds = 0.5;
    TestFtpServer server(options);
    server.writeFile("Rapport/r.xml", "<r/>");
    FtpClient client;
    ConfigureFor(client, server);

    // Disconnecting after the server hung up ends at once, without a new session.
    client.Connect();
    ASSERT_TRUE(server.waitForLog("disconnect"));
    QElapsedTimer timer;
    timer.start();
    client.Disconnect();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(server.logCount("connect"), 1);

    // A window that keeps its session open (the history retrieval) still gets its file in
    // the folder it chose: the client logs in again.
    client.Connect();
    client.ChangeDir("/Rapport");
    ASSERT_TRUE(server.waitForLog("disconnect", 2));
    client.Get("r.xml", localPath("r.xml"));
    EXPECT_EQ(ReadLocal(localPath("r.xml")), "<r/>");
    EXPECT_EQ(server.logCount("login cordalis"), 3);
}

TEST_F(FtpClientTest, AbortEndsTheOperationUnderWayAtOnceEvenWithAFrozenServer)
{
    TestFtpServer server;
    server.writeFile("Rapport/r.xml", "<r/>");
    FtpClient client;
    ConfigureFor(client, server);
    client.Connect();
    client.ChangeDir("/Rapport");
    client.List();

    // The server stops answering: a download waits for its reply, and a stop from another
    // thread ends it without waiting for the reply time-out.
    server.freeze();
    QElapsedTimer timer;
    timer.start();
    std::atomic<qint64> stoppedAt{-1};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stoppedAt = timer.elapsed();
        client.Abort();
    });
    FtpError error = ErrorOf([&] { client.Get("r.xml", localPath("r.xml")); });
    const qint64 endedAt = timer.elapsed();
    stopper.join();
    EXPECT_LT(endedAt - stoppedAt, 500);
    EXPECT_FALSE(error.isSecurity());
    EXPECT_TRUE(error.text().contains("r.xml")) << error.what();
    EXPECT_TRUE(QDir(local_.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Every later operation fails at once, without the network, until Disconnect, which
    // closes without QUIT: a frozen server cannot hold it up either.
    timer.restart();
    EXPECT_FALSE(ErrorOf([&] { client.List(); }).text().isEmpty());
    EXPECT_FALSE(ErrorOf([&] { client.Connect(); }).text().isEmpty());
    client.Disconnect();
    EXPECT_FALSE(client.Connected());
    EXPECT_LT(timer.elapsed(), 1000);
    server.resume();
    ASSERT_TRUE(server.waitForLog("disconnect"));
    EXPECT_EQ(server.logCount("quit"), 0);

    // The client is usable again.
    client.Connect();
    client.ChangeDir("/Rapport");
    client.Get("r.xml", localPath("r.xml"));
    EXPECT_EQ(ReadLocal(localPath("r.xml")), "<r/>");
    client.Disconnect();
    EXPECT_TRUE(server.waitForLog("quit"));
}

TEST_F(FtpClientTest, DownloadsAfterAListingCostTwoRepliesEachOnAnyConnection)
{
    TestFtpServer::Options options;
    options.logCommands = true;
    TestFtpServer server(options);
    for (const char* name : {"a.xml", "b c.xml", "d.xml"})
        server.writeFile(QStringLiteral("Rapport/") + QString::fromLatin1(name), name);
    FtpClient lister;
    FtpClient other;
    for (FtpClient* client : {&lister, &other}) {
        ConfigureFor(*client, server);
        client->Connect();
        client->ChangeDir("/Rapport");
    }
    lister.List();
    other.UseListingOf(lister);
    lister.Get("a.xml", localPath("a.xml"));
    other.Get("b c.xml", localPath("b c.xml"));
    other.Get("d.xml", localPath("d.xml"));
    EXPECT_EQ(ReadLocal(localPath("b c.xml")), "b c.xml");
    EXPECT_EQ(ReadLocal(localPath("d.xml")), "d.xml");
    lister.Disconnect();
    other.Disconnect();
    ASSERT_TRUE(server.waitForLog("disconnect", 2));

    // A passive port and the transfer per file: the listed size spares SIZE, and the folder
    // is entered once per connection.
    QStringList verbs;
    for (const QString& line : server.sessionLog())
        if (line.startsWith("command 2 "))
            verbs << line.section(' ', 3, 3);
    EXPECT_EQ(verbs.count("RETR"), 2);
    EXPECT_EQ(verbs.count("EPSV") + verbs.count("PASV"), 2) << verbs.join(' ').toStdString();
    EXPECT_EQ(verbs.count("SIZE"), 0);
    EXPECT_EQ(verbs.count("CWD"), 1);
}

enum class ListingServer
{
    Mlsd,
    ListOnly,
    MlsdRefused
};

class FtpClientListingTest : public FtpClientTest,
                             public ::testing::WithParamInterface<ListingServer>
{
};

TEST_P(FtpClientListingTest, ListsFilesAndFoldersWithTheirLocalTimes)
{
    TestFtpServer::Options options;
    options.mlsd = GetParam() != ListingServer::ListOnly;
    options.mlsdRefused = GetParam() == ListingServer::MlsdRefused;
    TestFtpServer server(options);
    // Recent files carry their time in LIST, older ones only their date.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime recent(now.date().addDays(-3), QTime(14, 3));
    const QDateTime summer(QDate(now.date().year() - 2, 7, 14), QTime(0, 0));
    server.writeFile("Rapport/store 01.xml", "<r/>", recent);
    server.writeFile("Rapport/old.xml", "12345", summer);
    server.makeDir("Rapport/Historique");
    QFile::link(server.pathOf("Rapport/old.xml"), server.pathOf("Rapport/link.xml"));
    // A name in Latin-1, as files brought over from Windows have.
    const QByteArray latin1Path = QFile::encodeName(server.pathOf("Rapport/")) + "caf\xe9.xml";
    const int fd = ::open(latin1Path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "<cafe/>", 7), 7);
    ::close(fd);

    FtpClient client;
    ConfigureFor(client, server);
    client.Connect();
    client.ChangeDir("/Rapport");
    client.SetBinary();
    client.List();

    const FtpListItem* file = Find(client, "store 01.xml");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->IsFile);
    EXPECT_EQ(file->ModifiedDate, recent) << file->ModifiedDate.toString().toStdString();
    EXPECT_EQ(file->Size, 4);

    const FtpListItem* old = Find(client, "old.xml");
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(old->IsFile);
    EXPECT_EQ(old->ModifiedDate.date(), summer.date());

    const FtpListItem* folder = Find(client, "Historique");
    ASSERT_NE(folder, nullptr);
    EXPECT_FALSE(folder->IsFile);

    // pyftpdlib's LIST shows the link as a link; its MLSD calls it a file.
    const FtpListItem* link = Find(client, "link.xml");
    ASSERT_NE(link, nullptr);
    if (GetParam() != ListingServer::Mlsd) {
        EXPECT_FALSE(link->IsFile);
    }
    EXPECT_EQ(client.ListingCount(), 5);

    // Every listed file can be fetched under its listed name, whatever its bytes.
    client.Get(file->FileName, localPath("store.xml"));
    EXPECT_EQ(ReadLocal(localPath("store.xml")), "<r/>");
    const FtpListItem* cafe = Find(client, QString::fromUtf8("café.xml"));
    ASSERT_NE(cafe, nullptr);
    client.Get(cafe->FileName, localPath("cafe.xml"));
    EXPECT_EQ(ReadLocal(localPath("cafe.xml")), "<cafe/>");

    // A new listing replaces the previous one; an empty folder gives an empty listing.
    client.ChangeDir("/Rapport/Historique");
    client.List();
    EXPECT_EQ(client.ListingCount(), 0);
    EXPECT_THROW(client.Listing(0), FtpError);
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpClientListingTest,
                         ::testing::Values(ListingServer::Mlsd, ListingServer::ListOnly,
                                           ListingServer::MlsdRefused),
                         [](const auto& info) {
                             switch (info.param) {
                             case ListingServer::Mlsd:
                                 return "Mlsd";
                             case ListingServer::ListOnly:
                                 return "ListOnly";
                             default:
                                 return "MlsdRefused";
                             }
                         });
