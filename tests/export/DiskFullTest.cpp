// An export whose preparation folder lies on a disk that fills up.

#include "Errors.h"
#include "ExportTestSupport.h"
#include "SmallFileSystem.h"

#include <QDir>

namespace {

// The generation stops with a message naming the file; the file of the earlier generation
// stays whole, nothing half-written is left, the tables are closed and the row shows no
// success.
TEST_F(ExportTest, AFullDiskKeepsTheEarlierExportWhole)
{
    SmallFileSystem disque(preparer_, 256 * 1024);
    if (!disque.mounted())
        GTEST_SKIP() << qPrintable(disque.reason());
    QList<QVariantList> lignes;
    for (int i = 0; i < 400; ++i)
        lignes.append({QStringLiteral("Libellé %1").arg(i), QStringLiteral("interne"), i,
                       QStringLiteral("FA"), QStringLiteral("MO"), QStringLiteral("AB"),
                       QStringLiteral("P1"), QStringLiteral("photo.jpg"),
                       QString(1500, QChar(u'é')), QString(), QString(), 0});
    WriteParadoxTable(Base(QStringLiteral("Perso.DB")), ColonnesPerso(), lignes);
    const QString chemin = Prep(QStringLiteral("personnalisation.xml"));
    Ecrire(chemin, "ancien");

    VueEnregistree vue;
    try {
        GenererPersonnalisation(Contexte(), vue);
        ADD_FAILURE() << "no error on a full disk";
    } catch (const CordalisError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("personnalisation.xml"))) << e.what();
    }
    EXPECT_FALSE(vue.oui);
    EXPECT_EQ(Lire(chemin), QByteArray("ancien"));
    EXPECT_EQ(QDir(preparer_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("personnalisation.xml")});
    EXPECT_FALSE(UneTableOuverte());
}

} // namespace
