#include "data/schema.h"

#include "core/error.h"
#include "data/pgdialect.h"

#include <QHash>
#include <QRegularExpression>

namespace qd::data {

extern const char* const kOrderBookSchema;  // orderbook.schema, built in

namespace {

Schema::Kind kindNamed(const QString& word, int line) {
    static const QHash<QString, Schema::Kind> kinds = {
        {"key", Schema::Kind::Key},       {"integer", Schema::Kind::Integer},
        {"text", Schema::Kind::Text},     {"money", Schema::Kind::Money},
        {"number", Schema::Kind::Number}, {"date", Schema::Kind::Date}};
    const auto it = kinds.find(word.toLower());
    if (it == kinds.end())
        throw Error(QStringLiteral("Schema line %1: unknown kind '%2'.").arg(line).arg(word));
    return *it;
}

QString quotedName(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(u'"', QLatin1String("\"\"")) +
           QLatin1Char('"');
}

}  // namespace

QString unbracketed(QStringView name) {
    name = name.trimmed();
    if (name.size() >= 2 && name.front() == u'[' && name.back() == u']')
        name = name.mid(1, name.size() - 2);
    return name.toString();
}

QString bracketed(const QString& name) {
    static const QRegularExpression word(QStringLiteral("^\\w+$"));
    return word.match(name).hasMatch() ? name : QLatin1Char('[') + name + QLatin1Char(']');
}

Schema Schema::parse(const QString& text) {
    static const QRegularExpression tableLine(QStringLiteral(R"(^table\s+(\[[^\]]+\]|\w+)\s*$)"));
    static const QRegularExpression columnLine(QStringLiteral(R"(^\s+(\[[^\]]+\]|\w+)\s+(\w+)\s*$)"));
    static const QRegularExpression indexLine(QStringLiteral(
        R"(^index\s+(\w+)\s+on\s+(\[[^\]]+\]|\w+)\s*\(([^)]*)\)\s*$)"));
    static const QRegularExpression queryLine(QStringLiteral(R"(^query\s+(\[[^\]]+\]|\w+)\s*$)"));

    Schema schema;
    Query* query = nullptr;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const int number = i + 1;
        if (query) {
            QString part = line;
            const bool last = part.trimmed().endsWith(u';');
            if (last) part = part.left(part.lastIndexOf(u';'));
            query->body += (query->body.isEmpty() ? QString() : QStringLiteral("\n")) + part;
            if (last) query = nullptr;
            continue;
        }
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#')) continue;
        QRegularExpressionMatch m;
        if ((m = tableLine.match(line)).hasMatch()) {
            schema.m_tables.push_back({unbracketed(m.captured(1)), {}});
        } else if ((m = columnLine.match(line)).hasMatch() && !schema.m_tables.empty()) {
            const Kind kind = kindNamed(m.captured(2), number);
            auto& columns = schema.m_tables.back().columns;
            if ((kind == Kind::Key) != columns.empty())
                throw Error(QStringLiteral("Schema line %1: a table's key is its first column, "
                                           "and it has one.").arg(number));
            columns.push_back({unbracketed(m.captured(1)), kind});
        } else if ((m = indexLine.match(line)).hasMatch()) {
            Index index{m.captured(1), unbracketed(m.captured(2)), {}};
            for (const QString& c : m.captured(3).split(u',')) index.columns << unbracketed(c);
            for (const QString& c : index.columns)
                if (!schema.column(index.table, c))
                    throw Error(QStringLiteral("Schema line %1: no column %2 in %3.")
                                    .arg(number).arg(c, index.table));
            schema.m_indexes.push_back(index);
        } else if ((m = queryLine.match(line)).hasMatch()) {
            schema.m_queries.push_back({unbracketed(m.captured(1)), QString()});
            query = &schema.m_queries.back();
        } else {
            throw Error(QStringLiteral("Schema line %1 cannot be read: %2").arg(number).arg(line));
        }
    }
    if (query) throw Error(QStringLiteral("Schema: the query %1 has no final ';'.").arg(query->name));
    // One spelling per name, so that every engine gives back the same letter case.
    QHash<QString, QString> spelling;
    auto claim = [&](const QString& name) {
        const QString key = name.toLower();
        if (spelling.contains(key) && spelling[key] != name)
            throw Error(QStringLiteral("Schema: %1 and %2 differ only in letter case.")
                            .arg(spelling[key], name));
        spelling.insert(key, name);
    };
    for (const Table& t : schema.m_tables) {
        claim(t.name);
        for (const Column& c : t.columns) claim(c.name);
    }
    for (const Query& q : schema.m_queries) claim(q.name);
    return schema;
}

const Schema& Schema::book() {
    static const Schema schema = parse(QString::fromUtf8(kOrderBookSchema));
    return schema;
}

