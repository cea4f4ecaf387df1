#pragma once

// The pieces of the server engine that its files share: owned libpq results and the cursor
// over a query's rows.

#include "data/pgengine.h"

#include <libpq-fe.h>

#include <deque>
#include <memory>
#include <vector>

namespace qd::data {

using ResultPtr = std::unique_ptr<PGresult, void (*)(PGresult*)>;
inline ResultPtr own(PGresult* r) { return ResultPtr(r, PQclear); }

struct PostgresEngine::Result {
    ResultPtr result{nullptr, PQclear};
    std::deque<ResultPtr> more;  // rows of the same statement that came one result each
    ExecStatusType status() const { return result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR; }
    bool ok() const { return status() == PGRES_COMMAND_OK || status() == PGRES_TUPLES_OK; }
};

// The rows of one query: a whole result read at once, or a result that arrives from the server
// one row at a time as the walk goes (a million orders never sit in memory twice). When another
// statement must run before a streamed walk ends, the rows still to come are read ahead into
// memory first.
class PgCursor : public Cursor {
public:
    // first: a whole result, or the first row of a streamed one (or its end, when it has none).
    // With rows already read (complete), first and the results after it are all there is.
    PgCursor(PostgresEngine& engine, ResultPtr first, QString statement);
    PgCursor(PostgresEngine& engine, ResultPtr first, QString statement,
             std::deque<ResultPtr> complete);
    ~PgCursor() override;

    bool next() override;
    int columnCount() const override { return int(m_columns.size()); }
    QString columnName(int column) const override;
    bool isDateColumn(int column) const override { return m_columns[column].date; }
    ValueType type(int column) const override;
    qint64 integer(int column) const override;
    double real(int column) const override;
    QByteArrayView text(int column) const override;

    // Reads the rows still to come into memory, so the connection is free for a statement.
    void readAhead();
    // Ends the walk: the engine is going away, or another statement must run now.
    void detach();

private:
    enum class Kind { Integer, Boolean, Real, Numeric, Text };
    struct Column {
        Kind kind;
        bool date;
        bool money;
    };

    QByteArrayView raw(int column) const;
    // Takes a result just read from a streamed query: a row, or the end, or a failure.
    bool acceptInto(ResultPtr& r);

    PostgresEngine* m_engine;
    QString m_statement;
    ResultPtr m_description;  // the first result: column names and types (and the first rows)
    ResultPtr m_current{nullptr, PQclear};
    std::deque<ResultPtr> m_ahead;
    const PGresult* m_rows = nullptr;  // the result the current row is in
    int m_index = -1;                  // the current row in it
    std::vector<Column> m_columns;
    bool m_done = false;  // no more results will come from the server
};

}  // namespace qd::data
