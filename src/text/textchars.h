#pragma once

// Small pieces the parts of the text module share.

#include <QChar>
#include <QString>
#include <QTime>

#include <cmath>

namespace qd::text::detail {

inline bool isBlank(QChar c) { return c.isSpace(); }
inline bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

inline QString nonFiniteText(double value) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
}

// A time of day as h:mm:ss, and whether a time is midnight (or none).
QString timeText(const QTime& t);
bool isMidnight(const QTime& t);

}  // namespace qd::text::detail
