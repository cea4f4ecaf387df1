#include "ui/controls/listview.h"

#include "core/error.h"
#include "ui/controls/contrast.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/twips.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScrollBar>

namespace qd::ui {

namespace {
Error noSuchItem() { return Error(QStringLiteral("Index out of bounds"), 35600); }
Error noSelection() {
    return Error(QStringLiteral("Object variable or With block variable not set"), 91);
}
}  // namespace

ListView::ListView(QWidget* parent) : QTreeView(parent), m_model(new ListModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFont(windowFont());
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setSectionResizeMode(QHeaderView::Interactive);

    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit columnClick(section + 1); });
    // A column kept a twip wide (the order number) is not read out while it is hidden.
    connect(header(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { m_model->setColumnHeard(section, size > 2); });
    connect(header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        // A drag by the user changes the width; our own settings already stored it exactly.
        if (m_programmatic || section >= int(m_widths.size())) return;
        if (toPixels(m_widths[section]) != size) m_widths[section] = toTwips(size);
    });
    // The item click follows the selection, not the current row: a mouse press moves the
    // current row before it selects, and the handler reads the selected row.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_programmatic && selectionModel()->hasSelection()) emit itemClick();
    });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        // Rows arriving in a sorted list during a fill: the first row is chosen afresh, as
        // when all rows arrive at once.
        const QModelIndex current = currentIndex();
        m_keepHandle = current.isValid() && !m_busy ? m_model->handleOfRow(current.row()) : -1;
    });
    // The busy pointer shows while a fill goes on; the window answers meanwhile.
    connect(m_model, &ListModel::fillStarted, this, [this] { setBusy(true); });
    connect(m_model, &ListModel::fillEnded, this, [this] { setBusy(false); });
    connect(m_model, &ListModel::published, this, [this] { afterPublish(); });

    // Rows read again in full: the selected row and the row at the top stay, found again by
    // their item texts, without an item click.
    connect(m_model, &ListModel::rowsAboutToBeReplaced, this, [this] {
        m_selectedBefore = selectedIndex();
        m_selectedKey = m_selectedBefore ? itemText(m_selectedBefore) : QString();
        const int top = topRow();
        m_topKey = top >= 0 ? m_model->text(top, 0) : QString();
        m_programmatic = true;
    });
    connect(m_model, &ListModel::rowsReplaced, this, [this] {
        m_keepHandle = -1;
        m_programmatic = false;
        if (m_model->rowCount() == 0) return;
        auto indexOf = [this](const QString& key) {
            bool ok = false;
            const qint64 number = key.toLongLong(&ok);
            return ok ? indexOfKey(number) : findItem(key);
        };
        const int top = m_topKey.isEmpty() ? 0 : indexOf(m_topKey);
        if (top > 0) scrollTo(m_model->index(top - 1, 0), QAbstractItemView::PositionAtTop);
        const int again = m_selectedKey.isEmpty() ? 0 : indexOf(m_selectedKey);
        const int fallback = std::max(1, std::min(m_selectedBefore, m_model->rowCount()));
        selectRow((again > 0 ? again : fallback) - 1);
    });

    // Rows taken in place: the rows the user is looking at stay in sight.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { m_top = topRow(); });
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_top = topRow(); });
    connect(m_model, &QAbstractItemModel::rowsAboutToBeMoved, this, [this] { m_top = topRow(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (m_top >= 0 && first <= m_top) keepTopRow(m_top + last - first + 1);
            });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (m_top < 0 || first > m_top) return;
                keepTopRow(last < m_top ? m_top - (last - first + 1) : first);
            });
    connect(m_model, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                if (m_top < 0) return;
                int top = m_top;
                if (from == m_top) return;  // the row in sight itself moved: the view stays
                if (from < m_top && to > m_top) --top;
                if (from > m_top && to <= m_top) ++top;
                keepTopRow(top);
            });
}

// Read from the scroll bar, which scrolls by rows: the view may have dropped its layout of the
// rows already when the model says rows are about to go.
int ListView::topRow() const {
    if (m_model->rowCount() == 0) return -1;
    if (verticalScrollMode() == QAbstractItemView::ScrollPerItem) return verticalScrollBar()->value();
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : -1;
}

void ListView::keepTopRow(int newTop) {
    m_top = -1;
    if (newTop < 0 || newTop >= m_model->rowCount()) return;
    updateGeometries();
    scrollTo(m_model->index(newTop, 0), QAbstractItemView::PositionAtTop);
}

ListView::~ListView() { setBusy(false); }

