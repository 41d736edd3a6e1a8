#include "TFicheCordalis.h"
#include "MessageRecorder.h"
#include "ProgramPaths.h"
#include "ProgressionRapports.h"
#include "TFicheRapport.h"
#include "TestFtpServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Ligne = TFicheCordalis::Ligne;
const Ligne kLignes[] = {Ligne::RemiseAchat, Ligne::Perso, Ligne::Message, Ligne::Document};

// A fresh installation folder per test: the program's folder, maybe with a Cordalis.ini.
class TFicheCordalisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ProgramPaths::Init(dir.path());
    }

    void WriteIni(const QByteArray& content)
    {
        QFile file(ProgramPaths::FichierIni());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    std::unique_ptr<TFicheCordalis> Fiche() { return std::make_unique<TFicheCordalis>(); }

    static bool RowEnabled(const TFicheCordalis& fiche, Ligne ligne)
    {
        const auto c = fiche.Controles(ligne);
        // Both buttons of a row always go together.
        EXPECT_EQ(c.btnGenerer->isEnabled(), c.btnEnvoi->isEnabled());
        return c.btnGenerer->isEnabled();
    }

    QTemporaryDir dir;
    MessageRecorder messages;
};

TEST_F(TFicheCordalisTest, WithoutSettingsFileRowsAreDisabledAndChannelIsFtp)
{
    auto fiche = Fiche();

    for (Ligne ligne : kLignes) {
        const auto c = fiche->Controles(ligne);
        EXPECT_FALSE(c.btnGenerer->isEnabled());
        EXPECT_FALSE(c.btnEnvoi->isEnabled());
        EXPECT_EQ(c.pgbGenerer->minimum(), 0);
        EXPECT_EQ(c.pgbGenerer->maximum(), 100);
        EXPECT_EQ(c.pgbGenerer->value(), 0);
        for (QLabel* image : {c.imgGenererYes, c.imgGenererNo, c.imgEnvoiYes, c.imgEnvoiNo})
            EXPECT_TRUE(image->isHidden()) << image->objectName().toStdString();
    }
    EXPECT_TRUE(fiche->BtnConfig()->isEnabled());
    EXPECT_TRUE(fiche->BtnRapport()->isEnabled());
    EXPECT_TRUE(fiche->BtnFermer()->isEnabled());
    EXPECT_EQ(fiche->TypeEnvoi(), EnvoiFtp);
    EXPECT_TRUE(fiche->CheminUri().isEmpty());
    EXPECT_FALSE(fiche->GetRapportsCharges());
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TFicheCordalisTest, RowKeysAreReadAsIntegers)
{
    WriteIni("[cordalis]\n"
             "remise_achat=2\n"
             "Personnalisation=0\n"
             "Message=oui\n"
             "DOCUMENT=1\n");
    auto fiche = Fiche();

    EXPECT_TRUE(RowEnabled(*fiche, Ligne::RemiseAchat));
    EXPECT_FALSE(RowEnabled(*fiche, Ligne::Perso));
    EXPECT_FALSE(RowEnabled(*fiche, Ligne::Message));
    EXPECT_TRUE(RowEnabled(*fiche, Ligne::Document));
    // Reading the settings never shows a state image.
    EXPECT_TRUE(fiche->Controles(Ligne::RemiseAchat).imgGenererYes->isHidden());
}