const Schema::Table* Schema::table(const QString& name) const {
    for (const Table& t : m_tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

const Schema::Column* Schema::column(const QString& tableName, const QString& name) const {
    const Table* t = table(tableName);
    if (!t) return nullptr;
    for (const Column& c : t->columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

QString Schema::canonicalName(const QString& name) const {
    for (const Table& t : m_tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return t.name;
        for (const Column& c : t.columns)
            if (c.name.compare(name, Qt::CaseInsensitive) == 0) return c.name;
    }
    for (const Query& q : m_queries)
        if (q.name.compare(name, Qt::CaseInsensitive) == 0) return q.name;
    return QString();
}

std::optional<Schema::Kind> Schema::kindOf(QStringView name) const {
    // The last dot outside brackets separates the table from the column.
    qsizetype dot = -1;
    int depth = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'[') ++depth;
        else if (name[i] == u']') --depth;
        else if (name[i] == u'.' && depth == 0) dot = i;
    }
    const QString table = dot < 0 ? QString() : unbracketed(name.left(dot));
    const QString column = unbracketed(dot < 0 ? name : name.mid(dot + 1));
    std::optional<Kind> kind;
    for (const Table& t : m_tables) {
        if (!table.isEmpty() && t.name.compare(table, Qt::CaseInsensitive) != 0) continue;
        for (const Column& c : t.columns) {
            if (c.name.compare(column, Qt::CaseInsensitive) != 0) continue;
            if (kind && *kind != c.kind) return std::nullopt;  // tables disagree
            kind = c.kind;
        }
    }
    return kind;
}

QString Schema::keyOf(QStringView name) const {
    const Table* t = table(unbracketed(name));
    return t ? t->key() : QString();
}

QStringList Schema::sqliteScript() const {
    static const QHash<Kind, QString> types = {
        {Kind::Key, "INTEGER PRIMARY KEY AUTOINCREMENT"}, {Kind::Integer, "INTEGER"},
        {Kind::Text, "TEXT COLLATE NOCASE"}, {Kind::Money, "CURRENCY"},
        {Kind::Number, "DOUBLE"}, {Kind::Date, "DATETIME"}};
    QStringList script;
    for (const Table& t : m_tables) {
        QStringList columns;
        for (const Column& c : t.columns) columns << bracketed(c.name) + u' ' + types[c.kind];
        script << QStringLiteral("CREATE TABLE %1 (\n    %2\n)")
                      .arg(bracketed(t.name), columns.join(QStringLiteral(",\n    ")));
    }
    for (const Index& i : m_indexes) {
        QStringList columns;
        for (const QString& c : i.columns) columns << bracketed(c);
        script << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                      .arg(i.name, bracketed(i.table), columns.join(QStringLiteral(", ")));
    }
    for (const Query& q : m_queries)
        script << QStringLiteral("CREATE VIEW %1 AS\n%2").arg(bracketed(q.name), q.body);
    return script;
}

QStringList Schema::postgresScript() const {
    // Money and rates as numeric keep every decimal exactly; text compares byte by byte, and
    // orderings ask for the letter case to be ignored as the file's NOCASE columns do.
    static const QHash<Kind, QString> types = {
        {Kind::Key, "integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"},
        {Kind::Integer, "integer"}, {Kind::Text, "text COLLATE \"C\""}, {Kind::Money, "numeric"},
        {Kind::Number, "numeric"}, {Kind::Date, "timestamp(0) without time zone"}};
    QStringList script;
    for (const Table& t : m_tables) {
        QStringList columns;
        for (const Column& c : t.columns) columns << quotedName(c.name) + u' ' + types[c.kind];
        script << QStringLiteral("CREATE TABLE %1 (\n    %2\n)")
                      .arg(quotedName(t.name), columns.join(QStringLiteral(",\n    ")));
    }
    for (const Index& i : m_indexes) {
        QStringList columns;
        for (const QString& c : i.columns) {
            const Column* column = this->column(i.table, c);
            columns << (column->kind == Kind::Text ? QStringLiteral("lower(%1)").arg(quotedName(column->name))
                                                   : quotedName(column->name));
        }
        script << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                      .arg(quotedName(i.name), quotedName(table(i.table)->name),
                           columns.join(QStringLiteral(", ")));
    }
    for (const Query& q : m_queries) {
        // SQLite's join-order hint is an inner join to the server.
        QString body = q.body;
        body.replace(QRegularExpression(QStringLiteral("\\bCROSS\\s+JOIN\\b"),
                                        QRegularExpression::CaseInsensitiveOption),
                     QStringLiteral("INNER JOIN"));
        script << QStringLiteral("CREATE VIEW %1 AS\n%2")
                      .arg(quotedName(q.name), pg::translate(body, *this));
    }
    return script;
}

}  // namespace qd::data
