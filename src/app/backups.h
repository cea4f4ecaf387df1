#pragma once

// Backups of a local order book, kept in the folder "backups" beside it:
//  - a daily copy "dbData-YYYY-MM-DD.mdb", made before the first change of each day the
//    program has the book open; the newest 14 daily copies are kept;
//  - "dbData-YYYY-MM-DD-hhmmss.mdb", the book as it was when a restore replaced it, kept until
//    the user removes it.
// Every copy is made with SQLite's online backup API and checked.

#include <QDate>
#include <QString>
#include <QStringList>

namespace qd {

constexpr int kDailyBackupsKept = 14;

QString backupFolder(const QString& bookPath);

// Removes what runs of the program killed half-way through a copy left beside the book and in
// its backups folder (staging copies named for a process that no longer runs).
void removeLeftoverCopies(const QString& bookPath);
QString dailyBackupPath(const QString& bookPath, const QDate& day);

// Removes the daily copies beyond the newest kDailyBackupsKept; returns the removed paths.
QStringList rotateDailyBackups(const QString& bookPath);

// Every backup of the book, daily and kept ones, newest first.
QStringList backupsNewestFirst(const QString& bookPath);

// The newest backup that passes the full check (data::checkBookFile); empty when none does.
QString newestGoodBackup(const QString& bookPath);

// Writes a checked, consistent copy of the book to target, also while the program has it
// open. The target follows the rules of writeOutputFile ("-" is standard output, a link's
// target is written, a regular file is replaced only by a complete, checked copy).
void backupBookTo(const QString& bookPath, const QString& target);

// Puts the copy at source in the book's place: source is checked first; the book, as it is,
// is kept as "dbData-YYYY-MM-DD-hhmmss.mdb" among the backups; then the copy replaces it in
// one step. Refused while another running copy of the program has the book open. Returns the
// path the replaced book was kept under (empty when there was no book). Throws qd::Error.
QString restoreBook(const QString& bookPath, const QString& source);

}  // namespace qd
