// Writes the seed tables of fuzz_paradox: small tables of every field kind, with and without
// a memo file, in the input layout the fuzzer reads (.DB, then "--MB--\n" and the .MB).
// Usage: fuzz_make_paradox_seeds <output folder>
#include "ParadoxWriter.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <cstdio>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Save(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir dir;

    struct Seed
    {
        const char* name;
        QList<ParadoxColumn> columns;
        QList<QVariantList> rows;
        int codePage;
    };
    const Seed seeds[] = {
        {"remises",
         {{"Client", FieldKind::Alpha, 10},
          {"Type", FieldKind::Short},
          {"Taux", FieldKind::Number}},
         {{"C1", 2, 1.5}, {"Société", -3, -0.25}, {QVariant(), QVariant(), QVariant()}},
         1252},
        {"kinds",
         {{"L", FieldKind::Long},
          {"A", FieldKind::AutoInc},
          {"M", FieldKind::Money},
          {"B", FieldKind::BCD, 2},
          {"D", FieldKind::Date},
          {"T", FieldKind::Time},
          {"S", FieldKind::Timestamp},
          {"O", FieldKind::Logical},
          {"Y", FieldKind::Bytes, 4}},
         {{2147483647, 1, 12.34, "-123.45", QDate(2020, 5, 27), QTime(14, 3, 9),
           QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), true, QByteArray("\x01\x02", 2)},
          {-5, 2, -0.01, "0", QDate(1, 1, 1), QTime(0, 0), QDateTime(), false, QByteArray()}},
         1252},
        {"memo",
         {{"Code", FieldKind::Alpha, 4},
          {"Note", FieldKind::Memo, 12},
          {"Fmt", FieldKind::FmtMemo, 10},
          {"Bin", FieldKind::Binary, 10}},
         {{"a", "court", QVariant(), QByteArray("xy")},
          {"b", QString(300, QLatin1Char('m')), QString("ligne 1\r\nligne 2"),
           QByteArray(200, '\x7f')}},
         1252},
        {"dos", {{"Nom", FieldKind::Alpha, 8}}, {{"abc"}}, 0},
    };
    for (const Seed& seed : seeds) {
        const QString db = dir.filePath(QStringLiteral("%1.DB").arg(seed.name));
        {
            ParadoxWriter writer(db, seed.columns, seed.codePage);
            for (const QVariantList& row : seed.rows)
                writer.AddRow(row);
            writer.Close();
        }
        QByteArray input = ReadAll(db);
        const QString mb = dir.filePath(QStringLiteral("%1.MB").arg(seed.name));
        if (QFile::exists(mb))
            input += QByteArray("--MB--\n") + ReadAll(mb);
        if (!Save(out + QStringLiteral("/%1.bin").arg(seed.name), input))
            return 1;
    }
    return 0;
}
