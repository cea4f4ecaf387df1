#pragma once

// The tokens of a statement in the program's dialect, shared by the translations for each
// engine. Quoted text and bracketed names stay whole; #date# literals come out as the quoted
// ISO text the order book stores.

#include <QString>

#include <vector>

namespace qd::data {
class Schema;
}

namespace qd::data::jet {

enum class Kind { Space, Text, Name, Number, Open, Close, Comma, Op };

// What an operand of + is known to hold, from the statement and the schema alone.
enum class Held { Unknown, Text, Number, Null, Date };

struct Token {
    Kind kind;
    QString text;
    Held held = Held::Unknown;  // of a group the + rule made: what the + gave
    bool joined = false;        // quoted text that a join of texts takes
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

// The one rule for + on every engine, decided from the operands as written and the kinds of
// the schema's columns, never from the values of a row (Jet's own + looks at the values):
// - Null on either side gives Null: the whole becomes NULL;
// - text with text, or with an operand of unknown kind (a function's result), is joined: the
//   + becomes || (which keeps a Null value Null);
// - numbers, and operands of unknown kind, are added;
// - quoted text that reads as a number, with a number, is that number added;
// - any other text with a number, and a date column with anything, is refused (qd::Error).
// Each + and its operands are put in parentheses, so that each engine's own precedence of ||
// and + gives the same grouping; a group's `held` says what it gives.
void decidePluses(std::vector<Token>& t, const Schema& schema);

}  // namespace qd::data::jet
