#include "ParadoxWriter.h"

#include "CodePage.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTime>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

namespace {

char PxType(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Alpha:
        return pxfAlpha;
    case FieldKind::Short:
        return pxfShort;
    case FieldKind::Long:
        return pxfLong;
    case FieldKind::AutoInc:
        return pxfAutoInc;
    case FieldKind::Number:
        return pxfNumber;
    case FieldKind::Money:
        return pxfCurrency;
    case FieldKind::BCD:
        return pxfBCD;
    case FieldKind::Date:
        return pxfDate;
    case FieldKind::Time:
        return pxfTime;
    case FieldKind::Timestamp:
        return pxfTimestamp;
    case FieldKind::Logical:
        return pxfLogical;
    case FieldKind::Bytes:
        return pxfBytes;
    case FieldKind::Memo:
        return pxfMemoBLOb;
    case FieldKind::FmtMemo:
        return pxfFmtMemoBLOb;
    case FieldKind::Binary:
        return pxfBLOb;
    case FieldKind::OLE:
        return pxfOLE;
    case FieldKind::Graphic:
        return pxfGraphic;
    }
    return 0;
}

bool IsBlob(FieldKind kind)
{
    return kind == FieldKind::Memo || kind == FieldKind::FmtMemo || kind == FieldKind::Binary ||
           kind == FieldKind::OLE || kind == FieldKind::Graphic;
}

// Size of the field in the record.
int RecordSize(const ParadoxColumn& c)
{
    switch (c.kind) {
    case FieldKind::Alpha:
    case FieldKind::Bytes:
        if (c.length < 1 || c.length > 255)
            throw std::runtime_error("ParadoxWriter: bad length for " + c.name.toStdString());
        return c.length;
    case FieldKind::Short:
        return 2;
    case FieldKind::Long:
    case FieldKind::AutoInc:
    case FieldKind::Date:
    case FieldKind::Time:
        return 4;
    case FieldKind::Number:
    case FieldKind::Money:
    case FieldKind::Timestamp:
        return 8;
    case FieldKind::Logical:
        return 1;
    case FieldKind::BCD:
        if (c.length < 0 || c.length > 32)
            throw std::runtime_error("ParadoxWriter: bad decimals for " + c.name.toStdString());
        return 17;
    default:
        if (c.length < 10 || c.length > 250)
            throw std::runtime_error("ParadoxWriter: bad length for " + c.name.toStdString());
        return c.length;
    }
}

// The .DB file is built in memory and written out at the end: pxlib seeks and reads back many
// times per record, which through a real file costs hundreds of system calls per row.
struct MemoryFile
{
    std::vector<char> data;
    size_t pos = 0;

    static ssize_t Read(void* cookie, char* buffer, size_t size)
    {
        auto* f = static_cast<MemoryFile*>(cookie);
        const size_t n = f->pos < f->data.size() ? std::min(size, f->data.size() - f->pos) : 0;
        std::memcpy(buffer, f->data.data() + f->pos, n);
        f->pos += n;
        return static_cast<ssize_t>(n);
    }
    static ssize_t Write(void* cookie, const char* buffer, size_t size)
    {
        auto* f = static_cast<MemoryFile*>(cookie);
        if (f->pos + size > f->data.size())
            f->data.resize(f->pos + size);
        std::memcpy(f->data.data() + f->pos, buffer, size);
        f->pos += size;
        return static_cast<ssize_t>(size);
    }
    static int Seek(void* cookie, off64_t* offset, int whence)
    {
        auto* f = static_cast<MemoryFile*>(cookie);
        const off64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? static_cast<off64_t>(f->pos)
                                                  : static_cast<off64_t>(f->data.size());
        if (base + *offset < 0)
            return -1;
        f->pos = static_cast<size_t>(base + *offset);
        *offset = static_cast<off64_t>(f->pos);
        return 0;
    }
    static int Close(void*) { return 0; }

    FILE* Open()
    {
        cookie_io_functions_t io{&MemoryFile::Read, &MemoryFile::Write, &MemoryFile::Seek,
                                 &MemoryFile::Close};
        return fopencookie(this, "w+", io);
    }
};

void ErrorHandler(pxdoc_t*, int, const char* msg, void* data)
{
    auto* last = static_cast<std::string*>(data);
    *last = msg ? msg : "pxlib error";
}

} // namespace

