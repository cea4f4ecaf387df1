#pragma once

#include <QString>

struct sqlite3;

namespace qd::data {

// The one connection to the order book, with the calls the program makes on it: open with a
// connection string, execute a statement, ask the state, close. Statements are written in the
// dialect of the original desktop database engine (bracketed names, #mm/dd/yyyy# dates,
// CDate, Val, First, Last, + between texts) and translated on the way in.
//
// Every execute commits on its own and is on disk when it returns. Failures throw qd::Error
// with a description meant for the person at the screen.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };

    // How long a statement waits for a lock held by another program before it gives up.
    static constexpr int kDefaultLockTimeoutMs = 2000;

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the database named by "data source=" in a connection string of the form
    // "provider=microsoft.jet.oledb.4.0;data source=<path>;JET OLEDB:Database Password=".
    // A missing file is an error naming it (it is never created), and a file that is not an
    // order book is refused without being touched. A file without write permission opens
    // read-only, so every write to it is refused and reported.
    void open(const QString& connectionString);
    // Returns the number of rows the statement inserted, changed or deleted.
    int execute(const QString& statement);
    State state() const { return m_db ? Open : Closed; }
    void close();

    QString path() const { return m_path; }
    void setLockTimeout(int milliseconds);

    // For the recordset: the open handle, or an error when the connection is closed.
    sqlite3* handle() const;
    // Turns the last failure on the handle into an error for the user.
    [[noreturn]] void raise(int resultCode, const QString& statement) const;

private:
    sqlite3* m_db = nullptr;
    QString m_path;
    int m_lockTimeoutMs = kDefaultLockTimeoutMs;
};

// The order book's file-format marks, shared with the template builder's schema.
constexpr unsigned kApplicationId = 0x51442D31u;
constexpr int kSchemaVersion = 1;

// Throws unless the file at path looks like an order book, judged from its header alone so
// that the check never changes the file.
void checkOrderBookFile(const QString& path);

}  // namespace qd::data
