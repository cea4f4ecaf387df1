#include "data/jet.h"

#include "core/error.h"
#include "data/jettokens.h"
#include "data/schema.h"
#include "text/textconv.h"

#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>

#include <vector>

namespace qd::data::jet {

namespace {

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// Parses the inside of a #...# literal, month first as the engine always reads it.
QString dateLiteral(const QString& inner) {
    static const QRegularExpression us(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)");
    static const QRegularExpression iso(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)");
    int year = 0, month = 0, day = 0;
    QRegularExpressionMatch m = us.match(inner);
    if (m.hasMatch()) {
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        year = m.captured(3).toInt();
        if (m.captured(3).size() <= 2) year += year < 30 ? 2000 : 1900;
    } else if ((m = iso.match(inner)).hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
    } else {
        throw Error(QStringLiteral("Syntax error in date in query expression '#%1#'.").arg(inner));
    }
    const int hour = m.captured(4).toInt(), minute = m.captured(5).toInt(),
              second = m.captured(6).toInt();
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        throw Error(QStringLiteral("Syntax error in date in query expression '#%1#'.").arg(inner));
    return QLatin1Char('\'') + isoDate(year, month, day, hour, minute, second) +
           QLatin1Char('\'');
}

}  // namespace

std::vector<Token> tokenize(const QString& sql) {
    std::vector<Token> out;
    const int n = sql.size();
    int i = 0;
    auto take = [&](Kind kind, int end) {
        out.push_back({kind, sql.mid(i, end - i)});
        i = end;
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            int j = i;
            while (j < n && sql[j].isSpace()) ++j;
            take(Kind::Space, j);
        } else if (c == u'\'' || c == u'"') {
            int j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            take(Kind::Text, qMin(j + 1, n));
        } else if (c == u'#') {
            const int j = sql.indexOf(u'#', i + 1);
            if (j < 0)
                throw Error(QStringLiteral("Syntax error in date in query expression '%1'.")
                                .arg(sql.mid(i)));
            out.push_back({Kind::Text, dateLiteral(sql.mid(i + 1, j - i - 1))});
            i = j + 1;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            int j = i;
            while (j < n && (sql[j].isDigit() || sql[j] == u'.')) ++j;
            if (j < n && (sql[j] == u'e' || sql[j] == u'E')) {
                int k = j + 1;
                if (k < n && (sql[k] == u'+' || sql[k] == u'-')) ++k;
                if (k < n && sql[k].isDigit()) {
                    while (k < n && sql[k].isDigit()) ++k;
                    j = k;
                }
            }
            take(Kind::Number, j);
        } else if (c == u'[' || isWordChar(c)) {
            // A name, dotted parts included: Employees.FirstName, [Order Details].UnitPrice.
            int j = i;
            for (;;) {
                if (j < n && sql[j] == u'[') {
                    const int close = sql.indexOf(u']', j);
                    j = close < 0 ? n : close + 1;
                } else {
                    while (j < n && isWordChar(sql[j])) ++j;
                }
                if (j + 1 < n && sql[j] == u'.' && (sql[j + 1] == u'[' || isWordChar(sql[j + 1])))
                    ++j;
                else
                    break;
            }
            take(Kind::Name, j);
        } else if (c == u'(') {
            take(Kind::Open, i + 1);
        } else if (c == u')') {
            take(Kind::Close, i + 1);
        } else if (c == u',') {
            take(Kind::Comma, i + 1);
        } else {
            static const QStringList twoChar = {"<>", "<=", ">=", "!=", "||", "=="};
            take(Kind::Op, twoChar.contains(sql.mid(i, 2)) ? i + 2 : i + 1);
        }
    }
    return out;
}

bool isKeyword(const Token& t) {
    static const QSet<QString> words = {
        "SELECT", "FROM",   "WHERE", "AND",   "OR",     "NOT",    "AS",    "ON",    "BY",
        "SET",    "VALUES", "HAVING", "WHEN", "THEN",   "ELSE",   "END",   "LIKE",  "IS",
        "IN",     "BETWEEN", "CASE", "DISTINCT", "ORDER", "GROUP", "JOIN", "INNER", "LEFT",
        "RIGHT",  "OUTER",  "UNION", "ALL",   "INTO",   "LIMIT",  "ASC",   "DESC",  "TOP",
        "UPDATE", "DELETE", "INSERT", "ESCAPE", "MOD"};
    return t.kind == Kind::Name && words.contains(t.text.toUpper());
}

// An operand ends with this token, so a + after it is the binary operator.
bool endsOperand(const Token& t) {
    return (t.kind == Kind::Name && !isKeyword(t)) || t.kind == Kind::Number ||
           t.kind == Kind::Text || t.kind == Kind::Close;
}

