#pragma once

// The order in which the lists sort texts, and the sorts that put a list's rows in that order
// fast. The rule: letter case ignored (each UTF-16 unit case-folded), then unit by unit, a
// text that is the start of another before it. Sorts are stable: rows whose texts are equal
// under the rule keep their stored order, ascending or descending.

#include <QStringView>

#include <cstdint>
#include <vector>

namespace qd::ui::textorder {

char16_t fold(char16_t unit);

// Negative, zero or positive as a sorts before, with or after b.
int compare(QStringView a, QStringView b);

// Four folded units of a text from position `from`, packed so that comparing two such numbers
// compares the units (the first in the high bits); units past the end count as 0.
std::uint64_t chunk(QStringView text, std::uint32_t from);

// Orders rows stably by one number each (keys[i] belongs to rows[i]); both are reordered.
void sortByKey(std::vector<std::uint32_t>& rows, std::vector<std::uint64_t>& keys);

// The texts of the rows being sorted, as sortByText reads them.
class TextSource {
public:
    virtual ~TextSource() = default;
    virtual std::uint64_t chunk(std::uint32_t row, std::uint32_t from) const = 0;
    virtual std::uint32_t length(std::uint32_t row) const = 0;  // in UTF-16 units
};

// Orders rows stably by their texts, four units at a time (a radix sort on the texts' starts,
// then on the next four units within each group of equal starts), with no comparison of whole
// texts and no pass that looks for duplicates: for columns whose texts all differ.
void sortByText(std::vector<std::uint32_t>& rows, const TextSource& texts, bool descending);

// The rank of each of a few distinct texts: equal under the rule share a rank, ranks count
// from 0 in sort order. Returns the number of ranks.
std::uint32_t rankTexts(const std::vector<QStringView>& texts, std::vector<std::uint32_t>& rank);

// Orders rows stably by a rank each (rankOfRow indexed by row), in one counting pass.
void sortByRank(std::vector<std::uint32_t>& rows, const std::vector<std::uint32_t>& rankOfRow,
                std::uint32_t ranks, bool descending);

}  // namespace qd::ui::textorder
