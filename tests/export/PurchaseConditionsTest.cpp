#include "ExportTestSupport.h"
#include "HeadOfficeFixtures.h"

#include "Errors.h"

#include <QDate>
#include <QFile>

namespace {

QVariantList Remise(const QVariant& fournisseur, const QVariant& client, const QVariant& type,
                    const QString& libelle)
{
    return {fournisseur,
            client,
            type,
            QStringLiteral("FA"),
            QStringLiteral("MO"),
            libelle,
            12.5,
            QVariant(),
            150.0,
            QDate(2026, 1, 1),
            QVariant(),
            QStringLiteral("note\r\nsuite")};
}

// The kept rows of a file, by their Libelle.
QStringList Libelles(const ExportLu& lu)
{
    QStringList libelles;
    for (const Attributs& ligne : lu.Lignes) {
        for (const auto& [nom, valeur] : ligne) {
            if (nom == QLatin1String("Libelle"))
                libelles << valeur;
        }
    }
    return libelles;
}

} // namespace

TEST_F(ExportTest, PurchaseConditionsKeepGeneralConditionsOfKnownIncludedSuppliers)
{
    WriteParadoxTable(
        Base(QStringLiteral("REMISES.DB")), RemisesColumns(),
        {Remise(QStringLiteral("AB"), QVariant(), 2, QStringLiteral("garde 1")),
         Remise(QStringLiteral("AB"), QStringLiteral("C001"), 2, QStringLiteral("client")),
         Remise(QStringLiteral("AB"), QVariant(), 3, QStringLiteral("type 3")),
         Remise(QStringLiteral("AB"), QVariant(), QVariant(), QStringLiteral("type NULL")),
         Remise(QStringLiteral("EX"), QVariant(), 2, QStringLiteral("exclu")),
         Remise(QStringLiteral("HX"), QVariant(), 2, QStringLiteral("exclu à la main")),
         Remise(QStringLiteral("ZZ"), QVariant(), 2, QStringLiteral("inconnu")),
         Remise(QStringLiteral("ab"), QVariant(), 2, QStringLiteral("casse")),
         Remise(QStringLiteral("CD"), QVariant(), 2, QStringLiteral("garde 2")),
         Remise(QVariant(), QVariant(), 2, QStringLiteral("sans fournisseur"))});
    WriteFournis(Base(QStringLiteral("FOURNIS.DB")), {QStringLiteral("AB"), QStringLiteral("CD"),
                                                      QStringLiteral("EX"), QStringLiteral("HX")});
    Ecrire(Ini(), "[Cordalis]\nRemise_Achat=1\n[Cordalis_FNS_Exclu]\nFournisseur0=EX\n"
                  "AjoutManuel=HX\nFournisseur1=cd\n");

    VueEnregistree vue;
    GenererRemiseAchat(Contexte(), vue);

    const ExportLu lu = LireExport(Prep(QStringLiteral("remise_achat.xml")));
    ASSERT_TRUE(lu.Valide);
    EXPECT_EQ(lu.Racine, QStringLiteral("RemisesAchat"));
    EXPECT_EQ(lu.Enfants, (QStringList{QStringLiteral("Version"), QStringLiteral("Lignes")}));
    EXPECT_EQ(Libelles(lu), (QStringList{QStringLiteral("garde 1"), QStringLiteral("garde 2")}));
    // A kept row comes out whole, NULL fields left out.
    ASSERT_EQ(lu.Lignes.size(), 2);
    QStringList noms;
    for (const auto& attribut : lu.Lignes[0])
        noms << attribut.first;
    EXPECT_EQ(noms, (QStringList{"Fournisseur", "Type", "Famille", "Modele", "Libelle", "Remise1",
                                 "Franco", "DateDebut", "Note"}));
    EXPECT_EQ(lu.Lignes[0].last().second, QStringLiteral("note\r\nsuite"));

    EXPECT_EQ(vue.maximum, 10);
    EXPECT_EQ(vue.position, 10);
    EXPECT_TRUE(vue.oui);
    EXPECT_FALSE(tables_->Remise.Active());
    EXPECT_FALSE(tables_->Fns.Active());

    // Without the settings file nothing is excluded.
    QFile::remove(Ini());
    GenererRemiseAchat(Contexte(), vue);
    EXPECT_EQ(Libelles(LireExport(Prep(QStringLiteral("remise_achat.xml")))),
              (QStringList{QStringLiteral("garde 1"), QStringLiteral("exclu"),
                           QStringLiteral("exclu à la main"), QStringLiteral("garde 2")}));
}

