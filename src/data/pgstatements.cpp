// The server engine's statements and transactions: a transaction's statements travel ahead in
// libpq's pipeline mode, and their answers are read when a read needs them or at the commit.

#include "data/pgengine.h"

#include "core/error.h"
#include "data/pgcursor.h"
#include "data/pgdialect.h"
#include "data/schema.h"
#include "data/storedrows.h"

#include <QRegularExpression>

#include <algorithm>

namespace qd::data {

namespace {

// The one lock every write transaction of every desktop takes first ("QD-1").
constexpr long long kWriteLock = 0x51442D31;
// Statements sent ahead before their answers are read anyway: the server answers each, and
// answers nobody reads would in the end fill the connection both ways.
constexpr std::size_t kMostAhead = 200;

const char* const kColumnKinds =
    "SELECT c.oid, a.attnum, c.relname, a.attname, c.relkind FROM pg_attribute a "
    "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
    "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v') AND a.attnum > 0 "
    "AND NOT a.attisdropped";

QByteArray readingSql(const QString& statement) {
    const QString sql = pg::translate(statement, Schema::book());
    static const QRegularExpression reading(QStringLiteral("^[\\s(]*select\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!reading.match(sql).hasMatch())
        throw Error(QStringLiteral("A read-only recordset cannot run a statement that writes."));
    return sql.toUtf8();
}

}  // namespace

void PostgresEngine::send(const QByteArray& sql, const QString& statement, Use use,
                          const QByteArray* parameter) {
    Sent sent{statement, currentStatementOrigin(), use, sql,
              parameter ? *parameter : QByteArray(), parameter != nullptr};
    const char* values[1] = {sent.parameter.constData()};
    if (!PQsendQueryParams(m_conn, sent.sql.constData(), sent.hasParameter ? 1 : 0, nullptr,
                           sent.hasParameter ? values : nullptr, nullptr, nullptr, 0)) {
        if (lost()) raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed().section(u'\n', 0, 0));
        raise(Result{}, statement);
    }
    m_sent.push_back(std::move(sent));
}

std::vector<PostgresEngine::Result> PostgresEngine::flush() {
    for (int attempt = 0;; ++attempt) {
        std::vector<Result> kept;
        std::optional<std::size_t> failedAt;
        Result failure;
        QByteArray lastStatus;
        const bool unsent = !PQpipelineSync(m_conn);
        bool gone = unsent;
        if (!gone) ++m_trips;
        for (std::size_t i = 0; !gone && i < m_sent.size(); ++i) {
            // Each statement's answers end with a null.
            Result rows;
            while (ResultPtr r = own(PQgetResult(m_conn))) {
                const ExecStatusType status = PQresultStatus(r.get());
                if (status == PGRES_FATAL_ERROR) {
                    if (!failedAt) {
                        failedAt = i;
                        failure.result = std::move(r);
                    }
                } else if ((status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE) &&
                           m_sent[i].use == Use::Rows) {
                    // A streamed query before may leave libpq's single-row mode on for the
                    // first statement of a pipeline: its rows then come one result each.
                    if (!rows.result)
                        rows.result = std::move(r);
                    else if (PQntuples(r.get()) > 0)
                        rows.more.push_back(std::move(r));
                } else if (status == PGRES_TUPLES_OK && m_sent[i].use == Use::TransactionId) {
                    if (PQntuples(r.get()) == 1) m_transactionId = PQgetvalue(r.get(), 0, 0);
                } else if (status == PGRES_COMMAND_OK) {
                    lastStatus = PQcmdStatus(r.get());
                    if (m_sent[i].use == Use::Count)
                        m_lastCount = QByteArray(PQcmdTuples(r.get())).toLongLong();
                }
                // PGRES_PIPELINE_ABORTED: skipped after an earlier failure.
            }
            if (rows.result) kept.push_back(std::move(rows));
            gone = lost();
        }
        if (!gone) {
            const ResultPtr sync = own(PQgetResult(m_conn));
            gone = lost() || !sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC;
        }
        if (gone) {
            // A connection that went while the desk sat idle: nothing was stored, so the
            // transaction is made again on a new connection, once, with everything it sent.
            // A commit that may have reached the server is never sent twice.
            const bool commits = std::any_of(m_sent.begin(), m_sent.end(), [](const Sent& s) {
                return s.statement == QLatin1String("COMMIT");
            });
            if (attempt == 0 && !m_flushed && !m_lostKnown && (unsent || !commits)) {
                std::vector<Sent> again = std::move(m_sent);
                const bool transaction = m_inTransaction;
                const BookChanges announce = m_announce;
                try {
                    reconnect();
                } catch (const Error&) {
                    raiseLost(QStringLiteral("the server does not answer"));
                }
                m_announce = announce;
                PQenterPipelineMode(m_conn);
                m_pipeline = true;
                m_inTransaction = transaction;
                for (Sent& s : again) {
                    const int origin = std::exchange(currentStatementOrigin(), s.origin);
                    send(s.sql, s.statement, s.use, s.hasParameter ? &s.parameter : nullptr);
                    currentStatementOrigin() = origin;
                }
                continue;
            }
            m_sent.clear();
            raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed().section(u'\n', 0, 0));
        }
        const std::vector<Sent> sent = std::move(m_sent);
        m_sent.clear();
        m_flushed = true;
        m_lastStatus = lastStatus;
        if (failedAt) {
            try {
                raise(failure, sent[*failedAt].statement);
            } catch (Error& e) {
                throw e.withOrigin(sent[*failedAt].origin);
            }
        }
        return kept;
    }
}

void PostgresEngine::leavePipeline() noexcept {
    if (!m_pipeline) return;
    m_pipeline = false;
    const bool unanswered = !m_sent.empty();
    m_sent.clear();
    if (lost()) return;  // the next connection starts afresh
    // Statements sent but never answered (a failure on the way): their answers are read and
    // dropped, up to a sync of their own.
    if (unanswered && PQpipelineSync(m_conn)) {
        for (;;) {
            PGresult* r = PQgetResult(m_conn);
            if (!r) {
                if (lost()) return;
                continue;  // the end of one statement's answers
            }
            const bool synced = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
            PQclear(r);
            if (synced) break;
        }
    }
    if (PQexitPipelineMode(m_conn)) return;
    // Still not free: a new connection is the way out.
    try {
        reconnect();
    } catch (const Error&) {
    }
}

PostgresEngine::Result PostgresEngine::run(const QByteArray& sql, const QString& statement) {
    if (m_pipeline) {
        send(sql, statement, Use::Rows);
        std::vector<Result> rows = flush();
        if (!rows.empty()) return std::move(rows.back());
        Result done;
        done.result = own(PQmakeEmptyPGresult(m_conn, PGRES_COMMAND_OK));
        return done;
    }
    finishStreaming();
    ensureConnected();
    Result result;
    ++m_trips;
    // One statement at a time through the extended protocol: text that was meant as one value
    // can never start a second statement.
    result.result = own(PQexecParams(m_conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0));
    if (!result.ok()) raise(result, statement);
    return result;
}

int PostgresEngine::execute(const QString& statement) {
    const QByteArray sql = pg::translate(statement, Schema::book()).toUtf8();
    if (!m_inTransaction) {
        // A statement on its own is a write transaction of its own, in line with the others.
        begin();
        try {
            send(sql, statement, Use::Count);
            commit();
        } catch (...) {
            rollback();
            throw;
        }
        return int(m_lastCount);
    }
    send(sql, statement);
    if (m_sent.size() >= kMostAhead) flush();
    return -1;
}

std::unique_ptr<Cursor> PostgresEngine::query(const QString& statement) {
    const QByteArray bytes = readingSql(statement);
    if (m_inTransaction) {
        send(bytes, statement, Use::Rows);
        std::vector<Result> rows = flush();
        return std::make_unique<PgCursor>(*this, std::move(rows.back().result), statement,
                                          std::move(rows.back().more));
    }
    finishStreaming();
    for (int attempt = 0;; ++attempt) {
        ensureConnected();
        ++m_trips;
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
            if (lost() && attempt == 0 && !m_lostKnown) continue;
            Result failure;
            failure.result = std::move(first);
            raise(failure, statement);
        }
        if (lost() && attempt == 0 && !m_lostKnown) continue;
        raise(Result{}, statement);
    }
}

