// The trips each action makes to an order book server, counted by the engine: offices put the
// server in another room or building, where every trip is a wait. The statements are the
// program's own; what is counted is how they travel.

#include "app/appconnection.h"
#include "app/book.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "support/testserver.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using qd::ui::Form1;
using qd::ui::Form2;
using qd::ui::Form3;

namespace {

long long trips() { return qd::AppConnection().engine().roundTrips(); }

void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
}

}  // namespace

class TestRoundTrips : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    TestServer m_server;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_main;
    QMap<QString, long long> m_counted;

    // Counts the trips of one step; the counts are compared at the end, all together.
    template <class Step>
    void count(const QString& what, Step&& step) {
        const long long before = trips();
        step();
        m_counted[what] = trips() - before;
    }

    void addLine(const QString& product, const QString& quantity) {
        m_dialogs.windows.enqueue([=](QDialog* window) {
            auto* line = static_cast<Form3*>(window);
            choose(line->Combo1, product);
            line->Combo1_Click();
            line->Text1->setText(quantity);
            line->PushButton2_Click();
        });
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString db = m_server.newDatabase();
        qd::data::initServerBook(db);
        {
            qd::data::Connection book;
            book.open(qd::bookConnectionString(qd::parseBookLocation(db)));
            book.execute("insert into Customers (CompanyName) values ('Acme')");
            book.execute("insert into Employees (FirstName,LastName) values ('Ann','Vos')");
            book.execute("insert into [Shipping Methods] (ShippingMethod) values ('Air')");
            for (const char* product : {"Widget", "Bolt", "Nut"})
                book.execute(QStringLiteral("insert into Products (ProductName,UnitPrice) values ('%1',2)").arg(product));
        }
        qd::rememberBook(qd::parseBookLocation(db));
    }

    void everyAction() {
        m_main = std::make_unique<Form1>();
        m_main->setEndsProgramOnUnload(false);
        // The connection itself (the server's hello, the password) is not counted.
        m_main->Form_Load();
        m_counted["start to the first rows, beyond the connection"] = trips();

        // A new order with three lines: the editor opens, three line windows, Save.
        long long beforeOpen = 0;
        m_dialogs.windows.enqueue([&](QDialog* window) {
            m_counted["the editor's opening for a new order"] = trips() - beforeOpen;
            auto* f = static_cast<Form2*>(window);
            choose(f->Combo1, "Acme");
            choose(f->Combo2, "Ann Vos");
            choose(f->Combo3, "Air");
            f->Text1->setText("rt");
            count("three line windows", [&] {
                for (const char* product : {"Widget", "Bolt", "Nut"}) {
                    addLine(product, "2");
                    f->PushButton9_Click();
                }
            });
            count("save of a new order with three lines", [&] { f->PushButton2_Click(); });
        });
        beforeOpen = trips();
        m_main->PushButton2_Click();
        QCOMPARE(m_main->ListView1->count(), 1);

        // Its edit: the editor opens on it (its lists, the order, its lines), one line more,
        // Save.
        m_dialogs.windows.enqueue([&](QDialog* window) {
            m_counted["the editor's opening on an order"] = trips() - beforeOpen;
            auto* f = static_cast<Form2*>(window);
            QCOMPARE(f->ListView1->count(), 3);
            f->Text1->setText("rt 2");
            addLine("Widget", "5");
            f->PushButton9_Click();
            count("save of an edited order", [&] { f->PushButton2_Click(); });
        });
        beforeOpen = trips();
        count("edit, from the click to the list current", [&] { m_main->PushButton1_Click(); });

        m_dialogs.answers << qd::Answer::Yes;
        count("delete, from the click to the list current", [&] { m_main->PushButton3_Click(); });
        QCOMPARE(m_main->ListView1->count(), 0);
        QCOMPARE(m_dialogs.unexpected, QStringList());

        for (auto it = m_counted.cbegin(); it != m_counted.cend(); ++it)
            qInfo("%s: %lld", qPrintable(it.key()), it.value());
        QVERIFY(m_counted["start to the first rows, beyond the connection"] <= 2);
        QCOMPARE(m_counted["the editor's opening for a new order"], 1);
        QCOMPARE(m_counted["the editor's opening on an order"], 1);
        QCOMPARE(m_counted["three line windows"], 0);
        QVERIFY(m_counted["save of a new order with three lines"] <= 3);
        QVERIFY(m_counted["save of an edited order"] <= 2);
        QVERIFY(m_counted["delete, from the click to the list current"] <= 2);
        // The opening, the save, the changed row and the selected order's lines: each once.
        QVERIFY(m_counted["edit, from the click to the list current"] <= 5);
        m_main.reset();
    }

};

QTEST_MAIN(TestRoundTrips)
#include "test_roundtrips.moc"
