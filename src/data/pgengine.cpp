// The server engine's connection: making it and making it again, the session's settings, the
// messages of its failures, and the changes other desks announce. Its statements and
// transactions are in pgstatements.cpp.

#include "data/pgengine.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/pgcursor.h"
#include "data/schema.h"

#include <QRegularExpression>

#include <cstring>

namespace qd::data {

namespace {

// How long a try to reach the server may take, and how soon after a failed try the next
// statement may try again (one action's statements then fail at once, with one message).
constexpr const char* kConnectTimeoutSeconds = "5";
constexpr int kRetryAfterMs = 1000;

// A password written into the connection string would show in messages; keep only the rest.
QString withoutPassword(const QString& conninfo) {
    QString shown = conninfo;
    shown.replace(QRegularExpression(QStringLiteral(R"((://[^:/@]*):[^@/]*@)")), QStringLiteral("\\1@"));
    shown.replace(QRegularExpression(QStringLiteral(R"(password\s*=\s*('[^']*'|\S+))")),
                  QStringLiteral("password=..."));
    return shown;
}

// The session settings the dialect relies on: quoted text as it writes it (no backslash
// escapes), dates as ISO text, and a wait for another desktop's write that ends with a
// message instead of hanging. They travel with the connection request, costing no trip.
QByteArray sessionOptions(int lockTimeoutMs) {
    return "-c standard_conforming_strings=on -c DateStyle=ISO,YMD "
           "-c client_min_messages=warning -c lock_timeout=" + QByteArray::number(lockTimeoutMs);
}

// Whether the user's own connection string sets the session options (they then win over ours,
// so ours are set by statements instead).
bool setsOwnOptions(const QByteArray& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.constData(), &error);
    PQfreemem(error);
    bool own = false;
    for (PQconninfoOption* o = options; o && o->keyword; ++o)
        if (std::strcmp(o->keyword, "options") == 0 && o->val && *o->val) own = true;
    PQconninfoFree(options);
    return own;
}

// What the server answered when a connection was refused, or why it could not be reached.
Error connectionError(PGconn* conn, const QString& name) {
    const QString detail = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    const QString why = detail.section(QStringLiteral("FATAL:"), -1).trimmed();
    if (PQconnectionNeedsPassword(conn))
        return Error(QStringLiteral("The order book server '%1' asks for a password and none was "
                                    "found: put it in ~/.pgpass (or in PGPASSWORD).").arg(name),
                     0, Error::Kind::Refused);
    if (detail.contains(QLatin1String("password authentication failed")))
        return Error(QStringLiteral("The order book server '%1' refused the password (%2). Look "
                                    "at the password in ~/.pgpass (or in PGPASSWORD).")
                         .arg(name, why),
                     0, Error::Kind::Refused);
    // The server answered: it is there, but does not let this user in.
    if (detail.contains(QLatin1String("FATAL:")))
        return Error(QStringLiteral("The order book server '%1' refused the connection: %2")
                         .arg(name, why),
                     0, Error::Kind::Refused);
    return Error(QStringLiteral("Cannot reach the order book server '%1': %2").arg(name, detail), 0,
                 Error::Kind::Unreachable);
}

QString sqlState(const PGresult* r) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return state ? QString::fromLatin1(state) : QString();
}

}  // namespace

PostgresEngine::PostgresEngine(const QString& conninfo, Check check)
    : m_conninfo(conninfo), m_name(withoutPassword(conninfo)), m_check(check),
      m_lockTimeoutMs(Connection::kDefaultLockTimeoutMs) {
    connect();
}

PostgresEngine::~PostgresEngine() {
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    PQfinish(m_conn);
}

