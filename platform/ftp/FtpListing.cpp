#include "FtpListing.h"

#include "Windows1252.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <array>

namespace FtpListing {
namespace {

// Names that are not UTF-8 come from Windows servers, in their code page: 0x92 is ’, 0x9C is
// œ (Latin-1 would make them control characters, which no safe name holds).
QString DecodeName(const QByteArray& raw)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString name = utf8(raw);
    if (utf8.hasError())
        name = DecodeWindows1252(raw);
    return name;
}

std::optional<Entry> MakeEntry(const QByteArray& rawName, bool isFile, const QDateTime& modified,
                               qint64 size)
{
    if (rawName.isEmpty() || rawName == "." || rawName == "..")
        return std::nullopt;
    Entry entry;
    entry.rawName = rawName;
    entry.item.FileName = DecodeName(rawName);
    entry.item.IsFile = isFile;
    entry.item.ModifiedDate = modified;
    entry.item.Size = isFile ? size : -1;
    return entry;
}

bool AllDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A run of digits that fits an int (callers check lengths first).
int Number(QByteArrayView digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

qint64 Size(QByteArrayView digits)
{
    if (!AllDigits(digits) || digits.size() > 18)
        return -1;
    qint64 value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// "HH:MM" with a valid hour and minute.
bool ParseClock(QByteArrayView text, QTime& time)
{
    const qsizetype colon = text.indexOf(':');
    if (colon < 1 || colon > 2 || text.size() - colon != 3)
        return false;
    const QByteArrayView hours = text.first(colon), minutes = text.sliced(colon + 1);
    if (!AllDigits(hours) || !AllDigits(minutes))
        return false;
    time = QTime(Number(hours), Number(minutes));
    return time.isValid();
}

int MonthNumber(QByteArrayView name)
{
    static const std::array<const char*, 12> months = {"jan", "feb", "mar", "apr", "may", "jun",
                                                       "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() != 3)
        return 0;
    for (int i = 0; i < 12; ++i)
        if (QByteArrayView(months[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

struct Token
{
    qsizetype start;
    qsizetype end;
};

std::vector<Token> Tokens(QByteArrayView line)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const qsizetype start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            tokens.push_back({start, i});
    }
    return tokens;
}

bool LooksLikeUnixMode(QByteArrayView token)
{
    if (token.size() < 10 || !QByteArrayView("-dlbcpsD").contains(token[0]))
        return false;
    for (qsizetype i = 1; i < 10; ++i)
        if (!QByteArrayView("rwxsStTlL-").contains(token[i]))
            return false;
    return true;
}

// "drwxr-xr-x 2 owner group 4096 Mar  5 14:03 name" or "... Mar  5  2019 name"; also the
// ISO style "... 4096 2019-03-05 14:03 name". The owner and group columns vary between
// servers, so the date is found as the first month/day/time-or-year triple after a size.
std::optional<Entry> ParseUnixLine(QByteArrayView line, const QDateTime& now)
{
    const std::vector<Token> tokens = Tokens(line);
    if (tokens.size() < 5 || tokens[0].start != 0)
        return std::nullopt;
    auto text = [&](size_t i) {
        return line.sliced(tokens[i].start, tokens[i].end - tokens[i].start);
    };
    if (!LooksLikeUnixMode(text(0)))
        return std::nullopt;

    for (size_t i = 2; i + 1 < tokens.size(); ++i) {
        if (!AllDigits(text(i - 1)))
            continue;
        QDateTime modified;
        qsizetype nameStart = -1;
        const QByteArrayView first = text(i);
        QTime clock;
        if (const int month = MonthNumber(first); month != 0 && i + 2 < tokens.size()) {
            const QByteArrayView day = text(i + 1), third = text(i + 2);
            if (!AllDigits(day) || day.size() > 2)
                continue;
            if (ParseClock(third, clock)) {
                // No year: the most recent such date not after tomorrow (clock skew).
                const QDate today = now.date();
                QDate date(today.year(), month, Number(day));
                if (!date.isValid() || date > today.addDays(1))
                    date = QDate(today.year() - 1, month, Number(day));
                modified = QDateTime(date, clock);
            } else if (third.size() == 4 && AllDigits(third)) {
                modified = QDateTime(QDate(Number(third), month, Number(day)), QTime(0, 0));
            } else {
                continue;
            }
            nameStart = tokens[i + 2].end + 1;
        } else if (first.size() == 10 && first[4] == '-' && first[7] == '-' &&
                   AllDigits(first.first(4)) && AllDigits(first.sliced(5, 2)) &&
                   AllDigits(first.sliced(8, 2)) && ParseClock(text(i + 1), clock)) {
            const QDate date(Number(first.first(4)), Number(first.sliced(5, 2)),
                             Number(first.sliced(8, 2)));
            modified = QDateTime(date, clock);
            nameStart = tokens[i + 1].end + 1;
        } else {
            continue;
        }
        if (nameStart >= line.size())
            return std::nullopt;

        QByteArray name = line.sliced(nameStart).toByteArray();
        const char kind = line[0];
        if (kind == 'l') {
            const qsizetype arrow = name.indexOf(" -> ");
            if (arrow >= 0)
                name.truncate(arrow);
        }
        return MakeEntry(name, kind == '-', modified, Size(text(i - 1)));
    }
    return std::nullopt;
}

// "03-05-19  02:03PM       <DIR>          Rapport" or "03-05-2019  14:03  1234 a.xml".
// Some servers write the hour without AM/PM; it is then taken as it stands.
std::optional<Entry> ParseDosLine(QByteArrayView line)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{2})-(\\d{2})-(\\d{2}|\\d{4}) +(\\d{1,2}):(\\d{2}) *([AaPp][Mm])?"
                       " +(<DIR>|\\d{1,18}) +"));
    // Latin-1 maps each byte to one character, so offsets match the raw line.
    const QString text = QString::fromLatin1(line.data(), line.size());
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || match.capturedEnd(0) >= text.size())
        return std::nullopt;

    int year = match.capturedView(3).toInt();
    if (match.capturedLength(3) == 2)
        year += year < 70 ? 2000 : 1900;
    const QDate date(year, match.capturedView(1).toInt(), match.capturedView(2).toInt());
    int hour = match.capturedView(4).toInt();
    const int minute = match.capturedView(5).toInt();
    if (match.capturedLength(6) > 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        const bool pm = match.capturedView(6).startsWith(QLatin1Char('P'), Qt::CaseInsensitive);
        hour = hour % 12 + (pm ? 12 : 0);
    }
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;

    const bool isDir = match.capturedView(7) == QLatin1String("<DIR>");
    const QByteArray name = line.sliced(match.capturedEnd(0)).toByteArray();
    return MakeEntry(name, !isDir, QDateTime(date, time),
                     isDir ? -1
                           : Size(line.sliced(match.capturedStart(7), match.capturedLength(7))));
}

template <typename Parse> std::vector<Entry> ParseLines(const QByteArray& listing, Parse parse)
{
    std::vector<Entry> entries;
    qsizetype start = 0;
    while (start < listing.size()) {
        qsizetype end = listing.indexOf('\n', start);
        if (end < 0)
            end = listing.size();
        QByteArrayView line(listing.constData() + start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            if (std::optional<Entry> entry = parse(line))
                entries.push_back(std::move(*entry));
        start = end + 1;
    }
    return entries;
}

} // namespace

std::optional<Entry> ParseMlsdLine(QByteArrayView line)
{
    // The facts end at the first space; the name is everything after it.
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return std::nullopt;
    const QByteArrayView facts = line.first(space);

    QByteArrayView type, modify, size;
    qsizetype start = 0;
    while (start < facts.size()) {
        qsizetype end = facts.indexOf(';', start);
        if (end < 0)
            end = facts.size();
        const QByteArrayView fact = facts.sliced(start, end - start);
        const qsizetype equals = fact.indexOf('=');
        if (equals > 0) {
            const QByteArrayView key = fact.first(equals), value = fact.sliced(equals + 1);
            if (key.compare("type", Qt::CaseInsensitive) == 0)
                type = value;
            else if (key.compare("modify", Qt::CaseInsensitive) == 0)
                modify = value;
            else if (key.compare("size", Qt::CaseInsensitive) == 0)
                size = value;
        }
        start = end + 1;
    }
    if (type.compare("cdir", Qt::CaseInsensitive) == 0 ||
        type.compare("pdir", Qt::CaseInsensitive) == 0)
        return std::nullopt;

    QDateTime modified;
    if (modify.size() >= 14 && AllDigits(modify.first(14))) {
        const QDate date(Number(modify.first(4)), Number(modify.sliced(4, 2)),
                         Number(modify.sliced(6, 2)));
        const QTime time(Number(modify.sliced(8, 2)), Number(modify.sliced(10, 2)),
                         Number(modify.sliced(12, 2)));
        if (date.isValid() && time.isValid())
            modified = QDateTime(date, time, Qt::UTC).toLocalTime();
    }
    const bool isFile = type.compare("file", Qt::CaseInsensitive) == 0;
    return MakeEntry(line.sliced(space + 1).toByteArray(), isFile, modified, Size(size));
}

std::optional<Entry> ParseListLine(QByteArrayView line, const QDateTime& now)
{
    if (std::optional<Entry> entry = ParseUnixLine(line, now))
        return entry;
    return ParseDosLine(line);
}

std::vector<Entry> ParseMlsd(const QByteArray& listing)
{
    return ParseLines(listing, [](QByteArrayView line) { return ParseMlsdLine(line); });
}

std::vector<Entry> ParseList(const QByteArray& listing, const QDateTime& now)
{
    return ParseLines(listing, [&](QByteArrayView line) { return ParseListLine(line, now); });
}

} // namespace FtpListing
