// Orders out of a book and into another as comma-separated data, on book files and on a
// server: the round trip keeps every value and every report, a row that cannot be read stores
// nothing and is named with its line, a dry run stores nothing, files of another shape are
// refused with one message.

#include "core/error.h"
#include "data/connection.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "support/testenv.h"
#include "support/testserver.h"
#include "transfer/orderfile.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QtTest>

#include <memory>
#include <random>

using qd::data::Connection;
using qd::transfer::ImportSummary;

namespace {

// Names a spreadsheet or a CSV reader gets wrong first.
const QStringList kHostile{
    QStringLiteral("Quote \"Q\" Co"),     QStringLiteral("Comma, Inc"),
    QStringLiteral("Line\nBreak Ltd"),    QStringLiteral("CR\r\nLF Ltd"),
    QStringLiteral("=1+2"),               QStringLiteral("-minus"),
    QStringLiteral("@at"),                QStringLiteral("'=quoted formula"),
    QStringLiteral("''two"),              QStringLiteral("'plain"),
    QStringLiteral("Emoji \U0001F600 Shop"), QStringLiteral("\u200F\u05E9\u05DC\u05D5\u05DD RTL"),
    QStringLiteral("Tab\tName"),          QStringLiteral("Acme"),
    QStringLiteral("Acme")};  // twice: two customers of one name

QString quoted(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

int count(Connection& db, const QString& table) {
    qd::data::Recordset rs;
    rs.open(QStringLiteral("select count(*) from ") + table, db);
    return rs.field(0).toInt();
}

// The size of every table, to see that nothing was stored.
QList<int> sizes(Connection& db) {
    QList<int> n;
    for (const char* t : {"Orders", "[Order Details]", "Customers", "Employees", "[Shipping Methods]", "Products"})
        n << count(db, QLatin1String(t));
    return n;
}

// A book of `orders` generated orders: hostile names, prices to four decimals, fractional
// quantities, no or some discount and tax, dates with a time of day, missing ship dates,
// orders without lines, and references to a customer and a product deleted since.
void generate(Connection& db, int orders, unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    db.begin();
    for (const QString& name : kHostile)
        db.execute(QStringLiteral("insert into Customers (CompanyName) values (%1)").arg(quoted(name)));
    db.execute("insert into Employees (FirstName,LastName) values ('Mary Ann','Lee')");
    db.execute("insert into Employees (FirstName,LastName) values ('Solo',Null)");
    db.execute(QStringLiteral("insert into Employees (FirstName,LastName) values (%1,'O''Hara')").arg(quoted(kHostile[0])));
    db.execute("insert into [Shipping Methods] (ShippingMethod) values ('Air, express')");
    db.execute("insert into [Shipping Methods] (ShippingMethod) values ('+Sea')");
    for (int p = 0; p < 6; ++p)
        db.execute(QStringLiteral("insert into Products (ProductName,UnitPrice) values (%1,%2)")
                       .arg(quoted(kHostile[p * 2 % kHostile.size()] + QString::number(p)))
                       .arg(QString::number(pick(1000000) / 10000.0, 'f', 4)));
    const char* rates[] = {"0.0825", "0", "Null", "-0.07"};
    const char* discounts[] = {"0", "0.125", "Null", "1"};
    for (int o = 1; o <= orders; ++o) {
        db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,"
                                  "ShipDate,ShippingMethodID,SalesTaxRate) values (%1,%2,%3,%4,%5,%6,%7)")
                       .arg(1 + pick(int(kHostile.size())))
                       .arg(1 + pick(3))
                       .arg(pick(2) ? QStringLiteral("#12/31/2025 23:59:00#") : QStringLiteral("#03/07/2026#"))
                       .arg(pick(3) ? quoted(kHostile[pick(int(kHostile.size()))]) : QStringLiteral("Null"))
                       .arg(pick(3) ? QStringLiteral("#01/02/2026#") : QStringLiteral("Null"))
                       .arg(1 + pick(2))
                       .arg(QLatin1String(rates[pick(4)])));
        for (int lines = pick(4); lines > 0; --lines)
            db.execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,"
                                      "Discount) values (%1,%2,%3,%4,%5)")
                           .arg(o)
                           .arg(1 + pick(6))
                           .arg(pick(3) ? QString::number(1 + pick(50)) : QStringLiteral("2.5"))
                           .arg(QString::number(pick(10000000) / 10000.0, 'f', 4))
                           .arg(QLatin1String(discounts[pick(4)])));
    }
    db.execute("delete from Customers where CustomerID=2");
    db.execute("delete from Products where ProductID=6");
    db.commit();
}

