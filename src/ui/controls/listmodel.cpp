#include "ui/controls/listmodel.h"

#include "core/error.h"

#include <QTimer>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace qd::ui {

namespace {

inline char16_t fold(char16_t c) {
    if (c < 128) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar(c).toCaseFolded().unicode();
}

// Text order of the list: letter case ignored, then shorter before longer.
int compareText(const char16_t* a, std::uint32_t la, const char16_t* b, std::uint32_t lb) {
    const std::uint32_t n = std::min(la, lb);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const char16_t fa = fold(a[i]), fb = fold(b[i]);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

}  // namespace

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {}

ListModel::~ListModel() = default;

int ListModel::addColumn(const QString& caption) {
    flush();
    beginResetModel();
    const int old = columns();
    if (m_storedRows > 0) {
        // Rare (columns are made before rows), so re-lay the cells row by row.
        std::vector<Cell> cells(std::size_t(m_storedRows) * (old + 1));
        for (int r = 0; r < m_storedRows; ++r)
            std::copy_n(m_cells.begin() + std::size_t(r) * old, old,
                        cells.begin() + std::size_t(r) * (old + 1));
        m_cells.swap(cells);
    }
    m_captions.append(caption);
    endResetModel();
    return old;
}

ListModel::Cell ListModel::store(const QString& text) {
    const auto length = std::uint32_t(text.size());
    if (length == 0) return Cell{};
    if (m_blocks.empty() || m_used + length > m_blockSizes.back()) {
        if (m_blocks.size() >= (1u << (32 - kBlockShift)))
            throw Error(QStringLiteral("The list holds more text than it can show."));
        // Small lists stay small; big ones grow in large blocks that are never moved.
        const std::uint32_t previous = m_blockSizes.empty() ? 2048 : m_blockSizes.back();
        const std::uint32_t size = std::max(std::min(previous * 2, kBlockChars), length);
        m_blocks.emplace_back(new char16_t[size]);
        m_blockSizes.push_back(size);
        m_used = 0;
    }
    const auto block = std::uint32_t(m_blocks.size() - 1);
    std::memcpy(m_blocks.back().get() + m_used, text.utf16(), length * sizeof(char16_t));
    const Cell cell{(block << kBlockShift) | m_used, length};
    m_used += length;
    return cell;
}

const char16_t* ListModel::chars(const Cell& cell) const {
    return m_blocks[cell.place >> kBlockShift].get() + (cell.place & (kBlockChars - 1));
}

QString ListModel::cellText(int handle, int column) const {
    const Cell& cell = m_cells[std::size_t(handle) * columns() + column];
    if (cell.length == 0) return QString();
    return QString::fromUtf16(chars(cell), cell.length);
}

int ListModel::appendRow(const QString& text) {
    const int cols = std::max(columns(), 1);
    if (columns() == 0) m_captions.append(QString());  // a list always has its item column
    m_cells.resize(m_cells.size() + cols);
    const int handle = m_storedRows++;
    m_cells[std::size_t(handle) * cols] = store(text);
    m_orderDirty = true;
    schedulePublish();
    return handle;
}

void ListModel::setCell(int handle, int column, const QString& text) {
    if (handle < 0 || handle >= m_storedRows || column < 0 || column >= columns())
        throw Error(QStringLiteral("Invalid property value: no such list item or column."), 380);
    m_cells[std::size_t(handle) * columns() + column] = store(text);
    if (handle >= m_publishedRows || m_orderDirty) return;  // shown with the next publish
    if (m_sorted && column == m_sortKey) {
        m_orderDirty = true;
        schedulePublish();
        return;
    }
    const int row = rowOfHandle(handle);
    emit dataChanged(index(row, column), index(row, column));
}

void ListModel::resetStorage() {
    m_blocks.clear();
    m_blockSizes.clear();
    m_used = 0;
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_order.clear();
    m_order.shrink_to_fit();
    m_storedRows = 0;
    m_publishedRows = 0;
    m_orderDirty = false;
}

void ListModel::clearRows() {
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
    const auto cols = std::size_t(columns());
    m_cells.erase(m_cells.begin() + handle * cols, m_cells.begin() + (handle + 1) * cols);
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
    return cellText(int(m_order[row]), column);
}

int ListModel::rowOfHandle(int handle) const {
    const auto it = std::find(m_order.begin(), m_order.end(), std::uint32_t(handle));
    return it == m_order.end() ? -1 : int(it - m_order.begin());
}

int ListModel::handleOfRow(int row) const {
    const_cast<ListModel*>(this)->flush();
    return (row >= 0 && row < m_publishedRows) ? int(m_order[row]) : -1;
}

void ListModel::setSort(bool sorted, int key, int order) {
    const bool changed = sorted != m_sorted || (sorted && (key != m_sortKey || order != m_sortOrder));
    m_sorted = sorted;
    m_sortKey = key;
    m_sortOrder = order;
    if (changed && sorted) {
        m_orderDirty = true;
        flush();
    }
}

void ListModel::sortRows() {
    const int cols = columns();
    const int key = m_sortKey;
    if (key < 0 || key >= cols) return;
    const std::size_t n = m_order.size();
    // Lists repeat their texts a lot (a customer per order), and walking the rows' scattered
    // texts in a comparison sort is slow. So the distinct texts are sorted once, each row gets
    // its text's rank, and a counting sort by rank orders the rows, keeping equal rows in
    // their stored order.
    struct Distinct {
        std::uint64_t prefix;  // first four folded characters, packed to compare as a number
        std::u16string_view text;
    };
    std::vector<Distinct> distinct;
    std::vector<std::uint32_t> textOfRow(n);
    std::unordered_map<std::u16string_view, std::uint32_t> seen;
    seen.reserve(n / 4 + 16);
    for (std::size_t i = 0; i < n; ++i) {
        const Cell& cell = m_cells[std::size_t(m_order[i]) * cols + key];
        const std::u16string_view text(cell.length ? chars(cell) : u"", cell.length);
        const auto [it, added] = seen.try_emplace(text, std::uint32_t(distinct.size()));
        if (added) {
            std::uint64_t prefix = 0;
            for (std::size_t c = 0; c < 4; ++c)
                prefix = (prefix << 16) | (c < text.size() ? fold(text[c]) : 0u);
            distinct.push_back({prefix, text});
        }
        textOfRow[i] = it->second;
    }
    const auto compare = [](const Distinct& a, const Distinct& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
        return compareText(a.text.data(), std::uint32_t(a.text.size()), b.text.data(),
                           std::uint32_t(b.text.size()));
    };
    std::vector<std::uint32_t> byText(distinct.size());
    for (std::uint32_t d = 0; d < byText.size(); ++d) byText[d] = d;
    std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) {
        return compare(distinct[a], distinct[b]) < 0;
    });
    // Texts equal but for letter case share a rank.
    std::vector<std::uint32_t> rank(distinct.size());
    std::uint32_t ranks = 0;
    for (std::size_t i = 0; i < byText.size(); ++i) {
        if (i > 0 && compare(distinct[byText[i - 1]], distinct[byText[i]]) != 0) ++ranks;
        rank[byText[i]] = ranks;
    }
    if (!byText.empty()) ++ranks;
    const bool descending = m_sortOrder == 1;
    std::vector<std::uint32_t> start(std::size_t(ranks) + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t& r = textOfRow[i];
        r = rank[r];
        if (descending) r = ranks - 1 - r;
        ++start[r + 1];
    }
    for (std::size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
    std::vector<std::uint32_t> sorted(n);
    for (std::size_t i = 0; i < n; ++i) sorted[start[textOfRow[i]]++] = m_order[i];
    m_order.swap(sorted);
}

