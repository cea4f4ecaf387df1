#pragma once

// Numbers as statements take them and as the user types them, and user text for statements.

#include <QLocale>
#include <QString>

#include <optional>

namespace qd::text {

// ---- Numbers ------------------------------------------------------------------------------

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

}  // namespace qd::text
