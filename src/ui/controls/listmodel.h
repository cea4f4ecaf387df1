#pragma once

#include "ui/controls/listcolumns.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

class QTimer;

namespace qd::ui {

class ListModel;

// Rows that come into a list over several turns of the event loop, from a source that is
// read as it goes (an open recordset), so that a window shows at once with the first rows of
// a long list and the rest follows. The list asks for rows a few thousand at a time.
//
//     model->startFill(std::make_unique<OrderRows>(...));   // first rows now, the rest later
//     model->completeFill();                                // every row, before a command
class ListFill {
public:
    virtual ~ListFill() = default;
    // Adds up to about `rows` rows to the model; false once the source has no more.
    virtual bool addRows(ListModel& model, int rows) = 0;
    // Runs once every row is in and shown.
    virtual void finished() {}
    // A failure while the event loop ran the fill, where no caller can be told.
    virtual void failed(const std::exception& error) = 0;
};

// The rows of a report-view list: item text and sub-items. Cells are kept by column, each
// column in the form that suits its values (see ListColumn), and made into text only when
// shown. Rows can be shown in sorted order without being moved: the model keeps a display
// order over the stored rows.
//
// Changes made through the row API are published to attached views in batches (at the next
// turn of the event loop, or when flush() is called), so filling a list row by row does not
// make the view relayout after every row. Everything that needs the whole list (the row
// count, a row's text, a sort, a search) first completes a fill in progress.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using ColumnKind = ListColumn::Kind;

    explicit ListModel(QObject* parent = nullptr);
    ~ListModel() override;

    // Columns.
    int addColumn(const QString& caption);
    int columns() const { return int(m_captions.size()); }
    QString caption(int column) const { return m_captions.value(column); }
    // How a column keeps its cells (Text unless set), for the rows added after; numberFormat is
    // how a Repeating column shows the numbers it is given.
    void setColumnKind(int column, ColumnKind kind, const QString& numberFormat = QString());

    // Rows. Row numbers here count from 0 in display order; stored rows are addressed by the
    // handle that appendRow returns, which stays valid until rows are removed or cleared.
    int appendRow(const QString& text);
    int appendRow();  // with empty cells
    void setCell(int handle, int column, const QString& text);
    // Typed cells, for fills of many rows not yet shown.
    void setInteger(int handle, int column, qint64 value);
    void setNumber(int handle, int column, double value);
    void setUtf8(int handle, int column, QByteArrayView text);
    void setDay(int handle, int column, qint64 julianDay);

    void clearRows();
    void removeRow(int row);
    int rows() const;
    QString text(int row, int column) const;
    int rowOfHandle(int handle) const;
    int handleOfRow(int row) const;  // rows shown so far

    // Sorting by the text of one column, ascending (order 0) or descending (order 1).
    void setSort(bool sorted, int key, int order);

    // Rows taken in place, as the book changes under a list that shows it: the views keep
    // their selection and the rows in sight, and a sorted list keeps its order. No fill may be
    // going on. A row is found by the whole number of its item text; a new one is made with
    // addRowInPlace, its cells written by the typed setters, then shown with showNewRow; a
    // changed one has its cells written, then rowChanged moves it where the sort puts it.
    int handleOfKey(qint64 key) const;  // -1 when no row has it
    // The handles of the rows of these keys, found in one pass (rows that have none left out).
    QHash<qint64, int> handlesOfKeys(const QSet<qint64>& keys) const;
    int addRowInPlace();
    void showNewRow(int handle);
    void rowChanged(int handle);
    void removeHandle(int handle);
    // The item texts of every row as whole numbers (rows without one are left out).
    std::vector<qint64> keys() const;

    // The first row from `fromRow` on (display order), and round past the end to the rows
    // before it, with a cell whose text holds the needle, letter case ignored; -1 when none
    // does. A fromRow outside the list starts at the first row. With a mask, only the columns
    // it marks are looked at.
    int findRow(const QString& needle, int fromRow, const std::vector<bool>& columns = {}) const;

    // Fills the list from a source over turns of the event loop: the first rows at once, the
    // rest between events. clearRows() ends a fill in progress; a new fill ends the one before.
    // A fill that replaces the rows of a list that has some reads the new rows beside them and
    // puts them in their place when all are read (rowsReplaced), so the list never shows half
    // of them, and a fill that fails leaves the rows it was to replace.
    enum class FillMode { Append, Replace };
    void startFill(std::unique_ptr<ListFill> fill, FillMode mode = FillMode::Append);
    bool filling() const { return m_fill != nullptr; }
    // Reads the rest of a fill in progress now. A failing read is thrown; the rows read so far
    // stay and the fill ends.
    void completeFill();

    // Completes a fill in progress and publishes pending changes to the views now.
    void flush();

    // A column too narrow to be seen is not read out by a screen reader either.
    void setColumnHeard(int column, bool heard);

    // Bytes the rows take, texts included (for the memory figures of the benchmark).
    std::size_t storeBytes() const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // After pending rows were published (rows may have been re-sorted).
    void published();
    // A fill began, and a fill ended (complete, failed or dropped).
    void fillStarted();
    void fillEnded();
    // A replacing fill is about to put its rows in place of the rows shown, and has.
    void rowsAboutToBeReplaced();
    void rowsReplaced();

private:
    // How a column's values are kept and shown: its kind and, for numbers, its format.
    struct ColumnShape {
        ColumnKind kind = ColumnKind::Text;
        QString numberFormat;
    };

    void checkCell(int handle, int column) const;
    void keepAsText(int column);
    void sortRows();
    // Whether stored row a comes before stored row b in the list's sort order.
    bool comesBefore(std::uint32_t a, std::uint32_t b) const;
    template <typename Visit>
    void forEachKey(Visit visit) const;
    void schedulePublish();
    void publish();
    void resetStorage();
    bool runFill(int rows);
    std::unique_ptr<ListFill> finishFill();
    void endFill();
    void fillTick();

    QStringList m_captions;
    std::vector<ColumnShape> m_shapes;
    std::vector<std::unique_ptr<ListColumn>> m_columns;
    std::uint32_t m_storedRows = 0;
    std::vector<std::uint32_t> m_order;  // display row -> stored row
    int m_publishedRows = 0;
    std::uint32_t m_sortedRows = 0;      // rows the last sort saw, while a fill goes on
    bool m_orderDirty = false;           // rows added or sort changed since last publish
    bool m_publishScheduled = false;
    bool m_sorted = false;
    int m_sortKey = 0;
    int m_sortOrder = 0;

    // Every row replaced by the rows of the model a replacing fill read, sorted as this one.
    void replaceRows(ListModel& fresh);

    std::vector<bool> m_unheard;  // by column
    std::unique_ptr<ListFill> m_fill;
    std::unique_ptr<ListModel> m_fresh;  // the rows a replacing fill reads
    std::unique_ptr<ListFill> m_droppedFill;  // dropped while it was adding rows
    std::unique_ptr<ListModel> m_droppedFresh;
    bool m_fillRunning = false;
    bool m_fillActive = false;  // between fillStarted and fillEnded
    int m_rowsPerTick = 2000;
    QTimer* m_fillTimer = nullptr;
};

}  // namespace qd::ui
