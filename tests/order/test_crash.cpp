// A clerk killed with SIGKILL at random moments while saving edited and new orders through the
// order editor: after every kill the book is sound and every order holds either the lines it
// had or the lines of the save that was cut, never a part of them. (bench_crash runs more.)

#include "support/crashrun.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QtTest>

class TestCrash : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

private slots:
    void killedWhileSaving() {
        const QString book = m_env.root() + QStringLiteral("/crash.mdb");
        crashrun::makeBook(book, 40);
        const int runs = qEnvironmentVariableIntValue("QD_CRASH_RUNS") > 0
                             ? qEnvironmentVariableIntValue("QD_CRASH_RUNS")
                             : 50;
        const unsigned seed = unsigned(QDateTime::currentMSecsSinceEpoch());
        const crashrun::Outcome outcome = crashrun::killClerks(
            QCoreApplication::applicationDirPath() + QStringLiteral("/qd_crashsaver"), book, runs,
            seed);
        qInfo("seed %u: %s", seed, qPrintable(crashrun::summary(outcome)));
        QVERIFY2(outcome.notes.isEmpty(), qPrintable(outcome.notes.join(u'\n')));
        QCOMPARE(outcome.runs, runs);
        QCOMPARE(outcome.pagesDamaged, 0);
        QCOMPARE(outcome.ordersCut, 0);
        QVERIFY(outcome.saves >= runs);
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "test_crash.moc"
