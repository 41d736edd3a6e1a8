// The table layer against tables written with pxlib, and against damaged copies of them.

#include "TTable.h"
#include "Errors.h"
#include "ParadoxWriter.h"
#include "Regional.h"
#include "TablesSiege.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTime>
#include <gtest/gtest.h>

namespace {

class ParadoxTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
    }
    void TearDown() override { Regional::ResetLocale(); }

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Folder() const { return dir_.path(); }

    // Expects opening and scanning the table (every field as text) to fail with a TableError
    // whose text names the table; returns that text.
    QString OpenError(const QString& name)
    {
        TTable table(Folder(), name);
        try {
            table.Open();
            for (table.First(); !table.Eof(); table.Next())
                for (int i = 0; i < table.FieldCount(); ++i)
                    table.Fields(i).AsString();
        } catch (const TableError& e) {
            EXPECT_TRUE(e.text().contains(name)) << e.what();
            return e.text();
        }
        ADD_FAILURE() << name.toStdString() << " was read without error";
        return {};
    }

    QTemporaryDir dir_;
};

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void PutU16(QByteArray& bytes, int offset, int value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

int GetU16(const QByteArray& bytes, int offset)
{
    return static_cast<unsigned char>(bytes[offset]) |
           (static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

const QList<ParadoxColumn> kAllKinds = {
    {"Nom", FieldKind::Alpha, 20},      {"Petit", FieldKind::Short},
    {"Long", FieldKind::Long},          {"Compteur", FieldKind::AutoInc},
    {"Prix", FieldKind::Number},        {"Montant", FieldKind::Money},
    {"Solde", FieldKind::BCD, 2},       {"Jour", FieldKind::Date},
    {"Heure", FieldKind::Time},         {"Quand", FieldKind::Timestamp},
    {"Actif", FieldKind::Logical},      {"Octets", FieldKind::Bytes, 4},
    {"Note", FieldKind::Memo, 20},      {"Mise en forme", FieldKind::FmtMemo, 15},
    {"Binaire", FieldKind::Binary, 10}, {"Image", FieldKind::Graphic, 10},
};

// A table of every kind: a full row, a row of NULLs, a row of zero values, a long memo.
void WriteAllKinds(const QString& path)
{
    ParadoxWriter w(path, kAllKinds);
    w.AddRow({"Élan", 12, 123456, 1, 19.95, 1234.5, "1234.56", QDate(2024, 2, 29),
              QTime(13, 45, 30), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)), true,
              QByteArray("\x01\x02\xAB", 3), "court", "f", QByteArray("bin"),
              QByteArray("12345678BMxx")});
    w.AddRow({});
    w.AddRow({" ", 0, 0, 0, 0.0, 0.0, "0", QDate(1, 1, 1), QTime(0, 0),
              QDateTime(QDate(1970, 1, 1), QTime(0, 0)), false});
    w.AddRow({"x", -32767, -7, 4, -0.001, -99.99, "-123.45", QDate(1900, 1, 1), QTime(23, 59, 59),
              QDateTime(QDate(2038, 1, 19), QTime(3, 14, 8)), QVariant(), QVariant(),
              QString("ligne 1\r\nligne 2\rligne 3 ").repeated(200)});
    w.Close();
}

QStringList RowTexts(TTable& table)
{
    QStringList row;
    for (int i = 0; i < table.FieldCount(); ++i)
        row << table.Fields(i).AsString();
    return row;
}

} // namespace