int ListModel::findRow(const QString& needle, int fromRow) const {
    const_cast<ListModel*>(this)->flush();
    const int n = m_publishedRows;
    if (needle.isEmpty() || n == 0) return -1;
    std::u16string folded(needle.size(), u'\0');
    for (qsizetype i = 0; i < needle.size(); ++i) folded[i] = fold(needle[i].unicode());
    const std::size_t m = folded.size();
    const char16_t first = folded[0];
    const char16_t firstUpper = QChar(first).toUpper().unicode();
    // A scan over the cells' characters in place: no text is copied, and a cell is only looked
    // at closely where its character matches the needle's first one.
    auto contains = [&](const Cell& cell) {
        if (cell.length < m) return false;
        const char16_t* text = chars(cell);
        const std::size_t last = cell.length - m;
        for (std::size_t i = 0; i <= last; ++i) {
            const char16_t c = text[i];
            if (c != first && c != firstUpper && (c < 128 || fold(c) != first)) continue;
            std::size_t k = 1;
            while (k < m && fold(text[i + k]) == folded[k]) ++k;
            if (k == m) return true;
        }
        return false;
    };
    const int cols = columns();
    auto rowHas = [&](std::uint32_t handle) {
        const Cell* cells = &m_cells[std::size_t(handle) * cols];
        for (int c = 0; c < cols; ++c)
            if (contains(cells[c])) return true;
        return false;
    };
    const int start = (fromRow >= 0 && fromRow < n) ? fromRow : 0;
    // The rows just after the start first, in the order shown: the next match is usually near.
    const int nearby = std::min(n, 4096);
    for (int step = 0; step < nearby; ++step) {
        const int row = (start + step) % n;
        if (rowHas(m_order[row])) return row;
    }
    // Then every row once in the order the rows are stored, which reads the texts front to
    // back (a sorted list shows them scattered over memory), and the first of them as shown.
    std::vector<bool> has(static_cast<std::size_t>(m_storedRows));
    for (int h = 0; h < m_storedRows; ++h) has[std::size_t(h)] = rowHas(std::uint32_t(h));
    for (int step = nearby; step < n; ++step) {
        const int row = (start + step) % n;
        if (has[m_order[row]]) return row;
    }
    return -1;
}

void ListModel::schedulePublish() {
    if (m_publishScheduled) return;
    m_publishScheduled = true;
    QTimer::singleShot(0, this, [this] { flush(); });
}

void ListModel::flush() {
    m_publishScheduled = false;
    if (!m_orderDirty) return;
    m_orderDirty = false;
    if (!m_sorted) {
        // Only appends happen unsorted, so new rows simply follow the shown ones.
        if (m_storedRows > m_publishedRows) {
            beginInsertRows(QModelIndex(), m_publishedRows, m_storedRows - 1);
            for (int h = m_publishedRows; h < m_storedRows; ++h) m_order.push_back(h);
            m_publishedRows = m_storedRows;
            endInsertRows();
        }
    } else {
        beginResetModel();
        m_order.resize(m_storedRows);
        for (int h = 0; h < m_storedRows; ++h) m_order[h] = h;
        sortRows();
        m_publishedRows = m_storedRows;
        endResetModel();
    }
    emit published();
}

std::size_t ListModel::overheadBytes() const {
    std::size_t bytes = m_cells.capacity() * sizeof(Cell) + m_order.capacity() * sizeof(std::uint32_t);
    if (!m_blockSizes.empty()) bytes += (m_blockSizes.back() - m_used) * sizeof(char16_t);
    return bytes;
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_publishedRows;
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns();
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_publishedRows)
        return QVariant();
    return cellText(int(m_order[index.row()]), index.column());
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return m_captions.value(section);
    return QVariant();
}

}  // namespace qd::ui