struct ParadoxWriter::Impl
{
    QList<ParadoxColumn> columns;
    std::vector<int> offsets;
    int recordSize = 0;
    std::unique_ptr<CodePage> text;
    pxdoc_t* px = nullptr;
    std::string lastError;
    std::vector<char> record;
    QString path;
    int headerCodePage = 1252;
    MemoryFile memory;
    FILE* stream = nullptr;

    ~Impl()
    {
        try {
            Finish();
        } catch (const std::exception&) {
            // A destructor cannot report it; Close() does.
        }
    }

    void Finish()
    {
        if (!px) {
            if (stream)
                std::fclose(stream);
            stream = nullptr;
            return;
        }
        PX_close(px);
        PX_delete(px);
        px = nullptr;
        std::fclose(stream);
        stream = nullptr;
        // pxlib writes 1252 when asked for 0: clear the code page of the header (at 0x6A)
        // as a Paradox 3.x-like table has none.
        if (headerCodePage == 0 && memory.data.size() > 0x6B)
            memory.data[0x6A] = memory.data[0x6B] = 0;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(memory.data.data(), static_cast<qint64>(memory.data.size())) !=
                static_cast<qint64>(memory.data.size()))
            throw std::runtime_error("ParadoxWriter: cannot write " + path.toStdString());
    }

    [[noreturn]] void Fail(const std::string& what)
    {
        throw std::runtime_error("ParadoxWriter: " + what +
                                 (lastError.empty() ? "" : " (" + lastError + ")"));
    }
};

