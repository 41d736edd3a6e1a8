#include "ExportTestSupport.h"

#include "Errors.h"

#include <QDir>
#include <QFile>

namespace {

QList<ParadoxColumn> ColonnesMessage()
{
    return {{QStringLiteral("Numero"), FieldKind::Long},
            {QStringLiteral("Externe"), FieldKind::Short},
            {QStringLiteral("Titre"), FieldKind::Alpha, 40},
            {QStringLiteral("Texte"), FieldKind::Memo, 20}};
}

// Rows with Externe 0, NULL, 1 and 7.
QList<QVariantList> LignesMessage(const QString& prefixe)
{
    return {{1, 0, QString(prefixe + QStringLiteral(" zéro")),
             QStringLiteral("à lire\r\ndès ce matin")},
            {2, QVariant(), QString(prefixe + QStringLiteral(" nul"))},
            {3, 1, QString(prefixe + QStringLiteral(" un"))},
            {4, 7, QString(prefixe + QStringLiteral(" sept"))},
            {5, 0, QVariant(), QStringLiteral("œuvre à 5 €")}};
}

} // namespace

TEST_F(ExportTest, MessagesAndDocumentsSendExterneZeroOrNullAsFive)
{
    struct Cas
    {
        void (*generer)(const ContexteExport&, VueGeneration&);
        const char* tableType;
        const char* table;
        const char* fichierType;
        const char* fichier;
        const char* racine;
    };
    for (const Cas& cas : {Cas{GenererMessages, "MessageType.DB", "Message.DB", "message_type.xml",
                               "message.xml", "Messages"},
                           Cas{GenererDocuments, "MesDocsType.DB", "MesDocs.DB",
                               "mes_docs_type.xml", "mes_docs.xml", "Documents"}}) {
        SCOPED_TRACE(cas.racine);
        WriteParadoxTable(Base(QLatin1String(cas.tableType)), ColonnesMessage(),
                          LignesMessage(QStringLiteral("type")).mid(0, 3));
        WriteParadoxTable(Base(QLatin1String(cas.table)), ColonnesMessage(),
                          LignesMessage(QStringLiteral("msg")));
        VueEnregistree vue;
        vue.maximum = 99;
        cas.generer(Contexte(), vue);

        const ExportLu type = LireExport(Prep(QLatin1String(cas.fichierType)));
        const ExportLu lignes = LireExport(Prep(QLatin1String(cas.fichier)));
        ASSERT_TRUE(type.Valide && lignes.Valide);
        for (const ExportLu* lu : {&type, &lignes}) {
            EXPECT_EQ(lu->Encodage.toLower(), QStringLiteral("windows-1252"));
            EXPECT_EQ(lu->Racine, QLatin1String(cas.racine));
            EXPECT_EQ(lu->Enfants,
                      (QStringList{QStringLiteral("Version"), QStringLiteral("Configuration"),
                                   QStringLiteral("Lignes")}));
            EXPECT_EQ(lu->Configuration,
                      (Attributs{{QStringLiteral("ViderExterne"), QStringLiteral("1")}}));
        }
        EXPECT_EQ(type.Lignes, (QList<Attributs>{{{"Numero", "1"},
                                                  {"Externe", "5"},
                                                  {"Titre", "type zéro"},
                                                  {"Texte", "à lire\r\ndès ce matin"}},
                                                 {{"Numero", "2"}, {"Titre", "type nul"}}}));
        EXPECT_EQ(
            lignes.Lignes,
            (QList<Attributs>{{{"Numero", "1"},
                               {"Externe", "5"},
                               {"Titre", "msg zéro"},
                               {"Texte", "à lire\r\ndès ce matin"}},
                              {{"Numero", "2"}, {"Titre", "msg nul"}},
                              {{"Numero", "5"}, {"Externe", "5"}, {"Texte", "œuvre à 5 €"}}}));
        // The bar ends at the sum of both record counts.
        EXPECT_EQ(vue.maximum, 8);
        EXPECT_EQ(vue.position, 8);
        EXPECT_TRUE(vue.oui);
        EXPECT_FALSE(UneTableOuverte());
    }
}

