#pragma once

// Dates: the regional short date, date format texts, and dates as the user types them.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace qd::text {

// ---- Dates --------------------------------------------------------------------------------

// The regional short date, always with a four-digit year: 12/8/2026 (en_US), 08.12.2026 (de_DE).
QString shortDate(const QDate& date, const QLocale& locale = QLocale());

// Formats a date with a date format text: d dd (day), M MM or m mm (month), yy yyyy (year),
// h hh, n nn, s ss (time); "/" and every other character literal; "\c" the literal c;
// "..." literal text. "M/d/yyyy" -> 3/7/2026, "mm\/dd\/yyyy" -> 03/07/2026.
QString formatDate(const QDateTime& value, const QString& format);
// The same for a date and a time of day given apart (an invalid time is midnight). It never
// asks the time zone, which the C library does by looking at the zone file again each time.
QString formatDate(const QDate& date, const QTime& time, const QString& format,
                   const QLocale& locale = QLocale());

// Reads a date the way the user would type it under the regional settings: the regional
// short date order with any of the separators / . - and blank, one- or two-digit day and
// month, two- or four-digit year (two digits: 00-29 -> 2000-2029, 30-99 -> 1930-1999),
// optionally followed by a time h:mm[:ss]; also ISO yyyy-mm-dd[ hh:mm[:ss]]. Returns an
// invalid QDateTime when the text is no date. A date without time has the time 00:00:00.
QDateTime parseDate(const QString& text, const QLocale& locale = QLocale());

}  // namespace qd::text
