#pragma once

// The rows a laid-out report keeps for its preview, which pages back and forth through all of
// them: by column, each in the least room its values take (whole numbers and amounts as
// numbers, dates as day numbers, texts that repeat once each, other texts packed), made into
// values again only for the pages shown. A million orders' rows take some tens of bytes each
// instead of several hundred as separate values.

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
    std::size_t bytes() const;

private:
    struct Column;
    std::vector<std::unique_ptr<Column>> m_columns;
};

}  // namespace qd::reports
