#pragma once

// The rows a laid-out report keeps for its preview, which pages back and forth through all of
// them: by column, each in the least room its values take, made into values again only for
// the pages shown. Values that repeat (names, dates, rates, prices) are kept once each, every
// row holding a code of one, two or four bytes; values that mostly differ are kept per row:
// order numbers and amounts to four decimals in four bytes, other numbers in eight, texts as
// UTF-8. A line of "Total Price of Each Order Detail" takes about 25 bytes instead of the 320
// of separate values.

#include <QVariant>

#include <memory>
#include <vector>

namespace qd::reports {

struct RowTable;

class RowStore {
public:
    explicit RowStore(std::vector<int> fields = {});
    RowStore(RowStore&&) noexcept;
    RowStore& operator=(RowStore&&) noexcept;
    ~RowStore();

    std::vector<int> fields;  // as RowTable::fields
    int rowCount = 0;

    // Appends every row of a table with the same fields.
    void append(const RowTable& rows);
    QVariant cell(int row, int column) const;
    // Gives back spare room once every row is in.
    void squeeze();
    std::size_t bytes() const;

private:
    struct Column;
    std::vector<std::unique_ptr<Column>> m_columns;
};

}  // namespace qd::reports
