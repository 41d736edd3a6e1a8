#include "ParadoxFile.h"

#include "Errors.h"
#include "Regional.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTime>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Little-endian integers of the header, block headers and blob pointers.
quint16 U16(const unsigned char* p)
{
    return static_cast<quint16>(p[0] | (p[1] << 8));
}

quint32 U32(const unsigned char* p)
{
    return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) |
           (static_cast<quint32>(p[2]) << 16) | (static_cast<quint32>(p[3]) << 24);
}

// Field values are big-endian with the sign bit flipped, so that they sort as bytes.
qint16 FieldShort(const unsigned char* p)
{
    return static_cast<qint16>(((p[0] << 8) | p[1]) ^ 0x8000);
}

qint32 FieldLong(const unsigned char* p)
{
    const quint32 raw = (static_cast<quint32>(p[0]) << 24) | (static_cast<quint32>(p[1]) << 16) |
                        (static_cast<quint32>(p[2]) << 8) | static_cast<quint32>(p[3]);
    return static_cast<qint32>(raw ^ 0x80000000u);
}

// Doubles: positive values have the sign bit set on disk, negative ones every bit inverted.
double FieldDouble(const unsigned char* p)
{
    quint64 raw = 0;
    for (int i = 0; i < 8; ++i)
        raw = (raw << 8) | p[i];
    if (raw & 0x8000000000000000ull)
        raw ^= 0x8000000000000000ull;
    else
        raw = ~raw;
    return std::bit_cast<double>(raw);
}

