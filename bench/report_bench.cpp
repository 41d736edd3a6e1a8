// Times a first report pass (listing, downloads, reading and judging every report) against
// lftp mirroring the same folder, on a local pyftpdlib server that may answer like a distant
// one, and prints every run, the medians and their ratios.
//
//     build/bench/report_bench [--delai MS] [--connexions C] [file count [rounds]]
//     build/bench/report_bench --tls [--proftpd | --delai MS] [--connexions C] [file count
//     [rounds]] build/bench/report_bench --linearite
//
// --delai MS: each reply of the server comes MS milliseconds late (a distant server; 0 by
// default: loopback). --connexions C: the pass's connection count (Connexions, 4 by default).
// The pass runs against `lftp mirror --parallel=1` and `--parallel=C`, the three in turn,
// their order rotating from round to round. --tls: the same pass over explicit TLS (the
// server's certificate trusted through Certificat) against it in clear text, on two servers
// holding the same files (goal: at most 1.5); --proftpd: on proftpd rather than pyftpdlib,
// whose TLS work in Python weighs on a loopback run. --linearite: processor time and peak
// memory of the pass alone for 300 and 3,000 reports, each in a process of its own.

#include "Errors.h"
#include "FtpClient.h"
#include "Regional.h"
#include "ServerSection.h"
#include "SessionRapport.h"
#include "TestFtpServer.h"
#include "TestProftpdServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

// Processor time (user + system) used so far by this process or by its finished children.
double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Each passive transfer leaves a socket in TIME-WAIT for a minute on loopback; runs started
// back to back can exhaust the local ports, which stalls both sides or makes the server
// refuse a passive port.
int SocketsInTimeWait()
{
    QProcess ss;
    ss.start(QStringLiteral("ss"),
             {QStringLiteral("-tan"), QStringLiteral("state"), QStringLiteral("time-wait")});
    if (!ss.waitForFinished(10000))
        return 0;
    return std::max(0, static_cast<int>(ss.readAllStandardOutput().count('\n')) - 1);
}

void WaitForLocalPorts()
{
    for (int waited = 0; SocketsInTimeWait() > 16000 && waited < 120; waited += 5) {
        if (waited == 0)
            std::fprintf(stderr, "waiting for sockets in TIME-WAIT to clear...\n");
        QThread::sleep(5);
    }
}

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

// Writes count reports on the server; returns their total size.
qint64 WriteReports(const TestServerFiles& server, int count)
{
    const QDateTime now = QDateTime::currentDateTime();
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray content = Report(i, now.addSecs(-3600 * (i % 100)));
        bytes += content.size();
        server.writeFile(QStringLiteral("Rapport/Franchise %1.xml").arg(i, 4, 10, QLatin1Char('0')),
                         content);
    }
    return bytes;
}

struct Run
{
    double seconds = -1;
    double cpu = 0;
    int files = 0;
};

// A first pass (or with charges, a later one) into folder over connexions connections of the
// server (a TestFtpServer or a TestProftpdServer); with tls, over explicit TLS with the
// server's certificate trusted.
template <typename Server>
Run Pass(const Server& server, const QString& folder, int connexions, bool charges,
         int* inTrouble = nullptr, bool tls = false)
{
    FtpClient ftp;
    auto parametres = SectionOf<ParametresRapport>(server, tls);
    parametres.Connexions = connexions;
    SessionRapport session(
        ftp, parametres,
        {folder + QStringLiteral("/Rapport/"), folder + QStringLiteral("/Rapport/Historique/")},
        {[&] { return charges; }, [&](bool v) { charges = v; }}, QCoreApplication::instance());
    Run run;
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    session.ChargerRapports(3, [&](const EntreeRapport& e) {
        ++run.files;
        if (inTrouble && e.EnAnomalie)
            ++*inTrouble;
    });
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    return run;
}

