#pragma once

#include <QByteArrayView>
#include <QString>

#include <memory>

namespace qd::data {

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
};

}  // namespace qd::data
