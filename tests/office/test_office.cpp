// An office on one order book: two desks (two processes of the program's main window) on a
// PostgreSQL book of a server this test starts, stops and starts again itself, and on one
// file. What a desk does shows on the other by itself; two desks saving the same order never
// lose a change without being asked; a server that goes away leaves the list as it was, says
// so once per action, and is connected again by itself; the roles the README gives do their
// daily work and no more.

#include "app/book.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "core/error.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "support/desk.h"
#include "support/testenv.h"
#include "support/testserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

constexpr int kLong = 30000;   // an answer the desk gives at once, on a busy machine
constexpr int kNews = 10000;   // another desk's change arriving by itself (a few hundred ms)

QString sourceDir() { return QStringLiteral(QD_SOURCE_DIR); }

// The statements of a book's first rows: two customers, an employee, a shipping method, two
// products and one order with one line.
const QStringList kFirstRows{
    "insert into Customers (CompanyName) values ('Acme')",
    "insert into Customers (CompanyName) values ('Zeta')",
    "insert into Employees (FirstName,LastName) values ('Ann','Vos')",
    "insert into [Shipping Methods] (ShippingMethod) values ('Air')",
    "insert into Products (ProductName,UnitPrice) values ('Widget',12.5)",
    "insert into Products (ProductName,UnitPrice) values ('Bolt',40)",
    "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,"
    "ShippingMethodID,SalesTaxRate) values (1,1,#03/07/2026#,'orig',#03/09/2026#,1,0.05)",
    "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (1,1,3,12.5,0)"};

}  // namespace

class TestOffice : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    QString m_state;  // our own server's state file
    QString m_admin;  // its connection string, as the server's owner
    int m_books = 0;

    bool server(const QString& action) {
        QProcess p;
        p.start(QStringLiteral("sh"), {sourceDir() + QStringLiteral("/tests/server/pgserver.sh"), action, m_state});
        return p.waitForFinished(120000) && p.exitCode() == 0;
    }

    // A book with its first rows: a new database on the server (given to `prepare` before its
    // tables are made), or a new file.
    QString newBook(bool onServer, const std::function<void(const QString&)>& prepare = {}) {
        QString where;
        if (onServer) {
            const QString name = QStringLiteral("office%1").arg(++m_books);
            if (!TestServer::run(m_admin, QStringLiteral("CREATE DATABASE %1").arg(name))) return {};
            where = QString(m_admin).replace(QStringLiteral("dbname=postgres"), QStringLiteral("dbname=") + name);
            if (prepare) prepare(where);
            qd::data::initServerBook(where);
        } else {
            where = m_env.root() + QStringLiteral("/office%1.mdb").arg(++m_books);
            if (!QFile::copy(TestEnvironment::templateFile(), where)) return {};
            QFile::setPermissions(where, QFile::ReadOwner | QFile::WriteOwner);
        }
        qd::data::Connection book;
        book.open(qd::bookConnectionString(qd::parseBookLocation(where)));
        for (const QString& sql : kFirstRows) book.execute(sql);
        return where;
    }

    static QStringList stored(const QString& where, const QString& sql) {
        qd::data::Connection book;
        book.open(qd::bookConnectionString(qd::parseBookLocation(where)));
        QStringList values;
        qd::data::Recordset rs;
        for (rs.open(sql, book); !rs.eof(); rs.moveNext()) {
            QStringList row;
            for (int i = 0; i < rs.fieldCount(); ++i) row << rs.field(i).toString();
            values << row.join(u'|');
        }
        return values;
    }

    static bool listHolds(Desk& desk, const QString& text) {
        return desk.rows(QStringLiteral("ListView1")).filter(text).size() > 0;
    }

    // Opens the order in the editor of the desk, as a double-click does.
    static void edit(Desk& desk, const QString& order) {
        QCOMPARE(desk.run(QStringLiteral("select ListView1 ") + order), QStringList());
        const int mark = desk.mark();
        QCOMPARE(desk.run(QStringLiteral("press PushButton1")), QStringList());
        QVERIFY2(desk.waitForLine(QStringLiteral("window Form2"), kLong, mark),
                 qPrintable(desk.since(mark).join(u'\n')));
    }

    // Presses Save and answers the success message.
    static void saveAndClose(Desk& desk) {
        const int mark = desk.mark();
        QCOMPARE(desk.run(QStringLiteral("press PushButton2")), QStringList());
        QVERIFY2(desk.waitForLine(QStringLiteral("box Quarrydesk|Record Successfully Saved"), kLong, mark),
                 qPrintable(desk.since(mark).join(u'\n')));
        QCOMPARE(desk.run(QStringLiteral("answer OK")), QStringList());
        QVERIFY(desk.waitForLine(QStringLiteral("closed Form2"), kLong, mark));
    }

    // A new order through the editor and the line window, as the user makes one.
    static void addOrder(Desk& desk, const QString& po) {
        fillNewOrder(desk, po);
        saveAndClose(desk);
    }
    // The editor opened for a new order, filled in, with one line, not saved yet.
    static void fillNewOrder(Desk& desk, const QString& po) {
        int mark = desk.mark();
        QCOMPARE(desk.run(QStringLiteral("press PushButton2")), QStringList());
        QVERIFY(desk.waitForLine(QStringLiteral("window Form2"), kLong, mark));
        QCOMPARE(desk.run(QStringLiteral("choose Combo1 Zeta")), QStringList());
        QCOMPARE(desk.run(QStringLiteral("choose Combo2 Ann Vos")), QStringList());
        QCOMPARE(desk.run(QStringLiteral("choose Combo3 Air")), QStringList());
        QCOMPARE(desk.run(QStringLiteral("type Text1 ") + po), QStringList());
        mark = desk.mark();
        QCOMPARE(desk.run(QStringLiteral("press PushButton9")), QStringList());
        QVERIFY(desk.waitForLine(QStringLiteral("window Form3"), kLong, mark));
        QCOMPARE(desk.run(QStringLiteral("choose Combo1 Bolt")), QStringList());
        QCOMPARE(desk.run(QStringLiteral("type Text1 2")), QStringList());
        QCOMPARE(desk.run(QStringLiteral("press PushButton2")), QStringList());
        QVERIFY(desk.waitForLine(QStringLiteral("closed Form3"), kLong, mark));
    }

    // Program faults shown on a desk, which none of these actions may give.
    static QStringList faults(Desk& desk) { return desk.since(0).filter(QStringLiteral("Application Error")); }