QByteArray exported(Connection& db) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    qd::transfer::writeOrders(db, out);
    return out.data();
}

ImportSummary imported(Connection& db, const QByteArray& bytes, bool dryRun = false) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    return qd::transfer::readOrders(db, in, dryRun);
}

// The rows of a file without their order numbers (the first field, never quoted).
QList<QByteArray> withoutNumbers(const QByteArray& file) {
    QList<QByteArray> rows;
    for (const QByteArray& line : file.split('\n')) rows << line.mid(line.indexOf(',') + 1);
    return rows;
}

QByteArray reportCsv(Connection& db, const QString& entry) {
    const qd::reports::ReportKind* kind = qd::reports::findReportKind(entry);
    qd::data::Recordset rs;
    rs.open(kind->statement, db);
    qd::reports::ReportDocument document(kind->create(), rs);
    return qd::reports::csvText(document);
}

const QByteArray kHeading =
    "Order,Customer,Employee,Order Date,Ship Date,PO Number,Shipping Method,Sales Tax Rate,"
    "Product,Quantity,Unit Price,Discount\r\n";

}  // namespace

class TestTransfer : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;
    TestServer m_server;
    int m_files = 0;

    // A new, empty book: a file, or a database on the test server.
    std::unique_ptr<Connection> emptyBook(bool server) {
        auto db = std::make_unique<Connection>();
        if (server) {
            auto engine = std::make_unique<qd::data::PostgresEngine>(
                m_server.newDatabase(), qd::data::PostgresEngine::Check::Anything);
            for (const QString& s : qd::data::Schema::book().postgresScript()) engine->executeNative(s);
            db->open(std::move(engine));
        } else {
            const QString path = m_env->root() + QStringLiteral("/book%1.mdb").arg(++m_files);
            QFile::remove(path);
            if (!QFile::copy(TestEnvironment::templateFile(), path)) qFatal("no template");
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            db->open(fileConnectionString(path));
        }
        return db;
    }

