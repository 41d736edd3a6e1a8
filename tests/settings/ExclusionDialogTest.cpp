// The supplier exclusion dialog over a real FOURNIS.DB written with pxlib and real settings
// files: loading against the stored list, moves between the lists, and what is saved.
#include "DialogTestSupport.h"
#include "MessageRecorder.h"
#include "ParadoxWriter.h"
#include "Regional.h"
#include "TFicheExclureFnsListe.h"
#include "TTable.h"
#include "TablesSiege.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

// code, name, in table order (not name order).
const QList<QPair<QString, QString>> Suppliers{{"CC", "Cerisier SA"},  {"AA", "abricots du Sud"},
                                               {"EE", "Endives Nord"}, {"AB", "Artichauts"},
                                               {"DD", "Dattes & Co"},  {"BB", "Bananes"}};

// FOURNIS.DB with its 51 fields; only Code and Nom are filled.
void WriteFournis(const QString& folder, const QList<QPair<QString, QString>>& rows,
                  QStringList fields = FournisFields())
{
    QList<ParadoxColumn> columns;
    for (const QString& field : fields) {
        const int length = field == QLatin1String("Code")  ? 2
                           : field == QLatin1String("Nom") ? 30
                                                           : 10;
        columns.append({field, FieldKind::Alpha, length});
    }
    QList<QVariantList> values;
    for (const auto& [code, name] : rows) {
        QVariantList row(fields.size());
        row[int(fields.indexOf("Code"))] = code;
        if (fields.contains("Nom"))
            row[int(fields.indexOf("Nom"))] = name;
        values.append(row);
    }
    WriteParadoxTable(QDir(folder).filePath("FOURNIS.DB"), columns, values);
}

QStringList Names(const QTreeWidget& list)
{
    QStringList names;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        names << list.topLevelItem(i)->text(0);
    return names;
}

// The "key=value" lines of the exclusion section, as stored.
QStringList Stored(const IniFolder& folder)
{
    QStringList lines;
    folder.file().ReadSectionValues("Cordalis_FNS_Exclu", lines);
    return lines;
}

void Select(QTreeWidget& list, const QStringList& names)
{
    list.clearSelection();
    for (const QString& name : names) {
        const auto found = list.findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << qPrintable(name);
        found[0]->setSelected(true);
    }
}

class ExclusionDialog : public ::testing::Test
{
protected:
    void SetUp() override { WriteFournis(folder.path(), Suppliers); }

    std::unique_ptr<TFicheExclureFnsListe> open()
    {
        auto form = std::make_unique<TFicheExclureFnsListe>(nullptr, folder.ini(), folder.path());
        source = Child<QTreeWidget>(*form, "lvFnsSource");
        exclu = Child<QTreeWidget>(*form, "lvFnsExclu");
        return form;
    }

    IniFolder folder;
    MessageRecorder messages;
    QTreeWidget* source = nullptr;
    QTreeWidget* exclu = nullptr;
};

} // namespace

TEST_F(ExclusionDialog, FormAsDesigned)
{
    const auto form = open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("FicheExclureFnsListe"));
    EXPECT_EQ(form->size(), QSize(657, 350));
    EXPECT_EQ(source->geometry(), QRect(8, 8, 300, 297));
    EXPECT_EQ(exclu->geometry(), QRect(348, 8, 300, 297));
    EXPECT_EQ(source->headerItem()->text(0), QStringLiteral("Fournisseurs inclus dans la MAJ"));
    EXPECT_EQ(exclu->headerItem()->text(0), QStringLiteral("Fournisseurs non inclus dans la MAJ"));
    EXPECT_EQ(source->headerItem()->text(1), QStringLiteral("Code"));
    EXPECT_TRUE(source->isColumnHidden(1));
    EXPECT_EQ(source->columnWidth(0), 275);
    EXPECT_EQ(source->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(Child<QPushButton>(*form, "btnExclrue")->text(), QStringLiteral("->"));
    EXPECT_EQ(Child<QPushButton>(*form, "btnReintegrer")->text(), QStringLiteral("<-"));
    ExpectDescribed(*form);
    const QStringList expected{"lvFnsSource", "btnExclrue", "btnReintegrer", "lvFnsExclu",
                               "btnEnregistrer"};
    EXPECT_EQ(TabChain(*form, "lvFnsSource", int(expected.size())), expected);
}

TEST_F(ExclusionDialog, WithoutSettingsEverySupplierIsIncludedInNameOrder)
{
    const auto form = open();
    EXPECT_EQ(Names(*source), (QStringList{"abricots du Sud", "Artichauts", "Bananes",
                                           "Cerisier SA", "Dattes & Co", "Endives Nord"}));
    EXPECT_EQ(source->topLevelItem(1)->text(1), QStringLiteral("AB"));
    EXPECT_EQ(exclu->topLevelItemCount(), 0);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ExclusionDialog, NamesSortByTheRegionalCollation)
{
    Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
    WriteFournis(folder.path(), {{"Z1", "Zinc"}, {"E1", "Écluses"}, {"E2", "eau"}, {"A1", "Abri"}});
    const auto form = open();
    Regional::ResetLocale();
    EXPECT_EQ(Names(*source), (QStringList{"Abri", "eau", "Écluses", "Zinc"}));
}