bool AllZero(const unsigned char* p, int size)
{
    for (int i = 0; i < size; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

bool IsBlobKind(FieldKind kind)
{
    return kind == FieldKind::Memo || kind == FieldKind::FmtMemo || kind == FieldKind::Binary ||
           kind == FieldKind::OLE || kind == FieldKind::Graphic;
}

// The field kind of a type code, and whether the size in the descriptor suits it.
bool KindOfType(int type, FieldKind& kind)
{
    switch (type) {
    case 0x01:
        kind = FieldKind::Alpha;
        return true;
    case 0x02:
        kind = FieldKind::Date;
        return true;
    case 0x03:
        kind = FieldKind::Short;
        return true;
    case 0x04:
        kind = FieldKind::Long;
        return true;
    case 0x05:
        kind = FieldKind::Money;
        return true;
    case 0x06:
        kind = FieldKind::Number;
        return true;
    case 0x09:
        kind = FieldKind::Logical;
        return true;
    case 0x0C:
        kind = FieldKind::Memo;
        return true;
    case 0x0D:
        kind = FieldKind::Binary;
        return true;
    case 0x0E:
        kind = FieldKind::FmtMemo;
        return true;
    case 0x0F:
        kind = FieldKind::OLE;
        return true;
    case 0x10:
        kind = FieldKind::Graphic;
        return true;
    case 0x14:
        kind = FieldKind::Time;
        return true;
    case 0x15:
        kind = FieldKind::Timestamp;
        return true;
    case 0x16:
        kind = FieldKind::AutoInc;
        return true;
    case 0x17:
        kind = FieldKind::BCD;
        return true;
    case 0x18:
        kind = FieldKind::Bytes;
        return true;
    default:
        return false;
    }
}

bool SizeFits(FieldKind kind, int size)
{
    switch (kind) {
    case FieldKind::Alpha:
    case FieldKind::Bytes:
        return size >= 1 && size <= 255;
    case FieldKind::Short:
        return size == 2;
    case FieldKind::Long:
    case FieldKind::AutoInc:
    case FieldKind::Date:
    case FieldKind::Time:
        return size == 4;
    case FieldKind::Number:
    case FieldKind::Money:
    case FieldKind::Timestamp:
        return size == 8;
    case FieldKind::Logical:
        return size == 1;
    case FieldKind::BCD:
        return size == 17;
    default: // blobs: a 10-byte pointer after a leader of up to 240 bytes
        return size >= 10 && size <= 250;
    }
}

bool SameAsciiCase(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

QString Quoted(const QString& s)
{
    return QStringLiteral("« %1 »").arg(s);
}

// Finds name in folder without regard to ASCII case: an exact match wins, a single
// case-insensitive match is taken, several are an error. Returns an empty text when absent;
// exact tells whether the name was found as written.
QString FindFile(const QString& folder, const QString& name, const QString& tableName, bool& exact)
{
    QDir dir(folder);
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    exact = entries.contains(name);
    if (exact)
        return dir.filePath(name);
    QStringList matches;
    for (const QString& entry : entries)
        if (SameAsciiCase(entry, name))
            matches << entry;
    if (matches.size() > 1)
        throw TableError(QStringLiteral("Impossible d'ouvrir la table %1 : plusieurs fichiers du "
                                        "dossier %2 ne diffèrent que par la casse (%3).")
                             .arg(Quoted(tableName), Quoted(QDir::toNativeSeparators(folder)),
                                  matches.join(QStringLiteral(", "))));
    return matches.isEmpty() ? QString() : dir.filePath(matches.first());
}

constexpr qint64 kMemoBlock = 4096;

} // namespace

ParadoxFile::ParadoxFile(const QString& folder, const QString& fileName, int defaultCodePage)
    : tableName_(fileName)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw TableError(QStringLiteral("Impossible d'ouvrir la table %1 : le dossier des tables "
                                        "%2 est introuvable.")
                             .arg(Quoted(tableName_), Quoted(QDir::toNativeSeparators(folder))));
    bool exact = false;
    path_ = FindFile(folder, fileName, tableName_, exact);
    if (path_.isEmpty())
        throw TableError(QStringLiteral("La table %1 est introuvable dans le dossier %2.")
                             .arg(Quoted(tableName_), Quoted(QDir::toNativeSeparators(folder))));

    // Read-only, unbuffered: every read is one block or one header; nothing is ever written
    // and no lock file is made, so a read-only file or folder is fine.
    db_.setFileName(path_);
    if (!db_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        Fail(QStringLiteral("le fichier ne peut pas être lu (%1)").arg(db_.errorString()));
    sourceFiles_.push_back({path_, exact, FileIdentity::Of(db_)});

    const qint64 fileSize = db_.size();
    if (fileSize < 0x58)
        Fail(QStringLiteral("le fichier est trop court pour être une table Paradox"));
    // The header size is read first, then the whole header.
    unsigned char start[4];
    if (db_.read(reinterpret_cast<char*>(start), 4) != 4)
        Fail(QStringLiteral("l'en-tête ne peut pas être lu"));
    const int headerSize = U16(start + 2);
    if (headerSize < 0x58 || headerSize > fileSize)
        Fail(QStringLiteral("la taille d'en-tête (%1 octets) est invalide").arg(headerSize));
    db_.seek(0);
    const QByteArray header = db_.read(headerSize);
    if (header.size() != headerSize)
        Fail(QStringLiteral("l'en-tête ne peut pas être lu"));
    ReadHeader(header);

    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    int codePage = 0;
    if (fileVersion_ >= 5)
        codePage = U16(h + 0x6A);
    if (codePage == 0)
        codePage = defaultCodePage;
    try {
        text_ = std::make_unique<CodePage>(codePage);
    } catch (const CordalisError&) {
        Fail(QStringLiteral("sa page de codes %1 n'est pas prise en charge").arg(codePage));
    }
    const int fieldInfo = fileVersion_ >= 5 ? 0x78 : 0x58;
    // The table name area is 261 bytes from Paradox 7 on, 79 before.
    const int tableNameSize = fileVersion_ >= 12 ? 261 : 79;
    const int fieldCount = static_cast<int>(fields_.size());
    ReadFieldNames(header, fieldInfo + fieldCount * 2 + 4 + fieldCount * 4 + tableNameSize);

    WalkChain(U16(h + 0x0E));

    bool hasBlob = false;
    for (const Field& f : fields_)
        hasBlob = hasBlob || IsBlobKind(f.kind);
    if (hasBlob)
        OpenMemoFile(folder, QFileInfo(path_).fileName());

    // The regional forms are fixed for the life of the opened table.
    decimalPoint_ = Regional::Locale().decimalPoint();
    emptyRecord_ = QByteArray(recordSize_, '\0');
    First();
}

ParadoxFile::~ParadoxFile() = default;

void ParadoxFile::Fail(const QString& reason) const
{
    throw TableError(
        QStringLiteral("La table %1 ne peut pas être lue : %2.").arg(Quoted(tableName_), reason));
}

void ParadoxFile::ReadHeader(const QByteArray& header)
{
    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    const int headerSize = static_cast<int>(header.size());
    headerSize_ = headerSize;
    recordSize_ = U16(h + 0x00);
    const int fileType = h[0x04];
    const int blockKb = h[0x05];
    const quint32 records = U32(h + 0x06);
    fileVersion_ = h[0x39];
    const int fieldCount = U16(h + 0x21);

    if (fileType != 0 && fileType != 2)
        Fail(QStringLiteral("ce n'est pas un fichier de données Paradox (type %1)").arg(fileType));
    if (fileVersion_ < 3 || fileVersion_ > 12)
        Fail(QStringLiteral("la version de format %1 est inconnue").arg(fileVersion_));
    if (blockKb < 1 || blockKb > 32)
        Fail(QStringLiteral("la taille de bloc (%1 Ko) est invalide").arg(blockKb));
    blockSize_ = blockKb * 1024;
    if (recordSize_ < 1 || recordSize_ > blockSize_ - 6)
        Fail(
            QStringLiteral("la taille d'enregistrement (%1 octets) est invalide").arg(recordSize_));
    if (records > static_cast<quint32>(std::numeric_limits<int>::max()))
        Fail(QStringLiteral("le nombre d'enregistrements (%1) est invalide").arg(records));
    recordCount_ = static_cast<int>(records);
    if (fieldCount < 1 || fieldCount > 255)
        Fail(QStringLiteral("le nombre de champs (%1) est invalide").arg(fieldCount));
    // Only an indexed table has a primary key, made of its first fields. The count only
    // serves to name a record in messages: an odd value is bounded, not refused.
    keyFieldCount_ = fileType == 0 ? std::min<int>(U16(h + 0x23), fieldCount) : 0;

    // Password-protected tables have their blocks scrambled.
    const quint32 encryption =
        fileVersion_ >= 5 && headerSize >= 0x60 ? U32(h + 0x5C) : U32(h + 0x25);
    if (encryption != 0 && encryption != 0xFF00FF00u)
        Fail(QStringLiteral("elle est protégée par un mot de passe (table chiffrée), ce que le "
                            "programme ne prend pas en charge"));

    const int fieldInfo = fileVersion_ >= 5 ? 0x78 : 0x58;
    if (fieldInfo + fieldCount * 2 > headerSize)
        Fail(QStringLiteral("la description des champs dépasse l'en-tête"));
    int offset = 0;
    fields_.reserve(static_cast<size_t>(fieldCount));
    for (int i = 0; i < fieldCount; ++i) {
        const int type = h[fieldInfo + i * 2];
        int size = h[fieldInfo + i * 2 + 1];
        Field f;
        if (!KindOfType(type, f.kind))
            Fail(QStringLiteral("le champ n° %1 a un type inconnu (0x%2)")
                     .arg(i + 1)
                     .arg(type, 2, 16, QLatin1Char('0')));
        if (f.kind == FieldKind::BCD) {
            // The descriptor of a BCD field holds its number of decimals; it takes 17 bytes.
            if (size > 32)
                Fail(QStringLiteral("le champ n° %1 a un nombre de décimales invalide (%2)")
                         .arg(i + 1)
                         .arg(size));
            f.decimals = size;
            size = 17;
        }
        if (!SizeFits(f.kind, size))
            Fail(QStringLiteral("le champ n° %1 a une taille invalide (%2)").arg(i + 1).arg(size));
        f.offset = offset;
        f.size = size;
        offset += size;
        fields_.push_back(f);
    }
    if (offset != recordSize_)
        Fail(QStringLiteral("la somme des tailles des champs (%1) ne correspond pas à la taille "
                            "d'enregistrement (%2)")
                 .arg(offset)
                 .arg(recordSize_));
}

void ParadoxFile::ReadFieldNames(const QByteArray& header, int namesStart)
{
    int pos = namesStart;
    for (Field& f : fields_) {
        const int end = pos < header.size() ? static_cast<int>(header.indexOf('\0', pos)) : -1;
        if (end < 0)
            Fail(QStringLiteral("les noms des champs dépassent l'en-tête"));
        f.name = text_->Decode(header.constData() + pos, end - pos);
        if (f.name.isEmpty())
            Fail(QStringLiteral("un champ n'a pas de nom"));
        pos = end + 1;
    }
}

void ParadoxFile::WalkChain(int firstBlock)
{
    const qint64 fileSize = db_.size();
    const qint64 blocksInFile = (fileSize - headerSize_) / blockSize_ +
                                ((fileSize - headerSize_) % blockSize_ != 0 ? 1 : 0);
    std::vector<bool> seen(static_cast<size_t>(blocksInFile) + 1, false);
    qint64 counted = 0;
    int number = recordCount_ == 0 && firstBlock > blocksInFile ? 0 : firstBlock;
    while (number != 0) {
        if (number > blocksInFile)
            Fail(
                QStringLiteral("la chaîne des blocs mène au bloc %1, hors du fichier").arg(number));
        if (seen[static_cast<size_t>(number)])
            Fail(QStringLiteral("la chaîne des blocs boucle sur le bloc %1").arg(number));
        seen[static_cast<size_t>(number)] = true;
        const qint64 offset = headerSize_ + static_cast<qint64>(number - 1) * blockSize_;
        unsigned char head[6];
        if (!db_.seek(offset) || db_.read(reinterpret_cast<char*>(head), 6) != 6)
            Fail(QStringLiteral("le bloc %1 ne peut pas être lu").arg(number));
        const int added = static_cast<qint16>(U16(head + 4));
        int count = 0;
        if (added >= 0) {
            if (added % recordSize_ != 0 || 6 + added + recordSize_ > blockSize_)
                Fail(QStringLiteral("le bloc %1 annonce une taille de données invalide (%2)")
                         .arg(number)
                         .arg(added));
            count = added / recordSize_ + 1;
            if (offset + 6 + static_cast<qint64>(count) * recordSize_ > fileSize)
                Fail(QStringLiteral("le bloc %1 dépasse la fin du fichier (fichier tronqué)")
                         .arg(number));
            blocks_.push_back({offset, count});
        }
        counted += count;
        if (counted > recordCount_)
            break;
        number = U16(head);
    }
    if (counted != recordCount_)
        Fail(QStringLiteral("l'en-tête annonce %1 enregistrements mais les blocs en contiennent "
                            "%2%3")
                 .arg(recordCount_)
                 .arg(counted)
                 .arg(counted > recordCount_ ? QStringLiteral(" ou plus") : QString()));
}

void ParadoxFile::OpenMemoFile(const QString& folder, const QString& dbName)
{
    QString base = dbName;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    const QString memoName = base + QStringLiteral(".MB");
    bool exact = false;
    const QString path = FindFile(folder, memoName, tableName_, exact);
    if (path.isEmpty())
        Fail(QStringLiteral("son fichier de mémos %1 est introuvable").arg(Quoted(memoName)));
    mb_.setFileName(path);
    if (!mb_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        Fail(
            QStringLiteral("son fichier de mémos ne peut pas être lu (%1)").arg(mb_.errorString()));
    sourceFiles_.push_back({path, exact, FileIdentity::Of(mb_)});
    hasMemoFile_ = true;
}

void ParadoxFile::LoadBlock(size_t index)
{
    const Block& block = blocks_[index];
    const qint64 size = 6 + static_cast<qint64>(block.count) * recordSize_;
    blockData_.resize(size);
    if (!db_.seek(block.offset) || db_.read(blockData_.data(), size) != size)
        Fail(QStringLiteral("un bloc de données ne peut plus être lu (fichier modifié pendant "
                            "la lecture ?)"));
    blockIndex_ = index;
    rowInBlock_ = 0;
    record_ = reinterpret_cast<const unsigned char*>(blockData_.constData()) + 6;
}

void ParadoxFile::First()
{
    if (blocks_.empty()) {
        record_ = reinterpret_cast<const unsigned char*>(emptyRecord_.constData());
        recordNumber_ = 0;
        eof_ = true;
        return;
    }
    LoadBlock(0);
    recordNumber_ = 1;
    eof_ = false;
}

void ParadoxFile::Next()
{
    if (eof_)
        return;
    if (rowInBlock_ + 1 < blocks_[blockIndex_].count) {
        ++rowInBlock_;
        ++recordNumber_;
        record_ += recordSize_;
        return;
    }
    if (blockIndex_ + 1 < blocks_.size()) {
        LoadBlock(blockIndex_ + 1);
        ++recordNumber_;
        return;
    }
    eof_ = true; // the last record stays current
}

bool ParadoxFile::IsNull(const Field& f) const
{
    const unsigned char* p = record_ + f.offset;
    switch (f.kind) {
    case FieldKind::Alpha:
        return p[0] == 0;
    case FieldKind::Logical:
        return p[0] == 0;
    case FieldKind::BCD:
        return (p[0] & 0x40) == 0;
    case FieldKind::Memo:
    case FieldKind::FmtMemo:
    case FieldKind::Binary:
    case FieldKind::OLE:
    case FieldKind::Graphic:
        return U32(p + f.size - 6) == 0;
    default:
        return AllZero(p, f.size);
    }
}

QByteArray ParadoxFile::BlobBytes(const Field& f, const unsigned char* p) const
{
    const int leader = f.size - 10;
    const quint32 pointer = U32(p + leader);
    const quint32 size = U32(p + leader + 4);
    if (size == 0)
        return {};
    // Short blobs live whole in the record.
    if (size <= static_cast<quint32>(leader) &&
        (pointer == 0 || f.kind == FieldKind::Memo || f.kind == FieldKind::FmtMemo))
        return QByteArray(reinterpret_cast<const char*>(p), size);
    const QString where = QStringLiteral("le mémo du champ %1 est invalide").arg(Quoted(f.name));
    if (!hasMemoFile_)
        Fail(where);
    const qint64 mbSize = mb_.size();
    const qint64 blockStart = pointer & ~0xFFu;
    const int index = static_cast<int>(pointer & 0xFF);
    if (blockStart == 0 || blockStart + 12 > mbSize)
        Fail(where + QStringLiteral(" (position hors du fichier de mémos)"));
    unsigned char head[12 + 64 * 5];
    const qint64 headSize = std::min<qint64>(sizeof(head), mbSize - blockStart);
    if (!mb_.seek(blockStart) || mb_.read(reinterpret_cast<char*>(head), headSize) != headSize)
        Fail(where + QStringLiteral(" (lecture impossible)"));
    qint64 dataStart = 0;
    qint64 blockEnd = 0;
    if (head[0] == 2) {
        // A block holding one blob: 9-byte header, then the data.
        if (index != 0xFF || U32(head + 3) != size)
            Fail(where + QStringLiteral(" (bloc de mémo incohérent)"));
        dataStart = blockStart + 9;
        blockEnd = blockStart + static_cast<qint64>(U16(head + 1)) * kMemoBlock;
    } else if (head[0] == 3) {
        // A block of up to 64 small blobs, each with a 5-byte slot: offset / 16, length in
        // 16-byte units (rounded up), modification number, length modulo 16.
        if (index >= 64 || 12 + index * 5 + 5 > headSize)
            Fail(where + QStringLiteral(" (bloc de mémo incohérent)"));
        const unsigned char* slot = head + 12 + index * 5;
        const quint32 units = slot[1];
        if (slot[0] == 0 || units == 0 || size > units * 16 || size + 16 <= units * 16)
            Fail(where + QStringLiteral(" (bloc de mémo incohérent)"));
        dataStart = blockStart + static_cast<qint64>(slot[0]) * 16;
        blockEnd = blockStart + kMemoBlock;
    } else {
        Fail(where + QStringLiteral(" (type de bloc %1 inattendu)").arg(head[0]));
    }
    if (dataStart + size > blockEnd || dataStart + size > mbSize)
        Fail(where + QStringLiteral(" (taille hors du fichier de mémos)"));
    QByteArray data(size, Qt::Uninitialized);
    if (!mb_.seek(dataStart) || mb_.read(data.data(), size) != size)
        Fail(where + QStringLiteral(" (lecture impossible)"));
    return data;
}

QString ParadoxFile::NumberText(double value) const
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (decimalPoint_ != QLatin1String("."))
        text.replace(QLatin1Char('.'), decimalPoint_);
    return text;
}

QString ParadoxFile::BcdText(const Field& f, const unsigned char* p) const
{
    // 32 digits after the sign/flags byte, the last `decimals` of them after the point. The
    // digits of a negative value are stored complemented.
    const bool negative = (p[0] & 0x80) == 0;
    const int intDigits = 32 - f.decimals;
    char digits[32];
    int count = 32;
    for (int i = 0; i < 32; ++i) {
        int nibble = (i % 2 == 0) ? (p[1 + i / 2] >> 4) : (p[1 + i / 2] & 0x0F);
        if (negative)
            nibble = 0x0F - nibble;
        if (nibble > 9) {
            // Some writers leave noise after the last significant decimal: the value ends
            // there. Noise in the integer part is an error.
            if (i < intDigits)
                Fail(QStringLiteral("le champ %1 contient un nombre décimal invalide")
                         .arg(Quoted(f.name)));
            count = i;
            break;
        }
        digits[i] = static_cast<char>('0' + nibble);
    }
    int first = 0;
    while (first < intDigits - 1 && digits[first] == '0')
        ++first;
    QString text = intDigits > 0 ? QString::fromLatin1(digits + first, intDigits - first)
                                 : QStringLiteral("0");
    int last = count;
    while (last > intDigits && digits[last - 1] == '0')
        --last;
    if (last > intDigits)
        text += decimalPoint_ + QString::fromLatin1(digits + intDigits, last - intDigits);
    if (negative && (text != QLatin1String("0")))
        text.prepend(QLatin1Char('-'));
    return text;
}

QString ParadoxFile::CachedText(TextCache& cache, qint64 key,
                                const std::function<QString()>& make) const
{
    // Dates and times repeat a lot down a table, and their regional text is costly: keep the
    // last few texts in a small direct-mapped cache.
    TextCache::Entry& entry = cache.entries[static_cast<quint64>(key) % cache.entries.size()];
    if (!entry.used || entry.key != key) {
        entry.text = make();
        entry.key = key;
        entry.used = true;
    }
    return entry.text;
}

QString ParadoxFile::DateText(qint32 days) const
{
    // Day 1 is 1 January of year 1; QDate counts Julian days.
    return CachedText(dates_, days, [days] {
        return Regional::DateToStr(QDate::fromJulianDay(1721425 + static_cast<qint64>(days)));
    });
}

QString ParadoxFile::Text(const Field& f) const
{
    if (IsNull(f))
        return {};
    const unsigned char* p = record_ + f.offset;
    switch (f.kind) {
    case FieldKind::Alpha: {
        const void* zero = std::memchr(p, 0, static_cast<size_t>(f.size));
        const int length =
            zero ? static_cast<int>(static_cast<const unsigned char*>(zero) - p) : f.size;
        return text_->Decode(reinterpret_cast<const char*>(p), length);
    }
    case FieldKind::Short:
        return QString::number(FieldShort(p));
    case FieldKind::Long:
    case FieldKind::AutoInc:
        return QString::number(FieldLong(p));
    case FieldKind::Number:
        return NumberText(FieldDouble(p));
    case FieldKind::Money: {
        QString text = QString::number(FieldDouble(p), 'f', 2);
        if (decimalPoint_ != QLatin1String("."))
            text.replace(QLatin1Char('.'), decimalPoint_);
        return text;
    }
    case FieldKind::BCD:
        return BcdText(f, p);
    case FieldKind::Date:
        return DateText(FieldLong(p));
    case FieldKind::Time: {
        const qint32 ms = FieldLong(p);
        if (ms < 0 || ms >= 86400000)
            Fail(QStringLiteral("le champ %1 contient une heure invalide").arg(Quoted(f.name)));
        return CachedText(
            times_, ms, [ms] { return Regional::TimeToStr(QTime::fromMSecsSinceStartOfDay(ms)); });
    }
    case FieldKind::Timestamp: {
        const double ms = FieldDouble(p);
        if (!std::isfinite(ms) || std::fabs(ms) > 1e15)
            Fail(QStringLiteral("le champ %1 contient une date et heure invalide")
                     .arg(Quoted(f.name)));
        const qint64 whole = static_cast<qint64>(std::floor(ms));
        const qint64 days = whole >= 0 ? whole / 86400000 : -((-whole + 86399999) / 86400000);
        const int rest = static_cast<int>(whole - days * 86400000);
        const QDate date = QDate::fromJulianDay(1721425 + days);
        const QTime time = QTime::fromMSecsSinceStartOfDay(rest);
        return CachedText(timestamps_, whole,
                          [&] { return Regional::DateTimeToStr(QDateTime(date, time, Qt::UTC)); });
    }
    case FieldKind::Logical:
        return p[0] == 0x80 ? QStringLiteral("False") : QStringLiteral("True");
    case FieldKind::Bytes:
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(p), f.size).toHex().toUpper());
    case FieldKind::Memo:
    case FieldKind::FmtMemo:
        return text_->Decode(BlobBytes(f, p));
    case FieldKind::Binary:
    case FieldKind::OLE:
    case FieldKind::Graphic: {
        // A graphic starts with 8 bytes of its own header before the image file.
        const QByteArray bytes = BlobBytes(f, p);
        return QString::fromLatin1(
            bytes.mid(f.kind == FieldKind::Graphic ? 8 : 0).toHex().toUpper());
    }
    }
    return {};
}

