#pragma once

#include "FileIdentity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Read-only access to one head-office Paradox table (.DB with its .MB memo file), read by
// our own reader of the format. Opening validates the header and the block chain before a
// single record is read; every error is a TableError whose French text names the table.
//
// Usage mirrors the data-set component the exports were designed on:
//   TTable t(folder, "REMISES.DB");
//   t.Open();
//   for (t.First(); !t.Eof(); t.Next()) { ... t.FieldByName("Type").AsInteger() ... }
//   t.Close();

class ParadoxFile; // the opened .DB/.MB pair, internal to the table layer

// A file an open table reads, as the table layer found it in the table's folder.
struct TableSourceFile
{
    QString path;
    // False when the file was found under another letter case than the name asked for: the
    // folder's entries then decide which file a later opening takes.
    bool exactName = true;
    // The file actually opened (not whatever the path names by now).
    FileIdentity identity;
};

enum class FieldKind
{
    Alpha,
    Short,
    Long,
    AutoInc,
    Number,
    Money,
    BCD,
    Date,
    Time,
    Timestamp,
    Logical,
    Bytes,
    Memo,
    FmtMemo,
    Binary,
    OLE,
    Graphic
};

// One field of the current record. Valid while its table stays open.
class TField
{
public:
    QString FieldName() const;
    FieldKind Kind() const;
    bool IsNull() const;
    // Text form: alpha and memo text decoded from the table's code page; other kinds in the
    // regional text forms (integers in decimal, numbers in shortest general form with the
    // locale's decimal separator, money with two decimals, short date, long time, timestamp
    // as date then time, True/False). Bytes and binary, OLE and graphic blobs come as
    // upper-case hexadecimal (a graphic without its 8-byte header). NULL gives an empty text.
    // A damaged memo pointer throws TableError for this value only.
    QString AsString() const;
    // The text form in windows-1252 bytes (a character outside it becomes '?').
    QByteArray AsAnsiString() const;
    // NULL gives 0. Integer kinds give their value, logical 0 or 1, numbers, money and BCD
    // rounded to the nearest integer; a text (blanks around it allowed) that is not an
    // integer, a date, a time or bytes throw ConvertError.
    int AsInteger() const;

private:
    friend class TTable;
    friend class ParadoxFile;
    TField(ParadoxFile* file, int column) : file_(file), column_(column) {}
    ParadoxFile* file_;
    int column_; // column in the table file
};

class TTable
{
public:
    // folder: the alias folder holding the tables; tableName: e.g. "REMISES.DB", matched
    // without regard to letter case. fixedFields: the field list the program fixes for this
    // table (empty = every field of the table, in its order). With a fixed list, Fields()
    // exposes exactly those fields in that order and Open() fails when the table lacks one.
    TTable(QString folder, QString tableName, QStringList fixedFields = {});
    ~TTable();
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    QString TableName() const { return tableName_; }
    QString Folder() const { return folder_; }

    bool Active() const;
    void Open();
    void Close();

    void First();
    void Next();
    bool Eof() const;
    int RecordCount() const;
    // The current record's number in the table's natural order, from 1 (0 on an empty
    // table): with the key values, what lets the head office find a record again.
    int RecNo() const;

    int FieldCount() const;
    // Throws TableError when the table is closed or the index is out of range.
    TField& Fields(int index);
    // Throws TableError naming the table and the field when the table lacks it.
    TField& FieldByName(const QString& name);

    // The fields of the table's primary key (its first fields in the file, whether or not
    // the fixed field list holds them); none for a table without a key.
    int KeyFieldCount() const;
    TField KeyField(int index) const;

    // The files the open table reads: its .DB file, then its .MB file when it has memo fields.
    // Empty while the table is closed.
    std::vector<TableSourceFile> SourceFiles() const;

    // Code page used when the table's header says 0 (Paradox 3.x). Default 1252.
    void SetDefaultCodePage(int codePage) { defaultCodePage_ = codePage; }

private:
    void RequireOpen() const; // throws TableError naming the table when it is closed

    QString folder_;
    QString tableName_;
    QStringList fixedFields_;
    int defaultCodePage_ = 1252;
    std::unique_ptr<ParadoxFile> file_;
    std::vector<TField> fields_;
};

// Closes a table when it goes out of scope, also when the scope ends on an error, so that a
// failed action never leaves a head office table open behind it. An error while closing is
// swallowed: closing only releases the files, and the error that ended the action matters more.
class FermetureTable
{
public:
    explicit FermetureTable(TTable& table) : table_(table) {}
    ~FermetureTable()
    {
        try {
            if (table_.Active())
                table_.Close();
        } catch (...) {
        }
    }
    FermetureTable(const FermetureTable&) = delete;
    FermetureTable& operator=(const FermetureTable&) = delete;

private:
    TTable& table_;
};
