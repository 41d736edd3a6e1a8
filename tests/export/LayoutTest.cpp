#include "Errors.h"
#include "ExportLayout.h"
#include "ExportTestSupport.h"
#include "Regional.h"
#include "TNativeXmlQLF.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kAccents = QStringLiteral("Crème brûlée à l'été, façon cœur : 12 €");
const QString kMemoLignes = QStringLiteral("première ligne\r\nseconde ligne\r\n\r\nfin");
const QString kMemoXml =
    QStringLiteral("<modele ref=\"A&B\"><option nom='x'>1 < 2 > 0</option></modele>");

} // namespace

TEST_F(ExportTest, PersonnalisationWritesTheCommonLayoutWithTextsWhole)
{
    WriteParadoxTable(
        Base(QStringLiteral("Perso.DB")), ColonnesPerso(),
        {{kAccents, QStringLiteral("interne"), 3, QStringLiteral("FA"), QStringLiteral("MO"),
          QStringLiteral("AB"), QStringLiteral("P1"), QStringLiteral("photo.jpg"), kMemoLignes,
          kMemoXml, QStringLiteral("caché"), 1},
         // Memos NULL: no Photo, Detail, Xml, DetailCache attributes.
         {QStringLiteral("Sans mémo"), QVariant(), 0, QStringLiteral("FB"), QStringLiteral("M2"),
          QStringLiteral("CD"), QStringLiteral("P2"), QVariant(), QVariant(), QVariant(),
          QVariant(), 0},
         // Every field NULL: an empty Ligne.
         {}});

    VueEnregistree vue;
    GenererPersonnalisation(Contexte(), vue);

    const QString chemin = Prep(QStringLiteral("personnalisation.xml"));
    const QByteArray brut = Lire(chemin);
    EXPECT_TRUE(brut.startsWith("<?xml version=\"1.0\" encoding=\"windows-1252\"?>"))
        << brut.left(80).constData();
    // Version carries Numero then Date, the 14 digits of the generation time.
    EXPECT_TRUE(brut.contains("<Version Numero=\"1.0\" Date=\"20260102030405\"/>"));

    const ExportLu lu = LireExport(chemin);
    ASSERT_TRUE(lu.Valide);
    EXPECT_EQ(lu.Encodage.toLower(), QStringLiteral("windows-1252"));
    EXPECT_EQ(lu.Racine, QStringLiteral("Personnalisations"));
    EXPECT_EQ(lu.Enfants, (QStringList{QStringLiteral("Version"), QStringLiteral("Lignes")}));
    ASSERT_EQ(lu.Lignes.size(), 3);

    const Attributs attendue = {{QStringLiteral("Groupe"), QStringLiteral("3")},
                                {QStringLiteral("Famille"), QStringLiteral("FA")},
                                {QStringLiteral("Modele"), QStringLiteral("MO")},
                                {QStringLiteral("Fournisseur"), QStringLiteral("AB")},
                                {QStringLiteral("Produit"), QStringLiteral("P1")},
                                {QStringLiteral("Libelle"), kAccents},
                                {QStringLiteral("Photo"), QStringLiteral("photo.jpg")},
                                {QStringLiteral("Detail"), kMemoLignes},
                                {QStringLiteral("Xml"), kMemoXml},
                                {QStringLiteral("DetailCache"), QStringLiteral("caché")},
                                {QStringLiteral("Flag"), QStringLiteral("1")}};
    EXPECT_EQ(lu.Lignes[0], attendue);
    // The markup of the Xml memo is an attribute text, not elements.
    EXPECT_FALSE(brut.contains("<modele"));

    const Attributs sansMemo = {{QStringLiteral("Groupe"), QStringLiteral("0")},
                                {QStringLiteral("Famille"), QStringLiteral("FB")},
                                {QStringLiteral("Modele"), QStringLiteral("M2")},
                                {QStringLiteral("Fournisseur"), QStringLiteral("CD")},
                                {QStringLiteral("Produit"), QStringLiteral("P2")},
                                {QStringLiteral("Libelle"), QStringLiteral("Sans mémo")},
                                {QStringLiteral("Flag"), QStringLiteral("0")}};
    EXPECT_EQ(lu.Lignes[1], sansMemo);
    EXPECT_TRUE(lu.Lignes[2].isEmpty());

    EXPECT_EQ(vue.cachages, 1);
    EXPECT_EQ(vue.maximum, 3);
    EXPECT_EQ(vue.position, 3);
    EXPECT_GE(vue.pompages, 1);
    EXPECT_TRUE(vue.oui);
    EXPECT_FALSE(UneTableOuverte());
}

