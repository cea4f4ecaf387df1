#pragma once

#include <QString>

struct sqlite3;

namespace qd::data::jet {

// Rewrites a statement of the desktop engine's dialect into one SQLite accepts:
// #mm/dd/yyyy[ hh:mm[:ss]]# date literals become ISO text; binary + between two operands known
// to be text (quoted literals, text columns of the schema, joins of those) becomes ||, and any
// other binary + a call of qd_add, which joins texts and adds numbers; First or Last of a
// table's integer key over the whole table is answered through the key. Quoted text and
// bracketed names pass unchanged. Throws qd::Error for a malformed date literal.
QString translate(const QString& statement);

// Registers the dialect's functions on a handle: CDate, Val, First, Last and qd_add.
void registerFunctions(sqlite3* db);

// The ISO text a date is stored as: "yyyy-MM-dd", with " hh:mm:ss" when it has a time.
QString isoDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace qd::data::jet
