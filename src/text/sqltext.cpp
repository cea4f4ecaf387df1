#include "text/sqltext.h"

namespace qd::text {

QString apostrophesDoubled(const QString& text) {
    QString out = text;
    out.replace(u'\'', QLatin1String("''"));
    return out;
}

QString quoted(const QString& text) { return u'\'' + apostrophesDoubled(text) + u'\''; }

}  // namespace qd::text
