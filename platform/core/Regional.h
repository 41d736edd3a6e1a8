#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

// Regional settings: today's date, adding days, date-time to text and text to date-time
// under the machine's locale (QLocale::system()). Under French settings the short date is
// dd/MM/yyyy and the long time HH:mm:ss. Tests fix the locale and the clock.
namespace Regional {

QLocale Locale();
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

// Test seams: an invalid/empty value restores the system's own.
void SetLocale(const QLocale& locale);
void ResetLocale();
void SetClock(std::function<QDateTime()> clock);

} // namespace Regional
