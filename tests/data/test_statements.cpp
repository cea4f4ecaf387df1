// Every statement the program issues, exactly as the program writes it, run on a fresh copy of
// the empty order book: what each returns or writes.

#include "core/error.h"
#include "data/bookstatements.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/testenv.h"

#include <QtTest>

using qd::data::Connection;
using qd::data::Recordset;
namespace statements = qd::data::statements;

namespace {


// All rows of a query, each as the list of its values.
QList<QVariantList> rows(Connection& db, const QString& sql) {
    QList<QVariantList> result;
    Recordset rs;
    rs.open(sql, db, 3, 1);
    while (!rs.eof()) {
        QVariantList row;
        for (int i = 0; i < rs.fieldCount(); ++i) row.append(rs.field(i));
        result.append(row);
        rs.moveNext();
    }
    rs.close();
    return result;
}

QVariant single(Connection& db, const QString& sql) {
    const QList<QVariantList> r = rows(db, sql);
    return r.isEmpty() ? QVariant() : r.first().value(0);
}

}  // namespace

class TestStatements : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    Connection m_db;

private slots:
    void init() {
        m_env.provideWorkingFile();
        m_db.open(fileConnectionString(m_env.workingFile()));
    }
    void cleanup() { m_db.close(); }

    // First and Last follow the order rows were stored in, even where an index on another
    // column would list them differently (orders stored for customers 2, then 1).
    void firstAndLastInStoredOrder() {
        m_db.execute(QStringLiteral("insert into Orders (CustomerID) values (2)"));
        m_db.execute(QStringLiteral("insert into Orders (CustomerID) values (1)"));
        QCOMPARE(single(m_db, QStringLiteral("SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders"))
                     .toInt(),
                 2);
        QCOMPARE(single(m_db, QStringLiteral("SELECT First(Orders.OrderID) AS [MaxID] FROM Orders"))
                     .toInt(),
                 1);
        QCOMPARE(single(m_db, QStringLiteral("select last(CustomerID) from Orders;")).toInt(), 1);
    }

    // The sample loader's statements: counts, the two-row rule, First/Last, CDate and Val.
    void sampleDataStatements() {
        QCOMPARE(single(m_db, "SELECT Count(Customers.CustomerID) AS [CountID] From Customers")
                     .toInt(), 0);
        // First/Last over an empty table give a row whose value is Null.
        QVERIFY(single(m_db, "SELECT First(Customers.CustomerID) AS [MaxID] FROM Customers").isNull());
        m_db.execute("insert into Customers ([FirstName],[LastName],[CompanyName]) values "
                     "('Velda','Orrin','Orrin Supplies')");
        m_db.execute("insert into Customers ([FirstName],[LastName],[CompanyName]) values "
                     "('Cato','Pellam','ZuruVoru Zave Riza')");
        m_db.execute("insert into Employees ([FirstName],[LastName],[Title]) values "
                     "('Arvo','Tindle','Manager')");
        m_db.execute("insert into [Shipping Methods] (ShippingMethod) values ('USPS')");
        m_db.execute("insert into Products (ProductName,UnitPrice) values ('Mug',5)");
        m_db.execute("insert into Products (ProductName,UnitPrice) values ('Cup',6.25)");
        Recordset rs;
        rs.open("SELECT Count(Customers.CustomerID) AS [CountID] From Customers", m_db, 3, 1);
        QCOMPARE(rs.field("CountID").toInt(), 2);
        rs.close();
        QCOMPARE(single(m_db, "SELECT Count(Employees.EmployeeID) AS [CountID] From Employees").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT Count([Shipping Methods].ShippingMethodID) AS [CountID] From "
                              "[Shipping Methods]").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT Count(Products.ProductID) AS [CountID] From Products").toInt(), 2);
        QCOMPARE(single(m_db, "SELECT First(Customers.CustomerID) AS [MaxID] FROM Customers").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT Last(Customers.CustomerID) AS [MaxID] FROM Customers").toInt(), 2);
        QCOMPARE(single(m_db, "SELECT First(Employees.EmployeeID) AS [MaxID] FROM Employees").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT Last(Employees.EmployeeID) AS [MaxID] FROM Employees").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT First([Shipping Methods].ShippingMethodID) AS [MaxID] FROM "
                              "[Shipping Methods]").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT Last([Shipping Methods].ShippingMethodID) AS [MaxID] FROM "
                              "[Shipping Methods]").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT First(Products.ProductID) AS [MaxID] FROM Products").toInt(), 1);
        QCOMPARE(single(m_db, "SELECT Last(Products.ProductID) AS [MaxID] FROM Products").toInt(), 2);

        // Today in the regional short form, two-digit year included, read back by CDate.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_db.execute("insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,"
                     "ShipDate,ShippingMethodID,SalesTaxRate) values (2,1,CDate('12/8/2026'),'11',"
                     "CDate('12/9/26'),1,Val('0.3'))");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_db.execute("insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,"
                     "ShipDate,ShippingMethodID,SalesTaxRate) values (1,1,CDate('08.12.2026'),'12',"
                     "CDate('09.12.2026'),1,Val('0.4'))");
        QLocale::setDefault(QLocale::c());
        QCOMPARE(single(m_db, "SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders").toInt(), 2);
        m_db.execute("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) "
                     "values (1,1,3,11, Val('0.4'))");
        m_db.execute("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) "
                     "values (2,2,1,10,Val('0.25'))");

        const QList<QVariantList> orders =
            rows(m_db, "select OrderDate, ShipDate, SalesTaxRate, PurchaseOrderNumber from Orders "
                       "order by OrderID");
        QCOMPARE(orders.size(), 2);
        QCOMPARE(orders[0][0].toDate(), QDate(2026, 12, 8));
        QCOMPARE(orders[0][1].toDate(), QDate(2026, 12, 9));
        QCOMPARE(orders[0][2].toDouble(), 0.3);
        QCOMPARE(orders[0][3].toString(), QStringLiteral("11"));
        QCOMPARE(orders[1][0].toDate(), QDate(2026, 12, 8));
        QCOMPARE(orders[1][2].toDouble(), 0.4);
        const QList<QVariantList> lines =
            rows(m_db, "select Quantity, UnitPrice, Discount from [Order Details] order by OrderDetailID");
        QCOMPARE(lines[0], (QVariantList{3, 11, 0.4}));
        QCOMPARE(lines[1][2].toDouble(), 0.25);
    }

    // The order editor's save, the lists that show the result, and the report queries.
    void ordersListsAndReports() {
        m_db.execute("insert into Customers (CompanyName) values ('Rock''n''Roll Supplies')");
        m_db.execute("insert into Employees (FirstName,LastName) values ('Ann','O''Neil')");
        m_db.execute("insert into [Shipping Methods] (ShippingMethod) values ('DHL')");
        m_db.execute("insert into Products (ProductName,UnitPrice) values ('Mug',12.5)");
        m_db.execute("insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,"
                     "ShipDate,ShippingMethodID,SalesTaxRate) values (1,1,#03/07/2026#,'PO ''7''',"
                     "#03/09/2026#,1,0.0825)");
        QCOMPARE(single(m_db, "SELECT max(OrderID) from orders").toInt(), 1);
        m_db.execute("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) "
                     "values (1,1,3,11,0.4)");
        m_db.execute("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) "
                     "values (1,1,1000,1234.5,0.125)");

        const QList<QVariantList> list = rows(m_db, statements::kOrderRows);
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0][0].toInt(), 1);
        QCOMPARE(list[0][1].toString(), QStringLiteral("Rock'n'Roll Supplies"));
        QCOMPARE(list[0][2].toString(), QStringLiteral("Ann O'Neil"));
        QCOMPARE(list[0][3].toDate(), QDate(2026, 3, 7));
        QCOMPARE(list[0][4].toString(), QStringLiteral("PO '7'"));
        QCOMPARE(list[0][5].toDate(), QDate(2026, 3, 9));
        QCOMPARE(list[0][6].toString(), QStringLiteral("DHL"));
        QCOMPARE(list[0][7].toDouble(), 0.0825);
        QCOMPARE(rows(m_db, statements::orderRowStatement(QStringLiteral("1"))).size(), 1);

        const QList<QVariantList> lines = rows(m_db, statements::listLinesStatement(QStringLiteral("1")));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], (QVariantList{2, QStringLiteral("Mug"), 1000, 1234.5, 0.125}));
        const QList<QVariantList> editLines = rows(m_db, statements::orderLinesStatement(QStringLiteral("1")));
        QCOMPARE(editLines[0][0].toInt(), 1);
        QCOMPARE(editLines[0][1].toString(), QStringLiteral("Mug"));

        // Saving the order again: the update keeps its number, the lines are replaced.
        m_db.execute("update Orders set CustomerID=1,EmployeeID=1,OrderDate=#12/31/2026#,"
                     "PurchaseOrderNumber='X',ShipDate=#01/02/2027#,ShippingMethodID=1,"
                     "SalesTaxRate=0.07 where OrderID=1");
        QCOMPARE(single(m_db, "select OrderDate from Orders").toDate(), QDate(2026, 12, 31));
        QCOMPARE(single(m_db, "select ShipDate from Orders").toDate(), QDate(2027, 1, 2));

        // Report queries: 3 x 11 = 33, with 40% discount 19.8, with 7% tax 21.186.
        const QList<QVariantList> details = rows(m_db, "select * from [Total Price of Order Details]");
        QCOMPARE(details.size(), 2);
        Recordset rs;
        rs.open("select * from [Total Price of Order Details]", m_db, 3, 1);
        QCOMPARE(rs.field("CompanyName").toString(), QStringLiteral("Rock'n'Roll Supplies"));
        QCOMPARE(rs.field("SubTotal").toDouble(), 33.0);
        QCOMPARE(rs.field("SubTotal With Discount").toDouble(), 19.8);
        QCOMPARE(rs.field("Total Price").toDouble(), 21.186);
        QCOMPARE(rs.field("SalesTaxRate").toDouble(), 0.07);
        rs.moveNext();
        // 1000 x 1234.5 = 1234500, less 12.5% = 1080187.5, plus 7% = 1155800.625
        QCOMPARE(rs.field("Total Price").toDouble(), 1155800.625);
        rs.close();
        rs.open("select * from [Total Price of Orders]", m_db, 3, 1);
        QCOMPARE(rs.field("OrderID").toInt(), 1);
        QCOMPARE(rs.field("SumOfTotal Price").toDouble(), 1155821.811);
        rs.close();
        rs.open("select * from [Orders by Customer]", m_db, 3, 1);
        for (const char* column : {"CompanyName", "PurchaseOrderNumber", "OrderID", "EmployeeID",
                                   "OrderDate", "ShipDate", "ShippingMethodID"})
            QVERIFY2(rs.fieldIndex(column) >= 0, column);
        QCOMPARE(rs.field("OrderDate").toDate(), QDate(2026, 12, 31));
        rs.close();

        m_db.execute("delete from [Order Details] where OrderID=1");
        QVERIFY(rows(m_db, statements::listLinesStatement(QStringLiteral("1"))).isEmpty());
    }

    // The dependent deletes, in the order the program issues them, and the inner joins.
    void deletesAndJoins() {
        m_db.execute("insert into Customers (CompanyName) values ('A')");
        m_db.execute("insert into Customers (CompanyName) values ('B')");
        m_db.execute("insert into Employees (FirstName,LastName) values ('E','One')");
        m_db.execute("insert into [Shipping Methods] (ShippingMethod) values ('S')");
        m_db.execute("insert into Products (ProductName,UnitPrice) values ('P',1)");
        for (int c = 1; c <= 2; ++c)
            m_db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                        "PurchaseOrderNumber,ShipDate,ShippingMethodID,"
                                        "SalesTaxRate) values (%1,1,#01/01/2026#,'',"
                                        "#01/01/2026#,1,0)").arg(c));
        m_db.execute("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) "
                     "values (1,1,1,1,0)");
        QCOMPARE(rows(m_db, statements::kCustomerList).size(), 2);
        QCOMPARE(rows(m_db, statements::kEmployeeList).size(), 1);
        QCOMPARE(rows(m_db, statements::kShippingMethodList).size(), 1);
        QCOMPARE(rows(m_db, statements::kProductList).size(), 1);

        m_db.execute("delete from Customers where CustomerID=2");
        m_db.execute("delete from Orders where CustomerID=2");
        QCOMPARE(rows(m_db, statements::kOrderRows).size(), 1);
        m_db.execute("delete from Products where ProductID=1");
        m_db.execute("delete from [Order Details] where ProductID=1");
        QVERIFY(rows(m_db, statements::listLinesStatement(QStringLiteral("1"))).isEmpty());
        m_db.execute("delete from [Shipping Methods] where ShippingMethodID=1");
        QVERIFY(rows(m_db, statements::kOrderRows).isEmpty());  // inner join hides the order at once
        m_db.execute("delete from Orders where ShippingMethodID=1");
        m_db.execute("delete from Employees where EmployeeID=1");
        m_db.execute("delete from Orders where EmployeeID=1");
        m_db.execute("delete from Orders where OrderID=1");
        QCOMPARE(single(m_db, "select count(*) from Orders").toInt(), 0);
        // Keys are never reused after a delete.
        m_db.execute("insert into Customers (CompanyName) values ('C')");
        QCOMPARE(single(m_db, "select max(CustomerID) from Customers").toInt(), 3);
    }

    // Hostile text goes in doubled and comes back as typed; nothing else is run.
    void quotesAndInjection() {
        const QString hostile = QStringLiteral("'); drop table Orders;--");
        QString doubled = hostile;
        doubled.replace(QLatin1String("'"), QLatin1String("''"));
        m_db.execute(QStringLiteral("insert into Customers (CompanyName) values ('") + doubled +
                     QStringLiteral("')"));
        QCOMPARE(single(m_db, "select CompanyName from Customers").toString(), hostile);
        QCOMPARE(single(m_db, "select count(*) from Orders").toInt(), 0);  // table still there
        // Text the program failed to double is refused, not run as a second statement.
        QVERIFY_THROWS_EXCEPTION(qd::Error,
                                 m_db.execute(QStringLiteral("insert into Customers (CompanyName) "
                                                             "values ('x'); drop table Orders;--')")));
        QCOMPARE(single(m_db, "select count(*) from Orders").toInt(), 0);
        // Plus joins texts and keeps Null; text with # or + inside quotes is left alone.
        m_db.execute("insert into Customers (CompanyName) values ('#1/2/2026# + 1')");
        QCOMPARE(single(m_db, "select CompanyName from Customers where CustomerID=2").toString(),
                 QStringLiteral("#1/2/2026# + 1"));
        QCOMPARE(single(m_db, "select 'a' + ' ' + 'b'").toString(), QStringLiteral("a b"));
        QVERIFY(single(m_db, "select 'a' + NULL").isNull());
        QCOMPARE(single(m_db, "select 2 + 3").toInt(), 5);
        QCOMPARE(single(m_db, "select Val('12.5 Euro')").toDouble(), 12.5);
    }
};

QTEST_GUILESS_MAIN(TestStatements)
#include "test_statements.moc"