TEST_F(TFicheCordalisTest, RereadingAppliesChangesAndAMissingFileChangesNothing)
{
    WriteIni("[Cordalis]\nRemise_Achat=1\nPersonnalisation=1\n");
    auto fiche = Fiche();
    ASSERT_TRUE(RowEnabled(*fiche, Ligne::Perso));

    WriteIni("[Cordalis]\nRemise_Achat=1\nPersonnalisation=0\nMessage=1\n");
    fiche->LireParametres(ProgramPaths::FichierIni());
    EXPECT_TRUE(RowEnabled(*fiche, Ligne::RemiseAchat));
    EXPECT_FALSE(RowEnabled(*fiche, Ligne::Perso));
    EXPECT_TRUE(RowEnabled(*fiche, Ligne::Message));

    // The file gone: the window keeps what it had.
    ASSERT_TRUE(QFile::remove(ProgramPaths::FichierIni()));
    fiche->LireParametres(ProgramPaths::FichierIni());
    EXPECT_TRUE(RowEnabled(*fiche, Ligne::RemiseAchat));
    EXPECT_TRUE(RowEnabled(*fiche, Ligne::Message));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TFicheCordalisTest, SendChannelFollowsOnlyTheExactValues)
{
    const QString cible = dir.filePath(QStringLiteral("cible"));

    // "URI" selects the folder channel and reads its folder unchanged (no separator added).
    WriteIni("[Cordalis]\nTypeEnvoi=URI\n[Cordalis_URI]\nURI=" + cible.toUtf8() + "\n");
    auto fiche = Fiche();
    EXPECT_EQ(fiche->TypeEnvoi(), EnvoiUri);
    EXPECT_EQ(fiche->CheminUri(), cible);

    // Any other value, lower-case "ftp" and an empty value included, keeps the previous
    // channel and folder.
    for (const QByteArray& value : {QByteArray("ftp"), QByteArray("uri"), QByteArray("Dossier"),
                                    QByteArray("Ftp"), QByteArray("")}) {
        WriteIni("[Cordalis]\nTypeEnvoi=" + value + "\n[Cordalis_URI]\nURI=/ailleurs/\n");
        fiche->LireParametres(ProgramPaths::FichierIni());
        EXPECT_EQ(fiche->TypeEnvoi(), EnvoiUri) << value.constData();
        EXPECT_EQ(fiche->CheminUri(), cible) << value.constData();
    }

    // Back to "FTP": the folder stays as it was, simply unused.
    WriteIni("[Cordalis]\nTypeEnvoi=FTP\n[Cordalis_URI]\nURI=/ailleurs/\n");
    fiche->LireParametres(ProgramPaths::FichierIni());
    EXPECT_EQ(fiche->TypeEnvoi(), EnvoiFtp);
    EXPECT_EQ(fiche->CheminUri(), cible);

    // No key at all reads as "FTP".
    WriteIni("[Cordalis]\nTypeEnvoi=URI\n");
    fiche->LireParametres(ProgramPaths::FichierIni());
    ASSERT_EQ(fiche->TypeEnvoi(), EnvoiUri);
    EXPECT_TRUE(fiche->CheminUri().isEmpty());
    WriteIni("[Cordalis]\nRemise_Achat=1\n");
    fiche->LireParametres(ProgramPaths::FichierIni());
    EXPECT_EQ(fiche->TypeEnvoi(), EnvoiFtp);
}

TEST_F(TFicheCordalisTest, PreparationFolderIsCreatedAndExistingContentKept)
{
    const QString preparation = ProgramPaths::DossierPreparation();
    ASSERT_FALSE(QFileInfo::exists(preparation));
    Fiche();
    EXPECT_TRUE(QFileInfo(preparation).isDir());

    QFile prepared(preparation + QStringLiteral("remise_achat.xml"));
    ASSERT_TRUE(prepared.open(QIODevice::WriteOnly));
    prepared.write("<Export/>");
    prepared.close();
    Fiche();
    ASSERT_TRUE(prepared.open(QIODevice::ReadOnly));
    EXPECT_EQ(prepared.readAll(), QByteArray("<Export/>"));
}

TEST_F(TFicheCordalisTest, OddInstallationFoldersAreNeitherReportedNorFatal)
{
    // A plain file where the preparation folder should be: creation fails, silently.
    QFile blocker(QDir::cleanPath(ProgramPaths::DossierPreparation()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder named like the settings file is no settings file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Cordalis.ini")));
    EXPECT_FALSE(RowEnabled(*Fiche(), Ligne::Document));

    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("Cordalis.ini")));
    WriteIni("[Cordalis]\nDocument=1\n");
    EXPECT_TRUE(RowEnabled(*Fiche(), Ligne::Document));
    EXPECT_TRUE(QFileInfo(blocker).isFile());
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TFicheCordalisTest, TablesAreOnTheAliasFolderAndClosed)
{
    const QString alias = dir.filePath(QStringLiteral("base")) + QLatin1Char('/');
    WriteIni("[Alias]\nQuillfenAdministration=" + alias.toUtf8() + "\n");
    auto fiche = Fiche();

    const std::pair<TTable*, QString> tables[] = {
        {&fiche->TblRemise(), QStringLiteral("REMISES.DB")},
        {&fiche->TblFns(), QStringLiteral("FOURNIS.DB")},
        {&fiche->TblPerso(), QStringLiteral("Perso.DB")},
        {&fiche->TblMessage(), QStringLiteral("Message.DB")},
        {&fiche->TblMessageType(), QStringLiteral("MessageType.DB")},
        {&fiche->TblMesDocs(), QStringLiteral("MesDocs.DB")},
        {&fiche->TblMesDocsType(), QStringLiteral("MesDocsType.DB")},
    };
    for (const auto& [table, name] : tables) {
        EXPECT_EQ(table->TableName(), name);
        EXPECT_EQ(table->Folder(), alias);
        EXPECT_FALSE(table->Active()) << name.toStdString();
    }
}

