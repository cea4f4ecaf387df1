#include "data/bookcopy.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/transaction.h"

#include <charconv>

namespace qd::data {

namespace {

// Rows per insert statement: few round trips to a server, statements of modest size.
constexpr int kRowsPerInsert = 250;

QString quotedText(QByteArrayView utf8) {
    return QLatin1Char('\'') + QString::fromUtf8(utf8).replace(u'\'', QLatin1String("''")) +
           QLatin1Char('\'');
}

// A number exactly as stored: the shortest text that reads back as the same double.
QString exactNumber(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, int(end - buffer));
}

QString literal(const Recordset& rs, int column) {
    switch (rs.type(column)) {
        case ValueType::Null: return QStringLiteral("NULL");
        case ValueType::Integer: return QString::number(rs.integer(column));
        case ValueType::Real: return exactNumber(rs.real(column));
        case ValueType::Text: break;
    }
    return quotedText(rs.text(column));
}

}  // namespace

void initServerBook(const QString& conninfo) {
    PostgresEngine engine(conninfo, PostgresEngine::Check::Anything);
    const QStringList present = engine.relations();
    if (!present.isEmpty())
        throw Error(QStringLiteral("The database '%1' already holds tables (%2); an order book is "
                                   "made only in an empty database.")
                        .arg(engine.name(), present.join(QStringLiteral(", "))));
    // One transaction: a failure half-way leaves the database empty as it was.
    engine.begin();
    try {
        for (const QString& statement : Schema::book().postgresScript())
            engine.executeNative(statement);
        engine.commit();
    } catch (...) {
        engine.rollback();
        throw;
    }
}

std::vector<CopiedTable> copyBook(Connection& from, Connection& to) {
    const Schema& schema = Schema::book();
    // Both keep their key counters: keys of deleted rows included, so a copy never hands out a
    // number that was used before.
    for (Connection* book : {&from, &to})
        if (!book->engine().supports(Capability::KeyCounters))
            throw Error(QStringLiteral("The order book '%1' cannot be copied: it keeps no key "
                                       "counters.").arg(book->path()));
    for (const Schema::Table& table : schema.tables()) {
        Recordset rs;
        rs.open(QStringLiteral("select count(*) from ") + bracketed(table.name), to);
        if (!rs.eof() && rs.field(0).toLongLong() > 0)
            throw Error(QStringLiteral("The order book '%1' already holds %2 (%3 rows); a copy "
                                       "goes only into a book without rows.")
                            .arg(to.path(), table.name, rs.field(0).toString()));
    }
    std::vector<CopiedTable> copied;
    Transaction transaction(to);
    for (const Schema::Table& table : schema.tables()) {
        QStringList columns;
        for (const Schema::Column& c : table.columns) columns << bracketed(c.name);
        const QString insert = QStringLiteral("insert into %1 (%2) values ")
                                   .arg(bracketed(table.name), columns.join(u','));
        Recordset rs;
        rs.open(QStringLiteral("select %1 from %2 order by %3")
                    .arg(columns.join(u','), bracketed(table.name), bracketed(table.key())),
                from);
        long long rows = 0;
        QStringList values;
        auto flush = [&] {
            if (values.isEmpty()) return;
            to.execute(insert + values.join(u','));
            values.clear();
        };
        for (; !rs.eof(); rs.moveNext()) {
            QStringList row;
            for (int i = 0; i < rs.fieldCount(); ++i) row << literal(rs, i);
            values << QLatin1Char('(') + row.join(u',') + QLatin1Char(')');
            ++rows;
            if (values.size() == kRowsPerInsert) flush();
        }
        flush();
        rs.close();
        Recordset highest;
        highest.open(QStringLiteral("select max(%1) from %2").arg(bracketed(table.key()), bracketed(table.name)), to);
        to.engine().setLastNumberGiven(table.name, table.key(),
                                       qMax(from.engine().lastNumberGiven(table.name, table.key()),
                                            highest.eof() ? 0 : highest.field(0).toLongLong()));
        copied.push_back({table.name, rows});
    }
    transaction.commit();
    // The server plans its joins from its statistics: gather them for the rows just copied, in
    // the book's own tables only (a role that owns nothing else gets no warnings).
    if (to.engine().supports(Capability::Statistics)) {
        QStringList tables;
        for (const Schema::Table& table : schema.tables()) tables << table.name;
        to.engine().gatherStatistics(tables);
    }
    return copied;
}

}  // namespace qd::data