void ListView::setBusy(bool busy) {
    if (busy == m_busy) return;
    m_busy = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

int ListView::findRow(const QString& needle, int fromIndex) const {
    // What the user can read: a column kept a twip wide (the order number) is not looked at
    // until it is widened.
    std::vector<bool> shown;
    for (int c = 0; c < columnCount(); ++c) shown.push_back(!header()->isSectionHidden(c) && header()->sectionSize(c) > 2);
    return m_model->findRow(needle, std::max(0, fromIndex - 1), shown) + 1;
}

int ListView::addColumn(const QString& caption) {
    const int column = m_model->addColumn(caption);
    m_widths.push_back(1440);  // the control's own default of one inch
    m_programmatic = true;
    header()->resizeSection(column, toPixels(m_widths.back()));
    m_programmatic = false;
    return column + 1;
}

int ListView::columnCount() const { return m_model->columns(); }

QString ListView::columnCaption(int position) const {
    if (position < 1 || position > columnCount()) throw noSuchItem();
    return m_model->caption(position - 1);
}

double ListView::columnWidth(int position) const {
    if (position < 1 || position > columnCount()) throw noSuchItem();
    return m_widths[position - 1];
}

void ListView::setColumnWidth(int position, double twips) {
    if (position < 1 || position > columnCount()) throw noSuchItem();
    if (!(twips >= 0)) throw Error(QStringLiteral("Invalid property value"), 380);
    m_widths[position - 1] = twips;
    m_programmatic = true;
    header()->resizeSection(position - 1, toPixels(twips));
    m_programmatic = false;
}

int ListView::addItem(const QString& text) { return m_model->appendRow(text); }

void ListView::setSubItem(int handle, int subItem, const QString& text) {
    if (subItem < 1 || subItem >= columnCount()) throw noSuchItem();
    m_model->setCell(handle, subItem, text);
}

int ListView::handleOfIndex(int index) const { return m_model->handleOfRow(rowOfIndex(index)); }

void ListView::setItemText(int handle, const QString& text) { m_model->setCell(handle, 0, text); }

int ListView::count() const { return m_model->rows(); }

void ListView::clear() {
    m_programmatic = true;
    m_model->clearRows();
    m_keepHandle = -1;  // handles are reused by the next rows
    m_programmatic = false;
}

void ListView::removeItem(int index) {
    const int row = rowOfIndex(index);
    m_programmatic = true;
    m_model->removeRow(row);
    m_programmatic = false;
}

int ListView::rowOfIndex(int index) const {
    if (index < 1 || index > count()) throw noSuchItem();
    return index - 1;
}

QString ListView::itemText(int index) const { return m_model->text(rowOfIndex(index), 0); }

QString ListView::subItemText(int index, int subItem) const {
    if (subItem < 1 || subItem >= columnCount()) throw noSuchItem();
    return m_model->text(rowOfIndex(index), subItem);
}

int ListView::selectedIndex() const {
    m_model->flush();
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void ListView::selectIndex(int index) { selectRow(rowOfIndex(index)); }

void ListView::selectRow(int row) {
    m_programmatic = true;
    const QModelIndex target = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    m_programmatic = false;
}

void ListView::chooseIndex(int index) {
    const int row = rowOfIndex(index);
    selectRow(row);
    scrollTo(m_model->index(row, 0));
    emit itemClick();
}

int ListView::indexOfKey(qint64 key) const {
    m_model->flush();
    const int handle = m_model->handleOfKey(key);
    return handle < 0 ? 0 : m_model->rowOfHandle(handle) + 1;
}

int ListView::findItem(const QString& text) const {
    for (int row = count() - 1; row >= 0; --row)
        if (m_model->text(row, 0) == text) return row + 1;
    return 0;
}

QString ListView::selectedText() const {
    const int index = selectedIndex();
    if (index == 0) throw noSelection();
    return itemText(index);
}

QString ListView::selectedSubItem(int subItem) const {
    const int index = selectedIndex();
    if (index == 0) throw noSelection();
    return subItemText(index, subItem);
}

void ListView::setSorted(bool sorted) {
    m_sorted = sorted;
    applySort();
}

void ListView::setSortKey(int key) {
    m_sortKey = key;
    applySort();
}

void ListView::setSortOrder(int order) {
    m_sortOrder = order;
    applySort();
}

void ListView::applySort() {
    m_programmatic = true;
    m_model->setSort(m_sorted, m_sortKey, m_sortOrder);
    m_programmatic = false;
    header()->setSortIndicatorShown(m_sorted);
    if (m_sorted)
        header()->setSortIndicator(m_sortKey, m_sortOrder == 1 ? Qt::DescendingOrder
                                                               : Qt::AscendingOrder);
}

void ListView::sortByColumnClick(int position) {
    const int currentKey = m_sorted ? m_sortKey : -1;
    m_sorted = false;
    if (position - 1 == currentKey) {
        if (m_sortOrder == 0)
            m_sortOrder = 1;
        else if (m_sortOrder == 1)
            m_sortOrder = 0;
    } else {
        m_sortOrder = 0;
    }
    m_sortKey = position - 1;
    setSorted(true);
}

void ListView::initViewItemOption(QStyleOptionViewItem* option) const {
    QTreeView::initViewItemOption(option);
    QPalette& palette = option->palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight,
                         readableBehind(palette.color(group, QPalette::Highlight),
                                        palette.color(group, QPalette::HighlightedText)));
    }
}

void ListView::afterPublish() {
    if (m_model->rowCount() == 0) return;
    // Keep the selected row across a re-sort; a list that had none selects its first row, as
    // the list control does when rows arrive in an empty list.
    int row = -1;
    if (m_keepHandle >= 0) row = m_model->rowOfHandle(m_keepHandle);
    m_keepHandle = -1;
    if (row < 0 && !selectionModel()->hasSelection()) row = 0;
    if (row >= 0) selectRow(row);
}

}  // namespace qd::ui
