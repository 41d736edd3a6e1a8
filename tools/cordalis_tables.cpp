// cordalis-tables: shows what Cordalis reads from the head-office tables.
//
//   cordalis-tables [--page-de-codes N] <dossier des tables | Cordalis.ini>
//       lists every table (.DB) of the folder with its record count and its fields;
//   cordalis-tables [--page-de-codes N] <dossier des tables | Cordalis.ini> <TABLE.DB>
//       writes the table as CSV (UTF-8, ';' between values, CR LF after each row) on the
//       standard output: one header row of field names, then one row per record, NULL as an
//       empty cell, memos whole and quoted.
//
// Given a Cordalis.ini, the folder is the one its alias QuillfenAdministration names.

#include "AliasFolder.h"
#include "Errors.h"
#include "TTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

const char* KindName(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Alpha:
        return "Alpha";
    case FieldKind::Short:
        return "Short";
    case FieldKind::Long:
        return "Long";
    case FieldKind::AutoInc:
        return "AutoInc";
    case FieldKind::Number:
        return "Number";
    case FieldKind::Money:
        return "Money";
    case FieldKind::BCD:
        return "BCD";
    case FieldKind::Date:
        return "Date";
    case FieldKind::Time:
        return "Time";
    case FieldKind::Timestamp:
        return "Timestamp";
    case FieldKind::Logical:
        return "Logical";
    case FieldKind::Bytes:
        return "Bytes";
    case FieldKind::Memo:
        return "Memo";
    case FieldKind::FmtMemo:
        return "FmtMemo";
    case FieldKind::Binary:
        return "Binary";
    case FieldKind::OLE:
        return "OLE";
    case FieldKind::Graphic:
        return "Graphic";
    }
    return "?";
}

bool IsMemo(FieldKind kind)
{
    return kind == FieldKind::Memo || kind == FieldKind::FmtMemo;
}

class Output
{
public:
    Output() { out_.open(stdout, QIODevice::WriteOnly); }
    void Write(const QString& text) { out_.write(text.toUtf8()); }

private:
    QFile out_;
};

void Error(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fputs("\n", stderr);
}

QString CsvCell(const QString& value, bool alwaysQuote)
{
    const bool quote = alwaysQuote || value.contains(QLatin1Char(';')) ||
                       value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('\n')) ||
                       value.contains(QLatin1Char('\r'));
    if (!quote)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The table files of the folder, by name.
QStringList TableFiles(const QString& folder)
{
    QStringList tables;
    const QStringList entries = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& entry : entries)
        if (entry.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            tables << entry;
    return tables;
}

int ListTables(const QString& folder, int codePage)
{
    if (!QFileInfo(folder).isDir()) {
        Error(QStringLiteral("Le dossier des tables « %1 » est introuvable.")
                  .arg(QDir::toNativeSeparators(folder)));
        return 2;
    }
    Output out;
    out.Write(QStringLiteral("Dossier des tables : %1\n").arg(QDir::toNativeSeparators(folder)));
    const QStringList tables = TableFiles(folder);
    if (tables.isEmpty())
        out.Write(QStringLiteral("Aucune table.\n"));
    int failures = 0;
    for (const QString& name : tables) {
        TTable table(folder, name);
        table.SetDefaultCodePage(codePage);
        try {
            table.Open();
            out.Write(QStringLiteral("\n%1 : %2 enregistrement(s), %3 champ(s)\n")
                          .arg(name)
                          .arg(table.RecordCount())
                          .arg(table.FieldCount()));
            for (int i = 0; i < table.FieldCount(); ++i)
                out.Write(QStringLiteral("  %1 (%2)\n")
                              .arg(table.Fields(i).FieldName(),
                                   QLatin1String(KindName(table.Fields(i).Kind()))));
        } catch (const CordalisError& e) {
            ++failures;
            out.Write(QStringLiteral("\n%1 : illisible\n").arg(name));
            Error(e.text());
        }
    }
    return failures == 0 ? 0 : 1;
}

int DumpTable(const QString& folder, const QString& name, int codePage)
{
    TTable table(folder, name);
    table.SetDefaultCodePage(codePage);
    table.Open();
    Output out;
    QStringList cells;
    for (int i = 0; i < table.FieldCount(); ++i)
        cells << CsvCell(table.Fields(i).FieldName(), false);
    out.Write(cells.join(QLatin1Char(';')) + QStringLiteral("\r\n"));
    for (table.First(); !table.Eof(); table.Next()) {
        cells.clear();
        for (int i = 0; i < table.FieldCount(); ++i) {
            const TField& field = table.Fields(i);
            cells << (field.IsNull() ? QString() : CsvCell(field.AsString(), IsMemo(field.Kind())));
        }
        out.Write(cells.join(QLatin1Char(';')) + QStringLiteral("\r\n"));
    }
    table.Close();
    return 0;
}

void Usage()
{
    Error(QStringLiteral(
        "Usage : cordalis-tables [--page-de-codes N] <dossier des tables | Cordalis.ini> "
        "[TABLE.DB]\n"
        "  sans table : liste les tables avec leur nombre d'enregistrements et leurs champs ;\n"
        "  avec une table : l'écrit en CSV sur la sortie standard.\n"
        "  --page-de-codes N : page de codes des tables qui n'en indiquent pas (1252 par "
        "défaut)."));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int codePage = 1252;
    const qsizetype option = args.indexOf(QStringLiteral("--page-de-codes"));
    if (option >= 0) {
        bool ok = false;
        codePage = option + 1 < args.size() ? args.at(option + 1).toInt(&ok) : 0;
        if (!ok || codePage <= 0) {
            Error(
                QStringLiteral("La page de codes doit être un nombre positif, par exemple 1252."));
            return 2;
        }
        args.remove(option, 2);
    }
    if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1Char('-'))) {
        Usage();
        return 2;
    }
    QString folder = args.first();
    const QFileInfo source(folder);
    if (source.isFile())
        folder = AliasFolder(source.absoluteFilePath(), source.absolutePath() + QLatin1Char('/'));
    else if (!source.exists()) {
        Error(QStringLiteral("« %1 » n'existe pas : donnez le dossier des tables ou le fichier "
                             "Cordalis.ini.")
                  .arg(QDir::toNativeSeparators(folder)));
        return 2;
    }
    try {
        if (args.size() == 1)
            return ListTables(folder, codePage);
        return DumpTable(folder, args.at(1), codePage);
    } catch (const CordalisError& e) {
        Error(e.text());
        return 1;
    }
}
