// Times a first report pass (listing, 1,000 downloads, reading and judging every report)
// against lftp mirroring the same folder over one connection, on a local pyftpdlib server,
// and prints both times and their ratio (goal: at most 1.3).
//
//     build/bench/report_bench [file count [rounds]]
//
// With --tls, times instead the same first pass over explicit TLS against it in clear text,
// side by side (goal: at most 1.5).
//
//     build/bench/report_bench --tls [file count [rounds]]

#include "Errors.h"
#include "FtpClient.h"
#include "Regional.h"
#include "SessionRapport.h"
#include "TestFtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
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

// Writes the report files of a run on the server; returns their total size.
qint64 WriteReports(const TestFtpServer& server, int count)
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

// The report server's section for a local test server.
ParametresFtp ServerOf(const TestFtpServer& server, bool tls)
{
    ParametresFtp parametres;
    parametres.Host = server.host();
    parametres.Login = server.user();
    parametres.Mdp = server.password();
    parametres.Port = server.port();
    parametres.TLS = tls;
    parametres.Certificat = tls ? server.caFile() : QString();
    return parametres;
}

double SecondsOfPass(const ParametresFtp& parametres, const QString& folder, bool charges,
                     int& entries, int& inTrouble, double& cpu)
{
    FtpClient ftp;
    SessionRapport session(
        ftp, parametres,
        {folder + QStringLiteral("/Rapport/"), folder + QStringLiteral("/Rapport/Historique/")},
        {[&] { return charges; }, [&](bool v) { charges = v; }}, QCoreApplication::instance());
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    session.ChargerRapports(3, [&](const EntreeRapport& e) {
        ++entries;
        inTrouble += e.EnAnomalie ? 1 : 0;
    });
    cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    return timer.nsecsElapsed() / 1e9;
}

double SecondsOfLftp(const TestFtpServer& server, const QString& folder, double& cpu)
{
    const QString script =
        QStringLiteral("set ftp:ssl-allow no; set ftp:passive-mode on; set net:max-retries 1; "
                       "mirror --parallel=1 /Rapport %1; quit")
            .arg(folder);
    QProcess lftp;
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
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
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpu = CpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    return seconds;
}

int Run(int count, int rounds)
{
    const int waiting = SocketsInTimeWait();
    if (waiting > 5000)
        std::fprintf(stderr,
                     "note: %d sockets in TIME-WAIT from earlier runs; local ports may run out "
                     "(wait a minute between runs)\n",
                     waiting);

    TestFtpServer server;
    const qint64 bytes = WriteReports(server, count);

    // The machine is shared: each side runs several times, alternately, and the best time
    // of each is compared (the least disturbed run of each).
    std::vector<double> passes;
    std::vector<double> mirrors;
    double passCpu = 1e9;
    double mirrorCpu = 1e9;
    int entries = 0;
    int inTrouble = 0;
    int mirrored = 0;
    // Every copy stays until the end: deleting a thousand files just before a run makes the
    // file system's next creations slower (it skips recently freed inodes), which would
    // penalise whichever side runs next. The order of the two sides alternates too.
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    for (int round = 0; round < rounds; ++round) {
        auto* ours = folders.emplace_back(std::make_unique<QTemporaryDir>()).get();
        auto* theirs = folders.emplace_back(std::make_unique<QTemporaryDir>()).get();
        double cpu = 0;
        const auto runOurs = [&] {
            entries = 0;
            inTrouble = 0;
            passes.push_back(SecondsOfPass(ServerOf(server, false), ours->path(), false, entries,
                                           inTrouble, cpu));
            passCpu = std::min(passCpu, cpu);
        };
        const auto runTheirs = [&] {
            const double mirror = SecondsOfLftp(server, theirs->path(), cpu);
            if (mirror < 0)
                return false;
            mirrors.push_back(mirror);
            mirrorCpu = std::min(mirrorCpu, cpu);
            mirrored = static_cast<int>(QDir(theirs->path()).entryList(QDir::Files).size());
            return true;
        };
        if (round % 2 == 0) {
            runOurs();
            if (!runTheirs())
                return 1;
        } else {
            if (!runTheirs())
                return 1;
            runOurs();
        }
        if (round == rounds - 1) {
            // A second pass of the same run reads the local copies: what reading and judging
            // cost on their own.
            int again = 0;
            int againInTrouble = 0;
            const double reading = SecondsOfPass(ServerOf(server, false), ours->path(), true, again,
                                                 againInTrouble, cpu);
            std::printf("second pass:  %.3f s (listing, reading and judging, no download)\n",
                        reading);
        }
    }
    std::printf("each run (pass / lftp, in the order run):");
    for (size_t i = 0; i < passes.size() && i < mirrors.size(); ++i)
        std::printf(" %.3f/%.3f", passes[i], mirrors[i]);
    std::printf("\n");
    std::sort(passes.begin(), passes.end());
    std::sort(mirrors.begin(), mirrors.end());
    const double pass = passes.front();
    const double mirror = mirrors.front();

    std::printf("report files: %d (%.1f KB each on average), best of %d runs each\n", count,
                bytes / 1024.0 / count, rounds);
    std::printf("report pass:  %.3f s (%d entries, %d in trouble, %.0f files/s; slowest %.3f s; "
                "processor %.3f s)\n",
                pass, entries, inTrouble, count / pass, passes.back(), passCpu);
    std::printf("lftp mirror:  %.3f s (%d files, %.0f files/s; slowest %.3f s; processor %.3f s)\n",
                mirror, mirrored, count / mirror, mirrors.back(), mirrorCpu);
    std::printf("ratio pass / lftp: %.2f (goal <= 1.30)\n", pass / mirror);
    return entries == count && mirrored == count ? 0 : 1;
}

