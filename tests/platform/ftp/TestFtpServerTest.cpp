// The FTP server fixture itself: it must really listen and greet, stop cleanly, and tell
// a silent server from a normal one, since the client's tests lean on all three.
#include "TestFtpServer.h"

#include <gtest/gtest.h>

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
