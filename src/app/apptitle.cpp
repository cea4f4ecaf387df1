#include "app/apptitle.h"

namespace qd {

namespace {
QString g_title = kProductName;
}

QString applicationTitle() { return g_title; }

void setApplicationTitle(const QString& title) { g_title = title; }

QString applicationTitleFor(const QString& productName) {
    // A one-word name has no blank to cut at; cutting would leave nothing, so it stays whole.
    QString title = productName;
    int blank = title.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) return title;
    do {
        title = title.left(blank);
        blank = title.lastIndexOf(QLatin1Char(' '));
    } while (title.size() > 40 && blank >= 0);
    return title;
}

void SetApplicationTitle() { setApplicationTitle(applicationTitleFor(kProductName)); }

}  // namespace qd
