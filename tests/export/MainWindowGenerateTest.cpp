#include "CordalisApplication.h"
#include "ExportTestSupport.h"
#include "MessageRecorder.h"
#include "ProgramPaths.h"
#include "TFicheCordalis.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

namespace {

QList<ParadoxColumn> Colonnes()
{
    return {{QStringLiteral("Numero"), FieldKind::Long},
            {QStringLiteral("Externe"), FieldKind::Short},
            {QStringLiteral("Titre"), FieldKind::Alpha, 30}};
}

QList<QVariantList> Lignes(int nombre)
{
    QList<QVariantList> lignes;
    for (int i = 0; i < nombre; ++i)
        lignes << QVariantList{i, i % 3 == 0 ? 1 : 0, QStringLiteral("Message n° %1").arg(i)};
    return lignes;
}

void Ecrire(const QString& chemin, const QByteArray& contenu)
{
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly | QIODevice::Truncate));
    fichier.write(contenu);
}

} // namespace

// The "Générer" buttons of the main window, pressed as a user does, with the application's
// exception display in place.
TEST(MainWindowGenerate, ButtonsRunTheirExportAndReportFailures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProgramPaths::Init(dir.path());
    const QString base = dir.filePath(QStringLiteral("QuillfenAdministration/"));
    ASSERT_TRUE(QDir().mkpath(base));
    Ecrire(ProgramPaths::FichierIni(), "[Cordalis]\nRemise_Achat=1\nMessage=1\n");
    WriteParadoxTable(base + QStringLiteral("MessageType.DB"), Colonnes(), Lignes(40));
    WriteParadoxTable(base + QStringLiteral("Message.DB"), Colonnes(), Lignes(2500));

    MessageRecorder messages;
    TFicheCordalis fiche;
    fiche.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fiche));
    const auto message = fiche.Controles(TFicheCordalis::Ligne::Message);
    const auto remise = fiche.Controles(TFicheCordalis::Ligne::RemiseAchat);
    ASSERT_TRUE(message.btnGenerer->isEnabled());
    message.imgEnvoiNo->show(); // a previous send result, no longer valid for new files

    // While rows are written the window handles its events; a second press of the same
    // button then is ignored rather than rewinding the tables under the running export.
    bool vuPendant = false;
    QTimer::singleShot(0, &fiche, [&] {
        vuPendant = !message.imgGenererYes->isVisible() && !message.imgEnvoiNo->isVisible() &&
                    message.pgbGenerer->value() >= 1 && message.pgbGenerer->value() < 2540;
        QTest::mouseClick(message.btnGenerer, Qt::LeftButton);
    });
    QTest::mouseClick(message.btnGenerer, Qt::LeftButton);

    EXPECT_TRUE(vuPendant);
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('\n'));
    EXPECT_TRUE(message.imgGenererYes->isVisible());
    EXPECT_FALSE(message.imgGenererNo->isVisible());
    EXPECT_FALSE(message.imgEnvoiNo->isVisible());
    EXPECT_EQ(message.pgbGenerer->maximum(), 2540);
    EXPECT_EQ(message.pgbGenerer->value(), 2540);
    const ExportLu lu =
        LireExport(ProgramPaths::DossierPreparation() + QStringLiteral("message.xml"));
    ASSERT_TRUE(lu.Valide);
    EXPECT_EQ(lu.Lignes.size(), 2500 - 834);
    EXPECT_FALSE(fiche.TblMessage().Active());

    // REMISES.DB is missing: the table layer's message, no Yes image, the window goes on.
    QTest::mouseClick(remise.btnGenerer, Qt::LeftButton);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(
        messages.texts().first().contains(QStringLiteral("REMISES.DB"), Qt::CaseInsensitive))
        << qPrintable(messages.texts().first());
    EXPECT_FALSE(remise.imgGenererYes->isVisible());
    EXPECT_FALSE(
        QFile::exists(ProgramPaths::DossierPreparation() + QStringLiteral("remise_achat.xml")));
    EXPECT_FALSE(fiche.TblRemise().Active());

    QTest::mouseClick(message.btnGenerer, Qt::LeftButton);
    EXPECT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(message.imgGenererYes->isVisible());

    // Empty tables: the export succeeds and the bar is left empty, not drawn as Qt's endless
    // "busy" bar (a range of 0 to 0), which would say that something is still running.
    WriteParadoxTable(base + QStringLiteral("MessageType.DB"), Colonnes(), {});
    WriteParadoxTable(base + QStringLiteral("Message.DB"), Colonnes(), {});
    QTest::mouseClick(message.btnGenerer, Qt::LeftButton);
    EXPECT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(message.imgGenererYes->isVisible());
    EXPECT_GT(message.pgbGenerer->maximum(), message.pgbGenerer->minimum());
    EXPECT_EQ(message.pgbGenerer->value(), 0);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The real application object, so that an error of an action reaches its display.
    CordalisApplication application(argc, argv);
    SetMessageHandler({});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
