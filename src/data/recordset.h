#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <vector>

struct sqlite3_stmt;

namespace qd::data {

class Connection;

// A forward, read-only walk over the rows of one query. Rows are fetched as the walk goes, so
// a list of a million orders starts filling at once. Dates come back as QDate (or QDateTime
// when they carry a time), whole numbers as qlonglong, other numbers as double, Null as an
// invalid QVariant.
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
    State state() const { return m_stmt ? Open : Closed; }

    int fieldCount() const { return int(m_names.size()); }
    QString fieldName(int position) const;
    // A column of the current row by name (letter case ignored) or by position from 0.
    QVariant field(const QString& name) const;
    QVariant field(int position) const;
    // Position of a named column, or -1.
    int fieldIndex(const QString& name) const;

private:
    void step();
    void requireRow() const;

    sqlite3_stmt* m_stmt = nullptr;
    Connection* m_connection = nullptr;
    QString m_statement;
    bool m_eof = true;
    std::vector<QString> m_names;
    std::vector<bool> m_isDate;
    QHash<QString, int> m_index;  // lower-case name -> position
};

}  // namespace qd::data
