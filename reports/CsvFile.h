#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The CSV files the head office's spreadsheets read: no header, one record per line, each
// field followed by ';', the line ended by CR LF, nothing quoted (a field's own line breaks
// stay bare LF). Windows-1252 without a byte-order mark, a character outside it becoming
// '?'; or UTF-8 without a byte-order mark, for tools that read it.
enum class CsvEncoding
{
    Windows1252,
    Utf8,
};

QByteArray CsvText(const std::vector<QStringList>& records, CsvEncoding encoding);

// Writes the bytes, replacing the file whole only once everything is written. Throws
// CordalisError with a French text when the file cannot be written.
void WriteCsvFile(const QString& file, const QByteArray& bytes);
