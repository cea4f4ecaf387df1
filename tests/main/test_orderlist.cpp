// The order list filled while the main window already shows: the first rows at once, the rest
// between events under a busy pointer, every command that needs the whole list completing the
// fill first, a refill during a fill starting cleanly, and the same texts as before.

#include "app/appconnection.h"
#include "main/support.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLocale>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using qd::ui::Form1;
using qd::ui::ListView;

namespace {

TestEnvironment* env = nullptr;
constexpr int kOrders = 3000;

// kOrders orders over three customers (names repeat, as in a real book), with dates, PO
// numbers that all differ, shipping methods and rates; order i has one line of quantity i.
void addOrders(int from, int to) {
    auto& db = qd::AppConnection();
    db.execute(QStringLiteral(
                   "insert into Orders (CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
                   "ShipDate, ShippingMethodID, SalesTaxRate) "
                   "with recursive n(i) as (select %1 union all select i + 1 from n where i < %2) "
                   "select 1 + i %% 3, 1, date('2020-01-01', '+' || (i * 7 %% 1500) || ' days'), "
                   "'PO-' || i, case when i %% 10 = 0 then null else "
                   "date('2020-01-05', '+' || (i * 7 %% 1500) || ' days') || ' 10:30:00' end, "
                   "1 + i %% 2, (i %% 4) * 0.0125 from n")
                   .arg(from)
                   .arg(to)
                   .replace(QStringLiteral("%%"), QStringLiteral("%")));
    db.execute(QStringLiteral(
                   "insert into [Order Details] (OrderID, ProductID, Quantity, UnitPrice, Discount) "
                   "select OrderID, 1, OrderID, 2.5, 0 from Orders where OrderID between %1 and %2")
                   .arg(from)
                   .arg(to));
}

void addLookups() {
    auto& db = qd::AppConnection();
    db.execute("insert into Customers (CompanyName) values ('Zebra Works'), ('alpha & Sons'), ('Mid Trading')");
    db.execute("insert into Employees (FirstName, LastName) values ('Arvo', 'Tindle')");
    db.execute("insert into [Shipping Methods] (ShippingMethod) values ('DHL'), ('USPS')");
    db.execute("insert into Products (ProductName, UnitPrice) values ('Anvil', 2.5)");
}

bool busyPointer() {
    return QGuiApplication::overrideCursor() &&
           QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
}

}  // namespace

class TestOrderList : public QObject {
    Q_OBJECT
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    // The window's start-up as the program runs it; the fill is left going on.
    void start() {
        form = std::make_unique<Form1>();
        form->setEndsProgramOnUnload(false);
        form->Form_Load();
    }

