#include "app/backups.h"

#include "app/inuse.h"
#include "app/outputfile.h"
#include "core/error.h"
#include "data/bookfile.h"
#include "data/connection.h"
#include "data/sqliteengine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qd {

namespace {

// "dbData-2026-03-07.mdb" (daily) or "dbData-2026-03-07-142501.mdb" (kept by a restore); the
// captured stamp sorts in time order.
QRegularExpression backupName(const QString& bookPath) {
    const QFileInfo book(bookPath);
    return QRegularExpression(QStringLiteral("^%1-(\\d{4}-\\d{2}-\\d{2}(-\\d{6})?)\\.%2$")
                                  .arg(QRegularExpression::escape(book.completeBaseName()),
                                       QRegularExpression::escape(book.suffix())));
}

struct Backup {
    QString stamp;
    QString path;
    bool daily;
};

QList<Backup> backups(const QString& bookPath) {
    const QRegularExpression pattern = backupName(bookPath);
    const QDir folder(backupFolder(bookPath));
    QList<Backup> found;
    for (const QString& name : folder.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch()) found.append({m.captured(1), folder.filePath(name), !m.hasCaptured(2)});
    }
    std::sort(found.begin(), found.end(),
              [](const Backup& a, const Backup& b) { return a.stamp > b.stamp; });
    return found;
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString staging(const QString& near, const char* what) {
    return QStringLiteral("%1.%2-%3").arg(near, QLatin1String(what)).arg(QCoreApplication::applicationPid());
}

void makeFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("The folder '%1' cannot be created.").arg(shown(folder)), 75);
}

void replaceFile(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Error(QStringLiteral("'%1' cannot be replaced: %2.")
                        .arg(shown(to), QString::fromLocal8Bit(std::strerror(errno))),
                    75);
    const int fd = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A book left by a crash in the middle of a change has its journal beside it; opening it for
// writing and reading once puts it back as it was before that change.
void recoverInterruptedChange(const QString& bookPath) {
    if (!QFile::exists(bookPath + QStringLiteral("-journal"))) return;
    try {
        data::Connection book;
        book.open(std::make_unique<data::SqliteEngine>(bookPath));
        book.engine().query(QStringLiteral("select count(*) from sqlite_master"))->next();
    } catch (const Error&) {
        // A book that cannot be opened is kept as it is, journal and all.
    }
}

}  // namespace

QString backupFolder(const QString& bookPath) {
    return QFileInfo(bookPath).absolutePath() + QStringLiteral("/backups");
}

QString dailyBackupPath(const QString& bookPath, const QDate& day) {
    const QFileInfo book(bookPath);
    return backupFolder(bookPath) + QLatin1Char('/') + book.completeBaseName() + QLatin1Char('-') +
           day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('.') + book.suffix();
}

QStringList rotateDailyBackups(const QString& bookPath) {
    QStringList removed;
    int kept = 0;
    for (const Backup& backup : backups(bookPath)) {
        if (!backup.daily || ++kept <= kDailyBackupsKept) continue;
        if (QFile::remove(backup.path)) removed << backup.path;
    }
    return removed;
}

QStringList backupsNewestFirst(const QString& bookPath) {
    QStringList paths;
    for (const Backup& backup : backups(bookPath)) paths << backup.path;
    return paths;
}

QString newestGoodBackup(const QString& bookPath) {
    for (const QString& path : backupsNewestFirst(bookPath)) {
        try {
            // Quick here; the restore itself checks the chosen copy in full.
            data::checkBookFile(path, data::PageCheckKind::Quick);
            return path;
        } catch (const Error&) {
        }
    }
    return QString();
}

void backupBookTo(const QString& bookPath, const QString& target) {
    if (!QFileInfo::exists(bookPath))
        throw Error(QStringLiteral("There is no order book at '%1'.").arg(shown(bookPath)));
    if (target != kStandardOutput && sameOutputFile(bookPath, target))
        throw Error(QStringLiteral("The copy cannot be written over the order book itself."));
    const QFileInfo final(target == kStandardOutput ? QString() : finalTarget(target));
    const bool direct = target == kStandardOutput || (final.exists() && !final.isFile());
    // A copy for a pipe or standard output is made and checked beside the book first.
    QString copy;
    if (direct) {
        makeFolder(backupFolder(bookPath));
        copy = staging(backupFolder(bookPath) + QStringLiteral("/.transfer.mdb"), "part");
    } else {
        copy = staging(final.filePath(), "new");
    }
    try {
        data::writeBackupCopyOfFile(bookPath, copy);
        data::checkBookFile(copy);
        if (direct) {
            writeOutputFile(target, [&](QIODevice& out) {
                QFile in(copy);
                if (!in.open(QIODevice::ReadOnly))
                    throw Error(QStringLiteral("'%1' cannot be read: %2").arg(shown(copy), in.errorString()));
                QByteArray chunk;
                while (!(chunk = in.read(1 << 20)).isEmpty())
                    if (out.write(chunk) != chunk.size()) break;  // the writer reports the error
            });
            QFile::remove(copy);
        } else {
            replaceFile(copy, final.filePath());
        }
    } catch (...) {
        QFile::remove(copy);
        throw;
    }
}

QString restoreBook(const QString& bookPath, const QString& source) {
    if (!QFileInfo(source).isFile())
        throw Error(QStringLiteral("There is no file '%1' to restore.").arg(shown(source)));
    if (QFileInfo::exists(bookPath) && sameOutputFile(source, bookPath))
        throw Error(QStringLiteral("'%1' is the order book itself.").arg(shown(source)));
    try {
        data::checkBookFile(source);
    } catch (const Error& e) {
        throw Error(QStringLiteral("'%1' cannot be restored. %2").arg(shown(source), e.description()));
    }
    const QList<qint64> users = otherProcessesUsing(bookPath);
    if (!users.isEmpty())
        throw Error(QStringLiteral("Quarrydesk has the order book '%1' open (process %2). Close it "
                                   "before restoring a backup.")
                        .arg(shown(bookPath))
                        .arg(users.first()));

    QString kept;
    const QString journal = bookPath + QStringLiteral("-journal");
    if (QFileInfo::exists(bookPath)) {
        recoverInterruptedChange(bookPath);
        makeFolder(backupFolder(bookPath));
        QDateTime when = QDateTime::currentDateTime();
        const QFileInfo book(bookPath);
        do {
            kept = backupFolder(bookPath) + QLatin1Char('/') + book.completeBaseName() +
                   QLatin1Char('-') + when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
                   QLatin1Char('.') + book.suffix();
            when = when.addSecs(1);
        } while (QFileInfo::exists(kept));
        // The bytes as they are, a damaged book too: whatever can still be read stays readable.
        if (!QFile::copy(bookPath, kept))
            throw Error(QStringLiteral("The order book could not be kept as '%1'.").arg(shown(kept)), 75);
        if (QFileInfo::exists(journal)) QFile::copy(journal, kept + QStringLiteral("-journal"));
    }
    const QString copy = staging(bookPath, "restoring");
    try {
        data::writeBackupCopyOfFile(source, copy);
        // A journal left beside the book belongs to the old book: it must not be played back
        // into the restored one.
        QFile::remove(journal);
        replaceFile(copy, bookPath);
    } catch (...) {
        QFile::remove(copy);
        throw;
    }
    clearStaleMarks(bookPath);
    return kept;
}

}  // namespace qd
