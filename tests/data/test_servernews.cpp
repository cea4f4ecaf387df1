// What one desk commits on a server book, the others are told (NOTIFY in the committing
// transaction): the orders it names, the deleted ones, everything when it names none, and
// nothing of what it rolled back. A desk is not told its own commits again.

#include "app/book.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "data/transaction.h"
#include "support/testserver.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

using qd::data::BookChanges;
using qd::data::Connection;

class TestServerNews : public QObject {
    Q_OBJECT
    TestServer m_server;
    QString m_db;

    // What the watching desk is told within a while (the notice travels on its own).
    static BookChanges told(Connection& desk, int waitMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        BookChanges news;
        while (clock.elapsed() < waitMs) {
            news.merge(desk.changesElsewhere());
            if (!news.isEmpty()) {
                QThread::msleep(50);  // whatever else belongs to it
                news.merge(desk.changesElsewhere());
                return news;
            }
            QThread::msleep(20);
        }
        return news;
    }
    static QList<qint64> sorted(const QSet<qint64>& ids) {
        QList<qint64> list(ids.begin(), ids.end());
        std::sort(list.begin(), list.end());
        return list;
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        m_db = m_server.newDatabase();
        qd::data::initServerBook(m_db);
    }

    void othersAreTold() {
        const QString book = qd::bookConnectionString(qd::parseBookLocation(m_db));
        Connection desk, other;
        desk.open(book);
        other.open(book);
        QVERIFY(desk.changesElsewhere().isEmpty());

        // A statement on its own names no order: everything.
        other.execute("insert into Orders (CustomerID) values (1)");
        BookChanges news = told(desk);
        QVERIFY(news.everything);

        // A save names its order; a delete its deleted one.
        {
            qd::data::Transaction t(other);
            other.execute("update Orders set CustomerID=2 where OrderID=1");
            other.noteChanges(BookChanges::order(1));
            t.commit();
        }
        news = told(desk);
        QVERIFY(!news.everything);
        QCOMPARE(sorted(news.orders), QList<qint64>{1});
        {
            qd::data::Transaction t(other);
            other.execute("delete from Orders where OrderID=1");
            other.noteChanges(BookChanges::deleted(1));
            t.commit();
        }
        news = told(desk);
        QCOMPARE(sorted(news.gone), QList<qint64>{1});
        QVERIFY(news.orders.isEmpty());

        // A lookup added: no order's row changed.
        other.execute("insert into Customers (CompanyName) values ('Acme')");
        news = told(desk);
        QVERIFY(news.any && news.namesNoOrder() && !news.everything);

        // Rolled back: nothing to tell. Its own commits: not told back to the desk.
        {
            qd::data::Transaction t(other);
            other.execute("insert into Orders (CustomerID) values (3)");
            other.noteChanges(BookChanges::order(99));
        }
        desk.execute("insert into Orders (CustomerID) values (4)");
        QVERIFY(!told(other).isEmpty());  // the desk's commit, told to the other by now
        QVERIFY(told(desk, 500).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServerNews)
#include "test_servernews.moc"