// The same first report pass in clear text and over explicit TLS (the server's certificate
// trusted through Certificat), on two local servers holding the same files, alternately.
int RunTls(int count, int rounds)
{
    TestFtpServer clear;
    TestFtpServer::Options options;
    options.tls = true;
    options.tlsRequireReuse = true;
    TestFtpServer tls(options);
    const qint64 bytes = WriteReports(clear, count);
    WriteReports(tls, count);

    std::vector<double> clearRuns;
    std::vector<double> tlsRuns;
    double clearCpu = 1e9;
    double tlsCpu = 1e9;
    int clearEntries = 0;
    int tlsEntries = 0;
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    for (int round = 0; round < rounds; ++round) {
        for (const bool encrypted : {round % 2 == 1, round % 2 == 0}) {
            auto* folder = folders.emplace_back(std::make_unique<QTemporaryDir>()).get();
            int entries = 0;
            int inTrouble = 0;
            double cpu = 0;
            const double seconds = SecondsOfPass(ServerOf(encrypted ? tls : clear, encrypted),
                                                 folder->path(), false, entries, inTrouble, cpu);
            (encrypted ? tlsRuns : clearRuns).push_back(seconds);
            (encrypted ? tlsCpu : clearCpu) = std::min(encrypted ? tlsCpu : clearCpu, cpu);
            (encrypted ? tlsEntries : clearEntries) = entries;
        }
    }
    std::printf("each run (clear / TLS):");
    for (size_t i = 0; i < clearRuns.size() && i < tlsRuns.size(); ++i)
        std::printf(" %.3f/%.3f", clearRuns[i], tlsRuns[i]);
    std::printf("\n");
    std::sort(clearRuns.begin(), clearRuns.end());
    std::sort(tlsRuns.begin(), tlsRuns.end());
    std::printf("report files: %d (%.1f KB each on average), best of %d runs each\n", count,
                bytes / 1024.0 / count, rounds);
    std::printf("pass in clear: %.3f s (%d entries, %.0f files/s; processor %.3f s)\n",
                clearRuns.front(), clearEntries, count / clearRuns.front(), clearCpu);
    std::printf("pass over TLS: %.3f s (%d entries, %.0f files/s; processor %.3f s)\n",
                tlsRuns.front(), tlsEntries, count / tlsRuns.front(), tlsCpu);
    std::printf("ratio TLS / clear: %.2f (goal <= 1.50)\n", tlsRuns.front() / clearRuns.front());
    return clearEntries == count && tlsEntries == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // --tls: the pass over explicit TLS against the same pass in clear text.
    const bool tls = argc > 1 && std::strcmp(argv[1], "--tls") == 0;
    const int first = tls ? 2 : 1;
    const int count = argc > first ? std::max(1, std::atoi(argv[first])) : 1000;
    const int rounds = argc > first + 1 ? std::max(1, std::atoi(argv[first + 1])) : 3;
    Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
    try {
        return tls ? RunTls(count, rounds) : Run(count, rounds);
    } catch (const CordalisError& e) {
        std::fprintf(stderr, "report_bench: %s\n", e.what());
        return 1;
    }
}
