#include "ui/controls/listmodel.h"

#include "core/error.h"
#include "text/dates.h"
#include "ui/controls/textorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <numeric>

namespace qd::ui {

namespace {

constexpr int kFirstRows = 100;        // shown at once, before the window's first paint
constexpr int kTickMilliseconds = 25;  // each later step, so the window keeps answering

}  // namespace

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {
    m_fillTimer = new QTimer(this);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, &ListModel::fillTick);
}

ListModel::~ListModel() {
    m_fill.reset();
}

int ListModel::addColumn(const QString& caption) {
    flush();
    beginResetModel();
    const int column = columns();
    m_captions.append(caption);
    m_shapes.push_back(ColumnShape{});
    m_columns.push_back(ListColumn::make(ColumnKind::Text));
    m_columns.back()->resize(m_storedRows);
    endResetModel();
    return column;
}

void ListModel::setColumnKind(int column, ColumnKind kind, const QString& numberFormat) {
    if (column < 0 || column >= columns()) return;
    m_shapes[column] = ColumnShape{kind, numberFormat};
    if (m_storedRows == 0) m_columns[column] = ListColumn::make(kind, numberFormat);
}

void ListModel::checkCell(int handle, int column) const {
    if (handle < 0 || std::uint32_t(handle) >= m_storedRows || column < 0 || column >= columns())
        throw Error(QStringLiteral("Invalid property value: no such list item or column."), 380);
}

// A value the column's kind cannot hold: the column keeps its texts as they are shown.
void ListModel::keepAsText(int column) {
    auto text = std::make_unique<TextColumn>();
    text->resize(m_storedRows);
    for (std::uint32_t row = 0; row < m_storedRows; ++row)
        text->setText(row, m_columns[column]->text(row));
    m_columns[column] = std::move(text);
}

int ListModel::appendRow() {
    if (columns() == 0) addColumn(QString());  // a list always has its item column
    if (m_storedRows == std::numeric_limits<std::int32_t>::max())
        throw Error(QStringLiteral("The list holds more rows than it can show."));
    const std::uint32_t handle = m_storedRows++;
    for (auto& column : m_columns) column->resize(m_storedRows);
    m_orderDirty = true;
    schedulePublish();
    return int(handle);
}

int ListModel::appendRow(const QString& text) {
    const int handle = appendRow();
    if (!m_columns[0]->setText(handle, text)) {
        keepAsText(0);
        m_columns[0]->setText(handle, text);
    }
    return handle;
}

void ListModel::setCell(int handle, int column, const QString& text) {
    checkCell(handle, column);
    if (!m_columns[column]->setText(handle, text)) {
        keepAsText(column);
        m_columns[column]->setText(handle, text);
    }
    if (handle >= m_publishedRows || m_orderDirty) return;  // shown with the next publish
    if (m_sorted && column == m_sortKey) {
        m_orderDirty = true;
        schedulePublish();
        return;
    }
    const int row = rowOfHandle(handle);
    emit dataChanged(index(row, column), index(row, column));
}

void ListModel::setInteger(int handle, int column, qint64 value) {
    ListColumn& c = *m_columns[column];
    if (c.kind() == ColumnKind::Integer && value != IntegerColumn::kEmpty)
        static_cast<IntegerColumn&>(c).setInteger(handle, value);
    else
        setCell(handle, column, QString::number(value));
}

void ListModel::setNumber(int handle, int column, double value) {
    ListColumn& c = *m_columns[column];
    if (c.kind() == ColumnKind::Repeating)
        static_cast<RepeatingColumn&>(c).setNumber(handle, value);
    else
        setCell(handle, column, text::formatNumber(value, m_shapes[column].numberFormat));
}

void ListModel::setUtf8(int handle, int column, QByteArrayView text) {
    ListColumn& c = *m_columns[column];
    if (c.kind() == ColumnKind::Repeating)
        static_cast<RepeatingColumn&>(c).setUtf8(handle, text);
    else if (c.kind() == ColumnKind::Text)
        static_cast<TextColumn&>(c).setUtf8(handle, text);
    else
        setCell(handle, column, QString::fromUtf8(text));
}

void ListModel::setDay(int handle, int column, qint64 julianDay) {
    ListColumn& c = *m_columns[column];
    if (c.kind() != ColumnKind::Date || !static_cast<DateColumn&>(c).setDay(handle, julianDay))
        setCell(handle, column, text::shortDate(QDate::fromJulianDay(julianDay)));
}

void ListModel::resetStorage() {
    // Fresh columns for every fill: their texts follow the regional settings of now.
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        m_columns[c] = ListColumn::make(m_shapes[c].kind, m_shapes[c].numberFormat);
    m_order.clear();
    m_order.shrink_to_fit();
    m_storedRows = 0;
    m_publishedRows = 0;
    m_sortedRows = 0;
    m_orderDirty = false;
}

