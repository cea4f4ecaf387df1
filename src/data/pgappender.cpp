// Adding many rows to a server book the way the server takes them fastest: keys drawn from the
// table's counter a block at a time, the rows sent in COPY's text form a few thousand at once.

#include "core/error.h"
#include "data/pgcursor.h"
#include "data/pgengine.h"
#include "data/schema.h"
#include "text/numbers.h"

#include <QDateTime>
#include <QVariant>

#include <libpq-fe.h>

#include <cmath>
#include <deque>

namespace qd::data {

namespace {

QByteArray quotedName(const QString& name) {
    return '"' + QString(name).replace(u'"', QLatin1String("\"\"")).toUtf8() + '"';
}

// A value in COPY's text form: \N for Null, backslash escapes for the characters that end a
// field or a row.
void appendCopyValue(QByteArray& out, const QVariant& value) {
    if (value.isNull()) {
        out += "\\N";
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong:
        out += QByteArray::number(value.toLongLong());
        return;
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d)) throw Error(QStringLiteral("A number to store is not finite."));
        out += QByteArray::number(d, 'g', 17);
        return;
    }
    case QMetaType::QDate:
        out += value.toDate().toString(Qt::ISODate).toLatin1();
        return;
    case QMetaType::QDateTime:
        out += value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        return;
    default:
        break;
    }
    const QByteArray text = value.toString().toUtf8();
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

constexpr int kRowsPerCopy = 8192;
constexpr int kKeysPerDraw = 4096;

}  // namespace

class PgAppender : public RowAppender {
public:
    PgAppender(PostgresEngine& engine, const QString& table, const QStringList& columns)
        : m_engine(engine), m_table(table) {
        const Schema::Table* t = Schema::book().table(table);
        if (!t) throw Error(QStringLiteral("There is no table %1 in the order book.").arg(table));
        m_key = t->key();
        m_copy = "COPY " + quotedName(t->name) + " (" + quotedName(m_key);
        for (const QString& c : columns) {
            const Schema::Column* column = Schema::book().column(table, c);
            if (!column) throw Error(QStringLiteral("There is no column %1 in %2.").arg(c, table));
            m_copy += ", " + quotedName(column->name);
        }
        m_copy += ") FROM STDIN";
    }
    ~PgAppender() override = default;

    qint64 append(const QVariantList& values, bool wantKey) override {
        if (m_keys.empty()) {
            const std::vector<qint64> drawn = m_engine.drawKeys(m_table, m_key, kKeysPerDraw);
            m_keys.assign(drawn.begin(), drawn.end());
        }
        const qint64 key = m_keys.front();
        m_keys.pop_front();
        m_rows += QByteArray::number(key);
        for (const QVariant& v : values) {
            m_rows += '\t';
            appendCopyValue(m_rows, v);
        }
        m_rows += '\n';
        if (++m_count == kRowsPerCopy) flush();
        return wantKey ? key : 0;
    }

    void flush() override {
        if (m_count == 0) return;
        m_engine.copyIn(m_copy, m_rows, QStringLiteral("COPY %1").arg(m_table));
        m_rows.clear();
        m_count = 0;
    }

private:
    PostgresEngine& m_engine;
    QString m_table;
    QString m_key;
    QByteArray m_copy;
    QByteArray m_rows;
    int m_count = 0;
    std::deque<qint64> m_keys;
};

std::unique_ptr<RowAppender> PostgresEngine::appender(const QString& table, const QStringList& columns) {
    if (!m_inTransaction) throw Error(QStringLiteral("Rows are added to a server book inside a transaction."));
    return std::make_unique<PgAppender>(*this, table, columns);
}

std::vector<qint64> PostgresEngine::drawKeys(const QString& table, const QString& key, int count) {
    const QByteArray sql = "SELECT nextval(pg_get_serial_sequence('" +
                           quotedName(table).replace('\'', "''") + "', '" + key.toUtf8() +
                           "')) FROM generate_series(1, " + QByteArray::number(count) + ")";
    send(sql, QStringLiteral("nextval"), Use::Rows);
    const std::vector<Result> rows = flush();
    std::vector<qint64> keys;
    if (rows.empty()) return keys;
    auto take = [&](const PGresult* r) {
        for (int i = 0; i < PQntuples(r); ++i) keys.push_back(QByteArray(PQgetvalue(r, i, 0)).toLongLong());
    };
    take(rows.front().result.get());
    for (const ResultPtr& more : rows.front().more) take(more.get());
    return keys;
}

void PostgresEngine::copyIn(const QByteArray& copySql, const QByteArray& rows, const QString& statement) {
    flush();  // what was sent ahead is answered first, its failures told first
    if (!PQexitPipelineMode(m_conn)) raise(Result{}, statement);
    m_pipeline = false;
    ++m_trips;
    Result started{own(PQexec(m_conn, copySql.constData())), {}};
    if (started.status() != PGRES_COPY_IN) {
        if (lost()) raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed().section(u'\n', 0, 0));
        raise(started, statement);
    }
    const bool sent = PQputCopyData(m_conn, rows.constData(), int(rows.size())) == 1 &&
                      PQputCopyEnd(m_conn, nullptr) == 1;
    Result done{own(PQgetResult(m_conn)), {}};
    while (ResultPtr rest = own(PQgetResult(m_conn))) {
    }
    if (!sent || lost()) raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed().section(u'\n', 0, 0));
    if (done.status() != PGRES_COMMAND_OK) raise(done, statement);
    if (!PQenterPipelineMode(m_conn)) raise(Result{}, statement);
    m_pipeline = true;
}

}  // namespace qd::data