TEST_F(ExportTest, PurchaseConditionsFailuresKeepTheEarlierFileAndCloseTheTables)
{
    const QString fichier = Prep(QStringLiteral("remise_achat.xml"));
    Ecrire(fichier, "ancien");
    WriteFournis(Base(QStringLiteral("FOURNIS.DB")), {QStringLiteral("AB")});

    // REMISES.DB lacks Type: an error at the first row, with the table layer's text.
    QList<ParadoxColumn> sansType = RemisesColumns();
    sansType.removeAt(2);
    WriteParadoxTable(Base(QStringLiteral("REMISES.DB")), sansType,
                      {{QStringLiteral("AB"), QVariant(), QStringLiteral("FA")}});
    VueEnregistree vue;
    try {
        GenererRemiseAchat(Contexte(), vue);
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Type"))) << e.what();
    }
    EXPECT_FALSE(vue.oui);
    EXPECT_EQ(vue.cachages, 1);
    EXPECT_EQ(Lire(fichier), QByteArray("ancien"));
    EXPECT_FALSE(UneTableOuverte());

    // FOURNIS.DB missing: the first candidate row ends the action.
    WriteParadoxTable(Base(QStringLiteral("REMISES.DB")), RemisesColumns(),
                      {Remise(QStringLiteral("AB"), QStringLiteral("C1"), 2, QStringLiteral("x")),
                       Remise(QStringLiteral("AB"), QVariant(), 2, QStringLiteral("y"))});
    QFile::remove(Base(QStringLiteral("FOURNIS.DB")));
    EXPECT_THROW(GenererRemiseAchat(Contexte(), vue), TableError);
    EXPECT_EQ(vue.position, 1);
    EXPECT_EQ(Lire(fichier), QByteArray("ancien"));
    EXPECT_FALSE(UneTableOuverte());

    // A missing REMISES.DB is the table layer's error too.
    QFile::remove(Base(QStringLiteral("REMISES.DB")));
    EXPECT_THROW(GenererRemiseAchat(Contexte(), vue), TableError);
    EXPECT_EQ(Lire(fichier), QByteArray("ancien"));

    // An empty REMISES.DB without the three fields raises nothing.
    WriteParadoxTable(Base(QStringLiteral("REMISES.DB")),
                      {{QStringLiteral("Autre"), FieldKind::Short}}, {});
    GenererRemiseAchat(Contexte(), vue);
    EXPECT_TRUE(vue.oui);
    EXPECT_TRUE(LireExport(fichier).Lignes.isEmpty());
}

// Each row sees the exclusion list and FOURNIS.DB as they are when it is tested: with files
// just written (read again at every row) and with files whose times lie in the past (kept
// until their identity changes; the in-place rewrite keeps inode and size, only the time
// tells it apart).
TEST_F(ExportTest, PurchaseConditionsSeeSourcesReplacedBetweenTwoRows)
{
    QList<QVariantList> lignes;
    for (int i = 0; i < 6; ++i)
        lignes << Remise(QStringLiteral("AB"), QVariant(), 2, QStringLiteral("AB %1").arg(i))
               << Remise(QStringLiteral("CD"), QVariant(), 2, QStringLiteral("CD %1").arg(i));
    WriteParadoxTable(Base(QStringLiteral("REMISES.DB")), RemisesColumns(), lignes);
    const QString fournis = Base(QStringLiteral("FOURNIS.DB"));

    for (const bool anciens : {false, true}) {
        SCOPED_TRACE(anciens ? "old files" : "fresh files");
        QFile::remove(Ini());
        WriteFournis(fournis, {QStringLiteral("AB"), QStringLiteral("CD")});
        if (anciens) {
            Vieillir(fournis, 3600);
            Vieillir(base_, 3600);
        }
        VueEnregistree vue;
        vue.apresLigne = [&](int lues) {
            if (lues == 4) {
                // The exclusion dialog saves: CD is excluded from row 5 on.
                Ecrire(Ini(), "[Cordalis_FNS_Exclu]\nFournisseur0=CD\n");
                if (anciens)
                    Vieillir(Ini(), 3000);
            } else if (lues == 6) {
                // FOURNIS.DB is replaced (a new file renamed over it) without AB.
                const QString nouveau = Base(QStringLiteral("nouveau.db"));
                WriteFournis(nouveau, {QStringLiteral("CD")});
                ASSERT_EQ(::rename(QFile::encodeName(nouveau).constData(),
                                   QFile::encodeName(fournis).constData()),
                          0);
                if (anciens) {
                    Vieillir(fournis, 3000);
                    Vieillir(base_, 3000);
                }
            } else if (lues == 8) {
                // FOURNIS.DB rewritten in place with AB again; the exclusion list removed.
                WriteFournis(fournis, {QStringLiteral("AB"), QStringLiteral("CD")});
                QFile::remove(Ini());
                if (anciens) {
                    Vieillir(fournis, 3000, 1);
                    Vieillir(base_, 3000, 1);
                }
            }
        };
        GenererRemiseAchat(Contexte(), vue);

        EXPECT_EQ(Libelles(LireExport(Prep(QStringLiteral("remise_achat.xml")))),
                  (QStringList{"AB 0", "CD 0", "AB 1", "CD 1", /* CD excluded */ "AB 2",
                               /* AB unknown, CD excluded */ "AB 4", "CD 4", "AB 5", "CD 5"}));
    }
}
