// The tables and saved queries made on a real server from the one description: what the server
// holds afterwards, column by column.

#include "data/schema.h"
#include "support/testserver.h"

#include <QtTest>

using qd::data::Schema;

class TestServerSchema : public QObject {
    Q_OBJECT
    TestServer m_server;

    QStringList column(PGconn* conn, const QString& sql) {
        QStringList values;
        PGresult* r = PQexec(conn, sql.toUtf8().constData());
        for (int i = 0; i < PQntuples(r); ++i) values << QString::fromUtf8(PQgetvalue(r, i, 0));
        PQclear(r);
        return values;
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
    }

    void scriptMakesTheBook() {
        PGconn* conn = PQconnectdb(m_server.newDatabase().toUtf8().constData());
        QCOMPARE(PQstatus(conn), CONNECTION_OK);
        for (const QString& statement : Schema::book().postgresScript()) {
            PGresult* r = PQexec(conn, statement.toUtf8().constData());
            QVERIFY2(PQresultStatus(r) == PGRES_COMMAND_OK, PQresultErrorMessage(r));
            PQclear(r);
        }
        QCOMPARE(column(conn, "select table_name from information_schema.tables where "
                              "table_schema = current_schema() and table_type = 'BASE TABLE' "
                              "order by 1"),
                 (QStringList{"Customers", "Employees", "Order Details", "Orders", "Products",
                              "Shipping Methods"}));
        QCOMPARE(column(conn, "select table_name from information_schema.views where "
                              "table_schema = current_schema() order by 1"),
                 (QStringList{"Orders by Customer", "Total Price of Order Details",
                              "Total Price of Orders"}));
        // Every column with its kind, in the description's order.
        for (const Schema::Table& table : Schema::book().tables()) {
            QStringList expected;
            for (const Schema::Column& c : table.columns) {
                static const char* const types[] = {"integer", "integer", "text", "numeric",
                                                    "numeric", "timestamp without time zone"};
                expected << c.name + ":" + types[int(c.kind)];
            }
            QCOMPARE(column(conn, QStringLiteral("select column_name || ':' || data_type from "
                                                 "information_schema.columns where table_name = "
                                                 "'%1' order by ordinal_position").arg(table.name)),
                     expected);
        }
        QCOMPARE(column(conn, "select column_name from information_schema.columns where "
                              "table_name = 'Total Price of Orders' order by ordinal_position"),
                 (QStringList{"CompanyName", "OrderID", "SumOfTotal Price"}));
        // Money keeps its decimals exactly.
        PQclear(PQexec(conn, "insert into \"Products\" (\"ProductName\", \"UnitPrice\") values "
                             "('x', 1234567.8915)"));
        QCOMPARE(column(conn, "select \"UnitPrice\" from \"Products\""), QStringList{"1234567.8915"});
        PQfinish(conn);
    }
};

QTEST_GUILESS_MAIN(TestServerSchema)
#include "test_serverschema.moc"
