// The table reader on any bytes: the input is written as REMISES.DB, or, when it holds the
// separator line "--MB--\n", the part before it as REMISES.DB and the part after as
// REMISES.MB. Opening and scanning every value either works or throws a table error.
#include "FuzzSupport.h"
#include "TTable.h"

#include "Errors.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QByteArray separator("--MB--\n");
    const qsizetype cut = input.indexOf(separator);
    const QByteArray db = cut < 0 ? input : input.left(cut);
    WriteFuzzFile(QStringLiteral("REMISES.DB"), db.constData(), size_t(db.size()));
    const QString memo = FuzzFolder() + QStringLiteral("/REMISES.MB");
    if (cut < 0) {
        QFile::remove(memo);
    } else {
        const QByteArray mb = input.mid(cut + separator.size());
        WriteFuzzFile(QStringLiteral("REMISES.MB"), mb.constData(), size_t(mb.size()));
    }

    TTable table(FuzzFolder(), QStringLiteral("REMISES.DB"));
    qsizetype sink = 0;
    try {
        table.Open();
        sink += table.RecordCount();
        for (table.First(); !table.Eof(); table.Next()) {
            for (int i = 0; i < table.FieldCount(); ++i) {
                TField& field = table.Fields(i);
                try {
                    sink += field.IsNull();
                    sink += field.AsString().size();
                    sink += field.AsAnsiString().size();
                    sink += field.AsInteger();
                } catch (const CordalisError&) {
                    // One bad value (damaged memo, text that is not a number) is reported
                    // for that value only.
                }
            }
        }
        table.Close();
    } catch (const TableError&) {
    }
    return sink == -1 ? 1 : 0;
}
