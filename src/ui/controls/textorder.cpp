#include "ui/controls/textorder.h"

#include <QChar>

#include <algorithm>
#include <numeric>

namespace qd::ui::textorder {

char16_t fold(char16_t c) {
    if (c < 128) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar(c).toCaseFolded().unicode();
}

int compare(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const char16_t fa = fold(a[i].unicode()), fb = fold(b[i].unicode());
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::uint64_t chunk(QStringView text, std::uint32_t from) {
    std::uint64_t key = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        const qsizetype at = qsizetype(from) + i;
        key = (key << 16) | (at < text.size() ? fold(text[at].unicode()) : 0u);
    }
    return key;
}

namespace {

// Stable least-significant-digit radix sort on 16-bit digits; digits that are the same in
// every key cost no pass.
void radixSort(std::vector<std::uint32_t>& rows, std::vector<std::uint64_t>& keys) {
    const std::size_t n = rows.size();
    std::vector<std::uint32_t> counts(4 * 65536, 0);
    for (std::uint64_t k : keys)
        for (int d = 0; d < 4; ++d) ++counts[d * 65536 + ((k >> (16 * d)) & 0xffff)];
    std::vector<std::uint32_t> rows2(n);
    std::vector<std::uint64_t> keys2(n);
    for (int d = 0; d < 4; ++d) {
        std::uint32_t* count = counts.data() + d * 65536;
        if (count[(keys[0] >> (16 * d)) & 0xffff] == n) continue;  // one value: nothing to do
        std::uint32_t sum = 0;
        for (int v = 0; v < 65536; ++v) {
            const std::uint32_t c = count[v];
            count[v] = sum;
            sum += c;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t at = count[(keys[i] >> (16 * d)) & 0xffff]++;
            rows2[at] = rows[i];
            keys2[at] = keys[i];
        }
        rows.swap(rows2);
        keys.swap(keys2);
    }
}

}  // namespace

void sortByKey(std::vector<std::uint32_t>& rows, std::vector<std::uint64_t>& keys) {
    const std::size_t n = rows.size();
    if (n < 2) return;
    if (n > 4096) {
        radixSort(rows, keys);
        return;
    }
    if (n <= 32) {  // insertion sort: stable, and nothing to allocate for the many small groups
        for (std::size_t i = 1; i < n; ++i) {
            const std::uint64_t key = keys[i];
            const std::uint32_t row = rows[i];
            std::size_t j = i;
            for (; j > 0 && keys[j - 1] > key; --j) {
                keys[j] = keys[j - 1];
                rows[j] = rows[j - 1];
            }
            keys[j] = key;
            rows[j] = row;
        }
        return;
    }
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<std::uint32_t> rows2(n);
    std::vector<std::uint64_t> keys2(n);
    for (std::size_t i = 0; i < n; ++i) {
        rows2[i] = rows[order[i]];
        keys2[i] = keys[order[i]];
    }
    rows.swap(rows2);
    keys.swap(keys2);
}

namespace {

struct TextSorter {
    const TextSource& texts;
    bool descending;
    std::vector<std::uint32_t> rows;  // scratch for one group
    std::vector<std::uint64_t> keys;

    // Sorts rows [first, first + n) of `all` by their units from depth * 4 on, knowing that
    // the units before are equal.
    void sort(std::uint32_t* all, std::size_t n, std::uint32_t depth) {
        if (n < 2) return;
        const std::uint32_t from = depth * 4;
        rows.assign(all, all + n);
        keys.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t k = texts.chunk(rows[i], from);
            keys[i] = descending ? ~k : k;
        }
        sortByKey(rows, keys);
        std::copy(rows.begin(), rows.end(), all);
        // Groups of equal units: the next four units decide, or, when no text of the group
        // goes on, the length (units past the end read as 0, like a 0 unit).
        struct Group {
            std::size_t first, count;
        };
        std::vector<Group> groups;
        for (std::size_t i = 0; i < n;) {
            std::size_t j = i + 1;
            while (j < n && keys[j] == keys[i]) ++j;
            if (j - i > 1) groups.push_back({i, j - i});
            i = j;
        }
        for (const Group& g : groups) {
            std::uint32_t* part = all + g.first;
            const bool goesOn = std::any_of(part, part + g.count, [&](std::uint32_t row) {
                return texts.length(row) > from + 4;
            });
            if (goesOn) {
                sort(part, g.count, depth + 1);
            } else {
                std::stable_sort(part, part + g.count, [&](std::uint32_t a, std::uint32_t b) {
                    return descending ? texts.length(a) > texts.length(b)
                                      : texts.length(a) < texts.length(b);
                });
            }
        }
    }
};

}  // namespace

void sortByText(std::vector<std::uint32_t>& rows, const TextSource& texts, bool descending) {
    TextSorter sorter{texts, descending, {}, {}};
    sorter.sort(rows.data(), rows.size(), 0);
}

std::uint32_t rankTexts(const std::vector<QStringView>& texts, std::vector<std::uint32_t>& rank) {
    std::vector<std::uint32_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return compare(texts[a], texts[b]) < 0;
    });
    rank.assign(texts.size(), 0);
    std::uint32_t ranks = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && compare(texts[order[i - 1]], texts[order[i]]) != 0) ++ranks;
        rank[order[i]] = ranks;
    }
    return order.empty() ? 0 : ranks + 1;
}

void sortByRank(std::vector<std::uint32_t>& rows, const std::vector<std::uint32_t>& rankOfRow,
                std::uint32_t ranks, bool descending) {
    std::vector<std::uint32_t> start(std::size_t(ranks) + 1, 0);
    auto rankOf = [&](std::uint32_t row) {
        const std::uint32_t r = rankOfRow[row];
        return descending ? ranks - 1 - r : r;
    };
    for (std::uint32_t row : rows) ++start[rankOf(row) + 1];
    for (std::size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
    std::vector<std::uint32_t> sorted(rows.size());
    for (std::uint32_t row : rows) sorted[start[rankOf(row)]++] = row;
    rows.swap(sorted);
}

}  // namespace qd::ui::textorder
