// table_scan: how fast the table layer scans a big table, against pxlib's raw record fetch.
//
//   table_scan [--dossier DIR] [--lignes N] [--linearite]
//
// Builds once, with pxlib, a table of N rows (200,000 by default) and 15 fields in DIR
// (/tmp/cordalis-bench by default) and keeps it for the next runs. Then times, best of three:
//   (a) the table layer: open, First/Next to the end, every field's AsString;
//   (b) pxlib: PX_get_record2 for every record, no decoding;
// and prints both (elapsed and processor time) and the ratio a/b (the goal is at most 1). With
// --linearite, it also builds and scans a 1,000,000-row table and prints the time per row
// against that of N rows (a linear scan gives about 1).

#include "Errors.h"
#include "ParadoxWriter.h"
#include "PxlibScan.h"
#include "TTable.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTime>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

const QList<ParadoxColumn> kColumns = {
    {QStringLiteral("Code"), FieldKind::Alpha, 10},
    {QStringLiteral("Nom"), FieldKind::Alpha, 30},
    {QStringLiteral("Ville"), FieldKind::Alpha, 30},
    {QStringLiteral("CP"), FieldKind::Alpha, 5},
    {QStringLiteral("Rue"), FieldKind::Alpha, 40},
    {QStringLiteral("Groupe"), FieldKind::Short},
    {QStringLiteral("Quantite"), FieldKind::Long},
    {QStringLiteral("Id"), FieldKind::AutoInc},
    {QStringLiteral("Prix"), FieldKind::Number},
    {QStringLiteral("Montant"), FieldKind::Money},
    {QStringLiteral("Jour"), FieldKind::Date},
    {QStringLiteral("Heure"), FieldKind::Time},
    {QStringLiteral("Modifie"), FieldKind::Timestamp},
    {QStringLiteral("Actif"), FieldKind::Logical},
    {QStringLiteral("Remise"), FieldKind::BCD, 2},
};

QString TableName(int rows)
{
    return QStringLiteral("SCAN%1.DB").arg(rows);
}

// A kept table is reused when the layer reads it with the expected row count.
bool Usable(const QString& folder, int rows)
{
    try {
        TTable table(folder, TableName(rows));
        table.Open();
        return table.RecordCount() == rows && table.FieldCount() == kColumns.size();
    } catch (const CordalisError&) {
        return false;
    }
}

void Build(const QString& folder, int rows)
{
    if (Usable(folder, rows))
        return;
    std::printf("Construction de %s (%d lignes) avec pxlib...\n", qPrintable(TableName(rows)),
                rows);
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    // Written under a temporary name, then renamed: an interrupted build leaves no table.
    const QString path = folder + QLatin1Char('/') + TableName(rows);
    const QString partial = folder + QStringLiteral("/PARTIEL.DB");
    {
        ParadoxWriter writer(partial, kColumns);
        const QDate day(2020, 1, 1);
        for (int i = 0; i < rows; ++i)
            writer.AddRow(
                {QStringLiteral("F%1").arg(i), QStringLiteral("Fournisseur Étoile %1").arg(i % 977),
                 QStringLiteral("Saint-Étienne"), QStringLiteral("%1").arg(10000 + i % 89999),
                 QStringLiteral("%1 rue de la République").arg(i % 300), i % 1000, i * 7, i + 1,
                 i * 0.25 + 0.1, (i % 10000) * 1.5, day.addDays(i % 3650),
                 QTime(i % 24, i % 60, (i * 7) % 60),
                 QDateTime(day.addDays(i % 700), QTime(i % 24, (i * 3) % 60, i % 60)), i % 3 == 0,
                 QStringLiteral("%1.%2").arg(i % 500).arg(i % 100)});
        writer.Close();
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        std::fprintf(stderr, "Impossible de renommer la table construite.\n");
        std::exit(1);
    }
    std::printf("  construite en %.1f s\n", static_cast<double>(timer.elapsed()) / 1000.0);
}

// Seconds of processor time used by this process: on a shared machine the elapsed time also
// counts the waits for a free core, so both are shown.
double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Timing
{
    double elapsed = 1e30; // seconds, best of three
    double cpu = 1e30;     // seconds of processor time, best of three
};

Timing Best(const std::function<void()>& run)
{
    Timing best;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuSeconds();
        run();
        best.cpu = std::min(best.cpu, CpuSeconds() - cpuStart);
        best.elapsed = std::min(best.elapsed, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

void Print(const char* what, const Timing& t, int rows)
{
    std::printf("  %-42s : %8.3f s écoulées, %8.3f s processeur (%9.0f lignes/s processeur)\n",
                what, t.elapsed, t.cpu, rows / t.cpu);
}

Timing ScanWithLayer(const QString& folder, int rows)
{
    return Best([&] {
        TTable table(folder, TableName(rows));
        table.Open();
        qsizetype characters = 0;
        int seen = 0;
        for (table.First(); !table.Eof(); table.Next(), ++seen)
            for (int i = 0; i < table.FieldCount(); ++i)
                characters += table.Fields(i).AsString().size();
        if (seen != rows || characters == 0) {
            std::fprintf(stderr, "Lecture incomplète : %d lignes sur %d.\n", seen, rows);
            std::exit(1);
        }
    });
}

Timing ScanWithPxlib(const QString& folder, int rows)
{
    return Best([&] {
        unsigned long checksum = 0;
        const int fetched =
            PxlibFetchAllRecords(folder + QLatin1Char('/') + TableName(rows), checksum);
        if (fetched != rows || checksum == 0) {
            std::fprintf(stderr, "pxlib n'a lu que %d lignes sur %d.\n", fetched, rows);
            std::exit(1);
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp/cordalis-bench");
    int rows = 200000;
    bool linearity = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--dossier") && i + 1 < args.size())
            folder = args[++i];
        else if (args[i] == QLatin1String("--lignes") && i + 1 < args.size())
            rows = args[++i].toInt();
        else if (args[i] == QLatin1String("--linearite"))
            linearity = true;
        else {
            std::fprintf(stderr, "Usage : table_scan [--dossier DIR] [--lignes N] [--linearite]\n");
            return 2;
        }
    }
    if (rows <= 0 || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "Nombre de lignes ou dossier invalide.\n");
        return 2;
    }

    try {
        Build(folder, rows);
        const Timing ours = ScanWithLayer(folder, rows);
        const Timing pxlib = ScanWithPxlib(folder, rows);
        std::printf("%d lignes x %lld champs (meilleur de trois passages)\n", rows,
                    static_cast<long long>(kColumns.size()));
        Print("couche des tables, chaque champ en texte", ours, rows);
        Print("pxlib, lecture brute PX_get_record2", pxlib, rows);
        std::printf("  rapport couche / pxlib : %.2f en temps processeur, %.2f en temps écoulé "
                    "(objectif <= 1)\n",
                    ours.cpu / pxlib.cpu, ours.elapsed / pxlib.elapsed);

        if (linearity) {
            const int big = 1000000;
            Build(folder, big);
            const Timing large = ScanWithLayer(folder, big);
            std::printf("%d lignes\n", big);
            Print("couche des tables, chaque champ en texte", large, big);
            std::printf("  temps par ligne, %d lignes / %d lignes : %.2f en temps processeur, %.2f "
                        "en temps écoulé (linéaire : environ 1)\n",
                        big, rows, (large.cpu / big) / (ours.cpu / rows),
                        (large.elapsed / big) / (ours.elapsed / rows));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
