// The table layer against real Paradox tables written by other programs, read in place.

#include "Errors.h"
#include "Regional.h"
#include "TTable.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QString kSamples = QStringLiteral(CORDALIS_SAMPLES_DIR);

QString Folder(const char* set)
{
    return kSamples + QLatin1Char('/') + QLatin1String(set);
}

class ParadoxSamples : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A clone without the shared folder beside it tests everything else.
        if (!QFileInfo(kSamples).isDir())
            GTEST_SKIP() << "no sample tables: " << qPrintable(kSamples) << " is absent";
        Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
    }
    void TearDown() override { Regional::ResetLocale(); }
};

QStringList FieldNames(TTable& table)
{
    QStringList names;
    for (int i = 0; i < table.FieldCount(); ++i)
        names << table.Fields(i).FieldName();
    return names;
}

// Every row as its fields' texts, by scanning the table once.
QList<QStringList> Rows(TTable& table)
{
    QList<QStringList> rows;
    for (table.First(); !table.Eof(); table.Next()) {
        QStringList row;
        for (int i = 0; i < table.FieldCount(); ++i)
            row << table.Fields(i).AsString();
        rows << row;
    }
    return rows;
}

struct Counts
{
    int rows = 0;
    int nulls = 0;
};

Counts Scan(const QString& folder, const QString& name, int defaultCodePage = 1252)
{
    TTable table(folder, name);
    table.SetDefaultCodePage(defaultCodePage);
    table.Open();
    Counts counts;
    for (table.First(); !table.Eof(); table.Next()) {
        ++counts.rows;
        for (int i = 0; i < table.FieldCount(); ++i) {
            const TField& field = table.Fields(i);
            if (field.IsNull()) {
                ++counts.nulls;
                EXPECT_TRUE(field.AsString().isEmpty()) << name.toStdString();
                EXPECT_EQ(field.AsInteger(), 0);
            } else {
                field.AsString(); // every value decodes, memos and images included
            }
        }
    }
    EXPECT_EQ(counts.rows, table.RecordCount()) << name.toStdString();
    return counts;
}

} // namespace

// Row and NULL counts as other tools see them; NULLs of every type are decided from the raw
// bytes (pxlib reports NULL dates, longs and numbers as values).
TEST_F(ParadoxSamples, RowAndNullCountsOfEveryReadableSample)
{
    struct Expected
    {
        const char* set;
        const char* table;
        int rows;
        int nulls;
    };
    const Expected samples[] = {
        {"paradoxdriver/areas", "AREACODE.DB", 239, 361},
        {"paradoxdriver/areas", "STATES.DB", 53, 0},
        {"paradoxdriver/db", "AREACODE.DB", 135, 0},
        {"paradoxdriver/db", "AREACODES.DB", 370, 6},
        {"paradoxdriver/db", "CONTACTS.DB", 55, 0},
        {"paradoxdriver/db", "CUSTOMER.DB", 20, 15},
        {"paradoxdriver/db", "DECIMAL.DB", 9, 0},
        {"paradoxdriver/db", "GENERAL.DB", 3, 0},
        {"paradoxdriver/db", "HERCULES.DB", 20, 0},
        {"paradoxdriver/db", "ORDERS.DB", 224, 0},
        {"paradoxdriver/db", "ROMAN8.db", 1, 0},
        {"paradoxdriver/db", "SERVER.DB", 4, 0},
        {"paradoxdriver/fields", "bcd.db", 3, 1},
        {"paradoxdriver/fields", "bytes.db", 1, 0},
        {"paradoxdriver/fields", "date35.db", 3, 0},
        {"paradoxdriver/fields", "date4.db", 3, 0},
        {"paradoxdriver/fields", "date5.db", 3, 0},
        {"paradoxdriver/fields", "date7.db", 5, 2},
        {"paradoxdriver/fields", "fmemo.db", 2, 0},
        {"paradoxdriver/fields", "graphic.db", 3, 1},
        {"paradoxdriver/fields", "graphic240.db", 1, 0},
        {"paradoxdriver/fields", "logical.db", 4, 0},
        {"paradoxdriver/fields", "long.db", 3, 1},
        {"paradoxdriver/fields", "memo.db", 2, 0},
        {"paradoxdriver/fields", "ole.db", 1, 0},
        {"paradoxdriver/fields", "time.db", 3, 1},
        {"paradoxdriver/fields", "timestamp.db", 2, 1},
        {"paradoxdriver/geog", "County.DB", 3218, 0},
        {"paradoxdriver/geog", "tblAC.DB", 220, 157},
        {"paradoxdriver/geog", "tblsttes.DB", 58, 86},
        {"pxlib-fixture", "FIXTURE.DB", 7, 52},
        {"rparadox", "TypSammlung.DB", 5, 29},
        {"rparadox", "biolife.db", 28, 0},
        {"rparadox", "country.db", 18, 0},
        {"rparadox", "empty.db", 0, 0},
        {"rparadox", "of.db", 2197, 16975},
        {"rparadox", "of_cp866.db", 2197, 16975},
    };
    for (const Expected& e : samples) {
        SCOPED_TRACE(std::string(e.set) + "/" + e.table);
        const Counts counts = Scan(Folder(e.set), QString::fromLatin1(e.table));
        EXPECT_EQ(counts.rows, e.rows);
        EXPECT_EQ(counts.nulls, e.nulls);
    }
}

