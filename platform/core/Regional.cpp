#include "Regional.h"

#include "Errors.h"

#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace Regional {
namespace {

std::optional<QLocale>& overrideLocale()
{
    static std::optional<QLocale> locale;
    return locale;
}

std::function<QDateTime()>& overrideClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

// The locale's long time without its time zone: "HH:mm:ss t" becomes "HH:mm:ss". Times are
// local wall-clock times here, and a zone name would not parse back.
QString LongTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.trimmed();
}

// How the locale writes a numeric short date: the order of day, month and year and the
// separator between them. Formats that spell the month out are not numeric.
struct DateShape
{
    char order[3] = {'d', 'M', 'y'};
    QChar separator = QLatin1Char('/');
    bool numeric = false;
};

DateShape ShapeOf(const QLocale& locale)
{
    DateShape shape;
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    int fields = 0;
    bool haveSeparator = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            if (fields == 3 || (c == QLatin1Char('M') && run > 2) ||
                (c == QLatin1Char('d') && run > 2))
                return shape; // month or weekday names: not numeric
            shape.order[fields++] = c.toLatin1();
        } else if (!haveSeparator && fields > 0) {
            shape.separator = c;
            haveSeparator = true;
        }
        i += run;
    }
    shape.numeric = fields == 3 && haveSeparator;
    return shape;
}

// A run of 1 to maxDigits ASCII digits.
std::optional<int> Number(QStringView text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// A two-digit year falls within fifty years of the current one.
int ExpandYear(int year, int digits)
{
    if (digits > 2)
        return year;
    const int current = Today().year();
    int full = current / 100 * 100 + year;
    if (full > current + 50)
        full -= 100;
    else if (full <= current - 50)
        full += 100;
    return full;
}

std::optional<QDate> ParseNumericDate(QStringView text, const DateShape& shape)
{
    const QList<QStringView> parts = text.split(shape.separator);
    if (parts.size() != 3)
        return std::nullopt;
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const bool isYear = shape.order[i] == 'y';
        const std::optional<int> value = Number(parts[i], isYear ? 4 : 2);
        if (!value)
            return std::nullopt;
        if (isYear)
            year = ExpandYear(*value, static_cast<int>(parts[i].size()));
        else if (shape.order[i] == 'd')
            day = *value;
        else
            month = *value;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// H:mm or H:mm:ss (optionally with milliseconds), followed by the locale's AM/PM text when
// it has one.
std::optional<QTime> ParseTime(QStringView text, const QLocale& locale)
{
    text = text.trimmed();
    int pm = -1; // -1: no designator, 0: AM, 1: PM
    const QString am = locale.amText(), pmText = locale.pmText();
    if (!am.isEmpty() && text.endsWith(am, Qt::CaseInsensitive)) {
        pm = 0;
        text = text.chopped(am.size()).trimmed();
    } else if (!pmText.isEmpty() && text.endsWith(pmText, Qt::CaseInsensitive)) {
        pm = 1;
        text = text.chopped(pmText.size()).trimmed();
    }
    const QList<QStringView> parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const std::optional<int> hour = Number(parts[0], 2);
    const std::optional<int> minute = Number(parts[1], 2);
    if (!hour || !minute)
        return std::nullopt;
    int second = 0, msec = 0;
    if (parts.size() == 3) {
        QStringView secondText = parts[2];
        const qsizetype dot = secondText.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            const std::optional<int> fraction = Number(secondText.mid(dot + 1), 3);
            if (!fraction)
                return std::nullopt;
            msec = *fraction;
            for (qsizetype n = secondText.size() - dot - 1; n < 3; ++n)
                msec *= 10;
            secondText = secondText.left(dot);
        }
        const std::optional<int> s = Number(secondText, 2);
        if (!s)
            return std::nullopt;
        second = *s;
    }
    int h = *hour;
    if (pm >= 0) {
        if (h < 1 || h > 12)
            return std::nullopt;
        h = h % 12 + (pm == 1 ? 12 : 0);
    }
    const QTime time(h, *minute, second, msec);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// For locales whose short date spells the month out: Qt's own parser on the locale formats.
bool ParseWithLocaleFormats(const QString& text, const QLocale& locale, QDateTime& result)
{
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const QStringList formats = {
        date + QLatin1Char(' ') + LongTimeFormat(locale),
        date + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat),
    };
    for (const QString& format : formats) {
        const QDateTime value = locale.toDateTime(text, format);
        if (value.isValid()) {
            result = value;
            return true;
        }
    }
    const QDate day = locale.toDate(text, date);
    if (day.isValid()) {
        result = QDateTime(day, QTime(0, 0));
        return true;
    }
    return false;
}

} // namespace

