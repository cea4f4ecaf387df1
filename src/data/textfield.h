#pragma once

// What a text column of an order book takes: names and the PO number. The schema declares
// them as text without a size; the program holds them to the 255 characters of the desktop
// database's text fields, which every engine and every report column can keep. A longer text
// is refused with a message, never cut.

#include <QString>

namespace qd::data {

constexpr int kTextFieldLength = 255;

// Why the text cannot be stored in a text column, for the user ("The customer name is 300
// characters long..."), or the empty text when it can. `what` names the field as the user
// knows it. A NUL character cannot be stored either: it would end the statement's text.
QString textFieldProblem(const QString& what, const QString& text);

}  // namespace qd::data
