#include "data/bookfile.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/pagecheck.h"
#include "data/schemacheck.h"
#include "data/sqliteengine.h"
#include "files/replacefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

namespace qd::data {

namespace {

Error copyError(const QString& target, const QString& reason) {
    return Error(QStringLiteral("The copy '%1' of the order book could not be made: %2")
                     .arg(QDir::toNativeSeparators(target), reason),
                 75);
}

// Copies the book open on `source` into the empty file `part`, every page on disk.
void backUpInto(sqlite3* source, const QString& part, const QString& target) {
    sqlite3* copy = nullptr;
    auto fail = [&](const QString& reason) {
        sqlite3_close(copy);
        throw copyError(target, reason);
    };
    if (sqlite3_open_v2(QFile::encodeName(part).constData(), &copy,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(copy)));
    // Every page written is on disk before the copy counts as made.
    sqlite3_exec(copy, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", source, "main");
    if (!backup) fail(QString::fromUtf8(sqlite3_errmsg(copy)));
    // All pages in one step: the copy is of one moment. A writer elsewhere holding its lock
    // makes the step wait and try again, for a while.
    int rc = SQLITE_OK;
    for (int attempt = 0; attempt < 200; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        QThread::msleep(50);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        const QString why = rc == SQLITE_BUSY || rc == SQLITE_LOCKED
                                ? QStringLiteral("the order book stayed locked by another program.")
                                : QString::fromUtf8(sqlite3_errstr(rc)) + QLatin1Char('.');
        fail(why);
    }
    if (sqlite3_close(copy) != SQLITE_OK) fail(QString::fromUtf8(sqlite3_errmsg(copy)));
}

}  // namespace

void writeBackupCopy(sqlite3* source, const QString& target, const QString& likeFile) {
    const char* own = sqlite3_db_filename(source, "main");
    files::Replacement how;
    how.likeFile = likeFile.isEmpty() && own ? QString::fromLocal8Bit(own) : likeFile;
    how.failure = [&](const QString& reason) { return copyError(target, reason); };
    files::replaceFile(target, [&](QFile& part) { backUpInto(source, part.fileName(), target); }, how);
}

void writeBackupCopyOfFile(const QString& source, const QString& target, const QString& likeFile) {
    Connection book;
    book.openFile(source);
    book.engine().writeBackupCopy(target, likeFile.isEmpty() ? source : likeFile);
}

ExclusiveHold::ExclusiveHold(const QString& bookPath) {
    const QByteArray name = QFile::encodeName(bookPath);
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error(QStringLiteral("The order book '%1' cannot be opened: %2.")
                        .arg(QDir::toNativeSeparators(bookPath), why));
    }
    // A log of changes beside the book stays where it is when the hold ends: it may by then
    // belong to the book that took this one's place.
    int persist = 1;
    sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    sqlite3_busy_timeout(m_db, Connection::kDefaultLockTimeoutMs);
    // A log of changes is played into the book first, so that the book's own file holds it all.
    sqlite3_exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    // The lock is taken by the first read: a damaged or foreign file shows here too.
    int rc = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        const bool locked = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
        throw Error(locked ? QStringLiteral("The order book '%1' is in use by another program and "
                                            "stayed locked (%2); close it there and try again.")
                                 .arg(QDir::toNativeSeparators(bookPath), why)
                           : QStringLiteral("The order book '%1' cannot be read: %2.")
                                 .arg(QDir::toNativeSeparators(bookPath), why),
                    locked ? kLocked : rc);
    }
}

ExclusiveHold::~ExclusiveHold() {
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

void checkBookFile(const QString& path, PageCheckKind kind) {
    Connection book;
    book.openFile(path, FileAccess::ReadOnly);
    const QString file = QDir::toNativeSeparators(path);
    const QStringList missing = missingSchema(book);  // a damaged schema throws, naming the file
    if (!missing.isEmpty())
        throw Error(QStringLiteral("The file '%1' is not a complete Quarrydesk order book: %2.")
                        .arg(file, missing.join(QStringLiteral("; "))));
    const QStringList findings = book.engine().checkPages(kind, 3);
    if (!findings.isEmpty())
        throw Error(QStringLiteral("The order book '%1' is damaged: %2")
                        .arg(file, findings.join(QStringLiteral("; "))));
}

}  // namespace qd::data
