// The main window of a program installed in a folder its user cannot write: started from the
// IT department's preset, "Générer", "Configurer" then "Enregistrer", and "Rapport" all work
// in the user's own folders, and nothing is written beside the program.

#include "DialogTestSupport.h"
#include "MessageRecorder.h"
#include "ParadoxWriter.h"
#include "ProgramPaths.h"
#include "TFicheCordalis.h"
#include "TFicheRapport.h"
#include "TestFiles.h"
#include "TestFtpServer.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

using namespace ProgramPaths;

TEST(InstalledWindow, EveryActionWritesInTheUsersFoldersAndNoneBesideTheProgram)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString base = root.path() + "/";
    const QString program = base + "usr/lib/cordalis/";
    ASSERT_TRUE(QDir().mkpath(program));
    TestFtpServer server;
    server.writeFile("Rapport/Magasin Lyon.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Velmora Date=\"01/01/2024\"/>");

    // The IT department's preset: the messages row, and the report server.
    const QByteArray preset = QStringLiteral("[Cordalis]\nMessage=1\nTypeEnvoi=FTP\n"
                                             "[Cordalis_Rapport]\nHost=%1\nPort=%2\nLogin=%3\n"
                                             "Mdp=%4\n")
                                  .arg(server.host())
                                  .arg(server.port())
                                  .arg(server.user(), server.password())
                                  .toUtf8();
    const QString presetFile = base + "etc/xdg/Cordalis/Cordalis.ini";
    WriteFile(presetFile, preset);
    Init(Decide(ExecutableFolder{program, false, false},
                Environment{base + "home", {}, {}, base + "etc/xdg"}));
    PrepareUserFolders();
    const QString data = base + "home/.local/share/Cordalis/";
    ASSERT_EQ(FichierIni(), base + "home/.config/Cordalis/Cordalis.ini");

    // The default alias folder is in the user's data folder.
    const QList<ParadoxColumn> columns = {{"Numero", FieldKind::Long},
                                          {"Externe", FieldKind::Short},
                                          {"Titre", FieldKind::Alpha, 30}};
    ASSERT_TRUE(QDir().mkpath(data + "QuillfenAdministration"));
    WriteParadoxTable(data + "QuillfenAdministration/MessageType.DB", columns, {{1, 0, "Note"}});
    WriteParadoxTable(data + "QuillfenAdministration/Message.DB", columns,
                      {{1, 0, "Inventaire le 8 décembre"}});

    MessageRecorder messages;
    TFicheCordalis fiche;
    const auto row = fiche.Controles(TFicheCordalis::Ligne::Message);
    ASSERT_TRUE(row.btnGenerer->isEnabled()) << "the preset's rows are the user's";
    EXPECT_TRUE(QFileInfo(data + "preparer").isDir());

    row.btnGenerer->click();
    EXPECT_FALSE(row.imgGenererYes->isHidden());
    EXPECT_TRUE(QFileInfo::exists(data + "preparer/message.xml"));
    EXPECT_TRUE(QFileInfo::exists(data + "preparer/message_type.xml"));

    OnNextModal([](QWidget* modal) {
        Child<QCheckBox>(*modal, "cbRemiseAchat")->click();
        Child<QPushButton>(*modal, "btnEnregistrer")->click();
    });
    fiche.BtnConfig()->click();
    EXPECT_TRUE(fiche.Controles(TFicheCordalis::Ligne::RemiseAchat).btnGenerer->isEnabled());
    EXPECT_TRUE(ReadFile(FichierIni()).contains("Remise_Achat=1"));
    EXPECT_EQ(ReadFile(presetFile), preset) << "the preset is never written";

    OnNextModal([](QWidget* modal) {
        auto* list = Child<QListWidget>(*modal, "lstRapport");
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), "Magasin Lyon");
    });
    fiche.BtnRapport()->click();
    EXPECT_TRUE(QFileInfo::exists(data + "Rapport/Magasin Lyon.xml"));
    EXPECT_TRUE(QFileInfo(data + "Rapport/Historique").isDir());

    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('\n'));
    EXPECT_TRUE(QDir(program).isEmpty()) << "nothing beside the program";
    EXPECT_EQ(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"etc", "home", "usr"}));
}
