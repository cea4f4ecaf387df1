#pragma once

// Texts of values that a long list or report shows many times over. Each distinct value is
// formatted once and its text kept; the format is compiled once. A cache belongs to the locale
// it was made for and empties itself when asked for another one, so a change of the regional
// settings never shows old texts.
//
//     DateTexts dates;                       // the default locale's short date
//     for (...) show(dates.text(julianDay));

#include "text/format.h"

#include <QByteArrayView>
#include <QLocale>
#include <QString>

#include <unordered_map>

namespace qd::text {

// Dates by day number (QDate::toJulianDay): the short date (shortDate), or the day through a
// format text (formatDate) when one is given.
class DateTexts {
public:
    explicit DateTexts(const QLocale& locale = QLocale(), const QString& format = QString())
        : m_locale(locale), m_format(format) {}
    const QString& text(qint64 julianDay);
    // Keeps the texts when the locale is the one they were made with, else forgets them.
    void useLocale(const QLocale& locale);
    const QLocale& locale() const { return m_locale; }
    std::size_t size() const { return m_texts.size(); }

private:
    QLocale m_locale;
    QString m_format;
    std::unordered_map<qint64, QString> m_texts;
};

// Numbers through one format text (formatNumber), by value.
class NumberTexts {
public:
    explicit NumberTexts(const QString& format, const QLocale& locale = QLocale())
        : m_format(format), m_locale(locale) {}
    const QString& text(double value);
    void useLocale(const QLocale& locale);
    const QLocale& locale() const { return m_locale; }
    std::size_t size() const { return m_texts.size(); }

private:
    NumberFormat m_format;
    QLocale m_locale;
    std::unordered_map<quint64, QString> m_texts;  // by the value's bits
};

// The day of a date kept as ISO text, "yyyy-MM-dd" or "yyyy-MM-dd hh:mm:ss" (the time is left
// out), as a day number; false for any other text or an impossible date or time.
bool isoDay(QByteArrayView text, qint64& julianDay);

}  // namespace qd::text