TEST_F(ParadoxSamples, EveryFieldTypeOfTypSammlungInGermanCodePage1252)
{
    TTable table(Folder("rparadox"), QStringLiteral("TypSammlung.DB"));
    table.Open();
    EXPECT_EQ(FieldNames(table), QStringList({"Alpha", "Numerisch", "Währung", "Integer kurz",
                                              "Integer lang", "BCD", "Datum", "Zeit", "Datum/Zeit",
                                              "Memo", "Logisch", "Zähler", "Binär", "Bytes"}));
    // Its primary key is its first two fields.
    ASSERT_EQ(table.KeyFieldCount(), 2);
    EXPECT_EQ(table.KeyField(1).FieldName(), "Numerisch");
    const QList<QStringList> rows = Rows(table);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0],
              QStringList({"AAA Irgendein Text", "40", "40,00", "40", "40", "40", "01/01/1970",
                           "00:00:00", "01/01/1970 11:00:00", "", "", "1", "", ""}));
    // A NULL BCD stored as 06 00 ..., NULL money, dates and memo; logical false is a value.
    EXPECT_EQ(rows[1], QStringList({"Erste Zeile", "23", "", "", "", "", "", "", "", "", "False",
                                    "3", "", ""}));
    EXPECT_EQ(rows[2][0], "Fünfter Datensatz");
    EXPECT_EQ(rows[2][1], "1,34");
    EXPECT_EQ(rows[2][5], "13,123457");
    EXPECT_EQ(rows[2][9], "Dies ist eine Memo im 'Fünften Datensat'");
    // Zero is a value, not NULL.
    EXPECT_EQ(rows[3], QStringList({"Null-Werte", "0", "0,00", "0", "0", "0", "", "", "", "", "",
                                    "4", "", ""}));
    EXPECT_EQ(rows[4],
              QStringList({"Zweite Zeile", "-40", "-40,00", "-40", "-40", "-40", "09/09/1999",
                           "11:11:11", "10/06/2003 11:11:11", "", "True", "2", "", ""}));
}

// Small tables of one field type each, with their NULLs where pxlib reports values.
TEST_F(ParadoxSamples, ValuesOfTheOneTypeTables)
{
    const QString fields = Folder("paradoxdriver/fields");
    auto rowsOf = [&](const char* name) {
        TTable table(fields, QString::fromLatin1(name));
        table.Open();
        return Rows(table);
    };
    // BCD: sign, decimals from the descriptor, a NULL, and decimals that end in noise (read up
    // to the last valid digit).
    EXPECT_EQ(rowsOf("bcd.db"), QList<QStringList>({{"1,23", "1", "0,122999999999999998"},
                                                    {"-1,23", "-1", "-0,122999999999999998"},
                                                    {"0", "", "0,9999000000000000118"}}));
    EXPECT_EQ(rowsOf("long.db"), QList<QStringList>({{"1", "1"}, {"2", "2"}, {"3", ""}}));
    EXPECT_EQ(rowsOf("time.db"), QList<QStringList>({{"01:00:01"}, {""}, {"03:00:03"}}));
    EXPECT_EQ(rowsOf("date7.db"), QList<QStringList>({{"01/01/2018", "10:00:00"},
                                                      {"01/02/2018", "10:30:00"},
                                                      {"02/01/2018", "09:25:25"},
                                                      {"", "10:00:00"},
                                                      {"01/01/2018", ""}}));
    EXPECT_EQ(rowsOf("timestamp.db"), QList<QStringList>({{""}, {"01/02/2020 01:00:01"}}));
    EXPECT_EQ(rowsOf("logical.db"), QList<QStringList>({{"True"}, {"False"}, {"True"}, {"True"}}));
}

TEST_F(ParadoxSamples, FixtureAccentsMemosAndEdgeValues)
{
    TTable table(Folder("pxlib-fixture"), QStringLiteral("FIXTURE.DB"));
    table.Open();
    EXPECT_EQ(table.Fields(2).FieldName(), "Prénom");
    const QList<QStringList> rows = Rows(table);
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows[0].mid(0, 11),
              QStringList({"1", "Müller & Fils", "Frédérique", "12", "123456", "19,95", "1234,50",
                           "29/02/2024", "13:45:30", "31/12/1999 23:59:58", "True"}));
    EXPECT_EQ(rows[0][11], "Première ligne: façade, œuvre, naïve\r\n"
                           "Deuxième ligne: 10 € – « guillemets »\r\n"
                           "Troisième ligne: ÄÖÜ äöü ß");
    EXPECT_EQ(rows[0][12], "1234,56");
    EXPECT_EQ(rows[0][13], "0102ABCD");
    // Zero, blank, false, midnight and 0001-01-01 are values distinct from NULL.
    EXPECT_EQ(rows[2].mid(2, 10), QStringList({" ", "0", "0", "0", "0,00", "01/01/0001", "00:00:00",
                                               "01/01/1970", "False", ""}));
    EXPECT_EQ(rows[3][1], "Ça coûte 3 € – déjà payé");
    EXPECT_EQ(rows[3][3], "-32767");
    EXPECT_EQ(rows[3][4], "-2147483647");
    EXPECT_EQ(rows[3][5], "-0,001");
    EXPECT_EQ(rows[3][6], "-99,99");
    // A long memo read from the .MB keeps its line breaks whole.
    EXPECT_GT(rows[3][11].count(QStringLiteral("\r\n")), 3);
    EXPECT_TRUE(rows[3][11].startsWith("Ligne numéro"));
}

