#include "text/textcache.h"

#include "text/dates.h"

#include <QDate>

#include <cstring>

namespace qd::text {

const QString& DateTexts::text(qint64 julianDay) {
    auto it = m_texts.find(julianDay);
    if (it == m_texts.end()) {
        const QDate day = QDate::fromJulianDay(julianDay);
        it = m_texts
                 .emplace(julianDay, m_format.isEmpty()
                                         ? shortDate(day, m_locale)
                                         : formatDate(day, QTime(0, 0), m_format, m_locale))
                 .first;
    }
    return it->second;
}

void DateTexts::useLocale(const QLocale& locale) {
    if (locale == m_locale) return;
    m_locale = locale;
    m_texts.clear();
}

const QString& NumberTexts::text(double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    auto it = m_texts.find(bits);
    if (it == m_texts.end()) it = m_texts.emplace(bits, m_format(value, m_locale)).first;
    return it->second;
}

void NumberTexts::useLocale(const QLocale& locale) {
    if (locale == m_locale) return;
    m_locale = locale;
    m_texts.clear();
}

namespace {

bool digits(const char* p, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        value = value * 10 + (p[i] - '0');
    }
    return true;
}

}  // namespace

bool isoDay(QByteArrayView text, qint64& julianDay) {
    const qsizetype n = text.size();
    if (n != 10 && n != 19) return false;
    const char* p = text.data();
    int year, month, day;
    if (!digits(p, 4, year) || p[4] != '-' || !digits(p + 5, 2, month) || p[7] != '-' ||
        !digits(p + 8, 2, day))
        return false;
    if (n == 19) {
        int hour, minute, second;
        if (p[10] != ' ' || !digits(p + 11, 2, hour) || p[13] != ':' ||
            !digits(p + 14, 2, minute) || p[16] != ':' || !digits(p + 17, 2, second))
            return false;
        if (hour > 23 || minute > 59 || second > 59) return false;
    }
    if (!QDate::isValid(year, month, day)) return false;
    julianDay = QDate(year, month, day).toJulianDay();
    return true;
}

}  // namespace qd::text
