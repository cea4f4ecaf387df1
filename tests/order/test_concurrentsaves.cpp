// Two desktops saving new orders on one book at the same time, a file or a server database:
// every order gets exactly its own lines, however the saves interleave.

#include "app/book.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/testenv.h"
#include "support/testserver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

class TestConcurrentSaves : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    TestServer m_server;

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
    }

    void twoDesktopsSaveAtOnce_data() {
        QTest::addColumn<bool>("server");
        QTest::newRow("file") << false;
        QTest::newRow("server") << true;
    }
    void twoDesktopsSaveAtOnce() {
        QFETCH(bool, server);
        const int saves = 200;
        QString db;
        if (server) {
            db = m_server.newDatabase();
            qd::data::initServerBook(db);
        } else {
            m_env.provideWorkingFile();
            db = m_env.workingFile();
        }
        const QString connection = qd::bookConnectionString(qd::parseBookLocation(db));
        {
            qd::data::Connection book;
            book.open(connection);
            book.execute("insert into Customers (CompanyName) values ('Acme')");
            book.execute("insert into Employees (FirstName,LastName) values ('Ann','Vos')");
            book.execute("insert into [Shipping Methods] (ShippingMethod) values ('Air')");
            book.execute("insert into Products (ProductName,UnitPrice) values ('Widget',12.5)");
        }
        QElapsedTimer timer;
        timer.start();
        QProcess desktops[2];
        const char* tags[2] = {"A", "B"};
        for (int d = 0; d < 2; ++d)
            desktops[d].start(QCoreApplication::applicationDirPath() + "/qd_saver",
                              {db, tags[d], QString::number(saves)});
        for (QProcess& p : desktops) {
            QVERIFY(p.waitForFinished(600000));
            const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
            qInfo("%s", qPrintable(out));
            QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                     qPrintable(out + QString::fromUtf8(p.readAllStandardError())));
        }
        const qint64 elapsed = timer.elapsed();

        // Every order's lines are its own: PO TAG-n holds quantities n and 1000 + n, nothing else.
        qd::data::Connection book;
        book.open(connection);
        qd::data::Recordset rs;
        rs.open("select PurchaseOrderNumber, Quantity from Orders inner join [Order Details] on "
                "[Order Details].OrderID = Orders.OrderID order by Orders.OrderID, Quantity", book);
        QHash<QString, QList<int>> quantities;
        int lines = 0;
        for (; !rs.eof(); rs.moveNext(), ++lines)
            quantities[rs.field("PurchaseOrderNumber").toString()] << rs.field("Quantity").toInt();
        rs.close();
        int wrong = 0;
        for (const char* tag : tags)
            for (int n = 1; n <= saves; ++n)
                if (quantities.value(QStringLiteral("%1-%2").arg(tag).arg(n)) != QList<int>{n, 1000 + n})
                    ++wrong;
        rs.open("select count(*) from Orders", book);
        const int orders = rs.field(0).toInt();
        qInfo("%d orders and %d lines saved by two desktops at once in %lld ms; %d orders with "
              "lines not their own", orders, lines, elapsed, wrong);
        QCOMPARE(orders, 2 * saves);
        QCOMPARE(lines, 4 * saves);
        QCOMPARE(wrong, 0);
    }
};

QTEST_GUILESS_MAIN(TestConcurrentSaves)
#include "test_concurrentsaves.moc"
