// The settings dialog over real settings files: how it loads, how the channel controls
// react, the folder browser and what "Enregistrer" writes (or refuses to write).
#include "DialogTestSupport.h"
#include "GuiSeams.h"
#include "MessageRecorder.h"
#include "TFicheCordalisConfig.h"
#include "TFicheFtpParam.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

struct Controls
{
    explicit Controls(const TFicheCordalisConfig& f)
        : cbRemiseAchat(Child<QCheckBox>(f, "cbRemiseAchat")),
          cbPersonnalisation(Child<QCheckBox>(f, "cbPersonnalisation")),
          cbMessagerie(Child<QCheckBox>(f, "cbMessagerie")),
          cbDocument(Child<QCheckBox>(f, "cbDocument")), rbFtp(Child<QRadioButton>(f, "rbFtp")),
          rbChemin(Child<QRadioButton>(f, "rbChemin")),
          btnExclure(Child<QPushButton>(f, "btnExclure")),
          btnFtpParam(Child<QPushButton>(f, "btnFtpParam")),
          btnCordalisRep(Child<QPushButton>(f, "btnCordalisRep")),
          btnEnregistrer(Child<QPushButton>(f, "btnEnregistrer")),
          edtUri(Child<QLineEdit>(f, "edtUri"))
    {
    }
    QCheckBox *cbRemiseAchat, *cbPersonnalisation, *cbMessagerie, *cbDocument;
    QRadioButton *rbFtp, *rbChemin;
    QPushButton *btnExclure, *btnFtpParam, *btnCordalisRep, *btnEnregistrer;
    QLineEdit* edtUri;

    // Enabled states of the channel controls: path edit, "...", "Paramétrage".
    std::tuple<bool, bool, bool> channel() const
    {
        return {edtUri->isEnabled(), btnCordalisRep->isEnabled(), btnFtpParam->isEnabled()};
    }
};

class SettingsDialog : public ::testing::Test
{
protected:
    void TearDown() override { Dialogs::ClearAnswers(); }
    IniFolder folder;
    MessageRecorder messages;
};

} // namespace

TEST_F(SettingsDialog, FormAsDesigned)
{
    TFicheCordalisConfig form(nullptr, folder.ini());
    const Controls c(form);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Paramétrage Cordalis"));
    EXPECT_EQ(form.size(), QSize(354, 313));
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                       Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(Child<QGroupBox>(form, "GroupBox1")->title(),
              QStringLiteral("Mise à jour paramétrage Cordalis"));
    EXPECT_EQ(Child<QGroupBox>(form, "GroupBox1")->geometry(), QRect(16, 8, 321, 241));
    EXPECT_EQ(c.btnExclure->text(), QStringLiteral("Exclure fournisseurs"));
    EXPECT_EQ(c.btnExclure->geometry(), QRect(201, 20, 111, 25));
    EXPECT_EQ(c.edtUri->geometry(), QRect(48, 205, 226, 21));
    EXPECT_EQ(c.btnEnregistrer->geometry(), QRect(114, 255, 125, 50));
    EXPECT_TRUE(c.edtUri->isReadOnly());
    ExpectDescribed(form);

    const QStringList expected{
        "cbRemiseAchat", "cbPersonnalisation", "cbMessagerie",  "edtUri",
        "rbFtp",         "rbChemin",           "btnFtpParam",   "btnCordalisRep",
        "btnExclure",    "cbDocument",         "btnEnregistrer"};
    EXPECT_EQ(TabChain(form, "cbRemiseAchat", int(expected.size())), expected);
}

TEST_F(SettingsDialog, WithoutSettingsFileOffersTheFolderAndRefusesAnEmptyOne)
{
    TFicheCordalisConfig form(nullptr, folder.ini());
    const Controls c(form);
    for (QCheckBox* box : {c.cbRemiseAchat, c.cbPersonnalisation, c.cbMessagerie, c.cbDocument})
        EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(c.rbChemin->isChecked());
    EXPECT_EQ(c.channel(), std::make_tuple(true, true, false));
    EXPECT_FALSE(c.btnExclure->isEnabled());

    c.btnEnregistrer->click();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Veuillez renseigner un chemin")});
    EXPECT_FALSE(folder.exists());
    EXPECT_NE(form.result(), QDialog::Accepted);
}

TEST_F(SettingsDialog, FileWithoutTypeEnvoiSelectsFtp)
{
    folder.write("[Cordalis]\nRemise_Achat=2\nMessage=oui\n");
    TFicheCordalisConfig form(nullptr, folder.ini());
    const Controls c(form);
    EXPECT_TRUE(c.rbFtp->isChecked());
    EXPECT_EQ(c.channel(), std::make_tuple(false, false, true));
    EXPECT_TRUE(c.cbRemiseAchat->isChecked());
    EXPECT_TRUE(c.btnExclure->isEnabled());
    EXPECT_FALSE(c.cbMessagerie->isChecked());

    // The exclusion button follows the box both ways.
    c.cbRemiseAchat->click();
    EXPECT_FALSE(c.btnExclure->isEnabled());
    c.cbRemiseAchat->click();
    EXPECT_TRUE(c.btnExclure->isEnabled());
}