TEST_F(ParadoxSamples, MemosKeepCrLfAndLoneCr)
{
    TTable table(Folder("paradoxdriver/db"), QStringLiteral("customer.db"));
    table.Open();
    TField& comments = table.FieldByName(QStringLiteral("Comments"));
    EXPECT_EQ(comments.Kind(), FieldKind::Memo);
    bool loneCr = false, crLf = false;
    int longMemos = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        const QString text = comments.AsString();
        crLf = crLf || text.contains(QStringLiteral("\r\n"));
        const QString withoutCrLf = QString(text).remove(QStringLiteral("\r\n"));
        loneCr = loneCr || withoutCrLf.contains(QLatin1Char('\r'));
        if (text.size() > 100)
            ++longMemos;
    }
    EXPECT_TRUE(crLf);
    EXPECT_TRUE(loneCr);
    EXPECT_GT(longMemos, 0);
    table.First();
    EXPECT_EQ(comments.AsString(), "Small comment (less 100 symbols)");
}

TEST_F(ParadoxSamples, ImagesAndMemosOfTheClassicDemoTable)
{
    TTable table(Folder("rparadox"), QStringLiteral("BIOLIFE.DB"));
    table.Open();
    EXPECT_EQ(table.RecordCount(), 28);
    table.First();
    EXPECT_EQ(table.FieldByName("Common_Name").AsString(), "Clown Triggerfish");
    EXPECT_EQ(table.FieldByName("Species No").AsInteger(), 90020);
    EXPECT_EQ(table.FieldByName("Length_In").AsString(), "19,68503937007874");
    EXPECT_TRUE(table.FieldByName("Notes").AsString().startsWith("Also known as the big spotted"));
    // The image is a Windows bitmap once the graphic header is skipped.
    EXPECT_TRUE(table.FieldByName("Graphic").AsString().startsWith("424D"));
}

TEST_F(ParadoxSamples, TextInSeveralCodePages)
{
    // 1252: Western European.
    TTable areas(Folder("paradoxdriver/db"), QStringLiteral("AREACODES.DB"));
    areas.Open();
    QStringList cities;
    for (areas.First(); !areas.Eof(); areas.Next())
        cities << areas.FieldByName("Cities").AsString();
    EXPECT_TRUE(cities.contains("San José"));
    EXPECT_TRUE(cities.contains("Québec, Gaspé, southeastern"));

    // 866 in the header, and the same data in a table that says 0, read with an override.
    TTable cp866(Folder("rparadox"), QStringLiteral("of_cp866.db"));
    TTable cp0(Folder("rparadox"), QStringLiteral("of.db"));
    cp0.SetDefaultCodePage(866);
    cp866.Open();
    cp0.Open();
    EXPECT_EQ(FieldNames(cp866), FieldNames(cp0));
    EXPECT_TRUE(FieldNames(cp866).contains("Адрес"));
    EXPECT_EQ(Rows(cp866), Rows(cp0));

    // 437 (the header's DOS code page) and 936 (multi-byte) tables open and decode.
    EXPECT_EQ(Scan(Folder("paradoxdriver/areas"), QStringLiteral("zipcodes.db")).rows, 43185);
    TTable general(Folder("paradoxdriver/db"), QStringLiteral("GENERAL.DB"));
    general.Open();
    EXPECT_EQ(Rows(general).last(), QStringList({"333333333", "Elizabet", "75,00"}));
}

TEST_F(ParadoxSamples, EmptyTableIsAtEndAtOnceWithNullFields)
{
    TTable table(Folder("rparadox"), QStringLiteral("empty.db"));
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.FieldCount(), 7);
    table.First();
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(table.FieldByName("Notes").IsNull());
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 0);
    table.Next();
    EXPECT_TRUE(table.Eof());
}

TEST_F(ParadoxSamples, EncryptedTablesAreRefusedClearly)
{
    for (const char* name : {"encrypted.db", "encrypted35.db", "encryptedmemo.db"}) {
        TTable table(Folder("paradoxdriver/encrypt"), QString::fromLatin1(name));
        try {
            table.Open();
            FAIL() << name << " opened";
        } catch (const TableError& e) {
            EXPECT_TRUE(e.text().contains(QString::fromLatin1(name))) << e.what();
            EXPECT_TRUE(e.text().contains("mot de passe")) << e.what();
        }
        EXPECT_FALSE(table.Active());
    }
}