TEST_F(ExportTest, EmptyTablesGiveHeaderAndEmptyLignes)
{
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), ColonnesPerso(), {});
    VueEnregistree vue;
    vue.maximum = 57; // left by an earlier generation
    GenererPersonnalisation(Contexte(), vue);
    ExportLu lu = LireExport(Prep(QStringLiteral("personnalisation.xml")));
    ASSERT_TRUE(lu.Valide);
    EXPECT_EQ(lu.Enfants, (QStringList{QStringLiteral("Version"), QStringLiteral("Lignes")}));
    EXPECT_TRUE(lu.Lignes.isEmpty());
    EXPECT_EQ(vue.maximum, 0);
    EXPECT_EQ(vue.position, 0);
    EXPECT_TRUE(vue.oui);

    // The two-file kinds write Configuration also when they export nothing.
    const QList<ParadoxColumn> colonnes = {{QStringLiteral("Code"), FieldKind::Long},
                                           {QStringLiteral("Externe"), FieldKind::Short}};
    for (const char* table : {"MesDocsType.DB", "MesDocs.DB"})
        WriteParadoxTable(Base(QLatin1String(table)), colonnes, {});
    VueEnregistree vueDocs;
    GenererDocuments(Contexte(), vueDocs);
    for (const char* nom : {"mes_docs_type.xml", "mes_docs.xml"}) {
        lu = LireExport(Prep(QLatin1String(nom)));
        ASSERT_TRUE(lu.Valide) << nom;
        EXPECT_EQ(lu.Racine, QStringLiteral("Documents"));
        EXPECT_EQ(lu.Enfants,
                  (QStringList{QStringLiteral("Version"), QStringLiteral("Configuration"),
                               QStringLiteral("Lignes")}));
        EXPECT_EQ(lu.Configuration,
                  (Attributs{{QStringLiteral("ViderExterne"), QStringLiteral("1")}}));
        EXPECT_TRUE(lu.Lignes.isEmpty());
    }
    EXPECT_TRUE(vueDocs.oui);
}

TEST_F(ExportTest, GeneratingAgainReplacesTheFileWithTheNewTime)
{
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), ColonnesPerso(),
                      {{QStringLiteral("un")}, {QStringLiteral("deux")}});
    VueEnregistree vue;
    GenererPersonnalisation(Contexte(), vue);
    Regional::SetClock([] { return QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)); });
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), ColonnesPerso(),
                      {{QStringLiteral("trois")}});
    GenererPersonnalisation(Contexte(), vue);

    const ExportLu lu = LireExport(Prep(QStringLiteral("personnalisation.xml")));
    ASSERT_TRUE(lu.Valide);
    EXPECT_EQ(lu.Version, (Attributs{{QStringLiteral("Numero"), QStringLiteral("1.0")},
                                     {QStringLiteral("Date"), QStringLiteral("20261231235958")}}));
    ASSERT_EQ(lu.Lignes.size(), 1);
    EXPECT_EQ(lu.Lignes[0].value(0).second, QStringLiteral("trois"));
    // Nothing but the export itself in the preparation folder.
    EXPECT_EQ(QDir(preparer_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("personnalisation.xml")});
}

