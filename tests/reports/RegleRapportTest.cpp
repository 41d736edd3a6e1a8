#include "ReportFixtures.h"

#include "RegleRapport.h"
#include "TNativeXmlQLF.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace fixtures;
using RegleRapport::EstAJour;
using RegleRapport::JugerEnregistrement;

namespace {

class ReportRules : public FrenchClock
{
protected:
    // Loads the XML text into doc_ and returns its root as the readers resolve it.
    const TXMLNodeQLF* Load(const QByteArray& xml)
    {
        const QString path = dir_.filePath(QStringLiteral("r.xml"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
        file.close();
        doc_.LoadFromFile(path);
        return doc_.Root();
    }

    QTemporaryDir dir_;
    TNativeXmlQLF doc_{QStringLiteral("Velmora"), QCoreApplication::instance()};
};

TEST_F(ReportRules, StateTextListsOnlySectionsInTroubleInOrder)
{
    // Every section in order: the fixed text, even when sections hold messages.
    auto verdict = JugerEnregistrement(
        Load(Report(QStringLiteral("12/03/2024"), Ok({QStringLiteral("ignoré")}), Ok(), Ok())));
    EXPECT_FALSE(verdict.EnAnomalie);
    EXPECT_EQ(verdict.Texte, QStringLiteral("Mise à jour automatique installée."));

    // General and Quillfen at 2; CDL in order holds messages that are not shown.
    verdict = JugerEnregistrement(
        Load(Report(QStringLiteral("12/03/2024"), Ko({QStringLiteral("g1")}, QStringLiteral("2")),
                    Ok({QStringLiteral("pas montré")}),
                    Ko({QStringLiteral("q1"), QStringLiteral("q2")}, QStringLiteral("2")))));
    EXPECT_TRUE(verdict.EnAnomalie);
    EXPECT_EQ(verdict.Texte, QStringLiteral("[General] g1\n[Quillfen] q1\n[Quillfen] q2\n"));

    const TXMLNodeQLF* root =
        Load(Report(QStringLiteral("12/03/2024"), Ok(),
                    Ko({QStringLiteral("Tarifs"), QStringLiteral("Documents")})));
    EXPECT_EQ(RegleRapport::MessagesSection(RegleRapport::CDL, root),
              QStringLiteral("[CDL] Tarifs\n[CDL] Documents\n"));
    EXPECT_EQ(JugerEnregistrement(root).Texte, QStringLiteral("[CDL] Tarifs\n[CDL] Documents\n"));
}

TEST_F(ReportRules, MissingOrBadStateCountsAsTrouble)
{
    Section noAttribute{std::nullopt, {QStringLiteral("sans état")}};
    Section notNumber{QStringLiteral("x"), {QStringLiteral("illisible")}};
    auto verdict = JugerEnregistrement(
        Load(Report(QStringLiteral("12/03/2024"), Ok(), noAttribute, notNumber)));
    EXPECT_TRUE(verdict.EnAnomalie);
    EXPECT_EQ(verdict.Texte, QStringLiteral("[CDL] sans état\n[Quillfen] illisible\n"));

    // A section without its Etat element, or without Messages, or missing altogether: in
    // trouble, and whatever messages can be found are listed.
    Section noEtat = Ko({QStringLiteral("m")});
    noEtat.withEtatElement = false;
    Section noMessages = Ko({});
    noMessages.withMessagesElement = false;
    verdict =
        JugerEnregistrement(Load(Report(QStringLiteral("12/03/2024"), noEtat, noMessages, Ok())));
    EXPECT_TRUE(verdict.EnAnomalie);
    EXPECT_EQ(verdict.Texte, QStringLiteral("[General] m\n"));

    verdict = JugerEnregistrement(Load(Document(QStringLiteral(
        "<Velmora Date=\"12/03/2024\"><General><Etat Etat=\"0\"/></General></Velmora>"))));
    EXPECT_TRUE(verdict.EnAnomalie);
    EXPECT_EQ(verdict.Texte, QString());

    // A file whose top element is not Velmora: the document node serves as root and holds
    // no section.
    verdict = JugerEnregistrement(Load(Document(QStringLiteral("<Autre/>"))));
    EXPECT_TRUE(verdict.EnAnomalie);
    EXPECT_TRUE(JugerEnregistrement(nullptr).EnAnomalie);
}

TEST_F(ReportRules, CurrencyAgainstJDays)
{
    // Today is 12/03/2024: with J = 3 the limit is 09/03/2024, which is still current.
    EXPECT_TRUE(EstAJour(QStringLiteral("09/03/2024"), QStringLiteral("12/03/2024"), 3));
    EXPECT_FALSE(EstAJour(QStringLiteral("08/03/2024"), QStringLiteral("12/03/2024"), 3));
    EXPECT_FALSE(EstAJour(QStringLiteral("12/03/2024"), QStringLiteral("08/03/2024"), 3));
    EXPECT_TRUE(EstAJour(QStringLiteral("11/03/2024"), QStringLiteral("11/03/2024"), 1));
    EXPECT_FALSE(EstAJour(QStringLiteral("10/03/2024"), QStringLiteral("12/03/2024"), 1));
    // A date that does not convert (a listing without times) is not current, not an error.
    EXPECT_FALSE(EstAJour(QStringLiteral("12/03/2024"), QString(), 3));
    EXPECT_FALSE(EstAJour(QStringLiteral("31/02/2024"), QStringLiteral("12/03/2024"), 3));
}

TEST_F(ReportRules, DateLine)
{
    EXPECT_EQ(
        RegleRapport::LigneDate(QDateTime(QDate(2024, 3, 12), QTime(9, 5, 7))),
        QStringLiteral("Derniere mise à jour automatique effectuée le 12/03/2024 09:05:07\n"));
    EXPECT_EQ(RegleRapport::LigneDate(QDateTime(QDate(2024, 3, 12), QTime(0, 0))),
              QStringLiteral("Derniere mise à jour automatique effectuée le 12/03/2024\n"));
}

TEST(ReportNames, FileNamesAndFranchiseeNames)
{
    using RegleRapport::EstFichierXml;
    using RegleRapport::NomFranchise;
    EXPECT_TRUE(EstFichierXml(QStringLiteral("Magasin Lyon.xml")));
    EXPECT_EQ(NomFranchise(QStringLiteral("Magasin Lyon.xml")), QStringLiteral("Magasin Lyon"));
    EXPECT_TRUE(EstFichierXml(QStringLiteral("a.xml.xml")));
    EXPECT_EQ(NomFranchise(QStringLiteral("a.xml.xml")), QStringLiteral("a"));
    for (const char* name : {"a.xml.bak", "A.XML", "notes.txt", "xml", "a.xmll"})
        EXPECT_FALSE(EstFichierXml(QString::fromLatin1(name))) << name;

    using RegleRapport::EstNomSimple;
    EXPECT_TRUE(EstNomSimple(QStringLiteral("Magasin Lyon.xml")));
    EXPECT_TRUE(EstNomSimple(QStringLiteral("..a.xml")));
    for (const QString& name :
         {QStringLiteral("../evil.xml"), QStringLiteral("a/b.xml"), QStringLiteral("..\\x.xml"),
          QStringLiteral("/etc/x.xml"), QStringLiteral("."), QStringLiteral(".."), QString(),
          QStringLiteral("a\nb.xml"), QStringLiteral("a\rb.xml"), QStringLiteral("a\tb.xml"),
          QStringLiteral("a\x7f.xml"), QString(QString(QChar(0x85)) + QStringLiteral(".xml"))})
        EXPECT_FALSE(EstNomSimple(name)) << name.toStdString();
}

} // namespace