QString ParadoxWriter::MemoPath(const QString& tablePath)
{
    QString base = tablePath;
    const bool lower = base.endsWith(QLatin1String(".db"));
    if (base.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        base.chop(3);
    return base + (lower ? QStringLiteral(".mb") : QStringLiteral(".MB"));
}

ParadoxWriter::ParadoxWriter(const QString& path, const QList<ParadoxColumn>& columns, int codePage,
                             int textCodePage)
    : impl_(std::make_unique<Impl>())
{
    Impl& d = *impl_;
    if (columns.isEmpty() || columns.size() > 255)
        throw std::runtime_error("ParadoxWriter: 1 to 255 columns");
    d.columns = columns;
    d.path = path;
    d.headerCodePage = codePage;
    if (textCodePage < 0)
        textCodePage = codePage > 0 ? codePage : 1252;
    d.text = std::make_unique<CodePage>(textCodePage);

    bool hasBlob = false;
    for (const ParadoxColumn& c : columns) {
        d.offsets.push_back(d.recordSize);
        d.recordSize += RecordSize(c);
        hasBlob = hasBlob || IsBlob(c.kind);
    }
    d.record.assign(static_cast<size_t>(d.recordSize), 0);

    QFile::remove(path);
    QFile::remove(MemoPath(path));

    d.px = PX_new2(ErrorHandler, nullptr, nullptr, nullptr);
    if (!d.px)
        d.Fail("PX_new2");
    d.px->errorhandler_user_data = &d.lastError;
    // pxlib frees the field array and the names itself, with its own allocator.
    auto* fields = static_cast<pxfield_t*>(
        d.px->malloc(d.px, sizeof(pxfield_t) * static_cast<size_t>(columns.size()), "fields"));
    for (int i = 0; i < columns.size(); ++i) {
        const ParadoxColumn& c = columns[i];
        fields[i].px_fname = PX_strdup(d.px, d.text->Encode(c.name).constData());
        fields[i].px_ftype = PxType(c.kind);
        fields[i].px_flen = RecordSize(c);
        fields[i].px_fdc = c.kind == FieldKind::BCD ? c.length : 0;
    }
    d.stream = d.memory.Open();
    if (!d.stream || PX_create_fp(d.px, fields, static_cast<int>(columns.size()), d.stream,
                                  pxfFileTypNonIndexDB) < 0)
        d.Fail("cannot create " + path.toStdString());
    const QByteArray tableName = QFile::encodeName(path.section(QLatin1Char('/'), -1));
    PX_set_parameter(d.px, "tablename", tableName.constData());
    PX_set_value(d.px, "codepage", static_cast<float>(codePage));
    if (hasBlob) {
        const QByteArray memo = QFile::encodeName(MemoPath(path));
        if (PX_set_blob_file(d.px, memo.constData()) < 0)
            d.Fail("cannot create " + memo.toStdString());
    }
}

ParadoxWriter::~ParadoxWriter() = default;

void ParadoxWriter::AddRow(const QVariantList& values)
{
    Impl& d = *impl_;
    if (!d.px)
        throw std::runtime_error("ParadoxWriter: the table is closed");
    if (values.size() > d.columns.size())
        throw std::runtime_error("ParadoxWriter: more values than columns");
    std::fill(d.record.begin(), d.record.end(), 0); // all zeros: every field NULL
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        if (v.isNull() || !v.isValid())
            continue;
        const ParadoxColumn& c = d.columns[i];
        char* p = d.record.data() + d.offsets[static_cast<size_t>(i)];
        const int len = RecordSize(c);
        switch (c.kind) {
        case FieldKind::Alpha: {
            QByteArray bytes = d.text->Encode(v.toString());
            if (bytes.size() > len)
                d.Fail("text too long for " + c.name.toStdString());
            if (!bytes.isEmpty())
                PX_put_data_alpha(d.px, p, len, bytes.data());
            break;
        }
        case FieldKind::Short:
            PX_put_data_short(d.px, p, len, static_cast<short>(v.toInt()));
            break;
        case FieldKind::Long:
        case FieldKind::AutoInc:
            PX_put_data_long(d.px, p, len, v.toInt());
            break;
        case FieldKind::Number:
        case FieldKind::Money:
            PX_put_data_double(d.px, p, len, v.toDouble());
            break;
        case FieldKind::BCD: {
            QByteArray digits = v.toString().toLatin1();
            PX_put_data_bcd(d.px, p, c.length, digits.data());
            break;
        }
        case FieldKind::Date: {
            const QDate date = v.toDate();
            pxval_t* val = PX_make_date(d.px, date.year(), date.month(), date.day());
            PX_put_data_long(d.px, p, len, static_cast<int>(val->value.lval));
            d.px->free(d.px, val);
            break;
        }
        case FieldKind::Time: {
            const QTime time = v.toTime();
            pxval_t* val = PX_make_time(d.px, time.hour(), time.minute(), time.second());
            PX_put_data_long(d.px, p, len, static_cast<int>(val->value.lval));
            d.px->free(d.px, val);
            break;
        }
        case FieldKind::Timestamp: {
            const QDateTime dt = v.toDateTime();
            pxval_t* val =
                PX_make_timestamp(d.px, dt.date().year(), dt.date().month(), dt.date().day(),
                                  dt.time().hour(), dt.time().minute(), dt.time().second());
            PX_put_data_double(d.px, p, len, val->value.dval);
            d.px->free(d.px, val);
            break;
        }
        case FieldKind::Logical:
            PX_put_data_byte(d.px, p, len, v.toBool() ? 1 : 0);
            break;
        case FieldKind::Bytes: {
            QByteArray bytes = v.toByteArray().left(len);
            bytes.append(QByteArray(len - bytes.size(), '\0'));
            PX_put_data_bytes(d.px, p, len, bytes.data());
            break;
        }
        case FieldKind::Memo:
        case FieldKind::FmtMemo:
        case FieldKind::Binary:
        case FieldKind::OLE:
        case FieldKind::Graphic: {
            QByteArray bytes = v.typeId() == QMetaType::QByteArray ? v.toByteArray()
                                                                   : d.text->Encode(v.toString());
            if (!bytes.isEmpty() &&
                PX_put_data_blob(d.px, p, len, bytes.data(), static_cast<int>(bytes.size())) < 0)
                d.Fail("cannot write the memo of " + c.name.toStdString());
            break;
        }
        }
    }
    if (PX_put_record(d.px, d.record.data()) < 0)
        d.Fail("cannot write a record");
}

void ParadoxWriter::Close()
{
    impl_->Finish();
}

void WriteParadoxTable(const QString& path, const QList<ParadoxColumn>& columns,
                       const QList<QVariantList>& rows, int codePage)
{
    ParadoxWriter writer(path, columns, codePage);
    for (const QVariantList& row : rows)
        writer.AddRow(row);
    writer.Close();
}
