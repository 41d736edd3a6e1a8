// The four "Envoyer" buttons of the main window, clicked on real widgets.

#include "Fichiers.h"
#include "MessageRecorder.h"
#include "ProgramPaths.h"
#include "TFicheCordalis.h"
#include "TestFtpServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Ligne = TFicheCordalis::Ligne;

// "vert", "rouge" or "aucun": what the row's "Envoyer" state images show.
QString Etat(const TFicheCordalis& fiche, Ligne ligne)
{
    const auto c = fiche.Controles(ligne);
    EXPECT_FALSE(!c.imgEnvoiYes->isHidden() && !c.imgEnvoiNo->isHidden());
    if (!c.imgEnvoiYes->isHidden())
        return QStringLiteral("vert");
    if (!c.imgEnvoiNo->isHidden())
        return QStringLiteral("rouge");
    return QStringLiteral("aucun");
}

class EnvoiFicheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dossier_.isValid());
        ProgramPaths::Init(dossier_.path());
    }

    void Parametrer(const QByteArray& canal)
    {
        Ecrire(ProgramPaths::FichierIni(),
               "[Cordalis]\nRemise_Achat=1\nPersonnalisation=1\nMessage=1\nDocument=1\n" + canal +
                   QStringLiteral("[Cordalis_FTP]\nLogin=%1\nMdp=%2\nHost=%3\nPort=%4\n")
                       .arg(serveur_.user(), serveur_.password(), serveur_.host())
                       .arg(serveur_.port())
                       .toUtf8());
    }

    void Cliquer(TFicheCordalis& fiche, Ligne ligne)
    {
        QPushButton* bouton = fiche.Controles(ligne).btnEnvoi;
        ASSERT_TRUE(bouton->isEnabled());
        QTest::mouseClick(bouton, Qt::LeftButton);
    }

    QTemporaryDir dossier_;
    TestFtpServer serveur_;
};

TEST_F(EnvoiFicheTest, FtpButtonsSendAndShowTheOutcomeWithTheHourglassMeanwhile)
{
    Parametrer("TypeEnvoi=FTP\n");
    TFicheCordalis fiche;
    fiche.show();
    const QString preparation = ProgramPaths::DossierPreparation();
    Ecrire(preparation + QStringLiteral("message.xml"), "messages");
    Ecrire(preparation + QStringLiteral("message_type.xml"), "types");

    MessageRecorder messages;
    Cliquer(fiche, Ligne::Message);
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('\n'));
    EXPECT_EQ(Etat(fiche, Ligne::Message), QStringLiteral("vert"));
    EXPECT_EQ(serveur_.readFile(QStringLiteral("message.xml")), QByteArray("messages"));
    EXPECT_EQ(serveur_.readFile(QStringLiteral("message_type.xml")), QByteArray("types"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Nothing prepared for the purchase conditions: the message comes up under the
    // hourglass, the row shows the red cross, the other rows keep their state.
    QList<Qt::CursorShape> curseurs;
    const MessageHandler precedent = SetMessageHandler([&](const QString&) {
        const QCursor* curseur = QApplication::overrideCursor();
        curseurs << (curseur ? curseur->shape() : Qt::ArrowCursor);
    });
    Cliquer(fiche, Ligne::RemiseAchat);
    SetMessageHandler(precedent);
    EXPECT_EQ(curseurs, QList<Qt::CursorShape>({Qt::WaitCursor}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Etat(fiche, Ligne::RemiseAchat), QStringLiteral("rouge"));
    EXPECT_EQ(Etat(fiche, Ligne::Message), QStringLiteral("vert"));
    EXPECT_EQ(Etat(fiche, Ligne::Document), QStringLiteral("aucun"));

    // Closing the window leaves no session open and has nothing to report.
    fiche.close();
    EXPECT_TRUE(messages.texts().isEmpty());
    ASSERT_TRUE(serveur_.waitForLog(QStringLiteral("disconnect"), 3));
    EXPECT_EQ(serveur_.logCount(QStringLiteral("connect")), 3);
    EXPECT_EQ(serveur_.logCount(QStringLiteral("quit")), 3);
}

TEST_F(EnvoiFicheTest, FolderButtonsCopyIntoTheFolderOfTheSettings)
{
    const QString cible = dossier_.filePath(QStringLiteral("partage")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(cible));
    Parametrer(QStringLiteral("TypeEnvoi=URI\n[Cordalis_URI]\nURI=%1\n").arg(cible).toUtf8());
    TFicheCordalis fiche;
    fiche.show();
    ASSERT_EQ(fiche.TypeEnvoi(), EnvoiUri);
    const QString preparation = ProgramPaths::DossierPreparation();
    Ecrire(preparation + QStringLiteral("mes_docs.xml"), "docs");
    Ecrire(preparation + QStringLiteral("mes_docs_type.xml"), "types");

    MessageRecorder messages;
    Cliquer(fiche, Ligne::Document);
    EXPECT_EQ(Etat(fiche, Ligne::Document), QStringLiteral("vert"));
    EXPECT_TRUE(QFile::exists(cible + QStringLiteral("mes_docs.xml")));
    EXPECT_TRUE(QFile::exists(cible + QStringLiteral("mes_docs_type.xml")));

    // The folder gone: a silent red cross, and the green check of the last send is gone.
    ASSERT_TRUE(QDir(cible).removeRecursively());
    Cliquer(fiche, Ligne::Document);
    EXPECT_EQ(Etat(fiche, Ligne::Document), QStringLiteral("rouge"));
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The server was never asked.
    EXPECT_TRUE(serveur_.sessionLog().isEmpty());
}

} // namespace