std::vector<std::shared_ptr<const StoredRows>> PostgresEngine::queryTogether(const QStringList& statements) {
    std::vector<QByteArray> sql;
    for (const QString& s : statements) sql.push_back(readingSql(s));
    std::vector<std::shared_ptr<const StoredRows>> rows;
    if (statements.isEmpty()) return rows;
    const bool own = !m_inTransaction;
    if (own) {
        finishStreaming();
        ensureConnected();
        if (!PQenterPipelineMode(m_conn)) raise(Result{}, statements.first());
        m_pipeline = true;
        m_flushed = false;
    }
    std::vector<Result> results;
    try {
        for (int i = 0; i < statements.size(); ++i) send(sql[i], statements[i], Use::Rows);
        results = flush();
    } catch (...) {
        if (own) leavePipeline();
        throw;
    }
    if (own) leavePipeline();
    for (int i = 0; i < statements.size() && std::size_t(i) < results.size(); ++i) {
        PgCursor cursor(*this, std::move(results[i].result), statements[i],
                        std::move(results[i].more));
        rows.push_back(StoredRows::read(cursor));
    }
    return rows;
}

void PostgresEngine::begin() {
    if (m_inTransaction) throw Error(QStringLiteral("A transaction is already open on the order book."));
    finishStreaming();
    ensureConnected();
    if (!PQenterPipelineMode(m_conn)) raise(Result{}, QStringLiteral("BEGIN"));
    m_pipeline = true;
    m_inTransaction = true;
    m_flushed = false;
    m_transactionId.clear();
    send("BEGIN ISOLATION LEVEL READ COMMITTED", QStringLiteral("BEGIN"));
    send("SELECT pg_advisory_xact_lock(" + QByteArray::number(kWriteLock) + ")",
         QStringLiteral("BEGIN"));
    // Its number, so that a commit whose answer is lost can be looked up afterwards.
    send("SELECT txid_current()", QStringLiteral("BEGIN"), Use::TransactionId);
}