void PostgresEngine::connect() {
    // Our defaults first: whatever the connection string says wins over them.
    const QByteArray dbname = m_conninfo.toUtf8();
    const QByteArray options = sessionOptions(m_lockTimeoutMs);
    const char* const keys[] = {"connect_timeout", "fallback_application_name", "client_encoding",
                                "options", "dbname", nullptr};
    const char* const values[] = {kConnectTimeoutSeconds, "Quarrydesk", "UTF8", options.constData(),
                                  dbname.constData(), nullptr};
    if (m_conn) PQfinish(m_conn);
    m_conn = PQconnectdbParams(keys, values, 1);
    m_lastAttempt.start();
    if (PQstatus(m_conn) != CONNECTION_OK) {
        m_lostKnown = true;
        throw connectionError(m_conn, m_name);
    }
    setUpSession();
}

// The session's first statements, our own texts, in one trip: settings the connection string
// kept from us, listening for the other desks' changes, what the book's columns hold, and
// whether it is an order book at all.
void PostgresEngine::setUpSession() {
    QByteArray sql;
    if (setsOwnOptions(m_conninfo.toUtf8()))
        sql += "SET standard_conforming_strings = on; SET DateStyle = 'ISO, YMD'; "
               "SET client_min_messages = warning; SET lock_timeout = " +
               QByteArray::number(m_lockTimeoutMs) + "; ";
    sql += "LISTEN " + QByteArray(kChannel) + "; ";
    sql += "SELECT c.oid, a.attnum, c.relname, a.attname, c.relkind FROM pg_attribute a "
           "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
           "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v') AND a.attnum > 0 "
           "AND NOT a.attisdropped";
    ++m_trips;
    if (!PQsendQuery(m_conn, sql.constData())) raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    ResultPtr kinds{nullptr, PQclear};
    Result failure;
    while (ResultPtr r = own(PQgetResult(m_conn))) {
        const ExecStatusType status = PQresultStatus(r.get());
        if (status == PGRES_TUPLES_OK)
            kinds = std::move(r);
        else if (status != PGRES_COMMAND_OK && !failure.result)
            failure.result = std::move(r);
    }
    if (lost()) raiseLost(QString::fromUtf8(PQerrorMessage(m_conn)).trimmed().section(u'\n', 0, 0));
    if (failure.result)
        throw Error(QStringLiteral("The order book server '%1' refused the session settings: %2")
                        .arg(m_name, QString::fromUtf8(PQresultErrorMessage(failure.result.get())).trimmed()));
    loadColumnKinds(kinds.get());
    m_lostKnown = false;
    if (m_check != Check::OrderBook) return;
    // The columns' list names every table the book has.
    QSet<QString> present;
    for (int i = 0; kinds && i < PQntuples(kinds.get()); ++i)
        present.insert(QString::fromUtf8(PQgetvalue(kinds.get(), i, 2)));
    for (const Schema::Table& t : Schema::book().tables())
        if (!present.contains(t.name))
            throw Error(QStringLiteral("The database '%1' holds no Quarrydesk order book (it "
                                       "has no table %2). Make one with quarrydesk "
                                       "--init-book.").arg(m_name, t.name));
}

// Which columns hold money, so that whole amounts come back as whole numbers.
void PostgresEngine::loadColumnKinds(const PGresult* r) {
    m_moneyColumns.clear();
    for (int i = 0; r && i < PQntuples(r); ++i) {
        const QString name = QString::fromUtf8(PQgetvalue(r, i, 3));
        // A saved query's columns are known by their names.
        const bool money = *PQgetvalue(r, i, 4) == 'v'
            ? Schema::book().isMoneyColumn(name)
            : [&] {
                  const Schema::Column* c =
                      Schema::book().column(QString::fromUtf8(PQgetvalue(r, i, 2)), name);
                  return c && c->kind == Schema::Kind::Money;
              }();
        if (money)
            m_moneyColumns.insert((QByteArray(PQgetvalue(r, i, 0)).toULongLong() << 16) |
                                  QByteArray(PQgetvalue(r, i, 1)).toULongLong());
    }
}

bool PostgresEngine::lost() const { return PQstatus(m_conn) == CONNECTION_BAD; }

void PostgresEngine::markLost() {
    m_lostKnown = true;
    m_lastAttempt.start();
}

bool PostgresEngine::reachable() const { return !m_lostKnown && !lost(); }

