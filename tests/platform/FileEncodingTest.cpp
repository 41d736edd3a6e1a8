#include "AtomicFile.h"
#include "Windows1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

TEST(Windows1252Test, EveryByteRoundTripsAndForeignCharactersAreReplaced)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = Windows1252::Decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x9C), QChar(0x0153));
    EXPECT_EQ(text.at(0xE9), QChar(0x00E9));
    bool lossless = false;
    EXPECT_EQ(Windows1252::Encode(text, '?', &lossless), all);
    EXPECT_TRUE(lossless);
    EXPECT_TRUE(Windows1252::CanEncode(text));

    // U+0080..U+009F that stand for other characters in the code page have no byte.
    EXPECT_FALSE(Windows1252::CanEncode(QString(QChar(0x80))));
    EXPECT_EQ(Windows1252::Encode(QStringLiteral("é€œ ā 😀 \u0080"), '?', &lossless),
              QByteArray("\xE9\x80\x9C ? ? ?"));
    EXPECT_FALSE(lossless);
}

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
