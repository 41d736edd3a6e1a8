// The keyboard in the three settings dialogs, through real key events on shown dialogs: no
// button is pressed by an Enter typed in an edit, a box or a list; a focused button answers
// Enter; Escape closes as the close box does and writes nothing.
#include "DialogTestSupport.h"
#include "HeadOfficeFixtures.h"
#include "MessageRecorder.h"
#include "TFicheCordalisConfig.h"
#include "TFicheExclureFnsListe.h"
#include "TFicheFtpParam.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

class DialogKeys : public ::testing::Test
{
protected:
    // Shows the dialog as exec() does, without its modal loop, and gives it the focus.
    static void Show(QDialog& dialog)
    {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QApplication::processEvents();
    }

    // Types the key into the widget. A dialog that it opens over the one under test is
    // recorded by name and closed.
    QStringList Type(QWidget* widget, Qt::Key key)
    {
        QStringList opened;
        QWidget* under = widget->window();
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != under) {
                opened << modal->objectName();
                modal->close();
            }
        });
        watcher.start(0);
        widget->setFocus();
        QTest::keyClick(widget, key);
        QApplication::processEvents();
        return opened;
    }

    IniFolder folder;
    MessageRecorder messages;
};

} // namespace

// "Paramétrage" was the settings dialog's default button: Enter on a box opened the FTP
// parameters dialog.
TEST_F(DialogKeys, SettingsDialogSavesOnlyFromItsButton)
{
    const QByteArray stored = "[Cordalis]\nTypeEnvoi=FTP\nDocument=1\n[Cordalis_URI]\nURI=/srv/\n";
    folder.write(stored);
    TFicheCordalisConfig form(nullptr, folder.ini());
    Show(form);
    auto* message = Child<QCheckBox>(form, "cbMessagerie");
    for (QWidget* control : {static_cast<QWidget*>(message), Child<QWidget>(form, "rbFtp")}) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            EXPECT_EQ(Type(control, key), QStringList()) << qPrintable(control->objectName());
    }
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(message->isChecked());

    // The focused button answers Enter.
    EXPECT_EQ(Type(Child<QPushButton>(form, "btnFtpParam"), Qt::Key_Enter),
              QStringList{"TFicheFtpParam"});
    message->click();
    Type(message, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(folder.bytes(), stored);
    EXPECT_TRUE(messages.texts().isEmpty());
}

// "Enregistrer" was the FTP parameters dialog's default button: Enter in an edit saved
// whatever was half typed and closed the dialog.
TEST_F(DialogKeys, FtpParametersDialogSavesOnlyFromItsButton)
{
    const QByteArray stored =
        "[Cordalis_FTP]\nLogin=siege\nMdp=secret\nHost=ftp.example\nPort=21\n";
    folder.write(stored);
    {
        TFicheFtpParam form(nullptr, folder.ini(), QStringLiteral("Cordalis_FTP"));
        Show(form);
        auto* host = Child<QLineEdit>(form, "edtHost");
        host->clear();
        QTest::keyClicks(host, QStringLiteral("ftp.nou"));
        for (const char* edit : {"edtLogin", "edtPassword", "edtHost", "edtPort"})
            EXPECT_EQ(Type(Child<QLineEdit>(form, edit), Qt::Key_Return), QStringList()) << edit;
        EXPECT_EQ(Type(host, Qt::Key_Enter), QStringList());
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(folder.bytes(), stored);

        QTest::keyClicks(host, QStringLiteral("veau.example"));
        Type(Child<QPushButton>(form, "btnEnregistrer"), Qt::Key_Return);
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(folder.file().ReadString("Cordalis_FTP", "Host", ""), "ftp.nouveau.example");
    }
    const QByteArray saved = folder.bytes();
    TFicheFtpParam form(nullptr, folder.ini(), QStringLiteral("Cordalis_FTP"));
    Show(form);
    Child<QLineEdit>(form, "edtLogin")->setText(QStringLiteral("autre"));
    Type(Child<QLineEdit>(form, "edtLogin"), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(folder.bytes(), saved);
    EXPECT_TRUE(messages.texts().isEmpty());
}

// "->" was the exclusion dialog's default button: Enter in the included list moved its
// selected suppliers out of the update.
TEST_F(DialogKeys, ExclusionDialogMovesOnlyFromItsButtons)
{
    WriteFournis(QDir(folder.path()).filePath("FOURNIS.DB"), {"AA", "BB", "CC"});
    TFicheExclureFnsListe form(nullptr, folder.ini(), folder.path());
    Show(form);
    auto* source = Child<QTreeWidget>(form, "lvFnsSource");
    auto* exclu = Child<QTreeWidget>(form, "lvFnsExclu");
    ASSERT_EQ(source->topLevelItemCount(), 3);
    source->setCurrentItem(source->topLevelItem(1));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        EXPECT_EQ(Type(source, key), QStringList());
    EXPECT_EQ(source->topLevelItemCount(), 3);
    EXPECT_EQ(exclu->topLevelItemCount(), 0);

    Type(Child<QPushButton>(form, "btnExclrue"), Qt::Key_Return);
    EXPECT_EQ(source->topLevelItemCount(), 2);
    ASSERT_EQ(exclu->topLevelItemCount(), 1);
    EXPECT_EQ(exclu->topLevelItem(0)->text(1), "BB");

    exclu->setCurrentItem(exclu->topLevelItem(0));
    EXPECT_EQ(Type(exclu, Qt::Key_Return), QStringList());
    EXPECT_EQ(exclu->topLevelItemCount(), 1);
    Type(exclu, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(folder.exists());
    EXPECT_TRUE(messages.texts().isEmpty());
}
