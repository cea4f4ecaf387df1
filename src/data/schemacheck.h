#pragma once

// What the program needs of an order book: its tables with the columns the statements use, and
// the saved queries with the columns the reports bind. Kept here once, for the check that runs
// when a book is opened and when a copy of one is taken or restored.

#include <QString>
#include <QStringList>

#include <vector>

namespace qd::data {

class Connection;

struct RequiredRelation {
    QString name;         // as the statements write it, without brackets
    QStringList columns;  // letter case as the statements write them
};

const std::vector<RequiredRelation>& requiredTables();
const std::vector<RequiredRelation>& requiredQueries();

// What the open book lacks, one clause each ("the table [Orders] has no column ShipDate"), or
// the one clause "it holds none of the tables and saved queries of one" when nothing is there;
// empty when everything is. Reads only the schema, never a row, on any engine.
QStringList missingSchema(Connection& connection);

}  // namespace qd::data
