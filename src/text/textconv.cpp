#include "text/textconv.h"

#include <QHash>
#include <QTime>

#include <charconv>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace qd::text {

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

QString nonFiniteText(double value) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
}

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

bool isBlank(QChar c) { return c.isSpace(); }
bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

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

// ---- Number formats ---------------------------------------------------------------------

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

struct NumFormat {
    std::vector<NumSection> sections;
};

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
const NumFormat& numberFormatFor(const QString& format) {
    thread_local QHash<QString, std::shared_ptr<const NumFormat>> cache;
    auto it = cache.constFind(format);
    if (it != cache.constEnd()) return **it;
    if (cache.size() > 256) cache.clear();
    auto compiled = std::make_shared<const NumFormat>(compileNumberFormat(format));
    return **cache.insert(format, std::move(compiled));
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

// ---- Dates ------------------------------------------------------------------------------

struct DateToken {
    enum Kind {
        Literal, Day1, Day2, DayShort, DayLong, Month1, Month2, MonthShort, MonthLong,
        Year2, Year4, Hour1, Hour2, Minute1, Minute2, Second1, Second2, AmPmUpper, AmPmLower,
        APUpper, APLower
    } kind;
    QString text;
};

using DatePattern = std::vector<DateToken>;

void appendLiteral(DatePattern& p, const QString& text) {
    if (text.isEmpty()) return;
    if (!p.empty() && p.back().kind == DateToken::Literal) p.back().text += text;
    else p.push_back({DateToken::Literal, text});
}

qsizetype runLength(const QString& s, qsizetype i, QChar c) {
    qsizetype j = i;
    while (j < s.size() && s[j] == c) ++j;
    return j - i;
}

// Compiles a date format in the notation of formatDate (classic Format).
DatePattern compileDateFormat(const QString& f) {
    DatePattern p;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        const QChar lower = c.toLower();
        if (c == u'"') {
            const qsizetype close = f.indexOf(u'"', i + 1);
            const qsizetype stop = close < 0 ? f.size() : close;
            appendLiteral(p, f.mid(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < f.size()) appendLiteral(p, QString(f[i + 1]));
            i += 2;
            continue;
        }
        if (f.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            p.push_back({f[i] == u'a' ? DateToken::AmPmLower : DateToken::AmPmUpper, {}});
            i += 5;
            continue;
        }
        if (f.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            p.push_back({f[i] == u'a' ? DateToken::APLower : DateToken::APUpper, {}});
            i += 3;
            continue;
        }
        const qsizetype run = runLength(f, i, c);
        DateToken::Kind kind = DateToken::Literal;
        if (lower == u'd') {
            kind = run == 1 ? DateToken::Day1 : run == 2 ? DateToken::Day2
                 : run == 3 ? DateToken::DayShort : DateToken::DayLong;
        } else if (c == u'M' || c == u'm') {
            // m right after an hour token (literals between allowed) means minutes.
            const DateToken* previous = nullptr;
            for (auto it = p.rbegin(); it != p.rend(); ++it)
                if (it->kind != DateToken::Literal) { previous = &*it; break; }
            const bool minutes = c == u'm' && run <= 2 && previous &&
                                 (previous->kind == DateToken::Hour1 ||
                                  previous->kind == DateToken::Hour2);
            if (minutes) kind = run == 1 ? DateToken::Minute1 : DateToken::Minute2;
            else kind = run == 1 ? DateToken::Month1 : run == 2 ? DateToken::Month2
                      : run == 3 ? DateToken::MonthShort : DateToken::MonthLong;
        } else if (lower == u'y') {
            kind = run >= 3 ? DateToken::Year4 : DateToken::Year2;
        } else if (lower == u'h') {
            kind = run == 1 ? DateToken::Hour1 : DateToken::Hour2;
        } else if (lower == u'n') {
            kind = run == 1 ? DateToken::Minute1 : DateToken::Minute2;
        } else if (lower == u's') {
            kind = run == 1 ? DateToken::Second1 : DateToken::Second2;
        }
        if (kind == DateToken::Literal) {
            appendLiteral(p, QString(c));
            i += 1;
        } else {
            p.push_back({kind, {}});
            i += run;
        }
    }
    return p;
}

// Compiles a Qt date format (the locale's short date) with the year widened to four digits.
DatePattern compileQtDateFormat(const QString& f) {
    DatePattern p;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        if (c == u'\'') {
            if (i + 1 < f.size() && f[i + 1] == u'\'') {
                appendLiteral(p, QStringLiteral("'"));
                i += 2;
                continue;
            }
            QString text;
            qsizetype j = i + 1;
            for (; j < f.size(); ++j) {
                if (f[j] == u'\'') {
                    if (j + 1 < f.size() && f[j + 1] == u'\'') {
                        text += u'\'';
                        ++j;
                        continue;
                    }
                    break;
                }
                text += f[j];
            }
            appendLiteral(p, text);
            i = j + 1;
            continue;
        }
        const qsizetype run = runLength(f, i, c);
        DateToken::Kind kind = DateToken::Literal;
        if (c == u'd') {
            kind = run == 1 ? DateToken::Day1 : run == 2 ? DateToken::Day2
                 : run == 3 ? DateToken::DayShort : DateToken::DayLong;
        } else if (c == u'M') {
            kind = run == 1 ? DateToken::Month1 : run == 2 ? DateToken::Month2
                 : run == 3 ? DateToken::MonthShort : DateToken::MonthLong;
        } else if (c == u'y') {
            kind = DateToken::Year4;
        }
        if (kind == DateToken::Literal) {
            appendLiteral(p, f.mid(i, run));
        } else {
            p.push_back({kind, {}});
        }
        i += run;
    }
    return p;
}

