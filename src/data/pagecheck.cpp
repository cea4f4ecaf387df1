#include "data/pagecheck.h"

#include "core/error.h"
#include "data/sqliteengine.h"

#include <QFile>

#include <sqlite3.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace qd::data {

QStringList checkPages(sqlite3* db, PageCheckKind kind, int limit) {
    const QByteArray pragma = (kind == PageCheckKind::Quick ? QByteArrayLiteral("PRAGMA quick_check(")
                                                            : QByteArrayLiteral("PRAGMA integrity_check(")) +
                              QByteArray::number(limit) + ')';
    sqlite3_stmt* stmt = nullptr;
    QStringList findings;
    int rc = sqlite3_prepare_v2(db, pragma.constData(), -1, &stmt, nullptr);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        if ((rc = sqlite3_step(stmt)) != SQLITE_ROW) break;
        const QString row = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        // A long report comes as one row of lines.
        for (const QString& line : row.split(u'\n', Qt::SkipEmptyParts))
            if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("*** in database")))
                findings << line;
    }
    sqlite3_finalize(stmt);
    if (rc == SQLITE_INTERRUPT) throw Error(QStringLiteral("The check of the order book was stopped."));
    if (rc != SQLITE_DONE) findings << QString::fromUtf8(sqlite3_errmsg(db));
    return findings;
}

struct BackgroundPageCheck::Run {
    QString path;
    PageCheckKind kind;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool stop = false;
    sqlite3* db = nullptr;  // while the check runs, for stopping it
    QStringList findings;
    std::thread thread;
};

BackgroundPageCheck::BackgroundPageCheck(const QString& path, PageCheckKind kind, QObject* parent)
    : QObject(parent), m_run(std::make_unique<Run>()) {
    m_run->path = path;
    m_run->kind = kind;
    Run* run = m_run.get();
    m_run->thread = std::thread([this, run] {
        QStringList findings;
        sqlite3* db = nullptr;
        const QByteArray file = QFile::encodeName(run->path);
        if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            findings << QString::fromUtf8(sqlite3_errmsg(db));
        } else {
            // Another copy of the program may be saving; its lock is short.
            sqlite3_busy_timeout(db, 10000);
            bool stopped = false;
            {
                std::lock_guard lock(run->mutex);
                stopped = run->stop;
                if (!stopped) run->db = db;
            }
            if (!stopped) {
                try {
                    findings = checkPages(db, run->kind);
                } catch (const Error&) {
                    findings.clear();  // stopped: the object is going away
                }
            }
            std::lock_guard lock(run->mutex);
            run->db = nullptr;
        }
        sqlite3_close(db);
        {
            std::lock_guard lock(run->mutex);
            run->findings = findings;
            run->done = true;
        }
        run->ended.notify_all();
        // The destructor waits for this thread, so the object is still there to post to.
        QMetaObject::invokeMethod(this, &BackgroundPageCheck::finished, Qt::QueuedConnection);
    });
}

BackgroundPageCheck::~BackgroundPageCheck() {
    {
        std::lock_guard lock(m_run->mutex);
        m_run->stop = true;
        if (m_run->db) sqlite3_interrupt(m_run->db);
    }
    m_run->thread.join();
}

PageCheckKind BackgroundPageCheck::kind() const { return m_run->kind; }

bool BackgroundPageCheck::isFinished() const {
    std::lock_guard lock(m_run->mutex);
    return m_run->done;
}

QStringList BackgroundPageCheck::wait() {
    std::unique_lock lock(m_run->mutex);
    m_run->ended.wait(lock, [&] { return m_run->done; });
    return m_run->findings;
}

}  // namespace qd::data