void PostgresEngine::commit() {
    if (!m_inTransaction) return;
    if (!m_announce.isEmpty()) {
        const QByteArray payload = m_announce.payload();
        send("SELECT pg_notify('" + QByteArray(kChannel) + "', $1)", QStringLiteral("NOTIFY"),
             Use::Nothing, &payload);
        m_announce = BookChanges();
    }
    send("COMMIT", QStringLiteral("COMMIT"));
    try {
        flush();
    } catch (const Error& e) {
        if (e.kind() != Error::Kind::Unreachable) throw;  // rollback() ends the spoilt transaction
        m_inTransaction = false;
        // The commit went with the rest: whether it was stored is asked on a new connection.
        const std::optional<bool> stored = wasCommitted();
        if (stored == true) return;
        if (stored == false)
            throw Error(QStringLiteral("The connection to the order book server '%1' was lost. "
                                       "Nothing of this action was stored.").arg(m_name),
                        0, Error::Kind::Unreachable);
        throw Error(QStringLiteral("The connection to the order book server '%1' was lost while "
                                   "the action was being stored; look whether it was stored.")
                        .arg(m_name), 0, Error::Kind::Unreachable);
    }
    m_inTransaction = false;
    leavePipeline();
    // A transaction that had failed ends in a rollback, which the server reports as success.
    if (m_lastStatus == "ROLLBACK")
        throw Error(QStringLiteral("The order book server '%1' rolled the action back; nothing "
                                   "of it was stored.").arg(m_name));
}

void PostgresEngine::rollback() noexcept {
    if (!m_inTransaction) return;
    m_inTransaction = false;
    m_announce = BookChanges();
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    if (lost() || !m_pipeline) {
        leavePipeline();
        return;  // the server rolled back when the connection went
    }
    try {
        send("ROLLBACK", QStringLiteral("ROLLBACK"));
        m_flushed = true;  // never made again on a new connection
        flush();
    } catch (...) {
        // A failure before it was told the server already; the rollback itself went through.
    }
    leavePipeline();
}

std::optional<bool> PostgresEngine::wasCommitted() {
    const QByteArray id = m_transactionId;
    if (id.isEmpty()) return std::nullopt;
    try {
        reconnect();
        const Result r = run("SELECT txid_status(" + QByteArray::number(id.toLongLong()) + ")",
                             QStringLiteral("(transaction status)"));
        const QByteArray status = PQgetvalue(r.result.get(), 0, 0);
        if (status == "committed") return true;
        if (status == "aborted") return false;
    } catch (const Error&) {
    }
    return std::nullopt;
}

QStringList PostgresEngine::relations() {
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
    run(sql.toUtf8(), sql);
    const Result kinds = run(kColumnKinds, QStringLiteral("(columns)"));
    loadColumnKinds(kinds.result.get());
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

bool PostgresEngine::supports(Capability capability) const {
    return capability == Capability::KeyCounters || capability == Capability::Statistics;
}

void PostgresEngine::gatherStatistics(const QStringList& tables) {
    QStringList quoted;
    for (const QString& table : tables)
        quoted << QLatin1Char('"') + QString(table).replace(u'"', QLatin1String("\"\"")) + QLatin1Char('"');
    if (!quoted.isEmpty()) executeNative(QStringLiteral("ANALYZE ") + quoted.join(QStringLiteral(", ")));
}

QString PostgresEngine::sequenceName(const QString& table, const QString& key) {
    const QString sql = QStringLiteral("SELECT %1").arg(sequenceOf(table, key));
    const Result result = run(sql.toUtf8(), sql);
    // "public.\"Orders_OrderID_seq\"": the name within the schema, quotes removed.
    QString name = QString::fromUtf8(PQgetvalue(result.result.get(), 0, 0)).section(u'.', 1);
    if (name.startsWith(u'"')) name = name.mid(1, name.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return name;
}

}  // namespace qd::data
