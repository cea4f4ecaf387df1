// The crash test at length: a clerk saving edited and new orders through the order editor is
// killed with SIGKILL at random moments, and the book is looked at after each kill.
//
//     bench_crash [RUNS [SEED]]      (default 1000 runs)

#include "support/crashrun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

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
    return outcome.notes.isEmpty() && outcome.pagesDamaged == 0 && outcome.ordersCut == 0 ? 0 : 1;
}
