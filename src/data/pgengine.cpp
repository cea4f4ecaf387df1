#include "data/pgengine.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/pgdialect.h"
#include "data/schema.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <charconv>
#include <deque>
#include <memory>

namespace qd::data {

namespace {

// The one lock every write transaction of every desktop takes first ("QD-1").
constexpr long long kWriteLock = 0x51442D31;

// Column types by their fixed identifiers in the server's catalogue.
enum : unsigned {
    kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
    kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184, kNumeric = 1700
};

using ResultPtr = std::unique_ptr<PGresult, void (*)(PGresult*)>;
ResultPtr own(PGresult* r) { return ResultPtr(r, PQclear); }

QString sqlState(const PGresult* r) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return state ? QString::fromLatin1(state) : QString();
}

// A password written into the connection string would show in messages; keep only the rest.
QString withoutPassword(const QString& conninfo) {
    QString shown = conninfo;
    shown.replace(QRegularExpression(QStringLiteral(R"((://[^:/@]*):[^@/]*@)")), QStringLiteral("\\1@"));
    shown.replace(QRegularExpression(QStringLiteral(R"(password\s*=\s*('[^']*'|\S+))")),
                  QStringLiteral("password=..."));
    return shown;
}

bool isWhole(QByteArrayView digits) {
    const qsizetype dot = digits.indexOf('.');
    if (digits.contains('e') || digits.contains('E') || digits.contains('N')) return false;
    if (dot < 0) return true;
    for (qsizetype i = dot + 1; i < digits.size(); ++i)
        if (digits[i] != '0') return false;
    return true;
}

}  // namespace

struct PostgresEngine::Result {
    ResultPtr result{nullptr, PQclear};
    ExecStatusType status() const { return result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR; }
    bool ok() const { return status() == PGRES_COMMAND_OK || status() == PGRES_TUPLES_OK; }
};

// The rows of one query, taken from the server one at a time as the walk goes, so a million
// orders never sit in memory twice. When another statement must run before the walk ends, the
// rows still to come are read ahead into memory first.
class PgCursor : public Cursor {
public:
    PgCursor(PostgresEngine& engine, ResultPtr first, QString statement)
        : m_engine(&engine), m_statement(std::move(statement)), m_description(std::move(first)) {
        const int columns = PQnfields(m_description.get());
        for (int i = 0; i < columns; ++i) {
            const unsigned type = PQftype(m_description.get(), i);
            const quint64 origin = (quint64(PQftable(m_description.get(), i)) << 16) |
                                   quint64(PQftablecol(m_description.get(), i));
            Column c;
            c.date = type == kDate || type == kTimestamp || type == kTimestampTz;
            // A saved query's column may come from no table the server names; its name tells.
            c.money = type == kNumeric &&
                      (engine.m_moneyColumns.contains(origin) ||
                       (PQftable(m_description.get(), i) == 0 &&
                        Schema::book().isMoneyColumn(QString::fromUtf8(PQfname(m_description.get(), i)))));
            switch (type) {
                case kBool: c.kind = Kind::Boolean; break;
                case kInt2: case kInt4: case kInt8: case kOid: c.kind = Kind::Integer; break;
                case kFloat4: case kFloat8: c.kind = Kind::Real; break;
                case kNumeric: c.kind = Kind::Numeric; break;
                default: c.kind = Kind::Text; break;
            }
            m_columns.push_back(c);
        }
        if (PQresultStatus(m_description.get()) == PGRES_SINGLE_TUPLE) {
            m_pendingFirst = true;
            engine.m_streaming = this;
        } else {
            m_done = true;  // no rows at all
        }
    }
    ~PgCursor() override {
        if (m_engine && m_engine->m_streaming == this) m_engine->abandonStreaming();
    }

