#pragma once

#include <QTreeView>

#include <vector>

namespace qd::ui {

class ListModel;

// The report-view list of every window: columns with captions and widths in twips, rows made
// of an item text and sub-items, one selected row, and the Sorted / SortKey / SortOrder
// properties that sort rows by the text of one column. Rows and columns count from 1 where the
// program names them (item 1 is the first row, column 1 the item text, sub-item 1 the second
// column), as the program's handlers do.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Columns.
    int addColumn(const QString& caption);
    int columnCount() const;
    QString columnCaption(int position) const;
    double columnWidth(int position) const;  // twips
    void setColumnWidth(int position, double twips);

    // Rows. addItem returns the new row's handle for setSubItem; handles stay valid until rows
    // are removed or cleared.
    int addItem(const QString& text);
    void setSubItem(int handle, int subItem, const QString& text);
    // The handle of the row at index (from 1), for changing its texts in place, and the item
    // text of a row by its handle.
    int handleOfIndex(int index) const;
    void setItemText(int handle, const QString& text);
    int count() const;
    void clear();
    void removeItem(int index);
    QString itemText(int index) const;
    QString subItemText(int index, int subItem) const;

    // Selection: the selected row's index, 0 when none.
    int selectedIndex() const;
    // Selects a row as the program does (no item click); an index outside the list is an error.
    void selectIndex(int index);
    // Selects a row as the user's choice does: scrolled into view, with an item click.
    void chooseIndex(int index);
    // The index of the row whose item text is the text, looking from the last row back (rows
    // added last are looked for most); 0 when there is none.
    int findItem(const QString& text) const;
    // The index of the row whose item text is the whole number, found fast; 0 when none is.
    int indexOfKey(qint64 key) const;
    // The selected row's text and sub-items; an error when no row is selected.
    QString selectedText() const;
    QString selectedSubItem(int subItem) const;

    // Sort state as the list control keeps it: setting Sorted to true sorts at once, and rows
    // added while it is true appear in order.
    bool sorted() const { return m_sorted; }
    int sortKey() const { return m_sortKey; }
    int sortOrder() const { return m_sortOrder; }
    void setSorted(bool sorted);
    void setSortKey(int key);
    void setSortOrder(int order);

    // The column-click rule shared by every list: a first click sorts the column ascending, a
    // further click on it reverses the order, a click on another column starts ascending.
    void sortByColumnClick(int position);

    // The index of the first row from fromIndex on, round the list, whose texts hold the
    // needle, letter case ignored; 0 when none does.
    int findRow(const QString& needle, int fromIndex) const;

    ListModel* listModel() const { return m_model; }

signals:
    // The user chose a row with the mouse or the keyboard.
    void itemClick();
    // The user clicked a column header (position from 1).
    void columnClick(int position);

protected:
    // A selected row keeps its text readable where the palette's highlight is too close to the
    // highlighted text.
    void initViewItemOption(QStyleOptionViewItem* option) const override;

private:
    void applySort();
    void afterPublish();
    int rowOfIndex(int index) const;
    void selectRow(int row);
    void setBusy(bool busy);
    int topRow() const;
    // Keeps the row at the top of the list in sight while rows come, go and move above it.
    void keepTopRow(int newTop);

    ListModel* m_model;
    std::vector<double> m_widths;  // twips, as set or as the user dragged them
    bool m_sorted = false;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_programmatic = false;
    int m_keepHandle = -1;  // the selected row across a re-sort
    bool m_busy = false;    // a fill goes on: the busy pointer shows
    int m_top = -1;         // the top row, while rows change in place
    QString m_selectedKey;  // the selected and the top row's item texts, while rows are replaced
    QString m_topKey;
    int m_selectedBefore = 0;
};

}  // namespace qd::ui
