// "Configurer" on the main window: the settings dialog opens modally, and once it is closed,
// saved or not, the rows and the channel follow the settings file without a restart.
#include "DialogTestSupport.h"
#include "GuiSeams.h"
#include "MessageRecorder.h"
#include "ProgramPaths.h"
#include "TFicheCordalis.h"
#include "TFicheCordalisConfig.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

TEST(Configurer, SavedSettingsApplyAtOnceAndTheDialogIsGone)
{
    IniFolder folder;
    ProgramPaths::Init(folder.path());
    MessageRecorder messages;
    TFicheCordalis fiche;
    ASSERT_FALSE(fiche.Controles(TFicheCordalis::Ligne::Message).btnGenerer->isEnabled());

    QPointer<QWidget> opened;
    OnNextModal([&](QWidget* modal) {
        opened = modal;
        ASSERT_NE(qobject_cast<TFicheCordalisConfig*>(modal), nullptr);
        EXPECT_EQ(modal->parent(), &fiche);
        Child<QCheckBox>(*modal, "cbMessagerie")->click();
        Dialogs::SetNextAnswer(folder.path());
        Child<QPushButton>(*modal, "btnCordalisRep")->click();
        Child<QPushButton>(*modal, "btnEnregistrer")->click();
    });
    fiche.BtnConfig()->click();

    EXPECT_TRUE(opened.isNull()); // destroyed on return
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_TRUE(fiche.Controles(TFicheCordalis::Ligne::Message).btnGenerer->isEnabled());
    EXPECT_TRUE(fiche.Controles(TFicheCordalis::Ligne::Message).btnEnvoi->isEnabled());
    EXPECT_FALSE(fiche.Controles(TFicheCordalis::Ligne::RemiseAchat).btnGenerer->isEnabled());
    EXPECT_EQ(fiche.TypeEnvoi(), EnvoiUri);
    EXPECT_EQ(fiche.CheminUri(), QDir::toNativeSeparators(folder.path()) + QDir::separator());
}

TEST(Configurer, ClosingWithoutSavingStillRereadsTheFile)
{
    IniFolder folder;
    ProgramPaths::Init(folder.path());
    MessageRecorder messages;
    TFicheCordalis fiche;

    // Meanwhile (as the exclusion or FTP dialog would, or by hand) the file changes.
    OnNextModal([&](QWidget*) { folder.write("[Cordalis]\nDocument=1\n"); });
    fiche.BtnConfig()->click();
    EXPECT_TRUE(fiche.Controles(TFicheCordalis::Ligne::Document).btnGenerer->isEnabled());
    EXPECT_EQ(fiche.TypeEnvoi(), EnvoiFtp);
}
