#pragma once

#include "ParadoxTable.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

// Writes Paradox tables (.DB, with a .MB memo file when a column needs one) through pxlib, for
// test fixtures, benchmarks and the demo head office. The table layer of the program never
// uses it: it reads what this writes, as it reads tables written by other programs.
//
//   ParadoxWriter w(dir + "/REMISES.DB", {{"Client", FieldKind::Alpha, 10},
//                                         {"Type", FieldKind::Short},
//                                         {"Note", FieldKind::Memo, 20}});
//   w.AddRow({"C1", 2, "ligne 1\r\nligne 2"});
//   w.AddRow({QVariant(), QVariant(), QVariant()});   // a row of NULLs
//   w.Close();                                        // also done by the destructor
//
// Values per kind (a null QVariant, or a missing trailing value, writes NULL):
//   Alpha, Memo, FmtMemo      QString (encoded in the table's text code page)
//   Short, Long, AutoInc      int
//   Number, Money             double
//   BCD                       QString such as "-123.45" (digits, optional sign and '.')
//   Date                      QDate;  Time: QTime (whole seconds);  Timestamp: QDateTime
//   Logical                   bool
//   Bytes, Binary, OLE        QByteArray
//   Graphic                   QByteArray: 8 bytes of graphic header, then the image file
// An empty text is stored as zeros, which Paradox reads back as NULL.
//
// Errors (a bad column, a value of the wrong type, a pxlib failure) throw std::runtime_error.
// Writing runs at about ten thousand rows per second: build big tables once and keep them.

struct ParadoxColumn
{
    QString name;
    FieldKind kind;
    // Alpha and Bytes: the size, 1 to 255. Memo kinds: the size in the record, 10 to 250
    // (data up to size - 10 bytes stays in the record). BCD: the number of decimals, 0 to 32.
    // Other kinds have a fixed size: leave 0.
    int length = 0;
};

class ParadoxWriter
{
public:
    // path: the .DB file to create (replaced when it exists); the memo file sits beside it
    // with the extension .MB (.mb for a lower-case .db). codePage: written in the header
    // (0 for a Paradox 3.x-like table); textCodePage: the encoding of the text actually
    // written, by default the header's (1252 when the header says 0).
    ParadoxWriter(const QString& path, const QList<ParadoxColumn>& columns, int codePage = 1252,
                  int textCodePage = -1);
    ~ParadoxWriter();
    ParadoxWriter(const ParadoxWriter&) = delete;
    ParadoxWriter& operator=(const ParadoxWriter&) = delete;

    void AddRow(const QVariantList& values);
    // Finishes both files. Further rows are refused.
    void Close();

    // The path of the memo file, whether or not a column needs it.
    static QString MemoPath(const QString& tablePath);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Writes a whole table in one call.
void WriteParadoxTable(const QString& path, const QList<ParadoxColumn>& columns,
                       const QList<QVariantList>& rows, int codePage = 1252);