TEST_F(ParadoxTableTest, EveryKindRoundTripsWithItsTextForm)
{
    WriteAllKinds(Path("TOUT.DB"));
    TTable table(Folder(), "TOUT.DB");
    table.Open();
    ASSERT_EQ(table.FieldCount(), kAllKinds.size());
    for (int i = 0; i < table.FieldCount(); ++i) {
        EXPECT_EQ(table.Fields(i).FieldName(), kAllKinds[i].name);
        EXPECT_EQ(table.Fields(i).Kind(), kAllKinds[i].kind);
    }
    ASSERT_EQ(table.RecordCount(), 4);

    table.First();
    EXPECT_EQ(RowTexts(table),
              QStringList({"Élan", "12", "123456", "1", "19,95", "1234,50", "1234,56", "29/02/2024",
                           "13:45:30", "31/12/1999 23:59:58", "True", "0102AB00", "court", "f",
                           "62696E", "424D7878"}));

    table.Next();
    for (int i = 0; i < table.FieldCount(); ++i) {
        EXPECT_TRUE(table.Fields(i).IsNull()) << i;
        EXPECT_EQ(table.Fields(i).AsString(), "");
        EXPECT_EQ(table.Fields(i).AsInteger(), 0);
    }

    // Zero, blank, false, midnight and the first day are values, not NULL; the timestamp's
    // time is left out at midnight.
    table.Next();
    EXPECT_EQ(RowTexts(table).mid(0, 11),
              QStringList({" ", "0", "0", "0", "0", "0,00", "0", "01/01/0001", "00:00:00",
                           "01/01/1970", "False"}));
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(table.Fields(i).IsNull()) << i;

    table.Next();
    EXPECT_EQ(RowTexts(table).mid(0, 10),
              QStringList({"x", "-32767", "-7", "4", "-0,001", "-99,99", "-123,45", "01/01/1900",
                           "23:59:59", "19/01/2038 03:14:08"}));
    EXPECT_EQ(table.FieldByName("note").AsString(),
              QString("ligne 1\r\nligne 2\rligne 3 ").repeated(200));
    table.Next();
    EXPECT_TRUE(table.Eof());
    // At the end the last record stays current.
    EXPECT_EQ(table.FieldByName("Nom").AsString(), "x");
}

TEST_F(ParadoxTableTest, MemosInTheRecordInSharedBlocksAndInOwnBlocks)
{
    QStringList memos;
    for (int i = 0; i < 120; ++i)
        memos << QString("mémo %1 ").arg(i).repeated(i % 7 == 0 ? 600 : i % 5 + 1);
    memos << QString() << QString("é").repeated(10) << QString("z").repeated(11);
    QList<QVariantList> rows;
    for (const QString& memo : memos)
        rows << QVariantList{memo.isEmpty() ? QVariant() : QVariant(memo)};
    WriteParadoxTable(Path("MEMOS.DB"), {{"Texte", FieldKind::Memo, 20}}, rows);

    TTable table(Folder(), "memos.db");
    table.Open();
    int i = 0;
    for (table.First(); !table.Eof(); table.Next(), ++i)
        ASSERT_EQ(table.Fields(0).AsString(), memos[i]) << i;
    EXPECT_EQ(i, memos.size());
}

TEST_F(ParadoxTableTest, ManyBlocksAreWalkedInOrder)
{
    ParadoxWriter w(Path("GRAND.DB"), {{"N", FieldKind::Long}, {"T", FieldKind::Alpha, 250}});
    for (int i = 0; i < 400; ++i)
        w.AddRow({i, QString("ligne %1").arg(i)});
    w.Close();
    TTable table(Folder(), "GRAND.DB");
    table.Open();
    EXPECT_EQ(table.RecordCount(), 400);
    int expected = 0;
    for (table.First(); !table.Eof(); table.Next(), ++expected) {
        ASSERT_EQ(table.Fields(0).AsInteger(), expected);
        ASSERT_EQ(table.Fields(1).AsString(), QString("ligne %1").arg(expected));
    }
    EXPECT_EQ(expected, 400);
    // First starts over.
    table.First();
    EXPECT_EQ(table.Fields(0).AsInteger(), 0);
}

