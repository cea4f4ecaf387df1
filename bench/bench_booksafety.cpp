// What the safety checks of the order book cost: SQLite's page checks, the backup copy and its
// check, each against the bare SQLite C API doing the same.
//
//     bench_booksafety [N ...]      (default 100000 1000000)

#include "bench/generator.h"
#include "data/bookfile.h"
#include "data/pagecheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

namespace {

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

sqlite3* openBare(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    return db;
}

double barePragma(const QString& path, const char* pragma) {
    sqlite3* db = openBare(path);
    const double ms = timed([&] { sqlite3_exec(db, pragma, nullptr, nullptr, nullptr); });
    sqlite3_close(db);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {100000, 1000000};
    const QString blank = QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb");
    for (const int orders : sizes) {
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("dbData.mdb"));
        QFile::copy(blank, book);
        QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
        qd::bench::fillOrderBook(book, orders);
        std::printf("%d orders, %.0f MB\n", orders, QFileInfo(book).size() / 1e6);
        std::fflush(stdout);

        const double bareQuick = barePragma(book, "PRAGMA quick_check");
        const double bareFull = barePragma(book, "PRAGMA integrity_check");
        sqlite3* db = openBare(book);
        const double quick = timed([&] { qd::data::checkPages(db, qd::data::PageCheckKind::Quick); });
        const double full = timed([&] { qd::data::checkPages(db, qd::data::PageCheckKind::Full); });
        const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
        const double copyMs = timed([&] { qd::data::writeBackupCopy(db, copy); });
        sqlite3_close(db);
        const double checkCopy = timed([&] { qd::data::checkBookFile(copy); });
        std::printf("  quick_check %.0f ms (bare %.0f ms, ratio %.2f)\n", quick, bareQuick, quick / bareQuick);
        std::printf("  integrity_check %.0f ms (bare %.0f ms, ratio %.2f)\n", full, bareFull, full / bareFull);
        std::printf("  backup copy %.0f ms, its full check %.0f ms\n", copyMs, checkCopy);
        std::fflush(stdout);
    }
    return 0;
}