// A control character in one field of a head office record cannot go into XML: "Générer"
// still stops before writing the file, and the message names what to correct (the table,
// the record by its number and its key, the field), the earlier export staying in place.
TEST_F(ExportTest, AControlCharacterNamesTheRecordToCorrect)
{
    // Perso.DB keyed by a field that the export leaves out.
    QList<ParadoxColumn> perso = ColonnesPerso();
    perso.removeAt(1); // "Interne" comes first, as a key
    perso.prepend({QStringLiteral("Interne"), FieldKind::Alpha, 10, true});
    QList<QVariantList> lignes;
    for (int i = 1; i <= 5; ++i) {
        const QString detail = i == 4 ? QStringLiteral("ligne\r\nsaisie\x02"
                                                       "collée")
                                      : QString();
        lignes.append({QStringLiteral("P-%1").arg(i), QStringLiteral("Modèle %1").arg(i), i,
                       QStringLiteral("FA"), QStringLiteral("MO"), QStringLiteral("AB"),
                       QStringLiteral("P1"), QVariant(), detail});
    }
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), perso, lignes);
    const QString fichier = Prep(QStringLiteral("personnalisation.xml"));
    Ecrire(fichier, "export d'hier");

    VueEnregistree vue;
    try {
        GenererPersonnalisation(Contexte(), vue);
        ADD_FAILURE() << "no XmlError";
    } catch (const XmlError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("Le champ « Detail » de l'enregistrement n° 4 (Interne = « P-4 ») "
                                 "de la table « Perso.DB » ne peut pas être écrit en XML : il "
                                 "contient un caractère interdit (U+0002, en position 14). "
                                 "Corrigez cet enregistrement puis relancez la génération."));
    }
    EXPECT_EQ(Lire(fichier), QByteArray("export d'hier"));
    EXPECT_FALSE(vue.oui);
    EXPECT_FALSE(UneTableOuverte());

    // A table without a key: the number alone; a key holding the character is shown readable.
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), ColonnesPerso(),
                      {{QStringLiteral("un")}, {QStringLiteral("deux\x1f")}});
    EXPECT_THROW(
        {
            try {
                GenererPersonnalisation(Contexte(), vue);
            } catch (const XmlError& e) {
                EXPECT_TRUE(e.text().startsWith(QStringLiteral(
                    "Le champ « Libelle » de l'enregistrement n° 2 de la table « Perso.DB » ")))
                    << e.what();
                EXPECT_TRUE(e.text().contains(QStringLiteral("(U+001F, en position 5)")))
                    << e.what();
                throw;
            }
        },
        XmlError);
    perso[0].length = 10;
    lignes = {{QStringLiteral("P-\x01"), QStringLiteral("Modèle\x01")}};
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), perso, lignes);
    try {
        GenererPersonnalisation(Contexte(), vue);
        ADD_FAILURE() << "no XmlError";
    } catch (const XmlError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("n° 1 (Interne = « P-? »)"))) << e.what();
    }
    EXPECT_EQ(Lire(fichier), QByteArray("export d'hier"));
}

TEST(ExportLayout, TableParCleLowersTheKeyAndKnowsOnlyTheSixKeys)
{
    TTable remise(QStringLiteral("/x/"), QStringLiteral("REMISES.DB"));
    TTable perso(QStringLiteral("/x/"), QStringLiteral("Perso.DB"));
    TTable docs(QStringLiteral("/x/"), QStringLiteral("MesDocs.DB"));
    TTable docsType(QStringLiteral("/x/"), QStringLiteral("MesDocsType.DB"));
    TablesExport tables;
    tables.Remise = &remise;
    tables.Perso = &perso;
    tables.MesDocs = &docs;
    tables.MesDocsType = &docsType;
    EXPECT_EQ(TableParCle(tables, QStringLiteral("Personnalisation")), &perso);
    EXPECT_EQ(TableParCle(tables, QStringLiteral("REMISE")), &remise);
    EXPECT_EQ(TableParCle(tables, QStringLiteral("mes_docs")), &docs);
    EXPECT_EQ(TableParCle(tables, QStringLiteral("Mes_Docs_Type")), &docsType);
    EXPECT_EQ(TableParCle(tables, QStringLiteral("fournis")), nullptr);
    EXPECT_EQ(TableParCle(tables, QStringLiteral("remise ")), nullptr);
}

