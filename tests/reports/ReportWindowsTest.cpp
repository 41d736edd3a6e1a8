#include "ReportFixtures.h"

#include "GuiResources.h"
#include "GuiSeams.h"
#include "MessageRecorder.h"
#include "ProgramPaths.h"
#include "ProgressionRapports.h"
#include "TFicheRapport.h"
#include "TFicheRapportHistorique.h"
#include "TNativeXmlQLF.h"
#include "TestFtpServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace fixtures;

namespace {

QImage IconImage(const QIcon& icon)
{
    return icon.pixmap(48, 48).toImage();
}

class ReportWindows : public FrenchClock
{
protected:
    explicit ReportWindows(TestFtpServer::Options options = {}) : server_(options) {}

    void SetUp() override
    {
        FrenchClock::SetUp();
        ProgramPaths::Init(exe_.path());
        WriteSettings(server_.port());
    }
    // The report server's section; extra lines go at its end.
    void WriteSettings(qint64 port, const QString& extra = QString())
    {
        QFile ini(ProgramPaths::FichierIni());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(
            QStringLiteral("[Cordalis_Rapport]\r\nHost=%1\r\nLogin=%2\r\nMdp=%3\r\nPort=%4\r\n")
                .arg(server_.host(), server_.user(), server_.password())
                .arg(port)
                .append(extra)
                .toUtf8());
        if (const std::optional<int> connexions = ConnexionsImposees())
            ini.write(QStringLiteral("Connexions=%1\r\n").arg(*connexions).toUtf8());
    }
    void TearDown() override
    {
        Dialogs::ClearAnswers();
        FrenchClock::TearDown();
    }

    std::unique_ptr<TFicheRapport> Open()
    {
        return std::make_unique<TFicheRapport>(
            nullptr,
            DrapeauRapportsCharges{[this] { return charges_; }, [this](bool v) { charges_ = v; }});
    }

