#include "SupplierExclusions.h"
#include "AliasFolder.h"
#include "TIniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir_;
    QString path_ = dir_.filePath("Cordalis.ini");

    void WriteRaw(const QByteArray& bytes)
    {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

TEST_F(SettingsFileTest, ExclusionTestComparesValuesExactly)
{
    EXPECT_FALSE(FournisseurExcluDansFichier(path_, "AB"));
    EXPECT_TRUE(LireFournisseursExclus(path_).isEmpty());

    // Key names do not matter; the text after the first '=' (or the whole line) does.
    WriteRaw("[Cordalis]\nAutre=ZZ\n[Cordalis_FNS_Exclu]\nNImporteQuoi=AB\nFournisseur0=C=D\n"
             "XY\n");
    EXPECT_TRUE(FournisseurExcluDansFichier(path_, "AB"));
    EXPECT_FALSE(FournisseurExcluDansFichier(path_, "ab"));
    EXPECT_FALSE(FournisseurExcluDansFichier(path_, "C"));
    EXPECT_TRUE(FournisseurExcluDansFichier(path_, "C=D"));
    EXPECT_TRUE(FournisseurExcluDansFichier(path_, "XY"));
    EXPECT_FALSE(FournisseurExcluDansFichier(path_, "ZZ"));
    EXPECT_FALSE(FournisseurExcluDansFichier(path_, ""));

    const QStringList values = LireFournisseursExclus(path_);
    EXPECT_EQ(values, QStringList({"AB", "C=D", "XY"}));
    EXPECT_TRUE(FournisseurExcluDansListe(values, "XY"));
    EXPECT_FALSE(FournisseurExcluDansListe(values, "xy"));
}

TEST_F(SettingsFileTest, SavingTheListReplacesTheSectionWhole)
{
    TIniFile(path_).WriteString("Cordalis", "TypeEnvoi", "FTP");
    EnregistrerFournisseursExclus(path_, {"AB", "CD", "EF"});
    EnregistrerFournisseursExclus(path_, {"GH", "AB"});
    QStringList lines;
    TIniFile(path_).ReadSectionValues("Cordalis_FNS_Exclu", lines);
    EXPECT_EQ(lines, QStringList({"Fournisseur0=GH", "Fournisseur1=AB"}));
    EXPECT_FALSE(FournisseurExcluDansFichier(path_, "CD"));

    EnregistrerFournisseursExclus(path_, {});
    EXPECT_FALSE(TIniFile(path_).SectionExists("Cordalis_FNS_Exclu"));
    EXPECT_EQ(TIniFile(path_).ReadString("Cordalis", "TypeEnvoi", ""), "FTP");

    // Positions are written in decimal from 0 without leading zeros.
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    EnregistrerFournisseursExclus(path_, many);
    EXPECT_EQ(TIniFile(path_).ReadString("Cordalis_FNS_Exclu", "Fournisseur10", ""), "10");
    EXPECT_EQ(LireFournisseursExclus(path_), many);
}

TEST_F(SettingsFileTest, AliasFolderComesFromTheSettingsOrBesideTheProgram)
{
    const QString program = dir_.path() + "/";
    EXPECT_EQ(AliasFolder(path_, program), program + "QuillfenAdministration/");

    TIniFile ini(path_);
    ini.WriteString("Alias", "QuillfenAdministration", "");
    EXPECT_EQ(AliasFolder(path_, program), program + "QuillfenAdministration/");
    ini.WriteString("alias", "quillfenadministration", "/srv/tables");
    EXPECT_EQ(AliasFolder(path_, program), "/srv/tables/");
    ini.WriteString("Alias", "QuillfenAdministration", "/srv/tables/");
    EXPECT_EQ(AliasFolder(path_, program), "/srv/tables/");
    // A relative folder hangs off the program's folder, whatever the working directory.
    ini.WriteString("Alias", "QuillfenAdministration", "donnees/siege");
    EXPECT_EQ(AliasFolder(path_, dir_.path()), program + "donnees/siege/");
}

} // namespace
