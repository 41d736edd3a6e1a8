#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The windows-1252 code page ("ANSI" on a Western European Windows), without depending on
// the converters Qt happens to be built with. The five byte values the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same
// value, as Windows does, so any byte string decodes and encodes back unchanged.
namespace Windows1252 {

QString Decode(QByteArrayView bytes);

// Every character the code page lacks (a surrogate pair counting as one) becomes
// replacement. lossless, when given, tells whether nothing was replaced.
QByteArray Encode(QStringView text, char replacement = '?', bool* lossless = nullptr);

// Whether every character of text has a windows-1252 byte.
bool CanEncode(QStringView text);

} // namespace Windows1252