// What names a record in a message: its number in the walk and its primary key, the first
// fields of an indexed table, which a fixed field list may leave out.
TEST_F(ParadoxTableTest, RecordNumbersAndPrimaryKeys)
{
    ParadoxWriter keyed(Path("CLE.DB"), {{"Famille", FieldKind::Alpha, 2, true},
                                         {"Numero", FieldKind::Long, 0, true},
                                         {"Texte", FieldKind::Alpha, 250}});
    for (int i = 1; i <= 300; ++i)
        keyed.AddRow({QString("F%1").arg(i % 3), i, QString("ligne %1").arg(i)});
    keyed.Close();
    TTable table(Folder(), "CLE.DB", {"Texte"});
    table.Open();
    ASSERT_EQ(table.KeyFieldCount(), 2);
    EXPECT_EQ(table.KeyField(0).FieldName(), "Famille");
    EXPECT_EQ(table.KeyField(1).FieldName(), "Numero");
    EXPECT_THROW(table.KeyField(2), TableError);
    int expected = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        ++expected;
        ASSERT_EQ(table.RecNo(), expected);
        ASSERT_EQ(table.KeyField(1).AsString(), QString::number(expected));
    }
    EXPECT_EQ(expected, 300); // over several blocks
    EXPECT_EQ(table.RecNo(), 300);
    table.First();
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(table.KeyField(0).AsString(), "F1");
    table.Close();
    EXPECT_THROW(table.RecNo(), TableError);

    WriteParadoxTable(Path("SANS.DB"), {{"T", FieldKind::Alpha, 5}}, {});
    TTable plain(Folder(), "SANS.DB");
    plain.Open();
    EXPECT_EQ(plain.KeyFieldCount(), 0);
    plain.First();
    EXPECT_TRUE(plain.Eof());
    EXPECT_EQ(plain.RecNo(), 0);
}

// The head office replaces a table while an export reads it, between two rows: by a new
// file renamed over it, or by rewriting (truncating) the same file. The scan either goes on
// or stops with an error naming the table; the next opening reads the new content.
TEST_F(ParadoxTableTest, ATableReplacedDuringAScanNeverCrashesAndIsReadAnewAfter)
{
    const auto write = [&](const QString& path, int rows, const QString& text) {
        ParadoxWriter w(
            path,
            {{"N", FieldKind::Long}, {"T", FieldKind::Alpha, 250}, {"M", FieldKind::Memo, 20}});
        for (int i = 0; i < rows; ++i)
            w.AddRow({i, text.arg(i), QString(QString(300, QLatin1Char('m')) + text.arg(i))});
        w.Close();
    };
    const auto scanRest = [](TTable& table) {
        int read = 0;
        try {
            for (; !table.Eof(); table.Next(), ++read)
                for (int i = 0; i < table.FieldCount(); ++i)
                    table.Fields(i).AsString();
        } catch (const TableError& e) {
            EXPECT_TRUE(e.text().contains("REMISES.DB")) << e.what();
        }
        return read;
    };
    // Returns a QString: a deduced type would be a concatenation holding references to the
    // lambda's temporaries.
    const auto firstText = [&]() -> QString {
        TTable table(Folder(), "REMISES.DB");
        table.Open();
        table.First();
        return table.Fields(1).AsString() + QString::number(table.RecordCount());
    };

    // Replaced by rename, memo file included.
    write(Path("REMISES.DB"), 300, "ancien %1");
    write(Path("NOUVEAU.DB"), 5, "nouveau %1");
    {
        TTable table(Folder(), "REMISES.DB");
        table.Open();
        table.First();
        table.Next();
        ASSERT_TRUE(QFile::remove(Path("REMISES.DB")));
        ASSERT_TRUE(QFile::remove(Path("REMISES.MB")));
        ASSERT_TRUE(QFile::rename(Path("NOUVEAU.DB"), Path("REMISES.DB")));
        ASSERT_TRUE(QFile::rename(Path("NOUVEAU.MB"), Path("REMISES.MB")));
        EXPECT_LE(scanRest(table), 299);
    }
    EXPECT_EQ(firstText(), "nouveau 05");

    // Rewritten in place: the file the scan holds open shrinks under it.
    write(Path("REMISES.DB"), 300, "ancien %1");
    {
        TTable table(Folder(), "REMISES.DB");
        table.Open();
        table.First();
        table.Next();
        write(Path("REMISES.DB"), 3, "petit %1");
        EXPECT_LE(scanRest(table), 299);
        table.First();
        scanRest(table);
    }
    EXPECT_EQ(firstText(), "petit 03");
}

