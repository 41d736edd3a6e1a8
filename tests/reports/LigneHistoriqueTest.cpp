#include "ReportFixtures.h"

#include "LigneHistorique.h"
#include "TNativeXmlQLF.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace fixtures;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

class HistoryRecords : public FrenchClock
{
protected:
    std::vector<LigneHistorique> Read(const QString& items, bool* threw = nullptr)
    {
        const QString path = dir_.filePath(QStringLiteral("h.xml"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Document(QStringLiteral("<Velmora>") + items + QStringLiteral("</Velmora>")));
        file.close();
        doc_.LoadFromFile(path);
        std::vector<LigneHistorique> lines;
        try {
            LireHistorique(doc_, lines);
            if (threw)
                *threw = false;
        } catch (const ConvertError&) {
            if (!threw)
                throw;
            *threw = true;
        }
        return lines;
    }

    QTemporaryDir dir_;
    TNativeXmlQLF doc_{QStringLiteral("Velmora"), QCoreApplication::instance()};
};

const QString Item = QStringLiteral("Item");

TEST_F(HistoryRecords, OneLinePerItemInDocumentOrder)
{
    const auto lines =
        Read(RecordXml(Item, QStringLiteral("12/03/2024 08:00:00"), Ok(), Ok(), Ok()) +
             RecordXml(Item, QStringLiteral("12/03/2024 07:00"), Ok(),
                       Ko({QStringLiteral("Tarifs"), QStringLiteral("Documents")}), Ok()) +
             QStringLiteral("<Autre Date=\"01/01/2024\"/>") +
             RecordXml(Item, QStringLiteral("10/03/2024"), Ok(), Ok(), Ko({})));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Date, QStringLiteral("12/03/2024"));
    EXPECT_FALSE(lines[0].EnAnomalie);
    EXPECT_EQ(lines[0].Texte, QStringLiteral("Mise à jour automatique installée."));
    EXPECT_EQ(lines[1].Date, QStringLiteral("12/03/2024"));
    EXPECT_TRUE(lines[1].EnAnomalie);
    EXPECT_EQ(lines[1].Texte, QStringLiteral("[CDL] Tarifs\n[CDL] Documents\n"));
    EXPECT_TRUE(lines[2].EnAnomalie);
    EXPECT_EQ(lines[2].Texte, QString());

    EXPECT_TRUE(Read(QString()).empty());
}

// A run whose Date is missing or does not convert is listed with the text found, in trouble;
// the runs after it are listed too, and the CSV holds every run.
TEST_F(HistoryRecords, BadDateListsTheRunWithItsRawTextAndGoesOn)
{
    bool threw = true;
    const auto lines =
        Read(RecordXml(Item, QStringLiteral("11/03/2024"), Ok(), Ok(), Ok()) +
                 QStringLiteral("<Item/>") +
                 RecordXml(Item, QStringLiteral("31/02/2026 08:00"), Ok(), Ok(), Ok()) +
                 RecordXml(Item, QStringLiteral("10/03/2024"), Ok(), Ok(), Ok()),
             &threw);
    EXPECT_FALSE(threw);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].Date, QStringLiteral("11/03/2024"));
    EXPECT_TRUE(lines[0].DateLisible);
    EXPECT_FALSE(lines[0].EnAnomalie);
    EXPECT_EQ(lines[1].Date, QString());
    EXPECT_FALSE(lines[1].DateLisible);
    EXPECT_TRUE(lines[1].EnAnomalie);
    // The run itself went well: its text says so, the unreadable date alone makes it red.
    EXPECT_EQ(lines[2].Date, QStringLiteral("31/02/2026 08:00"));
    EXPECT_FALSE(lines[2].DateLisible);
    EXPECT_TRUE(lines[2].EnAnomalie);
    EXPECT_EQ(lines[2].Texte, QStringLiteral("Mise à jour automatique installée."));
    EXPECT_EQ(lines[3].Date, QStringLiteral("10/03/2024"));
    EXPECT_FALSE(lines[3].EnAnomalie);

    EXPECT_EQ(TexteCsv(lines), QByteArray("11/03/2024;Mise \xe0 jour automatique install\xe9"
                                          "e.;\r\n"
                                          ";;\r\n"
                                          "31/02/2026 08:00;Mise \xe0 jour automatique install\xe9"
                                          "e.;\r\n"
                                          "10/03/2024;Mise \xe0 jour automatique install\xe9"
                                          "e.;\r\n"));
}

TEST(HistoryCsv, BytesExactly)
{
    const std::vector<LigneHistorique> lines = {
        {QStringLiteral("12/03/2024"), QStringLiteral("Mise à jour automatique installée."), false},
        {QStringLiteral("11/03/2024"), QStringLiteral("[CDL] Tarifs; prix\n[CDL] Documents\n"),
         true},
        {QStringLiteral("10/03/2024"), QString(), true},
    };
    EXPECT_EQ(TexteCsv(lines), QByteArray("12/03/2024;Mise \xe0 jour automatique install\xe9"
                                          "e.;\r\n"
                                          "11/03/2024;[CDL] Tarifs; prix\n[CDL] Documents\n;\r\n"
                                          "10/03/2024;;\r\n"));
    EXPECT_EQ(TexteCsv({}), QByteArray());
}

TEST(HistoryCsv, Windows1252WithQuestionMarks)
{
    // Outside the code page: one '?' per character, also beyond the basic plane.
    const std::vector<LigneHistorique> lines = {
        {QStringLiteral("01/02/2024"),
         QStringLiteral("€ œ Ÿ ÿ é 中") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("x"),
         true}};
    EXPECT_EQ(TexteCsv(lines), QByteArray("01/02/2024;\x80 \x9c \x9f \xff \xe9 ??x;\r\n"));
}

TEST(HistoryCsv, WritesWholeFileOrNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("ancien contenu bien plus long que le nouveau\r\n");
    old.close();

    const std::vector<LigneHistorique> lines = {
        {QStringLiteral("12/03/2024"), QStringLiteral("ok"), false}};
    EcrireCsv(path, lines);
    EXPECT_EQ(ReadAll(path), QByteArray("12/03/2024;ok;\r\n"));
    EcrireCsv(path, {});
    EXPECT_EQ(ReadAll(path), QByteArray());

    // A folder that cannot be written: a French error naming the file, the old file intact.
    EcrireCsv(path, lines);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool asRoot = QFileInfo(dir.path()).isWritable();
    if (!asRoot) {
        try {
            EcrireCsv(path, {});
            ADD_FAILURE() << "no error";
        } catch (const CordalisError& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Impossible d'écrire le fichier ")));
            EXPECT_TRUE(e.text().contains(QStringLiteral("export.csv")));
        }
        EXPECT_EQ(ReadAll(path), QByteArray("12/03/2024;ok;\r\n"));
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A path that is a folder can never be written, even by root.
    EXPECT_THROW(EcrireCsv(dir.path(), lines), CordalisError);
    EXPECT_THROW(EcrireCsv(dir.filePath(QStringLiteral("absent/x.csv")), lines), CordalisError);
}

} // namespace
