// Listing lines as real servers send them, each with the entry it must give. "now" is
// fixed so that year-less Unix dates are decided the same way on every run.
#include "FtpListing.h"

#include <gtest/gtest.h>

using FtpListing::Entry;

namespace {

const QDateTime Now(QDate(2020, 5, 28), QTime(10, 0));

struct Case
{
    const char* line;
    const char* name; // nullptr: the line gives no entry
    bool isFile;
    QDateTime modified;
    qint64 size;
};

QDateTime Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

void Check(const Case& c, const std::optional<Entry>& entry)
{
    SCOPED_TRACE(c.line);
    if (!c.name) {
        EXPECT_FALSE(entry.has_value()) << entry->item.FileName.toStdString();
        return;
    }
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->item.FileName, QString::fromUtf8(c.name));
    EXPECT_EQ(entry->item.IsFile, c.isFile);
    EXPECT_EQ(entry->item.ModifiedDate, c.modified);
    EXPECT_EQ(entry->item.Size, c.size);
}

} // namespace

TEST(FtpListing, UnixLines)
{
    const Case cases[] = {
        // pyftpdlib, vsftpd, proftpd, pure-ftpd: recent files carry the time, older the year.
        {"-rw-r--r--   1 ftp      ftp          1234 May 27 14:03 rapport.xml", "rapport.xml", true,
         Local(2020, 5, 27, 14, 3), 1234},
        {"-rw-r--r--    1 1000     1000         2048 Mar 05  2019 old.xml", "old.xml", true,
         Local(2019, 3, 5), 2048},
        {"drwxr-xr-x   2 ftp      ftp          4096 May 28 09:00 Historique", "Historique", false,
         Local(2020, 5, 28, 9, 0), -1},
        // A year-less date after tomorrow belongs to last year.
        {"-rw-r--r-- 1 u g 10 Dec 31 23:59 newyear.xml", "newyear.xml", true,
         Local(2019, 12, 31, 23, 59), 10},
        {"-rw-r--r-- 1 u g 10 May 29 08:00 skew.xml", "skew.xml", true, Local(2020, 5, 29, 8, 0),
         10},
        // Names keep their inner and trailing spaces and non-ASCII letters.
        {"-rw-r--r-- 1 u g 5 Jan  2 03:04 mon rapport  final.xml ", "mon rapport  final.xml ", true,
         Local(2020, 1, 2, 3, 4), 5},
        {"-rw-r--r-- 1 u g 5 Jan  2 03:04 Société.xml", "Société.xml", true,
         Local(2020, 1, 2, 3, 4), 5},
        // An owner called like a month does not fool the date search.
        {"-rw-r--r-- 1 jan 12 7 Feb  3  2018 x.xml", "x.xml", true, Local(2018, 2, 3), 7},
        // Servers without a group column, with ACL marks, with ISO dates.
        {"-rw-r--r-- 1 owner 99 Apr 30 12:00 nogroup.xml", "nogroup.xml", true,
         Local(2020, 4, 30, 12, 0), 99},
        {"-rw-r--r--+ 1 u g 3 Apr 30 12:00 acl.xml", "acl.xml", true, Local(2020, 4, 30, 12, 0), 3},
        {"-rw-r--r-- 1 u g 3 2020-04-30 12:00 iso.xml", "iso.xml", true, Local(2020, 4, 30, 12, 0),
         3},
        // Symbolic links and other kinds are not plain files; the link loses its target.
        {"lrwxrwxrwx 1 u g 11 May 27 14:03 latest.xml -> rapport.xml", "latest.xml", false,
         Local(2020, 5, 27, 14, 3), -1},
        {"prw-r--r-- 1 u g 0 May 27 14:03 fifo", "fifo", false, Local(2020, 5, 27, 14, 3), -1},
        // Nothing to list.
        {"total 12", nullptr, false, {}, 0},
        {"drwxr-xr-x 2 u g 4096 May 28 09:00 .", nullptr, false, {}, 0},
        {"drwxr-xr-x 2 u g 4096 May 28 09:00 ..", nullptr, false, {}, 0},
        {"-rw-r--r-- 1 u g 5 May 28 09:00", nullptr, false, {}, 0},
        {"-rw-r--r-- 1 u g 5 Foo 28 09:00 x", nullptr, false, {}, 0},
        {"-rw-r--r-- 1 u g 5 May 28 25:00 x", nullptr, false, {}, 0},
        {"hello world this is not a listing", nullptr, false, {}, 0},
    };
    for (const Case& c : cases)
        Check(c, FtpListing::ParseListLine(c.line, Now));

    // A year-less 29 February in a year that has none is from the year before.
    const std::optional<Entry> leap = FtpListing::ParseListLine(
        "-rw-r--r-- 1 u g 1 Feb 29 10:00 leap.xml", QDateTime(QDate(2021, 3, 1), QTime(9, 0)));
    ASSERT_TRUE(leap.has_value());
    EXPECT_EQ(leap->item.ModifiedDate, Local(2020, 2, 29, 10, 0));
}

