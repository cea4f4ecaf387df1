#pragma once

// Copies and checks of order book files (local SQLite books only; a book on a server has the
// server's own backups).

#include "data/pagecheck.h"

#include <QString>

struct sqlite3;

namespace qd::data {

// A consistent copy of a book file that is not open here (the program may have it open
// elsewhere): readers go on meanwhile and a writer waits until the copy is taken. The copy
// replaces `target` as files::replaceFile does, only when complete. It is as private as
// `likeFile` (its mode and, where the user may, its group; the source's file when none is
// given), from the moment it exists. Throws qd::Error naming target.
void writeBackupCopyOfFile(const QString& source, const QString& target,
                           const QString& likeFile = QString());

// The book held with SQLite's own exclusive lock, so that no program anywhere (another
// machine on a shared folder too) writes into it while it is replaced; released when the hold
// ends. A log of changes beside the book is played into it first, as far as readers let it;
// its bytes then stay as they are until the hold ends. Throws qd::Error when the book stays
// locked by another program (number kLocked), or when SQLite cannot read it.
class ExclusiveHold {
public:
    static constexpr long kLocked = 5;  // the error number when another program holds it
    explicit ExclusiveHold(const QString& bookPath);
    ~ExclusiveHold();
    ExclusiveHold(const ExclusiveHold&) = delete;
    ExclusiveHold& operator=(const ExclusiveHold&) = delete;

private:
    sqlite3* m_db = nullptr;
};

// Checks a book file that nobody writes (a copy, a file to restore): an order book's header,
// every table, column and saved query the program needs, and every page (and, with the full
// check, every index). Throws qd::Error saying what is wrong with the file; changes nothing.
void checkBookFile(const QString& path, PageCheckKind kind = PageCheckKind::Full);

}  // namespace qd::data
