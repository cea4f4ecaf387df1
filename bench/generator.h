#pragma once

#include <QString>

#include <algorithm>
#include <vector>

namespace qd::bench {

// Fills an order book (a copy of the empty template) with `orders` orders of one to three
// lines each over a few hundred customers, a few dozen employees and products, with
// realistic names and dates. The same seed gives the same book.
void fillOrderBook(const QString& path, int orders, unsigned seed = 1);

// One figure measured several times over: the machine is shared, so benchmarks give the
// minimum, the median and the maximum of the runs.
struct Figure {
    std::vector<double> runs;
    double min() const { return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end()); }
    double max() const { return runs.empty() ? 0 : *std::max_element(runs.begin(), runs.end()); }
    double median() const {
        if (runs.empty()) return 0;
        std::vector<double> s = runs;
        std::sort(s.begin(), s.end());
        return s.size() % 2 ? s[s.size() / 2] : (s[s.size() / 2 - 1] + s[s.size() / 2]) / 2;
    }
};

// "min / median / max" of a figure.
QString cell(const Figure& f, int decimals = 0);

// Ours against the bare thing, "min / median": the ratio of the minimums and of the medians
// (maximums on a shared machine say more about the machine than about the ratio).
QString ratio(const Figure& ours, const Figure& bare, int decimals = 2);

// Resident memory of this process in bytes.
long long residentBytes();

}  // namespace qd::bench
