// What the care of the order book costs at start-up and at the first change of the day, on the
// real main window (offscreen): the window's load with the checks started, the time until
// SQLite's check of the pages has ended (quick_check, or integrity_check after a run that did
// not close the book), the first change with the daily backup, each against SQLite's C API
// doing the same work alone.
//
//     bench_booksafety [N ...]      (default 100000 1000000)

#include "app/appconnection.h"
#include "app/booksession.h"
#include "app/folders.h"
#include "bench/generator.h"
#include "ui/main/form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

namespace {

double since(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e6; }

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return since(timer);
}

// SQLite alone: a pragma on a fresh read-only handle.
double barePragma(const QString& path, const char* pragma) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const double ms = timed([&] { sqlite3_exec(db, pragma, nullptr, nullptr, nullptr); });
    sqlite3_close(db);
    return ms;
}

// SQLite alone: the online backup API copying the book in one step.
double bareBackup(const QString& path, const QString& target) {
    sqlite3 *db = nullptr, *copy = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_open(QFile::encodeName(target).constData(), &copy);
    const double ms = timed([&] {
        sqlite3_backup* b = sqlite3_backup_init(copy, "main", db, "main");
        sqlite3_backup_step(b, -1);
        sqlite3_backup_finish(b);
    });
    sqlite3_close(copy);
    sqlite3_close(db);
    QFile::remove(target);
    return ms;
}

struct Start {
    double load = 0;     // Form_Load: what keeps the window from showing
    double checked = 0;  // from the start of the load until the page check has ended
};

Start startUp(bool* everyIndex) {
    Start start;
    qd::ui::Form1 form;
    form.setEndsProgramOnUnload(false);
    QElapsedTimer timer;
    timer.start();
    form.Form_Load();
    start.load = since(timer);
    form.show();
    qd::AppBookSession()->waitForChecks();
    start.checked = since(timer);
    *everyIndex = qd::AppBookSession()->checksEveryIndex();
    form.close();
    return start;
}

// A mark as a killed run leaves it: of a process that no longer runs.
void leaveUncleanMark(const QString& book) {
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ended.waitForStarted();
    const qint64 pid = ended.processId();
    ended.waitForFinished();
    QFile mark(QFileInfo(book).absolutePath() + QStringLiteral("/.dbData.mdb.in-use.") +
               QString::number(pid));
    mark.open(QIODevice::WriteOnly);
    mark.write(QCoreApplication::applicationFilePath().toUtf8());
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {100000, 1000000};

    const QString folder = qd::DataFolder();
    const QString book = folder + QStringLiteral("/dbData.mdb");
    for (const int orders : sizes) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb"), book);
        QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
        qd::bench::fillOrderBook(book, orders);
        std::printf("%d orders, %.0f MB (ms)\n", orders, QFileInfo(book).size() / 1e6);

        const double bareQuick = barePragma(book, "PRAGMA quick_check");
        const double bareFull = barePragma(book, "PRAGMA integrity_check");
        const double bareCopy = bareBackup(book, home.filePath(QStringLiteral("bare.mdb")));

        bool everyIndex = false;
        const Start clean = startUp(&everyIndex);
        std::printf("  clean start: window load %.0f; quick_check ended %.0f after the load began "
                    "(SQLite alone: %.0f, ratio %.2f)%s\n",
                    clean.load, clean.checked, bareQuick, clean.checked / bareQuick,
                    everyIndex ? " [full check ran!]" : "");

        leaveUncleanMark(book);
        const Start unclean = startUp(&everyIndex);
        std::printf("  after an unclean end: window load %.0f; integrity_check ended %.0f after "
                    "the load began (SQLite alone: %.0f, ratio %.2f)%s\n",
                    unclean.load, unclean.checked, bareFull, unclean.checked / bareFull,
                    everyIndex ? "" : " [quick check ran!]");

        // The first change of the day, right after the start: it waits for the check, then
        // the book is copied; the copy's own check runs in the background.
        qd::ui::Form1 form;
        form.setEndsProgramOnUnload(false);
        form.Form_Load();
        const double firstWrite = timed([] {
            qd::AppConnection().execute(QStringLiteral("insert into Customers (CompanyName) values ('x')"));
        });
        const double copyChecked = timed([] { qd::AppBookSession()->waitForChecks(); });
        const double laterWrite = timed([] {
            qd::AppConnection().execute(QStringLiteral("insert into Customers (CompanyName) values ('y')"));
        });
        form.close();
        std::printf("  first change right after the start: %.0f (the page check left, then the "
                    "backup copy; the copy alone with SQLite: %.0f); its copy checked in the "
                    "background within %.0f more; the next change %.1f\n",
                    firstWrite, bareCopy, copyChecked, laterWrite);
        std::fflush(stdout);
    }
    return 0;
}