TEST_F(ParadoxTableTest, TextAndFieldNamesInTheTablesCodePage)
{
    const QString text = "Größe éàç ½ ÿ";
    for (int codePage : {850, 437, 1252}) {
        const QString name = QString("CP%1.DB").arg(codePage);
        WriteParadoxTable(Path(name),
                          {{"Année", FieldKind::Alpha, 30}, {"Mémo", FieldKind::Memo, 11}},
                          {{text, text.repeated(5)}}, codePage);
        TTable table(Folder(), name);
        table.Open();
        table.First();
        EXPECT_EQ(table.Fields(0).FieldName(), "Année") << codePage;
        EXPECT_EQ(table.Fields(1).FieldName(), "Mémo") << codePage;
        EXPECT_EQ(table.Fields(0).AsString(), text) << codePage;
        EXPECT_EQ(table.Fields(1).AsString(), text.repeated(5)) << codePage;
    }
    // A header without code page falls back to the table's default.
    {
        ParadoxWriter w(Path("ZERO.DB"), {{"T", FieldKind::Alpha, 30}}, 0, 850);
        w.AddRow({text});
    }
    TTable table(Folder(), "ZERO.DB");
    table.SetDefaultCodePage(850);
    table.Open();
    table.First();
    EXPECT_EQ(table.Fields(0).AsString(), text);
}

TEST_F(ParadoxTableTest, IntegersAndAnsiText)
{
    WriteParadoxTable(
        Path("CONV.DB"),
        {{"T", FieldKind::Alpha, 20}, {"N", FieldKind::Number}, {"L", FieldKind::Logical}},
        {{"42", 2.6, true},
         {" -17 ", -2.4, false},
         {"douze", QVariant(), QVariant()},
         {"Prénom €", QVariant(), QVariant()}});
    TTable table(Folder(), "CONV.DB");
    table.Open();
    table.First();
    EXPECT_EQ(table.Fields(0).AsInteger(), 42);
    EXPECT_EQ(table.Fields(1).AsInteger(), 3);
    EXPECT_EQ(table.Fields(2).AsInteger(), 1);
    table.Next();
    EXPECT_EQ(table.Fields(0).AsInteger(), -17);
    EXPECT_EQ(table.Fields(1).AsInteger(), -2);
    EXPECT_EQ(table.Fields(2).AsInteger(), 0);
    table.Next();
    try {
        table.Fields(0).AsInteger();
        FAIL() << "a text that is no integer converted";
    } catch (const ConvertError& e) {
        EXPECT_TRUE(e.text().contains("douze")) << e.what();
    }
    table.Next();
    EXPECT_EQ(table.Fields(0).AsString(), "Prénom €");
    EXPECT_EQ(table.Fields(0).AsAnsiString(), QByteArray("Pr\xE9nom \x80"));

    // A character windows-1252 lacks becomes '?' in the 8-bit text.
    WriteParadoxTable(Path("CYR.DB"), {{"T", FieldKind::Alpha, 20}}, {{"Жук 7"}}, 866);
    TTable cyrillic(Folder(), "CYR.DB");
    cyrillic.Open();
    cyrillic.First();
    EXPECT_EQ(cyrillic.Fields(0).AsString(), "Жук 7");
    EXPECT_EQ(cyrillic.Fields(0).AsAnsiString(), QByteArray("??? 7"));
}

