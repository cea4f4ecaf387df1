#pragma once

#include <QString>

namespace qd {

// The product name: the main window's caption.
inline const QString kProductName = QStringLiteral("Quarrydesk");

// The title of message boxes that name none.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// The application title made from a product name: the last word and, while the rest is longer
// than 40 characters, further words are dropped from the end. A name of one word is kept whole.
QString applicationTitleFor(const QString& productName);

// Sets the application title from the product name.
void SetApplicationTitle();

}  // namespace qd
