// The demo head office as the program sees it: tables through the table layer, reports
// through the XML wrapper and the regional date conversion, settings through the settings
// file.

#include "DemoHeadOffice.h"
#include "AliasFolder.h"
#include "Errors.h"
#include "Regional.h"
#include "TIniFile.h"
#include "TNativeXmlQLF.h"
#include "TTable.h"
#include "TablesSiege.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class DemoHeadOfficeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
    }
    void TearDown() override { Regional::ResetLocale(); }

    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

int CountRows(TTable& table)
{
    int n = 0;
    for (table.First(); !table.Eof(); table.Next())
        ++n;
    return n;
}

TEST_F(DemoHeadOfficeTest, TablesOpenWithTheProgramsFieldListsAndHoldVariedRows)
{
    const QString alias = Path("alias");
    const DemoCounts counts = WriteDemoTables(alias);

    TTable fns(alias, "FOURNIS.DB", FournisFields());
    fns.Open();
    EXPECT_EQ(fns.FieldCount(), 51);
    EXPECT_GE(counts.fournisseurs, 24);
    EXPECT_EQ(CountRows(fns), counts.fournisseurs);
    QSet<QString> codes;
    bool accented = false;
    for (fns.First(); !fns.Eof(); fns.Next()) {
        codes.insert(fns.FieldByName("Code").AsString());
        const QString nom = fns.FieldByName("Nom").AsString();
        accented = accented || nom.contains(QChar(0xE9)); // é
    }
    EXPECT_EQ(codes.size(), counts.fournisseurs) << "supplier codes must be unique";
    EXPECT_TRUE(accented);

    // Conditions: general and per-client, several types, some suppliers unknown.
    TTable remises(alias, "REMISES.DB");
    remises.Open();
    EXPECT_EQ(CountRows(remises), counts.remises);
    EXPECT_GE(counts.remises, 200);
    int generalType2 = 0, withClient = 0, unknown = 0;
    QSet<int> types;
    for (remises.First(); !remises.Eof(); remises.Next()) {
        const int type = remises.FieldByName("Type").AsInteger();
        types.insert(type);
        const bool client = !remises.FieldByName("Client").AsString().isEmpty();
        withClient += client;
        generalType2 += !client && type == 2;
        unknown += !codes.contains(remises.FieldByName("Fournisseur").AsString());
    }
    EXPECT_GT(generalType2, 100);
    EXPECT_GT(withClient, 0);
    EXPECT_GT(unknown, 0);
    EXPECT_GE(types.size(), 3);

    TTable perso(alias, "Perso.DB", PersoFields());
    perso.Open();
    EXPECT_EQ(perso.FieldCount(), 11);
    EXPECT_EQ(CountRows(perso), counts.perso);
    bool markup = false, multiline = false;
    for (perso.First(); !perso.Eof(); perso.Next()) {
        markup = markup || perso.FieldByName("Xml").AsString().contains("<Option");
        multiline = multiline || perso.FieldByName("Detail").AsString().contains("\r\n");
    }
    EXPECT_TRUE(markup);
    EXPECT_TRUE(multiline);

    // Externe holds 0, 1 and NULL in every table the messages and documents come from.
    for (const char* name : {"MessageType.DB", "Message.DB", "MesDocsType.DB", "MesDocs.DB"}) {
        TTable table(alias, QString::fromUtf8(name));
        table.Open();
        EXPECT_GT(CountRows(table), 0) << name;
        bool zero = false, one = false, null = false;
        for (table.First(); !table.Eof(); table.Next()) {
            TField& externe = table.FieldByName("Externe");
            null = null || externe.IsNull();
            zero = zero || (!externe.IsNull() && externe.AsInteger() == 0);
            one = one || externe.AsInteger() == 1;
        }
        EXPECT_TRUE(zero && one && null) << name;
    }
}

