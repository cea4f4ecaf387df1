// The book's care at its edges, each as a user meets it: a restore while the book is open under
// another name, a book with a log of changes beside it, copies as private as the book, copies
// left by killed runs, a folder that takes no file, and the small ones (a pipe named as the
// book, a restore through a link, a "%1" in a path, a scheduled job's quiet output).

#include "app/backups.h"
#include "app/booksession.h"
#include "core/error.h"
#include "data/bookfile.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/transaction.h"
#include "support/books.h"
#include "support/programrun.h"
#include "support/testenv.h"

#include <QDir>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A process number that no process has any more.
qint64 deadProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("left behind");
}

}  // namespace

class TestBookEdges : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;

    ProgramRun quarrydesk(const QStringList& args) { return runQuarrydesk(m_env->root(), args, 60000); }
    QString file(const QString& name) const { return m_env->root() + QLatin1Char('/') + name; }
    QString book() const { return m_env->workingFile(); }

public:
    explicit TestBookEdges(TestEnvironment* env) : m_env(env) {}

private slots:
    void init() {
        m_env->reset();
        QDir().mkpath(m_env->dataFolder());
        books::make(book(), 3);
        books::make(file("other.mdb"), 7);
        ::umask(022);
    }

    // A running copy that opened the book through a link, a linked folder or its real path is
    // seen whatever path the restore is given: the restore is refused and the book untouched.
    void restoreSeesTheBookOpenUnderAnotherName_data() {
        QTest::addColumn<QString>("opened");    // how the running copy names the book
        QTest::addColumn<QString>("restored");  // how the restore names it
        QTest::newRow("link, real path") << "link.mdb" << "real";
        QTest::newRow("real path, link") << "real" << "link.mdb";
        QTest::newRow("linked folder, real path") << "folder/dbData.mdb" << "real";
        QTest::newRow("real path, linked folder") << "real" << "folder/dbData.mdb";
    }
    void restoreSeesTheBookOpenUnderAnotherName() {
        QFETCH(QString, opened);
        QFETCH(QString, restored);
        QFile::remove(file("link.mdb"));
        QFile::remove(file("folder"));
        QVERIFY(QFile::link(book(), file("link.mdb")));
        QVERIFY(QFile::link(m_env->dataFolder(), file("folder")));
        auto path = [&](const QString& name) { return name == QLatin1String("real") ? book() : file(name); };
        const QByteArray before = books::fileHash(book());
        {
            qd::data::Connection program;
            qd::BookSession session(program, fileConnectionString(path(opened)));
            const ProgramRun run = quarrydesk({"--book", path(restored), "--restore", file("other.mdb")});
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("Close it before restoring a backup"), qPrintable(run.err));
        }
        QCOMPARE(books::fileHash(book()), before);
        QVERIFY(QFileInfo(file("link.mdb")).isSymLink());
    }

    // A program whose book was replaced under it all the same (a hard link restored, another
    // machine) stores nothing into the file nobody reads any more, and says so.
    void writesIntoAReplacedBookAreRefused() {
        qd::data::Connection program;  // opened with no mark beside the book
        program.open(fileConnectionString(book()));
        QCOMPARE(quarrydesk({"--restore", file("other.mdb")}).exitCode, 0);
        try {
            qd::data::Transaction t(program);
            program.execute(QStringLiteral("insert into Customers (CompanyName) values ('Lost')"));
            t.commit();
            QFAIL("a write into the replaced book was taken");
        } catch (const qd::Error& e) {
            QVERIFY2(e.description().contains("was replaced"), qPrintable(e.description()));
            QCOMPARE(e.kind(), qd::Error::Kind::Refused);
        }
        QCOMPARE(books::orderCount(book()), 7);
    }

    // A book with a log of changes beside it (write-ahead mode, which a stray "-wal" file is
    // enough for): an order that lives only in the log is in every copy, in the book kept by
    // a restore too, and the old log does not stay beside the restored book.
    void anOrderOnlyInTheLog() {
        // The log is made by SQLite in write-ahead mode and taken while it is still open, so
        // that the order is in the log alone; the book's header then says "no log", as in a
        // book that found a stray log beside it.
        const QString logged = file("logged.mdb");
        books::make(logged, 3);
        {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(logged).constData(), &db), SQLITE_OK);
            sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
            int persist = 1;
            sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
            QCOMPARE(sqlite3_exec(db, "PRAGMA wal_autocheckpoint=0; insert into Orders (CustomerID,"
                                      "EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,"
                                      "ShippingMethodID,SalesTaxRate) values (1,1,'2026-12-09','in "
                                      "the log','2026-12-09',1,0)", nullptr, nullptr, nullptr), SQLITE_OK);
            QVERIFY(QFile::copy(logged + "-wal", book() + "-wal"));
            QFile::remove(book());
            QVERIFY(QFile::copy(logged, book()));
            sqlite3_close(db);
        }
        {
            QFile header(book());
            QVERIFY(header.open(QIODevice::ReadWrite));
            header.seek(18);
            header.write("\x01\x01", 2);
        }
        QFile::setPermissions(book(), QFile::ReadOwner | QFile::WriteOwner);
        const QString inLog = QStringLiteral("select count(*) from Orders where PurchaseOrderNumber='in the log'");
        QCOMPARE(books::single(book(), inLog).toInt(), 1);

        QCOMPARE(quarrydesk({"--backup", file("copy.mdb")}).exitCode, 0);
        QCOMPARE(books::single(file("copy.mdb"), inLog).toInt(), 1);

        const ProgramRun run = quarrydesk({"--restore", file("other.mdb")});
        QCOMPARE(run.exitCode, 0);
        const QStringList kept = qd::backupsNewestFirst(book());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(books::single(kept.first(), inLog).toInt(), 1);
        QVERIFY(!QFile::exists(book() + "-wal"));
        QVERIFY(!QFile::exists(book() + "-shm"));
        QCOMPARE(books::orderCount(book()), 7);
    }

    // Every copy made from a book of mode 0600 is 0600 too, whatever the umask: the daily
    // backup, --backup FILE, the book kept by a restore and the restored book itself.
    void copiesAreAsPrivateAsTheBook() {
        QCOMPARE(modeOf(book()), 0600);
        {
            qd::data::Connection program;
            qd::BookSession session(program, fileConnectionString(book()));
            session.waitForChecks();
            qd::data::Transaction t(program);  // the first change of the day makes the backup
            program.execute(QStringLiteral("insert into Customers (CompanyName) values ('Zeta')"));
            t.commit();
            session.waitForChecks();
        }
        QCOMPARE(modeOf(qd::dailyBackupPath(book(), QDate::currentDate())), 0600);
        QCOMPARE(quarrydesk({"--backup", file("copy.mdb")}).exitCode, 0);
        QCOMPARE(modeOf(file("copy.mdb")), 0600);
        ::chmod(QFile::encodeName(file("other.mdb")).constData(), 0644);
        QCOMPARE(quarrydesk({"--restore", file("other.mdb")}).exitCode, 0);
        QCOMPARE(modeOf(book()), 0600);
        for (const QString& backup : qd::backupsNewestFirst(book())) QCOMPARE(modeOf(backup), 0600);
        QCOMPARE(books::orderCount(book()), 7);
    }

    // Copies left by runs killed half-way are removed by the next command on the book (and at
    // the next start); those of a run still going are left alone.
    void leftoversOfKilledRunsGo() {
        const QString dead = QString::number(deadProcess());
        const QString alive = QString::number(QCoreApplication::applicationPid());
        const QString backups = qd::backupFolder(book());
        QDir().mkpath(backups);
        const QStringList gone{file("copy.mdb.new-" + dead), file("copy.mdb.new-" + dead + ".part-" + dead),
                               backups + "/.transfer.mdb.part-" + dead,
                               book() + ".restoring-" + dead + ".part-" + dead,
                               backups + "/dbData-2026-12-01.mdb.part-" + dead};
        const QStringList stay{file("copy.mdb.new-" + alive), book() + ".restoring-" + alive,
                               file("unrelated.part-" + dead)};
        for (const QString& f : gone + stay) touch(f);
        QCOMPARE(quarrydesk({"--backup", file("copy.mdb")}).exitCode, 0);
        for (const QString& f : gone) QVERIFY2(!QFile::exists(f), qPrintable(f));
        for (const QString& f : stay) QVERIFY2(QFile::exists(f), qPrintable(f));

        touch(book() + ".restoring-" + dead);
        {
            qd::data::Connection program;
            qd::BookSession session(program, fileConnectionString(book()));
        }
        QVERIFY(!QFile::exists(book() + ".restoring-" + dead));
    }

    // A book whose folder takes no file: the first change says the one true thing (the book
    // cannot be written), not that a backup failed while the change was saved. Root may write
    // anywhere, so as root this runs in a child that has given up its rights.
    void folderThatTakesNoFile() {
        const QString folder = file("locked");
        QDir().mkpath(folder);
        const QString path = folder + "/dbData.mdb";
        books::make(path, 1);
        ::chmod(QFile::encodeName(m_env->root()).constData(), 0755);
        ::chmod(QFile::encodeName(path).constData(), 0666);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
        auto firstChange = [&]() -> int {
            qd::data::Connection program;
            qd::BookSession session(program, fileConnectionString(path));
            session.waitForChecks();
            int backupMessages = 0;
            QObject::connect(&session, &qd::BookSession::backupFailed, [&] { ++backupMessages; });
            try {
                qd::data::Transaction t(program);
                program.execute(QStringLiteral("insert into Customers (CompanyName) values ('x')"));
                t.commit();
                return 3;
            } catch (const qd::Error& e) {
                if (!e.description().contains("cannot be written") || e.kind() != qd::Error::Kind::Refused) return 4;
            }
            return backupMessages == 0 ? 0 : 5;
        };
        int result = -1;
        if (::geteuid() != 0) {
            result = firstChange();
        } else {
            const pid_t child = ::fork();
            if (child == 0) ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? firstChange() : 6);
            int status = 0;
            ::waitpid(child, &status, 0);
            result = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        }
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(result, 0);
    }

    // The small ones: a pipe named as the book is refused at once (no wait for a writer); a
    // restore through a link restores where it leads and keeps the link; a path with "%1" in
    // it is taken as written; a scheduled job's output is only what it did.
    void smallOnes() {
        const QString pipe = file("pipe.mdb");
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        ProgramRun run = runQuarrydesk(m_env->root(), {"--book", pipe, "--report", "Total Price of Orders", "--csv", "-"}, 20000);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("no regular file"), qPrintable(run.err));

        QFile::remove(file("link.mdb"));
        QVERIFY(QFile::link(book(), file("link.mdb")));
        QCOMPARE(quarrydesk({"--book", file("link.mdb"), "--restore", file("other.mdb")}).exitCode, 0);
        QVERIFY(QFileInfo(file("link.mdb")).isSymLink());
        QCOMPARE(books::orderCount(book()), 7);

        QDir().mkpath(file("%1 %2"));
        run = quarrydesk({"--backup", file("%1 %2/copy %1.mdb")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(books::orderCount(file("%1 %2/copy %1.mdb")), 7);
        QVERIFY2(!run.err.contains("QStandardPaths"), qPrintable(run.err));
        QVERIFY(QDir(file("%1 %2")).entryList(QDir::Files | QDir::Hidden).size() == 1);
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;
    qunsetenv("XDG_RUNTIME_DIR");  // as a scheduled job has it
    QCoreApplication app(argc, argv);
    TestBookEdges test(&environment);
    return QTest::qExec(&test, argc, argv);
}
#include "test_bookedges.moc"
