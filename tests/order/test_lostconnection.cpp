// A desktop whose connection to the order book server goes: while it sits idle the next action
// simply connects again; in the middle of a save it shows one message, stores nothing of the
// save, keeps the editor open, and the next press of Save stores the order whole.

#include "app/book.h"
#include "data/bookcopy.h"
#include "data/pgengine.h"
#include "orderbook.h"
#include "support/testserver.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QLineEdit>

using qd::ui::Form2;

class TestLostConnection : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    TestServer m_server;
    QString m_db;

    int serverProcess() {
        return qd::data::PostgresEngine::behind(qd::AppConnection())->serverProcess();
    }
    void cut() {
        QString why;
        QVERIFY2(m_server.admin(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(serverProcess()), &why),
                 qPrintable(why));
    }
    std::unique_ptr<Form2> newOrder(ScriptedDialogs& dialogs, const QString& po) {
        auto form = std::make_unique<Form2>();
        form->m_ID = QString();
        form->show();
        book::choose(form->Combo1, "Acme");
        book::choose(form->Combo2, "Ann Vos");
        book::choose(form->Combo3, "Air");
        form->Text1->setText(po);
        for (const char* quantity : {"3", "4"}) {
            dialogs.windows.enqueue([=](QDialog* window) {
                auto* f = static_cast<qd::ui::Form3*>(window);
                book::choose(f->Combo1, "Widget");
                f->Combo1_Click();
                f->Text1->setText(quantity);
                f->PushButton2_Click();
            });
            form->PushButton9_Click();
        }
        return form;
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_db = m_server.newDatabase();
        qd::data::initServerBook(m_db);
        qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
        qd::AppConnection().open(qd::bookConnectionString(qd::parseBookLocation(m_db)));
        book::customer("Acme");
        book::employee("Ann", "Vos");
        book::shipping("Air");
        book::product("Widget", "12.5");
    }
    void cleanupTestCase() { book::close(); }

    void lostWhileIdle() {
        ScriptedDialogs dialogs;
        const int before = serverProcess();
        cut();
        auto form = newOrder(dialogs, "Idle");  // reads the lists: connects again on the way
        QVERIFY(serverProcess() != before);
        cut();
        form->PushButton2_Click();  // the save's transaction begins on a new connection
        QCOMPARE(book::errors(dialogs), QStringList());
        QCOMPARE(dialogs.shown.last().text, QStringLiteral("Record Successfully Saved"));
        QCOMPARE(book::single("select count(*) from [Order Details] inner join Orders on "
                              "Orders.OrderID = [Order Details].OrderID where PurchaseOrderNumber = 'Idle'").toInt(), 2);
    }

    void lostDuringSave() {
        // The server cuts the connection when the save writes its first line.
        QString why;
        QVERIFY2(TestServer::run(m_db, "CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS "
                                       "$$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); "
                                       "RETURN NEW; END $$; CREATE TRIGGER cut BEFORE INSERT ON "
                                       "\"Order Details\" FOR EACH ROW EXECUTE FUNCTION cut()", &why),
                 qPrintable(why));
        const int orders = book::count("Orders");
        ScriptedDialogs dialogs;
        auto form = newOrder(dialogs, "Cut");
        form->PushButton2_Click();
        // A state of the world, told once in plain words, not as a program fault; the server
        // is asked whether the commit went through, so the message can say nothing was stored.
        QCOMPARE(book::errors(dialogs), QStringList());
        const QStringList shown = dialogs.messages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("The connection to the order book server '") &&
                     shown[0].contains("Nothing of this action was stored.") &&
                     shown[0].contains("Quarrydesk connects again by itself"),
                 qPrintable(shown[0]));
        QCOMPARE(dialogs.shown.last().icon, qd::Icon::Exclamation);
        QVERIFY(form->isVisible());
        QCOMPARE(form->m_ID, QString());  // still a new order
        QCOMPARE(book::count("Orders"), orders);
        QCOMPARE(book::count("Orders where PurchaseOrderNumber = 'Cut'"), 0);

        // The server is well again; Save once more stores the order with both its lines.
        QVERIFY2(TestServer::run(m_db, "DROP TRIGGER cut ON \"Order Details\"", &why), qPrintable(why));
        dialogs.shown.clear();
        form->PushButton2_Click();
        QCOMPARE(book::errors(dialogs), QStringList());
        QCOMPARE(book::count("Orders"), orders + 1);
        QCOMPARE(book::single("select count(*) from [Order Details] inner join Orders on "
                              "Orders.OrderID = [Order Details].OrderID where PurchaseOrderNumber = 'Cut'").toInt(), 2);
    }
};

QTEST_MAIN(TestLostConnection)
#include "test_lostconnection.moc"