QLocale Locale()
{
    return overrideLocale().value_or(FrenchLocale());
}

QLocale FrenchLocale()
{
    return QLocale(QLocale::French, QLocale::France);
}

std::optional<QLocale> LocaleNamed(const QString& name)
{
    // "fr_BE", "fr-BE", "fr": a language code, optionally a script, then a territory code;
    // a system locale's code set and modifier ("fr_BE.UTF-8", "fr_BE@euro") say nothing of
    // the formats.
    const QString bare =
        name.trimmed().section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    const QStringList parts =
        bare.split(QRegularExpression(QStringLiteral("[_-]")), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    const QLocale locale(parts.join(QLatin1Char('_')));
    // Qt answers an unknown name with the C locale, and an unknown territory with the
    // language's main one: both would silently give other formats than the ones asked for.
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage ||
        QLocale::languageToCode(locale.language()).compare(parts.first(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    if (parts.size() > 1 &&
        QLocale::territoryToCode(locale.territory()).compare(parts.last(), Qt::CaseInsensitive) !=
            0)
        return std::nullopt;
    return locale;
}

QDateTime Now()
{
    if (overrideClock())
        return overrideClock()();
    return QDateTime::currentDateTime();
}

QDate Today()
{
    return Now().date();
}

QDate AddDays(const QDate& date, int days)
{
    return date.addDays(days);
}

QString DateToStr(const QDate& date)
{
    const QLocale locale = Locale();
    return locale.toString(date, locale.dateFormat(QLocale::ShortFormat));
}

QString TimeToStr(const QTime& time)
{
    const QLocale locale = Locale();
    return locale.toString(time, LongTimeFormat(locale));
}

QString DateTimeToStr(const QDateTime& dateTime)
{
    const QString date = DateToStr(dateTime.date());
    if (dateTime.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + TimeToStr(dateTime.time());
}

bool TryStrToDateTime(const QString& text, QDateTime& result)
{
    const QLocale locale = Locale();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    const DateShape shape = ShapeOf(locale);
    if (!shape.numeric)
        return ParseWithLocaleFormats(trimmed, locale, result);

    // The date runs up to the first blank; what follows, if anything, is the time.
    qsizetype blank = 0;
    while (blank < trimmed.size() && !trimmed.at(blank).isSpace())
        ++blank;
    const std::optional<QDate> date = ParseNumericDate(QStringView(trimmed).left(blank), shape);
    if (!date)
        return false;
    QTime time(0, 0);
    if (blank < trimmed.size()) {
        const std::optional<QTime> parsed = ParseTime(QStringView(trimmed).mid(blank), locale);
        if (!parsed)
            return false;
        time = *parsed;
    }
    result = QDateTime(*date, time);
    return true;
}

QDateTime StrToDateTime(const QString& text)
{
    QDateTime result;
    if (!TryStrToDateTime(text, result))
        throw ConvertError(QStringLiteral("'%1' n'est pas une date et heure correcte").arg(text));
    return result;
}

void SetLocale(const QLocale& locale)
{
    if (locale.language() == QLocale::AnyLanguage)
        overrideLocale().reset();
    else
        overrideLocale() = locale;
}

void ResetLocale()
{
    overrideLocale().reset();
}

void SetClock(std::function<QDateTime()> clock)
{
    overrideClock() = std::move(clock);
}

} // namespace Regional
