#pragma once

#include <QString>

#include <vector>

namespace qd::data {

class Connection;

// Makes the order book's tables and saved queries, from the one description, in an empty
// PostgreSQL database. A database that holds any table or view already is refused unchanged.
void initServerBook(const QString& conninfo);

struct CopiedTable {
    QString table;
    long long rows;
};

// Copies every row of every table of one order book into another that holds no rows yet, in
// one transaction of the target, keeping every key; the target's key counters end past the
// highest key, so new rows never take a copied number. Either engine on either side.
std::vector<CopiedTable> copyBook(Connection& from, Connection& to);

}  // namespace qd::data