TEST_F(DemoHeadOfficeTest, ReportsParseAndAreDatedFromToday)
{
    const QString folder = Path("Rapport");
    const QDate today = Regional::Today();
    const DemoCounts counts = WriteDemoReports(folder, today);
    EXPECT_GE(counts.rapports, 10);
    EXPECT_GT(counts.historiques, counts.rapports / 2);
    EXPECT_LT(counts.historiques, counts.rapports);

    int unreadable = 0, current = 0, stale = 0;
    const QStringList files = QDir(folder).entryList({"*.xml"}, QDir::Files);
    ASSERT_EQ(files.size(), counts.rapports);
    for (const QString& file : files) {
        const QString path = QDir(folder).filePath(file);
        const QDate fileDate = QFileInfo(path).lastModified().date();
        EXPECT_GE(fileDate, today.addDays(-15)) << file.toStdString();
        TNativeXmlQLF doc("Velmora", QCoreApplication::instance());
        try {
            doc.LoadFromFile(path);
        } catch (const CordalisError&) {
            ++unreadable;
            continue;
        }
        ASSERT_NE(doc.Root(), nullptr);
        const QDateTime date =
            Regional::StrToDateTime(doc.Root()->ReadAttribute("Date", QString()));
        if (date.date() >= today.addDays(-1) && fileDate >= today.addDays(-1))
            ++current;
        else
            ++stale;
    }
    EXPECT_EQ(unreadable, 1);
    EXPECT_GE(current, 4);
    EXPECT_GE(stale, 3);

    // Every history holds several runs, each with its three sections and a readable date.
    const QStringList histories = QDir(folder + "/Historique").entryList({"*.xml"}, QDir::Files);
    ASSERT_EQ(histories.size(), counts.historiques);
    for (const QString& file : histories) {
        EXPECT_TRUE(files.contains(file)) << "a history without its report: " << file.toStdString();
        TNativeXmlQLF doc("Velmora", QCoreApplication::instance());
        doc.LoadFromFile(folder + "/Historique/" + file);
        TXMLNodeListQLF items;
        doc.Root()->ChildrenByName("Item", items);
        ASSERT_GE(items.Count(), 5) << file.toStdString();
        for (int i = 0; i < items.Count(); ++i) {
            Regional::StrToDateTime(items.NodeAt(i)->ReadAttribute("Date", QString()));
            for (const char* section : {"General", "CDL", "Quillfen"})
                EXPECT_NE(items.NodeAt(i)->FindChild(QString::fromUtf8(section)), nullptr);
        }
    }
}

TEST_F(DemoHeadOfficeTest, SettingsPointAtTheDemoAndKeepTheChosenChannel)
{
    const QString ini = Path("Cordalis.ini");
    WriteDemoSettings(ini, Path("alias"), Path("cible"), {2121, 2122});
    {
        TIniFile file(ini);
        EXPECT_TRUE(file.ReadBool("Cordalis", "Remise_Achat", false));
        EXPECT_TRUE(file.ReadBool("Cordalis", "Document", false));
        EXPECT_EQ(file.ReadString("Cordalis", "TypeEnvoi", ""), "URI");
        EXPECT_EQ(file.ReadString("Cordalis_URI", "URI", ""), Path("cible") + "/");
        EXPECT_EQ(file.ReadInteger("Cordalis_Rapport", "Port", 0), 2122);
        EXPECT_EQ(AliasFolder(ini, dir_.path()), Path("alias") + "/");
    }
    // The user switches to FTP in "Configurer"; the next demo start keeps that choice but
    // follows the servers to their new ports.
    TIniFile(ini).WriteString("Cordalis", "TypeEnvoi", "FTP");
    WriteDemoSettings(ini, Path("alias"), Path("cible"), {3131, 3132});
    TIniFile file(ini);
    EXPECT_EQ(file.ReadString("Cordalis", "TypeEnvoi", ""), "FTP");
    EXPECT_EQ(file.ReadInteger("Cordalis_FTP", "Port", 0), 3131);
    EXPECT_EQ(file.ReadString("Cordalis_FTP", "Host", ""), "127.0.0.1");
}

} // namespace