    bool next() override {
        if (m_pendingFirst) {
            m_pendingFirst = false;
            m_row = m_description.get();
            return true;
        }
        m_current.reset();
        m_row = nullptr;
        if (!m_ahead.empty()) {
            m_current = std::move(m_ahead.front());
            m_ahead.pop_front();
        } else if (m_done || !m_engine) {
            return false;
        } else {
            m_current = own(PQgetResult(m_engine->m_conn));
            if (!accept()) return false;
        }
        m_row = m_current.get();
        return m_row != nullptr;
    }
    int columnCount() const override { return int(m_columns.size()); }
    QString columnName(int column) const override {
        return QString::fromUtf8(PQfname(m_description.get(), column));
    }
    bool isDateColumn(int column) const override { return m_columns[column].date; }
    ValueType type(int column) const override {
        if (PQgetisnull(m_row, 0, column)) return ValueType::Null;
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
    qint64 integer(int column) const override {
        const QByteArrayView v = raw(column);
        if (m_columns[column].kind == Kind::Boolean) return v == "t" ? 1 : 0;
        if (m_columns[column].kind != Kind::Integer) return qint64(real(column));
        qint64 value = 0;
        std::from_chars(v.data(), v.data() + v.size(), value);
        return value;
    }
    double real(int column) const override {
        const QByteArrayView v = raw(column);
        if (m_columns[column].kind == Kind::Boolean) return v == "t" ? 1 : 0;
        if (v == "NaN") return qQNaN();
        double value = 0;
        std::from_chars(v.data(), v.data() + v.size(), value);
        return value;
    }
    QByteArrayView text(int column) const override {
        QByteArrayView v = raw(column);
        // A date without its time of day is kept as the date alone, as in the file.
        if (m_columns[column].date && v.size() == 19 && v.endsWith(" 00:00:00")) v.chop(9);
        return v;
    }

    // Reads the rows still to come into memory, so the connection is free for a statement.
    void readAhead() {
        while (!m_done) {
            ResultPtr r = own(PQgetResult(m_engine->m_conn));
            PGresult* row = r.get();
            if (!acceptInto(r)) break;
            if (row) m_ahead.push_back(std::move(r));
        }
    }
    // Ends the walk: the engine is going away, or another statement must run now.
    void detach() {
        m_done = true;
        m_engine = nullptr;
    }

private:
    enum class Kind { Integer, Boolean, Real, Numeric, Text };
    struct Column {
        Kind kind;
        bool date;
        bool money;
    };

    QByteArrayView raw(int column) const {
        return QByteArrayView(PQgetvalue(m_row, 0, column), PQgetlength(m_row, 0, column));
    }

    // Takes the result just read in m_current: a row, or the end, or a failure.
    bool accept() { return acceptInto(m_current); }
    bool acceptInto(ResultPtr& r) {
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

    PostgresEngine* m_engine;
    QString m_statement;
    ResultPtr m_description;  // the first result: column names and types (and the first row)
    ResultPtr m_current{nullptr, PQclear};
    std::deque<ResultPtr> m_ahead;
    const PGresult* m_row = nullptr;
    std::vector<Column> m_columns;
    bool m_pendingFirst = false;
    bool m_done = false;
};

PostgresEngine::PostgresEngine(const QString& conninfo, Check check)
    : m_conninfo(conninfo), m_name(withoutPassword(conninfo)),
      m_lockTimeoutMs(Connection::kDefaultLockTimeoutMs) {
    connect();
    if (check == Check::OrderBook) {
        const QStringList present = relations();
        for (const Schema::Table& t : Schema::book().tables())
            if (!present.contains(t.name))
                throw Error(QStringLiteral("The database '%1' holds no Quarrydesk order book (it "
                                           "has no table %2). Make one with quarrydesk "
                                           "--init-book.").arg(m_name, t.name));
    }
}

PostgresEngine::~PostgresEngine() {
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    PQfinish(m_conn);
}

void PostgresEngine::connect() {
    // Our defaults first: whatever the connection string says wins over them.
    const QByteArray dbname = m_conninfo.toUtf8();
    const char* const keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* const values[] = {"10", "Quarrydesk", dbname.constData(), nullptr};
    if (m_conn) PQfinish(m_conn);
    m_conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw Error(QStringLiteral("Cannot reach the order book server '%1': %2")
                        .arg(m_name, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed()));
    configureSession();
}

void PostgresEngine::configureSession() {
    PQsetClientEncoding(m_conn, "UTF8");
    // Quoted text as the dialect writes it (no backslash escapes), dates as ISO text, and a
    // wait for another desktop's write that ends with a message instead of hanging.
    const QByteArray setup = QStringLiteral(
        "SET standard_conforming_strings = on; SET DateStyle = 'ISO, YMD'; "
        "SET client_min_messages = warning; SET lock_timeout = %1")
        .arg(m_lockTimeoutMs).toUtf8();
    const ResultPtr r = own(PQexec(m_conn, setup.constData()));
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw Error(QStringLiteral("The order book server '%1' refused the session settings: %2")
                        .arg(m_name, QString::fromUtf8(PQresultErrorMessage(r.get())).trimmed()));
    loadColumnKinds();
}

// Which columns hold money, so that whole amounts come back as whole numbers.
void PostgresEngine::loadColumnKinds() {
    m_moneyColumns.clear();
    const ResultPtr r = own(PQexec(m_conn,
        "SELECT c.oid, a.attnum, c.relname, a.attname, c.relkind FROM pg_attribute a "
        "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v') AND a.attnum > 0 "
        "AND NOT a.attisdropped"));
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const QString name = QString::fromUtf8(PQgetvalue(r.get(), i, 3));
        // A saved query's columns are known by their names.
        const bool money = *PQgetvalue(r.get(), i, 4) == 'v'
            ? Schema::book().isMoneyColumn(name)
            : [&] {
                  const Schema::Column* c =
                      Schema::book().column(QString::fromUtf8(PQgetvalue(r.get(), i, 2)), name);
                  return c && c->kind == Schema::Kind::Money;
              }();
        if (money)
            m_moneyColumns.insert((QByteArray(PQgetvalue(r.get(), i, 0)).toULongLong() << 16) |
                                  QByteArray(PQgetvalue(r.get(), i, 1)).toULongLong());
    }
}

bool PostgresEngine::lost() const { return PQstatus(m_conn) == CONNECTION_BAD; }

void PostgresEngine::ensureConnected() {
    if (!lost()) return;
    PQreset(m_conn);
    if (lost())
        throw Error(QStringLiteral("Cannot reach the order book server '%1': %2")
                        .arg(m_name, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed()));
    configureSession();
}

void PostgresEngine::finishStreaming() {
    if (!m_streaming) return;
    PgCursor* cursor = m_streaming;
    cursor->readAhead();
    m_streaming = nullptr;
}

void PostgresEngine::abandonStreaming() noexcept {
    m_streaming->detach();
    m_streaming = nullptr;
    // Outside a transaction the server may stop at once; inside one a cancel would spoil the
    // transaction, so the rest of the rows is read and dropped. Rows already all here need no
    // cancel (a late one could reach the next statement).
    PQconsumeInput(m_conn);
    if (!m_inTransaction && !lost() && PQisBusy(m_conn)) {
        if (PGcancel* cancel = PQgetCancel(m_conn)) {
            char why[256];
            PQcancel(cancel, why, sizeof why);
            PQfreeCancel(cancel);
        }
    }
    while (PGresult* rest = PQgetResult(m_conn)) PQclear(rest);
}

void PostgresEngine::raiseLost(const QString& detail) {
    const bool wasInTransaction = m_inTransaction;
    m_inTransaction = false;  // the server ends a transaction whose connection is gone
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    throw Error(QStringLiteral("The connection to the order book server '%1' was lost (%2). %3"
                               "The next action connects again.")
                    .arg(m_name, detail,
                         wasInTransaction ? QStringLiteral("Nothing of this action was stored. ")
                                          : QString()));
}

PostgresEngine::Result PostgresEngine::run(const QByteArray& sql, const QString& statement,
                                           bool simple) {
    finishStreaming();
    Result result;
    // One statement at a time through the extended protocol: text that was meant as one value
    // can never start a second statement.
    result.result = own(simple ? PQexec(m_conn, sql.constData())
                               : PQexecParams(m_conn, sql.constData(), 0, nullptr, nullptr,
                                              nullptr, nullptr, 0));
    if (!result.ok()) raise(result, statement);
    return result;
}

void PostgresEngine::raise(const Result& result, const QString& statement) {
    const QString message = result.result
        ? QString::fromUtf8(PQresultErrorField(result.result.get(), PG_DIAG_MESSAGE_PRIMARY))
        : QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    if (lost()) raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed().section(u'\n', 0, 0));
    const QString state = sqlState(result.result.get());
    if (state == QLatin1String("55P03"))
        throw Error(QStringLiteral("The order book '%1' is in use by another desktop and stayed "
                                   "locked; try again in a moment.").arg(m_name));
    if (state == QLatin1String("25006"))
        throw Error(QStringLiteral("Cannot update. The order book '%1' is read-only.").arg(m_name));
    if (state == QLatin1String("42501"))
        throw Error(QStringLiteral("Cannot write to the order book '%1': %2.").arg(m_name, message));
    if (state == QLatin1String("53100"))
        throw Error(QStringLiteral("The disk holding the order book '%1' is full.").arg(m_name));
    throw Error(QStringLiteral("%1 in statement: %2").arg(message, statement));
}

