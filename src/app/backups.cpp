#include "app/backups.h"

#include "app/inuse.h"
#include "app/outputfile.h"
#include "core/error.h"
#include "data/bookfile.h"
#include "data/connection.h"
#include "files/replacefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>

#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>

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

// A file being made beside `near`, named for this process so that a copy left by a killed run
// is known as such ("book.mdb.restoring-1234"). One arg() for all: a path holding "%1" stays.
QString staging(const QString& near, const char* what) {
    return QStringLiteral("%1.%2-%3")
        .arg(near, QLatin1String(what), QString::number(QCoreApplication::applicationPid()));
}

bool processRuns(qint64 pid) {
    return pid == QCoreApplication::applicationPid() || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Removes the copies that runs killed half-way left in the folder: files whose names start
// with one of the prefixes and hold ".part-PID", ".new-PID" or ".restoring-PID", of processes
// that no longer run.
void removeLeftovers(const QString& folder, const QStringList& prefixes) {
    static const QRegularExpression staged(QStringLiteral("\\.(part|new|restoring)-(\\d+)"));
    const QDir dir(folder);
    for (const QString& file : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& p) { return file.startsWith(p); }))
            continue;
        bool stale = false;
        for (auto it = staged.globalMatch(file); it.hasNext();) {
            const qint64 pid = it.next().captured(2).toLongLong();
            if (pid > 0 && !processRuns(pid)) stale = true;
        }
        if (stale) QFile::remove(dir.filePath(file));
    }
}

void makeFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("The folder '%1' cannot be created.").arg(shown(folder)), 75);
}

void replaceFile(const QString& from, const QString& to) {
    files::Replacement how;
    how.failure = [&](const QString& reason) {
        return Error(QStringLiteral("'%1' cannot be replaced: %2").arg(shown(to), reason), 75);
    };
    files::moveIntoPlace(from, to, how);
}

// A book left by a crash in the middle of a change has its journal beside it; opening it for
// writing and reading once puts it back as it was before that change.
void recoverInterruptedChange(const QString& bookPath) {
    if (!QFile::exists(bookPath + QStringLiteral("-journal"))) return;
    try {
        data::Connection book;
        book.openFile(bookPath);
        book.engine().query(QStringLiteral("select count(*) from sqlite_master"))->next();
    } catch (const Error&) {
        // A book that cannot be opened is kept as it is, journal and all.
    }
}

}  // namespace

void removeLeftoverCopies(const QString& bookPath) {
    const QFileInfo book(bookPath);
    removeLeftovers(book.absolutePath(), {book.fileName() + u'.'});
    removeLeftovers(backupFolder(bookPath),
                    {QStringLiteral(".transfer.mdb."), book.completeBaseName() + u'-'});
}

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
    removeLeftoverCopies(bookPath);
    if (!direct) removeLeftovers(final.absolutePath(), {final.fileName() + u'.'});
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

// The bytes of a file as they are, into a new file as private as the book.
void copyBytesLike(const QString& from, const QString& to, const QString& likeFile) {
    files::Replacement how;
    how.likeFile = likeFile;
    how.failure = [&](const QString&) {
        return Error(QStringLiteral("The order book could not be kept as '%1'.").arg(shown(to)), 75);
    };
    files::replaceFile(to, [&](QFile& out) {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly)) throw how.failure(in.errorString());
        QByteArray chunk;
        while (!(chunk = in.read(1 << 20)).isEmpty())
            if (out.write(chunk) != chunk.size())
                throw Error(QStringLiteral("The order book could not be kept as '%1': %2").arg(shown(to), out.errorString()), 75);
    }, how);
}

QString restoreBook(const QString& givenPath, const QString& source) {
    // A book reached through a link is restored where the link leads; the link stays.
    const QFileInfo given(givenPath);
    const QString bookPath = given.exists() ? given.canonicalFilePath() : given.absoluteFilePath();
    if (!QFileInfo(source).isFile())
        throw Error(QStringLiteral("There is no file '%1' to restore.").arg(shown(source)));
    if (QFileInfo::exists(bookPath) && sameOutputFile(source, bookPath))
        throw Error(QStringLiteral("'%1' is the order book itself.").arg(shown(source)));
    try {
        data::checkBookFile(source);
    } catch (const Error& e) {
        throw Error(QStringLiteral("'%1' cannot be restored. %2").arg(shown(source), e.description()));
    }
    removeLeftoverCopies(bookPath);
    const QList<qint64> users = otherProcessesUsing(bookPath);
    if (!users.isEmpty())
        throw Error(QStringLiteral("Quarrydesk has the order book '%1' open (process %2). Close it "
                                   "before restoring a backup.")
                        .arg(shown(bookPath))
                        .arg(users.first()));

    QString kept;
    const QString journal = bookPath + QStringLiteral("-journal");
    const QString log = bookPath + QStringLiteral("-wal");
    std::unique_ptr<data::ExclusiveHold> hold;
    const bool existing = QFileInfo::exists(bookPath);
    if (existing) {
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
        // Held until it is replaced: no program, here or on another machine, writes into it
        // meanwhile, so its bytes are of one moment. Its log of changes was played into it
        // when the hold began; what is left of a log (or of a journal, in a book SQLite cannot
        // read) is kept beside the copy, where SQLite finds it again.
        try {
            hold = std::make_unique<data::ExclusiveHold>(bookPath);
        } catch (const Error& e) {
            if (e.number() == data::ExclusiveHold::kLocked) throw;
        }
        copyBytesLike(bookPath, kept, bookPath);
        for (const QString& beside : {journal, log})
            if (QFileInfo(beside).size() > 0)
                copyBytesLike(beside, kept + beside.mid(bookPath.size()), bookPath);
    }
    const QString copy = staging(bookPath, "restoring");
    try {
        data::writeBackupCopyOfFile(source, copy, existing ? bookPath : QString());
        // The journal and the log beside the book belong to the old book: they must not be
        // played back into the restored one.
        for (const char* beside : {"-journal", "-wal", "-shm"}) QFile::remove(bookPath + QLatin1String(beside));
        replaceFile(copy, bookPath);
    } catch (...) {
        QFile::remove(copy);
        throw;
    }
    hold.reset();
    clearStaleMarks(bookPath);
    return kept;
}

}  // namespace qd
