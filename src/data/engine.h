#pragma once

#include "data/changes.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace qd::data {

// How closely a book's pages are checked: the structure of every page, or that too and every
// index against its table (several times slower).
enum class PageCheckKind { Quick, Full };

// What an engine can do besides running statements; each engine says which it supports, and
// the calls of one it does not support throw "not supported on this book".
enum class Capability {
    BackupCopy,    // a consistent copy of the book in a file of its own
    PageCheck,     // a check of the book's pages for damage
    KeyCounters,   // the last number each table's key counter gave, read and set
    Statistics,    // the planner's statistics, gathered on request
};

// The kind of one value of the current row.
enum class ValueType { Null, Integer, Real, Text };

// One open read statement, walked forward. Values of the current row are read typed, without a
// QVariant or a text conversion per cell, so a list of a million orders fills at the engine's
// own speed.
class Cursor {
public:
    virtual ~Cursor() = default;
    // Moves to the next row (the first call gives the first row); false when there is none.
    virtual bool next() = 0;
    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // The column holds dates, kept as ISO text "yyyy-MM-dd" with " hh:mm:ss" when timed.
    virtual bool isDateColumn(int column) const = 0;
    virtual ValueType type(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    // UTF-8 bytes of the value, valid until next() or the end of the cursor.
    virtual QByteArrayView text(int column) const = 0;
};

// What stands behind a Connection: an order book file, or a database on a server. Statements
// come in the program's one dialect (bracketed names, #mm/dd/yyyy# dates, CDate, Val, First,
// Last, + between texts); each engine translates them for itself. Failures throw qd::Error
// with a description meant for the person at the screen.
class StoredRows;

// Rows added to one table one after another, for an import of many rows: each engine sends
// them its fastest way (a file binds every row to one statement prepared once).
class RowAppender {
public:
    virtual ~RowAppender() = default;
    // Adds a row, its values in the order of the columns named when the appender was made: a
    // null QVariant stores Null; texts, whole and other numbers, QDate and QDateTime. With
    // `wantKey`, returns the new row's key (0 otherwise).
    virtual qint64 append(const QVariantList& values, bool wantKey) = 0;
    // Sends every row still held back; rows not flushed before the appender goes are lost.
    virtual void flush() {}
};

class Engine {
public:
    virtual ~Engine() = default;
    // Runs a statement to its end; returns the number of rows it inserted, changed or deleted.
    virtual int execute(const QString& statement) = 0;
    // Opens a statement that only reads.
    virtual std::unique_ptr<Cursor> query(const QString& statement) = 0;
    // A write transaction: no other writer gets in until it is committed or rolled back.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool inTransaction() const = 0;
    // How long a statement waits for a lock held by someone else before it gives up.
    virtual void setLockTimeout(int milliseconds) = 0;
    // The book as the user knows it (a file path, a server database), for messages.
    virtual QString name() const = 0;

    // Reads several statements in one trip to the book and keeps every row in memory. The
    // default asks for them one after the other.
    virtual std::vector<std::shared_ptr<const StoredRows>> queryTogether(const QStringList& statements);

    // Adds rows to a table (a name as the schema has it), inside the open transaction. The
    // default issues one insert statement per row in the program's dialect.
    virtual std::unique_ptr<RowAppender> appender(const QString& table, const QStringList& columns);

    // Tells every other desk on the book what the open transaction changed, with its commit.
    virtual void announce(const BookChanges& changes) { (void)changes; }
    // What others (other desks, other programs on the same file) changed in the book since the
    // last call; the first call only marks where to look from. Asks nothing of a book that
    // cannot be reached, and never throws.
    virtual BookChanges changesElsewhere() = 0;

    // Whether the book answered the last time it was asked. A server that went away stays
    // unreachable until reconnect() succeeds.
    virtual bool reachable() const { return true; }
    // A test, safe to run on another thread, of whether a new connection to the book would be
    // answered now (the server is back); true for a file.
    virtual std::function<bool()> reachabilityProbe() const {
        return [] { return true; };
    }
    // Connects again after the book was lost; throws a Kind::Unreachable error while it is not
    // back yet.
    virtual void reconnect() {}

    // The trips to the book so far that waited for its answer (a server's round trips; for the
    // tests and the benchmark that count them). A file's calls cost no trip.
    virtual long long roundTrips() const { return 0; }

    // ---- capabilities: each throws qd::Error unless supports() says yes ----
    virtual bool supports(Capability capability) const {
        (void)capability;
        return false;
    }
    // A consistent copy of the book, written under a temporary name beside target and put in
    // its place when complete; as private as likeFile (the book's own file when empty).
    virtual void writeBackupCopy(const QString& target, const QString& likeFile = QString());
    // What a check of the book's pages found, at most `limit` findings; empty when sound.
    virtual QStringList checkPages(PageCheckKind kind, int limit = 10);
    // The last number the key counter of a table gave (keys of deleted rows included), and
    // setting it, so that new rows never take a number given before.
    virtual long long lastNumberGiven(const QString& table, const QString& key);
    virtual void setLastNumberGiven(const QString& table, const QString& key, long long last);
    // Gathers the planner's statistics of the tables named (after a bulk copy).
    virtual void gatherStatistics(const QStringList& tables);

protected:
    [[noreturn]] void unsupported(Capability capability) const;
};

}  // namespace qd::data
