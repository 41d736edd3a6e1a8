#pragma once

#include <QStringView>

// The program's one reading of an integer from a text (settings values, XML attributes):
// decimal with an optional sign, or hexadecimal after "$" or "0x" ("$1F", "-0x10"), with
// nothing before or after it. False for anything else, or a value outside int; value is
// then left alone.
bool TryStrToInt(QStringView text, int& value);

// As TryStrToInt, the default when the text is not such an integer.
int StrToIntDef(QStringView text, int def);