// Before a new action's first statement: a connection that went while the desk sat idle (the
// server said goodbye on it) is made again. Right after a failed try the statements of the
// same action fail at once instead of each waiting for the server.
void PostgresEngine::ensureConnected() {
    if (!m_lostKnown && PQstatus(m_conn) == CONNECTION_OK) {
        if (m_streaming || m_pipeline) return;
        PQconsumeInput(m_conn);
        if (!lost()) return;
    }
    if (m_lostKnown && m_lastAttempt.isValid() && m_lastAttempt.elapsed() < kRetryAfterMs)
        throw Error(QStringLiteral("Cannot reach the order book server '%1'.").arg(m_name), 0,
                    Error::Kind::Unreachable);
    reconnect();
}

void PostgresEngine::reconnect() {
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    m_inTransaction = m_pipeline = false;
    m_sent.clear();
    m_announce = BookChanges();
    if (m_conn) {
        PQreset(m_conn);
        m_lastAttempt.start();
        if (PQstatus(m_conn) != CONNECTION_OK) {
            m_lostKnown = true;
            throw connectionError(m_conn, m_name);
        }
        setUpSession();
        m_reconnected = true;
    } else {
        connect();
    }
}

std::function<bool()> PostgresEngine::reachabilityProbe() const {
    const QByteArray dbname = m_conninfo.toUtf8();
    return [dbname] {
        const char* const keys[] = {"connect_timeout", "dbname", nullptr};
        const char* const values[] = {kConnectTimeoutSeconds, dbname.constData(), nullptr};
        return PQpingParams(keys, values, 1) == PQPING_OK;
    };
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
    leavePipeline();
    if (m_streaming) m_streaming->detach();
    m_streaming = nullptr;
    markLost();
    throw Error(QStringLiteral("The connection to the order book server '%1' was lost (%2).%3")
                    .arg(m_name, detail,
                         wasInTransaction ? QStringLiteral(" Nothing of this action was stored.")
                                          : QString()),
                0, Error::Kind::Unreachable);
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
    // A role that may only read: a state of the user's rights, told in plain words.
    if (state == QLatin1String("25006") || state == QLatin1String("42501"))
        throw Error(QStringLiteral("Your user may look at the order book '%1' but not change it "
                                   "(the server said: %2). Nothing was stored; ask whoever keeps "
                                   "the server for the clerk's rights.").arg(m_name, message),
                    0, Error::Kind::Refused);
    if (state == QLatin1String("53100"))
        throw Error(QStringLiteral("The disk holding the order book '%1' is full.").arg(m_name));
    throw Error(QStringLiteral("%1 in statement: %2").arg(message, statement));
}

BookChanges PostgresEngine::changesElsewhere() {
    BookChanges changes;
    if (m_lostKnown || m_inTransaction || m_pipeline || m_streaming) return changes;
    // What the others told while there was no connection never reached this desk.
    if (std::exchange(m_reconnected, false)) changes = BookChanges::all();
    // Reads what arrived without waiting; a server that went shows here as a closed connection.
    if (!PQconsumeInput(m_conn) || lost()) {
        markLost();
        return changes;
    }
    const int self = PQbackendPID(m_conn);
    while (PGnotify* n = PQnotifies(m_conn)) {
        if (n->be_pid != self) changes.merge(BookChanges::fromPayload(QByteArray(n->extra)));
        PQfreemem(n);
    }
    return changes;
}

void PostgresEngine::setLockTimeout(int milliseconds) {
    if (milliseconds == m_lockTimeoutMs) return;
    m_lockTimeoutMs = milliseconds;
    if (!lost() && !m_streaming && !m_pipeline) {
        ++m_trips;
        PQclear(PQexec(m_conn, QByteArray("SET lock_timeout = ") + QByteArray::number(milliseconds)));
    }
}

int PostgresEngine::serverProcess() const { return PQbackendPID(m_conn); }

PostgresEngine* PostgresEngine::behind(const Connection& connection) {
    return connection.state() == Connection::Open ? dynamic_cast<PostgresEngine*>(&connection.engine())
                                                  : nullptr;
}

}  // namespace qd::data
