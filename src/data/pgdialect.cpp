#include "data/pgdialect.h"

#include "core/error.h"
#include "data/jet.h"
#include "data/jettokens.h"
#include "data/schema.h"
#include "text/textconv.h"

#include <QDateTime>
#include <QHash>

#include <cmath>

namespace qd::data::pg {

using jet::Kind;
using jet::Token;

namespace {

using Tokens = std::vector<Token>;

QString quotedName(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(u'"', QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// The unquoted content of a quoted text token.
QString textValue(const QString& token) {
    const QChar quote = token.front();
    QString inner = token.mid(1, token.size() - 2);
    return inner.replace(QString(2, quote), QString(quote));
}

QString sqlText(const QString& value) {
    return QLatin1Char('\'') + QString(value).replace(u'\'', QLatin1String("''")) +
           QLatin1Char('\'');
}

// The parts of a dotted name, brackets removed: [Order Details].UnitPrice -> Order Details,
// UnitPrice.
QStringList nameParts(const QString& name) {
    QStringList parts;
    QString part;
    bool inBrackets = false;
    for (const QChar c : name) {
        if (c == u'[') inBrackets = true;
        else if (c == u']') inBrackets = false;
        else if (c == u'.' && !inBrackets) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    return parts;
}

bool isWord(const Token& t, const char* word) {
    return t.kind == Kind::Name && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

int nextSignificant(const Tokens& t, int i) {
    for (++i; i < int(t.size()) && t[i].kind == Kind::Space; ++i) {
    }
    return i < int(t.size()) ? i : -1;
}

// Position of the parenthesis that closes the one at open.
int closingParen(const Tokens& t, int open) {
    int depth = 0;
    for (int i = open; i < int(t.size()); ++i) {
        if (t[i].kind == Kind::Open) ++depth;
        if (t[i].kind == Kind::Close && --depth == 0) return i;
    }
    throw Error(QStringLiteral("Missing ) in the statement."));
}

class Translator {
public:
    Translator(const QString& statement, const Schema& schema)
        : m_schema(schema), m_t(jet::tokenize(statement)) {}

    QString run() {
        // One statement only, as the file's engine takes it.
        for (int i = 0; i < int(m_t.size()); ++i)
            if (m_t[i].kind == Kind::Op && m_t[i].text == QLatin1String(";") &&
                nextSignificant(m_t, i) >= 0)
                throw Error(QStringLiteral("Characters found after end of SQL statement."));
        collectAliases();
        decidePluses();
        return render(0, int(m_t.size()));
    }

private:
    // Names given with AS, in the case they are written there.
    void collectAliases() {
        for (int i = 0; i < int(m_t.size()); ++i) {
            if (!isWord(m_t[i], "AS")) continue;
            const int n = nextSignificant(m_t, i);
            if (n >= 0 && m_t[n].kind == Kind::Name) {
                const QString alias = nameParts(m_t[n].text).constLast();
                if (m_schema.canonicalName(alias).isEmpty())
                    m_aliases.insert(alias.toLower(), alias);
            }
        }
    }

    // The one rule of + decides; quoted texts that a join takes are marked as text, which the
    // server needs when both sides are quoted.
    void decidePluses() {
        jet::decidePluses(m_t, m_schema);
        for (Token& tok : m_t)
            if (tok.kind == Kind::Text && tok.joined) tok.text = pgText(tok.text) + QStringLiteral("::text");
    }

    static QString pgText(const QString& token) {
        if (token.endsWith(QLatin1String("::text"))) return token;
        return token.startsWith(u'"') ? sqlText(textValue(token)) : token;
    }

    QString name(const QString& written) const {
        QStringList out;
        for (const QString& part : nameParts(written)) {
            const QString canonical = m_schema.canonicalName(part);
            if (!canonical.isEmpty()) out << quotedName(canonical);
            else if (m_aliases.contains(part.toLower())) out << quotedName(m_aliases[part.toLower()]);
            else if (written.contains(u'[')) out << quotedName(part);
            else out << part;
        }
        return out.join(u'.');
    }

    // The one table after FROM, for First and Last without a table of their own.
    QString fromTable() const {
        for (int i = 0; i < int(m_t.size()); ++i) {
            if (!isWord(m_t[i], "FROM")) continue;
            const int n = nextSignificant(m_t, i);
            if (n >= 0 && m_t[n].kind == Kind::Name) return nameParts(m_t[n].text).constLast();
        }
        return QString();
    }

    QString firstOrLast(bool last, int open, int close) const {
        const int arg = nextSignificant(m_t, open);
        if (arg < 0 || m_t[arg].kind != Kind::Name || nextSignificant(m_t, arg) != close)
            throw Error(QStringLiteral("First and Last take one column on this order book."));
        const QStringList parts = nameParts(m_t[arg].text);
        const QString tableName = parts.size() > 1 ? parts[parts.size() - 2] : fromTable();
        const Schema::Table* table = m_schema.table(tableName);
        if (!table || !m_schema.column(table->name, parts.constLast()))
            throw Error(QStringLiteral("First and Last need the column's table on this order "
                                       "book: %1.").arg(m_t[arg].text));
        const QString column = name(m_t[arg].text);
        const QString key = quotedName(table->name) + u'.' + quotedName(table->key());
        if (m_schema.column(table->name, parts.constLast())->kind == Schema::Kind::Key)
            return QStringLiteral("%1(%2)").arg(last ? QStringLiteral("max") : QStringLiteral("min"), column);
        return QStringLiteral("(array_agg(%1 ORDER BY %2%3))[1]")
            .arg(column, key, last ? QStringLiteral(" DESC") : QString());
    }

    // The quoted text that is a function's only argument.
    QString literalArgument(int open, int close, const QString& function) const {
        const int arg = nextSignificant(m_t, open);
        if (arg < 0 || m_t[arg].kind != Kind::Text || m_t[arg].text.startsWith(u'\'') == false ||
            nextSignificant(m_t, arg) != close) {
            if (arg >= 0 && m_t[arg].kind == Kind::Text && m_t[arg].text.startsWith(u'"') &&
                nextSignificant(m_t, arg) == close)
                return textValue(m_t[arg].text);
            throw Error(QStringLiteral("%1 takes text in quotes on this order book.").arg(function));
        }
        return textValue(m_t[arg].text);
    }

    QString function(const QString& fn, int open, int close) {
        const QString lower = fn.toLower();
        if (lower == QLatin1String("first") || lower == QLatin1String("last"))
            return firstOrLast(lower == QLatin1String("last"), open, close);
        if (lower == QLatin1String("cdate")) {
            const QString source = literalArgument(open, close, QStringLiteral("CDate"));
            const QDateTime when = qd::text::parseDate(source);
            if (!when.isValid())
                throw Error(QStringLiteral("Data type mismatch: CDate cannot read '%1' as a date.")
                                .arg(source));
            const QDate d = when.date();
            const QTime t = when.time();
            return QStringLiteral("CAST(%1 AS timestamp(0))")
                .arg(sqlText(jet::isoDate(d.year(), d.month(), d.day(), t.hour(), t.minute(),
                                          t.second())));
        }
        if (lower == QLatin1String("val")) {
            const double value =
                qd::text::leadingNumber(literalArgument(open, close, QStringLiteral("Val")));
            if (!std::isfinite(value)) throw Error(QStringLiteral("Overflow"), 6);
            return QLatin1Char('(') + qd::text::numberText(value) + QLatin1Char(')');
        }
        return fn + render(open, close + 1);
    }

    QString render(int from, int to) {
        QString out;
        bool orderBy = false;   // inside the list of an ORDER BY at this level
        bool itemStart = false;
        for (int i = from; i < to; ++i) {
            const Token& tok = m_t[i];
            switch (tok.kind) {
            case Kind::Name: {
                const int next = nextSignificant(m_t, i);
                if (next >= 0 && next < to && m_t[next].kind == Kind::Open && !tok.text.contains(u'[') &&
                    m_schema.canonicalName(tok.text).isEmpty() && !jet::isKeyword(tok)) {
                    const int close = closingParen(m_t, next);
                    out += function(tok.text, next, close);
                    i = close;
                    itemStart = false;
                    break;
                }
                if (jet::isKeyword(tok)) {
                    if (isWord(tok, "BY") && !out.isEmpty() &&
                        out.trimmed().endsWith(QLatin1String("ORDER"), Qt::CaseInsensitive)) {
                        orderBy = true;
                        itemStart = true;
                    } else if (orderBy && !isWord(tok, "ASC") && !isWord(tok, "DESC")) {
                        orderBy = false;
                    }
                    out += tok.text;
                    break;
                }
                const QString quoted = name(tok.text);
                const int after = nextSignificant(m_t, i);
                const bool alone = after < 0 || after >= to || m_t[after].kind == Kind::Comma ||
                                   isWord(m_t[after], "ASC") || isWord(m_t[after], "DESC") ||
                                   isWord(m_t[after], "LIMIT");
                if (orderBy && itemStart && alone &&
                    m_schema.isTextColumn(nameParts(tok.text).constLast()))
                    out += QStringLiteral("lower(%1)").arg(quoted);
                else
                    out += quoted;
                itemStart = false;
                break;
            }
            case Kind::Text:
                out += pgText(tok.text);
                itemStart = false;
                break;
            case Kind::Open: {
                const int close = closingParen(m_t, i);
                out += QLatin1Char('(') + render(i + 1, close) + QLatin1Char(')');
                i = close;
                itemStart = false;
                break;
            }
            case Kind::Comma:
                out += tok.text;
                itemStart = orderBy;
                break;
            case Kind::Space:
                out += tok.text;
                break;
            default:
                // Two operators side by side must not open a comment ("1--1" is 1 - -1).
                if ((out.endsWith(u'-') && tok.text.startsWith(u'-')) ||
                    (out.endsWith(u'/') && tok.text.startsWith(u'*')))
                    out += u' ';
                out += tok.text;
                itemStart = false;
                break;
            }
        }
        return out;
    }

    const Schema& m_schema;
    Tokens m_t;
    QHash<QString, QString> m_aliases;  // lower case -> as written
};

}  // namespace

QString translate(const QString& statement, const Schema& schema) {
    return Translator(statement, schema).run();
}

}  // namespace qd::data::pg
