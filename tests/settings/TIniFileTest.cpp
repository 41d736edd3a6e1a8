#include "TIniFile.h"
#include "Errors.h"
#include "SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir_;
    QString path_ = dir_.filePath("Cordalis.ini");

    void WriteRaw(const QByteArray& bytes)
    {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadRaw() const
    {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList SectionValues(const QString& section) const
    {
        QStringList list{"left over"};
        TIniFile(path_).ReadSectionValues(section, list);
        return list;
    }
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsNotCreatedByReads)
{
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Cordalis", "TypeEnvoi", "FTP"), "FTP");
    EXPECT_EQ(ini.ReadInteger("Cordalis_FTP", "Port", 21), 21);
    EXPECT_TRUE(ini.ReadBool("Cordalis", "Message", true));
    EXPECT_FALSE(ini.SectionExists("Cordalis"));
    EXPECT_TRUE(SectionValues("Cordalis").isEmpty());
    ini.EraseSection("Cordalis");
    EXPECT_FALSE(QFile::exists(path_));
}

TEST_F(IniFileTest, FirstWriteCreatesFileAndSectionAndValuesReadBack)
{
    TIniFile ini(path_);
    ini.WriteBool("Cordalis", "Remise_Achat", true);
    ini.WriteBool("Cordalis", "Message", false);
    ini.WriteString("Cordalis", "TypeEnvoi", "URI");
    ini.WriteInteger("Cordalis_FTP", "Port", -2121);
    ini.WriteString("Cordalis_URI", "URI", "/srv/Données/été €/");
    ini.WriteString("Cordalis_FTP", "Mdp", "p=a;s s\"#[x]");
    ini.WriteString("Cordalis_FTP", "Host", "");

    EXPECT_EQ(ReadRaw(), QByteArray("[Cordalis]\nRemise_Achat=1\nMessage=0\nTypeEnvoi=URI\n"
                                    "[Cordalis_FTP]\nPort=-2121\nMdp=p=a;s s\"#[x]\nHost=\n"
                                    "[Cordalis_URI]\nURI=/srv/Données/été €/\n"));

    // Names are found without regard to case; values come back as written.
    TIniFile again(path_);
    EXPECT_TRUE(again.ReadBool("CORDALIS", "remise_achat", false));
    EXPECT_FALSE(again.ReadBool("cordalis", "Message", true));
    EXPECT_EQ(again.ReadString("cordalis", "typeenvoi", "FTP"), "URI");
    EXPECT_EQ(again.ReadInteger("Cordalis_ftp", "PORT", 21), -2121);
    EXPECT_EQ(again.ReadString("Cordalis_URI", "URI", ""), "/srv/Données/été €/");
    EXPECT_EQ(again.ReadString("Cordalis_FTP", "Mdp", ""), "p=a;s s\"#[x]");
    EXPECT_EQ(again.ReadString("Cordalis_FTP", "Host", "défaut"), "");
    EXPECT_TRUE(again.SectionExists("cordalis_uri"));

    // A second write of the same key replaces it in place, keeping the file's spelling.
    again.WriteString("CORDALIS", "TYPEENVOI", "FTP");
    EXPECT_TRUE(ReadRaw().startsWith("[Cordalis]\nRemise_Achat=1\nMessage=0\nTypeEnvoi=FTP\n"));
}

TEST_F(IniFileTest, IntegersAndBooleansFallBackOnTheirDefaults)
{
    WriteRaw("[S]\nDeux=2\nMot=oui\nVide=\nPlus=+7\nHex=$1F\nHex2=0x10\nMelange=12abc\n"
             "Espaces =  42  \nEnorme=99999999999\nMoins=-0\nFlottant=1.5\n");
    TIniFile ini(path_);
    EXPECT_TRUE(ini.ReadBool("S", "Deux", false));
    EXPECT_FALSE(ini.ReadBool("S", "Mot", false));
    EXPECT_TRUE(ini.ReadBool("S", "Mot", true));
    EXPECT_EQ(ini.ReadInteger("S", "Mot", 21), 21);
    EXPECT_EQ(ini.ReadInteger("S", "Vide", 21), 21);
    EXPECT_EQ(ini.ReadInteger("S", "Plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("S", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "Hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("S", "Melange", 21), 21);
    EXPECT_EQ(ini.ReadInteger("S", "Espaces", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "Enorme", 21), 21);
    EXPECT_FALSE(ini.ReadBool("S", "Moins", true));
    EXPECT_EQ(ini.ReadInteger("S", "Flottant", 21), 21);
}

// Files written by hand or brought over from Windows.
TEST_F(IniFileTest, TrickyFilesReadAsThePrivateProfileFunctionsDo)
{
    struct Case
    {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"garbage and lines without '='",
         "\x01\x02garbage\n[Cordalis]\njunk line\n;Host=commentaire\nHost=a.example\n"
         "= no key\n[[[\n"},
        {"duplicate sections and keys",
         "[Cordalis]\nHost=a.example\nhost=b.example\n[Autre]\nX=1\n[CORDALIS]\nHost=c\nPort=9\n"},
        {"no final newline", "[Cordalis]\nHost=a.example"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Cordalis]\nHost=a.example\n"},
        {"CR LF line ends and blanks",
         "\r\n  [ Cordalis ]  \r\n   Host   =   a.example   \r\n\r\n"},
        {"UTF-16 with byte-order mark",
         QByteArray("\xFF\xFE", 2) +
             QByteArray(reinterpret_cast<const char*>(u"[Cordalis]\r\nHost=a.example\r\n"),
                        29 * 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRaw(c.bytes);
        TIniFile ini(path_);
        EXPECT_EQ(ini.ReadString("Cordalis", "Host", "?"), "a.example");
        // Keys of a duplicate section are not seen: the first section wins.
        EXPECT_EQ(ini.ReadInteger("Cordalis", "Port", 21), 21);
        EXPECT_TRUE(ini.SectionExists("cordalis"));
    }
}

TEST_F(IniFileTest, Windows1252FileKeepsItsEncodingAndLineEnds)
{
    WriteRaw("; r\xE9glages \x81\x8D\x8F\x90\x9D\r\n[Cordalis_URI]\r\nURI=C:\\Donn\xE9"
             "es\\\x80xport\\\r\n\r\n"
             "[Cordalis]\r\nTypeEnvoi=URI\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Cordalis_URI", "URI", ""), "C:\\Données\\€xport\\");

    ini.WriteString("Cordalis_URI", "Autre", "Ségolène");
    ini.WriteBool("Cordalis", "Message", true);
    EXPECT_EQ(ReadRaw(),
              QByteArray("; r\xE9glages \x81\x8D\x8F\x90\x9D\r\n[Cordalis_URI]\r\nURI=C:\\Donn\xE9"
                         "es\\\x80xport\\\r\nAutre=S\xE9gol\xE8ne\r\n\r\n"
                         "[Cordalis]\r\nTypeEnvoi=URI\r\nMessage=1\r\n"));

    // A value the code page cannot hold turns the file into UTF-8 rather than losing it.
    ini.WriteString("Cordalis_URI", "Grec", "Ωμέγα");
    EXPECT_EQ(ini.ReadString("Cordalis_URI", "Grec", ""), "Ωμέγα");
    EXPECT_EQ(ini.ReadString("Cordalis_URI", "URI", ""), "C:\\Données\\€xport\\");
    EXPECT_EQ(ini.ReadString("Cordalis_URI", "Autre", ""), "Ségolène");
    EXPECT_TRUE(ReadRaw().contains("S\xC3\xA9gol\xC3\xA8ne"));
}

TEST_F(IniFileTest, WritesKeepEverythingElseOfTheFile)
{
    WriteRaw("\xEF\xBB\xBF; en-tête\n[Cordalis]\n  Host = a  \nbazar sans egal\n\n\n"
             "[Cordalis_FTP]\nLogin=x\n;fin");
    TIniFile ini(path_);
    ini.WriteString("cordalis", "Port", "21");
    ini.WriteString("Cordalis_FTP", "Login", "y");
    ini.WriteString("Nouvelle", "Cle", "v");
    EXPECT_EQ(ReadRaw(), QByteArray("\xEF\xBB\xBF; en-tête\n[Cordalis]\n  Host = a  \n"
                                    "bazar sans egal\nPort=21\n\n\n[Cordalis_FTP]\nLogin=y\n"
                                    ";fin\n[Nouvelle]\nCle=v\n"));

    // With duplicates, the first occurrence is the one written.
    WriteRaw("[S]\nK=1\nK=2\n[s]\nK=3\n");
    ini.WriteString("S", "k", "4");
    EXPECT_EQ(ReadRaw(), QByteArray("[S]\nK=4\nK=2\n[s]\nK=3\n"));
}

TEST_F(IniFileTest, SectionValuesListTheFirstSectionInFileOrder)
{
    WriteRaw("[Cordalis_FNS_Exclu]\nFournisseur1 = AB \n;commentaire\n\nligne seule\n"
             "Fournisseur0=CD=EF\nFournisseur1=GH\n[Autre]\nX=1\n[cordalis_fns_exclu]\nZ=9\n");
    EXPECT_EQ(
        SectionValues("CORDALIS_FNS_EXCLU"),
        QStringList({"Fournisseur1=AB", "ligne seule", "Fournisseur0=CD=EF", "Fournisseur1=GH"}));
    EXPECT_EQ(SectionValues("Absente"), QStringList());
}

TEST_F(IniFileTest, EraseSectionRemovesEveryOccurrenceAndNothingElse)
{
    WriteRaw("[A]\nx=1\n[Cordalis_FNS_Exclu]\nFournisseur0=AB\n\n[B]\ny=2\n"
             "[CORDALIS_FNS_EXCLU]\nFournisseur0=CD\n");
    TIniFile ini(path_);
    ini.EraseSection("cordalis_fns_exclu");
    EXPECT_FALSE(ini.SectionExists("Cordalis_FNS_Exclu"));
    EXPECT_EQ(ReadRaw(), QByteArray("[A]\nx=1\n[B]\ny=2\n"));
    ini.EraseSection("Absente");
    EXPECT_EQ(ReadRaw(), QByteArray("[A]\nx=1\n[B]\ny=2\n"));
}

TEST_F(IniFileTest, RefusedWritesThrowNamingTheFileAndLoseNothing)
{
    const auto expectRefused = [](const std::function<void()>& write, const QString& file) {
        try {
            write();
            ADD_FAILURE() << "no IniWriteError";
        } catch (const IniWriteError& error) {
            EXPECT_TRUE(error.text().contains(QDir::toNativeSeparators(file))) << error.what();
            EXPECT_TRUE(error.text().startsWith("Impossible d'écrire")) << error.what();
        }
    };

    // A folder that cannot exist: the path runs through a regular file.
    QFile blocker(dir_.filePath("fichier"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString underFile = dir_.filePath("fichier/Cordalis.ini");
    expectRefused([&] { TIniFile(underFile).WriteString("Cordalis", "Host", "h"); }, underFile);

    // A directory standing where the file should be is neither read nor replaced.
    const QString dirPath = dir_.filePath("dossier.ini");
    ASSERT_TRUE(QDir().mkpath(dirPath + "/garde"));
    expectRefused([&] { TIniFile(dirPath).WriteBool("Cordalis", "Message", true); }, dirPath);
    EXPECT_TRUE(QFileInfo(dirPath + "/garde").isDir());

    // Texts that would break the file's lines are refused before anything is written.
    TIniFile ini(path_);
    ini.WriteString("Cordalis_FTP", "Login", "avant");
    const QByteArray before = ReadRaw();
    expectRefused([&] { ini.WriteString("Cordalis_FTP", "Mdp", "a\n[Cordalis]\nMessage=1"); },
                  path_);
    expectRefused([&] { ini.WriteString("Cordalis_FTP", "Mdp", "a\rb"); }, path_);
    expectRefused([&] { ini.WriteString("Cordalis_FTP", "a=b", "x"); }, path_);
    expectRefused([&] { ini.WriteString("Cordalis]", "Cle", "x"); }, path_);
    expectRefused([&] { ini.WriteString("Cordalis", "", "x"); }, path_);
    EXPECT_EQ(ReadRaw(), before);

    // A full disk mid-write (here a file size limit): the earlier keys stay, whole.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    expectRefused([&] { ini.WriteString("Cordalis_FTP", "Host", QString(200, 'h')); }, path_);
    // A first write refused the same way leaves no file behind, not even an empty one.
    const QString fresh = dir_.filePath("neuf.ini");
    expectRefused([&] { TIniFile(fresh).WriteString("Cordalis_FTP", "Host", QString(200, 'h')); },
                  fresh);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(ReadRaw(), before);
    EXPECT_EQ(ini.ReadString("Cordalis_FTP", "Login", ""), "avant");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"Cordalis.ini", "fichier"}));
}

// A save made of several changes gives, in one rewrite, the bytes the same writes one by one
// would give, keeping everything else of the file; a refused name anywhere writes nothing.
TEST_F(IniFileTest, ChangesAppliedTogetherAsTheyWouldBeOneByOne)
{
    const QByteArray start =
        "\xEF\xBB\xBF; en-t\xC3\xAAte\r\n[Cordalis_FNS_Exclu]\r\nFournisseur0=AB\r\n\r\n"
        "[Cordalis]\r\n  Message = 0  \r\n[CORDALIS_FNS_EXCLU]\r\nX=CD\r\n"
        "[Cordalis_URI]\r\n;fin\r\n";
    WriteRaw(start);
    TIniFile ini(path_);
    ini.EraseSection("cordalis_fns_exclu");
    ini.WriteString("Cordalis_FNS_Exclu", "Fournisseur0", "EF");
    ini.WriteString("Cordalis_FNS_Exclu", "Fournisseur1", "GH");
    ini.WriteBool("CORDALIS", "message", true);
    ini.WriteInteger("Cordalis_FTP", "Port", 2121);
    ini.WriteString("Cordalis_URI", "URI", "/srv/Données/");
    const QByteArray oneByOne = ReadRaw();

    WriteRaw(start);
    TIniFile::Changes changes;
    changes.EraseSection("cordalis_fns_exclu")
        .WriteString("Cordalis_FNS_Exclu", "Fournisseur0", "EF")
        .WriteString("Cordalis_FNS_Exclu", "Fournisseur1", "GH")
        .WriteBool("CORDALIS", "message", true)
        .WriteInteger("Cordalis_FTP", "Port", 2121)
        .WriteString("Cordalis_URI", "URI", "/srv/Données/");
    ini.Apply(changes);
    EXPECT_EQ(ReadRaw(), oneByOne);
    EXPECT_EQ(SectionValues("Cordalis_FNS_Exclu"),
              QStringList({"Fournisseur0=EF", "Fournisseur1=GH"}));

    // The last change of a save is refused: the earlier ones are not written either.
    EXPECT_THROW(ini.Apply(TIniFile::Changes()
                               .EraseSection("Cordalis_FNS_Exclu")
                               .WriteString("Cordalis", "Message", "0")
                               .WriteString("Cordalis_FTP", "Mdp", "a\n[Cordalis]")),
                 IniWriteError);
    EXPECT_EQ(ReadRaw(), oneByOne);

    // Nothing to change: the file is neither rewritten nor, when missing, created.
    QFile::remove(path_);
    ini.Apply(TIniFile::Changes().EraseSection("Cordalis_FNS_Exclu"));
    ini.Apply(TIniFile::Changes());
    EXPECT_FALSE(QFile::exists(path_));
}

// The file holds the FTP passwords: created, only its owner may read it, whatever the umask;
// rewritten, it keeps the mode it had (an administrator may have opened it to a group).
TEST_F(IniFileTest, CreatedForItsOwnerOnlyAndRewritesKeepTheMode)
{
    const auto mode = [](const QString& path) {
        struct stat info
        {
        };
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777)
                                                                       : -1;
    };
    const mode_t savedUmask = ::umask(0);
    TIniFile ini(path_);
    ini.WriteString("Cordalis_FTP", "Mdp", "secret");
    EXPECT_EQ(mode(path_), 0600);

    for (const int kept : {0644, 0640, 0660, 0600}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path_).constData(), mode_t(kept)), 0);
        ini.WriteString("Cordalis_FTP", "Login", QString::number(kept, 8));
        ini.EraseSection("Cordalis_FTP");
        EXPECT_EQ(mode(path_), kept) << std::oct << kept;
    }
    ::umask(savedUmask);
}

