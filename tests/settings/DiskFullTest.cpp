// The three settings dialogs save on a disk with room for a small settings file but not for
// the new one: the save is refused with the file's name, the dialog stays open and the file
// keeps every old value. A save is one rewrite, so it is never half done: a supplier list cut
// short would publish the conditions of the suppliers that fell off it.
#include "DialogTestSupport.h"
#include "GuiSeams.h"
#include "HeadOfficeFixtures.h"
#include "MessageRecorder.h"
#include "SmallFileSystem.h"
#include "TFicheCordalisConfig.h"
#include "TFicheExclureFnsListe.h"
#include "TFicheFtpParam.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

namespace {

class SettingsDiskFull : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(disque_));
        disk_ = std::make_unique<SmallFileSystem>(disque_, 256 * 1024);
        if (!disk_->mounted())
            GTEST_SKIP() << qPrintable(disk_->reason());
    }
    void TearDown() override
    {
        disk_.reset();
        Dialogs::ClearAnswers();
    }

    QString Ini() const { return disque_ + QStringLiteral("/Cordalis.ini"); }
    void WriteIni(const QByteArray& content) const
    {
        QFile file(Ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }
    QByteArray IniBytes() const
    {
        QFile file(Ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Leaves one page: room to rewrite a small settings file, not a grown one.
    void FillDisk() const { ASSERT_TRUE(disk_->Fill(4096)); }

    // The save was refused: one message naming the file, the dialog still open, the old
    // file whole and nothing left beside it.
    void ExpectRefused(const QDialog& form, const QByteArray& before)
    {
        ASSERT_EQ(messages_.texts().size(), 1);
        EXPECT_TRUE(messages_.texts()[0].startsWith("Impossible d'écrire dans le fichier"))
            << qPrintable(messages_.texts()[0]);
        EXPECT_TRUE(messages_.texts()[0].contains(QDir::toNativeSeparators(Ini())));
        EXPECT_NE(form.result(), QDialog::Accepted);
        EXPECT_EQ(IniBytes(), before);
        EXPECT_EQ(QDir(disque_).entryList(QDir::Files | QDir::Hidden),
                  QStringList({".filler", "Cordalis.ini"}));
    }

    QTemporaryDir dir_;
    QString disque_ = dir_.filePath("disque");
    std::unique_ptr<SmallFileSystem> disk_;
    MessageRecorder messages_;
};

} // namespace

TEST_F(SettingsDiskFull, ExclusionListIsTheOldOneWhole)
{
    // 400 suppliers: their list takes about two pages.
    const QString symbols = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QStringList codes;
    for (int i = 0; i < 400; ++i)
        codes << QString(symbols[i / 36]) + symbols[i % 36];
    WriteFournis(dir_.filePath("FOURNIS.DB"), codes);
    const QByteArray before = "[Cordalis]\nRemise_Achat=1\n"
                              "[Cordalis_FNS_Exclu]\nFournisseur0=AB\nFournisseur1=AC\n";
    WriteIni(before);

    TFicheExclureFnsListe form(nullptr, Ini(), dir_.path());
    auto* source = Child<QTreeWidget>(form, "lvFnsSource");
    ASSERT_EQ(source->topLevelItemCount(), 398);
    source->selectAll();
    Child<QPushButton>(form, "btnExclrue")->click();
    ASSERT_EQ(Child<QTreeWidget>(form, "lvFnsExclu")->topLevelItemCount(), 400);
    FillDisk();
    Child<QPushButton>(form, "btnEnregistrer")->click();
    ExpectRefused(form, before);
}

TEST_F(SettingsDiskFull, SettingsDialogKeepsEveryOldValue)
{
    const QByteArray before = "[Cordalis]\nRemise_Achat=0\nPersonnalisation=0\nMessage=0\n"
                              "Document=0\nTypeEnvoi=URI\n[Cordalis_URI]\nURI=/ancien/\n";
    WriteIni(before);
    TFicheCordalisConfig form(nullptr, Ini());
    for (const char* box : {"cbRemiseAchat", "cbPersonnalisation", "cbMessagerie", "cbDocument"})
        Child<QCheckBox>(form, box)->click();
    // A folder name long enough to need a second page.
    Dialogs::SetNextAnswer(QLatin1Char('/') + QString(5000, 'd'));
    Child<QPushButton>(form, "btnCordalisRep")->click();
    FillDisk();
    Child<QPushButton>(form, "btnEnregistrer")->click();
    ExpectRefused(form, before);
}

TEST_F(SettingsDiskFull, FtpParametersKeepTheOldServer)
{
    const QByteArray before =
        "[Cordalis_FTP]\nLogin=ancien\nMdp=ancien\nHost=ancien.example\nPort=21\n";
    WriteIni(before);
    TFicheFtpParam form(nullptr, Ini(), QStringLiteral("Cordalis_FTP"));
    Child<QLineEdit>(form, "edtLogin")->setText(QStringLiteral("nouveau"));
    Child<QLineEdit>(form, "edtPassword")->setText(QStringLiteral("nouveau"));
    Child<QLineEdit>(form, "edtHost")->setText(QString(5000, 'h'));
    FillDisk();
    Child<QPushButton>(form, "btnEnregistrer")->click();
    ExpectRefused(form, before);
}