void appendNumber(QString& out, int value, int minDigits) {
    char buf[16];
    const bool negative = value < 0;
    unsigned v = negative ? 0u - unsigned(value) : unsigned(value);
    int len = 0;
    do {
        buf[len++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (len < minDigits) buf[len++] = '0';
    if (negative) out += u'-';
    while (len) out += QChar(char16_t(buf[--len]));
}

QString renderDate(const DatePattern& p, const QDate& date, const QTime& time,
                   const QLocale& locale) {
    bool twelveHour = false;
    for (const DateToken& t : p)
        if (t.kind >= DateToken::AmPmUpper) twelveHour = true;
    QString out;
    out.reserve(24);
    const int hour = time.isValid() ? time.hour() : 0;
    const int shownHour = twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
    const int minute = time.isValid() ? time.minute() : 0;
    const int second = time.isValid() ? time.second() : 0;
    for (const DateToken& t : p) {
        switch (t.kind) {
        case DateToken::Literal: out += t.text; break;
        case DateToken::Day1: appendNumber(out, date.day(), 1); break;
        case DateToken::Day2: appendNumber(out, date.day(), 2); break;
        case DateToken::DayShort: out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat); break;
        case DateToken::DayLong: out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat); break;
        case DateToken::Month1: appendNumber(out, date.month(), 1); break;
        case DateToken::Month2: appendNumber(out, date.month(), 2); break;
        case DateToken::MonthShort:
            out += locale.monthName(date.month(), QLocale::ShortFormat);
            break;
        case DateToken::MonthLong:
            out += locale.monthName(date.month(), QLocale::LongFormat);
            break;
        case DateToken::Year2: appendNumber(out, ((date.year() % 100) + 100) % 100, 2); break;
        case DateToken::Year4: appendNumber(out, date.year(), 4); break;
        case DateToken::Hour1: appendNumber(out, shownHour, 1); break;
        case DateToken::Hour2: appendNumber(out, shownHour, 2); break;
        case DateToken::Minute1: appendNumber(out, minute, 1); break;
        case DateToken::Minute2: appendNumber(out, minute, 2); break;
        case DateToken::Second1: appendNumber(out, second, 1); break;
        case DateToken::Second2: appendNumber(out, second, 2); break;
        case DateToken::AmPmUpper: out += hour < 12 ? u"AM" : u"PM"; break;
        case DateToken::AmPmLower: out += hour < 12 ? u"am" : u"pm"; break;
        case DateToken::APUpper: out += hour < 12 ? u'A' : u'P'; break;
        case DateToken::APLower: out += hour < 12 ? u'a' : u'p'; break;
        }
    }
    return out;
}

// What a locale's short date gives this module, derived once per locale.
struct RegionalDate {
    DatePattern pattern;     // short date with four-digit year
    char order[3] = {'M', 'd', 'y'};
    QString separators;      // characters that may stand between the parts of a typed date
    QStringList monthNames;  // 12 long then 12 short names, lower case
    QString trailing;        // literal text after the last part ("г." in bg_BG), trimmed
};

