#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>

// Conversion between the 8-bit texts of a Paradox table and QString, for one code page
// (437, 850, 866, 936, 1252...). Paradox 3.x tables say 0; the caller picks the fallback.
//
// A single-byte code page is decoded through a 256-entry table built once, so a table scan
// costs one lookup per byte; multi-byte code pages (936) go through the system converter.
// Build one CodePage per table and reuse it for every field and memo.
class CodePage
{
public:
    // Throws CordalisError when the system does not know the code page.
    explicit CodePage(int codePage);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    int Number() const { return number_; }

    // Bytes in this code page to text. Bytes the code page does not define become U+FFFD.
    QString Decode(const char* data, qsizetype size) const;
    QString Decode(const QByteArray& bytes) const
    {
        return Decode(bytes.constData(), bytes.size());
    }

    // Text to bytes in this code page; a character the code page lacks becomes '?'.
    QByteArray Encode(const QString& text) const;

private:
    struct Converters;
    int number_;
    bool singleByte_ = false;
    std::array<char16_t, 256> table_{};
    std::unique_ptr<Converters> converters_;
};
