// Every statement text the program issues, run on an order book file and on an order book
// server side by side: each write must change the same number of rows, and each read must give
// the same columns (names in the same letter case), the same value types and the same values.
// Reads without an order clause come in each engine's own order, so their rows are compared
// as sets. The reads are the program's own (data/bookstatements.h, the reports' statements).

#include "core/error.h"
#include "data/bookstatements.h"
#include "data/connection.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "reports/orderreport.h"
#include "support/testenv.h"
#include "support/testserver.h"
#include "text/textconv.h"

#include <QtTest>

#include <algorithm>
#include <memory>

using qd::data::Connection;
using qd::data::Recordset;
using qd::data::ValueType;
namespace statements = qd::data::statements;

namespace {

const QString kOrderInsert = QStringLiteral(
    "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,"
    "ShippingMethodID,SalesTaxRate) values (");
const QString kLineInsert = QStringLiteral(
    "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (");

// One value as a comparable text: its type and its value.
QString cell(const Recordset& rs, int i) {
    switch (rs.type(i)) {
        case ValueType::Null: return QStringLiteral("null");
        case ValueType::Integer: return QStringLiteral("integer %1").arg(rs.integer(i));
        case ValueType::Real: return QStringLiteral("real %1").arg(rs.real(i), 0, 'g', 17);
        case ValueType::Text: break;
    }
    return (rs.isDateColumn(i) ? QStringLiteral("date ") : QStringLiteral("text ")) +
           QString::fromUtf8(rs.text(i));
}

struct Answer {
    QStringList columns;
    QList<QStringList> rows;
};

Answer read(Connection& db, const QString& sql) {
    Answer answer;
    Recordset rs;
    rs.open(sql, db);
    for (int i = 0; i < rs.fieldCount(); ++i) answer.columns << rs.fieldName(i);
    for (; !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int i = 0; i < rs.fieldCount(); ++i) row << cell(rs, i);
        answer.rows << row;
    }
    return answer;
}

}  // namespace

