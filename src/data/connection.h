#pragma once

#include "data/changes.h"
#include "data/engine.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

namespace qd::data {

// How an order book file is opened: read-only for a damaged book and for the stand-in shown in
// place of a refused one, so that every write to it is refused and reported.
enum class FileAccess { ReadWrite, ReadOnly };

// The one connection to the order book, with the calls the program makes on it: open with a
// connection string, execute a statement, ask the state, close. Statements are written in the
// dialect of the original desktop database engine (bracketed names, #mm/dd/yyyy# dates,
// CDate, Val, First, Last, + between texts) and translated on the way in by the engine behind.
//
// Outside a transaction every execute commits on its own and is on disk when it returns;
// user actions group their statements with a Transaction (data/transaction.h). Failures throw
// qd::Error with a description meant for the person at the screen.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };

    // How long a statement waits for a lock held by another program before it gives up.
    static constexpr int kDefaultLockTimeoutMs = 2000;

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the book named by "data source=" in a connection string of the form
    // "provider=microsoft.jet.oledb.4.0;data source=<path>;JET OLEDB:Database Password=".
    void open(const QString& connectionString);
    // Opens the order book file at path (never created when missing; a file that is not an
    // order book is refused unchanged).
    void openFile(const QString& path, FileAccess access = FileAccess::ReadWrite);
    // Opens the book with an engine made by the caller.
    void open(std::unique_ptr<Engine> engine);
    // Returns the number of rows the statement inserted, changed or deleted.
    int execute(const QString& statement);
    State state() const { return m_engine ? Open : Closed; }
    void close();

    QString path() const { return m_path; }
    void setLockTimeout(int milliseconds);

    // A write transaction; see Transaction for the scope that user actions use.
    void begin();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return m_engine && m_engine->inTransaction(); }

    // Runs before each write transaction begins and before each execute outside one, so that
    // work due before the book changes (a backup, a check of its pages) happens first. A hook
    // that throws stops the write.
    void setBeforeWrite(std::function<void()> hook) { m_beforeWrite = std::move(hook); }

    // Opens a statement that only reads: from rows kept by a KeptReads when it holds the same
    // statement (outside a transaction), otherwise from the book.
    std::unique_ptr<Cursor> query(const QString& statement);

    // Reads several statements together, in one trip to a server (kept rows answer where
    // they hold a statement, outside a transaction).
    std::vector<std::shared_ptr<const StoredRows>> queryTogether(const QStringList& statements);

    // What the open transaction changes, for the lists of this desk and of every other desk
    // (told with the commit). A transaction that writes orders without saying which tells
    // every list to read all orders again.
    void noteChanges(const BookChanges& changes);
    // Runs after each commit with what it changed (this desk's own changes).
    void setAfterCommit(std::function<void(const BookChanges&)> hook) { m_afterCommit = std::move(hook); }
    // What others changed in the book since the last call (see Engine::changesElsewhere).
    BookChanges changesElsewhere();

    // The engine behind the connection, or an error when the connection is closed.
    Engine& engine() const;

private:
    friend class KeptReads;
    void wrote(const QString& statement);
    // What the open transaction changed: what it said, or everything when it wrote orders
    // without naming them.
    BookChanges changesMade() const;
    void committed();

    std::unique_ptr<Engine> m_engine;
    QString m_path;
    int m_lockTimeoutMs = kDefaultLockTimeoutMs;
    std::function<void()> m_beforeWrite;
    std::function<void(const BookChanges&)> m_afterCommit;
    struct Written {
        BookChanges noted;           // what the open transaction said it changes
        bool ordersWritten = false;  // it wrote to the orders or their lines
        bool written = false;        // it wrote anything
    } m_open;
    QHash<QString, std::shared_ptr<const StoredRows>> m_kept;
};

// Statements a window is going to read, read together in one trip to the book and kept while
// the window is open: a read of the same statement on the connection, outside a transaction,
// is answered from memory until anything is written on the connection. Saves a server's round
// trips; a file gains nothing but loses nothing either.
//
//     KeptReads kept(AppConnection(), {customers, employees, products});  // one trip
//     rs.open(customers, AppConnection());                                // no trip
class KeptReads {
public:
    KeptReads(Connection& connection, const QStringList& statements);
    ~KeptReads();
    KeptReads(const KeptReads&) = delete;
    KeptReads& operator=(const KeptReads&) = delete;

private:
    Connection& m_connection;
    QStringList m_statements;
};

// The order book file a connection string opens; empty for a book on a server.
QString bookFilePath(const QString& connectionString);

// The order book's file-format marks, shared with the template builder's schema.
constexpr unsigned kApplicationId = 0x51442D31u;
constexpr int kSchemaVersion = 1;

// Whether the engine of order book files starts and runs a statement on a book in memory.
// Never throws.
bool fileEngineAvailable();

// Throws unless the file at path looks like an order book, judged from its header alone so
// that the check never changes the file.
void checkOrderBookFile(const QString& path);

}  // namespace qd::data