// The settings file lies on a disk with no room left: the write is refused with the file's
// name, the file keeps every byte and no temporary file stays beside it.
TEST_F(IniFileTest, AFullDiskRefusesTheWriteAndKeepsTheFile)
{
    const QString folder = dir_.filePath("disque");
    ASSERT_TRUE(QDir().mkpath(folder));
    SmallFileSystem disk(folder, 64 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << qPrintable(disk.reason());
    const QString path = folder + "/Cordalis.ini";
    TIniFile ini(path);
    ini.WriteString("Cordalis_FTP", "Host", "ftp.example");
    ini.WriteString("Cordalis_URI", "URI", QString(3000, 'u'));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    ASSERT_TRUE(disk.Fill());
    try {
        ini.WriteString("Cordalis_FTP", "Login", "siege");
        ADD_FAILURE() << "no IniWriteError on a full disk";
    } catch (const IniWriteError& error) {
        EXPECT_TRUE(error.text().startsWith("Impossible d'écrire")) << error.what();
        EXPECT_TRUE(error.text().contains(QDir::toNativeSeparators(path))) << error.what();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList({".filler", "Cordalis.ini"}));
    EXPECT_EQ(ini.ReadString("Cordalis_FTP", "Host", ""), "ftp.example");
}

// Another program (an editor, a deployment script) replaces the file while we run, by rename
// or by rewriting it in place: the next read sees the new content, and the next write keeps
// it rather than an old copy.
TEST_F(IniFileTest, AFileReplacedWhileRunningIsReadAfresh)
{
    TIniFile ini(path_);
    ini.WriteString("Cordalis_FTP", "Host", "ancien.example");
    EXPECT_EQ(ini.ReadString("Cordalis_FTP", "Host", ""), "ancien.example");

    const QString replacement = dir_.filePath("nouveau.ini");
    {
        QFile file(replacement);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Cordalis_FTP]\r\nHost=nouveau.example\r\nPort=2121\r\n");
    }
    ASSERT_EQ(
        ::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(path_).constData()),
        0);
    EXPECT_EQ(ini.ReadString("Cordalis_FTP", "Host", ""), "nouveau.example");
    EXPECT_EQ(ini.ReadInteger("Cordalis_FTP", "Port", 21), 2121);

    ini.WriteString("Cordalis_FTP", "Login", "siege");
    EXPECT_EQ(ReadRaw(), "[Cordalis_FTP]\r\nHost=nouveau.example\r\nPort=2121\r\nLogin=siege\r\n");

    WriteRaw("[Cordalis_FTP]\nHost=en.place\n");
    EXPECT_EQ(ini.ReadString("Cordalis_FTP", "Host", ""), "en.place");
    EXPECT_EQ(ini.ReadString("Cordalis_FTP", "Login", "aucun"), "aucun");
}

} // namespace
