#pragma once

#include <QString>

namespace qd::data {

class Schema;

namespace pg {

// Rewrites a statement of the program's dialect into one PostgreSQL accepts, as jet::translate
// does for SQLite:
// - names of the order book ([Order Details], eMPLOYEES, orders) become quoted names in their
//   canonical letter case, and names given with AS keep the case they are written in, so that
//   columns come back named as from the file;
// - #mm/dd/yyyy# and CDate('regional date') become ISO date text, Val('text') its leading
//   number (both read here, with the user's regional settings, as the file's engine does);
// - + joins texts or adds numbers by the one rule of both engines (jet::decidePluses);
// - First(x) and Last(x) take x from the row with the lowest or highest key of its table (the
//   oldest and newest row), which for the key itself is min or max;
// - ORDER BY a text column ignores letter case, as the file's NOCASE columns do;
// - "text" in double quotes is quoted text, as in the program's dialect.
// Throws qd::Error for what the server cannot be given (a malformed date, CDate or Val of
// anything but quoted text, First or Last without their table).
QString translate(const QString& statement, const Schema& schema);

}  // namespace pg
}  // namespace qd::data
