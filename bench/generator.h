#pragma once

#include <QString>

namespace qd::bench {

// Fills an order book (a copy of the empty template) with `orders` orders of one to three
// lines each over a few hundred customers, a few dozen employees and products, with
// realistic names and dates. The same seed gives the same book.
void fillOrderBook(const QString& path, int orders, unsigned seed = 1);

// Resident memory of this process in bytes.
long long residentBytes();

}  // namespace qd::bench
