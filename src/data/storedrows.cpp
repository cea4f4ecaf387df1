#include "data/storedrows.h"

namespace qd::data {

class StoredCursor : public Cursor {
public:
    explicit StoredCursor(std::shared_ptr<const StoredRows> rows) : m_rows(std::move(rows)) {}

    bool next() override {
        if (m_row + 1 >= m_rows->m_rows) {
            m_row = m_rows->m_rows;
            return false;
        }
        ++m_row;
        return true;
    }
    int columnCount() const override { return m_rows->columns(); }
    QString columnName(int column) const override { return m_rows->m_names[column]; }
    bool isDateColumn(int column) const override { return m_rows->m_dates[column]; }
    ValueType type(int column) const override { return cell(column).type; }
    qint64 integer(int column) const override {
        const StoredRows::Cell& c = cell(column);
        return c.type == ValueType::Real ? qint64(c.real) : c.integer;
    }
    double real(int column) const override {
        const StoredRows::Cell& c = cell(column);
        return c.type == ValueType::Integer ? double(c.integer) : c.real;
    }
    QByteArrayView text(int column) const override {
        const StoredRows::Cell& c = cell(column);
        return QByteArrayView(m_rows->m_texts.constData() + c.offset, c.length);
    }

private:
    const StoredRows::Cell& cell(int column) const {
        return m_rows->m_cells[std::size_t(m_row) * m_rows->m_names.size() + column];
    }

    std::shared_ptr<const StoredRows> m_rows;
    int m_row = -1;
};

std::shared_ptr<const StoredRows> StoredRows::read(Cursor& cursor) {
    auto rows = std::make_shared<StoredRows>();
    const int columns = cursor.columnCount();
    for (int c = 0; c < columns; ++c) {
        rows->m_names.push_back(cursor.columnName(c));
        rows->m_dates.push_back(cursor.isDateColumn(c));
    }
    while (cursor.next()) {
        for (int c = 0; c < columns; ++c) {
            Cell cell;
            cell.type = cursor.type(c);
            switch (cell.type) {
            case ValueType::Null: break;
            case ValueType::Integer: cell.integer = cursor.integer(c); break;
            case ValueType::Real: cell.real = cursor.real(c); break;
            case ValueType::Text: {
                const QByteArrayView bytes = cursor.text(c);
                cell.offset = int(rows->m_texts.size());
                cell.length = int(bytes.size());
                rows->m_texts.append(bytes.data(), bytes.size());
                break;
            }
            }
            rows->m_cells.push_back(cell);
        }
        ++rows->m_rows;
    }
    return rows;
}

std::unique_ptr<Cursor> StoredRows::cursor() const {
    return std::make_unique<StoredCursor>(shared_from_this());
}

}  // namespace qd::data

namespace qd::data {

std::vector<std::shared_ptr<const StoredRows>> Engine::queryTogether(const QStringList& statements) {
    std::vector<std::shared_ptr<const StoredRows>> results;
    for (const QString& statement : statements) results.push_back(StoredRows::read(*query(statement)));
    return results;
}

}  // namespace qd::data
