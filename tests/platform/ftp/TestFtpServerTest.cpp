// The FTP server fixture itself: it must really listen and greet, stop cleanly, and tell
// a silent server from a normal one, since the client's tests lean on all three.
#include "TestFtpServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Connects to 127.0.0.1:port and returns what the peer says within timeoutMs.
QByteArray Greeting(quint16 port, int timeoutMs)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray said;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, timeoutMs) == 1) {
            char buffer[256];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                said = QByteArray(buffer, int(n));
        }
    }
    ::close(fd);
    return said;
}

} // namespace

TEST(TestFtpServer, GreetsLogsAndServesItsRoot)
{
    TestFtpServer server;
    ASSERT_NE(server.port(), 0);
    EXPECT_TRUE(Greeting(server.port(), 5000).startsWith("220"));
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
    EXPECT_TRUE(Greeting(server.port(), 300).isEmpty());
}

TEST(TestFtpServer, UnusedPortRefusesConnections)
{
    EXPECT_TRUE(Greeting(TestFtpServer::UnusedPort(), 300).isEmpty());
}
