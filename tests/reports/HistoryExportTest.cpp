// "Exporter" of the history window through the real save dialog, offscreen, in French:
// choosing an existing CSV replaces it without a question.

#include "ReportFixtures.h"

#include "MessageRecorder.h"
#include "ModalWatch.h"
#include "QtTranslation.h"
#include "TFicheRapportHistorique.h"
#include "TNativeXmlQLF.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace fixtures;

TEST(HistoryExport, AnExistingCsvIsReplacedWithoutAQuestion)
{
    ASSERT_TRUE(InstallQtFrenchTranslation());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString history = dir.filePath("Magasin Lyon.xml");
    QFile xml(history);
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write(Document("<Velmora>" +
                       RecordXml("Item", "12/03/2024 08:00:00", Ok(), Ko({"Tarifs"}), Ok()) +
                       "</Velmora>"));
    xml.close();
    TNativeXmlQLF document("Velmora", qApp);
    document.LoadFromFile(history);
    TFicheRapportHistorique window(nullptr, "Magasin Lyon", document);

    const QString csv = dir.filePath("export.csv");
    QFile old(csv);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("un ancien export, plus long que le nouveau;\r\n");
    old.close();

    MessageRecorder messages;
    QStringList questions;
    bool shown = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        auto* save = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
        EXPECT_EQ(save->text().remove('&'), "Enregistrer");
        dialog->setDirectory(dir.path());
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText("export.csv");
        RecordModalsOver(*dialog, questions);
        save->click();
    });
    window.Button1Click();

    EXPECT_TRUE(shown);
    EXPECT_TRUE(questions.isEmpty()) << qPrintable(questions.join('\n'));
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('\n'));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("12/03/2024;[CDL] Tarifs\n;\r\n"));
}
