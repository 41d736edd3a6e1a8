#pragma once

#include "CodePage.h"
#include "TTable.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

// One opened Paradox table: the .DB file (and its .MB memo file when the table has blob
// fields), opened for reading only. The constructor reads and checks the header and the
// whole block chain before any record is read, so a corrupt table fails at once with a
// TableError naming the table and the reason. Records are then walked block by block in the
// chain's order, each record in constant time.
class ParadoxFile
{
public:
    struct Field
    {
        QString name;
        FieldKind kind;
        int offset = 0;   // in the record
        int size = 0;     // in the record
        int decimals = 0; // BCD only
    };

    // folder: where to look for the table; fileName: its name, matched without regard to
    // ASCII case (an exact match wins; two names differing only in case are an error).
    // defaultCodePage: used when the header says 0.
    ParadoxFile(const QString& folder, const QString& fileName, int defaultCodePage);
    ~ParadoxFile();
    ParadoxFile(const ParadoxFile&) = delete;
    ParadoxFile& operator=(const ParadoxFile&) = delete;

    // The name the caller asked for, used in every message.
    const QString& TableName() const { return tableName_; }
    const std::vector<Field>& Fields() const { return fields_; }
    int RecordCount() const { return recordCount_; }
    // The number of leading fields that form the table's primary key; 0 without one.
    int KeyFieldCount() const { return keyFieldCount_; }
    int CodePageNumber() const { return text_->Number(); }

    // Walk: First() moves to the first record; Next() to the following one. At the end Eof()
    // turns true and the last record stays current. On an empty table every field is NULL.
    void First();
    void Next();
    bool Eof() const { return eof_; }
    // The current record's position in the walk, from 1; 0 on an empty table.
    int RecordNumber() const { return recordNumber_; }

    // The current record's bytes (RecordSize() of them).
    const unsigned char* Record() const { return record_; }

    // Field values of the current record.
    bool IsNull(const Field& field) const;
    QString Text(const Field& field) const;
    // Integer kinds, logical (0/1), rounded numbers; text parsed. Throws ConvertError.
    int Integer(const Field& field) const;

    // The files read: the .DB file, then the .MB file when the table has one.
    const std::vector<TableSourceFile>& SourceFiles() const { return sourceFiles_; }

    // Builds the text of an error about this table.
    [[noreturn]] void Fail(const QString& reason) const;

private:
    struct Block
    {
        qint64 offset; // of the block in the .DB file
        int count;     // records in it (at least one)
    };

    void ReadHeader(const QByteArray& header);
    void ReadFieldNames(const QByteArray& header, int namesStart);
    void WalkChain(int firstBlock);
    void OpenMemoFile(const QString& folder, const QString& dbName);
    void LoadBlock(size_t index);

    struct TextCache
    {
        struct Entry
        {
            qint64 key = 0;
            bool used = false;
            QString text;
        };
        std::array<Entry, 256> entries;
    };
    QString CachedText(TextCache& cache, qint64 key, const std::function<QString()>& make) const;

    QByteArray BlobBytes(const Field& field, const unsigned char* p) const;
    QString NumberText(double value) const;
    QString BcdText(const Field& field, const unsigned char* p) const;
    QString DateText(qint32 days) const;

    QString tableName_;
    QString path_;
    mutable QFile db_;
    mutable QFile mb_;
    bool hasMemoFile_ = false;
    std::vector<TableSourceFile> sourceFiles_;
    std::unique_ptr<CodePage> text_;

    int recordSize_ = 0;
    int headerSize_ = 0;
    int blockSize_ = 0;
    int recordCount_ = 0;
    int fileVersion_ = 0;
    int keyFieldCount_ = 0;
    std::vector<Field> fields_;
    std::vector<Block> blocks_;

    QString decimalPoint_;
    mutable TextCache dates_, times_, timestamps_;

    // The walk.
    QByteArray blockData_;
    QByteArray emptyRecord_;
    const unsigned char* record_ = nullptr;
    size_t blockIndex_ = 0;
    int rowInBlock_ = 0;
    int recordNumber_ = 0;
    bool eof_ = true;
};
