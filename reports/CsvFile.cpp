#include "CsvFile.h"

#include "AtomicFile.h"
#include "CodePage.h"
#include "Errors.h"

#include <QDir>

QByteArray CsvText(const std::vector<QStringList>& records, CsvEncoding encoding)
{
    const CodePage windows1252(1252);
    QByteArray bytes;
    for (const QStringList& record : records) {
        QString line;
        for (const QString& field : record)
            line += field + QLatin1Char(';');
        bytes += encoding == CsvEncoding::Utf8 ? line.toUtf8() : windows1252.Encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

void WriteCsvFile(const QString& file, const QByteArray& bytes)
{
    QString raison;
    if (!WriteFileAtomically(file, bytes, &raison))
        throw CordalisError(QStringLiteral("Impossible d'écrire le fichier ") +
                            QDir::toNativeSeparators(file) + QStringLiteral(" : ") + raison);
}
