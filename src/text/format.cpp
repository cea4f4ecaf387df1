#include "text/format.h"

#include "text/dates.h"
#include "text/numbers.h"
#include "text/textchars.h"

#include <QHash>

#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace qd::text {

using detail::isMidnight;
using detail::nonFiniteText;
using detail::timeText;

namespace {

// ---- Decimal digits of a double ---------------------------------------------------------

// A non-negative value as decimal digits: value = 0.digits * 10^point, that is `point` digits
// stand before the decimal point (point may be negative or exceed the digit count). No
// trailing zeros are kept; zero has no digits.
struct Decimal {
    std::string digits;
    int point = 0;
    bool negative = false;

    bool isZero() const { return digits.empty(); }
};

void stripTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.point = 0;
}

// The 15-significant-digit decimal form of a finite value. std::to_chars does not depend on
// the C locale, unlike snprintf.
Decimal toDecimal(double value) {
    Decimal d;
    if (value == 0) return d;
    d.negative = std::signbit(value);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                   std::chars_format::scientific, 14);
    // buf holds "d.dddddddddddddde+XX"
    const char* p = buf;
    const char* end = res.ptr;
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
    int exponent = 0;
    if (p < end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
    d.point = exponent + 1;
    stripTrailingZeros(d);
    return d;
}

// Rounds half away from zero to `decimals` digits after the point, on the decimal digits.
void roundDecimal(Decimal& d, int decimals) {
    if (d.isZero()) return;
    const long keep = long(d.point) + decimals;
    if (keep >= long(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        d.point = 0;
        return;
    }
    const bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.digits[size_t(i)] == '9') d.digits[size_t(i--)] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        } else {
            ++d.digits[size_t(i)];
        }
    }
    stripTrailingZeros(d);
}

// Digits before the point ("" for a value below 1).
std::string integerDigits(const Decimal& d) {
    if (d.point <= 0) return {};
    std::string s = d.digits.substr(0, std::min(size_t(d.point), d.digits.size()));
    if (size_t(d.point) > s.size()) s.append(size_t(d.point) - s.size(), '0');
    return s;
}

// Digit i (0-based) after the point.
char fractionDigit(const Decimal& d, int i) {
    const long index = long(d.point) + i;
    if (index < 0 || index >= long(d.digits.size())) return '0';
    return d.digits[size_t(index)];
}

// ---- Number formats ---------------------------------------------------------------------

}  // namespace

// Number formats live outside the anonymous namespace: NumberFormat holds them.
namespace detail {

struct NumToken {
    enum Kind { Zero, Hash, Point, Literal } kind;
    QString text;  // for Literal
};

struct NumSection {
    std::vector<NumToken> tokens;
    bool empty = true;
    bool grouping = false;
    int percent = 0;
    int intCount = 0;
    int fracCount = 0;
    int forcedInt = 0;       // integer digits always shown (from the first 0 to the point)
    int lastZeroFrac = -1;   // index of the last 0 placeholder after the point
    bool hasPoint = false;
};

}  // namespace detail

using detail::NumSection;
using detail::NumToken;

struct NumberFormat::Compiled {
    std::vector<NumSection> sections;
};

