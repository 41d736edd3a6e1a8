// The real file and folder dialogs (no test answer queued), offscreen, with Qt's French
// translation compiled into the program: French whatever the session, an existing file
// chosen without a question, no new folder made from the folder browser.

#include "GuiSeams.h"
#include "ModalWatch.h"
#include "QtTranslation.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

class QtDialogs : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InstallQtFrenchTranslation()); }
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // Runs handle on the file dialog once it is shown (while the caller's exec() runs); any
    // modal window opened over it meanwhile (a confirmation) is recorded and closed.
    void OnDialog(std::function<void(QFileDialog&)> handle)
    {
        QTimer::singleShot(0, qApp, [this, handle = std::move(handle)] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen_ = true;
            RecordModalsOver(*dialog, extra_);
            handle(*dialog);
        });
    }

    // The detail view's texts of an entry of the dialog's folder, once Qt's file model has
    // read it (in a thread of its own).
    static QStringList Columns(QFileDialog& dialog, const QString& name)
    {
        auto* view = dialog.findChild<QTreeView*>("treeView");
        EXPECT_NE(view, nullptr);
        if (view == nullptr)
            return {};
        for (int wait = 0; wait < 250; ++wait) {
            const QAbstractItemModel* model = view->model();
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < model->rowCount(root); ++row) {
                if (model->index(row, 0, root).data().toString() != name)
                    continue;
                QStringList texts;
                for (int column = 0; column < 4; ++column)
                    texts << model->index(row, column, root).data().toString();
                if (!texts[3].isEmpty())
                    return texts;
            }
            QTest::qWait(20);
        }
        ADD_FAILURE() << "no entry " << qPrintable(name);
        return {};
    }

    static QString Text(const QAbstractButton* button)
    {
        return button ? QString(button->text()).remove('&') : QStringLiteral("<absent>");
    }

    QTemporaryDir dir_;
    bool seen_ = false;
    QStringList extra_;
};

TEST_F(QtDialogs, TheSaveDialogSpeaksFrenchAndTakesAnExistingFileWithoutAQuestion)
{
    const QString existing = dir_.filePath("historique.csv");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ancien");
    file.close();

    OnDialog([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Export rapport Velmora historique");
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(Text(buttons->button(QDialogButtonBox::Save)), "Enregistrer");
        EXPECT_EQ(Text(buttons->button(QDialogButtonBox::Cancel)), "Annuler");
        auto* label = dialog.findChild<QLabel*>("fileNameLabel");
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(label->text().remove('&').startsWith("Nom de fichier"))
            << qPrintable(label->text());
        auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
        ASSERT_NE(lookIn, nullptr);
        EXPECT_FALSE(lookIn->text().contains("Look")) << qPrintable(lookIn->text());

        // The file list in French and in the program's regional formats, whatever the
        // session's locale: "Dossier", "08/12/2026 20:17", "6 octets".
        ASSERT_TRUE(QDir(dir_.path()).mkdir("Magasin Lyon"));
        dialog.setDirectory(dir_.path());
        const QLocale french(QLocale::French, QLocale::France);
        EXPECT_EQ(Columns(dialog, "historique.csv"),
                  QStringList(
                      {"historique.csv", french.formattedDataSize(6),
                       Columns(dialog, "historique.csv").value(2),
                       french.toString(QFileInfo(existing).lastModified(), QLocale::ShortFormat)}));
        EXPECT_EQ(Columns(dialog, "Magasin Lyon").value(2), "Dossier");

        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("historique"); // the default extension completes it
        buttons->button(QDialogButtonBox::Save)->click();
    });
    const QString chosen = Dialogs::GetSaveFileName(nullptr, "Export rapport Velmora historique",
                                                    "Fichier csv|*.csv", "csv");
    EXPECT_TRUE(seen_);
    EXPECT_EQ(chosen, existing);
    EXPECT_TRUE(extra_.isEmpty()) << qPrintable(extra_.join('\n'));
}

TEST_F(QtDialogs, TheFolderBrowserChoosesAnExistingFolderAndMakesNone)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir("cible"));
    OnDialog([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Sélectionnez le répertoire de copie");
        EXPECT_EQ(dialog.directory().absolutePath(), "/");
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        // No new folder from here, neither by the button nor by the list's menu.
        auto* newFolder = dialog.findChild<QToolButton*>("newFolderButton");
        ASSERT_NE(newFolder, nullptr);
        EXPECT_FALSE(newFolder->isVisible());
        EXPECT_TRUE(dialog.testOption(QFileDialog::ReadOnly));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(Text(buttons->button(QDialogButtonBox::Cancel)), "Annuler");

        dialog.setDirectory(dir_.filePath("cible"));
        buttons->button(QDialogButtonBox::Open)->click();
    });
    EXPECT_EQ(Dialogs::GetExistingDirectory(nullptr, "Sélectionnez le répertoire de copie"),
              dir_.filePath("cible"));
    EXPECT_TRUE(seen_);
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath("cible/Nouveau dossier")));

    // Cancelled: nothing chosen.
    OnDialog([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(Dialogs::GetExistingDirectory(nullptr, "Sélectionnez").isEmpty());
}

} // namespace