void ListModel::clearRows() {
    endFill();
    beginResetModel();
    resetStorage();
    endResetModel();
}

void ListModel::removeRow(int row) {
    flush();
    if (row < 0 || row >= m_publishedRows)
        throw Error(QStringLiteral("Index out of bounds"), 35600);
    const std::uint32_t handle = m_order[row];
    beginRemoveRows(QModelIndex(), row, row);
    for (auto& column : m_columns) column->erase(handle);
    m_order.erase(m_order.begin() + row);
    for (std::uint32_t& h : m_order)
        if (h > handle) --h;
    --m_storedRows;
    --m_publishedRows;
    endRemoveRows();
}

int ListModel::rows() const {
    const_cast<ListModel*>(this)->flush();
    return m_publishedRows;
}

QString ListModel::text(int row, int column) const {
    const_cast<ListModel*>(this)->flush();
    if (row < 0 || row >= m_publishedRows || column < 0 || column >= columns())
        throw Error(QStringLiteral("Index out of bounds"), 35600);
    return m_columns[column]->text(m_order[row]);
}

int ListModel::rowOfHandle(int handle) const {
    const auto it = std::find(m_order.begin(), m_order.end(), std::uint32_t(handle));
    return it == m_order.end() ? -1 : int(it - m_order.begin());
}

int ListModel::handleOfRow(int row) const {
    return (row >= 0 && row < m_publishedRows) ? int(m_order[row]) : -1;
}

void ListModel::setSort(bool sorted, int key, int order) {
    const bool changed = sorted != m_sorted || (sorted && (key != m_sortKey || order != m_sortOrder));
    m_sorted = sorted;
    m_sortKey = key;
    m_sortOrder = order;
    if (changed && sorted) {
        m_orderDirty = true;
        m_sortedRows = 0;
        flush();
    }
}

void ListModel::sortRows() {
    if (m_sortKey < 0 || m_sortKey >= columns()) return;
    m_columns[m_sortKey]->sort(m_order, m_sortOrder == 1);
}

bool ListModel::comesBefore(std::uint32_t a, std::uint32_t b) const {
    const ListColumn& column = *m_columns[m_sortKey];
    int order = textorder::compare(column.text(a), column.text(b));
    if (m_sortOrder == 1) order = -order;
    return order != 0 ? order < 0 : a < b;  // equal texts keep their stored order
}

// Calls visit(handle, key) for each stored row whose item text is a whole number, until it
// returns false.
template <typename Visit>
void ListModel::forEachKey(Visit visit) const {
    if (m_storedRows == 0) return;
    const ListColumn& column = *m_columns[0];
    if (column.kind() == ColumnKind::Integer) {
        const auto& integers = static_cast<const IntegerColumn&>(column);
        for (std::uint32_t h = 0; h < m_storedRows; ++h)
            if (const qint64 v = integers.value(h); v != IntegerColumn::kEmpty && !visit(h, v)) return;
        return;
    }
    for (std::uint32_t h = 0; h < m_storedRows; ++h) {
        bool ok = false;
        const qint64 v = column.text(h).toLongLong(&ok);
        if (ok && !visit(h, v)) return;
    }
}

int ListModel::handleOfKey(qint64 key) const {
    int found = -1;
    forEachKey([&](std::uint32_t h, qint64 k) {
        if (k == key) found = int(h);
        return found < 0;
    });
    return found;
}

QHash<qint64, int> ListModel::handlesOfKeys(const QSet<qint64>& keys) const {
    QHash<qint64, int> handles;
    if (keys.isEmpty()) return handles;
    // Most rows are told apart by the range alone, without hashing their keys.
    const auto [low, high] = std::minmax_element(keys.begin(), keys.end());
    const qint64 first = *low, last = *high;
    forEachKey([&](std::uint32_t h, qint64 k) {
        if (k >= first && k <= last && keys.contains(k)) handles.insert(k, int(h));
        return handles.size() < keys.size();
    });
    return handles;
}

std::vector<qint64> ListModel::keys() const {
    std::vector<qint64> result;
    result.reserve(m_storedRows);
    forEachKey([&](std::uint32_t, qint64 k) {
        result.push_back(k);
        return true;
    });
    return result;
}

int ListModel::addRowInPlace() {
    flush();
    if (columns() == 0) addColumn(QString());
    const std::uint32_t handle = m_storedRows++;
    for (auto& column : m_columns) column->resize(m_storedRows);
    return int(handle);
}

