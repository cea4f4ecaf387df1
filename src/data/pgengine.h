#pragma once

#include "data/engine.h"

#include <QElapsedTimer>
#include <QSet>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace qd::data {

class Connection;
class PgCursor;

// An order book kept in a PostgreSQL database that several desktops share, reached through
// libpq. Statements in the program's dialect are translated for the server (data/pgdialect.h).
//
// Every write transaction takes one advisory lock of the order book first, so write
// transactions of all desktops run one after the other: what an action reads back inside its
// transaction (the highest order number after its insert) is its own. A statement outside a
// transaction is a transaction of its own.
//
// Trips to the server are few, because offices put the server in another room or building:
//  - a session's settings travel with the connection, and its first statements (LISTEN, what
//    the book's columns hold) in one trip;
//  - a transaction's statements are sent ahead in libpq's pipeline mode and their answers read
//    only when a read needs them or at the commit, so a save is one trip for its reads and one
//    for its writes and commit; a failure that surfaces later is reported with the step that
//    issued the statement (Error::origin);
//  - reads that a window needs together travel together (queryTogether).
// Each commit tells the other desks what it changed (NOTIFY on the channel "quarrydesk"), and
// changesElsewhere() reads what the others told.
//
// A lost connection is a state, not a fault: the failure says so (Error::Kind::Unreachable),
// the server has rolled back whatever the transaction held, and reconnect() (or the next
// action, at most once a second) connects again.
class PostgresEngine : public Engine {
public:
    enum class Check { OrderBook, Anything };
    // Connects with a libpq connection string (keyword form or postgresql:// URI). Passwords
    // come from where libpq reads them (PGPASSWORD, ~/.pgpass). With Check::OrderBook a
    // database without the order book's tables is refused.
    explicit PostgresEngine(const QString& conninfo, Check check = Check::OrderBook);
    ~PostgresEngine() override;
    PostgresEngine(const PostgresEngine&) = delete;
    PostgresEngine& operator=(const PostgresEngine&) = delete;

    // Inside a transaction the statement is sent ahead and its count is not known: -1.
    int execute(const QString& statement) override;
    std::unique_ptr<Cursor> query(const QString& statement) override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override { return m_inTransaction; }
    void setLockTimeout(int milliseconds) override;
    QString name() const override { return m_name; }

    std::vector<std::shared_ptr<const StoredRows>> queryTogether(const QStringList& statements) override;
    void announce(const BookChanges& changes) override { m_announce.merge(changes); }
    BookChanges changesElsewhere() override;
    bool reachable() const override;
    std::function<bool()> reachabilityProbe() const override;
    void reconnect() override;
    long long roundTrips() const override { return m_trips; }
    // Keys drawn from the table's counter a block at a time, the rows sent by COPY.
    std::unique_ptr<RowAppender> appender(const QString& table, const QStringList& columns) override;

    // The key counters are the identity columns' sequences; statistics are ANALYZE's. Backups
    // and checks of pages are the server's own care.
    bool supports(Capability capability) const override;
    long long lastNumberGiven(const QString& table, const QString& key) override;
    void setLastNumberGiven(const QString& table, const QString& key, long long last) override;
    void gatherStatistics(const QStringList& tables) override;

    // For making a book: the tables and views of the database, statements in the server's own
    // language.
    QStringList relations();
    void executeNative(const QString& sql);

    // The server's process serving this connection (tests end it to cut the connection).
    int serverProcess() const;
    // The server engine behind a connection, or null (for tests that reach into the server).
    static PostgresEngine* behind(const Connection& connection);

    // The channel on which every desk tells what its commits changed.
    static constexpr const char* kChannel = "quarrydesk";

private:
    friend class PgCursor;
    struct Result;
    // A statement sent in the pipeline whose answer is not read yet.
    enum class Use { Nothing, Rows, Count, TransactionId };
    struct Sent {
        QString statement;  // as the program wrote it, for messages
        int origin;         // the handler step that issued it
        Use use;            // what of its answer is wanted
        QByteArray sql;     // as sent, to send again on a new connection
        QByteArray parameter;
        bool hasParameter;
    };

    void connect();
    void setUpSession();
    void ensureConnected();
    void finishStreaming();
    void abandonStreaming() noexcept;
    bool lost() const;
    void markLost();
    // Runs server SQL and returns its result, or throws the error for the user.
    Result run(const QByteArray& sql, const QString& statement);
    [[noreturn]] void raise(const Result& result, const QString& statement);
    [[noreturn]] void raiseLost(const QString& detail);
    void loadColumnKinds(const PGresult* kinds);
    QString sequenceName(const QString& table, const QString& key);
    friend class PgAppender;
    // The next `count` numbers of a table's key counter (inside the open transaction).
    std::vector<qint64> drawKeys(const QString& table, const QString& key, int count);
    // Rows in COPY's text form sent by the COPY statement given, after what was sent ahead.
    void copyIn(const QByteArray& copySql, const QByteArray& rows, const QString& statement);

    // The pipeline: statements sent ahead inside a transaction.
    void send(const QByteArray& sql, const QString& statement, Use use = Use::Nothing,
              const QByteArray* parameter = nullptr);
    // Sends what waits, reads every answer; returns the rows of the statements sent to keep.
    // A failure of any of them is thrown (the transaction is then spoilt: rollback() ends it).
    std::vector<Result> flush();
    void leavePipeline() noexcept;
    // After the connection went during a commit: whether the server stored the transaction,
    // asked on a new connection; nullopt when that cannot be known.
    std::optional<bool> wasCommitted();

    PGconn* m_conn = nullptr;
    QString m_conninfo;
    QString m_name;
    Check m_check;
    bool m_inTransaction = false;
    bool m_pipeline = false;
    std::vector<Sent> m_sent;
    BookChanges m_announce;
    long long m_lastCount = 0;  // rows changed by the last counted statement
    QByteArray m_lastStatus;    // the server's word on the last statement of the last flush
    bool m_flushed = false;     // the open transaction has had answers from the server
    QByteArray m_transactionId; // the server's number of the open transaction, once known
    bool m_reconnected = false; // changes told while the connection was gone were missed
    int m_lockTimeoutMs;
    PgCursor* m_streaming = nullptr;  // the cursor whose rows are still arriving
    QSet<quint64> m_moneyColumns;     // table oid << 16 | column number
    bool m_lostKnown = false;         // the connection went and was not made again yet
    QElapsedTimer m_lastAttempt;      // the last try to connect again
    long long m_trips = 0;
};

}  // namespace qd::data
