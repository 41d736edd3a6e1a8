// cordalis-tables run as a separate program on a folder of tables and on a Cordalis.ini.

#include "ParadoxWriter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "fr_FR.UTF-8");
    env.insert("LC_ALL", "fr_FR.UTF-8");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CORDALIS_TABLES_TOOL), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    ToolRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class CordalisTablesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath("QuillfenAdministration"));
        tables_ = dir_.filePath("QuillfenAdministration");
        WriteParadoxTable(tables_ + "/Message.DB",
                          {{"Code", FieldKind::Alpha, 10},
                           {"Externe", FieldKind::Short},
                           {"Texte", FieldKind::Memo, 11},
                           {"Jour", FieldKind::Date}},
                          {{"M1", 1, "Bonjour;\r\nil a dit \"oui\"", QDate(2024, 2, 29)},
                           {"M2", QVariant(), QVariant(), QVariant()},
                           {"Été", 0, "court", QDate(2001, 1, 1)}});
        WriteParadoxTable(tables_ + "/REMISES.DB", {{"Client", FieldKind::Alpha, 5}}, {{"C1"}});
    }

    QTemporaryDir dir_;
    QString tables_;
};

} // namespace

TEST_F(CordalisTablesTest, DumpsATableAsCsvWithNullsEmptyAndMemosQuoted)
{
    const ToolRun run = RunTool({tables_, "message.db"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Code;Externe;Texte;Jour\r\n"
                       "M1;1;\"Bonjour;\r\nil a dit \"\"oui\"\"\";29/02/2024\r\n"
                       "M2;;;\r\n"
                       "Été;0;\"court\";01/01/2001\r\n");
}

TEST_F(CordalisTablesTest, ListsTheTablesOfTheAliasOfASettingsFile)
{
    QFile ini(dir_.filePath("Cordalis.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Alias]\r\nQuillfenAdministration=" + tables_.toUtf8() + "\r\n");
    ini.close();
    // A damaged table is reported and the others are still listed.
    QFile bad(tables_ + "/ABIME.DB");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(3000, 'x'));
    bad.close();

    const ToolRun run = RunTool({dir_.filePath("Cordalis.ini")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("Message.DB : 3 enregistrement(s), 4 champ(s)\n"
                                 "  Code (Alpha)\n  Externe (Short)\n  Texte (Memo)\n"
                                 "  Jour (Date)\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("REMISES.DB : 1 enregistrement(s), 1 champ(s)"));
    EXPECT_TRUE(run.out.contains("ABIME.DB : illisible"));
    EXPECT_TRUE(run.err.contains("La table « ABIME.DB » ne peut pas être lue"))
        << run.err.toStdString();
}

TEST_F(CordalisTablesTest, ErrorsGiveAMessageAndAFailureCode)
{
    ToolRun run = RunTool({tables_, "FOURNIS.DB"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("La table « FOURNIS.DB » est introuvable"))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    run = RunTool({dir_.filePath("absent")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("n'existe pas")) << run.err.toStdString();

    run = RunTool({});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.startsWith("Usage")) << run.err.toStdString();
}
