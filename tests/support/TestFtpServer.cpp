#include "TestFtpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString LogPath(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("session.log"));
}

} // namespace

TestFtpServer::TestFtpServer() : TestFtpServer(Options{}) {}

TestFtpServer::TestFtpServer(const Options& options)
{
    if (!dir_.isValid() || !QDir(dir_.path()).mkpath(QStringLiteral("root")))
        throw std::runtime_error("TestFtpServer: no temporary folder");

    QStringList arguments{QStringLiteral(CORDALIS_FTP_SERVER_SCRIPT), QStringLiteral("--log"),
                          LogPath(dir_), QStringLiteral("--user"),
                          user() + ':' + password() + QStringLiteral(":elradfmwMT:") + rootPath()};
    for (const Account& account : options.extraAccounts) {
        makeDir(account.home);
        arguments << QStringLiteral("--user")
                  << account.user + ':' + account.password + ':' +
                         (account.readOnly ? QStringLiteral("elr") : QStringLiteral("elradfmwMT")) +
                         ':' + pathOf(account.home);
    }
    if (!options.mlsd)
        arguments << QStringLiteral("--no-mlsd");
    if (options.mlsdRefused)
        arguments << QStringLiteral("--mlsd-refused");
    if (options.idleTimeoutSeconds > 0)
        arguments << QStringLiteral("--idle-timeout")
                  << QString::number(options.idleTimeoutSeconds);
    if (options.tls)
        arguments << QStringLiteral("--tls") << dir_.filePath(QStringLiteral("server.pem"));
    if (options.silent)
        arguments << QStringLiteral("--silent");

    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("TestFtpServer: /usr/bin/python3 does not start");

    // The server prints "PORT <n>" once it listens.
    QByteArray output;
    QDeadlineTimer deadline(20000);
    while (!output.contains('\n')) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running)
            throw std::runtime_error("TestFtpServer: the server did not start (pyftpdlib?)");
        process_.waitForReadyRead(100);
        output += process_.readAllStandardOutput();
    }
    const QByteArray line = output.left(output.indexOf('\n')).trimmed();
    bool ok = false;
    port_ = line.startsWith("PORT ") ? line.mid(5).toUShort(&ok) : 0;
    if (!ok || port_ == 0)
        throw std::runtime_error("TestFtpServer: unexpected output: " + line.toStdString());
}

TestFtpServer::~TestFtpServer()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.closeWriteChannel(); // the server ends at the end of its standard input
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QString TestFtpServer::rootPath() const
{
    return dir_.filePath(QStringLiteral("root"));
}

QString TestFtpServer::pathOf(const QString& relativePath) const
{
    return rootPath() + '/' + relativePath;
}

void TestFtpServer::writeFile(const QString& relativePath, const QByteArray& content,
                              const QDateTime& modified) const
{
    const QString path = pathOf(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size())
        throw std::runtime_error("TestFtpServer: cannot write " + path.toStdString());
    file.flush(); // a later flush would set the time to now again
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
}

void TestFtpServer::makeDir(const QString& relativePath) const
{
    if (!QDir().mkpath(pathOf(relativePath)))
        throw std::runtime_error("TestFtpServer: cannot create " + relativePath.toStdString());
}

QByteArray TestFtpServer::readFile(const QString& relativePath) const
{
    QFile file(pathOf(relativePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TestFtpServer::sessionLog() const
{
    QFile file(LogPath(dir_));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

int TestFtpServer::logCount(const QString& event) const
{
    return int(sessionLog().count(event));
}

bool TestFtpServer::waitForLog(const QString& event, int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (logCount(event) < count) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

quint16 TestFtpServer::UnusedPort()
{
    // Bind a free port, then release it: nothing listens there afterwards.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        throw std::runtime_error("TestFtpServer: no free port");
    return ntohs(address.sin_port);
}
