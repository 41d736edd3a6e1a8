#include "CodePage.h"

#include "Errors.h"

#include <QSysInfo>
#include <cerrno>
#include <iconv.h>

namespace {

// One iconv conversion descriptor, closed with its owner.
class IconvHandle
{
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    void reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
    // Converts as much as possible; returns (size_t)-1 with errno set on a stop.
    size_t convert(char** in, size_t* inLeft, char** out, size_t* outLeft) const
    {
        return iconv(cd_, in, inLeft, out, outLeft);
    }

private:
    iconv_t cd_;
};

const char* Utf16Name()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

bool IsSingleByte(int codePage)
{
    switch (codePage) {
    case 437:
    case 737:
    case 775:
    case 850:
    case 852:
    case 855:
    case 857:
    case 858:
    case 860:
    case 861:
    case 862:
    case 863:
    case 864:
    case 865:
    case 866:
    case 869:
    case 874:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return true;
    default:
        return false;
    }
}

} // namespace

struct CodePage::Converters
{
    Converters(const QByteArray& name)
        : toText(Utf16Name(), name.constData()), fromText(name.constData(), "UTF-8")
    {
    }
    IconvHandle toText;
    IconvHandle fromText;
};

CodePage::CodePage(int codePage) : number_(codePage)
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    converters_ = std::make_unique<Converters>(name);
    if (codePage <= 0 || !converters_->toText.valid() || !converters_->fromText.valid())
        throw CordalisError(
            QStringLiteral("La page de codes %1 n'est pas prise en charge.").arg(codePage));
    singleByte_ = IsSingleByte(codePage);
    if (singleByte_) {
        // Decode every byte once: a scan then needs one table lookup per character.
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char16_t out[4] = {};
            char* inPtr = &in;
            size_t inLeft = 1;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t outLeft = sizeof(out);
            converters_->toText.reset();
            const size_t rc = converters_->toText.convert(&inPtr, &inLeft, &outPtr, &outLeft);
            const bool one = rc != static_cast<size_t>(-1) && outLeft == sizeof(out) - 2;
            table_[b] = one ? out[0] : u'\uFFFD';
        }
        table_[0] = u'\0';
    }
}

CodePage::~CodePage() = default;

QString CodePage::Decode(const char* data, qsizetype size) const
{
    if (size <= 0)
        return {};
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    if (singleByte_) {
        for (qsizetype i = 0; i < size; ++i)
            out[i] = table_[in[i]];
        return text;
    }
    // Multi-byte: each input byte gives at most one UTF-16 unit, so the buffer is big
    // enough. An invalid or cut sequence becomes U+FFFD and the rest goes on.
    char* inPtr = const_cast<char*>(data);
    size_t inLeft = static_cast<size_t>(size);
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = static_cast<size_t>(size) * 2;
    converters_->toText.reset();
    while (inLeft > 0) {
        if (converters_->toText.convert(&inPtr, &inLeft, &outPtr, &outLeft) !=
            static_cast<size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 2)
            break;
        *reinterpret_cast<char16_t*>(outPtr) = u'\uFFFD';
        outPtr += 2;
        outLeft -= 2;
        ++inPtr;
        --inLeft;
        converters_->toText.reset();
    }
    text.truncate((outPtr - reinterpret_cast<char*>(out)) / 2);
    return text;
}

QByteArray CodePage::Encode(const QString& text) const
{
    QByteArray utf8 = text.toUtf8();
    QByteArray result(utf8.size() * 4 + 4, Qt::Uninitialized);
    char* inPtr = utf8.data();
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* outPtr = result.data();
    size_t outLeft = static_cast<size_t>(result.size());
    converters_->fromText.reset();
    while (inLeft > 0) {
        if (converters_->fromText.convert(&inPtr, &inLeft, &outPtr, &outLeft) !=
            static_cast<size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 1)
            break;
        // A character the code page lacks: write '?' and skip its UTF-8 sequence.
        *outPtr++ = '?';
        --outLeft;
        do {
            ++inPtr;
            --inLeft;
        } while (inLeft > 0 && (static_cast<unsigned char>(*inPtr) & 0xC0) == 0x80);
        converters_->fromText.reset();
    }
    // Flush any shift state of a stateful encoding.
    converters_->fromText.convert(nullptr, nullptr, &outPtr, &outLeft);
    result.truncate(outPtr - result.data());
    return result;
}