TEST(FtpListing, DosLines)
{
    const Case cases[] = {
        {"05-27-20  02:03PM                 1234 rapport.xml", "rapport.xml", true,
         Local(2020, 5, 27, 14, 3), 1234},
        {"05-27-20  12:15AM       <DIR>          Historique", "Historique", false,
         Local(2020, 5, 27, 0, 15), -1},
        {"05-27-20  12:15PM                    0 noon.xml", "noon.xml", true,
         Local(2020, 5, 27, 12, 15), 0},
        {"12-31-99  11:59PM                    7 old.xml", "old.xml", true,
         Local(1999, 12, 31, 23, 59), 7},
        {"05-27-2020  09:41AM               10 four digits.xml", "four digits.xml", true,
         Local(2020, 5, 27, 9, 41), 10},
        // Without AM/PM the hour is taken as written.
        {"05-27-20  23:59                  10 late.xml", "late.xml", true,
         Local(2020, 5, 27, 23, 59), 10},
        {"05-27-20  11:59                  10 ambiguous.xml", "ambiguous.xml", true,
         Local(2020, 5, 27, 11, 59), 10},
        {"13-27-20  02:03PM                 1234 badmonth.xml", nullptr, false, {}, 0},
        {"05-27-20  13:03PM                 1234 badhour.xml", nullptr, false, {}, 0},
        {"05-27-20  02:03PM                 1234", nullptr, false, {}, 0},
    };
    for (const Case& c : cases)
        Check(c, FtpListing::ParseListLine(c.line, Now));
}

TEST(FtpListing, MlsdLines)
{
    // modify= is UTC; entries come back in local time.
    const QDateTime utc(QDate(2020, 5, 27), QTime(14, 3, 9), Qt::UTC);
    const Case cases[] = {
        {"type=file;size=1234;modify=20200527140309; rapport.xml", "rapport.xml", true,
         utc.toLocalTime(), 1234},
        {"modify=20200527140309.123;perm=r;size=5;type=file;unique=8U1; with space.xml",
         "with space.xml", true, utc.toLocalTime(), 5},
        {"Type=File;Size=5;Modify=20200527140309; upper.xml", "upper.xml", true, utc.toLocalTime(),
         5},
        {"type=dir;sizd=4096;modify=20200527140309; Historique", "Historique", false,
         utc.toLocalTime(), -1},
        {"type=OS.unix=slink:/etc;modify=20200527140309; link", "link", false, utc.toLocalTime(),
         -1},
        {"type=file;size=1; nodate.xml", "nodate.xml", true, {}, 1},
        {"type=file;size=1;modify=20201341000000; baddate.xml", "baddate.xml", true, {}, 1},
        {"type=file;size=1;modify=2020; short.xml", "short.xml", true, {}, 1},
        // A name starting with a space keeps it: the facts end at the first space.
        {"type=file;size=1;modify=20200527140309;  lead.xml", " lead.xml", true, utc.toLocalTime(),
         1},
        {"type=cdir;modify=20200527140309; /Rapport", nullptr, false, {}, 0},
        {"type=pdir;modify=20200527140309; ..", nullptr, false, {}, 0},
        {"type=file;size=1;modify=20200527140309;", nullptr, false, {}, 0},
        {"type=file;size=1;modify=20200527140309; ", nullptr, false, {}, 0},
    };
    for (const Case& c : cases)
        Check(c, FtpListing::ParseMlsdLine(c.line));
}

