#include "text/numbers.h"

#include "text/textchars.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace qd::text {

using detail::isAsciiDigit;
using detail::isBlank;
using detail::nonFiniteText;

namespace {

// Converts plain ASCII number text ("-12.5e3", no blanks, "." as point) with std::from_chars.
// `decimalExponent` estimates the power of ten of the first significant digit; it decides
// between overflow (nullopt) and underflow (zero) when from_chars reports out of range.
std::optional<double> convertAscii(const std::string& s, bool negative, long decimalExponent) {
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        if (decimalExponent < 0) return negative ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
    return negative ? -v : v;
}

// Scans mantissa digits and exponent that the callers have already split, and collects the
// ASCII text for from_chars plus the estimate of the decimal exponent.
struct NumberScan {
    std::string ascii;          // digits, optional ".", digits, optional "e" exponent
    long firstDigitPower = 0;   // power of ten of the first nonzero digit, before the exponent
    bool seenNonzero = false;
    long integerCount = 0;      // integer digits after leading zeros
    long leadingFractionZeros = 0;
    bool inFraction = false;
    int digitCount = 0;

    void digit(char c) {
        ascii.push_back(c);
        ++digitCount;
        if (!inFraction) {
            if (seenNonzero || c != '0') {
                seenNonzero = true;
                ++integerCount;
            }
        } else if (!seenNonzero) {
            if (c == '0') ++leadingFractionZeros;
            else seenNonzero = true;
        }
    }
    void point() {
        ascii.push_back('.');
        inFraction = true;
    }
    long power(long exponent) const {
        if (!seenNonzero) return -1;  // zero: never an overflow
        const long base = integerCount > 0 ? integerCount - 1 : -(leadingFractionZeros + 1);
        return base + exponent;
    }
};


// Reads exponent digits at text[i...] (after the e and optional sign); clamps huge values.
long readExponentDigits(const QString& text, qsizetype& i, std::string& ascii) {
    long value = 0;
    while (i < text.size() && isAsciiDigit(text[i])) {
        if (value < 100000) value = value * 10 + (text[i].unicode() - '0');
        ascii.push_back(char(text[i].unicode()));
        ++i;
    }
    return value;
}

}  // namespace

QString numberText(double value) {
    // Statements need something the database reads: the infinities as literals that overflow
    // to infinity, NaN as NULL.
    if (std::isnan(value)) return QStringLiteral("NULL");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-9e999") : QStringLiteral("9e999");
    if (value == 0) return QStringLiteral("0");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString numberTextRegional(double value, const QLocale& locale) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    QString text = numberText(value);
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0) text.replace(point, 1, locale.decimalPoint());
    return text;
}

std::optional<double> parseRegionalNumber(const QString& text, const QLocale& locale) {
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i])) ++i;
    while (end > i && isBlank(text[end - 1])) --end;
    if (i >= end) return std::nullopt;

    const QString decimalPoint = locale.decimalPoint();
    const QString groupSeparator = locale.groupSeparator();
    const QString negativeSign = locale.negativeSign();
    const QString positiveSign = locale.positiveSign();
    // A blank-like group separator (fr_FR, sv_SE) is typed as a plain or no-break space too.
    const bool blankGroup = groupSeparator.size() == 1 && groupSeparator[0].isSpace();
    auto at = [&](qsizetype pos, const QString& piece) {
        return !piece.isEmpty() && pos + piece.size() <= end &&
               QStringView(text).mid(pos, piece.size()) == piece;
    };

    bool negative = false;
    if (text[i] == u'-' || text[i] == u'+') {
        negative = text[i] == u'-';
        ++i;
    } else if (at(i, negativeSign)) {
        negative = true;
        i += negativeSign.size();
    } else if (at(i, positiveSign)) {
        i += positiveSign.size();
    }

    NumberScan scan;
    while (i < end) {
        const QChar c = text[i];
        if (isAsciiDigit(c)) {
            scan.digit(char(c.unicode()));
            ++i;
        } else if (!scan.inFraction && scan.digitCount > 0 &&
                   (at(i, groupSeparator) || (blankGroup && (c == u' ' || c == QChar(0xA0) ||
                                                             c == QChar(0x202F))))) {
            i += at(i, groupSeparator) ? groupSeparator.size() : 1;
        } else if (!scan.inFraction && at(i, decimalPoint)) {
            scan.point();
            i += decimalPoint.size();
        } else {
            break;
        }
    }
    if (scan.digitCount == 0) return std::nullopt;
    long exponent = 0;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-' || at(i, negativeSign))) {
            negativeExponent = text[i] != u'+';
            i += text[i] == u'+' || text[i] == u'-' ? 1 : negativeSign.size();
        }
        if (i >= end || !isAsciiDigit(text[i])) return std::nullopt;
        std::string digits;
        const QString limited = text.left(end);
        exponent = readExponentDigits(limited, i, digits);
        if (negativeExponent) exponent = -exponent;
        scan.ascii += 'e';
        scan.ascii += std::to_string(exponent);
    }
    if (i != end) return std::nullopt;
    return convertAscii(scan.ascii, negative, scan.power(exponent));
}

bool isNumeric(const QString& text, const QLocale& locale) {
    return parseRegionalNumber(text, locale).has_value();
}

double leadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype end = text.size();
    while (i < end && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    NumberScan scan;
    while (i < end) {
        if (isAsciiDigit(text[i])) scan.digit(char(text[i].unicode()));
        else if (text[i] == u'.' && !scan.inFraction) scan.point();
        else break;
        ++i;
    }
    if (scan.digitCount == 0) return 0;
    if (scan.ascii.back() == '.') scan.ascii.pop_back();  // "12." reads as 12
    long exponent = 0;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        bool negativeExponent = false;
        if (j < end && (text[j] == u'+' || text[j] == u'-')) {
            negativeExponent = text[j] == u'-';
            ++j;
        }
        if (j < end && isAsciiDigit(text[j])) {
            std::string digits;
            exponent = readExponentDigits(text, j, digits);
            if (negativeExponent) exponent = -exponent;
            scan.ascii += 'e';
            scan.ascii += std::to_string(exponent);
        }
    }
    if (scan.ascii.front() == '.') scan.ascii.insert(scan.ascii.begin(), '0');
    const std::optional<double> v = convertAscii(scan.ascii, negative, scan.power(exponent));
    if (!v) return negative ? -HUGE_VAL : HUGE_VAL;
    return *v;
}

// ---- Statements ---------------------------------------------------------------------------

}  // namespace qd::text