// A failure while building the second file keeps the first one written by this run and
// leaves the earlier second file as it was; a failure on the first file writes nothing.
TEST_F(ExportTest, MessageFailuresWriteNoNewFileForTheirTable)
{
    const QString fichierType = Prep(QStringLiteral("message_type.xml"));
    const QString fichier = Prep(QStringLiteral("message.xml"));
    auto remettre = [&] {
        Ecrire(fichierType, "ancien type");
        Ecrire(fichier, "ancien");
    };
    WriteParadoxTable(Base(QStringLiteral("MessageType.DB")), ColonnesMessage(),
                      LignesMessage(QStringLiteral("type")));

    // Message.DB missing.
    remettre();
    VueEnregistree vue;
    try {
        GenererMessages(Contexte(), vue);
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Message.DB"), Qt::CaseInsensitive))
            << e.what();
    }
    EXPECT_FALSE(vue.oui);
    EXPECT_TRUE(LireExport(fichierType).Valide);
    EXPECT_EQ(Lire(fichier), QByteArray("ancien"));
    EXPECT_FALSE(UneTableOuverte());

    // Message.DB without Externe: the table layer's missing-field error at the first row;
    // the same table empty raises nothing.
    const QList<ParadoxColumn> sansExterne = {{QStringLiteral("Numero"), FieldKind::Long},
                                              {QStringLiteral("Titre"), FieldKind::Alpha, 20}};
    WriteParadoxTable(Base(QStringLiteral("Message.DB")), sansExterne, {{1, QStringLiteral("a")}});
    remettre();
    try {
        GenererMessages(Contexte(), vue);
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Externe"))) << e.what();
    }
    EXPECT_EQ(vue.position, 5 + 0);
    EXPECT_EQ(Lire(fichier), QByteArray("ancien"));
    EXPECT_FALSE(UneTableOuverte());
    WriteParadoxTable(Base(QStringLiteral("Message.DB")), sansExterne, {});
    GenererMessages(Contexte(), vue);
    EXPECT_TRUE(vue.oui);
    EXPECT_TRUE(LireExport(fichier).Lignes.isEmpty());

    // MessageType.DB missing: neither file is touched.
    QFile::remove(Base(QStringLiteral("MessageType.DB")));
    remettre();
    EXPECT_THROW(GenererMessages(Contexte(), vue), TableError);
    EXPECT_EQ(Lire(fichierType), QByteArray("ancien type"));
    EXPECT_EQ(Lire(fichier), QByteArray("ancien"));
}

// A file that cannot be written (a folder stands where it would go) ends the action with a
// message naming it; the file of the first step stays, nothing half-written is left behind.
TEST_F(ExportTest, UnwritableFileGivesAClearErrorAndKeepsEarlierFiles)
{
    const QList<ParadoxColumn> colonnes = ColonnesMessage();
    WriteParadoxTable(Base(QStringLiteral("MesDocsType.DB")), colonnes,
                      LignesMessage(QStringLiteral("type")));
    WriteParadoxTable(Base(QStringLiteral("MesDocs.DB")), colonnes,
                      LignesMessage(QStringLiteral("doc")));
    Ecrire(Prep(QStringLiteral("mes_docs_type.xml")), "ancien type");
    ASSERT_TRUE(QDir().mkpath(Prep(QStringLiteral("mes_docs.xml"))));
    Ecrire(Prep(QStringLiteral("mes_docs.xml/garder.txt")), "dedans");

    VueEnregistree vue;
    try {
        GenererDocuments(Contexte(), vue);
        ADD_FAILURE() << "no error";
    } catch (const CordalisError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("mes_docs.xml"))) << e.what();
    }
    EXPECT_FALSE(vue.oui);
    EXPECT_EQ(LireExport(Prep(QStringLiteral("mes_docs_type.xml"))).Lignes.size(), 3);
    EXPECT_EQ(Lire(Prep(QStringLiteral("mes_docs.xml/garder.txt"))), QByteArray("dedans"));
    EXPECT_EQ(QDir(preparer_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("mes_docs.xml"), QStringLiteral("mes_docs_type.xml")}));
    EXPECT_FALSE(UneTableOuverte());
}
