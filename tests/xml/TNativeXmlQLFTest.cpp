#include "TNativeXmlQLF.h"
#include "Errors.h"
#include "SmallFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class NativeXmlTest : public ::testing::Test
{
protected:
    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }
    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Whether xmllint, an independent parser, takes the file as well-formed.
    static bool XmllintAccepts(const QString& path)
    {
        QProcess lint;
        lint.start("xmllint", {"--noout", "--nonet", path});
        if (!lint.waitForFinished(30000))
            return false;
        EXPECT_EQ(lint.readAllStandardError(), QByteArray());
        return lint.exitStatus() == QProcess::NormalExit && lint.exitCode() == 0;
    }
    static QString LoadError(TNativeXmlQLF& doc, const QString& path)
    {
        try {
            doc.LoadFromFile(path);
        } catch (const XmlError& error) {
            return error.text();
        }
        ADD_FAILURE() << "no XmlError for " << path.toStdString();
        return QString();
    }
};

TEST_F(NativeXmlTest, NewDocumentSavesDeclarationAndEmptyRoot)
{
    TNativeXmlQLF doc("remise_achat", qApp);
    ASSERT_NE(doc.Root(), nullptr);
    EXPECT_EQ(doc.Root()->Owner(), &doc);
    EXPECT_EQ(doc.DocNode()->FindChild("remise_achat")->Node(), doc.Root()->Node());
    doc.SaveToFile(Path("vide.xml"));
    EXPECT_EQ(ReadFile(Path("vide.xml")),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<remise_achat/>\n");
    EXPECT_TRUE(XmllintAccepts(Path("vide.xml")));
}

TEST_F(NativeXmlTest, TrickyValuesSurviveSaveAndLoad)
{
    const QStringList values = {
        "é € œ Œ Ÿ",
        "<balise attr=\"x\"> & 'apostrophe' &amp; ]]>",
        "ligne 1\nligne 2\r\nligne 3\ttab",
        "hors de la page : ā Ω 中 😀",
        "  espaces autour  ",
        "",
        "€",
    };
    {
        TNativeXmlQLF doc("racine", qApp);
        auto entete = doc.Root()->AddChild("Entete");
        entete->SetAttribute("Version", "1.0");
        entete->SetAttribute("Nombre", -42);
        for (int i = 0; i < values.size(); ++i) {
            auto ligne = doc.Root()->AddChild("Ligne");
            ASSERT_NE(ligne, nullptr);
            ligne->SetAttribute("Valeur", values[i]);
            ligne->SetAttribute("Rang", i);
            ligne->SetAttribute("Valeur", values[i]); // set twice: replaced, not doubled
        }
        doc.SaveToFile(Path("export.xml"));
    }
    const QByteArray bytes = ReadFile(Path("export.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"windows-1252\"?>"));
    EXPECT_TRUE(bytes.contains("\xE9 \x80 \x9C \x8C \x9F")) << "not written in windows-1252";
    EXPECT_TRUE(XmllintAccepts(Path("export.xml")));

    TNativeXmlQLF doc("racine", qApp);
    doc.LoadFromFile(Path("export.xml"));
    EXPECT_EQ(doc.Root()->FindChild("Entete")->ReadAttributeInt("Nombre", 0), -42);
    TXMLNodeListQLF lignes;
    doc.Root()->ChildrenByName("Ligne", lignes);
    ASSERT_EQ(lignes.Count(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(lignes.NodeAt(i)->ReadAttribute("Valeur", "absent"), values[i]) << i;
        EXPECT_EQ(lignes.NodeAt(i)->ReadAttributeInt("Rang", -1), i);
    }
}

TEST_F(NativeXmlTest, LoadResolvesTheRootAndRepointsOnEachLoad)
{
    const QString rapport = WriteFile(
        "rapport.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- commentaire -->\n"
                       "<Rapport Date=\"12/03/2024 10:00:00\"><General Etat=\"0\"/>"
                       "<Texte>Mise \xE0 jour</Texte></Rapport>");
    const QString autre = WriteFile("autre.xml", "<Historique><Rapport Date=\"x\"/></Historique>");

    TNativeXmlQLF doc("Rapport", qApp);
    TXMLNodeQLF* root = doc.Root();
    doc.LoadFromFile(rapport);
    EXPECT_EQ(doc.Root(), root) << "the handle objects stay the same";
    EXPECT_EQ(root->ReadAttribute("Date", ""), "12/03/2024 10:00:00");
    EXPECT_EQ(root->FindChild("Texte")->Value(), "Mise à jour");
    EXPECT_EQ(root->FindChild("General")->ReadAttributeInt("Etat", -1), 0);

    // Another top element: Root stays on the document node, from which it is found by name.
    doc.LoadFromFile(autre);
    EXPECT_EQ(root->Node(), doc.DocNode()->Node());
    EXPECT_EQ(root->FindChild("Rapport"), nullptr);
    auto top = root->FindChild("Historique");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->FindChild("Rapport")->ReadAttribute("Date", ""), "x");

    doc.LoadFromFile(rapport);
    EXPECT_EQ(root->ReadAttribute("Date", ""), "12/03/2024 10:00:00");

    // A loaded document saves back in windows-1252 whatever it declared.
    doc.SaveToFile(Path("copie.xml"));
    EXPECT_TRUE(ReadFile(Path("copie.xml")).contains("encoding=\"windows-1252\""));
    EXPECT_TRUE(ReadFile(Path("copie.xml")).contains("Mise \xE0 jour"));
}

TEST_F(NativeXmlTest, AttributesAndValuesReadWithTheirDefaults)
{
    const QString path =
        WriteFile("a.xml", "<r n=\"12\" neg=\"-7\" mot=\"douze\" vide=\"\" blanc=\" 12\" "
                           "grand=\"99999999999\" x:p=\"pref\" xmlns:x=\"urn:x\">"
                           "<t>texte &amp; &#233;<![CDATA[<brut>]]></t><e/></r>");
    TNativeXmlQLF doc("r", qApp);
    doc.LoadFromFile(path);
    TXMLNodeQLF* r = doc.Root();
    EXPECT_EQ(r->ReadAttributeInt("n", 0), 12);
    EXPECT_EQ(r->ReadAttributeInt("neg", 0), -7);
    EXPECT_EQ(r->ReadAttributeInt("mot", 5), 5);
    EXPECT_EQ(r->ReadAttributeInt("vide", 5), 5);
    EXPECT_EQ(r->ReadAttributeInt("blanc", 5), 5);
    EXPECT_EQ(r->ReadAttributeInt("grand", 5), 5);
    EXPECT_EQ(r->ReadAttributeInt("absent", 5), 5);
    EXPECT_EQ(r->ReadAttribute("absent", "def"), "def");
    EXPECT_EQ(r->ReadAttribute("vide", "def"), "");
    EXPECT_EQ(r->ReadAttribute("N", "def"), "def") << "attribute names are case-sensitive";
    EXPECT_EQ(r->ReadAttribute("x:p", "def"), "pref");
    EXPECT_EQ(r->FindChild("t")->Value(), "texte & é<brut>");
    EXPECT_EQ(r->FindChild("e")->Value(), "");
    EXPECT_EQ(r->FindChild("t")->ReadAttribute("n", "def"), "def");
}

TEST_F(NativeXmlTest, ChildrenByNameAndListsFollowDocumentOrder)
{
    TNativeXmlQLF doc("r", qApp);
    for (const char* name : {"Ligne", "ligne", "Autre", "Ligne", "LIGNE", "Ligne"}) {
        auto child = doc.Root()->AddChild(QString::fromUtf8(name));
        child->SetAttribute("nom", QString::fromUtf8(name));
    }
    doc.Root()->AddChild("Autre")->AddChild("Ligne"); // a grandchild is not a child
    TXMLNodeListQLF list;
    doc.Root()->ChildrenByName("Ligne", list);
    EXPECT_EQ(list.Count(), 3);
    doc.Root()->ChildrenByName("Ligne", list);
    ASSERT_EQ(list.Count(), 6) << "the list is not emptied first";
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(list.NodeAt(i)->ReadAttribute("nom", ""), "Ligne");
    EXPECT_EQ(list.NodeAt(0)->Node(), list.NodeAt(3)->Node());
    EXPECT_NE(list.NodeAt(0)->Node(), list.NodeAt(1)->Node());
    EXPECT_EQ(list.NodeAt(6), nullptr);
    EXPECT_EQ(list.NodeAt(-1), nullptr);
    list.Add(nullptr);
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(doc.Root()->FindChild("LIGNE")->ReadAttribute("nom", ""), "LIGNE");
    EXPECT_EQ(doc.Root()->FindChild("Absent"), nullptr);

    // Text and comment nodes are not elements, whatever libxml2 calls them inside.
    const QString path = WriteFile("m.xml", "<r>du texte<!--c--><text/>encore</r>");
    doc.LoadFromFile(path);
    TXMLNodeListQLF texts;
    doc.Root()->ChildrenByName("text", texts);
    EXPECT_EQ(texts.Count(), 1);
    EXPECT_EQ(doc.Root()->FindChild("comment"), nullptr);
}

TEST_F(NativeXmlTest, BadNamesAndValuesAreRefusedWithAnError)
{
    EXPECT_THROW(TNativeXmlQLF("1racine", qApp), XmlError);
    TNativeXmlQLF doc("r", qApp);
    EXPECT_THROW(doc.Root()->AddChild("deux mots"), XmlError);
    EXPECT_THROW(doc.Root()->AddChild(""), XmlError);
    EXPECT_THROW(doc.Root()->AddChild("nomā"), XmlError); // cannot be written in the file
    EXPECT_THROW(doc.Root()->SetAttribute("a<b", "x"), XmlError);
    EXPECT_THROW(doc.DocNode()->AddChild("deuxieme"), XmlError);
    try {
        doc.Root()->SetAttribute("Libelle", QString("a\x01z"));
        FAIL() << "no XmlError";
    } catch (const XmlError& error) {
        EXPECT_EQ(error.text(),
                  "La valeur de l'attribut « Libelle » contient un caractère interdit en XML "
                  "(U+0001)");
    }
    // Nothing half-done reached the document.
    doc.SaveToFile(Path("r.xml"));
    EXPECT_EQ(ReadFile(Path("r.xml")), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<r/>\n");
}

TEST_F(NativeXmlTest, BadFilesRaiseErrorsAndKeepThePreviousContent)
{
    TNativeXmlQLF doc("Rapport", qApp);
    doc.LoadFromFile(WriteFile("bon.xml", "<Rapport Date=\"avant\"/>"));
    TXMLNodeQLF* root = doc.Root();

    const QString malformed = WriteFile("casse.xml", "<Rapport Date=\"x\">\n<General>\n</Rapport>");
    QString error = LoadError(doc, malformed);
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(malformed))) << error.toStdString();
    EXPECT_TRUE(error.contains("ligne 3")) << error.toStdString();
    EXPECT_TRUE(error.contains("mismatch")) << "libxml2's own text: " << error.toStdString();

    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("pas du xml"), QByteArray("<a>\x01</a>"), QByteArray("<a></b>"),
          QByteArray("\xFF\xFE<\x00")}) {
        SCOPED_TRACE(bytes.toStdString());
        LoadError(doc, WriteFile("mauvais.xml", bytes));
    }
    error = LoadError(doc, Path("absent.xml"));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(Path("absent.xml"))));
    LoadError(doc, dir_.path());

    // The document loaded before the failures is still there.
    EXPECT_EQ(root->ReadAttribute("Date", ""), "avant");

    // A save that cannot happen says so and leaves the file in place alone.
    ASSERT_TRUE(QDir().mkpath(Path("dossier.xml")));
    EXPECT_THROW(doc.SaveToFile(Path("dossier.xml")), XmlError);
    EXPECT_THROW(doc.SaveToFile(Path("absent/x.xml")), XmlError);
    EXPECT_TRUE(QFileInfo(Path("dossier.xml")).isDir());
}