RegionalDate deriveRegionalDate(const QLocale& locale) {
    RegionalDate r;
    r.pattern = compileQtDateFormat(locale.dateFormat(QLocale::ShortFormat));
    int filled = 0;
    bool seen[3] = {false, false, false};
    r.separators = QStringLiteral("/.- \t");
    for (const DateToken& t : r.pattern) {
        int slot = -1;
        char letter = 0;
        switch (t.kind) {
        case DateToken::Day1: case DateToken::Day2: slot = 0; letter = 'd'; break;
        case DateToken::Month1: case DateToken::Month2: case DateToken::MonthShort:
        case DateToken::MonthLong: slot = 1; letter = 'M'; break;
        case DateToken::Year2: case DateToken::Year4: slot = 2; letter = 'y'; break;
        case DateToken::Literal:
            for (QChar c : t.text)
                if (!c.isLetterOrNumber() && !r.separators.contains(c)) r.separators += c;
            break;
        default: break;
        }
        if (slot >= 0 && !seen[slot] && filled < 3) {
            seen[slot] = true;
            r.order[filled++] = letter;
        }
    }
    if (!r.pattern.empty() && r.pattern.back().kind == DateToken::Literal)
        r.trailing = r.pattern.back().text.trimmed();
    if (filled != 3) {  // a locale without all three parts: month/day/year
        r.order[0] = 'M';
        r.order[1] = 'd';
        r.order[2] = 'y';
    }
    for (int m = 1; m <= 12; ++m) r.monthNames << locale.monthName(m, QLocale::LongFormat).toLower();
    for (int m = 1; m <= 12; ++m) r.monthNames << locale.monthName(m, QLocale::ShortFormat).toLower();
    for (QString& name : r.monthNames)
        while (name.endsWith(u'.')) name.chop(1);
    return r;
}

// Per-thread cache keyed by the locale's language, script and territory (its name).
const RegionalDate& regionalDate(const QLocale& locale) {
    thread_local QLocale lastLocale(QLocale::c());
    thread_local const RegionalDate* last = nullptr;
    if (last && lastLocale == locale) return *last;
    thread_local QHash<quint64, std::shared_ptr<const RegionalDate>> cache;
    const quint64 key = (quint64(locale.language()) << 32) | (quint64(locale.script()) << 16) |
                        quint64(locale.territory());
    auto it = cache.constFind(key);
    if (it == cache.constEnd())
        it = cache.insert(key, std::make_shared<const RegionalDate>(deriveRegionalDate(locale)));
    lastLocale = locale;
    last = it->get();
    return *last;
}

bool isMidnight(const QTime& t) {
    return !t.isValid() || (t.hour() == 0 && t.minute() == 0 && t.second() == 0 && t.msec() == 0);
}

QString timeText(const QTime& t) {
    QString out;
    out.reserve(8);
    appendNumber(out, t.hour(), 1);
    out += u':';
    appendNumber(out, t.minute(), 2);
    out += u':';
    appendNumber(out, t.second(), 2);
    return out;
}

// A typed date's part: digits (with their count) or a month name.
struct DatePart {
    int value = 0;
    int digits = 0;   // 0 for a month name
};

int readDigits(const QString& s, qsizetype& i, int maxDigits, int& count) {
    int value = 0;
    count = 0;
    while (i < s.size() && isAsciiDigit(s[i])) {
        if (count >= maxDigits) return -1;
        value = value * 10 + (s[i].unicode() - '0');
        ++count;
        ++i;
    }
    return value;
}

// Reads "h:mm[:ss[.fff]]" with optional AM/PM; the whole rest of the text must be the time.
std::optional<QTime> readTime(const QString& s, qsizetype i) {
    int count = 0;
    const int hour = readDigits(s, i, 2, count);
    if (hour < 0 || count == 0 || i >= s.size() || s[i] != u':') return std::nullopt;
    ++i;
    const int minute = readDigits(s, i, 2, count);
    if (minute < 0 || count == 0) return std::nullopt;
    int second = 0;
    int msec = 0;
    if (i < s.size() && s[i] == u':') {
        ++i;
        second = readDigits(s, i, 2, count);
        if (second < 0 || count == 0) return std::nullopt;
        if (i < s.size() && (s[i] == u'.' || s[i] == u',') && i + 1 < s.size() &&
            isAsciiDigit(s[i + 1])) {
            ++i;
            int scale = 100;
            while (i < s.size() && isAsciiDigit(s[i])) {
                msec += (s[i].unicode() - '0') * scale;
                scale /= 10;
                ++i;
            }
        }
    }
    while (i < s.size() && isBlank(s[i])) ++i;
    int hour24 = hour;
    if (i < s.size()) {
        const QString rest = s.mid(i);
        const bool am = rest.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0 ||
                        rest.compare(QLatin1String("A"), Qt::CaseInsensitive) == 0;
        const bool pm = rest.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0 ||
                        rest.compare(QLatin1String("P"), Qt::CaseInsensitive) == 0;
        if (!am && !pm) return std::nullopt;
        if (hour < 1 || hour > 12) return std::nullopt;
        hour24 = hour % 12 + (pm ? 12 : 0);
    }
    if (hour24 > 23 || minute > 59 || second > 59) return std::nullopt;
    return QTime(hour24, minute, second, msec);
}

}  // namespace

// ---- Numbers ------------------------------------------------------------------------------

