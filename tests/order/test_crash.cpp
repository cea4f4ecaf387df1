// A clerk killed with SIGKILL at random moments while saving edited and new orders through the
// order editor: after every kill the book is sound and every order holds either the lines it
// had or the lines of the save that was cut, never a part of them. (bench_crash runs more.)
//
// QD_CRASH_SEED sets the seed of the kill moments and the clerks' choices (it is printed, and
// told with any failure); the moments themselves still fall as the machine runs the clerk.

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
        bool given = false;
        const unsigned seed = qEnvironmentVariable("QD_CRASH_SEED").toUInt(&given);
        const unsigned used = given ? seed : unsigned(QDateTime::currentMSecsSinceEpoch());
        const crashrun::Outcome outcome = crashrun::killClerks(
            QCoreApplication::applicationDirPath() + QStringLiteral("/qd_crashsaver"), book, runs,
            used);
        const QString run = QStringLiteral("QD_CRASH_SEED=%1: %2").arg(used).arg(crashrun::summary(outcome));
        qInfo("%s", qPrintable(run));
        QVERIFY2(outcome.notes.isEmpty(), qPrintable(run + u'\n' + outcome.notes.join(u'\n')));
        QVERIFY2(outcome.runs == runs, qPrintable(run));
        QVERIFY2(outcome.pagesDamaged == 0, qPrintable(run));
        QVERIFY2(outcome.ordersCut == 0, qPrintable(run));
        QVERIFY2(outcome.saves >= runs, qPrintable(run));
        // Kills that all fell between saves would prove nothing of a cut save.
        QVERIFY2(outcome.killedInAWrite > 0, qPrintable(run));
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "test_crash.moc"
