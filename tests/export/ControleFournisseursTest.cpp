#include "ControleFournisseurs.h"
#include "ExportTestSupport.h"
#include "HeadOfficeFixtures.h"

#include "Errors.h"

#include <QFile>

// Unchanged sources are read once however many rows ask; any change of identity (content
// rewritten in place, file replaced, removed, folder entries changed) is read again.
TEST_F(ExportTest, SupplierChecksReadAgainOnlyWhenASourceChanged)
{
    const QString fournis = Base(QStringLiteral("FOURNIS.DB"));
    WriteFournis(fournis, {QStringLiteral("AB"), QStringLiteral("CD")});
    Ecrire(Ini(), "[Cordalis_FNS_Exclu]\nFournisseur0=AB\n");
    Vieillir(fournis, 7200);
    Vieillir(base_, 7200);
    Vieillir(Ini(), 7200);

    ControleFournisseurs controle(Ini(), tables_->Fns);
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(controle.FournisseurExclu(QStringLiteral("AB")));
        EXPECT_FALSE(controle.FournisseurExclu(QStringLiteral("ab")));
        EXPECT_TRUE(controle.FournisseurExiste(QStringLiteral("CD")));
        EXPECT_FALSE(controle.FournisseurExiste(QStringLiteral("cd")));
    }
    EXPECT_EQ(controle.LecturesExclusions(), 1);
    EXPECT_EQ(controle.LecturesFournisseurs(), 1);
    EXPECT_FALSE(tables_->Fns.Active());

    // Same size, same inode, only the modification time moved by one nanosecond.
    Ecrire(Ini(), "[Cordalis_FNS_Exclu]\nFournisseur0=CD\n");
    Vieillir(Ini(), 7200, 1);
    EXPECT_FALSE(controle.FournisseurExclu(QStringLiteral("AB")));
    EXPECT_TRUE(controle.FournisseurExclu(QStringLiteral("CD")));
    EXPECT_EQ(controle.LecturesExclusions(), 2);

    // The settings file removed: nothing excluded.
    QFile::remove(Ini());
    EXPECT_FALSE(controle.FournisseurExclu(QStringLiteral("CD")));
    EXPECT_FALSE(controle.FournisseurExclu(QStringLiteral("CD")));
    EXPECT_EQ(controle.LecturesExclusions(), 3);

    // FOURNIS.DB removed, and another program writes the table as fournis.db: the table
    // layer finds it without regard to case, and so does the next lookup.
    QFile::remove(fournis);
    const QString minuscules = Base(QStringLiteral("fournis.db"));
    WriteFournis(minuscules, {QStringLiteral("ZZ")});
    Vieillir(minuscules, 7200);
    Vieillir(base_, 7200, 5);
    EXPECT_FALSE(controle.FournisseurExiste(QStringLiteral("CD")));
    EXPECT_TRUE(controle.FournisseurExiste(QStringLiteral("ZZ")));
    EXPECT_EQ(controle.LecturesFournisseurs(), 2);
    EXPECT_FALSE(tables_->Fns.Active());

    // Read under another case, the table may be shadowed by its exact name appearing.
    WriteFournis(fournis, {QStringLiteral("YY")});
    Vieillir(fournis, 7200);
    Vieillir(base_, 7200, 6);
    EXPECT_FALSE(controle.FournisseurExiste(QStringLiteral("ZZ")));
    EXPECT_TRUE(controle.FournisseurExiste(QStringLiteral("YY")));

    // Both gone: the table layer's error, and the table stays closed.
    QFile::remove(minuscules);
    QFile::remove(fournis);
    Vieillir(base_, 7200, 7);
    EXPECT_THROW(controle.FournisseurExiste(QStringLiteral("ZZ")), TableError);
    EXPECT_FALSE(tables_->Fns.Active());

    // A file whose time is not safely in the past (modified just now, or stamped by a clock
    // ahead of ours) is read at every call until it has settled.
    WriteFournis(fournis, {QStringLiteral("EF")});
    Vieillir(fournis, -60);
    const int avant = controle.LecturesFournisseurs();
    EXPECT_TRUE(controle.FournisseurExiste(QStringLiteral("EF")));
    EXPECT_TRUE(controle.FournisseurExiste(QStringLiteral("EF")));
    EXPECT_EQ(controle.LecturesFournisseurs(), avant + 2);
}
