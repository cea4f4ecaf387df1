#pragma once

// The tokens of a statement in the program's dialect, shared by the translations for each
// engine. Quoted text and bracketed names stay whole; #date# literals come out as the quoted
// ISO text the order book stores.

#include <QString>

#include <vector>

namespace qd::data::jet {

enum class Kind { Space, Text, Name, Number, Open, Close, Comma, Op };

struct Token {
    Kind kind;
    QString text;
    bool isText = false;  // known to hold text or Null: a quoted literal, a text column, a join
};

// Throws qd::Error for a malformed date literal.
std::vector<Token> tokenize(const QString& sql);

// SQL's own words (SELECT, FROM, AS, ...), never a name of the order book.
bool isKeyword(const Token& t);
// An operand ends with this token, so a + after it is the binary operator.
bool endsOperand(const Token& t);
// The significant token before position i, or -1.
int previousSignificant(const std::vector<Token>& t, int i);
// Start of the left operand and one past the end of the right operand of the + at plus.
int leftOperandStart(const std::vector<Token>& t, int plus);
int rightOperandEnd(const std::vector<Token>& t, int plus);

}  // namespace qd::data::jet
