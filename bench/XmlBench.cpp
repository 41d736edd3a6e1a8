// Builds, saves, loads and reads back an export-sized document (100,000 "Ligne" elements of
// 15 attributes) through the XML wrapper, and prints each step's time as a ratio to a
// reference measured in the same run: writing the same texts into one UTF-8 buffer, the
// least any serialisation must do.
#include "TNativeXmlQLF.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kAttributes = 15;

QString ValueOf(int row, int attribute)
{
    if (attribute % 3 == 0)
        return QString::number(row * 31 + attribute);
    return QStringLiteral("Libellé %1 – remise été n°%2").arg(row).arg(attribute);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP"));
    const QString path = dir.filePath(QStringLiteral("bench.xml"));
    QStringList names;
    for (int a = 0; a < kAttributes; ++a)
        names << QStringLiteral("Champ%1").arg(a);

    // The texts are made beforehand: only the wrapper's own work is timed.
    std::vector<QString> values;
    values.reserve(size_t(kRows) * kAttributes);
    for (int row = 0; row < kRows; ++row) {
        for (int a = 0; a < kAttributes; ++a)
            values.push_back(ValueOf(row, a));
    }

    QElapsedTimer timer;
    timer.start();
    QByteArray reference;
    reference.reserve(64 * 1024 * 1024);
    for (int row = 0; row < kRows; ++row) {
        reference += "<Ligne";
        for (int a = 0; a < kAttributes; ++a) {
            reference += ' ';
            reference += names[a].toUtf8();
            reference += "=\"";
            reference += values[size_t(row) * kAttributes + a].toUtf8();
            reference += '"';
        }
        reference += "/>\n";
    }
    const double referenceMs = std::max<qint64>(timer.nsecsElapsed(), 1) / 1e6;

    TNativeXmlQLF doc(QStringLiteral("remise_achat"), &app);
    timer.restart();
    for (int row = 0; row < kRows; ++row) {
        auto ligne = doc.Root()->AddChild(QStringLiteral("Ligne"));
        for (int a = 0; a < kAttributes; ++a) {
            if (a % 3 == 0)
                ligne->SetAttribute(names[a], row * 31 + a);
            else
                ligne->SetAttribute(names[a], values[size_t(row) * kAttributes + a]);
        }
    }
    const double buildMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    doc.SaveToFile(path);
    const double saveMs = timer.nsecsElapsed() / 1e6;

    TNativeXmlQLF loaded(QStringLiteral("remise_achat"), &app);
    timer.restart();
    loaded.LoadFromFile(path);
    const double loadMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    TXMLNodeListQLF lignes;
    loaded.Root()->ChildrenByName(QStringLiteral("Ligne"), lignes);
    qint64 checksum = 0;
    for (int i = 0; i < lignes.Count(); ++i) {
        for (int a = 0; a < kAttributes; ++a)
            checksum += lignes.NodeAt(i)->ReadAttribute(names[a], QString()).size();
    }
    const double readMs = timer.nsecsElapsed() / 1e6;

    std::printf("reference (texts into one UTF-8 buffer): %.0f ms\n", referenceMs);
    std::printf("build  %6.0f ms  ratio %.1f\n", buildMs, buildMs / referenceMs);
    std::printf("save   %6.0f ms  ratio %.1f\n", saveMs, saveMs / referenceMs);
    std::printf("load   %6.0f ms  ratio %.1f\n", loadMs, loadMs / referenceMs);
    std::printf("read   %6.0f ms  ratio %.1f  (%d rows, checksum %lld)\n", readMs,
                readMs / referenceMs, lignes.Count(), static_cast<long long>(checksum));
    return lignes.Count() == kRows ? 0 : 1;
}