namespace {

// Tokens that bind tighter than + and so belong to its operands.
bool bindsTighter(const Token& t) {
    return t.kind == Kind::Op && (t.text == "*" || t.text == "/" || t.text == "\\" ||
                                  t.text == "^" || t.text == "%");
}

}  // namespace

int previousSignificant(const std::vector<Token>& t, int i) {
    for (--i; i >= 0 && t[i].kind == Kind::Space; --i) {
    }
    return i;
}

// Start of the left operand of the + at position plus: back over names, literals, tighter
// operators, parenthesised groups and the function names before them, and over - (which
// shares the precedence of + and associates to the left).
int leftOperandStart(const std::vector<Token>& t, int plus) {
    int start = plus;
    int i = previousSignificant(t, plus);
    while (i >= 0) {
        const Token& tok = t[i];
        if (tok.kind == Kind::Close) {
            int depth = 0;
            for (; i >= 0; --i) {
                if (t[i].kind == Kind::Close) ++depth;
                if (t[i].kind == Kind::Open && --depth == 0) break;
            }
            if (i < 0) break;
            start = i;
            const int before = previousSignificant(t, i);
            if (before >= 0 && t[before].kind == Kind::Name && !isKeyword(t[before])) {
                start = before;
                i = before;
            }
        } else if (endsOperand(tok) || bindsTighter(tok) ||
                   (tok.kind == Kind::Op && tok.text == "-")) {
            start = i;
        } else {
            break;
        }
        i = previousSignificant(t, i);
    }
    return start;
}

// One past the end of the right operand of the + at position plus.
int rightOperandEnd(const std::vector<Token>& t, int plus) {
    const int n = int(t.size());
    int end = plus + 1;
    bool expectOperand = true;
    for (int i = plus + 1; i < n; ++i) {
        const Token& tok = t[i];
        if (tok.kind == Kind::Space) continue;
        if (tok.kind == Kind::Open) {
            int depth = 0;
            for (; i < n; ++i) {
                if (t[i].kind == Kind::Open) ++depth;
                if (t[i].kind == Kind::Close && --depth == 0) break;
            }
            end = qMin(i + 1, n);
            expectOperand = false;
        } else if (expectOperand && tok.kind == Kind::Op && (tok.text == "-" || tok.text == "+")) {
            end = i + 1;  // a sign
        } else if (expectOperand && (endsOperand(tok) || tok.kind == Kind::Name)) {
            if (isKeyword(tok) && tok.text.toUpper() != "NOT") break;
            end = i + 1;
            expectOperand = tok.kind == Kind::Name && isKeyword(tok);
        } else if (!expectOperand && bindsTighter(tok)) {
            end = i + 1;
            expectOperand = true;
        } else {
            break;
        }
    }
    return end;
}

namespace {

// ---- functions registered on the handle ---------------------------------------------------

QString valueText(sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    return p ? QString::fromUtf16(static_cast<const char16_t*>(p),
                                  sqlite3_value_bytes16(v) / 2)
             : QString();
}

void resultText(sqlite3_context* ctx, const QString& s) {
    sqlite3_result_text16(ctx, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
}

bool isNumber(sqlite3_value* v) {
    const int type = sqlite3_value_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

void cdateFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString source = valueText(argv[0]);
    const QDateTime when = qd::text::parseDate(source);
    if (!when.isValid()) {
        const QString message =
            QStringLiteral("Data type mismatch: CDate cannot read '%1' as a date.").arg(source);
        sqlite3_result_error16(ctx, message.utf16(), int(message.size() * 2));
        return;
    }
    const QDate d = when.date();
    const QTime t = when.time();
    resultText(ctx, isoDate(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()));
}

void valFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (isNumber(argv[0])) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    sqlite3_result_double(ctx, qd::text::leadingNumber(valueText(argv[0])));
}

struct Pick {
    sqlite3_value* value;
};

template <bool keepFirst>
void pickStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* pick = static_cast<Pick*>(sqlite3_aggregate_context(ctx, sizeof(Pick)));
    if (!pick) return;
    if (keepFirst && pick->value) return;
    sqlite3_value_free(pick->value);
    pick->value = sqlite3_value_dup(argv[0]);
}

void pickFinal(sqlite3_context* ctx) {
    auto* pick = static_cast<Pick*>(sqlite3_aggregate_context(ctx, 0));
    if (pick && pick->value) {
        sqlite3_result_value(ctx, pick->value);
        sqlite3_value_free(pick->value);
        pick->value = nullptr;
    } else {
        sqlite3_result_null(ctx);
    }
}

}  // namespace