class TestTwoEngines : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    TestServer m_server;
    Connection m_file;
    Connection m_book;  // on the server

    // How a read is compared. A read must give rows unless it says it may give none, so that
    // two empty answers never pass for two equal ones.
    enum Check { InOrder = 0, AsSets = 1, ValuesOnly = 2, MayBeEmpty = 4 };

    // Runs a write on both books; both must change the same number of rows.
    int both(const QString& sql) {
        const int file = m_file.execute(sql);
        const int server = m_book.execute(sql);
        if (file != server)
            qFatal("%s: %d rows on the file, %d on the server", qPrintable(sql), file, server);
        return file;
    }
    // Runs a read on both books and compares; returns the rows.
    QList<QStringList> same(const QString& sql, int check) {
        const Answer file = read(m_file, sql);
        const Answer server = read(m_book, sql);
        if (!(check & ValuesOnly)) [&] { QCOMPARE(server.columns, file.columns); }();
        if (!(check & MayBeEmpty))
            [&] { QVERIFY2(!file.rows.isEmpty(), qPrintable("no rows to compare: " + sql)); }();
        QList<QStringList> a = file.rows, b = server.rows;
        if (check & AsSets) {
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
        }
        [&] { QCOMPARE(b, a); }();
        return file.rows;
    }
    int count(const QString& sql) {
        return same(sql, ValuesOnly).value(0).value(0).section(u' ', 1).toInt();
    }

    // One press of the sample data loader: two of each lookup where there are fewer, and three
    // orders of one line each.
    void loadSampleData() {
        const struct {
            QString table, key, insert1, insert2;
        } lookups[] = {
            {"Customers", "Customers.CustomerID",
             "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Velda','Orrin','Orrin Supplies')",
             "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Cato','Pellam','ZuruVoru Zave Riza')"},
            {"Employees", "Employees.EmployeeID",
             "insert into Employees ([FirstName],[LastName],[Title]) values ('Arvo','Tindle','Manager')",
             "insert into Employees ([FirstName],[LastName],[Title]) values ('Ferro','Kastell','HR')"},
            {"[Shipping Methods]", "[Shipping Methods].ShippingMethodID",
             "insert into [Shipping Methods] (ShippingMethod) values ('USPS')",
             "insert into [Shipping Methods] (ShippingMethod) values ('DHL')"},
            {"Products", "Products.ProductID",
             "insert into Products (ProductName,UnitPrice) values ('Mug',5)",
             "insert into Products (ProductName,UnitPrice) values ('Cup',6.25)"},
        };
        for (const auto& l : lookups) {
            int rows = count(QStringLiteral("SELECT Count(%1) AS [CountID] From %2").arg(l.key, l.table));
            if (rows < 2) { both(l.insert1); ++rows; }
            if (rows < 2) both(l.insert2);
            same(QStringLiteral("SELECT First(%1) AS [MaxID] FROM %2").arg(l.key, l.table), InOrder);
            same(QStringLiteral("SELECT Last(%1) AS [MaxID] FROM %2").arg(l.key, l.table), InOrder);
        }
        const QString today = qd::text::shortDate(QDate::currentDate());
        const char* const orders[][3] = {{"2,2", "'11'", "2,Val('0.3')"}, {"1,1", "'12'", "1,Val('0.4')"},
                                         {"1,2", "'31'", "2,Val('0.5')"}};
        const char* const lines[] = {",1,3,11, Val('0.4'))", ",2,1,10,Val('0.25'))", ",1,2,15,Val('0.1'))"};
        for (int o = 0; o < 3; ++o) {
            both(kOrderInsert + orders[o][0] + ",CDate('" + today + "')," + orders[o][1] +
                 ",CDate('" + today + "')," + orders[o][2] + ")");
            const int last = count("SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders");
            both(kLineInsert + QString::number(last) + lines[o]);
        }
    }

    // Lookups as the editors add them, awkward names included: after one press of the sample
    // data they are customers 3 to 6, employees 3 and 4, shipping method 3, products 3 to 5.
    void addAwkwardLookups() {
        both("insert into Customers (CompanyName) values ('Rock''n''Roll Supplies')");
        both("insert into Customers (CompanyName) values ('acme, lower case')");
        both("insert into Customers (CompanyName) values ('Zürich Ölhandel \"Nord\"')");
        both("insert into Customers (CompanyName) values ('   ')");
        both("insert into Employees (FirstName,LastName) values ('ann','O''Neil')");
        both("insert into Employees (FirstName,LastName) values ('Ann','Brook')");
        both("insert into [Shipping Methods] (ShippingMethod) values ('courier')");
        both("insert into Products (ProductName,UnitPrice) values ('Crane''s Lift',1234567.891)");
        both("insert into Products (ProductName,UnitPrice) values ('Bolts, assorted',0.05)");
        both("insert into Products (ProductName,UnitPrice) values ('Free',0)");
    }

    // The order editor's save of a new order of the awkward lookups, its lines with odd
    // amounts; returns the order's number.
    QString saveOddOrder() {
        both(kOrderInsert + "3,3,#03/07/2026#,'PO ''7''',#12/31/2026#,3,0.0825)");
        const QString id = QString::number(count("SELECT max(OrderID) from orders"));
        both(kLineInsert + id + ",3,1000,1234.5,0.125)");
        both(kLineInsert + id + ",4,3,0.05,0)");
        both(kLineInsert + id + ",1,2.5,11,0.333)");
        return id;
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Two empty books for each test, which then passes or fails alone as in the whole run.
    void init() {
        m_env.provideWorkingFile();
        m_file.open(fileConnectionString(m_env.workingFile()));
        auto engine = std::make_unique<qd::data::PostgresEngine>(
            m_server.newDatabase(), qd::data::PostgresEngine::Check::Anything);
        for (const QString& s : qd::data::Schema::book().postgresScript()) engine->executeNative(s);
        m_book.open(std::move(engine));
    }
    void cleanup() {
        m_file.close();
        m_book.close();
    }

    // The sample data loader's statements on empty books, then once more on filled ones.
    void sampleData() {
        loadSampleData();
        loadSampleData();
        QCOMPARE(count("SELECT Count(Orders.OrderID) AS [CountID] From Orders"), 6);
        QCOMPARE(same(statements::kOrderRows, AsSets).size(), 6);
    }

    // The editors' lookup lists, awkward names included.
    void lookupsAndLists() {
        addAwkwardLookups();
        // Lists sorted by name ignore letter case; equal names keep no particular order.
        const auto customers = same(statements::kCustomerList, InOrder);
        QCOMPARE(customers.size(), 4);
        QCOMPARE(customers[1][1], QStringLiteral("text acme, lower case"));
        QCOMPARE(same(statements::kEmployeeList, AsSets).size(), 2);
        same(statements::kShippingMethodList, InOrder);
        QCOMPARE(same(statements::kProductList, InOrder).size(), 3);
    }

    // The order editor's save of a new order and of an existing one, what it reads of the
    // order and what the lists show.
    void orderSave() {
        loadSampleData();
        addAwkwardLookups();
        const QString id = saveOddOrder();
        QCOMPARE(same(statements::orderRowStatement(id), InOrder).size(), 1);
        same(statements::orderIdentifiersStatement(id), InOrder);
        QCOMPARE(same(statements::listLinesStatement(id), AsSets).size(), 3);
        QCOMPARE(same(statements::orderLinesStatement(id), AsSets).size(), 3);
        // Saving it again: the update keeps its number, its lines are replaced.
        QCOMPARE(both("update Orders set CustomerID=4,EmployeeID=4,OrderDate=#12/31/2025#,"
                      "PurchaseOrderNumber='X',ShipDate=#01/02/2027#,ShippingMethodID=3,"
                      "SalesTaxRate=-0.07 where OrderID=" + id), 1);
        QCOMPARE(both("delete from [Order Details] where OrderID=" + id), 3);
        both(kLineInsert + id + ",3,1,1234.5,0.125)");
        both(kLineInsert + id + ",5,7,0,1)");
        QCOMPARE(same(statements::kOrderRows, AsSets).size(), 4);
        QCOMPARE(same(statements::listLinesStatement(id), AsSets).size(), 2);
        // An order of no one (its customer gone) is in no list; saving it changes no row.
        QCOMPARE(both("update Orders set SalesTaxRate=0 where OrderID=999"), 0);
    }

    // The three saved queries the reports read, in their own order.
    void reports() {
        loadSampleData();
        loadSampleData();
        addAwkwardLookups();
        saveOddOrder();
        same("select * from [Orders by Customer]", InOrder);
        same("select * from [Total Price of Order Details]", InOrder);
        same("select * from [Total Price of Orders]", InOrder);
        // One order's confirmation, for every order there is and some there are not.
        int orders = 0, lines = 0;
        for (qint64 id = 1; id <= 12; ++id) {
            orders += int(same(qd::reports::orderFactsStatement(id), InOrder | MayBeEmpty).size());
            lines += int(same(qd::reports::orderLinesStatement(id), InOrder | MayBeEmpty).size());
        }
        QCOMPARE(orders, 7);
        QCOMPARE(lines, 9);
    }

    // The dependent deletes, in the order the program issues them.
    void deletes() {
        loadSampleData();
        loadSampleData();
        addAwkwardLookups();
        saveOddOrder();
        // Order 8 keeps one of its two lines through the deletes.
        both(kOrderInsert + "1,2,#01/15/2026#,'Kept',#01/20/2026#,2,0.05)");
        both(kLineInsert + "8,1,2,5,0)");
        both(kLineInsert + "8,2,4,6.25,0.1)");
        QCOMPARE(both("delete from Orders where OrderID=1"), 1);
        QCOMPARE(both("delete from [Order Details] where OrderID=1"), 1);
        both("delete from Customers where CustomerID=2");
        both("delete from Orders where CustomerID=2");
        both("delete from Employees where EmployeeID=1");
        both("delete from Orders where EmployeeID=1");
        both("delete from [Shipping Methods] where ShippingMethodID=3");
        both("delete from Orders where ShippingMethodID=3");
        both("delete from Products where ProductID=1");
        both("delete from [Order Details] where ProductID=1");
        // Orders 3, 6 and 8 are left (customer 1, employee 2, shipping method 2), only 8 with
        // a line.
        QCOMPARE(same(statements::kOrderRows, AsSets).size(), 3);
        QCOMPARE(same("select * from [Total Price of Orders]", InOrder).size(), 1);
        // Keys are never reused after a delete, on either book.
        both("insert into Customers (CompanyName) values ('After')");
        QCOMPARE(count("select max(CustomerID) from Customers"), 7);
    }

    // A walk over rows that another statement interrupts goes on with the rows it had yet to
    // read; one left half-way leaves the connection free for the next statement.
    void interleavedWalks() {
        loadSampleData();
        loadSampleData();
        const QString all = "select OrderDetailID from [Order Details] order by OrderDetailID";
        const QList<QStringList> expected = read(m_book, all).rows;
        QCOMPARE(expected.size(), 6);
        Recordset walk;
        walk.open(all, m_book);
        QCOMPARE(cell(walk, 0), expected[0][0]);
        walk.moveNext();
        QCOMPARE(read(m_book, "select count(*) from Customers").rows.size(), 1);
        QCOMPARE(m_book.execute("update Customers set LastName = 'x' where CustomerID = 1"), 1);
        QStringList rest;
        for (; !walk.eof(); walk.moveNext()) rest << cell(walk, 0);
        QCOMPARE(rest.size(), expected.size() - 1);
        QCOMPARE(rest.last(), expected.last()[0]);
        walk.close();
        Recordset halfWay;
        halfWay.open("select a.OrderDetailID from [Order Details] a, [Order Details] b, "
                     "[Order Details] c, [Order Details] d, [Order Details] e", m_book);
        halfWay.moveNext();
        halfWay.close();
        QCOMPARE(read(m_book, all).rows, expected);
    }

    // Text meant as one value never becomes a second statement; the same refusal on both.
    void oneStatementOnly() {
        loadSampleData();
        const QString hostile = "insert into Customers (CompanyName) values ('x'); drop table Orders;--')";
        QVERIFY_THROWS_EXCEPTION(qd::Error, m_file.execute(hostile));
        QVERIFY_THROWS_EXCEPTION(qd::Error, m_book.execute(hostile));
        QVERIFY_THROWS_EXCEPTION(qd::Error, read(m_book, "delete from Orders"));
        QCOMPARE(count("select Count(Orders.OrderID) AS [CountID] from Orders"), 3);
        same("select 'a' + ' ' + 'b' as [Joined], 'a' + NULL as [Nothing], 2 + 3 as [Sum], "
             "Val('12.5 Euro') as [Number]", InOrder);
    }
};

QTEST_GUILESS_MAIN(TestTwoEngines)
#include "test_twoengines.moc"