TEST_F(NativeXmlTest, UntrustedFilesReachNothingBeyondThemselves)
{
    const QString secret = WriteFile("secret.txt", "MOT-DE-PASSE");
    const QString secretUrl = QUrl::fromLocalFile(secret).toString();
    TNativeXmlQLF doc("Rapport", qApp);

    // External entities, general and parameter, and an external DTD: none is read.
    doc.LoadFromFile(WriteFile(
        "xxe.xml",
        "<?xml version=\"1.0\"?>\n<!DOCTYPE Rapport [\n<!ENTITY s SYSTEM \"" + secretUrl.toUtf8() +
            "\">\n<!ENTITY % p SYSTEM \"" + secretUrl.toUtf8() +
            "\">\n%p;\n]>\n<Rapport Date=\"d\"><Texte>avant &s; apres</Texte></Rapport>"));
    EXPECT_EQ(doc.Root()->FindChild("Texte")->Value(), "avant  apres");
    EXPECT_FALSE(doc.Root()->Value().contains("MOT-DE-PASSE"));
    doc.LoadFromFile(WriteFile("dtd.xml", "<!DOCTYPE Rapport SYSTEM \"" + secretUrl.toUtf8() +
                                              "\"><Rapport Date=\"&#233;\"/>"));
    EXPECT_EQ(doc.Root()->ReadAttribute("Date", ""), "é");
    doc.LoadFromFile(WriteFile("net.xml", "<!DOCTYPE r [<!ENTITY n SYSTEM "
                                          "\"http://127.0.0.1:9/x\">]><Rapport>&n;</Rapport>"));
    EXPECT_EQ(doc.Root()->Value(), "");
    // XInclude is not processed.
    doc.LoadFromFile(WriteFile("xi.xml", "<Rapport xmlns:xi=\"http://www.w3.org/2001/XInclude\">"
                                         "<xi:include href=\"" +
                                             secretUrl.toUtf8() + "\" parse=\"text\"/></Rapport>"));
    EXPECT_FALSE(doc.Root()->Value().contains("MOT-DE-PASSE"));

    // A small internal entity is fine; exponential or repeated expansion is refused.
    doc.LoadFromFile(WriteFile(
        "petit.xml", "<!DOCTYPE Rapport [<!ENTITY e \"été\">]><Rapport>&e; &e;</Rapport>"));
    EXPECT_EQ(doc.Root()->Value(), "été été");
    QByteArray laughs = "<!DOCTYPE Rapport [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                  QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    laughs += "]><Rapport>&l9;</Rapport>";
    LoadError(doc, WriteFile("laughs.xml", laughs));
    const QByteArray blowup = "<!DOCTYPE Rapport [<!ENTITY a \"" + QByteArray(50000, 'x') +
                              "\">]><Rapport v=\"&a;\">" + QByteArray("&a;").repeated(20000) +
                              "</Rapport>";
    LoadError(doc, WriteFile("blowup.xml", blowup));
    EXPECT_EQ(doc.Root()->Value(), "été été");
}

} // namespace

