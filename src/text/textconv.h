#pragma once

// Formats and conversions between values and the texts the user sees or the database reads.
// Nothing here knows about widgets. Every function that depends on the regional settings takes
// the locale as its last argument and defaults to QLocale() (the default locale), so tests can
// switch regions with QLocale::setDefault.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <optional>

namespace qd::text {

// ---- Numbers ------------------------------------------------------------------------------

// Formats a number with a format text in the notation of the classic Format function:
//   0      digit placeholder, always shown          #  digit placeholder, shown when significant
//   .      decimal point (the regional separator)   ,  thousands grouping (regional separator)
//          when it stands between digit placeholders of the integer part
//   %      multiplies the value by 100 and shows a percent sign
//   "..."  literal text          \c  the literal character c
//   ;      separates sections: positive;negative;zero (a missing section falls back to the first)
// Every other character is shown literally, so a currency symbol may stand before or after the
// placeholders either quoted ("\"$\"#,##0.00") or as typed ("$#,##0.00", "#,##0.00CHF").
// Rounding is half away from zero, applied to the value's 15-significant-digit decimal form
// (1.005 -> "1.01", 2.675 -> "2.68"). A negative value formatted with a single section gets
// its minus sign in front of everything ("-$5.00"); a value that rounds to zero shows no sign.
// An empty format gives numberTextRegional().
QString formatNumber(double value, const QString& format, const QLocale& locale = QLocale());

// The value in decimal with "." as separator, no grouping, no trailing zeros, at most 15
// significant digits: 0.0825, 1234.5, 3, -0.5, 0. This is how numbers go into statements.
QString numberText(double value);

// The same, but with the regional decimal separator (the standard number-to-text conversion):
// 8.25 -> "8,25" under de_DE. Used for numbers shown in text boxes and stored in settings.
QString numberTextRegional(double value, const QLocale& locale = QLocale());

// Reads a text as a number under the regional settings: blanks around it, a leading sign,
// the regional decimal separator, regional thousands separators anywhere in the integer part
// and an exponent are accepted ("1,234.50" -> 1234.5 under en_US, "1.234,50" under de_DE).
// Returns nullopt for anything else, including the empty text.
std::optional<double> parseRegionalNumber(const QString& text, const QLocale& locale = QLocale());

// True when parseRegionalNumber would accept the text.
bool isNumeric(const QString& text, const QLocale& locale = QLocale());

// The number at the start of a text, read with "." as decimal point whatever the region:
// leading blanks skipped, optional sign, digits with at most one point, an optional exponent
// (e or E, optional sign, digits); reading stops at the first other character. A text with no
// number at its start gives 0. "12.5 Euro" -> 12.5, "1,234.50" -> 1, "5.00%" -> 5, "abc" -> 0.
double leadingNumber(const QString& text);

// ---- Dates --------------------------------------------------------------------------------

// The regional short date, always with a four-digit year: 12/8/2026 (en_US), 08.12.2026 (de_DE).
QString shortDate(const QDate& date, const QLocale& locale = QLocale());

// Formats a date with a date format text: d dd (day), M MM or m mm (month), yy yyyy (year),
// h hh, n nn, s ss (time); "/" and every other character literal; "\c" the literal c;
// "..." literal text. "M/d/yyyy" -> 3/7/2026, "mm\/dd\/yyyy" -> 03/07/2026.
QString formatDate(const QDateTime& value, const QString& format);

// Reads a date the way the user would type it under the regional settings: the regional
// short date order with any of the separators / . - and blank, one- or two-digit day and
// month, two- or four-digit year (two digits: 00-29 -> 2000-2029, 30-99 -> 1930-1999),
// optionally followed by a time h:mm[:ss]; also ISO yyyy-mm-dd[ hh:mm[:ss]]. Returns an
// invalid QDateTime when the text is no date. A date without time has the time 00:00:00.
QDateTime parseDate(const QString& text, const QLocale& locale = QLocale());

// ---- Values -------------------------------------------------------------------------------

// A value as text the way the list views and the reports show it with no format ("general"):
// text as it is, whole numbers as digits, other numbers as numberTextRegional, dates as
// shortDate (with " h:mm:ss" appended when the time is not midnight), a null value as "".
QString generalText(const QVariant& value, const QLocale& locale = QLocale());

// A value formatted with a format text: dates through formatDate, numbers through
// formatNumber, text unchanged, null as "". An empty format gives generalText.
QString formatValue(const QVariant& value, const QString& format,
                    const QLocale& locale = QLocale());

// ---- Statements ---------------------------------------------------------------------------

// User text for a statement: every ' doubled. "Rock'n'Roll" -> "Rock''n''Roll".
QString doubleQuotes(const QString& text);

// The same between single quotes: "Rock'n'Roll" -> "'Rock''n''Roll'".
QString quoted(const QString& text);

}  // namespace qd::text
