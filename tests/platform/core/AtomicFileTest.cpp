#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

TEST(AtomicFileTest, ReplacesTheFileOrLeavesItWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cible.xml");
    QString error;
    ASSERT_TRUE(WriteFileAtomically(path, "ancien contenu", &error)) << error.toStdString();
    ASSERT_TRUE(WriteFileAtomically(path, "nouveau", &error));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "nouveau");
    file.close();

    EXPECT_FALSE(WriteFileAtomically(dir.filePath("absent/cible.xml"), "x", &error));
    EXPECT_FALSE(error.isEmpty());

    // A short write (here a file size limit, as a full disk would do) must not be committed.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = WriteFileAtomically(path, QByteArray(100, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "nouveau");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cible.xml"});
}

} // namespace
