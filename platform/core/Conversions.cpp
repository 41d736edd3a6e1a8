#include "Conversions.h"

#include <QString>
#include <limits>

bool TryStrToInt(QStringView text, int& value)
{
    QStringView rest = text;
    bool negative = false;
    if (rest.startsWith(QLatin1Char('-')) || rest.startsWith(QLatin1Char('+'))) {
        negative = rest.front() == QLatin1Char('-');
        rest = rest.mid(1);
    }
    int base = 10;
    if (rest.startsWith(QLatin1Char('$'))) {
        base = 16;
        rest = rest.mid(1);
    } else if (rest.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        rest = rest.mid(2);
    }
    // Checked here because toLongLong would take blanks and a second sign.
    if (rest.isEmpty() || rest.size() > 16)
        return false;
    for (const QChar c : rest) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool hexLetter = (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                               (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!digit && !(base == 16 && hexLetter))
            return false;
    }
    bool ok = false;
    qlonglong number = rest.toLongLong(&ok, base);
    if (!ok)
        return false;
    if (negative)
        number = -number;
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}

int StrToIntDef(QStringView text, int def)
{
    int value = def;
    return TryStrToInt(text, value) ? value : def;
}
