#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace qd::ui {

// The rows of a report-view list: item text and sub-items, all plain text. Texts are packed
// into large shared blocks and each cell holds only where its text lies, so a list of a
// million orders costs little more than its texts. Rows can be shown in sorted order without
// being moved: the model keeps a display order over the stored rows.
//
// Changes made through the row API are published to attached views in batches (at the next
// turn of the event loop, or when flush() is called), so filling a list row by row does not
// make the view relayout after every row.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(QObject* parent = nullptr);
    ~ListModel() override;

    // Columns.
    int addColumn(const QString& caption);
    int columns() const { return int(m_captions.size()); }
    QString caption(int column) const { return m_captions.value(column); }

    // Rows. Row numbers here count from 0 in display order; stored rows are addressed by the
    // handle that appendRow returns, which stays valid until rows are removed or cleared.
    int appendRow(const QString& text);
    void setCell(int handle, int column, const QString& text);
    void clearRows();
    void removeRow(int row);
    int rows() const;
    QString text(int row, int column) const;
    int rowOfHandle(int handle) const;
    int handleOfRow(int row) const;

    // Sorting by the text of one column, ascending (order 0) or descending (order 1).
    void setSort(bool sorted, int key, int order);

    // The first row, from fromRow on and round past the end to the rows before it, whose shown
    // text in any column contains the needle, letter case ignored; -1 when none does (or the
    // needle is empty).
    int findRow(const QString& needle, int fromRow) const;

    // Publishes pending changes to the views now.
    void flush();

    // Bytes held for the rows beyond their texts (for the memory figures of the benchmark).
    std::size_t overheadBytes() const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // After pending rows were published (rows may have been re-sorted).
    void published();

private:
    struct Cell {
        std::uint32_t place = 0;   // block number (high 12 bits) and offset in it (low 20)
        std::uint32_t length = 0;
    };
    static constexpr int kBlockShift = 20;
    static constexpr std::uint32_t kBlockChars = 1u << kBlockShift;

    Cell store(const QString& text);
    const char16_t* chars(const Cell& cell) const;
    QString cellText(int handle, int column) const;
    void sortRows();
    void schedulePublish();
    void resetStorage();

    QStringList m_captions;
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    std::vector<std::uint32_t> m_blockSizes;  // capacity of each block
    std::uint32_t m_used = 0;                 // chars used in the last block
    std::vector<Cell> m_cells;                // rows x columns
    int m_storedRows = 0;
    std::vector<std::uint32_t> m_order;      // display row -> stored row
    int m_publishedRows = 0;
    bool m_orderDirty = false;                // rows added or sort changed since last publish
    bool m_publishScheduled = false;
    bool m_sorted = false;
    int m_sortKey = 0;
    int m_sortOrder = 0;
};

}  // namespace qd::ui