int PostgresEngine::execute(const QString& statement) {
    const QByteArray sql = pg::translate(statement, Schema::book()).toUtf8();
    if (!m_inTransaction) {
        // A statement on its own is a write transaction of its own, in line with the others.
        begin();
        try {
            const int changed = execute(statement);
            commit();
            return changed;
        } catch (...) {
            rollback();
            throw;
        }
    }
    const Result result = run(sql, statement);
    return QByteArray(PQcmdTuples(result.result.get())).toInt();
}

std::unique_ptr<Cursor> PostgresEngine::query(const QString& statement) {
    const QString sql = pg::translate(statement, Schema::book());
    static const QRegularExpression reading(QStringLiteral("^[\\s(]*select\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!reading.match(sql).hasMatch())
        throw Error(QStringLiteral("A read-only recordset cannot run a statement that writes."));
    finishStreaming();
    const QByteArray bytes = sql.toUtf8();
    for (int attempt = 0;; ++attempt) {
        if (!m_inTransaction) ensureConnected();
        if (PQsendQueryParams(m_conn, bytes.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)) {
            PQsetSingleRowMode(m_conn);
            ResultPtr first = own(PQgetResult(m_conn));
            const ExecStatusType status = first ? PQresultStatus(first.get()) : PGRES_FATAL_ERROR;
            if (status == PGRES_SINGLE_TUPLE)
                return std::make_unique<PgCursor>(*this, std::move(first), statement);
            while (ResultPtr rest = own(PQgetResult(m_conn))) {
            }
            if (status == PGRES_TUPLES_OK)
                return std::make_unique<PgCursor>(*this, std::move(first), statement);
            // A connection that went while idle: reading needs no transaction, so try anew.
            if (lost() && !m_inTransaction && attempt == 0) continue;
            Result failure;
            failure.result = std::move(first);
            raise(failure, statement);
        }
        if (lost() && !m_inTransaction && attempt == 0) continue;
        raise(Result{}, statement);
    }
}

void PostgresEngine::begin() {
    if (m_inTransaction) throw Error(QStringLiteral("A transaction is already open on the order book."));
    finishStreaming();
    const QByteArray sql =
        QStringLiteral("BEGIN ISOLATION LEVEL READ COMMITTED; SELECT pg_advisory_xact_lock(%1)")
            .arg(kWriteLock).toUtf8();
    for (int attempt = 0;; ++attempt) {
        ensureConnected();
        Result result;
        result.result = own(PQexec(m_conn, sql.constData()));
        if (result.ok()) break;
        // Nothing was written yet: a connection that went while idle is simply made again.
        if (lost() && attempt == 0) continue;
        if (PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
            const ResultPtr undo = own(PQexec(m_conn, "ROLLBACK"));
        }
        raise(result, QStringLiteral("BEGIN"));
    }
    m_inTransaction = true;
}

void PostgresEngine::commit() {
    if (!m_inTransaction) return;
    finishStreaming();
    Result result;
    result.result = own(PQexec(m_conn, "COMMIT"));
    if (lost()) {
        m_inTransaction = false;
        throw Error(QStringLiteral("The connection to the order book server '%1' was lost while "
                                   "the action was being stored; look whether it was stored. "
                                   "The next action connects again.").arg(m_name));
    }
    m_inTransaction = false;
    if (!result.ok()) raise(result, QStringLiteral("COMMIT"));
    // A transaction that had failed ends in a rollback, which the server reports as success.
    if (qstrcmp(PQcmdStatus(result.result.get()), "ROLLBACK") == 0)
        throw Error(QStringLiteral("The order book server '%1' rolled the action back; nothing "
                                   "of it was stored.").arg(m_name));
}

void PostgresEngine::rollback() noexcept {
    if (!m_inTransaction) return;
    m_inTransaction = false;
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    if (lost()) return;  // the server rolled back when the connection went
    while (PGresult* pending = PQgetResult(m_conn)) PQclear(pending);
    PQclear(PQexec(m_conn, "ROLLBACK"));
}

void PostgresEngine::setLockTimeout(int milliseconds) {
    m_lockTimeoutMs = milliseconds;
    if (!lost() && !m_streaming)
        PQclear(PQexec(m_conn, QByteArray("SET lock_timeout = ") +
                                   QByteArray::number(milliseconds)));
}

QStringList PostgresEngine::relations() {
    if (!m_inTransaction) ensureConnected();
    const Result result = run(
        "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'm', 'p', 'f') "
        "ORDER BY 1", QStringLiteral("(list of tables)"));
    QStringList names;
    for (int i = 0; i < PQntuples(result.result.get()); ++i)
        names << QString::fromUtf8(PQgetvalue(result.result.get(), i, 0));
    return names;
}

void PostgresEngine::executeNative(const QString& sql) {
    if (!m_inTransaction) ensureConnected();
    run(sql.toUtf8(), sql, true);
    loadColumnKinds();
}

namespace {
QString sequenceOf(const QString& table, const QString& key) {
    return QStringLiteral("pg_get_serial_sequence('\"%1\"', '%2')").arg(table, key);
}
}  // namespace

long long PostgresEngine::lastNumberGiven(const QString& table, const QString& key) {
    // A counter that never gave a number has none yet.
    const QString sql = QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM %1")
                            .arg(QStringLiteral("\"%1\"").arg(sequenceName(table, key)));
    const Result result = run(sql.toUtf8(), sql);
    return QByteArray(PQgetvalue(result.result.get(), 0, 0)).toLongLong();
}

void PostgresEngine::setLastNumberGiven(const QString& table, const QString& key, long long last) {
    const QString sql = last > 0
        ? QStringLiteral("SELECT setval(%1, %2, true)").arg(sequenceOf(table, key)).arg(last)
        : QStringLiteral("SELECT setval(%1, 1, false)").arg(sequenceOf(table, key));
    run(sql.toUtf8(), sql);
}

QString PostgresEngine::sequenceName(const QString& table, const QString& key) {
    const QString sql = QStringLiteral("SELECT %1").arg(sequenceOf(table, key));
    const Result result = run(sql.toUtf8(), sql);
    // "public.\"Orders_OrderID_seq\"": the name within the schema, quotes removed.
    QString name = QString::fromUtf8(PQgetvalue(result.result.get(), 0, 0)).section(u'.', 1);
    if (name.startsWith(u'"')) name = name.mid(1, name.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return name;
}

int PostgresEngine::serverProcess() const { return PQbackendPID(m_conn); }

}  // namespace qd::data
