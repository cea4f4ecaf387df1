// The dialect's translation for SQLite: + between texts as the engine's own concatenation,
// First and Last of a table's key through the key, and the schema knowledge both rest on.

#include "core/error.h"
#include "data/connection.h"
#include "data/jet.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqliteengine.h"
#include "support/testenv.h"

#include <QtTest>

#include <sqlite3.h>

using qd::data::Connection;
using qd::data::Recordset;
namespace jet = qd::data::jet;
using qd::data::Schema;

namespace {

QVariantList firstRow(Connection& db, const QString& sql, QString* name = nullptr) {
    Recordset rs;
    rs.open(sql, db);
    QVariantList row;
    if (!rs.eof())
        for (int i = 0; i < rs.fieldCount(); ++i) row << rs.field(i);
    if (name) *name = rs.fieldName(0);
    return row;
}

// How SQLite means to run a translated statement.
QString plan(Connection& db, const QString& statement) {
    const QByteArray sql = "EXPLAIN QUERY PLAN " + jet::translate(statement).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(qd::data::SqliteEngine::behind(db)->handle(), sql.constData(), -1, &stmt, nullptr);
    QString steps;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        steps += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) + u'\n';
    sqlite3_finalize(stmt);
    return steps;
}

}  // namespace

class TestJet : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    Connection m_db;

