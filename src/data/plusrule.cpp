// The + of the program's dialect, decided once for both engines (see decidePluses).

#include "core/error.h"
#include "data/jettokens.h"
#include "data/schema.h"

#include <cmath>

namespace qd::data::jet {

namespace {

using Tokens = std::vector<Token>;

bool isNullWord(const Token& t) {
    return t.kind == Kind::Name && t.text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0;
}

// The closing parenthesis of the group opened at open, or -1 before `to`.
int closing(const Tokens& t, int open, int to) {
    int depth = 0;
    for (int i = open; i < to; ++i) {
        if (t[i].kind == Kind::Open) ++depth;
        if (t[i].kind == Kind::Close && --depth == 0) return i;
    }
    return -1;
}

std::vector<int> significant(const Tokens& t, int from, int to) {
    std::vector<int> at;
    for (int i = from; i < to; ++i)
        if (t[i].kind != Kind::Space) at.push_back(i);
    return at;
}

Held heldBy(const Tokens& t, int from, int to, const Schema& schema) {
    const std::vector<int> at = significant(t, from, to);
    if (at.empty()) return Held::Unknown;
    if (at.size() == 1) {
        const Token& tok = t[at[0]];
        if (tok.kind == Kind::Text) return Held::Text;  // a date literal is ISO text too
        if (tok.kind == Kind::Number) return Held::Number;
        if (isNullWord(tok)) return Held::Null;
        if (tok.kind != Kind::Name || isKeyword(tok)) return Held::Unknown;
        const auto kind = schema.kindOf(tok.text);
        if (!kind) return Held::Unknown;
        switch (*kind) {
            case Schema::Kind::Text: return Held::Text;
            case Schema::Kind::Date: return Held::Date;
            default: return Held::Number;
        }
    }
    const int first = at.front(), last = at.back();
    if (t[first].kind == Kind::Open && closing(t, first, to) == last)
        return t[first].held != Held::Unknown ? t[first].held : heldBy(t, first + 1, last, schema);
    // Val gives a number; what other functions give is not known here.
    if (t[first].kind == Kind::Name && t[first].text.compare(QLatin1String("Val"), Qt::CaseInsensitive) == 0 &&
        t[at[1]].kind == Kind::Open && closing(t, at[1], to) == last)
        return Held::Number;
    return Held::Unknown;
}

// The number a quoted text reads as in full (" 5 ", "2.50"), as both engines read it.
bool readAsNumber(Token& tok) {
    if (tok.kind != Kind::Text || !tok.text.startsWith(u'\'')) return false;
    const QString inner = tok.text.mid(1, tok.text.size() - 2).trimmed();
    bool ok = false;
    const double value = inner.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return false;
    tok.kind = Kind::Number;
    tok.text = inner.startsWith(u'-') || inner.startsWith(u'+') ? QLatin1Char('(') + inner + QLatin1Char(')')
                                                                : inner;
    return true;
}

QString written(const Tokens& t, int from, int to) {
    QString s;
    for (int i = from; i < to; ++i) s += t[i].text;
    return s.trimmed();
}

// Decides the + at plus with its operands in [from, to); returns the position after the
// operands as they are now.
int decide(Tokens& t, int from, int plus, int to, const Schema& schema) {
    Held left = heldBy(t, from, plus, schema);
    Held right = heldBy(t, plus + 1, to, schema);
    if (left == Held::Null || right == Held::Null) {
        t.erase(t.begin() + from, t.begin() + to);
        t.insert(t.begin() + from, Token{Kind::Name, QStringLiteral("NULL"), Held::Null});
        return from + 1;
    }
    const auto refuse = [&] {
        throw Error(QStringLiteral("Data type mismatch in expression '%1': + joins texts or adds "
                                   "numbers.").arg(written(t, from, to)));
    };
    if (left == Held::Date || right == Held::Date) refuse();
    if ((left == Held::Text && right == Held::Number) || (left == Held::Number && right == Held::Text)) {
        const std::vector<int> text = significant(t, left == Held::Text ? from : plus + 1,
                                                  left == Held::Text ? plus : to);
        if (text.size() != 1 || !readAsNumber(t[text[0]])) refuse();
        left = right = Held::Number;
    }
    Held result = Held::Unknown;
    if (left == Held::Text || right == Held::Text) {
        t[plus].text = QStringLiteral("||");
        for (int i = from; i < to; ++i)
            if (t[i].kind == Kind::Text) t[i].joined = true;
        result = Held::Text;
    } else if (left == Held::Number || right == Held::Number) {
        result = Held::Number;
    }
    t.insert(t.begin() + to, Token{Kind::Close, QStringLiteral(")")});
    t.insert(t.begin() + from, Token{Kind::Open, QStringLiteral("("), result});
    return to + 2;
}

// Decides every binary + in [from, to), the groups inside first; returns the new end.
int decideRange(Tokens& t, int from, int to, const Schema& schema) {
    for (int i = from; i < to; ++i) {
        if (t[i].kind != Kind::Open) continue;
        const int close = closing(t, i, to);
        if (close < 0) break;  // left for the engine to refuse
        const int now = decideRange(t, i + 1, close, schema);
        to += now - close;
        i = now;
    }
    for (int i = from; i < to; ++i) {
        if (t[i].kind != Kind::Op || t[i].text != QLatin1String("+")) continue;
        const int before = previousSignificant(t, i);
        if (before < from || !endsOperand(t[before])) continue;  // a sign
        const int start = leftOperandStart(t, i);
        const int end = qMin(rightOperandEnd(t, i), to);
        if (significant(t, i + 1, end).empty()) continue;  // nothing to add: the engine says so
        const int after = decide(t, start, i, end, schema);
        to += after - end;
        i = after - 1;
    }
    return to;
}

}  // namespace

void decidePluses(std::vector<Token>& t, const Schema& schema) {
    decideRange(t, 0, int(t.size()), schema);
}

}  // namespace qd::data::jet
