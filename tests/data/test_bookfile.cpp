// What the program checks of an order book file, and the copies it makes of one: the schema
// the statements need, SQLite's check of the pages, in the background too, and copies taken
// with the online backup API while the book is in use.

#include "core/error.h"
#include "data/bookfile.h"
#include "data/connection.h"
#include "data/pagecheck.h"
#include "data/recordset.h"
#include "data/schemacheck.h"
#include "data/sqliteengine.h"
#include "data/transaction.h"
#include "support/books.h"
#include "support/testenv.h"

#include <QSignalSpy>
#include <QtTest>

#include <sqlite3.h>

using qd::data::Connection;
using qd::data::PageCheckKind;

namespace {

QStringList pageFindings(const QString& path, PageCheckKind kind) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QStringList findings = qd::data::checkPages(db, kind);
    sqlite3_close(db);
    return findings;
}

QString checkError(const QString& path) {
    try {
        qd::data::checkBookFile(path);
    } catch (const qd::Error& e) {
        return e.description();
    }
    return QString();
}

}  // namespace

class TestBookFile : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

    QString path(const char* name) const { return m_env.root() + QLatin1Char('/') + QLatin1String(name); }

private slots:
    // Everything the statements and reports use is named once; a book without one of them is
    // told precisely, the template has them all.
    void schemaCheck() {
        const QString book = path("schema.mdb");
        books::make(book, 1);
        Connection db;
        db.open(fileConnectionString(book));
        QCOMPARE(qd::data::missingSchema(db), QStringList());
        db.execute(QStringLiteral("drop view [Total Price of Orders]"));
        db.execute(QStringLiteral("alter table Employees drop column Title"));
        QCOMPARE(qd::data::missingSchema(db),
                 (QStringList{"the table [Employees] has no column Title",
                              "the saved query [Total Price of Orders] is missing"}));
        // A saved query that gives other columns than its description.
        db.execute(QStringLiteral("alter table Employees add column Title TEXT"));
        db.execute(QStringLiteral("create view [Total Price of Orders] as select CompanyName, "
                                  "CustomerID as OrderID from Customers"));
        QCOMPARE(qd::data::missingSchema(db),
                 QStringList{"the saved query [Total Price of Orders] has no column SumOfTotal Price"});
    }

    // quick_check and integrity_check find nothing in a sound book and a zeroed page in a
    // spoilt one.
    void pageChecks() {
        const QString book = path("pages.mdb");
        books::make(book, 2000);
        QCOMPARE(pageFindings(book, PageCheckKind::Quick), QStringList());
        QCOMPARE(pageFindings(book, PageCheckKind::Full), QStringList());
        books::zeroLastLinePage(book);
        const QStringList quick = pageFindings(book, PageCheckKind::Quick);
        QVERIFY(!quick.isEmpty());
        QVERIFY(quick.size() <= 10);
        QVERIFY(!pageFindings(book, PageCheckKind::Full).isEmpty());
    }

    // The background check tells the same, announces its end in the thread that started it,
    // and stops at once when dropped half-way.
    void backgroundCheck() {
        const QString book = path("background.mdb");
        books::make(book, 2000);
        {
            qd::data::BackgroundPageCheck check(book, PageCheckKind::Full);
            QSignalSpy finished(&check, &qd::data::BackgroundPageCheck::finished);
            QVERIFY(finished.wait(30000));
            QVERIFY(check.isFinished());
            QCOMPARE(check.wait(), QStringList());
        }
        books::zeroLastLinePage(book);
        {
            qd::data::BackgroundPageCheck check(book, PageCheckKind::Quick);
            QVERIFY(!check.wait().isEmpty());
        }
        for (int i = 0; i < 5; ++i) qd::data::BackgroundPageCheck(book, PageCheckKind::Full);
        qd::data::BackgroundPageCheck missing(path("none.mdb"), PageCheckKind::Quick);
        QVERIFY(!missing.wait().isEmpty());
        QVERIFY(!QFile::exists(path("none.mdb")));
    }

    // A copy taken while another connection has a change under way holds the committed state
    // only, passes every check, and replaced the file it was written over in one piece.
    void copyWhileInUse() {
        const QString book = path("busy.mdb");
        const QString copy = path("busy-copy.mdb");
        books::make(book, 50);
        QFile old(copy);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older copy");
        old.close();
        Connection writer;
        writer.open(fileConnectionString(book));
        qd::data::Transaction transaction(writer);
        writer.execute(QStringLiteral("delete from Orders"));
        Connection source;
        source.open(fileConnectionString(book));
        source.engine().writeBackupCopy(copy);
        transaction.commit();
        QCOMPARE(checkError(copy), QString());
        QCOMPARE(books::orderCount(copy), 50);
        QCOMPARE(books::orderCount(book), 0);
        const QStringList left = QDir(m_env.root()).entryList({"busy-copy.mdb*"});
        QCOMPARE(left, QStringList{"busy-copy.mdb"});

        QVERIFY_THROWS_EXCEPTION(qd::Error,
                                 qd::data::writeBackupCopyOfFile(book, path("no/such/folder/x.mdb")));
    }

    // A file to restore or a copy made is refused with what is wrong with it, and left as it
    // is.
    void checkOfAFile_data() {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<QString>("told");
        QTest::newRow("zeroed page") << "zeroed" << "is damaged";
        QTest::newRow("truncated") << "truncated" << "is damaged";
        QTest::newRow("foreign") << "foreign" << "is not a Quarrydesk order book";
        QTest::newRow("schema-less") << "schemaless" << "is not a complete Quarrydesk order book";
    }
    void checkOfAFile() {
        QFETCH(QString, spoil);
        QFETCH(QString, told);
        const QString book = path("spoilt.mdb");
        books::make(book, 2000);
        QCOMPARE(checkError(book), QString());
        if (spoil == "zeroed") books::zeroLastLinePage(book);
        if (spoil == "truncated") books::truncate(book, 0.6);
        if (spoil == "foreign") books::foreign(book);
        if (spoil == "schemaless") books::schemaless(book);
        const QByteArray before = books::fileHash(book);
        const QString error = checkError(book);
        QVERIFY2(error.contains(told) && error.contains(book), qPrintable(error));
        QCOMPARE(books::fileHash(book), before);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestBookFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_bookfile.moc"