Run Lftp(const TestFtpServer& server, const QString& folder, int parallel)
{
    const QString script =
        QStringLiteral("set ftp:ssl-allow no; set ftp:passive-mode on; set net:max-retries 1; "
                       "mirror --parallel=%1 /Rapport %2; quit")
            .arg(parallel)
            .arg(folder);
    QProcess lftp;
    Run run;
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    lftp.start(QStringLiteral("lftp"),
               {QStringLiteral("-u"), server.user() + QLatin1Char(',') + server.password(),
                QStringLiteral("-p"), QString::number(server.port()), QStringLiteral("-e"), script,
                server.host()});
    if (!lftp.waitForFinished(900000) || lftp.exitCode() != 0) {
        std::fprintf(stderr, "lftp failed: %s\n", lftp.readAllStandardError().constData());
        return run;
    }
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.cpu = CpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    run.files = static_cast<int>(QDir(folder).entryList(QDir::Files).size());
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Side
{
    QString name;
    std::vector<Run> runs;

    std::vector<double> Times() const
    {
        std::vector<double> times;
        for (const Run& run : runs)
            times.push_back(run.seconds);
        return times;
    }
    double MedianCpu() const
    {
        std::vector<double> cpu;
        for (const Run& run : runs)
            cpu.push_back(run.cpu);
        return Median(cpu);
    }
};

// Runs every side once per round, the order rotating from round to round, each run into a
// folder of its own kept until the end (deleting thousands of files just before a run makes
// the file system's next creations slower, which would penalise whichever side runs next).
// Prints each run; false when a run did not bring count files.
bool RunRounds(std::vector<Side>& sides, int rounds, int count,
               std::vector<std::unique_ptr<QTemporaryDir>>& folders,
               const std::function<Run(size_t side, const QString& folder)>& runSide)
{
    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t side = (k + size_t(round)) % sides.size();
            const QString folder = folders.emplace_back(std::make_unique<QTemporaryDir>())->path();
            const Run run = runSide(side, folder);
            if (run.seconds < 0 || run.files != count) {
                std::fprintf(stderr, "%s: %d of %d files\n", qPrintable(sides[side].name),
                             run.files, count);
                return false;
            }
            sides[side].runs.push_back(run);
            std::printf("round %d  %-32s %7.3f s  (processor %.3f s)\n", round + 1,
                        qPrintable(sides[side].name), run.seconds, run.cpu);
            std::fflush(stdout);
        }
    }
    return true;
}

// The figures of each side: what the run was, then the median, best and worst time and the
// median processor time of each side.
void PrintSides(const std::vector<Side>& sides, int count, qint64 bytes, int delayMs, int rounds)
{
    std::printf("\n%d report files of %.1f KB on average, %s, %d rounds, order rotating\n", count,
                bytes / 1024.0 / count,
                delayMs > 0 ? qPrintable(QStringLiteral("%1 ms per server reply").arg(delayMs))
                            : "loopback without delay",
                rounds);
    for (const Side& side : sides) {
        const std::vector<double> times = side.Times();
        std::printf("%-32s median %7.3f s  best %7.3f s  worst %7.3f s  processor %.3f s\n",
                    qPrintable(side.name), Median(times),
                    *std::min_element(times.begin(), times.end()),
                    *std::max_element(times.begin(), times.end()), side.MedianCpu());
    }
}

int Compare(int count, int rounds, int delayMs, int connexions)
{
    WaitForLocalPorts();
    TestFtpServer::Options options;
    options.replyDelayMs = delayMs;
    TestFtpServer server(options);
    const qint64 bytes = WriteReports(server, count);

    // The pass, lftp --parallel=1, and lftp --parallel=C unless C is 1.
    std::vector<Side> sides{{QStringLiteral("report pass (%1 connection%2)")
                                 .arg(connexions)
                                 .arg(connexions > 1 ? QStringLiteral("s") : QString()),
                             {}},
                            {QStringLiteral("lftp mirror --parallel=1"), {}}};
    if (connexions > 1)
        sides.push_back({QStringLiteral("lftp mirror --parallel=%1").arg(connexions), {}});

    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    QString passFolder;
    int inTrouble = 0;
    const bool done =
        RunRounds(sides, rounds, count, folders, [&](size_t side, const QString& folder) {
            if (side == 0) {
                passFolder = folder;
                inTrouble = 0;
                return Pass(server, folder, connexions, false, &inTrouble);
            }
            return Lftp(server, folder, side == 1 ? 1 : connexions);
        });
    if (!done)
        return 1;
    // A second pass of the same run reads the local copies: what listing, reading and
    // judging cost on their own.
    const Run again = Pass(server, passFolder, connexions, true);
    PrintSides(sides, count, bytes, delayMs, rounds);
    std::printf("second pass (no download)        %7.3f s\n", again.seconds);
    std::printf("entries: %d, %d in trouble\n", count, inTrouble);
    const double pass = Median(sides[0].Times());
    std::printf("ratio pass / lftp --parallel=1: %.2f (medians)\n",
                pass / Median(sides[1].Times()));
    if (connexions > 1)
        std::printf("ratio pass / lftp --parallel=%d: %.2f (medians)\n", connexions,
                    pass / Median(sides[2].Times()));
    std::printf("goals: at most 1.0 against --parallel=C on a distant server, at most 1.3 "
                "against --parallel=1 on loopback\n");
    return 0;
}