QString formatNumber(double value, const QString& format, const QLocale& locale) {
    if (format.isEmpty()) return numberTextRegional(value, locale);
    if (!std::isfinite(value)) return nonFiniteText(value);
    const NumFormat& f = numberFormatFor(format);
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

// ---- Dates --------------------------------------------------------------------------------

QString shortDate(const QDate& date, const QLocale& locale) {
    if (!date.isValid()) return {};
    return renderDate(regionalDate(locale).pattern, date, QTime(), locale);
}

QString formatDate(const QDateTime& value, const QString& format) {
    if (!value.isValid()) return {};
    thread_local QHash<QString, std::shared_ptr<const DatePattern>> cache;
    auto it = cache.constFind(format);
    if (it == cache.constEnd()) {
        if (cache.size() > 256) cache.clear();
        it = cache.insert(format, std::make_shared<const DatePattern>(compileDateFormat(format)));
    }
    return renderDate(**it, value.date(), value.time(), QLocale());
}

QDateTime parseDate(const QString& input, const QLocale& locale) {
    const QString s = input.trimmed();
    if (s.isEmpty()) return {};
    const RegionalDate& regional = regionalDate(locale);

    DatePart parts[3];
    qsizetype i = 0;
    for (int n = 0; n < 3; ++n) {
        if (n > 0) {  // a separator: blanks and at most one other separator character
            bool any = false;
            bool mark = false;
            while (i < s.size() && regional.separators.contains(s[i])) {
                // Direction marks (ar_EG writes "8\u200F/12\u200F/2026") count as blanks.
                if (!isBlank(s[i]) && s[i].category() != QChar::Other_Format) {
                    if (mark) return {};
                    mark = true;
                }
                any = true;
                ++i;
            }
            if (!any) return {};
        }
        if (i >= s.size()) return {};
        if (isAsciiDigit(s[i])) {
            int count = 0;
            parts[n].value = readDigits(s, i, 4, count);
            if (parts[n].value < 0) return {};
            parts[n].digits = count;
        } else if (s[i].isLetter()) {
            const qsizetype start = i;
            while (i < s.size() && s[i].isLetter()) ++i;
            const QString word = s.mid(start, i - start).toLower();
            const qsizetype index = regional.monthNames.indexOf(word);
            if (index < 0) return {};
            parts[n].value = int(index % 12) + 1;
            parts[n].digits = 0;
            if (i < s.size() && s[i] == u'.') ++i;  // abbreviated names may end with a point
        } else {
            return {};
        }
    }

    // A four-digit first part can only be a year: ISO order year-month-day.
    const char* order = regional.order;
    static const char isoOrder[3] = {'y', 'M', 'd'};
    if (parts[0].digits == 4) order = isoOrder;

    int day = 0, month = 0, year = 0;
    for (int n = 0; n < 3; ++n) {
        const DatePart& p = parts[n];
        switch (order[n]) {
        case 'd':
            if (p.digits < 1 || p.digits > 2) return {};
            day = p.value;
            break;
        case 'M':
            if (p.digits > 2) return {};
            month = p.value;
            break;
        default:
            if (p.digits == 2) year = p.value < 30 ? 2000 + p.value : 1900 + p.value;
            else if (p.digits == 4) year = p.value;
            else return {};
            break;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid()) return {};

    // After the date: the locale's own trailing text, separator characters (as in
    // "2026. 12. 08."), then the time.
    bool separated = false;
    if (!regional.trailing.isEmpty()) {
        qsizetype j = i;
        while (j < s.size() && isBlank(s[j])) ++j;
        if (QStringView(s).mid(j).startsWith(regional.trailing, Qt::CaseInsensitive)) {
            i = j + regional.trailing.size();
            separated = true;
        }
    }
    while (i < s.size() && (regional.separators.contains(s[i]) || s[i] == u',')) {
        separated = true;
        ++i;
    }
    if (i < s.size() && !separated && s[i] == u'T' && order == isoOrder) {
        separated = true;
        ++i;
    }
    if (i >= s.size()) return QDateTime(date, QTime(0, 0));
    if (!separated) return {};
    const std::optional<QTime> time = readTime(s, i);
    if (!time) return {};
    return QDateTime(date, *time);
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
        return formatDate(QDateTime(value.toDate(), QTime(0, 0)), format);
    case QMetaType::QDateTime:
        return formatDate(value.toDateTime(), format);
    case QMetaType::QTime:
        return formatDate(QDateTime(QDate(1899, 12, 30), value.toTime()), format);
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

// ---- Statements ---------------------------------------------------------------------------

QString doubleQuotes(const QString& text) {
    QString out = text;
    out.replace(u'\'', QLatin1String("''"));
    return out;
}

QString quoted(const QString& text) {
    return u'\'' + doubleQuotes(text) + u'\'';
}

}  // namespace qd::text