namespace {

using NumFormat = NumberFormat::Compiled;

// Splits at ; outside quotes and escapes.
std::vector<QString> splitSections(const QString& format) {
    std::vector<QString> parts;
    QString current;
    bool inQuote = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (inQuote) {
            current += c;
            if (c == u'"') inQuote = false;
        } else if (c == u'"') {
            current += c;
            inQuote = true;
        } else if (c == u'\\') {
            current += c;
            if (i + 1 < format.size()) current += format[++i];
        } else if (c == u';') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

NumSection compileSection(const QString& s) {
    NumSection sec;
    sec.empty = s.isEmpty();
    auto literal = [&sec](const QString& text) {
        if (text.isEmpty()) return;
        if (!sec.tokens.empty() && sec.tokens.back().kind == NumToken::Literal)
            sec.tokens.back().text += text;
        else
            sec.tokens.push_back({NumToken::Literal, text});
    };
    auto isPlaceholder = [](QChar c) { return c == u'0' || c == u'#'; };
    int firstZeroInt = -1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"') {
            const qsizetype close = s.indexOf(u'"', i + 1);
            const qsizetype stop = close < 0 ? s.size() : close;
            literal(s.mid(i + 1, stop - i - 1));
            i = stop;
        } else if (c == u'\\') {
            if (i + 1 < s.size()) literal(QString(s[++i]));
        } else if (isPlaceholder(c)) {
            const bool zero = c == u'0';
            sec.tokens.push_back({zero ? NumToken::Zero : NumToken::Hash, {}});
            if (sec.hasPoint) {
                if (zero) sec.lastZeroFrac = sec.fracCount;
                ++sec.fracCount;
            } else {
                if (zero && firstZeroInt < 0) firstZeroInt = sec.intCount;
                ++sec.intCount;
            }
        } else if (c == u'.' && !sec.hasPoint) {
            sec.hasPoint = true;
            sec.tokens.push_back({NumToken::Point, {}});
        } else if (c == u',' && !sec.hasPoint && i > 0 && isPlaceholder(s[i - 1]) &&
                   i + 1 < s.size() && isPlaceholder(s[i + 1])) {
            sec.grouping = true;
        } else {
            if (c == u'%') ++sec.percent;
            literal(QString(c));
        }
    }
    sec.forcedInt = firstZeroInt < 0 ? 0 : sec.intCount - firstZeroInt;
    return sec;
}

NumFormat compileNumberFormat(const QString& format) {
    NumFormat f;
    for (const QString& part : splitSections(format)) f.sections.push_back(compileSection(part));
    return f;
}

// The compiled form of the last few formats this thread used: lists format every row with the
// same one or two formats.
std::shared_ptr<const NumFormat> numberFormatFor(const QString& format) {
    thread_local QHash<QString, std::shared_ptr<const NumFormat>> cache;
    auto it = cache.constFind(format);
    if (it != cache.constEnd()) return *it;
    if (cache.size() > 256) cache.clear();
    auto compiled = std::make_shared<const NumFormat>(compileNumberFormat(format));
    return *cache.insert(format, std::move(compiled));
}

// Lays out the magnitude `d` (not yet shifted for percent nor rounded) with one section.
QString renderSection(const NumSection& sec, Decimal d, const QLocale& locale, bool* isZero) {
    if (!d.isZero()) d.point += 2 * sec.percent;
    roundDecimal(d, sec.fracCount);
    if (isZero) *isZero = d.isZero();

    std::string digits = integerDigits(d);
    if (int(digits.size()) < sec.forcedInt)
        digits.insert(digits.begin(), size_t(sec.forcedInt) - digits.size(), '0');
    const int n = int(digits.size());
    const QString groupSep = locale.groupSeparator();
    QString out;
    out.reserve(n + n / 3 + sec.fracCount + 8);
    auto emitDigit = [&](int j) {  // j: position from the right
        out += QChar(char16_t(digits[size_t(n - 1 - j)]));
        if (sec.grouping && j > 0 && j % 3 == 0) out += groupSep;
    };
    auto emitAllFrom = [&](int k) {  // every digit at position k and further left
        for (int j = n - 1; j >= k; --j) emitDigit(j);
    };

    int lastShownFrac = sec.lastZeroFrac;
    for (int i = sec.fracCount - 1; i > lastShownFrac; --i) {
        if (fractionDigit(d, i) != '0') {
            lastShownFrac = i;
            break;
        }
    }

    int intIndex = 0;
    int fracIndex = 0;
    for (const NumToken& t : sec.tokens) {
        switch (t.kind) {
        case NumToken::Literal:
            out += t.text;
            break;
        case NumToken::Point:
            if (sec.intCount == 0) emitAllFrom(0);
            out += locale.decimalPoint();
            break;
        case NumToken::Zero:
        case NumToken::Hash:
            if (fracIndex < sec.fracCount && sec.hasPoint && intIndex == sec.intCount) {
                if (fracIndex <= lastShownFrac) out += QChar(char16_t(fractionDigit(d, fracIndex)));
                ++fracIndex;
            } else {
                const int k = sec.intCount - 1 - intIndex;
                if (intIndex == 0) emitAllFrom(k);
                else if (k < n) emitDigit(k);
                ++intIndex;
            }
            break;
        }
    }
    return out;
}

}  // namespace