TEST(ExportLayout, HorodatageIsFourteenDigitsOfTheLocalTime)
{
    Regional::SetClock([] { return QDateTime(QDate(987, 3, 4), QTime(5, 6, 7)); });
    EXPECT_EQ(Horodatage(), QStringLiteral("09870304050607"));
    Regional::SetClock({});
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{14}$")).match(Horodatage()).hasMatch());
}

// Real tables written by other programs (memos with CR LF and lone CR, dates, numbers,
// accented text, NULLs) go through the row writer into a file that XML readers accept and
// that gives back every field's text. A field name that cannot be an XML name ("State/Prov")
// ends the export with an error naming it instead of writing a file nobody could read.
TEST(ExportLayout, SampleTablesRoundTripThroughEcrireLigne)
{
    const QString samples = QStringLiteral(CORDALIS_SAMPLES_DIR);
    if (!QFileInfo(samples).isDir())
        GTEST_SKIP() << "no sample tables: " << qPrintable(samples) << " is absent";
    const QRegularExpression nomSimple(QStringLiteral("^[\\p{L}_][\\p{L}\\p{N}_.-]*$"));
    QTemporaryDir dir;
    QStringList relus;
    QStringList refuses;
    for (const char* relatif :
         {"paradoxdriver/db/CUSTOMER.DB", "paradoxdriver/db/HERCULES.DB",
          "paradoxdriver/db/AREACODES.DB", "rparadox/TypSammlung.DB", "pxlib-fixture/FIXTURE.DB",
          "paradoxdriver/geog/tblsttes.DB", "paradoxdriver/fields/date7.db"}) {
        SCOPED_TRACE(relatif);
        const QFileInfo info(samples + QLatin1Char('/') + QLatin1String(relatif));
        TTable table(info.absolutePath() + QLatin1Char('/'), info.fileName());
        table.Open();
        QStringList nomsInvalides;
        for (int i = 0; i < table.FieldCount(); ++i) {
            if (!nomSimple.match(table.Fields(i).FieldName()).hasMatch())
                nomsInvalides << table.Fields(i).FieldName();
        }
        TNativeXmlQLF document(QStringLiteral("Essai"), QCoreApplication::instance());
        auto lignes = document.Root()->AddChild(QStringLiteral("Lignes"));
        QList<Attributs> attendues;
        try {
            for (table.First(); !table.Eof(); table.Next()) {
                auto ligne = lignes->AddChild(QStringLiteral("Ligne"));
                EcrireLigne(table, *ligne);
                Attributs attendue;
                for (int i = 0; i < table.FieldCount(); ++i) {
                    if (!table.Fields(i).IsNull())
                        attendue.append({table.Fields(i).FieldName(), table.Fields(i).AsString()});
                }
                attendues.append(attendue);
            }
        } catch (const XmlError& e) {
            bool nomme = false;
            for (const QString& nom : std::as_const(nomsInvalides))
                nomme = nomme || e.text().contains(QStringLiteral("« %1 »").arg(nom));
            EXPECT_TRUE(nomme) << e.what();
            refuses << info.fileName();
            continue;
        }
        EXPECT_TRUE(nomsInvalides.isEmpty()) << qPrintable(nomsInvalides.join(' '));
        table.Close();
        const QString chemin = dir.filePath(info.fileName() + QStringLiteral(".xml"));
        document.SaveToFile(chemin);
        const ExportLu lu = LireExport(chemin);
        ASSERT_TRUE(lu.Valide);
        EXPECT_EQ(lu.Lignes, attendues);
        relus << info.fileName();
    }
    EXPECT_TRUE(refuses.contains(QStringLiteral("CUSTOMER.DB")));
    EXPECT_GE(relus.size(), 3) << qPrintable(relus.join(' '));
}
