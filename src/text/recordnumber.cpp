#include "text/recordnumber.h"

#include "core/error.h"

namespace qd::text {

QString recordNumber(const QString& what, const QString& text) {
    bool digits = !text.isEmpty() && text.size() <= 18;
    for (const QChar c : text) digits = digits && c >= u'0' && c <= u'9';
    if (!digits)
        throw Error(
            QStringLiteral("Type mismatch: the %1 \"%2\" is not a record number.").arg(what, text),
            13);
    return text;
}

}  // namespace qd::text
