#pragma once

#include "data/engine.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace qd::data {

class Connection;

// A forward, read-only walk over the rows of one query. Rows are fetched as the walk goes, so
// a list of a million orders starts filling at once. Dates come back as QDate (or QDateTime
// when they carry a time), whole numbers as qlonglong, other numbers as double, Null as an
// invalid QVariant. Loops over many rows read the typed values instead (type, integer, real,
// text), which cost no conversion.
class Recordset {
public:
    enum CursorType { OpenStatic = 3 };
    enum LockType { ReadOnly = 1 };
    enum State { Closed = 0, Open = 1 };

    Recordset() = default;
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void open(const QString& statement, Connection& connection, int cursorType = OpenStatic,
              int lockType = ReadOnly);
    bool eof() const { return m_eof; }
    void moveNext();
    void close();
    State state() const { return m_cursor ? Open : Closed; }

    int fieldCount() const { return int(m_names.size()); }
    QString fieldName(int position) const;
    // A column of the current row by name (letter case ignored) or by position from 0.
    QVariant field(const QString& name) const;
    QVariant field(int position) const;
    // Position of a named column, or -1.
    int fieldIndex(const QString& name) const;

    // The current row's values, typed, by position (checked only in debug builds).
    ValueType type(int position) const { return m_cursor->type(position); }
    qint64 integer(int position) const { return m_cursor->integer(position); }
    double real(int position) const { return m_cursor->real(position); }
    QByteArrayView text(int position) const { return m_cursor->text(position); }
    bool isDateColumn(int position) const { return m_cursor->isDateColumn(position); }

private:
    void step();
    void requireRow() const;

    std::unique_ptr<Cursor> m_cursor;
    bool m_eof = true;
    std::vector<QString> m_names;
    QHash<QString, int> m_index;  // lower-case name -> position
};

}  // namespace qd::data