int ParadoxFile::Integer(const Field& f) const
{
    if (IsNull(f))
        return 0;
    const unsigned char* p = record_ + f.offset;
    switch (f.kind) {
    case FieldKind::Short:
        return FieldShort(p);
    case FieldKind::Long:
    case FieldKind::AutoInc:
        return FieldLong(p);
    case FieldKind::Logical:
        return p[0] == 0x80 ? 0 : 1;
    default:
        break;
    }
    const QString text = Text(f);
    bool ok = false;
    int value = 0;
    if (f.kind == FieldKind::Number || f.kind == FieldKind::Money) {
        const double d = FieldDouble(p);
        ok = std::isfinite(d) && std::fabs(d) < 2147483647.5;
        value = ok ? static_cast<int>(std::lround(d)) : 0;
    } else if (f.kind == FieldKind::BCD) {
        QString plain = text;
        plain.replace(decimalPoint_, QStringLiteral("."));
        const double d = plain.toDouble(&ok);
        ok = ok && std::fabs(d) < 2147483647.5;
        value = ok ? static_cast<int>(std::lround(d)) : 0;
    } else if (f.kind == FieldKind::Alpha || f.kind == FieldKind::Memo ||
               f.kind == FieldKind::FmtMemo) {
        value = text.trimmed().toInt(&ok);
    }
    if (!ok)
        throw ConvertError(
            QStringLiteral("'%1' n'est pas une valeur entière correcte (champ %2 de la table %3)")
                .arg(text, Quoted(f.name), Quoted(tableName_)));
    return value;
}