    template <typename T> static T* Child(QWidget* form, const char* name)
    {
        T* child = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QListWidgetItem* Entry(QListWidget* list, const QString& name)
    {
        const auto found = list->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    TestFtpServer server_;
    QTemporaryDir exe_;
    bool charges_ = false;
    MessageRecorder messages_;
};

TEST_F(ReportWindows, ListsFranchiseesWithMarksAndDetail)
{
    server_.writeFile(QStringLiteral("Rapport/Vert.xml"), Report(DateText(DaysAgo(1))), Now());
    server_.writeFile(QStringLiteral("Rapport/Rouge.xml"), Report(DateText(DaysAgo(3))), Now());
    auto form = Open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Rapport de la Velmora"));
    auto* list = Child<QListWidget>(form.get(), "lstRapport");
    auto* spin = Child<QSpinBox>(form.get(), "cseJour");
    auto* history = Child<QPushButton>(form.get(), "btnHistorique");
    auto* detail = Child<QTextEdit>(form.get(), "reMessage");
    auto* refresh = Child<QPushButton>(form.get(), "btnActualiser");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(spin->value(), 1);
    EXPECT_EQ(spin->minimum(), 1);
    EXPECT_EQ(spin->maximum(), 31);
    EXPECT_EQ(list->viewMode(), QListView::IconMode);
    EXPECT_EQ(list->iconSize(), QSize(48, 48));
    EXPECT_TRUE(history->font().bold());
    EXPECT_FALSE(history->isEnabled());
    EXPECT_EQ(IconImage(refresh->icon()), IconImage(QIcon(GuiResources::Arrows48)));

    QListWidgetItem* green = Entry(list, QStringLiteral("Vert"));
    QListWidgetItem* red = Entry(list, QStringLiteral("Rouge"));
    ASSERT_TRUE(green && red);
    EXPECT_EQ(IconImage(green->icon()), IconImage(QIcon(GuiResources::RoundGreen48)));
    EXPECT_EQ(IconImage(red->icon()), IconImage(QIcon(GuiResources::RoundRed48)));
    EXPECT_EQ(green->data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("en ordre"));
    EXPECT_EQ(red->data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("en anomalie"));

    list->setCurrentItem(red);
    EXPECT_TRUE(history->isEnabled());
    EXPECT_EQ(form->NomFranchise(), QStringLiteral("Rouge"));
    const QString redText = detail->toPlainText();
    EXPECT_EQ(redText, QStringLiteral("Derniere mise à jour automatique effectuée le 09/03/2024 "
                                      "08:30:00\nMise à jour automatique installée."));
    list->clearSelection();
    EXPECT_FALSE(history->isEnabled());
    EXPECT_EQ(form->NomFranchise(), QString());
    EXPECT_EQ(detail->toPlainText(), redText);

    // Raising J and refreshing turns the entry green, from the local copies.
    spin->setValue(3);
    form->btnActualiserClick();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(Entry(list, QStringLiteral("Rouge"))->data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("en ordre"));
    EXPECT_TRUE(messages_.texts().isEmpty());
}

// A click in an empty area of the list ends the selection, as the list control of the
// design does: "Voir l'historique" is disabled, the detail text stays.
TEST_F(ReportWindows, ClickingAnEmptyAreaOfTheListClearsTheSelection)
{
    server_.writeFile(QStringLiteral("Rapport/Vert.xml"), Report(DateText(DaysAgo(1))), Now());
    server_.writeFile(QStringLiteral("Rapport/Rouge.xml"), Report(DateText(DaysAgo(3))), Now());
    auto form = Open();
    form->show();
    QApplication::processEvents();
    auto* list = Child<QListWidget>(form.get(), "lstRapport");
    auto* history = Child<QPushButton>(form.get(), "btnHistorique");
    auto* detail = Child<QTextEdit>(form.get(), "reMessage");
    ASSERT_EQ(list->count(), 2);

    QListWidgetItem* red = Entry(list, QStringLiteral("Rouge"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(red).center());
    EXPECT_TRUE(red->isSelected());
    EXPECT_TRUE(history->isEnabled());
    EXPECT_EQ(form->NomFranchise(), QStringLiteral("Rouge"));
    const QString text = detail->toPlainText();
    EXPECT_FALSE(text.isEmpty());

    const QPoint empty = list->viewport()->rect().bottomRight() - QPoint(4, 4);
    ASSERT_EQ(list->itemAt(empty), nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_FALSE(history->isEnabled());
    EXPECT_EQ(form->NomFranchise(), QString());
    EXPECT_EQ(detail->toPlainText(), text);
    EXPECT_TRUE(messages_.texts().isEmpty());
}

TEST_F(ReportWindows, LayoutFollowsTheWindowAndControlsAreDescribed)
{
    server_.makeDir(QStringLiteral("Rapport"));
    auto form = Open();
    EXPECT_EQ(form->minimumSize(), QSize(699, 578));
    form->resize(899, 678);
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(Child<QListWidget>(form.get(), "lstRapport")->geometry(), QRect(0, 72, 899, 400));
    EXPECT_EQ(Child<QPushButton>(form.get(), "btnHistorique")->geometry(), QRect(1, 473, 119, 203));
    EXPECT_EQ(Child<QTextEdit>(form.get(), "reMessage")->geometry(), QRect(122, 471, 777, 206));
    for (const char* name :
         {"Label1", "cseJour", "btnActualiser", "lstRapport", "btnHistorique", "reMessage"}) {
        QWidget* w = Child<QWidget>(form.get(), name);
        EXPECT_EQ(w->accessibleDescription(), QString::fromLatin1(name));
    }
    for (const char* name : {"cseJour", "lstRapport", "reMessage"})
        EXPECT_FALSE(Child<QWidget>(form.get(), name)->accessibleName().isEmpty()) << name;
    EXPECT_EQ(Child<QLabel>(form.get(), "Label1")->buddy(), Child<QWidget>(form.get(), "cseJour"));
    EXPECT_EQ(Child<QLabel>(form.get(), "Label1")->text(), QStringLiteral("Rapport avec J-"));
}

// A report server 20 ms away per reply.
class DistantReportWindows : public ReportWindows
{
protected:
    DistantReportWindows() : ReportWindows(Distant()) {}
    static TestFtpServer::Options Distant()
    {
        TestFtpServer::Options options;
        options.replyDelayMs = 20;
        return options;
    }
};

TEST_F(DistantReportWindows, ActualiserShowsItsProgressInsideAndTheCloseBoxStopsItFirst)
{
    // The first pass finds no report folder: nothing is downloaded yet.
    auto form = Open();
    ASSERT_EQ(messages_.texts().size(), 1);
    ASSERT_FALSE(charges_);
    for (int i = 0; i < 60; ++i)
        server_.writeFile(QStringLiteral("Rapport/Magasin %1.xml").arg(i, 2, 10, QLatin1Char('0')),
                          Report(DateText(DaysAgo(0))), Now());
    form->show();
    auto* list = Child<QListWidget>(form.get(), "lstRapport");
    auto* refresh = Child<QPushButton>(form.get(), "btnActualiser");
    const QList<QWidget*> others{refresh, Child<QWidget>(form.get(), "cseJour"), list,
                                 Child<QWidget>(form.get(), "btnHistorique")};

    QStringList counts;
    bool othersDisabled = true;
    QElapsedTimer clock;
    qint64 closedAt = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ProgressionRapports* progress = form->Progression();
        if (!progress || closedAt >= 0)
            return;
        EXPECT_EQ(progress->parentWidget(), form.get());
        EXPECT_TRUE(progress->isVisible());
        for (QWidget* other : others)
            othersDisabled = othersDisabled && !other->isEnabled();
        const QString count = Child<QLabel>(progress, "lblCompte")->text();
        if (counts.isEmpty() || counts.last() != count)
            counts << count;
        if (list->count() >= 3) {
            closedAt = clock.elapsed();
            form->close(); // the close box
        }
    });
    watch.start(5);
    clock.start();
    refresh->click();
    const qint64 endedAt = clock.elapsed();
    watch.stop();

    ASSERT_GE(closedAt, 0);
    EXPECT_LT(endedAt - closedAt, 1000);
    EXPECT_TRUE(othersDisabled);
    EXPECT_GE(counts.size(), 2) << counts.join(u',').toStdString();
    EXPECT_TRUE(counts.last().endsWith(QStringLiteral(" / 60"))) << counts.last().toStdString();
    // Stopped, then closed; the entries listed so far stay.
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(charges_);
    EXPECT_GE(list->count(), 3);
    EXPECT_LT(list->count(), 60);
    EXPECT_EQ(form->Progression(), nullptr);
    for (QWidget* other : others)
        EXPECT_TRUE(other == Child<QWidget>(form.get(), "btnHistorique") || other->isEnabled());
    EXPECT_EQ(messages_.texts().size(), 1);
}

TEST_F(ReportWindows, PassErrorIsShownAndTheWindowOpens)
{
    // No /Rapport folder: the change of directory fails while the window is built.
    auto form = Open();
    ASSERT_EQ(messages_.texts().size(), 1);
    EXPECT_FALSE(charges_);
    EXPECT_FALSE(Child<QPushButton>(form.get(), "btnActualiser")->icon().isNull());
    EXPECT_THROW(form->btnActualiserClick(), FtpError);
}

// The window reads its section the way every server user does: a port that would wrap round
// to 16 bits (here onto the server's own port) is refused with the connection message, and
// nothing reaches the network; history retrieval gives the same message.
TEST_F(ReportWindows, PortOutsideTheRuleIsRefusedBeforeAnyConnection)
{
    server_.writeFile(QStringLiteral("Rapport/Vert.xml"), Report(DateText(DaysAgo(1))), Now());
    for (const qint64 port : {qint64(server_.port()) + 65536, qint64(0), qint64(-1)}) {
        SCOPED_TRACE(port);
        messages_.clear();
        WriteSettings(port);
        auto form = Open();
        EXPECT_EQ(Child<QListWidget>(form.get(), "lstRapport")->count(), 0);
        ASSERT_EQ(messages_.texts().size(), 1);
        EXPECT_TRUE(messages_.texts()[0].startsWith(
            QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ")));
        EXPECT_TRUE(messages_.texts()[0].contains(QString::number(port)))
            << qPrintable(messages_.texts()[0]);
        form->btnHistoriqueClick();
        EXPECT_EQ(messages_.texts().size(), 2);
        EXPECT_FALSE(charges_);
    }
    EXPECT_EQ(server_.logCount(QStringLiteral("connect")), 0);
}

// The report server over TLS: the pass lists and downloads, the history is fetched, nothing
// but AUTH in clear text. Without the certificate to trust: the connection message and an
// empty list.
TEST_F(ReportWindows, PassAndHistoryOverTls)
{
    TestFtpServer::Options options;
    options.tls = true;
    options.tlsRequireReuse = true;
    options.logCommands = true;
    TestFtpServer server(options);
    server.writeFile(QStringLiteral("Rapport/Vert.xml"), Report(DateText(DaysAgo(1))), Now());
    server.writeFile(
        QStringLiteral("Rapport/Historique/Vert.xml"),
        Document(QStringLiteral("<Velmora>") +
                 RecordXml(QStringLiteral("Item"), DateText(DaysAgo(1)), Ok(), Ok(), Ok()) +
                 QStringLiteral("</Velmora>")));
    const QString settings =
        QStringLiteral("[Cordalis_Rapport]\r\nHost=%1\r\nLogin=%2\r\nMdp=%3\r\nPort=%4\r\n"
                       "TLS=1\r\n")
            .arg(server.host(), server.user(), server.password())
            .arg(server.port());
    {
        QFile ini(ProgramPaths::FichierIni());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write((settings + QStringLiteral("Certificat=") + server.caFile()).toUtf8());
    }
    auto form = Open();
    auto* list = Child<QListWidget>(form.get(), "lstRapport");
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(charges_);
    list->setCurrentItem(list->item(0));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        shown = true;
        window->close();
    });
    form->btnHistoriqueClick();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(messages_.texts().isEmpty()) << qPrintable(messages_.texts().join('\n'));
    // The pass and the history retrieval: two sessions, each of them encrypted from AUTH on.
    // (The pass may have downloaded over several sessions: each of them too.)
    const QStringList clear = server.commands().filter(QStringLiteral("command clear"));
    EXPECT_GE(clear.size(), 2);
    EXPECT_EQ(clear.count(QStringLiteral("command clear AUTH TLS")), clear.size());
    EXPECT_EQ(clear.size(), server.logCount(QStringLiteral("connect")));
    EXPECT_EQ(server.logCount(QStringLiteral("data C")), 0);
    form.reset();

    {
        QFile ini(ProgramPaths::FichierIni());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(settings.toUtf8());
    }
    charges_ = false;
    form = Open();
    EXPECT_EQ(Child<QListWidget>(form.get(), "lstRapport")->count(), 0);
    ASSERT_EQ(messages_.texts().size(), 1);
    EXPECT_TRUE(messages_.texts()[0].startsWith(
        QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ")));
    EXPECT_TRUE(messages_.texts()[0].contains(QStringLiteral("Certificat")))
        << qPrintable(messages_.texts()[0]);
}

TEST_F(ReportWindows, HistoryWindowListsRunsAndExportsCsv)
{
    server_.writeFile(QStringLiteral("Rapport/Magasin Lyon.xml"), Report(DateText(DaysAgo(0))));
    server_.writeFile(
        QStringLiteral("Rapport/Historique/Magasin Lyon.xml"),
        Document(QStringLiteral("<Velmora>") +
                 RecordXml(QStringLiteral("Item"), QStringLiteral("12/03/2024 08:00:00"), Ok(),
                           Ok(), Ok()) +
                 RecordXml(QStringLiteral("Item"), QStringLiteral("11/03/2024 08:00:00"), Ok(),
                           Ko({QStringLiteral("Tarifs"), QStringLiteral("Documents")}), Ok()) +
                 QStringLiteral("</Velmora>")));
    auto form = Open();
    auto* list = Child<QListWidget>(form.get(), "lstRapport");
    ASSERT_EQ(list->count(), 1);
    list->setCurrentItem(list->item(0));

    const QString csv = exe_.filePath(QStringLiteral("export.csv"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TFicheRapportHistorique*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        seen = true;
        EXPECT_EQ(window->windowTitle(),
                  QStringLiteral("Historique pour le franchisé Magasin Lyon"));
        auto* rows = Child<QTableWidget>(window, "lstRapportHistorique");
        ASSERT_EQ(rows->rowCount(), 2);
        EXPECT_EQ(rows->item(0, 0)->text(), QStringLiteral("12/03/2024"));
        EXPECT_EQ(rows->item(1, 1)->text(), QStringLiteral("[CDL] Tarifs\n[CDL] Documents\n"));
        EXPECT_EQ(rows->item(1, 1)->foreground().color(), QColor(255, 0, 0));
        EXPECT_EQ(rows->item(1, 0)->data(Qt::AccessibleDescriptionRole).toString(),
                  QStringLiteral("en anomalie"));
        EXPECT_EQ(rows->item(0, 1)->data(Qt::AccessibleDescriptionRole).toString(),
                  QStringLiteral("en ordre"));
        EXPECT_NE(rows->item(0, 1)->foreground().color(), QColor(255, 0, 0));

        Dialogs::SetNextAnswer(QString()); // cancelled: nothing written
        window->Button1Click();
        EXPECT_FALSE(QFile::exists(csv));
        Dialogs::SetNextAnswer(csv);
        Child<QPushButton>(window, "Button1")->click();
        window->close();
    });
    form->btnHistoriqueClick();
    EXPECT_TRUE(seen);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("12/03/2024;Mise \xe0 jour automatique install\xe9"
                                         "e.;\r\n"
                                         "11/03/2024;[CDL] Tarifs\n[CDL] Documents\n;\r\n"));
    EXPECT_TRUE(messages_.texts().isEmpty());
}

// A run with a date that does not convert is listed in red with the date text as found, the
// runs after it are listed too and the CSV holds them all. The window has its minimise and
// maximise boxes: a long history reads better maximised.
TEST_F(ReportWindows, HistoryWithABadDateListsEveryRunAndExportsThem)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("h.xml"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Document(
        QStringLiteral("<Velmora>") +
        RecordXml(QStringLiteral("Item"), QStringLiteral("10/03/2024"), Ok(), Ok(), Ok()) +
        RecordXml(QStringLiteral("Item"), QStringLiteral("31/02/2024 08:00:00"), Ok(), Ok(), Ok()) +
        QStringLiteral("<Item Date=\"\"/><Item Date=\"11/03/2024\"/></Velmora>")));
    file.close();
    TNativeXmlQLF doc(QStringLiteral("Velmora"), QCoreApplication::instance());
    doc.LoadFromFile(path);
    TFicheRapportHistorique window(nullptr, QStringLiteral("X"), doc);
    EXPECT_TRUE(messages_.texts().isEmpty());
    EXPECT_EQ(window.Lignes().size(), 4u);
    auto* rows = Child<QTableWidget>(&window, "lstRapportHistorique");
    ASSERT_EQ(rows->rowCount(), 4);
    const QColor red(255, 0, 0);
    EXPECT_NE(rows->item(0, 0)->foreground().color(), red);
    EXPECT_EQ(rows->item(1, 0)->text(), QStringLiteral("31/02/2024 08:00:00"));
    EXPECT_EQ(rows->item(1, 1)->text(), QStringLiteral("Mise à jour automatique installée."));
    for (int column = 0; column < 2; ++column)
        EXPECT_EQ(rows->item(1, column)->foreground().color(), red);
    EXPECT_EQ(rows->item(1, 0)->data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("date illisible"));
    EXPECT_EQ(rows->item(2, 0)->text(), QString());
    EXPECT_EQ(rows->item(2, 0)->foreground().color(), red);
    EXPECT_EQ(rows->item(3, 0)->text(), QStringLiteral("11/03/2024"));

    const QString csv = dir.filePath(QStringLiteral("export.csv"));
    Dialogs::SetNextAnswer(csv);
    Child<QPushButton>(&window, "Button1")->click();
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(exported.readAll(), QByteArray("10/03/2024;Mise \xe0 jour automatique install\xe9"
                                             "e.;\r\n"
                                             "31/02/2024 08:00:00;Mise \xe0 jour automatique "
                                             "install\xe9"
                                             "e.;\r\n"
                                             ";;\r\n"
                                             "11/03/2024;;\r\n"));

    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(Child<QPushButton>(&window, "Button1")->text(), QStringLiteral("Exporter"));
    EXPECT_EQ(window.accessibleDescription(), QStringLiteral("TFicheRapportHistorique"));
    EXPECT_TRUE(messages_.texts().isEmpty());
}

} // namespace