private slots:
    void initTestCase() {
        m_state = m_env.root() + QStringLiteral("/server");
        QVERIFY2(server(QStringLiteral("start")), "the test's own PostgreSQL server did not start");
        QFile state(m_state);
        QVERIFY(state.open(QIODevice::ReadOnly));
        m_admin = QString::fromUtf8(state.readAll()).trimmed();
    }
    void cleanupTestCase() { server(QStringLiteral("stop")); }

    // Both desks open order 1; the first saves a change; the second is told inside its editor,
    // and its Save asks whose version stays. Each answer keeps what it says and loses nothing
    // that was not chosen away.
    void twoDesksSaveOneOrder_data() {
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("storedPo");   // in the book afterwards
        QTest::addColumn<QString>("editorPo");   // in the second desk's editor ("" once closed)
        for (const bool onServer : {true, false}) {
            const char* book = onServer ? "server" : "file";
            QTest::addRow("%s, keep mine", book) << onServer << "Keep Mine" << "from B" << "";
            QTest::addRow("%s, take theirs", book) << onServer << "Take Theirs" << "from A" << "from A";
            QTest::addRow("%s, go back", book) << onServer << "Go Back" << "from A" << "from B";
        }
    }
    void twoDesksSaveOneOrder() {
        QFETCH(bool, onServer);
        QFETCH(QString, choice);
        QFETCH(QString, storedPo);
        QFETCH(QString, editorPo);
        const QString where = newBook(onServer);
        QVERIFY(!where.isEmpty());
        Desk a(where), b(where);
        QVERIFY(a.ready() && b.ready());
        edit(a, "1");
        edit(b, "1");
        QCOMPARE(a.run("type Text1 from A"), QStringList());
        saveAndClose(a);
        // Told inside the open editor, before anyone presses Save there.
        QVERIFY2(b.eventually([&] { return b.notice("Form2").contains("changed on another desk"); }, kNews),
                 qPrintable(b.notice("Form2")));

        QCOMPARE(b.run("type Text1 from B"), QStringList());
        QCOMPARE(b.run("type Text2 7"), QStringList());
        const int mark = b.mark();
        QCOMPARE(b.run("press PushButton2"), QStringList());
        QVERIFY(b.waitForLine("box Quarrydesk|Order 1 was changed on another desk", kLong, mark));
        QVERIFY(b.since(mark).filter("box ").last().endsWith("|Keep Mine;Take Theirs;Go Back"));
        QCOMPARE(b.run("answer " + choice), QStringList());
        if (choice == "Keep Mine") {
            QVERIFY(b.waitForLine("box Quarrydesk|Record Successfully Saved", kLong, mark));
            QCOMPARE(b.run("answer OK"), QStringList());
            QVERIFY(b.waitForLine("closed Form2", kLong, mark));
        } else {
            QCOMPARE(b.run("ping"), QStringList{"pong"});
            QCOMPARE(b.field("Text1"), editorPo);
            QCOMPARE(b.field("Text2"), choice == "Take Theirs" ? QStringLiteral("5") : QStringLiteral("7"));
            QCOMPARE(b.run("press PushButton1"), QStringList());  // Cancel
            QVERIFY(b.waitForLine("closed Form2", kLong, mark));
        }
        QCOMPARE(stored(where, "select PurchaseOrderNumber from Orders"), QStringList{storedPo});
        QCOMPARE(stored(where, "select count(*) from [Order Details]"), QStringList{"1"});
        // Each desk's list shows what the book holds, without any action there.
        for (Desk* desk : {&a, &b})
            QVERIFY(desk->eventually([&] { return listHolds(*desk, "|" + storedPo + "|"); }, kNews));
        QCOMPARE(faults(a), QStringList());
        QCOMPARE(faults(b), QStringList());
    }

    // An order open on one desk is deleted on the other: said in the editor; Save offers to
    // keep it as a new order, and Keep Mine does that.
    void deletedWhileOpen_data() {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("server") << true;
        QTest::newRow("file") << false;
    }
    void deletedWhileOpen() {
        QFETCH(bool, onServer);
        const QString where = newBook(onServer);
        Desk a(where), b(where);
        QVERIFY(a.ready() && b.ready());
        edit(b, "1");
        QCOMPARE(b.run("type Text1 kept"), QStringList());
        QCOMPARE(a.run("select ListView1 1"), QStringList());
        int mark = a.mark();
        QCOMPARE(a.run("press PushButton3"), QStringList());
        QVERIFY(a.waitForLine("box Quarrydesk|Are you sure you want to delete [Acme - Ann Vos]?", kLong, mark));
        QCOMPARE(a.run("answer Yes"), QStringList());
        QVERIFY(b.eventually([&] { return b.notice("Form2").contains("deleted on another desk"); }, kNews));

        mark = b.mark();
        QCOMPARE(b.run("press PushButton2"), QStringList());
        QVERIFY(b.waitForLine("box Quarrydesk|Order 1 was deleted on another desk", kLong, mark));
        QCOMPARE(b.run("answer Keep Mine"), QStringList());
        QVERIFY(b.waitForLine("box Quarrydesk|Record Successfully Saved", kLong, mark));
        QCOMPARE(b.run("answer OK"), QStringList());
        QCOMPARE(stored(where, "select PurchaseOrderNumber from Orders"), QStringList{"kept"});
        QCOMPARE(stored(where, "select count(*) from [Order Details]"), QStringList{"1"});
        QVERIFY(a.eventually([&] { return listHolds(a, "|kept|"); }, kNews));
        QCOMPARE(faults(a), QStringList());
        QCOMPARE(faults(b), QStringList());
    }

    // What one desk saves, edits and deletes shows on the other by itself, in place: its
    // sort, its selected order and that order's lines stay.
    void changesShowOnTheOtherDesk_data() { deletedWhileOpen_data(); }
    void changesShowOnTheOtherDesk() {
        QFETCH(bool, onServer);
        const QString where = newBook(onServer);
        Desk a(where), b(where);
        QVERIFY(a.ready() && b.ready());
        QCOMPARE(b.run("heading ListView1 5"), QStringList());  // sorted by PO number
        QCOMPARE(b.run("select ListView1 1"), QStringList());

        addOrder(a, "new-1");
        qint64 took = 0;
        QVERIFY(b.eventually([&] { return listHolds(b, "|new-1|"); }, kNews, &took));
        qInfo("%s: a new order showed on the other desk after %lld ms", onServer ? "server" : "file", took);
        QStringList rows = b.rows("ListView1");
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].startsWith("row 2|Zeta|"));   // "new-1" sorts before "orig"
        QVERIFY(rows[1].startsWith("row 1|Acme|"));
        QCOMPARE(rows[2], QStringLiteral("selected 1"));  // still the order chosen there

        edit(a, "2");
        QCOMPARE(a.run("type Text1 zz"), QStringList());
        saveAndClose(a);
        QVERIFY(b.eventually([&] { return b.rows("ListView1").value(0).startsWith("row 1|"); }, kNews));
        QCOMPARE(b.rows("ListView1").value(1).section(u'|', 4, 4), QStringLiteral("zz"));
        QCOMPARE(b.rows("ListView1").last(), QStringLiteral("selected 1"));

        // The selected order's lines follow when it changes elsewhere.
        QCOMPARE(b.run("select ListView1 2"), QStringList());
        QVERIFY(b.rows("ListView2").value(0).contains("|Bolt|2|"));
        edit(a, "2");
        int mark = a.mark();
        QCOMPARE(a.run("press PushButton9"), QStringList());
        QVERIFY(a.waitForLine("window Form3", kLong, mark));
        QCOMPARE(a.run("choose Combo1 Widget"), QStringList());
        QCOMPARE(a.run("type Text1 4"), QStringList());
        QCOMPARE(a.run("press PushButton2"), QStringList());
        QVERIFY(a.waitForLine("closed Form3", kLong, mark));
        saveAndClose(a);
        QVERIFY(b.eventually([&] { return b.rows("ListView2").size() == 3; }, kNews));

        QCOMPARE(a.run("select ListView1 2"), QStringList());
        mark = a.mark();
        QCOMPARE(a.run("press PushButton3"), QStringList());
        QVERIFY(a.waitForLine("box Quarrydesk|Are you sure", kLong, mark));
        QCOMPARE(a.run("answer Yes"), QStringList());
        QVERIFY(b.eventually([&] { return !listHolds(b, "row 2|"); }, kNews));
        QCOMPARE(b.rows("ListView1").last(), QStringLiteral("selected 1"));  // the one in its place

        // An order written past the program (no desk told of it): F5 reads every order again.
        if (onServer) {
            QVERIFY(TestServer::run(where, "INSERT INTO \"Orders\" (\"CustomerID\", \"EmployeeID\", "
                                           "\"ShippingMethodID\", \"PurchaseOrderNumber\") VALUES (1, 1, 1, 'past')"));
            QVERIFY(!listHolds(b, "|past|"));
            QCOMPARE(b.run("key ListView1 F5"), QStringList());
            QVERIFY(b.eventually([&] { return listHolds(b, "|past|"); }, kLong));
            QCOMPARE(b.rows("ListView1").last(), QStringLiteral("selected 1"));
        }
        QCOMPARE(faults(a), QStringList());
        QCOMPARE(faults(b), QStringList());
    }

    // The server goes away while a desk shows its orders: the list stays, marked not current;
    // each action says so once, in a plain message, and no editor opens; when the server is
    // back the desk connects again by itself and reads every order anew.
    void serverGoesAwayAndComesBack() {
        const QString where = newBook(true);
        Desk a(where);
        QVERIFY(a.ready());
        const QString book = qd::bookTitle(qd::parseBookLocation(where));
        QCOMPARE(a.title(), "Quarrydesk - " + book);
        // An order the desk was not told of: only reading everything again shows it.
        QVERIFY(TestServer::run(where, "INSERT INTO \"Orders\" (\"CustomerID\", \"EmployeeID\", \"OrderDate\", "
                                       "\"PurchaseOrderNumber\", \"ShipDate\", \"ShippingMethodID\", "
                                       "\"SalesTaxRate\") VALUES (2, 1, '2026-03-07', 'untold', '2026-03-07', 1, 0)"));
        const QStringList before = a.rows("ListView1");

        QVERIFY(server("halt"));
        QVERIFY(a.eventually([&] { return a.title().endsWith("(not current)"); }, kNews));
        QVERIFY(a.notice("Form1").startsWith("Not current: the order book server cannot be reached"));
        QCOMPARE(a.rows("ListView1"), before);

        // Each action: one plain message, no program fault, no editor.
        const QStringList actions{"press PushButton2", "press PushButton1", "press PushButton3"};
        const QRegularExpression told("^box (?!Quarrydesk\\|Are you sure)");
        for (const QString& action : actions) {
            const int mark = a.mark();
            QCOMPARE(a.run(action), QStringList());
            if (action.endsWith("3")) {
                QVERIFY(a.waitForLine("box Quarrydesk|Are you sure", kLong, mark));
                QCOMPARE(a.run("answer Yes"), QStringList());
            }
            QVERIFY(a.waitFor([&](const QString& l) { return told.match(l).hasMatch(); }, kLong, mark));
            QCOMPARE(a.run("answer OK"), QStringList());
            QCOMPARE(a.run("ping"), QStringList{"pong"});
            const QStringList boxes = a.boxesSince(mark).filter(told);
            QVERIFY2(boxes.size() == 1, qPrintable(action + ": " + boxes.join(u'\n')));
            QVERIFY2(boxes[0].contains("order book server"), qPrintable(boxes[0]));
            QCOMPARE(a.since(mark).filter("window Form2"), QStringList());
            QCOMPARE(a.rows("ListView1"), before);
        }

        QVERIFY(server("resume"));
        QVERIFY(a.eventually([&] { return a.title() == "Quarrydesk - " + book; }, 60000));
        QVERIFY(a.eventually([&] { return listHolds(a, "|untold|"); }, kNews));
        // The editor opens with its lists again.
        const int mark = a.mark();
        QCOMPARE(a.run("press PushButton2"), QStringList());
        QVERIFY(a.waitForLine("window Form2", kLong, mark));
        QCOMPARE(a.run("choose Combo1 Zeta"), QStringList());
        QCOMPARE(a.run("press PushButton1"), QStringList());
        QCOMPARE(faults(a), QStringList());
    }

    // The roles of the README's office section, with exactly the rights it grants: the clerk
    // does the daily work; the reader browses and prints, and is told once, plainly, when a
    // change is refused.
    void rolesOfTheReadme() {
        QFile readme(sourceDir() + "/README.md");
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QRegularExpressionMatch grants =
            QRegularExpression("<!-- roles -->\\s*```sql\\n(.*?)```", QRegularExpression::DotMatchesEverythingOption)
                .match(QString::fromUtf8(readme.readAll()));
        QVERIFY2(grants.hasMatch(), "the README's office section has no roles block");
        // As the README says: the roles before the owner (here the server's own user) makes
        // the tables.
        QString script = grants.captured(1);
        script.replace("orders_owner", "quarrydesk");
        QStringList failures;
        const QString where = newBook(true, [&](const QString& database) {
            for (const QString& statement : script.split(u';', Qt::SkipEmptyParts)) {
                const QString sql = statement.trimmed();
                QString why;
                if (!sql.isEmpty() && !TestServer::run(database, sql, &why)) failures << sql + ": " + why;
            }
        });
        QCOMPARE(failures, QStringList());
        auto as = [&](const char* role) { return QString(where).replace("user=quarrydesk", QStringLiteral("user=") + role); };

        Desk clerk(as("clerk"));
        QVERIFY(clerk.ready());
        int mark = clerk.mark();
        QCOMPARE(clerk.run("press PushButton4"), QStringList());  // sample data
        QCOMPARE(clerk.run("ping"), QStringList{"pong"});
        QVERIFY(clerk.eventually([&] { return clerk.rows("ListView1").size() == 5; }, kNews));
        addOrder(clerk, "by-clerk");
        edit(clerk, "1");
        mark = clerk.mark();
        QCOMPARE(clerk.run("press PushButton7"), QStringList());  // a shipping method added
        QVERIFY(clerk.waitForLine("input ", kLong, mark));
        QCOMPARE(clerk.run("enter Courier"), QStringList());
        QCOMPARE(clerk.run("choose Combo3 Courier"), QStringList());
        saveAndClose(clerk);
        QCOMPARE(clerk.run("select ListView1 2"), QStringList());
        mark = clerk.mark();
        QCOMPARE(clerk.run("press PushButton3"), QStringList());
        QVERIFY(clerk.waitForLine("box Quarrydesk|Are you sure", kLong, mark));
        QCOMPARE(clerk.run("answer Yes"), QStringList());
        QCOMPARE(clerk.run("ping"), QStringList{"pong"});
        QCOMPARE(faults(clerk), QStringList());
        QCOMPARE(clerk.boxesSince(0).filter("may look at").size(), 0);
        QCOMPARE(stored(where, "select count(*) from Orders where PurchaseOrderNumber = 'by-clerk'"), QStringList{"1"});
        QCOMPARE(stored(where, "select ShippingMethod from [Shipping Methods] inner join Orders on "
                               "Orders.ShippingMethodID = [Shipping Methods].ShippingMethodID where OrderID = 1"),
                 QStringList{"Courier"});
        // A report from the command line, as the clerk.
        QProcess report;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_env.root() + "/clerk-config");
        report.setProcessEnvironment(env);
        report.start(QCoreApplication::applicationDirPath() + "/quarrydesk",
                     {"--report", "Total Price of Orders", "--book", as("clerk"), "--csv", "-"});
        QVERIFY(report.waitForFinished(60000));
        QCOMPARE(report.exitCode(), 0);
        const QString csv = QString::fromUtf8(report.readAllStandardOutput());
        QVERIFY2(csv.contains("\"Zeta\"") || csv.contains("Zeta,"), qPrintable(csv));

        Desk reader(as("reader"));
        QVERIFY(reader.ready());
        QCOMPARE(reader.rows("ListView1").size(), clerk.rows("ListView1").size());
        report.start(QCoreApplication::applicationDirPath() + "/quarrydesk",
                     {"--report", "Orders by Customer", "--book", as("reader"), "--csv", "-"});
        QVERIFY(report.waitForFinished(60000));
        QCOMPARE(report.exitCode(), 0);
        QVERIFY(QString::fromUtf8(report.readAllStandardOutput()).contains("by-clerk"));
        addOrderRefused(reader);
        QCOMPARE(faults(reader), QStringList());
    }

    // A role that owns its book and nothing else makes and fills it without a warning (no
    // statistics asked for beyond its tables); a wrong or a missing password is told as
    // such, not as a server out of reach.
    void ownerAndPasswords() {
        QVERIFY(TestServer::run(m_admin, "CREATE ROLE keeper LOGIN PASSWORD 'right'"));
        QVERIFY(TestServer::run(m_admin, "CREATE DATABASE kept OWNER keeper"));
        const QString kept = QString(m_admin).replace("user=quarrydesk", "user=keeper").replace("dbname=postgres", "dbname=kept");
        const QString file = newBook(false);
        for (const QStringList& args : {QStringList{"--init-book", kept}, QStringList{"--copy-book", file, kept}}) {
            QProcess p;
            p.start(QCoreApplication::applicationDirPath() + "/quarrydesk", args);
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), 0);
            const QString said = QString::fromUtf8(p.readAllStandardError());
            QVERIFY2(!said.contains("WARNING") && !said.contains("permission"), qPrintable(said));
        }
        QCOMPARE(stored(kept, "select PurchaseOrderNumber from Orders"), QStringList{"orig"});

        // The server asks "keeper" for its password from now on.
        QFile dir(m_state + ".dir");
        QVERIFY(dir.open(QIODevice::ReadOnly));
        QFile hba(QString::fromUtf8(dir.readAll()).trimmed() + "/data/pg_hba.conf");
        QVERIFY(hba.open(QIODevice::ReadWrite));
        const QByteArray rules = hba.readAll();
        hba.resize(0);
        hba.write("local all keeper scram-sha-256\n" + rules);
        hba.close();
        QVERIFY(TestServer::run(m_admin, "SELECT pg_reload_conf()"));
        struct Case { const char* password; const char* told; };
        for (const Case& c : {Case{"", "asks for a password and none was found"},
                              Case{"wrong", "refused the password"}}) {
            qputenv("PGPASSWORD", c.password);
            try {
                qd::data::PostgresEngine engine(kept);
                QFAIL("connected with a wrong password");
            } catch (const qd::Error& e) {
                QVERIFY2(e.description().contains(c.told) && !e.description().contains("Cannot reach"),
                         qPrintable(e.description()));
                QCOMPARE(e.kind(), qd::Error::Kind::Refused);
            }
        }
        qputenv("PGPASSWORD", "right");
        QCOMPARE(stored(kept, "select count(*) from Orders"), QStringList{"1"});
        qunsetenv("PGPASSWORD");
        hba.open(QIODevice::WriteOnly | QIODevice::Truncate);
        hba.write(rules);
        hba.close();
        QVERIFY(TestServer::run(m_admin, "SELECT pg_reload_conf()"));
    }

    // A disk that fails under a file book: each action says so once, in plain words; no
    // editor opens empty; the orders shown stay; when the disk is well again all works.
    void diskErrorsTellOncePerAction() {
        const QString where = QFileInfo(newBook(false)).canonicalFilePath();
        Desk a(where, {"QD_FAULTY_DISK=" + where});
        QVERIFY(a.ready());
        const QStringList before = a.rows("ListView1");
        touchFile(where + ".fail");
        const QRegularExpression told("^box (?!Quarrydesk\\|Are you sure)");
        for (const QString& action : {"press PushButton2", "press PushButton1", "press PushButton3"}) {
            const int mark = a.mark();
            QCOMPARE(a.run(action), QStringList());
            if (action.endsWith("3")) {
                QVERIFY(a.waitForLine("box Quarrydesk|Are you sure", kLong, mark));
                QCOMPARE(a.run("answer Yes"), QStringList());
            }
            QVERIFY2(a.waitFor([&](const QString& l) { return told.match(l).hasMatch(); }, kLong, mark),
                     qPrintable(a.since(mark).join(u'\n')));
            QCOMPARE(a.run("answer OK"), QStringList());
            QCOMPARE(a.run("ping"), QStringList{"pong"});
            const QStringList boxes = a.boxesSince(mark).filter(told);
            QVERIFY2(boxes.size() == 1 && boxes[0].contains("the disk that holds it reports an error"),
                     qPrintable(action + ": " + boxes.join(u'\n')));
            QCOMPARE(a.since(mark).filter("window Form2"), QStringList());
            QCOMPARE(a.rows("ListView1"), before);
        }
        QFile::remove(where + ".fail");
        addOrder(a, "after");
        QCOMPARE(stored(where, "select count(*) from Orders"), QStringList{"2"});
        QCOMPARE(faults(a), QStringList());
    }

    // A request to end the session (SIGTERM) while a message box is open closes the box and
    // the window as their Escape and close box would: the program ends, its mark gone.
    void endOfSessionWithABoxOpen() {
        const QString where = newBook(false);
        Desk a(where);
        QVERIFY(a.ready());
        const QString folder = QFileInfo(where).absolutePath();
        QCOMPARE(QDir(folder).entryList({"*.in-use.*"}, QDir::Hidden | QDir::Files).size(), 1);
        const int mark = a.mark();
        QCOMPARE(a.run("press PushButton6"), QStringList());  // Help
        QVERIFY(a.waitForLine("box Quarrydesk|Questions?", kLong, mark));
        QVERIFY(::kill(pid_t(a.pid()), SIGTERM) == 0);
        QCOMPARE(a.waitForEnd(kLong), 0);
        QCOMPARE(QDir(folder).entryList({"*.in-use.*"}, QDir::Hidden | QDir::Files), QStringList());
    }

private:
    static void touchFile(const QString& path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    // The reader's Save: one plain message that the change was refused, the editor still open.
    void addOrderRefused(Desk& desk) {
        fillNewOrder(desk, "by-reader");
        const int mark = desk.mark();
        QCOMPARE(desk.run("press PushButton2"), QStringList());
        QVERIFY(desk.waitForLine("box Quarrydesk|", kLong, mark));
        QCOMPARE(desk.run("answer OK"), QStringList());
        QCOMPARE(desk.run("ping"), QStringList{"pong"});
        const QStringList boxes = desk.boxesSince(mark);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains("may look at the order book") && boxes[0].contains("Nothing was stored"),
                 qPrintable(boxes[0]));
        QCOMPARE(desk.since(mark).filter("closed Form2"), QStringList());
        QCOMPARE(desk.run("press PushButton1"), QStringList());
    }
};

QTEST_MAIN(TestOffice)
#include "test_office.moc"
