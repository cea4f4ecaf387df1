// "Add New Order" and "Edit Selected Order" on the main window, from an empty order book on.

#include "orderbook.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QLineEdit>

using qd::ui::Form1;
using qd::ui::Form2;
using qd::ui::Form3;

class TestEditCommands : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    std::unique_ptr<Form1> m_main;

    static Form2* editor(QDialog* window) { return static_cast<Form2*>(window); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        m_env.reset();
        m_main = std::make_unique<Form1>();
        m_main->setEndsProgramOnUnload(false);
        m_main->Form_Load();
    }
    void cleanup() {
        m_main.reset();
        qd::AppConnectionObject().reset();
    }

    void newUserAddsEditsAndCancels() {
        ScriptedDialogs dialogs;
        auto* orders = m_main->ListView1;
        auto* lines = m_main->ListView2;
        QCOMPARE(orders->count(), 0);

        m_main->PushButton1_Click();  // nothing to edit yet
        QVERIFY(dialogs.shown.isEmpty());

        dialogs.windows.enqueue([&](QDialog* window) {
            Form2* f = editor(window);
            QCOMPARE(f->windowTitle(), QStringLiteral("Add New"));
            QCOMPARE(f->m_ID, QString());
            dialogs.inputs << "Rock'n'Roll Supplies";
            f->PushButton5_Click();
            dialogs.inputs << "Ann"
                           << "O'Neil";
            f->PushButton3_Click();
            dialogs.inputs << "Courier";
            f->PushButton7_Click();
            book::choose(f->Combo1, "Rock'n'Roll Supplies");
            book::choose(f->Combo2, "Ann O'Neil");
            book::choose(f->Combo3, "Courier");
            f->Text1->setText("PO 1");
            f->Text2->setText("8.25");
            dialogs.windows.enqueue([&](QDialog* lineWindow) {
                auto* g = static_cast<Form3*>(lineWindow);
                QCOMPARE(g->windowTitle(), QStringLiteral("Add Product"));
                dialogs.inputs << "Widget"
                               << "12.5";
                g->PushButton5_Click();
                book::choose(g->Combo1, "Widget");
                g->Combo1_Click();
                g->Text1->setText("2");
                g->PushButton2_Click();
            });
            f->PushButton9_Click();
            f->PushButton2_Click();
        });
        m_main->PushButton2_Click();
        QCOMPARE(orders->count(), 1);
        QCOMPARE(orders->subItemText(1, 1), QStringLiteral("Rock'n'Roll Supplies"));
        QCOMPARE(orders->subItemText(1, 2), QStringLiteral("Ann O'Neil"));
        QCOMPARE(orders->subItemText(1, 4), QStringLiteral("PO 1"));
        QCOMPARE(orders->subItemText(1, 7), QStringLiteral("8.25%"));
        QCOMPARE(lines->count(), 1);
        QCOMPARE(lines->subItemText(1, 1), QStringLiteral("Widget"));
        QCOMPARE(lines->subItemText(1, 3), QStringLiteral("12.50"));
        const QString id = orders->itemText(1);

        dialogs.windows.enqueue([&](QDialog* window) {
            Form2* f = editor(window);
            QCOMPARE(f->windowTitle(), QStringLiteral("Edit Data"));
            QCOMPARE(f->m_ID, id);
            QCOMPARE(f->Text1->text(), QStringLiteral("PO 1"));
            QCOMPARE(f->ListView1->count(), 1);
            f->Text1->setText("PO 2");
            f->PushButton2_Click();
        });
        m_main->PushButton1_Click();
        QCOMPARE(orders->subItemText(1, 4), QStringLiteral("PO 2"));
        QCOMPARE(orders->itemText(1), id);
        QCOMPARE(lines->count(), 1);

        dialogs.windows.enqueue([&](QDialog* window) {
            editor(window)->Text1->setText("PO 3");
            editor(window)->PushButton1_Click();
        });
        m_main->PushButton1_Click();
        QCOMPARE(orders->subItemText(1, 4), QStringLiteral("PO 2"));

        // A customer deleted in a cancelled editor takes its order with it, and the list shows
        // that at once.
        dialogs.windows.enqueue([&](QDialog* window) {
            Form2* f = editor(window);
            book::choose(f->Combo1, "Rock'n'Roll Supplies");
            dialogs.answers << qd::Answer::Yes;
            f->PushButton6_Click();
            f->PushButton1_Click();
        });
        m_main->PushButton2_Click();
        QCOMPARE(orders->count(), 0);
        QCOMPARE(book::count("Orders"), 0);
        QCOMPARE(book::errors(dialogs), QStringList());
        QCOMPARE(dialogs.unexpected, QStringList());
    }

    // A saved new order is selected and scrolled into view, with its lines, wherever the sort
    // puts it; a cancelled editor leaves the selection where it was.
    void addedOrderIsSelectedAndShown() {
        ScriptedDialogs dialogs;
        const qlonglong ann = book::employee("Ann", "Vos");
        const qlonglong air = book::shipping("Air");
        book::product("Widget", "1");
        book::customer("Zeta");
        const qlonglong middle = book::customer("Mid");
        for (int i = 0; i < 300; ++i) book::order(middle, ann, air, QString::number(i));
        book::customer("Alpha");
        m_main->RefreshOrderList();
        m_main->ListView1->sortByColumnClick(2);  // Alpha's new order goes first, Zeta's last
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));

        auto addOrderFor = [&](const char* customer, bool save) {
            dialogs.windows.enqueue([&, customer, save](QDialog* window) {
                Form2* f = editor(window);
                book::choose(f->Combo1, customer);
                book::choose(f->Combo2, "Ann Vos");
                book::choose(f->Combo3, "Air");
                f->Text1->setText("new");
                dialogs.windows.enqueue([](QDialog* lineWindow) {
                    auto* g = static_cast<Form3*>(lineWindow);
                    book::choose(g->Combo1, "Widget");
                    g->Combo1_Click();
                    g->Text1->setText("7");
                    g->PushButton2_Click();
                });
                f->PushButton9_Click();
                if (save)
                    f->PushButton2_Click();
                else
                    f->PushButton1_Click();
            });
            m_main->PushButton2_Click();
            m_main->ListView1->listModel()->flush();
            m_main->ListView2->listModel()->flush();
        };
        auto* orders = m_main->ListView1;
        auto shown = [&] {
            const QModelIndex row = orders->listModel()->index(orders->selectedIndex() - 1, 1);
            return orders->viewport()->rect().contains(orders->visualRect(row));
        };

        addOrderFor("Zeta", true);
        const QString zeta = book::single("select max(OrderID) from Orders").toString();
        QCOMPARE(orders->count(), 301);
        QCOMPARE(orders->selectedIndex(), 301);
        QCOMPARE(orders->selectedText(), zeta);
        QVERIFY(shown());
        QCOMPARE(m_main->ListView2->count(), 1);
        QCOMPARE(m_main->ListView2->subItemText(1, 2), QStringLiteral("7"));

        addOrderFor("Zeta", false);
        QCOMPARE(orders->count(), 301);
        QCOMPARE(orders->selectedIndex(), 301);
        QCOMPARE(orders->selectedText(), zeta);
        QCOMPARE(m_main->ListView2->count(), 1);

        addOrderFor("Alpha", true);
        QCOMPARE(orders->selectedIndex(), 1);
        QCOMPARE(orders->selectedSubItem(1), QStringLiteral("Alpha"));
        QVERIFY(shown());
        QCOMPARE(book::errors(dialogs), QStringList());
        QCOMPARE(dialogs.unexpected, QStringList());
    }

    // Edit on an order another desk deleted before the list heard of it: said once, no empty
    // editor, and the order taken off the list.
    void orderDeletedBeforeTheListKnew() {
        ScriptedDialogs dialogs;
        const qlonglong ann = book::employee("Ann", "Vos");
        const qlonglong air = book::shipping("Air");
        const qlonglong acme = book::customer("Acme");
        const qlonglong first = book::order(acme, ann, air, "first");
        const qlonglong second = book::order(acme, ann, air, "second");
        m_main->RefreshOrderList();
        m_main->ListView1->selectIndex(m_main->ListView1->indexOfKey(second));
        book::execute(QStringLiteral("delete from Orders where OrderID=%1").arg(second));
        m_main->PushButton1_Click();
        QCOMPARE(book::errors(dialogs), QStringList());
        QCOMPARE(dialogs.messages(),
                 QStringList{QStringLiteral("Order %1 is no longer in the order book: it was deleted "
                                            "on another desk. It is taken off the list.").arg(second)});
        for (const Shown& s : dialogs.shown) QVERIFY(s.kind != Shown::Window);
        QCOMPARE(m_main->ListView1->count(), 1);
        QCOMPARE(m_main->ListView1->selectedText(), QString::number(first));
    }

    // The remembered row number is selected again, whichever order now stands there.
    void editReselectsTheRememberedRow() {
        ScriptedDialogs dialogs;
        const qlonglong ann = book::employee("Ann", "Vos");
        const qlonglong air = book::shipping("Air");
        const qlonglong widget = book::product("Widget", "1");
        book::customer("Zeta");
        qlonglong ids[3];
        const char* names[] = {"C", "A", "B"};
        for (int i = 0; i < 3; ++i) {
            ids[i] = book::order(book::customer(names[i]), ann, air, names[i]);
            book::line(ids[i], widget, QString::number(i + 1), "1", "0");
        }
        m_main->RefreshOrderList();
        m_main->ListView1->sortByColumnClick(2);
        m_main->ListView1->selectIndex(2);
        QCOMPARE(m_main->ListView1->selectedSubItem(1), QStringLiteral("B"));

        dialogs.windows.enqueue([&](QDialog* window) {
            Form2* f = editor(window);
            QCOMPARE(f->m_ID, QString::number(ids[2]));
            book::choose(f->Combo1, "Zeta");
            f->PushButton2_Click();
        });
        m_main->PushButton1_Click();
        QCOMPARE(m_main->ListView1->selectedIndex(), 2);
        QCOMPARE(m_main->ListView1->selectedSubItem(1), QStringLiteral("C"));
        QCOMPARE(m_main->ListView2->count(), 1);
        QCOMPARE(m_main->ListView2->subItemText(1, 2), QStringLiteral("1"));  // C's quantity
        QCOMPARE(book::errors(dialogs), QStringList());

        // An edit that leaves fewer rows than the remembered position reports step 112.
        m_main->ListView1->selectIndex(3);
        dialogs.windows.enqueue([&](QDialog* window) {
            Form2* f = editor(window);
            book::choose(f->Combo1, "Zeta");
            dialogs.answers << qd::Answer::Yes;
            f->PushButton6_Click();
            f->PushButton1_Click();
        });
        m_main->PushButton1_Click();
        QCOMPARE(m_main->ListView1->count(), 2);
        const QStringList reported = book::errors(dialogs);
        QCOMPARE(reported.size(), 1);
        QVERIFY(
            reported[0].contains("in Marrowlist2021/08/31.Form1.PushButton1_Click at line 112"));

        // Rows past 32,767 are remembered too.
        book::execute(
            QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                           "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                           "with recursive n(i) as (select 1 union all select i+1 from n "
                           "where i<32800) select %1,%2,'2026-03-07','bulk','2026-03-07',%3,0 "
                           "from n")
                .arg(book::single("select CustomerID from Customers where "
                                  "CompanyName='A'")
                         .toLongLong())
                .arg(ann)
                .arg(air));
        m_main->RefreshOrderList();
        m_main->ListView1->selectIndex(32790);
        dialogs.windows.enqueue([](QDialog* window) { editor(window)->PushButton1_Click(); });
        m_main->PushButton1_Click();
        QCOMPARE(m_main->ListView1->selectedIndex(), 32790);
        QCOMPARE(book::errors(dialogs).size(), 1);
    }
};

QTEST_MAIN(TestEditCommands)
#include "test_editcommands.moc"