NumberFormat::NumberFormat(const QString& format)
    : m_format(format), m_compiled(format.isEmpty() ? nullptr : numberFormatFor(format)) {}

QString NumberFormat::operator()(double value, const QLocale& locale) const {
    if (!m_compiled) return numberTextRegional(value, locale);
    if (!std::isfinite(value)) return nonFiniteText(value);
    const NumFormat& f = *m_compiled;
    const Decimal d = toDecimal(value);
    auto section = [&f](size_t i) -> const NumSection* {
        return i < f.sections.size() && !f.sections[i].empty ? &f.sections[i] : nullptr;
    };
    if (d.isZero()) {
        if (const NumSection* zero = section(2)) return renderSection(*zero, d, locale, nullptr);
        return renderSection(f.sections[0], d, locale, nullptr);
    }
    if (d.negative) {
        if (const NumSection* negative = section(1))
            return renderSection(*negative, d, locale, nullptr);
        bool zero = false;
        const QString text = renderSection(f.sections[0], d, locale, &zero);
        return zero ? text : QLatin1Char('-') + text;
    }
    return renderSection(f.sections[0], d, locale, nullptr);
}

QString formatNumber(double value, const QString& format, const QLocale& locale) {
    return NumberFormat(format)(value, locale);
}

// ---- Values -------------------------------------------------------------------------------

QString generalText(const QVariant& value, const QLocale& locale) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return shortDate(value.toDate(), locale);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) return {};
        QString text = shortDate(dt.date(), locale);
        if (!isMidnight(dt.time())) text += u' ' + timeText(dt.time());
        return text;
    }
    case QMetaType::QTime:
        return timeText(value.toTime());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int: case QMetaType::Long: case QMetaType::LongLong: case QMetaType::Short:
    case QMetaType::SChar: case QMetaType::Char:
        return QString::number(value.toLongLong());
    case QMetaType::UInt: case QMetaType::ULong: case QMetaType::ULongLong:
    case QMetaType::UShort: case QMetaType::UChar:
        return QString::number(value.toULongLong());
    case QMetaType::Double: case QMetaType::Float:
        return numberTextRegional(value.toDouble(), locale);
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}

QString formatValue(const QVariant& value, const QString& format, const QLocale& locale) {
    if (!value.isValid() || value.isNull()) return {};
    if (format.isEmpty()) return generalText(value, locale);
    switch (value.typeId()) {
    case QMetaType::QDate:
        return formatDate(value.toDate(), QTime(0, 0), format);
    case QMetaType::QDateTime:
        return formatDate(value.toDateTime(), format);
    case QMetaType::QTime:
        return formatDate(QDate(1899, 12, 30), value.toTime(), format);
    case QMetaType::Int: case QMetaType::Long: case QMetaType::LongLong: case QMetaType::Short:
    case QMetaType::SChar: case QMetaType::Char: case QMetaType::UInt: case QMetaType::ULong:
    case QMetaType::ULongLong: case QMetaType::UShort: case QMetaType::UChar:
    case QMetaType::Double: case QMetaType::Float:
        return formatNumber(value.toDouble(), format, locale);
    case QMetaType::QString:
        return value.toString();
    default:
        return generalText(value, locale);
    }
}

}  // namespace qd::text
