#pragma once

// The format function: numbers and dates through a format text, and values as the lists and
// reports show them without one.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <memory>

namespace qd::text {

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

// A number format text compiled once, for formatting many values with it.
class NumberFormat {
public:
    explicit NumberFormat(const QString& format);
    QString operator()(double value, const QLocale& locale = QLocale()) const;
    const QString& text() const { return m_format; }
    struct Compiled;

private:
    QString m_format;
    std::shared_ptr<const Compiled> m_compiled;
};


// ---- Values -------------------------------------------------------------------------------

// A value as text the way the list views and the reports show it with no format ("general"):
// text as it is, whole numbers as digits, other numbers as numberTextRegional, dates as
// shortDate (with " h:mm:ss" appended when the time is not midnight), a null value as "".
QString generalText(const QVariant& value, const QLocale& locale = QLocale());

// A value formatted with a format text: dates through formatDate, numbers through
// formatNumber, text unchanged, null as "". An empty format gives generalText.
QString formatValue(const QVariant& value, const QString& format,
                    const QLocale& locale = QLocale());

}  // namespace qd::text
