#include "data/textfield.h"

namespace qd::data {

QString textFieldProblem(const QString& what, const QString& text) {
    if (text.contains(QChar(0)))
        return QStringLiteral("The %1 contains the character NUL (code 0), which an order book "
                              "cannot keep. Nothing was stored; type the %1 again without it.")
            .arg(what);
    if (text.size() > kTextFieldLength)
        return QStringLiteral("The %1 is %2 characters long; an order book keeps at most %3. "
                              "Nothing was stored; shorten the %1 and try again.")
            .arg(what)
            .arg(text.size())
            .arg(kTextFieldLength);
    return QString();
}

}  // namespace qd::data
