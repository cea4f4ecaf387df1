#include "text/dates.h"

#include "text/textchars.h"

#include <QHash>

#include <memory>
#include <optional>
#include <vector>

namespace qd::text {

using detail::isAsciiDigit;
using detail::isBlank;

namespace {

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

namespace detail {

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

}  // namespace detail

// ---- Dates --------------------------------------------------------------------------------

QString shortDate(const QDate& date, const QLocale& locale) {
    if (!date.isValid()) return {};
    return renderDate(regionalDate(locale).pattern, date, QTime(), locale);
}

QString formatDate(const QDateTime& value, const QString& format) {
    if (!value.isValid()) return {};
    return formatDate(value.date(), value.time(), format);
}

QString formatDate(const QDate& date, const QTime& time, const QString& format,
                   const QLocale& locale) {
    if (!date.isValid()) return {};
    thread_local QHash<QString, std::shared_ptr<const DatePattern>> cache;
    auto it = cache.constFind(format);
    if (it == cache.constEnd()) {
        if (cache.size() > 256) cache.clear();
        it = cache.insert(format, std::make_shared<const DatePattern>(compileDateFormat(format)));
    }
    return renderDate(**it, date, time.isValid() ? time : QTime(0, 0), locale);
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

}  // namespace qd::text