TEST_F(TFicheCordalisTest, LayoutCaptionsAndWindowKind)
{
    auto fiche = Fiche();
    EXPECT_EQ(fiche->windowTitle(), QStringLiteral("Cordalis"));
    EXPECT_EQ(fiche->size(), QSize(473, 274));
    EXPECT_EQ(fiche->minimumSize(), QSize(473, 274));
    EXPECT_EQ(fiche->maximumSize(), QSize(473, 274));
    const Qt::WindowFlags flags = fiche->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    const std::pair<Ligne, QString> labels[] = {
        {Ligne::RemiseAchat, QStringLiteral("Conditions d'achat")},
        {Ligne::Perso, QStringLiteral("Personnalisation des modèles")},
        {Ligne::Message, QStringLiteral("Messages")},
        {Ligne::Document, QStringLiteral("Documents")},
    };
    int previousTop = -1;
    for (const auto& [ligne, caption] : labels) {
        const auto c = fiche->Controles(ligne);
        EXPECT_EQ(c.lbl->text(), caption);
        EXPECT_EQ(c.btnGenerer->text(), QStringLiteral("Générer"));
        EXPECT_EQ(c.btnEnvoi->text(), QStringLiteral("Envoyer"));
        // Rows from top to bottom; a stage's Yes and No images share one place.
        EXPECT_GT(c.lbl->y(), previousTop);
        previousTop = c.lbl->y();
        EXPECT_EQ(c.imgGenererYes->geometry(), c.imgGenererNo->geometry());
        EXPECT_EQ(c.imgEnvoiYes->geometry(), c.imgEnvoiNo->geometry());
        EXPECT_EQ(c.imgGenererYes->size(), QSize(16, 16));
        EXPECT_EQ(c.imgGenererYes->pixmap().size(), QSize(16, 16));
        EXPECT_EQ(c.imgEnvoiNo->pixmap().size(), QSize(16, 16));
    }
    auto* groupBox = fiche->findChild<QGroupBox*>(QStringLiteral("GroupBox1"));
    ASSERT_NE(groupBox, nullptr);
    EXPECT_EQ(groupBox->title(), QStringLiteral("Envoi"));
    EXPECT_EQ(fiche->BtnConfig()->text(), QStringLiteral("Configurer"));
    EXPECT_EQ(fiche->BtnRapport()->text(), QStringLiteral("Rapport"));
    EXPECT_EQ(fiche->BtnFermer()->text(), QStringLiteral("Fermer"));
    EXPECT_LT(fiche->BtnConfig()->x(), fiche->BtnRapport()->x());
    EXPECT_LT(fiche->BtnRapport()->x(), fiche->BtnFermer()->x());
    auto* version = fiche->findChild<QLabel*>(QStringLiteral("lblVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Version 2.0 du 28/05/2020"));

    // Every control lies inside the client area and inside its parent.
    for (QWidget* control : fiche->findChildren<QWidget*>()) {
        if (control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
            << control->objectName().toStdString();
    }
}

TEST_F(TFicheCordalisTest, EveryControlIsDescribedByItsNameAndUnlabelledOnesAreNamed)
{
    auto fiche = Fiche();
    int described = 0;
    for (QWidget* control : fiche->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        EXPECT_EQ(control->accessibleDescription(), name);
        ++described;
    }
    // 4 rows of 8 controls, the group box, three buttons and the version label.
    EXPECT_EQ(described, 4 * 8 + 1 + 3 + 1);

    const auto ra = fiche->Controles(Ligne::RemiseAchat);
    EXPECT_EQ(ra.pgbGenerer->accessibleName(), QStringLiteral("Conditions d'achat : progression"));
    EXPECT_EQ(ra.imgGenererYes->accessibleName(),
              QStringLiteral("Conditions d'achat : génération réussie"));
    EXPECT_EQ(ra.imgEnvoiYes->accessibleName(),
              QStringLiteral("Conditions d'achat : envoi réussi"));
    EXPECT_EQ(ra.imgEnvoiNo->accessibleName(),
              QStringLiteral("Conditions d'achat : échec de l'envoi"));
    for (Ligne ligne : kLignes) {
        const auto c = fiche->Controles(ligne);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 c.pgbGenerer, c.imgGenererYes, c.imgGenererNo, c.imgEnvoiYes, c.imgEnvoiNo})
            EXPECT_TRUE(w->accessibleName().startsWith(c.lbl->text() + QStringLiteral(" : ")))
                << w->objectName().toStdString();
    }
}

