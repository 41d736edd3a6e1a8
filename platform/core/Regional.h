#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>

// Regional settings: today's date, adding days, date-time to text and text to date-time
// under the head office's regional formats. The franchisees' program writes its reports and
// reads the exports in those formats, so they never follow the session's locale (an English
// desktop, LANG=C under a timer): French (fr_FR: short date dd/MM/yyyy, long time HH:mm:ss,
// decimal comma) unless the settings name another locale at start-up. Tests fix the locale
// and the clock.
namespace Regional {

// The regional formats in use: French unless SetLocale chose another.
QLocale Locale();
// fr_FR, the default.
QLocale FrenchLocale();
// The locale a settings value names, e.g. "fr_BE", "de-CH", "fr" or "fr_BE.UTF-8": nothing
// when the value is empty or names no language and territory that Qt knows.
std::optional<QLocale> LocaleNamed(const QString& name);
QDateTime Now();
QDate Today();
QDate AddDays(const QDate& date, int days);

// Short date, e.g. "28/05/2020".
QString DateToStr(const QDate& date);
// Long time, e.g. "14:03:09".
QString TimeToStr(const QTime& time);
// Date then time; the time is left out at exactly midnight.
QString DateTimeToStr(const QDateTime& dateTime);

// Accepts a short date alone, or followed by a time with or without seconds.
bool TryStrToDateTime(const QString& text, QDateTime& result);
// As TryStrToDateTime; throws ConvertError ("'…' n'est pas une date et heure correcte").
QDateTime StrToDateTime(const QString& text);

// Chooses the regional formats (at start-up, and in tests); a locale of no language, and
// ResetLocale, restore French.
void SetLocale(const QLocale& locale);
void ResetLocale();
void SetClock(std::function<QDateTime()> clock);

} // namespace Regional
