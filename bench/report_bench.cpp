// Times a first report pass (listing, 1,000 downloads, reading and judging every report)
// against lftp mirroring the same folder over one connection, on a local pyftpdlib server,
// and prints both times and their ratio (goal: at most 1.3).
//
//     build/bench/report_bench [file count [rounds]]

#include "FtpClient.h"
#include "Regional.h"
#include "ReportSession.h"
#include "TestFtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A report of about 2 KB: the three sections, a few messages in the one in trouble.
QByteArray Report(int index, const QDateTime& date)
{
    QString messages;
    for (int m = 0; m < 24; ++m)
        messages += QStringLiteral("<Message>Fichier tarif %1 ligne %2 : article inconnu, "
                                   "remise ignorée</Message>")
                        .arg(index)
                        .arg(m);
    const QString etat = index % 7 == 0 ? QStringLiteral("1") : QStringLiteral("0");
    const QString xml =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Velmora Date=\"%1\">"
                       "<General><Etat Etat=\"0\"/><Messages/></General>"
                       "<CDL><Etat Etat=\"%2\"/><Messages>%3</Messages></CDL>"
                       "<Quillfen><Etat Etat=\"0\"/><Messages/></Quillfen></Velmora>\n")
            .arg(date.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), etat, messages);
    return xml.toUtf8();
}

double SecondsOfPass(const TestFtpServer& server, const QString& folder, bool charges, int& entries,
                     int& inTrouble)
{
    FtpClient ftp;
    TSessionRapport session(
        ftp, {server.host(), server.user(), server.password(), server.port()},
        {folder + QStringLiteral("/Rapport/"), folder + QStringLiteral("/Rapport/Historique/")},
        {[&] { return charges; }, [&](bool v) { charges = v; }}, QCoreApplication::instance());
    QElapsedTimer timer;
    timer.start();
    session.ChargerRapports(3, [&](const EntreeRapport& e) {
        ++entries;
        inTrouble += e.EnAnomalie ? 1 : 0;
    });
    return timer.nsecsElapsed() / 1e9;
}

double SecondsOfLftp(const TestFtpServer& server, const QString& folder)
{
    const QString script =
        QStringLiteral("set ftp:ssl-allow no; set ftp:passive-mode on; set net:max-retries 1; "
                       "mirror --parallel=1 /Rapport %1; quit")
            .arg(folder);
    QProcess lftp;
    QElapsedTimer timer;
    timer.start();
    lftp.start(QStringLiteral("lftp"),
               {QStringLiteral("-u"), server.user() + QLatin1Char(',') + server.password(),
                QStringLiteral("-p"), QString::number(server.port()), QStringLiteral("-e"), script,
                server.host()});
    if (!lftp.waitForFinished(600000) || lftp.exitCode() != 0) {
        std::fprintf(stderr, "lftp failed: %s\n", lftp.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    Regional::SetLocale(QLocale(QLocale::French, QLocale::France));

    TestFtpServer server;
    const QDateTime now = QDateTime::currentDateTime();
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray content = Report(i, now.addSecs(-3600 * (i % 100)));
        bytes += content.size();
        server.writeFile(QStringLiteral("Rapport/Franchise %1.xml").arg(i, 4, 10, QLatin1Char('0')),
                         content);
    }

    // The machine is shared: each side runs several times, alternately, and the best time
    // of each is compared (the least disturbed run of each).
    std::vector<double> passes;
    std::vector<double> mirrors;
    int entries = 0;
    int inTrouble = 0;
    int mirrored = 0;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir ours;
        QTemporaryDir theirs;
        entries = 0;
        inTrouble = 0;
        passes.push_back(SecondsOfPass(server, ours.path(), false, entries, inTrouble));
        const double mirror = SecondsOfLftp(server, theirs.path());
        if (mirror < 0)
            return 1;
        mirrors.push_back(mirror);
        mirrored = static_cast<int>(QDir(theirs.path()).entryList(QDir::Files).size());
        if (round == rounds - 1) {
            // A second pass of the same run reads the local copies: what reading and judging
            // cost on their own.
            int again = 0;
            int againInTrouble = 0;
            const double reading = SecondsOfPass(server, ours.path(), true, again, againInTrouble);
            std::printf("second pass:  %.3f s (listing, reading and judging, no download)\n",
                        reading);
        }
    }
    std::sort(passes.begin(), passes.end());
    std::sort(mirrors.begin(), mirrors.end());
    const double pass = passes.front();
    const double mirror = mirrors.front();

    std::printf("report files: %d (%.1f KB each on average), best of %d runs each\n", count,
                bytes / 1024.0 / count, rounds);
    std::printf("report pass:  %.3f s (%d entries, %d in trouble, %.0f files/s; slowest %.3f s)\n",
                pass, entries, inTrouble, count / pass, passes.back());
    std::printf("lftp mirror:  %.3f s (%d files, %.0f files/s; slowest %.3f s)\n", mirror, mirrored,
                count / mirror, mirrors.back());
    std::printf("ratio pass / lftp: %.2f (goal <= 1.30)\n", pass / mirror);
    return entries == count && mirrored == count ? 0 : 1;
}
