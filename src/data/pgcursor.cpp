#include "data/pgcursor.h"

#include "data/schema.h"

#include <charconv>

namespace qd::data {

namespace {

// Column types by their fixed identifiers in the server's catalogue.
enum : unsigned {
    kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
    kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184, kNumeric = 1700
};

bool isWhole(QByteArrayView digits) {
    const qsizetype dot = digits.indexOf('.');
    if (digits.contains('e') || digits.contains('E') || digits.contains('N')) return false;
    if (dot < 0) return true;
    for (qsizetype i = dot + 1; i < digits.size(); ++i)
        if (digits[i] != '0') return false;
    return true;
}

}  // namespace

PgCursor::PgCursor(PostgresEngine& engine, ResultPtr first, QString statement)
    : m_engine(&engine), m_statement(std::move(statement)), m_description(std::move(first)) {
    const PGresult* d = m_description.get();
    const int columns = PQnfields(d);
    for (int i = 0; i < columns; ++i) {
        const unsigned type = PQftype(d, i);
        const quint64 origin = (quint64(PQftable(d, i)) << 16) | quint64(PQftablecol(d, i));
        Column c;
        c.date = type == kDate || type == kTimestamp || type == kTimestampTz;
        // A saved query's column may come from no table the server names; its name tells.
        c.money = type == kNumeric &&
                  (engine.m_moneyColumns.contains(origin) ||
                   (PQftable(d, i) == 0 &&
                    Schema::book().isMoneyColumn(QString::fromUtf8(PQfname(d, i)))));
        switch (type) {
            case kBool: c.kind = Kind::Boolean; break;
            case kInt2: case kInt4: case kInt8: case kOid: c.kind = Kind::Integer; break;
            case kFloat4: case kFloat8: c.kind = Kind::Real; break;
            case kNumeric: c.kind = Kind::Numeric; break;
            default: c.kind = Kind::Text; break;
        }
        m_columns.push_back(c);
    }
    m_rows = d;
    if (PQresultStatus(d) == PGRES_SINGLE_TUPLE)
        engine.m_streaming = this;
    else
        m_done = true;  // a whole result, or a streamed one without rows
}

PgCursor::PgCursor(PostgresEngine& engine, ResultPtr first, QString statement,
                   std::deque<ResultPtr> complete)
    : PgCursor(engine, std::move(first), std::move(statement)) {
    if (engine.m_streaming == this) engine.m_streaming = nullptr;
    m_done = true;
    m_ahead = std::move(complete);
}

PgCursor::~PgCursor() {
    if (m_engine && m_engine->m_streaming == this) m_engine->abandonStreaming();
}

bool PgCursor::next() {
    if (m_rows && m_index + 1 < PQntuples(m_rows)) {
        ++m_index;
        return true;
    }
    m_index = 0;
    if (!m_ahead.empty()) {
        m_current = std::move(m_ahead.front());
        m_ahead.pop_front();
        m_rows = m_current.get();
        return true;
    }
    m_rows = nullptr;
    m_current.reset();
    if (m_done || !m_engine) return false;
    m_current = own(PQgetResult(m_engine->m_conn));
    if (!acceptInto(m_current)) return false;
    m_rows = m_current.get();
    return true;
}

QString PgCursor::columnName(int column) const {
    return QString::fromUtf8(PQfname(m_description.get(), column));
}

QByteArrayView PgCursor::raw(int column) const {
    return QByteArrayView(PQgetvalue(m_rows, m_index, column), PQgetlength(m_rows, m_index, column));
}

ValueType PgCursor::type(int column) const {
    if (PQgetisnull(m_rows, m_index, column)) return ValueType::Null;
    switch (m_columns[column].kind) {
        case Kind::Integer: case Kind::Boolean: return ValueType::Integer;
        case Kind::Real: return ValueType::Real;
        // Money columns give whole amounts as whole numbers, as the file's do.
        case Kind::Numeric:
            return m_columns[column].money && isWhole(raw(column)) ? ValueType::Integer
                                                                   : ValueType::Real;
        case Kind::Text: break;
    }
    return ValueType::Text;
}

qint64 PgCursor::integer(int column) const {
    const QByteArrayView v = raw(column);
    if (m_columns[column].kind == Kind::Boolean) return v == "t" ? 1 : 0;
    if (m_columns[column].kind != Kind::Integer) return qint64(real(column));
    qint64 value = 0;
    std::from_chars(v.data(), v.data() + v.size(), value);
    return value;
}

double PgCursor::real(int column) const {
    const QByteArrayView v = raw(column);
    if (m_columns[column].kind == Kind::Boolean) return v == "t" ? 1 : 0;
    if (v == "NaN") return qQNaN();
    double value = 0;
    std::from_chars(v.data(), v.data() + v.size(), value);
    return value;
}

QByteArrayView PgCursor::text(int column) const {
    QByteArrayView v = raw(column);
    // A date without its time of day is kept as the date alone, as in the file.
    if (m_columns[column].date && v.size() == 19 && v.endsWith(" 00:00:00")) v.chop(9);
    return v;
}

void PgCursor::readAhead() {
    while (!m_done) {
        ResultPtr r = own(PQgetResult(m_engine->m_conn));
        PGresult* row = r.get();
        if (!acceptInto(r)) break;
        if (row) m_ahead.push_back(std::move(r));
    }
}

void PgCursor::detach() {
    m_done = true;
    m_engine = nullptr;
}

bool PgCursor::acceptInto(ResultPtr& r) {
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_TUPLES_OK;
    if (status == PGRES_SINGLE_TUPLE) return true;
    // The end of the rows (or a failure): the connection is free again.
    PostgresEngine* engine = m_engine;
    m_done = true;
    if (engine->m_streaming == this) engine->m_streaming = nullptr;
    while (ResultPtr rest = own(PQgetResult(engine->m_conn))) {
    }
    if (status == PGRES_TUPLES_OK) {
        r.reset();
        return false;
    }
    PostgresEngine::Result failure;
    failure.result = std::move(r);
    engine->raise(failure, m_statement);
}

}  // namespace qd::data