TEST_F(ParadoxTableTest, FixedFieldListsAndFieldsByName)
{
    // The table holds the fixed fields in another order, plus one more.
    QList<ParadoxColumn> columns;
    const QStringList fixed = PersoFields();
    ASSERT_EQ(fixed.size(), 11);
    ASSERT_EQ(FournisFields().size(), 51);
    for (qsizetype i = fixed.size() - 1; i >= 0; --i)
        columns << ParadoxColumn{fixed[i].toUpper(), FieldKind::Alpha, 10};
    columns << ParadoxColumn{"EnPlus", FieldKind::Short};
    WriteParadoxTable(Path("Perso.DB"), columns, {{"flag", "cache"}});

    TTable table(Folder(), "Perso.DB", PersoFields());
    EXPECT_EQ(table.FieldCount(), 11);
    table.Open();
    ASSERT_EQ(table.FieldCount(), 11);
    EXPECT_EQ(table.Fields(0).FieldName(), "GROUPE"); // the name as the table defines it
    EXPECT_EQ(table.Fields(10).FieldName(), "FLAG");
    table.First();
    EXPECT_EQ(table.Fields(10).AsString(), "flag");
    EXPECT_EQ(table.FieldByName("DetailCache").AsString(), "cache");
    EXPECT_THROW(table.FieldByName("EnPlus"), TableError); // not in the fixed list
    EXPECT_THROW(table.Fields(11), TableError);
    table.Close();

    // A table lacking a field of its fixed list does not open; the message names both.
    columns.removeAt(2); // "Xml"
    QFile::remove(Path("Perso.DB"));
    QFile::remove(Path("Perso.MB"));
    WriteParadoxTable(Path("Perso.DB"), columns, {});
    TTable missing(Folder(), "Perso.DB", PersoFields());
    try {
        missing.Open();
        FAIL() << "opened without the field Xml";
    } catch (const TableError& e) {
        EXPECT_TRUE(e.text().contains("Xml")) << e.what();
        EXPECT_TRUE(e.text().contains("Perso.DB")) << e.what();
    }
    EXPECT_FALSE(missing.Active());

    TTable open(Folder(), "Perso.DB");
    open.Open();
    try {
        open.FieldByName("Absent");
        FAIL();
    } catch (const TableError& e) {
        EXPECT_TRUE(e.text().contains("Absent")) << e.what();
        EXPECT_TRUE(e.text().contains("Perso.DB")) << e.what();
    }
}

TEST_F(ParadoxTableTest, SupplierTableWithItsFiftyOneFields)
{
    QList<ParadoxColumn> columns;
    for (const QString& name : FournisFields())
        columns << ParadoxColumn{name, FieldKind::Alpha, 4};
    QVariantList row;
    for (int i = 0; i < columns.size(); ++i)
        row << QString::number(i);
    WriteParadoxTable(Path("FOURNIS.DB"), columns, {row});
    TTable table(Folder(), "fournis.db", FournisFields());
    table.Open();
    ASSERT_EQ(table.FieldCount(), 51);
    table.First();
    for (int i = 0; i < 51; ++i) {
        EXPECT_EQ(table.Fields(i).FieldName(), FournisFields()[i]);
        EXPECT_EQ(table.Fields(i).AsInteger(), i);
    }
    EXPECT_EQ(table.FieldByName("Code").AsString(), "0");
    EXPECT_EQ(table.FieldByName("Remises").AsString(), "50");
}

