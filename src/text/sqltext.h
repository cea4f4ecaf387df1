#pragma once

// User text made into a text literal of a statement.

#include <QString>

namespace qd::text {

// Every ' doubled, for text between single quotes: "Rock'n'Roll" -> "Rock''n''Roll".
QString apostrophesDoubled(const QString& text);

// The same between single quotes: "Rock'n'Roll" -> "'Rock''n''Roll'".
QString quoted(const QString& text);

}  // namespace qd::text
