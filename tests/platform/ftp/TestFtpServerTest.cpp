// The FTP server fixture itself: it must really listen and greet, stop cleanly, tell a silent
// server from a normal one, and answer as late and refuse as much as asked, since the
// client's and the report pass's tests lean on all of it.
#include "TestFtpServer.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A plain TCP connection to 127.0.0.1 that reads whole reply lines.
class Session
{
public:
    explicit Session(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~Session() { ::close(fd_); }

    void send(const QByteArray& text) { ::send(fd_, text.constData(), size_t(text.size()), 0); }

    // The next reply line, without its line end; empty after timeoutMs or at the end.
    QByteArray line(int timeoutMs)
    {
        while (!buffer_.contains('\n')) {
            pollfd waiting{fd_, POLLIN, 0};
            char chunk[256];
            if (::poll(&waiting, 1, timeoutMs) != 1)
                return {};
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return {};
            buffer_.append(chunk, int(n));
        }
        const qsizetype end = buffer_.indexOf('\n');
        const QByteArray line = buffer_.left(end).trimmed();
        buffer_.remove(0, end + 1);
        return line;
    }

private:
    int fd_;
    QByteArray buffer_;
};

} // namespace

TEST(TestFtpServer, DistantServerAnswersLateInOrderAndKeepsItsLimits)
{
    TestFtpServer::Options options;
    options.replyDelayMs = 150;
    options.maxConsPerIp = 1;
    options.logCommands = true;
    TestFtpServer server(options);

    QElapsedTimer timer;
    timer.start();
    Session first(server.port());
    EXPECT_TRUE(first.line(5000).startsWith("220"));
    EXPECT_GE(timer.elapsed(), 140);
    // Two commands at once: both replies come late, in the order of the commands.
    timer.restart();
    first.send("NOOP\r\nUSER cordalis\r\n");
    EXPECT_TRUE(first.line(5000).startsWith("200"));
    EXPECT_GE(timer.elapsed(), 140);
    EXPECT_TRUE(first.line(5000).startsWith("331"));

    // One connection per address: the next one is refused at once, after the delay too.
    Session second(server.port());
    EXPECT_TRUE(second.line(5000).startsWith("421"));
    EXPECT_TRUE(second.line(2000).isEmpty()); // then closed
    EXPECT_TRUE(server.waitForLog("command 1 clear NOOP"));
    EXPECT_TRUE(server.waitForLog("command 1 clear USER cordalis"));
}

TEST(TestFtpServer, LoginsBeyondTheAccountLimitAreRefused)
{
    TestFtpServer::Options options;
    options.maxLogins = 1;
    TestFtpServer server(options);
    Session first(server.port());
    Session second(server.port());
    for (Session* session : {&first, &second}) {
        ASSERT_TRUE(session->line(5000).startsWith("220"));
        session->send("USER cordalis\r\nPASS s3cret\r\n");
        EXPECT_TRUE(session->line(5000).startsWith("331"));
    }
    EXPECT_TRUE(first.line(5000).startsWith("230"));
    EXPECT_TRUE(second.line(5000).startsWith("530"));
    EXPECT_TRUE(server.waitForLog("login-refused cordalis"));
    EXPECT_EQ(server.logCount("login cordalis"), 1);
}

TEST(TestFtpServer, GreetsLogsAndServesItsRoot)
{
    TestFtpServer server;
    ASSERT_NE(server.port(), 0);
    EXPECT_TRUE(TestFtpServer::Greeting(server.port(), 5000).startsWith("220"));
    EXPECT_TRUE(server.waitForLog("connect"));

    server.writeFile("a/b.txt", "abc");
    EXPECT_EQ(server.readFile("a/b.txt"), "abc");
    EXPECT_TRUE(server.readFile("missing").isEmpty());
}

TEST(TestFtpServer, SilentServerNeverAnswers)
{
    TestFtpServer::Options options;
    options.silent = true;
    TestFtpServer server(options);
    EXPECT_TRUE(TestFtpServer::Greeting(server.port(), 300).isEmpty());
}

TEST(TestFtpServer, UnusedPortRefusesConnections)
{
    EXPECT_TRUE(TestFtpServer::Greeting(TestFtpServer::UnusedPort(), 300).isEmpty());
}