TEST_F(ParadoxTableTest, ClosedTableRefusesRecordAccess)
{
    WriteParadoxTable(Path("A.DB"), {{"T", FieldKind::Alpha, 5}}, {{"a"}});
    TTable table(Folder(), "A.DB");
    EXPECT_FALSE(table.Active());
    EXPECT_THROW(table.Fields(0), TableError);
    EXPECT_THROW(table.FieldByName("T"), TableError);
    EXPECT_THROW(table.First(), TableError);
    EXPECT_THROW(table.RecordCount(), TableError);
    table.Open();
    table.Open(); // already open: nothing happens
    EXPECT_TRUE(table.Active());
    table.Close();
    EXPECT_FALSE(table.Active());
    EXPECT_THROW(table.Eof(), TableError);
    table.Open();
    table.First();
    EXPECT_EQ(table.Fields(0).AsString(), "a");
}

TEST_F(ParadoxTableTest, FileNamesMatchWithoutRegardToCase)
{
    WriteParadoxTable(Path("remises.db"), {{"Note", FieldKind::Memo, 11}},
                      {{QString("texte long ").repeated(10)}});
    ASSERT_TRUE(QFile::rename(Path("remises.mb"), Path("Remises.Mb")));
    TTable table(Folder(), "REMISES.DB");
    table.Open();
    table.First();
    EXPECT_EQ(table.Fields(0).AsString(), QString("texte long ").repeated(10));
    // The table says which files it took, found under another case, and what it opened.
    const std::vector<TableSourceFile> sources = table.SourceFiles();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].path, Path("remises.db"));
    EXPECT_EQ(sources[1].path, Path("Remises.Mb"));
    for (const TableSourceFile& source : sources) {
        EXPECT_FALSE(source.exactName) << source.path.toStdString();
        EXPECT_EQ(source.identity, FileIdentity::Of(source.path)) << source.path.toStdString();
    }
    table.Close();
    EXPECT_TRUE(table.SourceFiles().empty());

    // Two names differing only in case: the exact one wins, any other spelling is ambiguous.
    WriteParadoxTable(Path("REMISES.DB"), {{"Autre", FieldKind::Alpha, 5}}, {});
    TTable exact(Folder(), "REMISES.DB");
    exact.Open();
    EXPECT_EQ(exact.Fields(0).FieldName(), "Autre");
    // No memo field, no memo file; the identity is the one of the file opened, not of
    // whatever replaces it under that name afterwards.
    ASSERT_EQ(exact.SourceFiles().size(), 1u);
    EXPECT_TRUE(exact.SourceFiles()[0].exactName);
    const FileIdentity opened = exact.SourceFiles()[0].identity;
    WriteParadoxTable(Path("NOUVELLE.DB"), {{"Autre", FieldKind::Alpha, 5}}, {});
    ASSERT_TRUE(QFile::remove(Path("REMISES.DB")));
    ASSERT_TRUE(QFile::rename(Path("NOUVELLE.DB"), Path("REMISES.DB")));
    EXPECT_TRUE(opened.exists);
    EXPECT_EQ(exact.SourceFiles()[0].identity, opened);
    EXPECT_NE(FileIdentity::Of(Path("REMISES.DB")), opened);
    const QString ambiguous = OpenError("Remises.DB");
    EXPECT_TRUE(ambiguous.contains("remises.db")) << ambiguous.toStdString();
    EXPECT_TRUE(ambiguous.contains("REMISES.DB")) << ambiguous.toStdString();

    const QString missing = OpenError("FOURNIS.DB");
    EXPECT_TRUE(missing.contains(QDir::toNativeSeparators(Folder()))) << missing.toStdString();
    TTable noFolder(Folder() + "/absent", "FOURNIS.DB");
    EXPECT_THROW(noFolder.Open(), TableError);

    // A table with memo fields needs its memo file.
    QFile::remove(Path("Remises.Mb"));
    EXPECT_TRUE(OpenError("remises.db").contains(".MB"));
}

