// The crash test at length: a clerk saving edited and new orders through the order editor is
// killed with SIGKILL at random moments, and the book is looked at after each kill; then the
// real program's --backup and --restore are killed the same way, and after each kill the book
// must be whole (the old one or the restored one, never a mix) and the next command must
// leave no half-made copy behind.
//
//     bench_crash [RUNS [SEED]]      (default 1000 runs; a tenth as many --backup and
//                                     --restore runs, each)

#include "support/crashrun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

// Half-made copies in a folder tree: staging files of --backup and --restore.
int leftovers(const QString& folder) {
    int found = 0;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (f.isDir()) {
            found += leftovers(f.filePath());
            continue;
        }
        const QString name = f.fileName();
        if (name.contains(QLatin1String(".part-")) || name.contains(QLatin1String(".new-")) ||
            name.contains(QLatin1String(".restoring-")))
            ++found;
    }
    return found;
}

// Kills `runs` --backup and as many --restore runs of the real program at random moments.
void killCommands(const QString& folder, const QString& book, int runs, unsigned seed) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quarrydesk");
    const QString source = folder + QStringLiteral("/source.mdb");
    crashrun::makeBook(source, 41);
    std::mt19937 random(seed);
    for (const char* command : {"--backup", "--restore"}) {
        int killed = 0, leftBehind = 0, notWhole = 0, stillLeft = 0, mixed = 0;
        for (int run = 0; run < runs; ++run) {
            const int before = books::orderCount(book);
            QProcess p;
            p.start(program, {QStringLiteral("--book"), book, QLatin1String(command),
                              QLatin1String(command) == QLatin1String("--backup")
                                  ? folder + QStringLiteral("/copy.mdb") : source});
            p.waitForStarted();
            // A whole run takes some 40 ms here: most kills land in its middle.
            QThread::usleep(random() % 45000);
            ::kill(pid_t(p.processId()), SIGKILL);
            p.waitForFinished();
            if (p.exitStatus() == QProcess::CrashExit) ++killed;
            if (leftovers(folder) > 0) ++leftBehind;
            // As the next start or command finds the book: whole, the old one or the copy.
            qd::data::Connection db;
            db.open(fileConnectionString(book));
            if (!db.engine().checkPages(qd::data::PageCheckKind::Full).isEmpty() ||
                crashrun::cutOrders(db, nullptr) > 0)
                ++notWhole;
            db.close();
            const int after = books::orderCount(book);
            if (after != before && after != 41) ++mixed;
            QProcess next;
            next.start(program, {QStringLiteral("--book"), book, QStringLiteral("--backup"),
                                 folder + QStringLiteral("/copy.mdb")});
            next.waitForFinished();
            if (leftovers(folder) > 0) ++stillLeft;
            if (run % 2) crashrun::makeBook(book, 40);  // a book the restores change again
        }
        std::printf("%s: %d runs, %d killed before they ended; half-made copies after a kill: %d runs, after the "
                    "next command: %d; book not whole: %d; neither the old book nor the copy: %d\n",
                    command, runs, killed, leftBehind, stillLeft, notWhole, mixed);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    const unsigned seed = argc > 2 ? QString::fromLocal8Bit(argv[2]).toUInt()
                                   : unsigned(QDateTime::currentMSecsSinceEpoch());
    QTemporaryDir dir;
    // The clerk's settings and backups stay in the throwaway folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    const QString book = dir.filePath(QStringLiteral("crash.mdb"));
    crashrun::makeBook(book, 40);
    QElapsedTimer timer;
    timer.start();
    const crashrun::Outcome outcome = crashrun::killClerks(
        QCoreApplication::applicationDirPath() + QStringLiteral("/qd_crashsaver"), book, runs, seed);
    std::printf("seed %u, %.0f s: %s\n", seed, timer.elapsed() / 1000.0,
                qPrintable(crashrun::summary(outcome)));
    for (const QString& note : outcome.notes) std::printf("  %s\n", qPrintable(note));
    killCommands(dir.path(), book, std::max(1, runs / 10), seed);
    return outcome.notes.isEmpty() && outcome.pagesDamaged == 0 && outcome.ordersCut == 0 ? 0 : 1;
}