// The same first pass in clear text and over explicit TLS, on two servers of one kind
// holding the same files, in turn, the order rotating from round to round.
template <typename Server>
int CompareTls(const Server& clear, const Server& tls, int count, int rounds, int delayMs,
               int connexions)
{
    const qint64 bytes = WriteReports(clear, count);
    WriteReports(tls, count);
    std::vector<Side> sides{{QStringLiteral("pass in clear text"), {}},
                            {QStringLiteral("pass over TLS"), {}}};
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    const bool done =
        RunRounds(sides, rounds, count, folders, [&](size_t side, const QString& folder) {
            return Pass(side == 0 ? clear : tls, folder, connexions, false, nullptr, side == 1);
        });
    if (!done)
        return 1;
    std::printf("(%d connection(s) per pass)\n", connexions);
    PrintSides(sides, count, bytes, delayMs, rounds);
    std::printf("ratio TLS / clear: %.2f (medians; goal: at most 1.5)\n",
                Median(sides[1].Times()) / Median(sides[0].Times()));
    return 0;
}

// The TLS comparison on pyftpdlib (which may answer late), or on proftpd, whose handshakes
// are made in C rather than in Python.
int CompareTls(int count, int rounds, int delayMs, int connexions, bool proftpd)
{
    WaitForLocalPorts();
    if (proftpd) {
        TestProftpdServer::Options options;
        const TestProftpdServer clear(options);
        options.tls = true;
        const TestProftpdServer tls(options);
        std::printf("proftpd\n");
        return CompareTls(clear, tls, count, rounds, 0, connexions);
    }
    TestFtpServer::Options options;
    options.replyDelayMs = delayMs;
    const TestFtpServer clear(options);
    options.tls = true;
    options.tlsRequireReuse = true;
    const TestFtpServer tls(options);
    std::printf("pyftpdlib\n");
    return CompareTls(clear, tls, count, rounds, delayMs, connexions);
}

// One first pass over count reports, alone in this process: prints its processor time and
// the process's peak memory.
int PassAlone(int count)
{
    TestFtpServer server;
    WriteReports(server, count);
    QTemporaryDir folder;
    const Run run = Pass(server, folder.path(), ParametresRapport::ConnexionsParDefaut, false);
    std::printf("%d %.3f %.3f %.1f\n", run.files, run.seconds, run.cpu, PeakMegabytes());
    return run.files == count ? 0 : 1;
}

int Linearity(const char* self)
{
    std::printf("pass alone, %d connections, loopback, each size in its own process:\n",
                ParametresRapport::ConnexionsParDefaut);
    double cpu[2] = {};
    double peak[2] = {};
    const int counts[2] = {300, 3000};
    for (int k = 0; k < 2; ++k) {
        WaitForLocalPorts();
        QProcess child;
        child.start(QString::fromLocal8Bit(self),
                    {QStringLiteral("--passe-seule"), QString::number(counts[k])});
        if (!child.waitForFinished(900000) || child.exitCode() != 0) {
            std::fprintf(stderr, "pass of %d reports failed: %s\n", counts[k],
                         child.readAllStandardError().constData());
            return 1;
        }
        int files = 0;
        double seconds = 0;
        std::sscanf(child.readAllStandardOutput().constData(), "%d %lf %lf %lf", &files, &seconds,
                    &cpu[k], &peak[k]);
        std::printf("%5d reports: %7.3f s, processor %.3f s (%.2f ms per report), peak memory "
                    "%.1f MB\n",
                    files, seconds, cpu[k], 1000 * cpu[k] / files, peak[k]);
    }
    std::printf("3,000 / 300: processor x%.1f (linear: x10), peak memory x%.2f (+%.1f MB)\n",
                cpu[1] / cpu[0], peak[1] / peak[0], peak[1] - peak[0]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
    int delayMs = 0;
    int connexions = ParametresRapport::ConnexionsParDefaut;
    bool tls = false;
    bool proftpd = false;
    std::vector<int> numbers;
    try {
        for (int i = 1; i < argc; ++i) {
            if (!std::strcmp(argv[i], "--linearite"))
                return Linearity(argv[0]);
            if (!std::strcmp(argv[i], "--passe-seule") && i + 1 < argc)
                return PassAlone(std::max(1, std::atoi(argv[i + 1])));
            if (!std::strcmp(argv[i], "--tls"))
                tls = true;
            else if (!std::strcmp(argv[i], "--proftpd"))
                proftpd = true;
            else if (!std::strcmp(argv[i], "--delai") && i + 1 < argc)
                delayMs = std::max(0, std::atoi(argv[++i]));
            else if (!std::strcmp(argv[i], "--connexions") && i + 1 < argc)
                connexions = std::clamp(std::atoi(argv[++i]), 1, ParametresRapport::ConnexionsMax);
            else
                numbers.push_back(std::max(1, std::atoi(argv[i])));
        }
        const int count = numbers.size() > 0 ? numbers[0] : delayMs > 0 ? 300 : 1000;
        const int rounds = numbers.size() > 1 ? numbers[1] : 5;
        return tls ? CompareTls(count, rounds, delayMs, connexions, proftpd)
                   : Compare(count, rounds, delayMs, connexions);
    } catch (const CordalisError& e) {
        std::fprintf(stderr, "report_bench: %s\n", e.what());
        return 1;
    }
}
