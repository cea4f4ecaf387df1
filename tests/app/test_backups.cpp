// The care of the order book while the program has it open (app/booksession.h) and its
// backups: the daily copy before the first write, the rotation, the restore, the marks of a
// run that ended without closing the book, and books refused or found damaged.

#include "app/backups.h"
#include "app/booksession.h"
#include "app/folders.h"
#include "app/inuse.h"
#include "core/error.h"
#include "data/bookfile.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/books.h"
#include "support/testenv.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using qd::BookSession;
using qd::data::Connection;

namespace {

QString errorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const qd::Error& e) {
        return e.description();
    }
    return QString();
}

// A process number that no process has: one that just ended.
qint64 endedProcess() {
    QProcess p;
    p.start(QStringLiteral("true"), {});
    p.waitForStarted();
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

void touch(const QString& path, const QByteArray& content = QByteArray()) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

}  // namespace

class TestBackups : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;

    QString book() const { return m_env->workingFile(); }
    QString backups() const { return m_env->dataFolder() + QStringLiteral("/backups"); }
    QString markOf(qint64 pid) const {
        return m_env->dataFolder() + QStringLiteral("/.dbData.mdb.in-use.") + QString::number(pid);
    }

public:
    explicit TestBackups(TestEnvironment* env) : m_env(env) {}