public:
    explicit TestTransfer(TestEnvironment* env) : m_env(env) {}

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Export, import into an empty book, export again: the same file but for the order
    // numbers, and the same reports; on either engine and from one to the other.
    void roundTrip_data() {
        QTest::addColumn<bool>("fromServer");
        QTest::addColumn<bool>("toServer");
        QTest::newRow("file to file") << false << false;
        QTest::newRow("server to server") << true << true;
        QTest::newRow("file to server") << false << true;
        QTest::newRow("server to file") << true << false;
    }
    void roundTrip() {
        QFETCH(bool, fromServer);
        QFETCH(bool, toServer);
        auto from = emptyBook(fromServer);
        generate(*from, 120, 42);
        const QByteArray first = exported(*from);
        QVERIFY(first.startsWith(kHeading));
        for (const char* hostile : {"\"Quote \"\"Q\"\" Co\"", "'=1+2", "\"Line\nBreak Ltd\"",
                                    "''=quoted formula", ",'plain,", "\"CR\r\nLF Ltd\""})
            QVERIFY2(first.contains(hostile), hostile);

        auto to = emptyBook(toServer);
        const ImportSummary summary = imported(*to, first);
        QVERIFY2(summary.stored, qPrintable(summary.text()));
        QCOMPARE(summary.orders, 120);
        QCOMPARE(summary.orders, count(*from, "Orders"));
        QCOMPARE(summary.lines, count(*to, "[Order Details]"));
        QCOMPARE(summary.lines, count(*from, "[Order Details]"));
        // Two customers of one name are one now, and the deleted ones are no one.
        QCOMPARE(summary.customers, count(*from, "Customers") - 1);
        QCOMPARE(summary.products, count(*from, "Products"));

        const QByteArray second = exported(*to);
        QCOMPARE(withoutNumbers(second), withoutNumbers(first));
        for (const char* report : {"Total Price of Each Order Detail", "Total Price of Orders"})
            QCOMPARE(reportCsv(*to, QLatin1String(report)), reportCsv(*from, QLatin1String(report)));

        // Into a book that has them all: nothing new is made.
        const ImportSummary again = imported(*to, first, true);
        QCOMPARE(again.customers + again.employees + again.shippingMethods + again.products, 0);
        QCOMPARE(again.lines, summary.lines);
    }

    // What a spreadsheet writes reads back the same: a byte-order mark, LF line ends, columns
    // in another order and letter case, an unknown column, quoted fields, apostrophes, percent
    // signs, a blank line, a time of day; and a dry run says what the import does, storing
    // nothing.
    void readBackExactly() {
        auto db = emptyBook(false);
        const QByteArray file =
            "\xEF\xBB\xBFunit price,QUANTITY,product,customer,order,order date,Notes,discount,sales tax rate\n"
            "12.5,2,Mug,\"Smith, \"\"Jr\"\"\nand Sons\",A-1,2026-12-09,anything,10%,8.25%\n"
            "\n"
            "3,1,'=SUM(A1),\"Smith, \"\"Jr\"\"\nand Sons\",A-1,2026-12-09,,,8.25%\n"
            "7,4,Mug,'plain,B,2026-12-10 08:30,,0.5,\n";
        const ImportSummary dry = imported(*db, file, true);
        QCOMPARE(sizes(*db), (QList<int>{0, 0, 0, 0, 0, 0}));
        const ImportSummary real = imported(*db, file);
        QVERIFY2(real.stored, qPrintable(real.text()));
        QCOMPARE(real.text(), QStringLiteral("Imported 2 orders with 3 lines, adding 2 customers, 2 products.\n"
                                             "Columns not read: Notes.\n"));
        QCOMPARE(dry.text(), QString(real.text()).replace("Imported", "Checked: would import")
                                 .replace(".\nColumns", "; nothing was stored.\nColumns"));
        QCOMPARE(exported(*db),
                 kHeading +
                 "1,\"Smith, \"\"Jr\"\"\nand Sons\",,2026-12-09,,,,0.0825,Mug,2,12.5,0.1\r\n"
                 "1,\"Smith, \"\"Jr\"\"\nand Sons\",,2026-12-09,,,,0.0825,'=SUM(A1),1,3,\r\n"
                 "2,'plain,,2026-12-10 08:30:00,,,,,Mug,4,7,0.5\r\n");
    }

    // Every kind of row that cannot be read stores nothing, good rows before it included, and
    // is named with its line and column.
    void badRows_data() {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QString>("problem");
        auto row = [](const char* name, const QByteArray& rows, const char* problem) {
            QTest::newRow(name) << rows << QString::fromUtf8(problem);
        };
        const QByteArray good = "1,Acme,Ann Lee,2026-01-05,,PO,Air,0.07,Bolt,2,3.5,0\r\n";
        row("quantity", QByteArray(good + "2,Acme,,2026-01-05,,,,,Bolt,ten,3.5,0\r\n"), "line 3, Quantity: 'ten' is not a number");
        row("grouping", QByteArray(good + "2,Acme,,2026-01-05,,,,,Bolt,1,\"1,234.50\",0\r\n"), "line 3, Unit Price: '1,234.50' is not a number");
        row("date", QByteArray("1,Acme,,2026-02-30,,,,,Bolt,1,1,0\r\n"), "line 2, Order Date: '2026-02-30' is not a date");
        row("regional date", QByteArray("1,Acme,,12/9/2026,,,,,Bolt,1,1,0\r\n"), "line 2, Order Date: '12/9/2026' is not a date");
        row("discount over", QByteArray("1,Acme,,2026-01-05,,,,,Bolt,1,1,1.5\r\n"), "line 2, Discount: '1.5' is outside 0 to 100%");
        row("discount under", QByteArray("1,Acme,,2026-01-05,,,,,Bolt,1,1,-5%\r\n"), "line 2, Discount: '-5%' is outside 0 to 100%");
        row("long text", QByteArray("1," + QByteArray(256, 'x') + ",,2026-01-05,,,,,Bolt,1,1,0\r\n"), "is 256 characters long; an order book keeps at most 255");
        row("nul", QByteArray(QByteArray("1,Acme,,2026-01-05,,,,,Bo\0lt,1,1,0\r\n", 36)), "line 2, Product: 'Bo\\0lt' holds the character NUL");
        row("fields", QByteArray(good + good + "3,Acme\r\n"), "line 4: 2 fields where the first line names 12 columns");
        row("no order number", QByteArray(",Acme,,2026-01-05,,,,,Bolt,1,1,0\r\n"), "line 2, Order: '' is empty");
        row("order said otherwise", QByteArray(good + "1,Acme,Ann Lee,2026-01-06,,PO,Air,0.07,Bolt,2,3.5,0\r\n"), "line 3, Order: '1' says other things of the order than line 2");
        row("quote never ends", QByteArray(good + "2,\"Acme,,2026-01-05,,,,,Bolt,1,1,0\r\n"), "The quoted field that starts on line 3 never ends");
    }
    void badRows() {
        QFETCH(QByteArray, rows);
        QFETCH(QString, problem);
        auto db = emptyBook(false);
        db->execute("insert into Customers (CompanyName) values ('Acme')");
        const QList<int> before = sizes(*db);
        QString told;
        try {
            const ImportSummary summary = imported(*db, kHeading + rows);
            QVERIFY(!summary.stored);
            QVERIFY(summary.badRows > 0);
            told = summary.text();
            QVERIFY2(told.endsWith("cannot be read; nothing was imported.\n"), qPrintable(told));
        } catch (const qd::Error& e) {
            told = e.description();
        }
        QVERIFY2(told.contains(problem), qPrintable(told));
        QCOMPARE(sizes(*db), before);
        QVERIFY(!db->inTransaction());
    }

    // Many bad rows: the first fifty named, the rest counted.
    void manyBadRows() {
        auto db = emptyBook(false);
        QByteArray file = kHeading;
        for (int i = 0; i < 60; ++i) file += "1,Acme,,someday,,,,,Bolt,1,1,0\r\n";
        const ImportSummary summary = imported(*db, file);
        QCOMPARE(summary.problems.size(), 50);
        QCOMPARE(summary.problemCount, 60);
        QVERIFY(summary.problems.last().startsWith("line 51, Order Date"));
        QVERIFY2(summary.text().contains("... and 10 more.\n60 rows cannot be read"), qPrintable(summary.text()));
    }

    // Files of another shape: one message, nothing stored.
    void otherShapes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << QString("The file is empty");
        QTest::newRow("blank line") << QByteArray("\r\n") << QString("The file is empty");
        QTest::newRow("not text") << QByteArray("\x89PNG\r\n\x1a\n\xff\xfe\x00", 11) << QString("not comma-separated text");
        QTest::newRow("other columns") << QByteArray("a,b,c\n1,2,3\n") << QString("This is not a file of order lines");
        QTest::newRow("a column missing")
            << QByteArray("Order,Customer,Order Date,Product,Quantity\n") << QString("The file has no column Unit Price.");
        QTest::newRow("a column twice")
            << QByteArray("Order,Customer,Order Date,Product,Quantity,Unit Price,customer\n")
            << QString("The column Customer is in the file twice.");
    }
    void otherShapes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        auto db = emptyBook(false);
        try {
            imported(*db, file);
            QFAIL("no error");
        } catch (const qd::Error& e) {
            QVERIFY2(e.description().contains(message), qPrintable(e.description()));
        }
        QCOMPARE(sizes(*db), (QList<int>{0, 0, 0, 0, 0, 0}));
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QGuiApplication app(argc, argv);
    TestTransfer test(&env);
    return QTest::qExec(&test, argc, argv);
}

#include "test_transfer.moc"
