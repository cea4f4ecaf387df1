// Making a server order book, copying a book there and back, and reports from it, as an office
// does it from the command line: the real executable and a real PostgreSQL server.

#include "app/book.h"
#include "app/folders.h"
#include "core/error.h"
#include "app/settings.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "fixture.h"
#include "cli/commandline.h"
#include "support/programrun.h"
#include "support/testenv.h"
#include "support/testserver.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

namespace {

using Run = ProgramRun;

// Every row of every table, keys included, as text.
QStringList contents(const QString& connectionString) {
    qd::data::Connection db;
    db.open(connectionString);
    QStringList rows;
    for (const auto& table : qd::data::Schema::book().tables()) {
        qd::data::Recordset rs;
        for (rs.open("select * from " + qd::data::bracketed(table.name) + " order by " +
                         table.key(), db);
             !rs.eof(); rs.moveNext()) {
            QStringList row{table.name};
            for (int i = 0; i < rs.fieldCount(); ++i) row << rs.field(i).toString();
            rows << row.join(u'|');
        }
    }
    return rows;
}

}  // namespace

class TestBookCli : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;
    TestServer m_server;

public:
    explicit TestBookCli(TestEnvironment* env) : m_env(env) {}

private:
    Run quarrydesk(const QStringList& args) { return runQuarrydesk(m_env->root(), args, 120000); }
    QString file(const QString& name) const { return m_env->root() + u'/' + name; }
    static QString server(const QString& conninfo) {
        return qd::bookConnectionString(qd::parseBookLocation(conninfo));
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
    }

    void initBook() {
        const QString db = m_server.newDatabase();
        Run run = quarrydesk({"--init-book", db});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith("Made the order book in "), qPrintable(run.out));
        QCOMPARE(contents(server(db)), QStringList());
        // Twice is refused, and so is a database that holds anything else.
        run = quarrydesk({"--init-book", db});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("already holds tables (Customers, "), qPrintable(run.err));
        const QString other = m_server.newDatabase();
        const QString otherName = other.section("dbname=", 1);
        QVERIFY(m_server.admin("SELECT 1"));
        {
            qd::data::Connection c;
            QVERIFY_THROWS_EXCEPTION(qd::Error, c.open(server(other)));  // no order book there
        }
        const QString foreign = "CREATE TABLE payroll (id int)";
        QString why;
        QVERIFY2(TestServer::run(other, foreign, &why), qPrintable(why));
        run = quarrydesk({"--init-book", other});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("already holds tables (payroll)"), qPrintable(run.err));
        QCOMPARE(TestServer::value(other, "select count(*) from pg_tables where schemaname='public'"), "1");
        // A file is no server.
        QCOMPARE(quarrydesk({"--init-book", file("x.mdb")}).exitCode, 2);
        Q_UNUSED(otherName);
    }

    // The local book moved to the server, reports made from both, and back into a new file.
    void copyThereAndBack() {
        m_env->provideWorkingFile();
        {
            qd::data::Connection db;
            db.open(fileConnectionString(m_env->workingFile()));
            fixture::sampleData(db);
            fixture::awkwardData(db);
            db.execute("delete from Customers where CustomerID=2");  // keys with a gap
        }
        const QString db = m_server.newDatabase();
        QCOMPARE(quarrydesk({"--init-book", db}).exitCode, 0);
        Run run = quarrydesk({"--copy-book", m_env->workingFile(), db});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(": 4 Customers, 3 Employees, 3 Shipping Methods, 4 Products, "
                                  "6 Orders, 7 Order Details."), qPrintable(run.out));
        const QStringList original = contents(fileConnectionString(m_env->workingFile()));
        QCOMPARE(contents(server(db)), original);
        // Into a book with rows: refused, nothing added.
        run = quarrydesk({"--copy-book", m_env->workingFile(), db});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("already holds Customers"), qPrintable(run.err));
        QCOMPARE(contents(server(db)).size(), original.size());

        // The same reports, to the byte, from the file and from the server.
        for (const char* report : {"Orders by Customer", "Total Price of Orders",
                                   "Total Price of Each Order Detail"}) {
            QCOMPARE(quarrydesk({"--report", report, "--csv", file("file.csv")}).exitCode, 0);
            run = quarrydesk({"--book", db, "--report", report, "--csv", file("server.csv"),
                              "--pdf", file("server.pdf")});
            QCOMPARE(run.exitCode, 0);
            QFile a(file("file.csv")), b(file("server.csv")), pdf(file("server.pdf"));
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QCOMPARE(b.readAll(), a.readAll());
            QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        }
        // A report's --book is for that run only.
        QCOMPARE(qd::GetSetting("Brisklane", "Quarrydesk", "Book", "none"), "none");

        // New rows on the server take numbers past the copied ones.
        qd::data::Connection book;
        book.open(server(db));
        book.execute("insert into Customers (CompanyName) values ('New')");
        qd::data::Recordset rs;
        rs.open("select max(CustomerID) from Customers", book);
        QCOMPARE(rs.field(0).toInt(), 6);
        rs.close();
        book.execute("delete from Customers where CustomerID=6");
        book.close();

        // And back into a file that does not exist yet.
        run = quarrydesk({"--copy-book", db, "sqlite:" + file("back.mdb")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(contents(fileConnectionString(file("back.mdb"))), original);
        qd::data::Connection back;
        back.open(fileConnectionString(file("back.mdb")));
        back.execute("insert into Orders (CustomerID) values (1)");
        rs.open("select max(OrderID) from Orders", back);
        QCOMPARE(rs.field(0).toInt(), 7);
        rs.close();
        // Numbers once given are not given again, wherever the book goes: customer 6 was
        // deleted on the server, so the next customer is 7.
        back.execute("insert into Customers (CompanyName) values ('Newer')");
        rs.open("select max(CustomerID) from Customers", back);
        QCOMPARE(rs.field(0).toInt(), 7);
    }

    // --book opens the window with that book and remembers it; --forget-book goes back.
    void chosenForTheWindow() {
        const QString db = m_server.newDatabase();
        QCOMPARE(qd::cli::runCommandLine({"quarrydesk", "--book", db}), std::nullopt);
        QCOMPARE(qd::GetSetting("Brisklane", "Quarrydesk", "Book"), db);
        QCOMPARE(qd::ConnectionString(), "provider=postgresql;data source=" + db);
        QCOMPARE(qd::cli::runCommandLine({"quarrydesk", "--forget-book"}), std::nullopt);
        QCOMPARE(qd::GetSetting("Brisklane", "Quarrydesk", "Book", "none"), "none");
        QCOMPARE(qd::cli::runCommandLine(
                     {"quarrydesk", "--book", "postgresql://clerk:secret@db/orders"}),
                 std::optional<int>(2));
        QCOMPARE(qd::GetSetting("Brisklane", "Quarrydesk", "Book", "none"), "none");
        const char* argv[] = {"quarrydesk", "--book", "x.mdb"};
        QVERIFY(!qd::cli::isCommandLineRun(3, const_cast<char**>(argv)));
        const char* argv2[] = {"quarrydesk", "--copy-book", "a", "b"};
        QVERIFY(qd::cli::isCommandLineRun(4, const_cast<char**>(argv2)));
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QCoreApplication app(argc, argv);
    TestBookCli test(&env);
    return QTest::qExec(&test, argc, argv);
}
#include "test_bookcli.moc"
