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

void writeBackupCopy(sqlite3* source, const QString& target) {
    const QString temp = QStringLiteral("%1.part-%2").arg(target).arg(QCoreApplication::applicationPid());
    QFile::remove(temp);
    sqlite3* copy = nullptr;
    const QByteArray tempName = QFile::encodeName(temp);
    auto discard = [&](const QString& reason) {
        sqlite3_close(copy);
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        copyError(target, reason);
    };
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

void writeBackupCopyOfFile(const QString& source, const QString& target) {
    Connection book;
    book.open(std::make_unique<SqliteEngine>(source));
    writeBackupCopy(book.sqliteHandle(), target);
}

void checkBookFile(const QString& path, PageCheckKind kind) {
    Connection book;
    book.open(std::make_unique<SqliteEngine>(path, SqliteEngine::Access::ReadOnly));
    const QString file = QDir::toNativeSeparators(path);
    const QStringList missing = missingSchema(book);  // a damaged schema throws, naming the file
    if (!missing.isEmpty())
        throw Error(QStringLiteral("The file '%1' is not a complete Quarrydesk order book: %2.")
                        .arg(file, missing.join(QStringLiteral("; "))));
    const QStringList findings = checkPages(book.sqliteHandle(), kind, 3);
    if (!findings.isEmpty())
        throw Error(QStringLiteral("The order book '%1' is damaged: %2")
                        .arg(file, findings.join(QStringLiteral("; "))));
}

}  // namespace qd::data