TEST_F(ExclusionDialog, StoredValuesMatchExactlyWhateverTheKey)
{
    folder.write("[Cordalis_FNS_Exclu]\nFournisseur0=ab\nFournisseur1=CC\nAjoutManuel=EE\n"
                 "Fournisseur2=ZZ\nFournisseur3=B\n");
    const auto form = open();
    // "ab" is not "AB", "B" is not "BB"; ZZ names no supplier and is shown nowhere.
    EXPECT_EQ(Names(*exclu), (QStringList{"Cerisier SA", "Endives Nord"}));
    EXPECT_EQ(Names(*source),
              (QStringList{"abricots du Sud", "Artichauts", "Bananes", "Dattes & Co"}));

    // Saving renumbers and forgets the unknown code.
    Child<QPushButton>(*form, "btnEnregistrer")->click();
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(Stored(folder), (QStringList{"Fournisseur0=CC", "Fournisseur1=EE"}));
}

TEST_F(ExclusionDialog, SeveralRowsMoveAtOnceAndLandInNameOrder)
{
    const auto form = open();
    Select(*source, {"Endives Nord", "abricots du Sud", "Cerisier SA"});
    Child<QPushButton>(*form, "btnExclrue")->click();
    EXPECT_EQ(Names(*exclu), (QStringList{"abricots du Sud", "Cerisier SA", "Endives Nord"}));
    EXPECT_EQ(Names(*source), (QStringList{"Artichauts", "Bananes", "Dattes & Co"}));
    EXPECT_TRUE(exclu->selectedItems().isEmpty());

    // A double-click on a row moves it (the press selects it first).
    const QTreeWidgetItem* row = exclu->findItems("Cerisier SA", Qt::MatchExactly)[0];
    const QPoint at = exclu->visualItemRect(row).center();
    QTest::mouseClick(exclu->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(exclu->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Names(*exclu), (QStringList{"abricots du Sud", "Endives Nord"}));
    EXPECT_EQ(Names(*source), (QStringList{"Artichauts", "Bananes", "Cerisier SA", "Dattes & Co"}));

    const QTreeWidgetItem* other = source->findItems("Bananes", Qt::MatchExactly)[0];
    const QPoint there = source->visualItemRect(other).center();
    QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, there);
    QTest::mouseDClick(source->viewport(), Qt::LeftButton, {}, there);
    EXPECT_EQ(Names(*exclu), (QStringList{"abricots du Sud", "Bananes", "Endives Nord"}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ExclusionDialog, MovingNothingSaysWhatToDo)
{
    const auto form = open();
    Child<QPushButton>(*form, "btnExclrue")->click();
    Child<QPushButton>(*form, "btnReintegrer")->click();
    EXPECT_EQ(messages.texts(),
              (QStringList{"Vous devez sélectionner une ligne avant d'exclure un fournisseur.",
                           "Vous devez sélectionner une ligne avant de réintégrer un "
                           "fournisseur."}));
    EXPECT_EQ(source->topLevelItemCount(), 6);
    EXPECT_EQ(exclu->topLevelItemCount(), 0);
}

TEST_F(ExclusionDialog, SavingThreeThenTwoLeavesTwoKeys)
{
    folder.write("[Cordalis]\nRemise_Achat=1\n");
    {
        const auto form = open();
        Select(*source, {"Dattes & Co", "Bananes", "Artichauts"});
        Child<QPushButton>(*form, "btnExclrue")->click();
        Child<QPushButton>(*form, "btnEnregistrer")->click();
    }
    EXPECT_EQ(Stored(folder),
              (QStringList{"Fournisseur0=AB", "Fournisseur1=BB", "Fournisseur2=DD"}));
    {
        const auto form = open();
        EXPECT_EQ(Names(*exclu), (QStringList{"Artichauts", "Bananes", "Dattes & Co"}));
        Select(*exclu, {"Bananes"});
        Child<QPushButton>(*form, "btnReintegrer")->click();
        Child<QPushButton>(*form, "btnEnregistrer")->click();
    }
    EXPECT_EQ(Stored(folder), (QStringList{"Fournisseur0=AB", "Fournisseur1=DD"}));
    {
        // Reintegrating everyone removes the section; the rest of the file stays.
        const auto form = open();
        Select(*exclu, {"Artichauts", "Dattes & Co"});
        Child<QPushButton>(*form, "btnReintegrer")->click();
        Child<QPushButton>(*form, "btnEnregistrer")->click();
    }
    EXPECT_FALSE(folder.file().SectionExists("Cordalis_FNS_Exclu"));
    EXPECT_TRUE(folder.file().ReadBool("Cordalis", "Remise_Achat", false));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ExclusionDialog, UnreadableSupplierTableKeepsTheStoredList)
{
    const QByteArray stored = "[Cordalis_FNS_Exclu]\nFournisseur0=AA\nFournisseur1=BB\n";
    folder.write(stored);

    QFile::remove(QDir(folder.path()).filePath("FOURNIS.DB"));
    {
        const auto form = open();
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].contains("FOURNIS", Qt::CaseInsensitive))
            << qPrintable(messages.texts()[0]);
        EXPECT_FALSE(form->ListesCompletes());
        EXPECT_FALSE(Child<QPushButton>(*form, "btnEnregistrer")->isEnabled());
        form->btnEnregistrerClick();
        EXPECT_EQ(folder.bytes(), stored);
    }

    // A table that lacks a field of the fixed list is refused the same way.
    messages.clear();
    QStringList fields = FournisFields();
    fields.removeAll("Remises");
    WriteFournis(folder.path(), Suppliers, fields);
    const auto form = open();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains("Remises")) << qPrintable(messages.texts()[0]);
    form->btnEnregistrerClick();
    EXPECT_EQ(folder.bytes(), stored);
}