namespace {

// Rows as long as an export's: libxml2 2.9 stops past 10 MB on some such documents unless
// the wrapper reads them again without its lookup limit.
TEST_F(NativeXmlTest, LargeExportLoadsBack)
{
    constexpr int kRows = 30000;
    {
        TNativeXmlQLF doc("remise_achat", qApp);
        for (int row = 0; row < kRows; ++row) {
            auto ligne = doc.Root()->AddChild("Ligne");
            for (int a = 0; a < 15; ++a) {
                const QString name = QStringLiteral("Champ%1").arg(a);
                if (a % 3 == 0)
                    ligne->SetAttribute(name, row * 31 + a);
                else
                    ligne->SetAttribute(
                        name, QStringLiteral("Libellé %1 – remise été n°%2").arg(row).arg(a));
            }
        }
        doc.SaveToFile(Path("gros.xml"));
    }
    ASSERT_GT(QFileInfo(Path("gros.xml")).size(), 10 * 1024 * 1024);
    TNativeXmlQLF doc("remise_achat", qApp);
    doc.LoadFromFile(Path("gros.xml"));
    TXMLNodeListQLF lignes;
    doc.Root()->ChildrenByName("Ligne", lignes);
    ASSERT_EQ(lignes.Count(), kRows);
    EXPECT_EQ(lignes.NodeAt(kRows - 1)->ReadAttribute("Champ14", ""),
              QStringLiteral("Libellé %1 – remise été n°14").arg(kRows - 1));
    EXPECT_EQ(lignes.NodeAt(kRows - 1)->ReadAttributeInt("Champ12", 0), (kRows - 1) * 31 + 12);
}

// An export written to a disk that fills up: the save throws, the earlier file stays whole
// and no temporary file is left beside it.
TEST_F(NativeXmlTest, SavingOntoAFullDiskKeepsTheEarlierFile)
{
    const QString folder = Path("disque");
    ASSERT_TRUE(QDir().mkpath(folder));
    SmallFileSystem disk(folder, 128 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << qPrintable(disk.reason());
    const QString path = folder + "/remise_achat.xml";
    QObject owner;
    TNativeXmlQLF small("Remise", &owner);
    small.Root()->AddChild("Ligne")->SetAttribute("Client", "C1");
    small.SaveToFile(path);
    const QByteArray before = ReadFile(path);
    ASSERT_FALSE(before.isEmpty());

    TNativeXmlQLF big("Remise", &owner);
    for (int i = 0; i < 5000; ++i)
        big.Root()->AddChild("Ligne")->SetAttribute("Libelle", QString(40, QChar(u'é')));
    try {
        big.SaveToFile(path);
        ADD_FAILURE() << "no error on a full disk";
    } catch (const CordalisError& error) {
        EXPECT_TRUE(error.text().contains("remise_achat.xml")) << error.what();
    }
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList({"remise_achat.xml"}));
}

} // namespace
