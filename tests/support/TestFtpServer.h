#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

// A real FTP server (pyftpdlib, run by /usr/bin/python3) listening on 127.0.0.1 on a free
// port, serving a temporary root folder, for the time of one test:
//
//     TestFtpServer server;                       // started, or throws std::runtime_error
//     server.writeFile("Rapport/a.xml", "<x/>");  // files the server will serve
//     client.Configure(server.host(), server.user(), server.password(), server.port(), 0);
//     ...
//     server.waitForLog("quit");                  // the client ended its session
//
// A file whose name ends in ".cut" is sent only half, as by a broken transfer.
// The main account (user(), password()) has the root folder as its home, with every right.
// Other accounts can be given with their own home folder under the root. The server keeps a
// log of sessions: "connect", "login NAME", "login-failed NAME", "quit", "disconnect", one
// per line, so tests can count sessions and see that none is left open.
//
// The destructor stops the server and removes the folder. The server also stops by itself
// when the test program ends, even abnormally.
class TestFtpServer
{
public:
    struct Account
    {
        QString user;
        QString password;
        QString home;          // relative to the root folder; created when missing
        bool readOnly = false; // may list and download, nothing else
    };

    struct Options
    {
        // false: the server offers no MLSD/MLST (like vsftpd); listings come from LIST, whose
        // times are the server's local time.
        bool mlsd = true;
        // true: announces MLST in its features but refuses MLSD, as some servers do.
        bool mlsdRefused = false;
        // Control connections idle this long are closed by the server (0: 300 s).
        double idleTimeoutSeconds = 0;
        // true: offers AUTH TLS with a self-signed certificate (which no client trusts) and
        // refuses logins in clear text.
        bool tls = false;
        // true: accepts connections and never answers a word (time-out tests).
        bool silent = false;
        std::vector<Account> extraAccounts;
    };

    TestFtpServer();
    explicit TestFtpServer(const Options& options);
    ~TestFtpServer();
    TestFtpServer(const TestFtpServer&) = delete;
    TestFtpServer& operator=(const TestFtpServer&) = delete;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return port_; }
    QString user() const { return QStringLiteral("cordalis"); }
    QString password() const { return QStringLiteral("s3cret"); }

    // The server's root folder (the main account's home), without trailing separator.
    QString rootPath() const;
    // rootPath() + "/" + relativePath.
    QString pathOf(const QString& relativePath) const;

    // Writes a file under the root, creating its folders; with a valid modified time, sets
    // the file's modification time to it.
    void writeFile(const QString& relativePath, const QByteArray& content,
                   const QDateTime& modified = {}) const;
    // Creates a folder (and its parents) under the root.
    void makeDir(const QString& relativePath) const;
    // The content of a file under the root; an empty array when it does not exist.
    QByteArray readFile(const QString& relativePath) const;

    // The events logged so far, oldest first.
    QStringList sessionLog() const;
    // How many logged lines equal event.
    int logCount(const QString& event) const;
    // Waits until event has been logged at least count times; false after timeoutMs.
    bool waitForLog(const QString& event, int count = 1, int timeoutMs = 5000) const;

    // A port on 127.0.0.1 where nothing listens (for refused connections).
    static quint16 UnusedPort();

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};
