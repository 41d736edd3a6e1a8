#pragma once

#include <QByteArray>
#include <QString>

// The windows-1252 code page, exactly: the five bytes it leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the control characters of the same value, as Windows does, so that text
// decoded from it encodes back byte for byte, and a character it lacks is detected instead of
// becoming '?'. Used for what comes from Windows machines: settings files, server file names.
QString DecodeWindows1252(const QByteArray& bytes);

// False (bytes then undefined) when a character has no byte in the code page.
bool EncodeWindows1252(const QString& text, QByteArray& bytes);
