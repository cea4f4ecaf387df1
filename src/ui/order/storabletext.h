#pragma once

#include <QString>

namespace qd {
class ErrorTrap;
}

namespace qd::ui {

// When the text cannot be stored in a text column of the book (too long, a NUL character),
// tells the user why in a plain message box reported at `line`, and returns true: the handler
// then ends without storing anything.
bool refusedText(ErrorTrap& trap, int line, const QString& what, const QString& text);

}  // namespace qd::ui
