#pragma once

#include "data/connection.h"
#include "data/engine.h"

#include <vector>

struct sqlite3;

namespace qd::data {

// An order book kept in a local SQLite file.
class SqliteEngine : public Engine {
public:
    // Opens the file at path. A missing file is an error naming it (it is never created), and a
    // file that is not an order book is refused without being touched. A file without write
    // permission opens read-only, so every write to it is refused and reported; so does any
    // file when asked for ReadOnly (a damaged book, the stand-in for a refused one).
    using Access = FileAccess;
    explicit SqliteEngine(const QString& path, Access access = Access::ReadWrite);
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    int execute(const QString& statement) override;
    std::unique_ptr<Cursor> query(const QString& statement) override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    void setLockTimeout(int milliseconds) override;
    QString name() const override { return m_path; }
    // Another program's commit changes the file's data version; what it changed is then found
    // from the key counters (every key is new, never reused, and a saved order always gets new
    // lines) and the number of orders (a lower one than expected: some were deleted).
    BookChanges changesElsewhere() override;
    // This connection's own changes, so that its own deletes are not taken for another
    // program's.
    void announce(const BookChanges& changes) override { m_own.merge(changes); }
    // One insert prepared once, every row bound to it.
    std::unique_ptr<RowAppender> appender(const QString& table, const QStringList& columns) override;

    // A copy with SQLite's online backup, its pages checked with quick_check or
    // integrity_check, and the key counters of sqlite_sequence. No statistics: the file's
    // planner does without.
    bool supports(Capability capability) const override;
    void writeBackupCopy(const QString& target, const QString& likeFile = QString()) override;
    QStringList checkPages(PageCheckKind kind, int limit = 10) override;
    long long lastNumberGiven(const QString& table, const QString& key) override;
    void setLastNumberGiven(const QString& table, const QString& key, long long last) override;

    sqlite3* handle() const { return m_db; }
    // The file engine behind a connection, or null (for tests that reach into the file).
    static SqliteEngine* behind(const Connection& connection);
    // Turns the last failure on the handle into an error for the user.
    [[noreturn]] void raise(int resultCode, const QString& statement) const;

private:
    struct Look {
        qint64 dataVersion = -1;
        qint64 lastOrder = 0;
        qint64 lastLine = 0;
        qint64 orders = 0;
    };
    // The book's marks now; false when it cannot be read.
    bool look(Look& now) const;
    // The whole numbers a statement gives in its first column.
    std::vector<qint64> numbers(const QString& sql) const;

    // Whether the file at the book's path is no longer the file this connection has open (a
    // restore put another in its place).
    bool replaced() const;

    sqlite3* m_db = nullptr;
    QString m_path;
    quint64 m_device = 0, m_inode = 0;  // the file opened
    Look m_looked;
    bool m_watching = false;
    BookChanges m_own;  // what the open transaction announced
};

// SQLite's own check of the pages on an open handle (see Engine::checkPages). A check that
// cannot read the file at all gives that as a finding; throws qd::Error only when the check was
// interrupted.
QStringList checkPages(sqlite3* db, PageCheckKind kind, int limit = 10);

// A consistent copy of the book open on `source` (see Engine::writeBackupCopy), made with
// SQLite's online backup API, which reads through a write-ahead log too: readers go on
// meanwhile and a writer waits until the copy is taken. Throws qd::Error naming target.
void writeBackupCopy(sqlite3* source, const QString& target, const QString& likeFile = QString());

}  // namespace qd::data
