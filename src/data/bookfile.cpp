#include "data/bookfile.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/pagecheck.h"
#include "data/schemacheck.h"
#include "data/sqliteengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qd::data {

namespace {

[[noreturn]] void copyError(const QString& target, const QString& reason) {
    throw Error(QStringLiteral("The copy '%1' of the order book could not be made: %2")
                    .arg(QDir::toNativeSeparators(target), reason),
                75);
}

// A rename is on disk only once its folder is.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void createLike(const QString& path, const QString& likeFile) {
    struct stat like {};
    const bool known =
        !likeFile.isEmpty() && ::stat(QFile::encodeName(likeFile).constData(), &like) == 0;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          known ? (like.st_mode & 0666) : 0666);
    if (fd < 0)
        throw Error(QStringLiteral("'%1' cannot be made: %2.")
                        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))),
                    75);
    if (known) {
        // Exactly the book's mode, whatever the umask; its group where the user may give it.
        [[maybe_unused]] const int owned = ::fchown(fd, uid_t(-1), like.st_gid);
        ::fchmod(fd, like.st_mode & 0666);
    }
    ::close(fd);
}

void writeBackupCopy(sqlite3* source, const QString& target, const QString& likeFile) {
    // One arg() for all: a path holding "%1" stays as it is.
    const QString temp = QStringLiteral("%1.part-%2").arg(target, QString::number(QCoreApplication::applicationPid()));
    QFile::remove(temp);
    sqlite3* copy = nullptr;
    const QByteArray tempName = QFile::encodeName(temp);
    auto discard = [&](const QString& reason) {
        sqlite3_close(copy);
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        copyError(target, reason);
    };
    try {
        const char* own = sqlite3_db_filename(source, "main");
        createLike(temp, likeFile.isEmpty() && own ? QString::fromLocal8Bit(own) : likeFile);
    } catch (const Error& e) {
        copyError(target, e.description());
    }
    if (sqlite3_open_v2(tempName.constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        discard(QString::fromUtf8(sqlite3_errmsg(copy)));
    // Every page written is on disk before the copy counts as made.
    sqlite3_exec(copy, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", source, "main");
    if (!backup) discard(QString::fromUtf8(sqlite3_errmsg(copy)));
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
        discard(why);
    }
    if (sqlite3_close(copy) != SQLITE_OK) discard(QString::fromUtf8(sqlite3_errmsg(copy)));
    copy = nullptr;
    if (std::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0)
        discard(QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char('.'));
    syncFolder(QFileInfo(target).absolutePath());
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