TEST_F(TFicheCordalisTest, FermerClosesTheWindow)
{
    auto fiche = Fiche();
    fiche->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fiche.get()));
    QTest::mouseClick(fiche->BtnFermer(), Qt::LeftButton);
    EXPECT_FALSE(fiche->isVisible());
}

// Records when a widget is first painted.
class PaintWatch : public QObject
{
public:
    PaintWatch(const QElapsedTimer& clock, qint64& paintedAt) : clock_(clock), paintedAt_(paintedAt)
    {
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt_ < 0)
            paintedAt_ = clock_.elapsed();
        return false;
    }

private:
    const QElapsedTimer& clock_;
    qint64& paintedAt_;
};

TEST_F(TFicheCordalisTest, RapportShowsTheFirstPassProgressOverTheWindowAndArreterStopsIt)
{
    // A report server 25 ms away per reply, with 200 reports.
    TestFtpServer::Options options;
    options.replyDelayMs = 25;
    TestFtpServer server(options);
    for (int i = 0; i < 200; ++i)
        server.writeFile(QStringLiteral("Rapport/Magasin %1.xml").arg(i, 3, 10, QLatin1Char('0')),
                         "<Velmora Date=\"01/01/2024 08:00:00\"><General><Etat Etat=\"0\"/>"
                         "</General></Velmora>");
    WriteIni(QStringLiteral("[Cordalis_Rapport]\nHost=%1\nLogin=%2\nMdp=%3\nPort=%4\n")
                 .arg(server.host(), server.user(), server.password())
                 .arg(server.port())
                 .toUtf8());
    auto fiche = Fiche();
    fiche->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fiche.get()));

    QElapsedTimer clock;
    qint64 paintedAt = -1;
    qint64 stoppedAt = -1;
    qint64 shownAt = -1;
    int entries = -1;
    bool modal = false;
    QStringList counts;
    PaintWatch paints(clock, paintedAt);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* active = QApplication::activeModalWidget();
        if (auto* report = qobject_cast<TFicheRapport*>(active)) {
            // The pass has ended: the report window comes with what was listed.
            shownAt = clock.elapsed();
            entries = report->findChild<QListWidget*>(QStringLiteral("lstRapport"))->count();
            report->reject();
            return;
        }
        auto* progress = qobject_cast<ProgressionRapports*>(active);
        if (!progress || stoppedAt >= 0)
            return;
        if (!modal) {
            modal = progress->isWindow() && progress->parentWidget() == fiche.get();
            progress->installEventFilter(&paints);
        }
        const QString count = progress->findChild<QLabel*>(QStringLiteral("lblCompte"))->text();
        if (counts.isEmpty() || counts.last() != count)
            counts << count;
        if (count.section(u' ', 0, 0).toInt() >= 5) {
            stoppedAt = clock.elapsed();
            QTest::mouseClick(progress->BtnArreter(), Qt::LeftButton);
        }
    });
    watch.start(5);
    clock.start();
    QTest::mouseClick(fiche->BtnRapport(), Qt::LeftButton);
    watch.stop();

    EXPECT_TRUE(modal);
    ASSERT_GE(paintedAt, 0);
    EXPECT_LT(paintedAt, 200);
    EXPECT_GE(counts.size(), 2) << counts.join(u',').toStdString();
    ASSERT_GE(stoppedAt, 0);
    ASSERT_GE(shownAt, 0);
    EXPECT_LT(shownAt - stoppedAt, 1000);
    EXPECT_GE(entries, 5);
    EXPECT_LT(entries, 200);
    EXPECT_FALSE(fiche->GetRapportsCharges());
    // Only whole copies are left, and every connection is closed.
    const QDir local(ProgramPaths::RepertoireRapport());
    for (const QString& name : local.entryList(QDir::Files | QDir::Hidden)) {
        QFile copy(local.filePath(name));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), server.readFile(QStringLiteral("Rapport/") + name))
            << name.toStdString();
    }
    EXPECT_TRUE(server.waitForLog(QStringLiteral("disconnect"),
                                  server.logCount(QStringLiteral("connect"))));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

TEST_F(TFicheCordalisTest, RapportsChargesIsFalseAtCreationAndKeepsWhatItIsGiven)
{
    auto fiche = Fiche();
    EXPECT_FALSE(fiche->GetRapportsCharges());
    fiche->SetRapportsCharges(true);
    fiche->LireParametres(ProgramPaths::FichierIni());
    EXPECT_TRUE(fiche->GetRapportsCharges());
}

} // namespace
