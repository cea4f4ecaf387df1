// The program's dialect as the order book server is given it: a table of statements, each with
// the text the server receives. Pure: no server is needed here (the statements run on a real
// server in test_servers).

#include "core/error.h"
#include "data/pgdialect.h"
#include "data/schema.h"

#include <QtTest>

using qd::data::Schema;

namespace {
QString pg(const QString& statement) { return qd::data::pg::translate(statement, Schema::book()); }
}  // namespace

class TestPgDialect : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void translation_data() {
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QString>("server");
        // Names: brackets, any letter case, qualified names, aliases kept as written.
        QTest::newRow("order list") << QStringLiteral(
            "select OrderID, CompanyName, Employees.FirstName + ' ' + Employees.LastName as "
            "EmployeeName, OrderDate from (((Orders inner join Customers on "
            "Customers.CustomerID=Orders.CustomerID) inner join Employees on eMPLOYEES.EmployeeID= "
            "Orders.EmployeeID) inner join [Shipping Methods] on "
            "[Shipping Methods].ShippingMethodID=Orders.ShippingMethodID) where OrderID=7")
            << QStringLiteral(
            "select \"OrderID\", \"CompanyName\", ((\"Employees\".\"FirstName\" || ' '::text) || "
            "\"Employees\".\"LastName\") as \"EmployeeName\", \"OrderDate\" from (((\"Orders\" inner "
            "join \"Customers\" on \"Customers\".\"CustomerID\"=\"Orders\".\"CustomerID\") inner join "
            "\"Employees\" on \"Employees\".\"EmployeeID\"= \"Orders\".\"EmployeeID\") inner join "
            "\"Shipping Methods\" on \"Shipping Methods\".\"ShippingMethodID\"="
            "\"Orders\".\"ShippingMethodID\") where \"OrderID\"=7");
        QTest::newRow("lower-case table") << QStringLiteral("SELECT max(OrderID) from orders")
                                          << QStringLiteral("SELECT max(\"OrderID\") from \"Orders\"");
        QTest::newRow("bracketed columns") << QStringLiteral(
            "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Velda','O''Rrin','Orrin Supplies')")
            << QStringLiteral("insert into \"Customers\" (\"FirstName\",\"LastName\",\"CompanyName\") "
                              "values ('Velda','O''Rrin','Orrin Supplies')");
        QTest::newRow("count alias") << QStringLiteral(
            "SELECT Count([Shipping Methods].ShippingMethodID) AS [CountID] From [Shipping Methods]")
            << QStringLiteral("SELECT Count(\"Shipping Methods\".\"ShippingMethodID\") AS \"CountID\" "
                              "From \"Shipping Methods\"");
        QTest::newRow("saved query") << QStringLiteral("select * from [Total Price of Order Details]")
                                     << QStringLiteral("select * from \"Total Price of Order Details\"");
        // Dates: #m/d/y# and CDate in the regional form become ISO text; Val its number.
        QTest::newRow("dates and Val") << QStringLiteral(
            "insert into Orders (OrderDate,ShipDate,SalesTaxRate) values (#03/07/2026#,CDate('12/8/26'),Val('0.0825'))")
            << QStringLiteral("insert into \"Orders\" (\"OrderDate\",\"ShipDate\",\"SalesTaxRate\") "
                              "values ('2026-03-07',CAST('2026-12-08' AS timestamp(0)),(0.0825))");
        QTest::newRow("date with time") << QStringLiteral("update Orders set OrderDate=#12/31/2025 23:59# where OrderID=1")
            << QStringLiteral("update \"Orders\" set \"OrderDate\"='2025-12-31 23:59:00' where \"OrderID\"=1");
        QTest::newRow("Val of no number") << QStringLiteral("select Val('abc'), Val(' -1.5e2x')")
                                          << QStringLiteral("select (0), (-150)");
        QTest::newRow("minus before a negative Val") << QStringLiteral("select 1-Val('-5')")
                                                     << QStringLiteral("select 1-(-5)");
        // First and Last: by the key (min or max), other columns through the key's order.
        QTest::newRow("First of key") << QStringLiteral("SELECT First(Customers.CustomerID) AS [MaxID] FROM Customers")
            << QStringLiteral("SELECT min(\"Customers\".\"CustomerID\") AS \"MaxID\" FROM \"Customers\"");
        QTest::newRow("Last of key") << QStringLiteral("SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders")
            << QStringLiteral("SELECT max(\"Orders\".\"OrderID\") AS \"MaxID\" FROM \"Orders\"");
        QTest::newRow("Last of another column") << QStringLiteral("select last(CustomerID) from Orders;")
            << QStringLiteral("select (array_agg(\"CustomerID\" ORDER BY \"Orders\".\"OrderID\" DESC))[1] from \"Orders\";");
        // + joins texts, adds numbers.
        QTest::newRow("texts joined") << QStringLiteral("select 'a' + ' ' + \"b\"")
                                      << QStringLiteral("select (('a'::text || ' '::text) || 'b'::text)");
        QTest::newRow("text and Null") << QStringLiteral("select 'a' + NULL")
                                       << QStringLiteral("select NULL");
        QTest::newRow("numbers added") << QStringLiteral("select 2 + 3, UnitPrice + 1 from Products")
                                       << QStringLiteral("select (2 + 3), (\"UnitPrice\" + 1) from \"Products\"");
        QTest::newRow("quoted + and # untouched") << QStringLiteral("insert into Customers (CompanyName) values ('#1/2/2026# + 1')")
            << QStringLiteral("insert into \"Customers\" (\"CompanyName\") values ('#1/2/2026# + 1')");
        // Orderings by text ignore letter case, as the file's columns do.
        QTest::newRow("order by text") << QStringLiteral("select * from Employees order by FirstName, LastName")
            << QStringLiteral("select * from \"Employees\" order by lower(\"FirstName\"), lower(\"LastName\")");
        QTest::newRow("order by number") << QStringLiteral("select * from Products order by UnitPrice desc, ProductName")
            << QStringLiteral("select * from \"Products\" order by \"UnitPrice\" desc, lower(\"ProductName\")");
        QTest::newRow("subquery alias") << QStringLiteral("select Lines.SubTotal from (select 1 as SubTotal) as Lines")
            << QStringLiteral("select \"Lines\".\"SubTotal\" from (select 1 as \"SubTotal\") as \"Lines\"");
        QTest::newRow("no comment made") << QStringLiteral("select 1--1") << QStringLiteral("select 1- -1");
    }
    void translation() {
        QFETCH(QString, jet);
        QFETCH(QString, server);
        QCOMPARE(pg(jet), server);
    }

    void refused_data() {
        QTest::addColumn<QString>("jet");
        QTest::newRow("CDate of a column") << QStringLiteral("select CDate(PurchaseOrderNumber) from Orders");
        QTest::newRow("CDate of no date") << QStringLiteral("select CDate('soon')");
        QTest::newRow("Val of a column") << QStringLiteral("select Val(PurchaseOrderNumber) from Orders");
        QTest::newRow("First without table") << QStringLiteral("select First(x) from (select 1 as x) as y");
        QTest::newRow("bad date") << QStringLiteral("select #13/45/2026#");
        QTest::newRow("second statement") << QStringLiteral("insert into Customers (CompanyName) values ('x'); drop table Orders;--')");
    }
    void refused() {
        QFETCH(QString, jet);
        QVERIFY_THROWS_EXCEPTION(qd::Error, pg(jet));
    }

    // One description gives both books: the same tables, columns and queries.
    void schemaScripts() {
        const Schema& schema = Schema::book();
        QCOMPARE(int(schema.tables().size()), 6);
        QCOMPARE(int(schema.queries().size()), 3);
        const QStringList file = schema.sqliteScript();
        const QStringList server = schema.postgresScript();
        QCOMPARE(file.size(), server.size());
        QVERIFY(file.first().startsWith("CREATE TABLE Customers (\n    CustomerID INTEGER PRIMARY KEY AUTOINCREMENT"));
        QVERIFY(server.first().startsWith("CREATE TABLE \"Customers\" (\n    \"CustomerID\" integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        QVERIFY(server.contains("CREATE INDEX \"CustomersByName\" ON \"Customers\" (lower(\"CompanyName\"))"));
        QVERIFY(server.filter("CREATE VIEW \"Total Price of Orders\"").size() == 1);
        QVERIFY(!server.join(' ').contains("CROSS JOIN"));
        QCOMPARE(schema.canonicalName("order details"), QStringLiteral("Order Details"));
        QCOMPARE(schema.canonicalName("unitprice"), QStringLiteral("UnitPrice"));
        QVERIFY(schema.isTextColumn("firstname"));
        QVERIFY(!schema.isTextColumn("UnitPrice"));
    }

    void schemaErrors() {
        QVERIFY_THROWS_EXCEPTION(qd::Error, Schema::parse("table T\n    A text\n"));  // no key
        QVERIFY_THROWS_EXCEPTION(qd::Error, Schema::parse("table T\n    Id key\n    A blob\n"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, Schema::parse("table T\n    Id key\nquery Q\nselect 1\n"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, Schema::parse("table T\n    Id key\n    ID integer\n"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, Schema::parse("table T\n    Id key\nindex I on T (Nope)\n"));
        const Schema s = Schema::parse("# c\ntable [A B]\n    Id key\n    Name text\nquery Q\nselect Name\nfrom [A B];\n");
        QCOMPARE(s.tables().front().name, QStringLiteral("A B"));
        QCOMPARE(s.queries().front().body, QStringLiteral("select Name\nfrom [A B]"));
        QCOMPARE(s.sqliteScript().first(), QStringLiteral("CREATE TABLE [A B] (\n    Id INTEGER PRIMARY KEY AUTOINCREMENT,\n    Name TEXT COLLATE NOCASE\n)"));
    }
};

QTEST_GUILESS_MAIN(TestPgDialect)
#include "test_pgdialect.moc"