TEST_F(SettingsDialog, ChoosingFtpWritesFtpAndKeepsTheLoadedFolder)
{
    folder.write("[Cordalis]\nTypeEnvoi=URI\nDocument=1\n[Cordalis_URI]\nURI=/srv/partage/\n"
                 "[Cordalis_FNS_Exclu]\nFournisseur0=AB\n");
    TFicheCordalisConfig form(nullptr, folder.ini());
    const Controls c(form);
    EXPECT_TRUE(c.rbChemin->isChecked());
    EXPECT_EQ(c.channel(), std::make_tuple(true, true, false));
    EXPECT_EQ(c.edtUri->text(), QStringLiteral("/srv/partage/"));

    c.rbFtp->click();
    EXPECT_EQ(c.channel(), std::make_tuple(false, false, true));
    c.cbMessagerie->click();
    c.btnEnregistrer->click();

    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const TIniFile ini = folder.file();
    EXPECT_EQ(ini.ReadString("Cordalis", "TypeEnvoi", ""), QStringLiteral("FTP"));
    EXPECT_EQ(ini.ReadString("Cordalis_URI", "URI", "?"), QStringLiteral("/srv/partage/"));
    EXPECT_EQ(ini.ReadString("Cordalis", "Remise_Achat", ""), QStringLiteral("0"));
    EXPECT_EQ(ini.ReadString("Cordalis", "Message", ""), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString("Cordalis", "Document", ""), QStringLiteral("1"));
    // Another dialog's section is left alone.
    EXPECT_EQ(ini.ReadString("Cordalis_FNS_Exclu", "Fournisseur0", ""), QStringLiteral("AB"));
}

TEST_F(SettingsDialog, UnknownTypeEnvoiEnablesNothingUntilAChannelIsPicked)
{
    folder.write("[Cordalis]\nTypeEnvoi=ftp\n[Cordalis_URI]\nURI=/srv/x/\n");
    TFicheCordalisConfig form(nullptr, folder.ini());
    const Controls c(form);
    EXPECT_TRUE(c.rbChemin->isChecked());
    EXPECT_EQ(c.channel(), std::make_tuple(false, false, false));
    EXPECT_EQ(c.edtUri->text(), QStringLiteral("/srv/x/"));

    // Pressing the already selected "Par chemin" changes nothing.
    c.rbChemin->click();
    EXPECT_EQ(c.channel(), std::make_tuple(false, false, false));
    c.rbFtp->click();
    EXPECT_EQ(c.channel(), std::make_tuple(false, false, true));
    c.rbChemin->click();
    EXPECT_EQ(c.channel(), std::make_tuple(true, true, false));
}

TEST_F(SettingsDialog, FolderBrowserAddsTheSeparatorAndCancelKeepsTheFolder)
{
    TFicheCordalisConfig form(nullptr, folder.ini());
    const Controls c(form);
    const QString target = folder.path() + QStringLiteral("/copie");

    Dialogs::SetNextAnswer(target);
    c.btnCordalisRep->click();
    EXPECT_EQ(c.edtUri->text(), QDir::toNativeSeparators(target) + QDir::separator());

    Dialogs::SetNextAnswer(QString()); // cancelled
    c.btnCordalisRep->click();
    EXPECT_EQ(c.edtUri->text(), QDir::toNativeSeparators(target) + QDir::separator());

    Dialogs::SetNextAnswer(QDir::rootPath());
    c.btnCordalisRep->click();
    EXPECT_EQ(c.edtUri->text(), QDir::toNativeSeparators(QDir::rootPath()));

    // Saving with a folder creates the file with both sections.
    Dialogs::SetNextAnswer(target);
    c.btnCordalisRep->click();
    c.cbRemiseAchat->click();
    c.btnEnregistrer->click();
    EXPECT_TRUE(messages.texts().isEmpty());
    const TIniFile ini = folder.file();
    EXPECT_EQ(ini.ReadString("Cordalis", "TypeEnvoi", ""), QStringLiteral("URI"));
    EXPECT_EQ(ini.ReadString("Cordalis_URI", "URI", ""),
              QDir::toNativeSeparators(target) + QDir::separator());
    EXPECT_TRUE(ini.ReadBool("Cordalis", "Remise_Achat", false));
}

TEST_F(SettingsDialog, ParametrageOpensTheFtpDialogOnTheDistributionServer)
{
    folder.write("[Cordalis_FTP]\nHost=ftp.reseau.example\n[Cordalis_Rapport]\nHost=rapports\n");
    TFicheCordalisConfig form(nullptr, folder.ini());
    QString shownHost;
    OnNextModal([&](QWidget* modal) {
        auto* ftp = qobject_cast<TFicheFtpParam*>(modal);
        ASSERT_NE(ftp, nullptr);
        EXPECT_EQ(ftp->parent(), &form);
        shownHost = Child<QLineEdit>(*ftp, "edtHost")->text();
    });
    Child<QPushButton>(form, "btnFtpParam")->click();
    EXPECT_EQ(shownHost, QStringLiteral("ftp.reseau.example"));
    // Closing the FTP dialog by its close box wrote nothing.
    EXPECT_EQ(
        folder.bytes(),
        QByteArray("[Cordalis_FTP]\nHost=ftp.reseau.example\n[Cordalis_Rapport]\nHost=rapports\n"));
}
