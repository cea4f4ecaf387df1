#pragma once

// Whether an open book holds what the program needs of an order book: every table with every
// column, and every saved query with the columns its description gives, all as described once
// in orderbook.schema (data/schema.h). Run when a book is opened and when a copy of one is
// checked.

#include <QStringList>

namespace qd::data {

class Connection;

// What the open book lacks, one clause each ("the table [Orders] has no column ShipDate"), or
// the one clause "it holds none of the tables and saved queries of one" when nothing is there;
// empty when everything is. Reads only the schema, never a row, on any engine. A damaged file
// throws the engine's error instead.
QStringList missingSchema(Connection& connection);

}  // namespace qd::data
