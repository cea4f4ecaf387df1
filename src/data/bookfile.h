#pragma once

// Copies and checks of order book files (local SQLite books only; a book on a server has the
// server's own backups).

#include "data/pagecheck.h"

#include <QString>

struct sqlite3;

namespace qd::data {

// A consistent copy of the book open on `source`, made with SQLite's online backup API:
// readers go on meanwhile and a writer waits until the copy is taken. The copy is written to
// a temporary file beside `target`, is on disk, and replaces `target` only when complete.
// Throws qd::Error naming target.
void writeBackupCopy(sqlite3* source, const QString& target);
// The same for a book file that is not open here (the program may have it open elsewhere).
void writeBackupCopyOfFile(const QString& source, const QString& target);

// Checks a book file that nobody writes (a copy, a file to restore): an order book's header,
// every table, column and saved query the program needs, and every page (and, with the full
// check, every index). Throws qd::Error saying what is wrong with the file; changes nothing.
void checkBookFile(const QString& path, PageCheckKind kind = PageCheckKind::Full);

}  // namespace qd::data