TEST_F(ParadoxTableTest, ReadOnlyFilesOpenAndNothingIsWritten)
{
    WriteAllKinds(Path("RO.DB"));
    const QByteArray before = ReadAll(Path("RO.DB"));
    QFile::setPermissions(Path("RO.DB"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(Path("RO.MB"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner);
    const QStringList entries = QDir(Folder()).entryList(QDir::AllEntries | QDir::Hidden);
    {
        TTable table(Folder(), "RO.DB");
        table.Open();
        for (table.First(); !table.Eof(); table.Next())
            RowTexts(table);
        EXPECT_EQ(QDir(Folder()).entryList(QDir::AllEntries | QDir::Hidden), entries);
    }
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::AllEntries | QDir::Hidden), entries);
    EXPECT_EQ(ReadAll(Path("RO.DB")), before);
}

TEST_F(ParadoxTableTest, DamagedHeadersAreRefusedBeforeAnyRecord)
{
    ParadoxWriter w(Path("BASE.DB"), {{"N", FieldKind::Long}, {"T", FieldKind::Alpha, 200}});
    for (int i = 0; i < 200; ++i)
        w.AddRow({i, "x"});
    w.Close();
    const QByteArray good = ReadAll(Path("BASE.DB"));
    const int headerSize = GetU16(good, 2);
    const int blockSize = static_cast<unsigned char>(good[5]) * 1024;
    ASSERT_GE(good.size(), headerSize + 3 * blockSize); // several blocks

    struct Damage
    {
        const char* what;
        std::function<void(QByteArray&)> apply;
    };
    const Damage damages[] = {
        {"empty file", [](QByteArray& b) { b.clear(); }},
        {"cut in the header", [](QByteArray& b) { b.truncate(100); }},
        {"cut in the data", [&](QByteArray& b) { b.truncate(headerSize + blockSize + 100); }},
        {"record size 0", [](QByteArray& b) { PutU16(b, 0, 0); }},
        {"record size larger than a block", [](QByteArray& b) { PutU16(b, 0, 60000); }},
        {"header larger than the file", [](QByteArray& b) { PutU16(b, 2, 65000); }},
        {"not a data file", [](QByteArray& b) { b[4] = 1; }},
        {"block size 0", [](QByteArray& b) { b[5] = 0; }},
        {"block size 99 KB", [](QByteArray& b) { b[5] = 99; }},
        {"more records than stored", [](QByteArray& b) { b[6] = static_cast<char>(b[6] + 1); }},
        {"no fields", [](QByteArray& b) { PutU16(b, 0x21, 0); }},
        {"unknown field type", [](QByteArray& b) { b[0x78] = 0x07; }},
        {"field sizes not summing", [](QByteArray& b) { b[0x7B] = 100; }},
        {"first block outside", [](QByteArray& b) { PutU16(b, 0x0E, 5000); }},
        {"chain looping on itself", [&](QByteArray& b) { PutU16(b, headerSize + blockSize, 2); }},
        {"chain looping back", [&](QByteArray& b) { PutU16(b, headerSize + 2 * blockSize, 1); }},
        {"block with an odd data size", [&](QByteArray& b) { PutU16(b, headerSize + 4, 17); }},
        {"block with a data size beyond it",
         [&](QByteArray& b) { PutU16(b, headerSize + 4, 204 * 100); }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        QByteArray bytes = good;
        damage.apply(bytes);
        WriteAll(Path("REMISES.DB"), bytes);
        const QString text = OpenError("REMISES.DB");
        EXPECT_TRUE(text.startsWith("La table « REMISES.DB »")) << text.toStdString();
    }

    QByteArray noise(6000, '\0');
    QRandomGenerator random(7);
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    WriteAll(Path("REMISES.DB"), noise);
    OpenError("REMISES.DB");
}

TEST_F(ParadoxTableTest, DamagedMemoPointersFailOnlyThatValue)
{
    ParadoxWriter w(Path("MEMO.DB"), {{"Note", FieldKind::Memo, 11}, {"N", FieldKind::Short}});
    w.AddRow({QString("a").repeated(300), 1});
    w.AddRow({QString("b").repeated(9000), 2});
    w.Close();
    const QByteArray good = ReadAll(Path("MEMO.DB"));
    const QByteArray goodMemo = ReadAll(Path("MEMO.MB"));
    const int headerSize = GetU16(good, 2);
    const int recordSize = GetU16(good, 0);
    const int pointer = headerSize + 6 + 1; // the first record's memo pointer
    {
        TTable table(Folder(), "MEMO.DB");
        table.Open();
        table.First();
        table.Next();
        ASSERT_EQ(table.Fields(0).AsString(), QString("b").repeated(9000));
    }

    struct Damage
    {
        const char* what;
        std::function<void(QByteArray& db, QByteArray& mb)> apply;
    };
    const Damage damages[] = {
        {"offset past the memo file", [&](QByteArray& db, QByteArray&) { db[pointer + 2] = 0x7F; }},
        {"offset in the memo file header",
         [&](QByteArray& db, QByteArray&) {
             db[pointer] = 0x10;
             db[pointer + 1] = 0;
         }},
        {"size larger than its block",
         [&](QByteArray& db, QByteArray&) { db[pointer + 5] = 0x70; }},
        {"size larger than the file",
         [&](QByteArray& db, QByteArray&) { db[pointer + recordSize + 6] = 0x7F; }},
        {"memo file cut", [&](QByteArray&, QByteArray& mb) { mb.truncate(4096 + 100); }},
        {"memo file emptied", [&](QByteArray&, QByteArray& mb) { mb.clear(); }},
        {"block type changed", [&](QByteArray&, QByteArray& mb) { mb[4096] = 5; }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        QByteArray db = good, mb = goodMemo;
        damage.apply(db, mb);
        WriteAll(Path("MEMO.DB"), db);
        WriteAll(Path("MEMO.MB"), mb);
        TTable table(Folder(), "MEMO.DB");
        table.Open();
        bool failed = false;
        for (table.First(); !table.Eof(); table.Next()) {
            EXPECT_GT(table.Fields(1).AsInteger(), 0); // other fields stay readable
            try {
                table.Fields(0).AsString();
            } catch (const TableError& e) {
                failed = true;
                EXPECT_TRUE(e.text().contains("Note")) << e.what();
                EXPECT_TRUE(e.text().contains("MEMO.DB")) << e.what();
            }
        }
        EXPECT_TRUE(failed);
    }
}

// Random damage anywhere in a table and its memo file: every outcome is a value or a
// CordalisError, never a crash or a hang.
TEST_F(ParadoxTableTest, RandomDamageNeverCrashes)
{
    WriteAllKinds(Path("SRC.DB"));
    const QByteArray db = ReadAll(Path("SRC.DB"));
    const QByteArray mb = ReadAll(Path("SRC.MB"));
    QRandomGenerator random(2024);
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray d = db, m = mb;
        const int flips = 1 + static_cast<int>(random.bounded(6));
        for (int i = 0; i < flips; ++i) {
            QByteArray& target = random.bounded(4) == 0 ? m : d;
            // Mostly the header and the first data block, where the structure lives.
            const int span = std::min<int>(static_cast<int>(target.size()), 0x800 + 0x1000);
            target[static_cast<int>(random.bounded(span))] = static_cast<char>(random.bounded(256));
        }
        if (random.bounded(10) == 0)
            d.truncate(static_cast<int>(random.bounded(d.size())));
        WriteAll(Path("FUZZ.DB"), d);
        WriteAll(Path("FUZZ.MB"), m);
        TTable table(Folder(), "FUZZ.DB");
        try {
            table.Open();
            for (table.First(); !table.Eof(); table.Next())
                for (int i = 0; i < table.FieldCount(); ++i) {
                    try {
                        table.Fields(i).AsString();
                        table.Fields(i).AsInteger();
                    } catch (const ConvertError&) {
                    }
                }
        } catch (const CordalisError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}
