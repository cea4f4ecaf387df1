// quarrydesk --backup FILE and --restore FILE, run as a user or a nightly job runs them: the
// real program, the user's order book, no display.

#include "data/bookfile.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/books.h"
#include "support/programrun.h"
#include "support/testenv.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {

using Run = ProgramRun;

}  // namespace

class TestBackupCli : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;

    Run quarrydesk(const QStringList& args) { return runQuarrydesk(m_env->root(), args, 60000); }
    QString file(const char* name) const { return m_env->root() + QLatin1Char('/') + QLatin1String(name); }
    QString book() const { return m_env->workingFile(); }

public:
    explicit TestBackupCli(TestEnvironment* env) : m_env(env) {}

private slots:
    void init() {
        m_env->reset();
        QDir().mkpath(m_env->dataFolder());
        books::make(book(), 12);
    }

    // A copy taken while the program has the book open and is in the middle of a change: the
    // committed orders, checked; the book itself unchanged by the copy.
    void backupWhileOpen() {
        qd::data::Connection program;
        program.open(fileConnectionString(book()));
        program.begin();
        program.execute(QStringLiteral("delete from Orders where OrderID > 2"));
        const Run run = quarrydesk({"--backup", file("copy.mdb")});
        program.commit();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty() || !run.err.contains("quarrydesk:"), qPrintable(run.err));
        qd::data::checkBookFile(file("copy.mdb"));
        QCOMPARE(books::orderCount(file("copy.mdb")), 12);
        QCOMPARE(books::orderCount(book()), 2);
    }

    // "-" sends the checked copy to standard output, byte for byte an order book.
    void backupToStandardOutput() {
        const Run run = quarrydesk({"--backup=-"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.bytes.startsWith(QByteArray("SQLite format 3\0", 16)));
        QFile copy(file("piped.mdb"));
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(run.bytes);
        copy.close();
        qd::data::checkBookFile(file("piped.mdb"));
        QCOMPARE(books::orderCount(file("piped.mdb")), 12);
        QVERIFY(QDir(m_env->dataFolder() + "/backups").entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // A restore keeps the book as a dated backup and puts the copy in its place; a damaged
    // copy is refused and the book left as it was.
    void restore() {
        books::make(file("good.mdb"), 3);
        books::make(file("bad.mdb"), 2000);
        books::zeroLastLinePage(file("bad.mdb"));
        const QByteArray current = books::fileHash(book());

        const Run refused = quarrydesk({"--restore", file("bad.mdb")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("cannot be restored") && refused.err.contains("damaged"),
                 qPrintable(refused.err));
        QCOMPARE(books::fileHash(book()), current);

        const Run run = quarrydesk({"--restore", file("good.mdb")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(books::orderCount(book()), 3);
        const QStringList kept = QDir(m_env->dataFolder() + "/backups").entryList({"dbData-*.mdb"});
        QCOMPARE(kept.size(), 1);
        QVERIFY2(run.err.contains(kept.first()), qPrintable(run.err));
        QCOMPARE(books::fileHash(m_env->dataFolder() + "/backups/" + kept.first()), current);
    }

    void wrongArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList{"--backup"};
        QTest::newRow("empty") << QStringList{"--restore="};
        QTest::newRow("two files") << QStringList{"--backup", "a.mdb", "b.mdb"};
    }
    void wrongArguments() {
        QFETCH(QStringList, args);
        const Run run = quarrydesk(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("needs one FILE"), qPrintable(run.err));
        QVERIFY(!QFile::exists(file("a.mdb")));
    }

    void help() {
        const Run run = quarrydesk({"--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("--backup FILE") && run.out.contains("--restore FILE"));
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QCoreApplication app(argc, argv);
    TestBackupCli test(&env);
    return QTest::qExec(&test, argc, argv);
}

#include "test_backupcli.moc"
