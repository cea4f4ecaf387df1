#pragma once

#include "data/engine.h"

#include <QSet>
#include <QStringList>

typedef struct pg_conn PGconn;

namespace qd::data {

class PgCursor;

// An order book kept in a PostgreSQL database that several desktops share, reached through
// libpq. Statements in the program's dialect are translated for the server (data/pgdialect.h).
//
// Every write transaction takes one advisory lock of the order book first, so write
// transactions of all desktops run one after the other: what an action reads back inside its
// transaction (the highest order number after its insert) is its own. A statement outside a
// transaction is a transaction of its own.
//
// A lost connection is reported once; the server has rolled back whatever the transaction
// held, and the next action connects again.
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

    int execute(const QString& statement) override;
    std::unique_ptr<Cursor> query(const QString& statement) override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override { return m_inTransaction; }
    void setLockTimeout(int milliseconds) override;
    QString name() const override { return m_name; }

    // For making and filling a book: the tables and views of the database, statements in the
    // server's own language, and the last number a table's key counter gave.
    QStringList relations();
    void executeNative(const QString& sql);
    long long lastNumberGiven(const QString& table, const QString& key);
    void setLastNumberGiven(const QString& table, const QString& key, long long last);

    // The server's process serving this connection (tests end it to cut the connection).
    int serverProcess() const;

private:
    friend class PgCursor;

    void connect();
    void configureSession();
    void ensureConnected();
    void finishStreaming();
    void abandonStreaming() noexcept;
    bool lost() const;
    // Runs server SQL and returns its result, or throws the error for the user.
    struct Result;
    Result run(const QByteArray& sql, const QString& statement, bool simple = false);
    [[noreturn]] void raise(const Result& result, const QString& statement);
    [[noreturn]] void raiseLost(const QString& detail);
    void loadColumnKinds();
    QString sequenceName(const QString& table, const QString& key);

    PGconn* m_conn = nullptr;
    QString m_conninfo;
    QString m_name;
    bool m_inTransaction = false;
    int m_lockTimeoutMs;
    PgCursor* m_streaming = nullptr;  // the cursor whose rows are still arriving
    QSet<quint64> m_moneyColumns;     // table oid << 16 | column number
};

}  // namespace qd::data