QString isoDate(int year, int month, int day, int hour, int minute, int second) {
    QString s = QStringLiteral("%1-%2-%3")
                    .arg(year, 4, 10, QLatin1Char('0'))
                    .arg(month, 2, 10, QLatin1Char('0'))
                    .arg(day, 2, 10, QLatin1Char('0'));
    if (hour || minute || second)
        s += QStringLiteral(" %1:%2:%3")
                 .arg(hour, 2, 10, QLatin1Char('0'))
                 .arg(minute, 2, 10, QLatin1Char('0'))
                 .arg(second, 2, 10, QLatin1Char('0'));
    return s;
}

namespace {

// First or Last of a table's integer key over the whole table: the lowest or highest key, which
// is the oldest or newest row, since keys are handed out in increasing order. The key's index
// answers it at once instead of a walk over every row; like the aggregate, it gives one row,
// Null when the table is empty.
QString firstLastThroughKey(const QString& sql) {
    static const QRegularExpression pick(
        QStringLiteral(R"(^\s*select\s+(first|last)\s*\(\s*((?:\[[^\]]+\]|\w+)(?:\.(?:\[[^\]]+\]|\w+))?)\s*\))"
                       R"((?:\s+as\s+(\[[^\]]+\]|\w+))?\s+from\s+(\[[^\]]+\]|\w+)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pick.match(sql);
    if (!m.hasMatch()) return QString();
    const QString table = m.captured(4);
    const QString key = Schema::book().keyOf(table);
    if (key.isEmpty()) return QString();
    const QString argument = m.captured(2);
    const qsizetype dot = argument.lastIndexOf(u'.');
    const QString column = unbracketed(dot < 0 ? argument : argument.mid(dot + 1));
    if (column.compare(key, Qt::CaseInsensitive) != 0) return QString();
    if (dot >= 0 && unbracketed(argument.left(dot))
                            .compare(unbracketed(table), Qt::CaseInsensitive) != 0)
        return QString();
    // Without an alias the column keeps the name the aggregate would have had.
    QString alias = m.captured(3);
    if (alias.isEmpty()) {
        const qsizetype close = sql.indexOf(u')', m.capturedEnd(2));
        alias = QLatin1Char('[') + sql.mid(m.capturedStart(1), close + 1 - m.capturedStart(1)) +
                QLatin1Char(']');
    }
    const bool last = m.captured(1).compare(QLatin1String("last"), Qt::CaseInsensitive) == 0;
    return QStringLiteral("SELECT (SELECT %1 FROM %2 ORDER BY %1 %3 LIMIT 1) AS %4")
        .arg(key, table, last ? QStringLiteral("DESC") : QStringLiteral("ASC"), alias);
}

// First and Last take the rows in the order they were stored. SQLite may walk a smaller index
// instead of the table, so a one-table query that picks them is pinned to the table itself.
QString storedOrderForFirstLast(const QString& sql) {
    const QString throughKey = firstLastThroughKey(sql);
    if (!throughKey.isEmpty()) return throughKey;
    static const QRegularExpression pick(
        QStringLiteral(R"(^\s*select\s+.*\b(first|last)\s*\(.*\bfrom\s+(\[[^\]]+\]|\w+)(\s*;?\s*)$)"),
        QRegularExpression::CaseInsensitiveOption |
            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = pick.match(sql);
    if (!m.hasMatch()) return sql;
    return sql.left(m.capturedEnd(2)) + QStringLiteral(" NOT INDEXED") + m.captured(3);
}

QString translateOperators(const QString& statement) {
    if (!statement.contains(u'#') && !statement.contains(u'+')) return statement;
    std::vector<Token> t = tokenize(statement);
    decidePluses(t, Schema::book());
    QString out;
    for (const Token& tok : t) out += tok.text;
    return out;
}

}  // namespace

QString translate(const QString& statement) {
    return storedOrderForFirstLast(translateOperators(statement));
}

void registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
    sqlite3_create_function16(db, u"cdate", 1, SQLITE_UTF16, nullptr, cdateFunction, nullptr,
                              nullptr);
    sqlite3_create_function16(db, u"val", 1, flags, nullptr, valFunction, nullptr, nullptr);
    sqlite3_create_function16(db, u"first", 1, SQLITE_UTF8, nullptr, nullptr, pickStep<true>,
                              pickFinal);
    sqlite3_create_function16(db, u"last", 1, SQLITE_UTF8, nullptr, nullptr, pickStep<false>,
                              pickFinal);
}

}  // namespace qd::data::jet
