// Measures the purchase-conditions export against a plain sequential read of the same
// REMISES.DB through the table layer, in one run.
//
//   export_bench [--export-seul] [folder]      (default: /tmp/cordalis-export-bench)
//
// The first run builds the head office there with pxlib (REMISES.DB of 200,000 rows, FOURNIS.DB
// of 2,000 suppliers, a settings file excluding 50 of them): pxlib writes a few thousand rows a
// second, so this takes minutes; later runs reuse it. Goals: export time at most 4 times the
// plain read, peak memory at most 600 MB.

#include "Exports.h"
#include "HeadOfficeFixtures.h"
#include "ParadoxWriter.h"
#include "TTable.h"
#include "TablesSiege.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <sys/resource.h>

namespace {

constexpr int kRemises = 200'000;
constexpr int kFournisseurs = 2'000;
constexpr int kExclus = 50;

// Two-character supplier codes, as FOURNIS.DB holds them.
QString Code(int n)
{
    static const char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return QString(QLatin1Char(alphabet[(n / 62) % 62])) + QLatin1Char(alphabet[n % 62]);
}

void Construire(const QString& dossier)
{
    std::printf("Construction de la base de mesure dans %s (une seule fois)...\n",
                qPrintable(dossier));
    std::fflush(stdout);
    QDir().mkpath(dossier + QStringLiteral("preparer"));

    QStringList codes;
    for (int i = 0; i < kFournisseurs; ++i)
        codes << Code(i);
    WriteFournis(dossier + QStringLiteral("FOURNIS.DB"), codes);

    QByteArray ini = "[Cordalis]\r\nRemise_Achat=1\r\n[Cordalis_FNS_Exclu]\r\n";
    for (int i = 0; i < kExclus; ++i)
        ini += QStringLiteral("Fournisseur%1=%2\r\n").arg(i).arg(Code(i * 37)).toLatin1();
    QFile fichierIni(dossier + QStringLiteral("Cordalis.ini"));
    if (!fichierIni.open(QIODevice::WriteOnly) || fichierIni.write(ini) != ini.size())
        throw std::runtime_error("cannot write Cordalis.ini");
    fichierIni.close();

    QRandomGenerator aleas(20260101);
    ParadoxWriter remises(dossier + QStringLiteral("REMISES.DB"), RemisesColumns());
    for (int i = 0; i < kRemises; ++i) {
        // Half general conditions of type 2 (a few of unknown suppliers: codes past the
        // table's), the rest tied to a client or of another type.
        const bool generale = i % 2 == 0;
        const QString fournisseur = Code(aleas.bounded(kFournisseurs + kFournisseurs / 20));
        QVariant client;
        int type = 2;
        if (!generale) {
            if (aleas.bounded(2) == 0)
                client = QStringLiteral("C%1").arg(aleas.bounded(100000), 5, 10, QLatin1Char('0'));
            else
                type = 1 + 2 * static_cast<int>(aleas.bounded(2));
        }
        remises.AddRow({fournisseur, client, type, QStringLiteral("FA"),
                        QStringLiteral("M%1").arg(i % 10),
                        QStringLiteral("Remise spéciale n° %1 – été").arg(i),
                        static_cast<double>(aleas.bounded(5000)) / 100.0,
                        i % 3 == 0 ? QVariant() : QVariant(2.5), 150.0,
                        QDate(2026, 1, 1).addDays(i % 365), QVariant(),
                        i % 5 == 0 ? QVariant(QStringLiteral("Conditions négociées\r\nvalables "
                                                             "jusqu'à nouvel ordre"))
                                   : QVariant()});
        if ((i + 1) % 20000 == 0) {
            std::printf("  %d lignes\n", i + 1);
            std::fflush(stdout);
        }
    }
    remises.Close();

    QFile marque(dossier + QStringLiteral("complet"));
    marque.open(QIODevice::WriteOnly);
}

double LectureSimple(const QString& dossier, qint64& caracteres)
{
    QElapsedTimer chrono;
    chrono.start();
    TTable table(dossier, QStringLiteral("REMISES.DB"));
    table.Open();
    const int champs = table.FieldCount();
    for (table.First(); !table.Eof(); table.Next()) {
        for (int i = 0; i < champs; ++i)
            caracteres += table.Fields(i).AsString().size();
    }
    table.Close();
    return chrono.nsecsElapsed() / 1e9;
}

class VueMesure : public VueGeneration
{
public:
    void CacherImages() override {}
    void FixerPosition(int) override {}
    void FixerMaximum(int) override {}
    void Avancer() override {}
    void TraiterMessages() override { QCoreApplication::processEvents(); }
    void AfficherGenererOui() override {}
};

double Export(const QString& dossier)
{
    TTable remise(dossier, QStringLiteral("REMISES.DB"));
    TTable fns(dossier, QStringLiteral("FOURNIS.DB"), FournisFields());
    ContexteExport contexte;
    contexte.DossierPreparation = dossier + QStringLiteral("preparer/");
    contexte.FichierIni = dossier + QStringLiteral("Cordalis.ini");
    contexte.Tables.Remise = &remise;
    contexte.Tables.Fns = &fns;
    contexte.Proprietaire = QCoreApplication::instance();
    VueMesure vue;
    QElapsedTimer chrono;
    chrono.start();
    GenererRemiseAchat(contexte, vue);
    return chrono.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // --export-seul: only the export, once (for a profiler).
    bool exportSeul = false;
    QString dossier = QStringLiteral("/tmp/cordalis-export-bench");
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--export-seul") == 0)
            exportSeul = true;
        else
            dossier = QString::fromLocal8Bit(argv[i]);
    }
    dossier = QDir(dossier).absolutePath() + QLatin1Char('/');
    try {
        if (!QFileInfo::exists(dossier + QStringLiteral("complet")))
            Construire(dossier);

        if (exportSeul) {
            std::printf("export: %.3f s\n", Export(dossier));
            return 0;
        }
        // Reads and exports alternate, and the best time of each counts: a machine shared with
        // other work slows some runs, and the ratio should not depend on which.
        qint64 caracteres = 0;
        double lecture = LectureSimple(dossier, caracteres);
        double exportation = Export(dossier);
        lecture = std::min(lecture, LectureSimple(dossier, caracteres));
        exportation = std::min(exportation, Export(dossier));
        lecture = std::min(lecture, LectureSimple(dossier, caracteres));

        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const QFileInfo resultat(dossier + QStringLiteral("preparer/remise_achat.xml"));
        std::printf("REMISES.DB: %d lignes, FOURNIS.DB: %d fournisseurs, %d exclus\n", kRemises,
                    kFournisseurs, kExclus);
        std::printf("lecture simple (tous les champs en texte): %.3f s\n", lecture);
        std::printf("export remise_achat.xml:                   %.3f s (%.1f Mo écrits)\n",
                    exportation, resultat.size() / 1e6);
        std::printf("rapport export / lecture:                  %.2f (objectif <= 4)\n",
                    exportation / lecture);
        std::printf("débit de l'export:                         %.0f lignes/s\n",
                    kRemises / exportation);
        std::printf("mémoire maximale:                          %.1f Mo (objectif <= 600)\n",
                    usage.ru_maxrss / 1024.0);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "export_bench: %s\n", e.what());
        return 1;
    }
}