private slots:
    void init() {
        m_env->reset();
        QDir().mkpath(m_env->dataFolder());
        books::make(book(), 3);
    }

    // The first write of the day copies the book as it was into backups/dbData-<today>.mdb,
    // checked; later writes that day copy nothing.
    void dailyBackupBeforeTheFirstWrite() {
        Connection db;
        BookSession session(db, qd::ConnectionString());
        QSignalSpy failed(&session, &BookSession::backupFailed);
        QVERIFY(session.problem().isEmpty());
        const QString today = qd::dailyBackupPath(book(), QDate::currentDate());
        QCOMPARE(today, backups() + QStringLiteral("/dbData-") +
                            QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(".mdb"));
        QVERIFY(!QFile::exists(today));
        db.execute(QStringLiteral("delete from Orders where OrderID=1"));
        QVERIFY(QFile::exists(today));
        session.waitForChecks();
        QCOMPARE(failed.count(), 0);
        QCOMPARE(books::orderCount(today), 3);
        const QByteArray first = books::fileHash(today);
        db.execute(QStringLiteral("delete from Orders where OrderID=2"));
        QCOMPARE(books::fileHash(today), first);
        QCOMPARE(QDir(backups()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(today).fileName()});
    }

    // Without a place for the copy the write still happens; the failure is told once.
    void backupThatCannotBeMade() {
        touch(backups());  // a file where the folder should be
        Connection db;
        BookSession session(db, qd::ConnectionString());
        QSignalSpy failed(&session, &BookSession::backupFailed);
        db.execute(QStringLiteral("delete from Orders where OrderID=1"));
        db.execute(QStringLiteral("delete from Orders where OrderID=2"));
        QCOMPARE(failed.count(), 1);
        QVERIFY2(failed[0][0].toString().contains("could not be made"),
                 qPrintable(failed[0][0].toString()));
        QCOMPARE(books::count(db, QStringLiteral("Orders")), 1);
    }

    // The newest 14 daily copies stay; copies kept by a restore and other files are left.
    void rotation() {
        QDir().mkpath(backups());
        QStringList made;
        for (int day = 0; day < 20; ++day)
            made << qd::dailyBackupPath(book(), QDate(2026, 2, 20).addDays(day));
        for (const QString& path : made) touch(path);
        touch(backups() + QStringLiteral("/dbData-2026-01-01-101500.mdb"));
        touch(backups() + QStringLiteral("/notes.txt"));
        const QStringList removed = qd::rotateDailyBackups(book());
        QCOMPARE(removed, (QStringList{made[5], made[4], made[3], made[2], made[1], made[0]}));
        QStringList expected;
        for (int i = 19; i >= 6; --i) expected << made[i];
        expected << backups() + QStringLiteral("/dbData-2026-01-01-101500.mdb");
        QCOMPARE(qd::backupsNewestFirst(book()), expected);
        QVERIFY(QFile::exists(backups() + QStringLiteral("/notes.txt")));
    }

    // A restore checks the copy, keeps the book as it was among the backups, and puts the copy
    // in its place; the newest backup that passes its check is the one offered.
    void restore() {
        QDir().mkpath(backups());
        const QString good = qd::dailyBackupPath(book(), QDate(2026, 3, 1));
        const QString damaged = qd::dailyBackupPath(book(), QDate(2026, 3, 2));
        books::make(good, 40);
        books::make(damaged, 2000);
        books::zeroLastLinePage(damaged);
        QCOMPARE(qd::newestGoodBackup(book()), good);

        const QByteArray current = books::fileHash(book());
        const QByteArray source = books::fileHash(good);
        const QString refused = errorOf([&] { qd::restoreBook(book(), damaged); });
        QVERIFY2(refused.contains("cannot be restored") && refused.contains("damaged"),
                 qPrintable(refused));
        QCOMPARE(books::fileHash(book()), current);

        // A journal left by a crash belongs to the replaced book, never to the restored one.
        touch(book() + QStringLiteral("-journal"), QByteArray(4096, 'j'));
        const QString kept = qd::restoreBook(book(), good);
        QVERIFY2(QFileInfo(kept).fileName().startsWith("dbData-" + QDate::currentDate().toString(Qt::ISODate) + "-"),
                 qPrintable(kept));
        QCOMPARE(QFileInfo(kept).absolutePath(), backups());
        QCOMPARE(books::fileHash(kept), current);
        QVERIFY(!QFile::exists(book() + QStringLiteral("-journal")));
        QCOMPARE(books::orderCount(book()), 40);
        QCOMPARE(books::fileHash(good), source);
        QCOMPARE(qd::backupsNewestFirst(book()).first(), kept);
        QVERIFY(errorOf([&] { qd::data::checkBookFile(book()); }).isEmpty());
    }

    // While another running copy of the program has the book open, it is not replaced.
    void restoreRefusedWhileInUse() {
        const QString copy = m_env->root() + QStringLiteral("/copy.mdb");
        books::make(copy, 5);
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(other.processId())).canonicalFilePath();
        touch(markOf(other.processId()), program.toUtf8());
        const QByteArray before = books::fileHash(book());
        const QString error = errorOf([&] { qd::restoreBook(book(), copy); });
        other.kill();
        other.waitForFinished();
        QVERIFY2(error.contains("Close it before restoring"), qPrintable(error));
        QCOMPARE(books::fileHash(book()), before);
        // Once that copy is gone, its mark no longer counts.
        QCOMPARE(qd::otherProcessesUsing(book()), QList<qint64>());
        QVERIFY(errorOf([&] { qd::restoreBook(book(), copy); }).isEmpty());
        QVERIFY(!QFile::exists(markOf(other.processId())));
    }

    // A run that ended without closing the book leaves its mark: the next session checks every
    // index and, the book being sound, clears the old mark. A clean end leaves none.
    void uncleanEndChecksEverything() {
        {
            Connection db;
            BookSession session(db, qd::ConnectionString());
            QVERIFY(!session.checksEveryIndex());
            QVERIFY(QFile::exists(markOf(QCoreApplication::applicationPid())));
        }
        QVERIFY(!QFile::exists(markOf(QCoreApplication::applicationPid())));
        const qint64 gone = endedProcess();
        touch(markOf(gone), "/usr/bin/quarrydesk");
        Connection db;
        BookSession session(db, qd::ConnectionString());
        QVERIFY(session.checksEveryIndex());
        session.waitForChecks();
        QVERIFY(session.problem().isEmpty());
        QVERIFY(!QFile::exists(markOf(gone)));
    }

    // A file that is no complete order book is not opened: an empty stand-in answers the
    // reads, every write is refused with the one message, and the file stays as it was.
    void refusedBook_data() {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<QString>("told");
        QTest::newRow("foreign") << "foreign" << "is not a Quarrydesk order book";
        QTest::newRow("schema-less") << "schemaless" << "is not a complete Quarrydesk order book";
    }
    void refusedBook() {
        QFETCH(QString, spoil);
        QFETCH(QString, told);
        if (spoil == "foreign") books::foreign(book());
        if (spoil == "schemaless") books::schemaless(book());
        const QByteArray before = books::fileHash(book());
        qd::setApplicationPath(QCoreApplication::applicationDirPath());
        Connection db;
        BookSession session(db, qd::ConnectionString());
        QVERIFY(session.refused());
        QVERIFY2(session.problem().contains(told) && session.problem().contains(book()) &&
                     session.problem().contains("restore a backup"),
                 qPrintable(session.problem()));
        QCOMPARE(books::count(db, QStringLiteral("Orders")), 0);
        const QString refusal =
            errorOf([&] { db.execute(QStringLiteral("insert into Customers (CompanyName) values ('x')")); });
        QCOMPARE(refusal, session.problem());
        QCOMPARE(books::fileHash(book()), before);
        QVERIFY(!QDir(backups()).exists());
    }

    // Damage found by the background check is announced once; the book stays readable, takes
    // no write and is not copied as a backup.
    void damagedBook() {
        books::make(book(), 2000);
        books::zeroLastLinePage(book());
        const QByteArray before = books::fileHash(book());
        Connection db;
        BookSession session(db, qd::ConnectionString());
        QSignalSpy damage(&session, &BookSession::damageFound);
        QVERIFY(session.problem().isEmpty());
        QCOMPARE(books::count(db, QStringLiteral("Orders")), 2000);
        session.waitForChecks();
        QCOMPARE(damage.count(), 1);
        QVERIFY2(session.problem().contains("is damaged") && session.problem().contains(book()),
                 qPrintable(session.problem()));
        QCOMPARE(errorOf([&] { db.execute(QStringLiteral("delete from Orders")); }), session.problem());
        session.waitForChecks();
        QCOMPARE(damage.count(), 1);
        QCOMPARE(books::fileHash(book()), before);
        QVERIFY(!QDir(backups()).exists());
    }

    // The first write waits for the check and is refused when it finds damage.
    void firstWriteWaitsForTheCheck() {
        books::make(book(), 2000);
        books::zeroLastLinePage(book());
        Connection db;
        BookSession session(db, qd::ConnectionString());
        QVERIFY(!errorOf([&] { db.execute(QStringLiteral("delete from Orders")); }).isEmpty());
        QVERIFY(session.problem().contains("is damaged"));
        QCOMPARE(books::count(db, QStringLiteral("Orders")), 2000);
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QCoreApplication app(argc, argv);
    TestBackups test(&env);
    return QTest::qExec(&test, argc, argv);
}

#include "test_backups.moc"