TEST(FtpListing, WholeListingsSplitLinesAndKeepRawNames)
{
    const QByteArray mlsd = "type=cdir;modify=20200527140309; .\r\n"
                            "type=file;size=1;modify=20200527140309; a.xml\r\n"
                            "\r\n"
                            "garbage\n"
                            "type=file;size=2;modify=20200527140309; caf\xe9.xml\n";
    const std::vector<Entry> entries = FtpListing::ParseMlsd(mlsd);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].item.FileName, "a.xml");
    // Not UTF-8: shown as windows-1252, the server's own bytes kept to ask for the file again.
    EXPECT_EQ(entries[1].item.FileName, QString::fromUtf8("café.xml"));
    EXPECT_EQ(entries[1].rawName, QByteArray("caf\xe9.xml"));

    const QByteArray list = "total 2\r\n"
                            "-rw-r--r-- 1 u g 5 May 27 14:03 b.xml\r\n"
                            "05-27-20  02:03PM                 1234 c.xml\r\n";
    const std::vector<Entry> listed = FtpListing::ParseList(list, Now);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].item.FileName, "b.xml");
    EXPECT_EQ(listed[1].item.FileName, "c.xml");
}

// Names that are not UTF-8 come from Windows servers: windows-1252, where 0x92 is a
// typographic apostrophe and 0x9C the ligature oe; the five bytes the code page leaves
// undefined stay control characters, which no safe name holds.
TEST(FtpListing, NamesThatAreNotUtf8AreReadAsWindows1252)
{
    const QByteArray list = "-rw-r--r-- 1 u g 5 May 27 14:03 Magasin d\x92"
                            "Arles.xml\r\n"
                            "05-27-20  02:03PM                 1234 C\x9Cur \x80.xml\r\n"
                            "-rw-r--r-- 1 u g 5 May 27 14:03 Caf\xc3\xa9.xml\r\n"
                            "-rw-r--r-- 1 u g 5 May 27 14:03 x\x81.xml\r\n";
    const std::vector<Entry> listed = FtpListing::ParseList(list, Now);
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0].item.FileName, QString::fromUtf8("Magasin d’Arles.xml"));
    EXPECT_EQ(listed[0].rawName, QByteArray("Magasin d\x92"
                                            "Arles.xml"));
    EXPECT_EQ(listed[1].item.FileName, QString::fromUtf8("Cœur €.xml"));
    EXPECT_EQ(listed[2].item.FileName, QString::fromUtf8("Café.xml"));
    EXPECT_EQ(listed[3].item.FileName, QStringLiteral("x") + QChar(0x81) + QStringLiteral(".xml"));
    const std::vector<Entry> mlsd =
        FtpListing::ParseMlsd("type=file;size=2;modify=20200527140309; \x9C\x92.xml\r\n");
    ASSERT_EQ(mlsd.size(), 1u);
    EXPECT_EQ(mlsd[0].item.FileName, QString::fromUtf8("œ’.xml"));
}

TEST(FtpListing, GarbageNeverCrashes)
{
    // Every prefix of real lines, and bytes of every value, must parse or be skipped.
    const QByteArray lines[] = {
        "-rw-r--r--   1 ftp      ftp          1234 May 27 14:03 rapport.xml",
        "05-27-20  02:03PM       <DIR>          Historique",
        "type=file;size=1234;modify=20200527140309.5; rapport.xml",
    };
    for (const QByteArray& line : lines) {
        for (qsizetype n = 0; n <= line.size(); ++n) {
            FtpListing::ParseListLine(line.left(n), Now);
            FtpListing::ParseMlsdLine(line.left(n));
        }
    }
    QByteArray noise;
    quint32 seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.append(char("-drwx 0123456789:;=-\r\n\tMayPM<DIR>"[(seed >> 16) % 33]));
    }
    FtpListing::ParseList(noise, Now);
    FtpListing::ParseMlsd(noise);
    SUCCEED();
}