private slots:
    void init() {
        m_env.provideWorkingFile();
        m_db.open(fileConnectionString(m_env.workingFile()));
    }
    void cleanup() { m_db.close(); }

    void plusBetweenTexts_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("translated");
        QTest::newRow("order list") << "Employees.FirstName + ' ' + Employees.LastName"
                                    << "((Employees.FirstName || ' ') || Employees.LastName)";
        QTest::newRow("any letter case, brackets") << "[eMPLOYEES].firstname + 'x'"
                                                   << "([eMPLOYEES].firstname || 'x')";
        QTest::newRow("unqualified, same kind in every table") << "FirstName + LastName"
                                                              << "(FirstName || LastName)";
        QTest::newRow("literal first") << "'PO ' + PurchaseOrderNumber"
                                       << "('PO ' || PurchaseOrderNumber)";
        QTest::newRow("number column") << "Quantity + 1" << "(Quantity + 1)";
        QTest::newRow("tighter operators in the operand") << "Quantity * 2 + 1" << "(Quantity * 2 + 1)";
        QTest::newRow("date literal") << "'a' + #03/07/2026#" << "('a' || '2026-03-07')";
        QTest::newRow("double quotes") << "\"a\" + 'b'" << "(\"a\" || 'b')";
        QTest::newRow("unknown table") << "X.CompanyName + 'b'" << "(X.CompanyName || 'b')";
        QTest::newRow("a function's result") << "Trim(CompanyName) + 'b'"
                                             << "(Trim(CompanyName) || 'b')";
        QTest::newRow("inside a function") << "Trim(FirstName + 'x')" << "Trim((FirstName || 'x'))";
        QTest::newRow("number in quotes") << "'5' + 2" << "(5 + 2)";
        QTest::newRow("Null anywhere") << "CompanyName + ' ' + Null" << "NULL";
        // Refused: a text and a number, a date column.
        QTest::newRow("text and number") << "CompanyName + 1" << "";
        QTest::newRow("money and text") << "[Order Details].UnitPrice + ' $'" << "";
        QTest::newRow("text then number") << "CompanyName + 'a' + 1" << "";
        QTest::newRow("date column") << "OrderDate + 1" << "";
    }
    void plusBetweenTexts() {
        QFETCH(QString, expression);
        QFETCH(QString, translated);
        if (translated.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(qd::Error, jet::translate("select " + expression + " from Customers"));
            return;
        }
        QCOMPARE(jet::translate(QStringLiteral("select ") + expression + QStringLiteral(" from Customers")),
                 QStringLiteral("select ") + translated + QStringLiteral(" from Customers"));
    }

    // The joined texts are the ones qd_add gave: Null on either side stays Null, numbers in
    // text stay text.
    void plusBetweenTextsOnABook() {
        m_db.execute("insert into Employees (FirstName, LastName) values ('Arvo', 'Tindle')");
        m_db.execute("insert into Employees (FirstName, LastName) values ('Ferro', Null)");
        m_db.execute("insert into Employees (FirstName, LastName) values ('1', '2')");
        QList<QVariant> names;
        Recordset rs;
        rs.open("select FirstName + ' ' + LastName as Name from Employees order by EmployeeID", m_db);
        for (; !rs.eof(); rs.moveNext()) names << rs.field(0);
        QCOMPARE(names.size(), 3);
        QCOMPARE(names[0].toString(), QStringLiteral("Arvo Tindle"));
        QVERIFY(names[1].isNull());
        QCOMPARE(names[2].toString(), QStringLiteral("1 2"));
        QCOMPARE(names[2].typeId(), QMetaType::QString);
        // A number column still adds.
        QCOMPARE(firstRow(m_db, "select EmployeeID + 1 from Employees where EmployeeID = 1").value(0).toInt(), 2);
    }

    void firstAndLastThroughTheKey_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("translated");
        QTest::newRow("last order") << "SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders"
                                    << "SELECT (SELECT OrderID FROM Orders ORDER BY OrderID DESC LIMIT 1) AS [MaxID]";
        QTest::newRow("first shipping method")
            << "SELECT First([Shipping Methods].ShippingMethodID) AS [MaxID] FROM [Shipping Methods]"
            << "SELECT (SELECT ShippingMethodID FROM [Shipping Methods] ORDER BY ShippingMethodID ASC LIMIT 1) AS [MaxID]";
        QTest::newRow("unqualified, no alias") << "select last(CustomerID) from Customers;"
                                               << "SELECT (SELECT CustomerID FROM Customers ORDER BY CustomerID DESC LIMIT 1) AS [last(CustomerID)]";
        QTest::newRow("not the key") << "select last(CustomerID) from Orders"
                                     << "select last(CustomerID) from Orders NOT INDEXED";
        QTest::newRow("another table's key") << "SELECT Last(Customers.CustomerID) FROM Orders"
                                             << "SELECT Last(Customers.CustomerID) FROM Orders NOT INDEXED";
    }
    void firstAndLastThroughTheKey() {
        QFETCH(QString, statement);
        QFETCH(QString, translated);
        QCOMPARE(jet::translate(statement), translated);
    }

    // The same values as the aggregates over rows added one after another, one row with Null
    // for an empty table, the column names unchanged.
    void firstAndLastOnABook() {
        const QString last = QStringLiteral("SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders");
        const QString first = QStringLiteral("SELECT First(Orders.OrderID) AS [MaxID] FROM Orders");
        QString name;
        const QVariantList empty = firstRow(m_db, last, &name);
        QCOMPARE(empty.size(), 1);
        QVERIFY(empty[0].isNull());
        QCOMPARE(name, QStringLiteral("MaxID"));
        for (int i = 0; i < 5; ++i) m_db.execute("insert into Orders (CustomerID) values (1)");
        m_db.execute("delete from Orders where OrderID = 1");
        QCOMPARE(firstRow(m_db, last).value(0).toInt(), 5);
        QCOMPARE(firstRow(m_db, first).value(0).toInt(), 2);
        firstRow(m_db, QStringLiteral("select last(OrderID) from Orders"), &name);
        QCOMPARE(name, QStringLiteral("last(OrderID)"));
        // The table is walked in key order from the wanted end and left after one row: no sort,
        // no other index.
        const QString steps = plan(m_db, last);
        QVERIFY2(steps.contains(QLatin1String("SCAN Orders\n")) && !steps.contains(QLatin1String("TEMP")) &&
                     !steps.contains(QLatin1String("INDEX")),
                 qPrintable(steps));
    }

    // The translator's schema knowledge is the template book's own: every column with its kind,
    // every table with its integer key.
    void schemaMatchesTheTemplate() {
        sqlite3* db = qd::data::SqliteEngine::behind(m_db)->handle();
        sqlite3_stmt* tables = nullptr;
        sqlite3_prepare_v2(db, "select name from sqlite_master where type = 'table' and name not like 'sqlite%'",
                           -1, &tables, nullptr);
        int columns = 0;
        while (sqlite3_step(tables) == SQLITE_ROW) {
            const QString table = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)));
            sqlite3_stmt* info = nullptr;
            const QByteArray pragma = "pragma table_info([" + table.toUtf8() + "])";
            sqlite3_prepare_v2(db, pragma.constData(), -1, &info, nullptr);
            while (sqlite3_step(info) == SQLITE_ROW) {
                const QString column = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
                const QByteArray type = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(info, 2))).toUpper();
                const bool key = sqlite3_column_int(info, 5) == 1;
                Schema::Kind expected = Schema::Kind::Text;
                if (key) expected = Schema::Kind::Key;
                else if (type == "INTEGER") expected = Schema::Kind::Integer;
                else if (type == "DATETIME") expected = Schema::Kind::Date;
                else if (type == "DOUBLE") expected = Schema::Kind::Number;
                else if (type == "CURRENCY") expected = Schema::Kind::Money;
                else QCOMPARE(type, QByteArray("TEXT"));
                const QString name = QLatin1Char('[') + table + QStringLiteral("].") + column;
                QVERIFY2(Schema::book().kindOf(name) == expected, qPrintable(name));
                if (key) QCOMPARE(Schema::book().keyOf(QLatin1Char('[') + table + QLatin1Char(']')), column);
                ++columns;
            }
            sqlite3_finalize(info);
        }
        sqlite3_finalize(tables);
        int described = 0;
        for (const auto& table : qd::data::Schema::book().tables()) described += int(table.columns.size());
        QCOMPARE(columns, described);
        // Names shared by tables of other kinds have none unqualified.
        QVERIFY(!Schema::book().kindOf(u"OrderID").has_value());
        QVERIFY(Schema::book().kindOf(u"UnitPrice") == Schema::Kind::Money);
        QVERIFY(!Schema::book().kindOf(u"Nothing").has_value());
        QCOMPARE(Schema::book().keyOf(u"Nothing"), QString());
    }
};

QTEST_GUILESS_MAIN(TestJet)
#include "test_jet.moc"
