// The + of the program's dialect gives the same on an order book file and on an order book
// server: texts joined, numbers added, Null for a Null on either side, and what is neither
// refused by both. What a column holds is decided by its kind in the schema, never by the value
// in the row (a text column holding "12" is still text).

#include "core/error.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/testenv.h"
#include "support/testserver.h"

#include <QtTest>

using qd::data::Connection;
using qd::data::Recordset;
using qd::data::ValueType;

namespace {

// The one value of `select <expression>` over the one customer and the one order, as
// "text ...", "number ...", "null", or "refused" when the statement is refused.
QString value(Connection& book, const QString& expression) {
    Recordset rs;
    try {
        rs.open(QStringLiteral("select %1 as [V] from Customers, Orders").arg(expression), book);
    } catch (const qd::Error&) {
        return QStringLiteral("refused");
    }
    if (rs.eof()) return QStringLiteral("no row");
    switch (rs.type(0)) {
        case ValueType::Null: return QStringLiteral("null");
        case ValueType::Text: return QStringLiteral("text ") + QString::fromUtf8(rs.text(0));
        case ValueType::Integer: return QStringLiteral("number %1").arg(rs.integer(0));
        case ValueType::Real: return QStringLiteral("number %1").arg(rs.real(0), 0, 'g', 15);
    }
    return QString();
}

}  // namespace

class TestPlusRule : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    TestServer m_server;
    Connection m_file;
    Connection m_book;  // on the server

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        m_env.provideWorkingFile();
        m_file.open(fileConnectionString(m_env.workingFile()));
        const QString server = m_server.newDatabase();
        qd::data::initServerBook(server);
        m_book.open(QStringLiteral("provider=postgresql;data source=") + server);
        for (Connection* book : {&m_file, &m_book}) {
            book->execute("insert into Customers (CompanyName, FirstName) values ('Acme', Null)");
            book->execute("insert into Orders (CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
                          "SalesTaxRate) values (3, Null, #03/07/2026#, '12', 0.25)");
        }
    }

    void plus_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        // Texts: literals, text columns, a text column holding Null.
        QTest::newRow("literal + literal") << "'ab' + 'cd'" << "text abcd";
        QTest::newRow("column + literal + literal") << "CompanyName + ' ' + 'x'" << "text Acme x";
        QTest::newRow("column + column holding a number") << "CompanyName + PurchaseOrderNumber" << "text Acme12";
        QTest::newRow("literal + Null column") << "'ab' + FirstName" << "null";
        QTest::newRow("Null column + column") << "FirstName + CompanyName" << "null";
        QTest::newRow("text + Null") << "'ab' + Null" << "null";
        // Numbers: literals, integer and number columns, a number column holding Null.
        QTest::newRow("integers") << "2 + 3" << "number 5";
        QTest::newRow("integer + real") << "2 + 0.5" << "number 2.5";
        QTest::newRow("integer column") << "Orders.CustomerID + 1" << "number 4";
        QTest::newRow("number column") << "SalesTaxRate + 0.5" << "number 0.75";
        QTest::newRow("columns") << "Orders.CustomerID + SalesTaxRate" << "number 3.25";
        QTest::newRow("Null number column") << "Orders.EmployeeID + 1" << "null";
        QTest::newRow("number + Null") << "2 + Null" << "null";
        QTest::newRow("Null + Null") << "Null + Null" << "null";
        QTest::newRow("Null + text column") << "Null + CompanyName" << "null";
        // What a function gives is not known: joined with a text, added to a number.
        QTest::newRow("function's result + text") << "Trim(CompanyName) + 'x'" << "text Acmex";
        QTest::newRow("Val + number") << "Val('2') + 1" << "number 3";
        // A number in quotes with a number: added.
        QTest::newRow("quoted number first") << "'5' + 2" << "number 7";
        QTest::newRow("quoted number second") << "2 + ' 1.5 '" << "number 3.5";
        // Neither two texts nor two numbers: refused, whatever the row holds.
        QTest::newRow("text column + number") << "CompanyName + 1" << "refused";
        QTest::newRow("text column holding a number + number") << "PurchaseOrderNumber + 1" << "refused";
        QTest::newRow("text + number") << "'ab' + 2" << "refused";
        QTest::newRow("number column + text column") << "SalesTaxRate + CompanyName" << "refused";
        QTest::newRow("joined texts + number") << "CompanyName + 'a' + 1" << "refused";
        QTest::newRow("date column") << "OrderDate + 1" << "refused";
    }
    void plus() {
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        QCOMPARE(value(m_file, expression), expected);
        QCOMPARE(value(m_book, expression), expected);
    }
};

QTEST_GUILESS_MAIN(TestPlusRule)
#include "test_plusrule.moc"
