#pragma once

#include <QString>

struct sqlite3;

namespace qd::data::jet {

// Rewrites a statement of the desktop engine's dialect into one SQLite accepts:
// #mm/dd/yyyy[ hh:mm[:ss]]# date literals become ISO text; binary + joins texts with || or
// adds numbers, by the one rule of both engines (jet::decidePluses in data/jettokens.h); First
// or Last of a table's integer key over the whole table is answered through the key. Quoted
// text and bracketed names pass unchanged. Throws qd::Error for a malformed date literal and
// for + between a text and a number.
QString translate(const QString& statement);

// Registers the dialect's functions on a handle: CDate, Val, First and Last.
void registerFunctions(sqlite3* db);

// The ISO text a date is stored as: "yyyy-MM-dd", with " hh:mm:ss" when it has a time.
QString isoDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace qd::data::jet