void ListModel::showNewRow(int handle) {
    const auto h = std::uint32_t(handle);
    int row = m_publishedRows;
    if (m_sorted)
        row = int(std::partition_point(m_order.begin(), m_order.end(),
                                       [&](std::uint32_t other) { return comesBefore(other, h); }) -
                  m_order.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_order.insert(m_order.begin() + row, h);
    ++m_publishedRows;
    if (m_sorted) m_sortedRows = m_storedRows;
    endInsertRows();
}

void ListModel::rowChanged(int handle) {
    const auto h = std::uint32_t(handle);
    const int row = rowOfHandle(handle);
    if (row < 0) return;
    int at = row;
    if (m_sorted) {
        // Where it belongs among the other rows, which stay in order.
        int low = 0, high = m_publishedRows - 1;
        while (low < high) {
            const int middle = (low + high) / 2;
            const std::uint32_t other = m_order[middle < row ? middle : middle + 1];
            if (comesBefore(other, h))
                low = middle + 1;
            else
                high = middle;
        }
        if (low != row) {
            beginMoveRows(QModelIndex(), row, row, QModelIndex(), low < row ? low : low + 1);
            m_order.erase(m_order.begin() + row);
            m_order.insert(m_order.begin() + low, h);
            endMoveRows();
            at = low;
        }
    }
    emit dataChanged(index(at, 0), index(at, columns() - 1));
}

void ListModel::removeHandle(int handle) {
    const int row = rowOfHandle(handle);
    if (row >= 0) removeRow(row);
}

void ListModel::replaceRows(ListModel& fresh) {
    emit rowsAboutToBeReplaced();
    beginResetModel();
    std::swap(m_columns, fresh.m_columns);
    m_storedRows = fresh.m_storedRows;
    m_order.resize(m_storedRows);
    std::iota(m_order.begin(), m_order.end(), 0u);
    if (m_sorted) sortRows();
    m_publishedRows = int(m_storedRows);
    m_sortedRows = m_storedRows;
    m_orderDirty = false;
    endResetModel();
    fresh.clearRows();
    emit rowsReplaced();
}

int ListModel::findRow(const QString& needle, int fromRow, const std::vector<bool>& columns) const {
    const_cast<ListModel*>(this)->flush();
    const int n = m_publishedRows;
    if (n == 0) return -1;
    std::vector<std::function<bool(std::uint32_t)>> matchers;
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        if (columns.empty() || (c < columns.size() && columns[c]))
            matchers.push_back(m_columns[c]->matcher(needle));
    auto holds = [&](std::uint32_t stored) {
        for (const auto& matches : matchers)
            if (matches(stored)) return true;
        return false;
    };
    const int start = (fromRow >= 0 && fromRow < n) ? fromRow : 0;
    // The rows just after the start first, in the order shown: the next match is usually near.
    const int nearby = std::min(n, 4096);
    for (int step = 0; step < nearby; ++step) {
        const int row = (start + step) % n;
        if (holds(m_order[row])) return row;
    }
    // Then every row once in the order the rows are stored, which reads each column front to
    // back (a sorted list shows its rows scattered over memory), and the first match as shown.
    std::vector<bool> hit(m_storedRows);
    for (std::uint32_t stored = 0; stored < m_storedRows; ++stored) hit[stored] = holds(stored);
    for (int step = nearby; step < n; ++step) {
        const int row = (start + step) % n;
        if (hit[m_order[row]]) return row;
    }
    return -1;
}

void ListModel::schedulePublish() {
    if (m_publishScheduled) return;
    m_publishScheduled = true;
    QTimer::singleShot(0, this, [this] { publish(); });
}

void ListModel::publish() {
    m_publishScheduled = false;
    if (!m_orderDirty) return;
    if (!m_sorted) {
        // Only appends happen unsorted, so new rows simply follow the shown ones.
        m_orderDirty = false;
        if (m_storedRows > std::uint32_t(m_publishedRows)) {
            beginInsertRows(QModelIndex(), m_publishedRows, int(m_storedRows) - 1);
            for (std::uint32_t h = std::uint32_t(m_publishedRows); h < m_storedRows; ++h)
                m_order.push_back(h);
            m_publishedRows = int(m_storedRows);
            endInsertRows();
        }
    } else {
        // While a fill goes on, a sorted list sorts again only when its rows have doubled,
        // so that a long fill sorts about twice in all instead of at every step.
        if (m_fill && m_sortedRows > 0 && m_storedRows < 2 * m_sortedRows) return;
        m_orderDirty = false;
        beginResetModel();
        m_order.resize(m_storedRows);
        std::iota(m_order.begin(), m_order.end(), 0u);
        sortRows();
        m_publishedRows = int(m_storedRows);
        m_sortedRows = m_storedRows;
        endResetModel();
    }
    emit published();
}

void ListModel::flush() {
    completeFill();
    publish();
}

// ---- Fills ----------------------------------------------------------------------------------

void ListModel::startFill(std::unique_ptr<ListFill> fill, FillMode mode) {
    endFill();
    if (mode == FillMode::Replace && rows() > 0) {
        m_fresh = std::make_unique<ListModel>();
        for (int c = 0; c < columns(); ++c) {
            m_fresh->addColumn(m_captions[c]);
            m_fresh->setColumnKind(c, m_shapes[c].kind, m_shapes[c].numberFormat);
        }
    }
    m_fill = std::move(fill);
    m_fillActive = true;
    emit fillStarted();
    try {
        if (!runFill(kFirstRows)) {
            if (std::unique_ptr<ListFill> done = finishFill()) done->finished();
            return;
        }
    } catch (...) {
        endFill();
        throw;
    }
    publish();
    m_rowsPerTick = 2000;
    m_fillTimer->start();
}

bool ListModel::runFill(int rows) {
    m_fillRunning = true;
    bool more = false;
    try {
        more = m_fill->addRows(m_fresh ? *m_fresh : *this, rows);
    } catch (...) {
        m_fillRunning = false;
        m_droppedFill.reset();
        m_droppedFresh.reset();
        throw;
    }
    m_fillRunning = false;
    m_droppedFill.reset();
    m_droppedFresh.reset();
    return more && m_fill;
}

void ListModel::fillTick() {
    if (!m_fill) {
        m_fillTimer->stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    try {
        const bool more = runFill(m_rowsPerTick);
        if (!more) {
            std::unique_ptr<ListFill> done = finishFill();
            if (done) {
                try {
                    done->finished();
                } catch (const std::exception& e) {
                    done->failed(e);
                }
            }
            return;
        }
    } catch (const std::exception& e) {
        std::unique_ptr<ListFill> failed = std::move(m_fill);
        endFill();
        publish();
        failed->failed(e);
        return;
    }
    // Steps of about the same length whatever the machine's load.
    const qint64 spent = std::max<qint64>(1, clock.elapsed());
    m_rowsPerTick = int(std::clamp<qint64>(m_rowsPerTick * kTickMilliseconds / spent, 200, 200000));
    publish();
}

void ListModel::completeFill() {
    while (m_fill) {
        bool more = false;
        try {
            more = runFill(std::numeric_limits<int>::max());
        } catch (...) {
            endFill();
            throw;
        }
        if (!more)
            if (std::unique_ptr<ListFill> done = finishFill()) done->finished();
    }
}

// Every row is in: show them and give back spare room. Returns the fill, to be told.
std::unique_ptr<ListFill> ListModel::finishFill() {
    std::unique_ptr<ListFill> done = std::move(m_fill);
    if (m_fresh) {
        const std::unique_ptr<ListModel> fresh = std::move(m_fresh);
        fresh->flush();
        replaceRows(*fresh);
    }
    publish();
    endFill();
    for (auto& column : m_columns) column->squeeze();
    return done;
}

void ListModel::endFill() {
    m_fillTimer->stop();
    if (m_fillRunning && m_fill) {
        m_droppedFill = std::move(m_fill);  // deleted once its addRows returns
        m_droppedFresh = std::move(m_fresh);
    }
    m_fill.reset();
    m_fresh.reset();
    if (m_fillActive) {
        m_fillActive = false;
        emit fillEnded();
    }
}

std::size_t ListModel::storeBytes() const {
    std::size_t bytes = m_order.capacity() * sizeof(std::uint32_t);
    for (const auto& column : m_columns) bytes += column->bytes();
    return bytes;
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_publishedRows;
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns();
}

void ListModel::setColumnHeard(int column, bool heard) {
    if (column < 0) return;
    if (std::size_t(column) >= m_unheard.size()) m_unheard.resize(column + 1, false);
    m_unheard[column] = !heard;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_publishedRows) return QVariant();
    const bool unheard = std::size_t(index.column()) < m_unheard.size() && m_unheard[index.column()];
    // A blank, not an empty text: the toolkit reads the shown text where this one is empty.
    if (role == Qt::AccessibleTextRole && unheard) return QStringLiteral(" ");
    if (role != Qt::DisplayRole) return QVariant();
    return m_columns[index.column()]->text(m_order[index.row()]);
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return QVariant();
    if (role == Qt::AccessibleTextRole && std::size_t(section) < m_unheard.size() && m_unheard[section])
        return QStringLiteral(" ");
    if (role == Qt::DisplayRole) return m_captions.value(section);
    return QVariant();
}

}  // namespace qd::ui
