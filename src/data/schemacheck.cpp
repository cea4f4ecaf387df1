#include "data/schemacheck.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/schema.h"

#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <optional>

namespace qd::data {

namespace {

// The columns a statement gives (lower case to their own spelling), without reading a row;
// nothing when it cannot be prepared.
using Columns = QHash<QString, QString>;
std::optional<Columns> columnsOf(Connection& connection, const QString& select) {
    try {
        const auto cursor = connection.engine().query(QStringLiteral("select * from %1 where 1=0")
                                                          .arg(select));
        Columns columns;
        for (int i = 0; i < cursor->columnCount(); ++i)
            columns.insert(cursor->columnName(i).toLower(), cursor->columnName(i));
        return columns;
    } catch (const Error& e) {
        // A damaged file is no missing table: that is for the caller to tell.
        const long code = e.number() & 0xff;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_IOERR) throw;
        return std::nullopt;
    }
}

}  // namespace

QStringList missingSchema(Connection& connection) {
    const Schema& schema = Schema::book();
    QStringList missing;
    bool tablesComplete = true;
    for (const Schema::Table& table : schema.tables()) {
        const auto columns = columnsOf(connection, bracketed(table.name));
        if (!columns) {
            missing << QStringLiteral("the table [%1] is missing").arg(table.name);
            tablesComplete = false;
            continue;
        }
        for (const Schema::Column& column : table.columns) {
            if (columns->contains(column.name.toLower())) continue;
            missing << QStringLiteral("the table [%1] has no column %2").arg(table.name, column.name);
            tablesComplete = false;
        }
    }
    for (const Schema::Query& query : schema.queries()) {
        const auto columns = columnsOf(connection, bracketed(query.name));
        if (!columns) {
            missing << QStringLiteral("the saved query [%1] is missing").arg(query.name);
            continue;
        }
        // The columns the description's own text gives over this book's tables.
        const auto wanted =
            tablesComplete ? columnsOf(connection, QStringLiteral("(%1)").arg(query.body)) : std::nullopt;
        for (const QString& column : wanted.value_or(Columns()))
            if (!columns->contains(column.toLower()))
                missing << QStringLiteral("the saved query [%1] has no column %2").arg(query.name, column);
    }
    if (missing.size() == int(schema.tables().size() + schema.queries().size()) &&
        std::all_of(missing.begin(), missing.end(),
                    [](const QString& m) { return m.endsWith(QLatin1String(" is missing")); }))
        return {QStringLiteral("it holds none of the tables and saved queries of one")};
    return missing;
}

}  // namespace qd::data