    // Lets the event loop run the fill to its end, as it does with the window open; false when
    // it has not ended within a minute.
    bool runEventsUntilFilled() {
        const QDeadlineTimer deadline(60000);
        while (form->orderListFilling() && !deadline.hasExpired()) QCoreApplication::processEvents();
        return !form->orderListFilling();
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qd::setDialogs(&dialogs);
        env->reset();
        start();
        addLookups();
        addOrders(1, kOrders);
        form->close();
        form.reset();
    }
    void init() { dialogs.shown.clear(); }
    void cleanup() {
        if (form) form->close();
        form.reset();
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Start-up shows the first rows and leaves the rest to the event loop, under the busy
    // pointer; the details follow the first row when the last order is in.
    void firstRowsAtOnceThenTheRest() {
        start();
        ListView* list = form->ListView1;
        QVERIFY(form->orderListFilling());
        QVERIFY(busyPointer());
        const int shown = list->model()->rowCount();
        QVERIFY2(shown > 0 && shown < kOrders, qPrintable(QString::number(shown)));
        QCOMPARE(list->listModel()->handleOfRow(0), 0);
        QSignalSpy complete(form.get(), &Form1::orderListComplete);
        QSignalSpy published(list->listModel(), &qd::ui::ListModel::published);
        QVERIFY(runEventsUntilFilled());
        QCOMPARE(complete.count(), 1);
        QVERIFY(published.count() > 1);  // in several steps
        QVERIFY(!busyPointer());
        QCOMPARE(list->model()->rowCount(), kOrders);
        QCOMPARE(list->selectedIndex(), 1);
        QCOMPARE(form->ListView2->count(), 1);
        QCOMPARE(form->ListView2->subItemText(1, 2), list->selectedText());  // quantity = order
    }

    // The texts are those a value-by-value conversion gives: a Null ship date shows empty, a
    // date with a time shows the date only, rates with "0.00%".
    void texts() {
        start();
        ListView* list = form->ListView1;
        QCOMPARE(list->count(), kOrders);
        const QStringList first{list->itemText(1), list->subItemText(1, 1), list->subItemText(1, 2),
                                list->subItemText(1, 3), list->subItemText(1, 4),
                                list->subItemText(1, 5), list->subItemText(1, 6),
                                list->subItemText(1, 7)};
        QCOMPARE(first, (QStringList{"1", "alpha & Sons", "Arvo Tindle", "1/8/2020", "PO-1",
                                     "1/12/2020", "USPS", "1.25%"}));
        QCOMPARE(list->subItemText(10, 5), QString());  // order 10 has no ship date
        QCOMPARE(list->subItemText(4, 7), QStringLiteral("0.00%"));
    }

    // Each command that needs the whole list completes the fill before it acts.
    void commandsDuringAFill() {
        // A sort: every order in sorted places, the first one selected with its lines.
        start();
        form->ListView1_ColumnClick(5);  // PO Number
        QVERIFY(!form->orderListFilling());
        QVERIFY(!busyPointer());
        QCOMPARE(form->ListView1->count(), kOrders);
        QCOMPARE(form->ListView1->subItemText(1, 4), QStringLiteral("PO-1"));
        QCOMPARE(form->ListView1->subItemText(2, 4), QStringLiteral("PO-10"));
        QCOMPARE(form->ListView1->subItemText(kOrders, 4), QStringLiteral("PO-999"));
        QCOMPARE(form->ListView1->selectedIndex(), 1);
        QCOMPARE(form->ListView2->count(), 1);
        stop();

        // Delete asks about the selected order, with the whole list in.
        start();
        dialogs.answers.enqueue(qd::Answer::No);
        form->PushButton3_Click();
        QCOMPARE(dialogs.messages(),
                 QStringList{"Are you sure you want to delete [alpha & Sons - Arvo Tindle]?"});
        QVERIFY(!form->orderListFilling());
        QCOMPARE(form->ListView1->model()->rowCount(), kOrders);
        stop();

        // A search over rows not read yet.
        start();
        QCOMPARE(form->ListView1->findRow(QStringLiteral("po-2999"), 1), 2999);
        QVERIFY(!form->orderListFilling());
        stop();

        // Selecting a row by its position, as Edit does after the editor closed.
        start();
        form->ListView1->selectIndex(kOrders);
        QCOMPARE(form->ListView1->selectedText(), QString::number(kOrders));
    }

    // A refill while a fill goes on drops the old one: no row twice, no row lost, the
    // details told once, and the new rows in.
    void refillDuringAFill() {
        start();
        QVERIFY(form->orderListFilling());
        QSignalSpy complete(form.get(), &Form1::orderListComplete);
        addOrders(kOrders + 1, kOrders + 10);
        form->RefreshOrderList();
        QVERIFY(form->orderListFilling());
        form->RefreshOrderList();
        QVERIFY(runEventsUntilFilled());
        QCOMPARE(complete.count(), 1);
        QVERIFY(!busyPointer());
        ListView* list = form->ListView1;
        QCOMPARE(list->count(), kOrders + 10);
        QSet<QString> ids;
        for (int i = 1; i <= list->count(); ++i) ids.insert(list->itemText(i));
        QCOMPARE(ids.size(), kOrders + 10);
        // A sorted list refilled during a fill comes out sorted, its first row selected.
        // The order that was selected stays selected: a refill reads the rows beside the
        // shown ones and takes them in their place.
        form->ListView1_ColumnClick(2);
        form->ListView1_ColumnClick(2);  // descending
        list->chooseIndex(7);
        const QString chosen = list->selectedText();
        form->RefreshOrderList();
        QCOMPARE(list->count(), kOrders + 10);  // the shown rows stay while the new are read
        form->RefreshOrderList();
        QVERIFY(runEventsUntilFilled());
        QCOMPARE(list->count(), kOrders + 10);
        QCOMPARE(list->subItemText(1, 1), QStringLiteral("Zebra Works"));
        QCOMPARE(list->subItemText(kOrders + 10, 1), QStringLiteral("alpha & Sons"));
        QCOMPARE(list->selectedIndex(), 7);
        QCOMPARE(list->selectedText(), chosen);
        QCOMPARE(form->ListView2->count(), 1);
        qd::AppConnection().execute(QStringLiteral("delete from Orders where OrderID > %1").arg(kOrders));
    }

private:
    void stop() {
        form->close();
        form.reset();
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;  // before the application, so the paths come from it
    env = &environment;
    QApplication app(argc, argv);
    TestOrderList test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_orderlist.moc"
