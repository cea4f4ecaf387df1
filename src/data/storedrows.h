#pragma once

#include "data/engine.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace qd::data {

// The rows of one statement read whole into memory, so that they can be walked again, by any
// number of cursors, without asking the book: what a window reads ahead in one trip to a
// server, and keeps while it is open.
//
//     auto rows = StoredRows::read(*engine.query(statement));
//     for (auto c = rows->cursor(); c->next();) use(c->integer(0));
class StoredRows : public std::enable_shared_from_this<StoredRows> {
public:
    // Reads every row of the cursor (from its first row on) and keeps it.
    static std::shared_ptr<const StoredRows> read(Cursor& cursor);
    // A new walk over the rows, from before the first.
    std::unique_ptr<Cursor> cursor() const;

    int rows() const { return m_rows; }
    int columns() const { return int(m_names.size()); }

private:
    friend class StoredCursor;
    struct Cell {
        ValueType type = ValueType::Null;
        qint64 integer = 0;
        double real = 0;
        int offset = 0;  // a text's bytes in m_texts
        int length = 0;
    };

    std::vector<QString> m_names;
    std::vector<bool> m_dates;
    std::vector<Cell> m_cells;  // row by row
    QByteArray m_texts;
    int m_rows = 0;
};

}  // namespace qd::data
