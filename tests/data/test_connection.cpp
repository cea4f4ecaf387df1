// Opening the order book and the ways it can fail: missing, foreign, read-only, locked.

#include "core/error.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/testenv.h"

#include <QCryptographicHash>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using qd::data::Connection;
using qd::data::Recordset;

namespace {

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString openError(const QString& path) {
    Connection db;
    try {
        db.open(fileConnectionString(path));
    } catch (const qd::Error& e) {
        return e.description();
    }
    return QString();
}

int customerCount(Connection& db) {
    Recordset rs;
    rs.open(QStringLiteral("select count(*) from Customers"), db);
    const int n = rs.field(0).toInt();
    rs.close();
    return n;
}

}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

    QString freshCopy(const QString& name) {
        const QString path = m_env.root() + QLatin1Char('/') + name;
        QFile::remove(path);
        if (!QFile::copy(TestEnvironment::templateFile(), path)) return QString();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

private slots:
    void missingFileIsNamedAndNeverCreated() {
        const QString path = m_env.root() + QStringLiteral("/nowhere/dbData.mdb");
        const QString error = openError(path);
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(!QFile::exists(path));
        QVERIFY(openError(m_env.root() + QStringLiteral("/absent.mdb")).contains("absent.mdb"));
        QVERIFY(!QFile::exists(m_env.root() + QStringLiteral("/absent.mdb")));
    }

    void foreignFilesAreRefusedUntouched_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("Orders for next week:\nmugs, cups\n");
        QTest::newRow("empty file") << QByteArray();
        QByteArray jet(4096, '\0');
        jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QTest::newRow("other desktop database") << jet;
        QTest::newRow("truncated header") << QByteArray("SQLite format 3\0", 16);
    }
    void foreignFilesAreRefusedUntouched() {
        QFETCH(QByteArray, content);
        const QString path = m_env.root() + QStringLiteral("/foreign.mdb");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        const QByteArray before = fileHash(path);
        const QString error = openError(path);
        QVERIFY2(error.contains(QLatin1String("not a Quarrydesk order book")), qPrintable(error));
        QCOMPARE(fileHash(path), before);
        QCOMPARE(QFileInfo(path).size(), qint64(content.size()));
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }

    void plainSqliteDatabaseIsRefusedUntouched() {
        const QString path = m_env.root() + QStringLiteral("/other.db");
        QFile::remove(path);
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "create table Customers (x); insert into Customers values (1);",
                     nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        const QByteArray before = fileHash(path);
        QVERIFY(openError(path).contains(QLatin1String("not a Quarrydesk order book")));
        QCOMPARE(fileHash(path), before);
    }

    void readOnlyFileRefusesWritesAndKeepsData() {
        const QString path = freshCopy(QStringLiteral("readonly.mdb"));
        {
            Connection db;
            db.open(fileConnectionString(path));
            db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Kept')"));
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const QByteArray before = fileHash(path);
        Connection db;
        db.open(fileConnectionString(path));
        QCOMPARE(customerCount(db), 1);
        try {
            db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Lost')"));
            QFAIL("a write to a read-only order book must be reported");
        } catch (const qd::Error& e) {
            QVERIFY2(e.description().contains(QLatin1String("read-only")),
                     qPrintable(e.description()));
        }
        QCOMPARE(customerCount(db), 1);
        db.close();
        QCOMPARE(fileHash(path), before);
    }

    // A folder the user cannot write: the journal cannot be made, so writes fail and are
    // reported, and what was stored before stays. Root may write anywhere, so as root the
    // check runs in a child process that has given up its privileges.
    void readOnlyFolderRefusesWritesAndKeepsData() {
        const QString folder = m_env.root() + QStringLiteral("/locked");
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/dbData.mdb");
        QFile::remove(path);
        QVERIFY(QFile::copy(TestEnvironment::templateFile(), path));
        {
            Connection db;
            db.open(fileConnectionString(path));
            db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Kept')"));
        }
        ::chmod(QFile::encodeName(m_env.root()).constData(), 0755);
        ::chmod(QFile::encodeName(path).constData(), 0666);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
        const QByteArray before = fileHash(path);

        auto check = [&]() -> int {
            Connection db;
            db.open(fileConnectionString(path));
            if (customerCount(db) != 1) return 2;
            try {
                db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Lost')"));
                return 3;  // reported as success
            } catch (const qd::Error& e) {
                if (!e.description().contains(QLatin1String("cannot be written"))) {
                    qWarning("%s", qPrintable(e.description()));
                    return 4;
                }
            }
            return customerCount(db) == 1 ? 0 : 5;
        };
        int result = -1;
        if (::geteuid() != 0) {
            result = check();
        } else {
            const pid_t child = ::fork();
            if (child == 0) {
                int code = 6;
                if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
                    try {
                        code = check();
                    } catch (...) {
                        code = 7;
                    }
                }
                ::_exit(code);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            result = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        }
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(result, 0);
        QCOMPARE(fileHash(path), before);
    }

    // While another copy of the program holds the order book, a statement waits briefly and
    // then says so; once the other copy lets go, writing works again.
    void lockedByAnotherProgram() {
        const QString path = freshCopy(QStringLiteral("locked.mdb"));
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        Connection db;
        db.open(fileConnectionString(path));
        db.setLockTimeout(100);
        try {
            db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Waiting')"));
            QFAIL("a statement on a locked order book must be reported");
        } catch (const qd::Error& e) {
            QVERIFY2(e.description().contains(QLatin1String("in use by another program")),
                     qPrintable(e.description()));
        }
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Later')"));
        QCOMPARE(customerCount(db), 1);
    }

    // Another program's commits on the same file are found by the data version and the key
    // counters: new orders, orders saved again (new lines), deleted ones (fewer orders than
    // expected); this connection's own commits are not told again. Reads kept for a window
    // are answered from memory until a change is known.
    void changesOnTheSameFile() {
        const QString path = freshCopy(QStringLiteral("watched.mdb"));
        Connection desk, other;
        desk.open(fileConnectionString(path));
        other.open(fileConnectionString(path));
        for (const char* sql : {"insert into Customers (CompanyName) values ('Acme')",
                                "insert into Orders (CustomerID) values (1)",
                                "insert into Orders (CustomerID) values (1)",
                                "insert into [Order Details] (OrderID,ProductID,Quantity) values (1,1,1)"})
            other.execute(QString::fromLatin1(sql));
        QVERIFY(desk.changesElsewhere().isEmpty());  // marks where to look from
        const QString customers = QStringLiteral("select count(*) from Customers");
        qd::data::KeptReads kept(desk, {customers});

        struct Step {
            const char* sql;
            QList<qint64> orders;
            bool removals;
        };
        const Step steps[] = {
            {"insert into Orders (CustomerID) values (1)", {3}, false},
            {"insert into [Order Details] (OrderID,ProductID,Quantity) values (2,1,5)", {2}, false},
            {"delete from Orders where OrderID=1", {}, true},
            {"insert into Customers (CompanyName) values ('Zeta')", {}, false},
        };
        for (const Step& step : steps) {
            other.execute(QString::fromLatin1(step.sql));
            const qd::data::BookChanges found = desk.changesElsewhere();
            QVERIFY2(found.any, step.sql);
            QCOMPARE(QList<qint64>(found.orders.begin(), found.orders.end()), step.orders);
            QCOMPARE(found.removals, step.removals);
            QVERIFY(desk.changesElsewhere().isEmpty());  // told once
        }
        // The kept count was read again once the change was known.
        Recordset rs;
        rs.open(customers, desk);
        QCOMPARE(rs.field(0).toInt(), 2);
        rs.close();
        desk.execute(QStringLiteral("insert into Orders (CustomerID) values (1)"));
        QVERIFY(desk.changesElsewhere().isEmpty());  // its own
        qd::data::KeptReads again(desk, {customers});
        other.execute(QStringLiteral("insert into Customers (CompanyName) values ('Mid')"));
        rs.open(customers, desk);
        QCOMPARE(rs.field(0).toInt(), 2);  // kept until a change is known
        rs.close();
        QVERIFY(!desk.changesElsewhere().isEmpty());
        rs.open(customers, desk);
        QCOMPARE(rs.field(0).toInt(), 3);
        rs.close();

        // Its own deletes are not taken for deletes elsewhere; one elsewhere beside them is.
        auto deleteOwn = [&](qint64 id) {
            desk.begin();
            desk.execute(QStringLiteral("delete from Orders where OrderID=%1").arg(id));
            desk.noteChanges(qd::data::BookChanges::deleted(id));
            desk.commit();
        };
        deleteOwn(2);
        other.execute(QStringLiteral("insert into Customers (CompanyName) values ('After')"));
        QVERIFY(!desk.changesElsewhere().removals);
        deleteOwn(3);
        other.execute(QStringLiteral("delete from Orders where OrderID=4"));
        QVERIFY(desk.changesElsewhere().removals);
    }

    // What a commit tells the other desks travels as text and comes back the same.
    void changesTravelAsText_data() {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<bool>("everything");
        QTest::addColumn<QString>("orders");
        QTest::addColumn<QString>("gone");
        QTest::newRow("orders") << "3,7" << false << "3,7" << "";
        QTest::newRow("deleted") << "-5" << false << "" << "5";
        QTest::newRow("both") << "4,-9" << false << "4" << "9";
        QTest::newRow("no order") << "~" << false << "" << "";
        QTest::newRow("everything") << "*" << true << "" << "";
        QTest::newRow("unreadable") << "3,x" << true << "" << "";
    }
    void changesTravelAsText() {
        QFETCH(QString, payload);
        QFETCH(bool, everything);
        QFETCH(QString, orders);
        QFETCH(QString, gone);
        auto sorted = [](const QSet<qint64>& ids) {
            QList<qint64> list(ids.begin(), ids.end());
            std::sort(list.begin(), list.end());
            QStringList texts;
            for (const qint64 id : list) texts << QString::number(id);
            return texts.join(u',');
        };
        const qd::data::BookChanges c = qd::data::BookChanges::fromPayload(payload.toUtf8());
        QVERIFY(c.any);
        QCOMPARE(c.everything, everything);
        QCOMPARE(sorted(c.orders), orders);
        QCOMPARE(sorted(c.gone), gone);
        const qd::data::BookChanges back = qd::data::BookChanges::fromPayload(c.payload());
        QCOMPARE(sorted(back.orders), orders);
        QCOMPARE(sorted(back.gone), gone);
        QCOMPARE(back.everything, everything);
    }

    void misuseIsReported() {
        const QString path = freshCopy(QStringLiteral("misuse.mdb"));
        Connection db;
        QCOMPARE(db.state(), Connection::Closed);
        QVERIFY_THROWS_EXCEPTION(qd::Error, db.execute(QStringLiteral("select 1")));
        QVERIFY_THROWS_EXCEPTION(qd::Error,
                                 db.open(QStringLiteral("provider=sqloledb;data source=") + path));
        db.open(fileConnectionString(path));
        QCOMPARE(db.state(), Connection::Open);
        QVERIFY_THROWS_EXCEPTION(qd::Error, db.execute(QStringLiteral("select * from Nothing")));
        Recordset rs;
        // A read-only recordset never writes.
        QVERIFY_THROWS_EXCEPTION(
            qd::Error, rs.open(QStringLiteral("delete from Customers"), db, 3, 1));
        rs.open(QStringLiteral("select * from Customers"), db, 3, 1);
        QVERIFY(rs.eof());
        QVERIFY_THROWS_EXCEPTION(qd::Error, rs.field(QStringLiteral("CompanyName")));
        QVERIFY_THROWS_EXCEPTION(qd::Error, rs.moveNext());
        rs.close();
        db.close();
        QCOMPARE(db.state(), Connection::Closed);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
