// The order editor's load for a new and an existing order, its lists and the small commands.

#include "orderbook.h"
#include "support/scripteddialogs.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"

#include <QDateEdit>
#include <QLineEdit>

using qd::ui::Form2;

class TestForm2 : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    OrderBook m_book{m_env};

    static std::unique_ptr<Form2> editor(const QString& id) {
        auto form = std::make_unique<Form2>();
        form->m_ID = id;
        form->ensureLoaded();
        return form;
    }
    static QStringList entries(const QComboBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) texts.append(list->itemText(i));
        return texts;
    }
    static QStringList line(const qd::ui::ListView* list, int index) {
        QStringList cells{list->itemText(index)};
        for (int s = 1; s <= 4; ++s) cells.append(list->subItemText(index, s));
        return cells;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { m_book.open(); }
    void cleanup() { m_book.close(); }

    void newOrderOpensEmptyWithListsInStatementOrder() {
        ScriptedDialogs dialogs;
        const qlonglong zeta = OrderBook::customer("Zeta Stone");
        const qlonglong acme = OrderBook::customer("Acme");
        OrderBook::employee("Ute", "Berg");
        const qlonglong ann = OrderBook::employee("Ann", "Vos");
        OrderBook::shipping("Rail");
        OrderBook::shipping("Air");
        auto form = editor(QString());

        QCOMPARE(entries(form->Combo1), (QStringList{"Acme", "Zeta Stone"}));
        QCOMPARE(form->m_CustomerIDs.count(), 2);
        QCOMPARE(form->m_CustomerIDs.item(1), acme);
        QCOMPARE(form->m_CustomerIDs.item(2), zeta);
        QCOMPARE(entries(form->Combo2), (QStringList{"Ann Vos", "Ute Berg"}));
        QCOMPARE(form->m_EmployeeIDs.item(1), ann);
        QCOMPARE(entries(form->Combo3), (QStringList{"Air", "Rail"}));
        for (QComboBox* list : {form->Combo1, form->Combo2, form->Combo3})
            QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(form->DateTimePicker1->date(), QDate::currentDate());
        QCOMPARE(form->DateTimePicker2->date(), QDate::currentDate());
        QCOMPARE(form->Text1->text(), QString());
        QCOMPARE(form->Text2->text(), QStringLiteral("0"));
        QCOMPARE(form->ListView1->count(), 0);
        QCOMPARE(form->ListView1->columnCount(), 5);
        const QStringList captions{"ID", "Product Name", "Quantity", "Unit Price", "Discount"};
        const double widths[] = {1, 2000, 1500, 1500, 1500};
        for (int c = 1; c <= 5; ++c) {
            QCOMPARE(form->ListView1->columnCaption(c), captions[c - 1]);
            QCOMPARE(form->ListView1->columnWidth(c), widths[c - 1]);
        }
        QVERIFY(dialogs.shown.isEmpty());
    }

    void existingOrderShowsStoredValuesInTheirFormats() {
        ScriptedDialogs dialogs;
        const qlonglong acme = OrderBook::customer("Acme");
        OrderBook::customer("Bolt & Co");
        const qlonglong ann = OrderBook::employee("Ann", "Vos");
        const qlonglong air = OrderBook::shipping("Air");
        const qlonglong widget = OrderBook::product("Widget", "12.5");
        const qlonglong id =
            OrderBook::order(acme, ann, air, "PO'7", "0.0825", "03/07/2026", "12/31/2026");
        OrderBook::line(id, widget, "3", "1234.5", "0.05");
        OrderBook::line(id, widget, "2.5", "0", "0.125");
        auto form = editor(QString::number(id));

        QCOMPARE(form->Combo1->currentText(), QStringLiteral("Acme"));
        QCOMPARE(form->Combo2->currentText(), QStringLiteral("Ann Vos"));
        QCOMPARE(form->Combo3->currentText(), QStringLiteral("Air"));
        QCOMPARE(form->DateTimePicker1->date(), QDate(2026, 3, 7));
        QCOMPARE(form->DateTimePicker2->date(), QDate(2026, 12, 31));
        QCOMPARE(form->Text1->text(), QStringLiteral("PO'7"));
        QCOMPARE(form->Text2->text(), QStringLiteral("8.25"));
        QCOMPARE(form->ListView1->count(), 2);
        const QString w = QString::number(widget);
        QCOMPARE(line(form->ListView1, 1), (QStringList{w, "Widget", "3", "1,234.50", "5.00%"}));
        QCOMPARE(line(form->ListView1, 2), (QStringList{w, "Widget", "2.5", "0.00", "12.50%"}));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void orderWithoutLinesLoadsAnEmptyLineList() {
        ScriptedDialogs dialogs;
        const qlonglong id = OrderBook::order(OrderBook::customer("Acme"),
                                              OrderBook::employee("Ann", "Vos"),
                                              OrderBook::shipping("Air"), "1");
        auto form = editor(QString::number(id));
        QCOMPARE(form->Text1->text(), QStringLiteral("1"));
        QCOMPARE(form->ListView1->count(), 0);
        QVERIFY(dialogs.shown.isEmpty());
    }

    // Names shared by two rows must not move the order to the other row.
    void sharedNamesArePositionedOnTheOrdersOwnEntries() {
        ScriptedDialogs dialogs;
        OrderBook::customer("Acme");
        const qlonglong acme2 = OrderBook::customer("Acme");
        OrderBook::employee("Ann", "Vos");
        const qlonglong ann2 = OrderBook::employee("Ann", "Vos");
        OrderBook::shipping("Post");
        const qlonglong post2 = OrderBook::shipping("Post");
        const qlonglong id = OrderBook::order(acme2, ann2, post2, "A1", "0.1");
        OrderBook::line(id, OrderBook::product("Widget", "1"), "1", "1", "0");
        auto form = editor(QString::number(id));

        QCOMPARE(form->m_CustomerIDs.item(form->Combo1->currentIndex() + 1), acme2);
        QCOMPARE(form->m_EmployeeIDs.item(form->Combo2->currentIndex() + 1), ann2);
        QCOMPARE(form->m_ShippingMethodIDs.item(form->Combo3->currentIndex() + 1), post2);

        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(OrderBook::rows(QStringLiteral(
                     "select CustomerID, EmployeeID, ShippingMethodID from Orders")),
                 (QList<QVariantList>{{acme2, ann2, post2}}));
    }

    void taxRateFocusRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        QTest::newRow("percent sign") << "7%" << "0";
        QTest::newRow("letters") << "abc" << "0";
        QTest::newRow("empty") << "" << "0";
        QTest::newRow("decimal") << "7.5" << "7.5";
        QTest::newRow("grouped") << "1,000" << "1,000";
        QTest::newRow("negative") << "-3" << "-3";
        QTest::newRow("over 100") << "150" << "150";
    }
    void taxRateFocusRules() {
        QFETCH(QString, typed);
        QFETCH(QString, left);
        auto form = editor(QString());
        form->Text2->setText(typed);
        form->Text2_GotFocus();
        QCOMPARE(form->Text2->selectedText(), typed);
        form->Text2_LostFocus();
        QCOMPARE(form->Text2->text(), left);
    }

    void deleteSelectedRemovesOnlyFromTheList() {
        ScriptedDialogs dialogs;
        const qlonglong widget = OrderBook::product("Widget", "1");
        const qlonglong bolt = OrderBook::product("Bolt", "2");
        const qlonglong id = OrderBook::order(OrderBook::customer("Acme"),
                                              OrderBook::employee("Ann", "Vos"),
                                              OrderBook::shipping("Air"), "1");
        OrderBook::line(id, widget, "1", "1", "0");
        OrderBook::line(id, bolt, "2", "2", "0");
        auto form = editor(QString::number(id));
        form->ListView1->selectIndex(1);
        form->PushButton10_Click();
        QCOMPARE(form->ListView1->count(), 1);
        QCOMPARE(form->ListView1->itemText(1), QString::number(bolt));
        QCOMPARE(OrderBook::count("[Order Details]"), 2);

        // Items but none selected: reported, the list unchanged.
        form->ListView1->selectionModel()->clearSelection();
        form->PushButton10_Click();
        QCOMPARE(form->ListView1->count(), 1);
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.contains(
            "in Marrowlist2021/08/31.Form2.PushButton10_Click at line 102"));

        form->ListView1->selectIndex(1);
        form->PushButton10_Click();
        form->PushButton10_Click();  // empty now: nothing happens
        QCOMPARE(form->ListView1->count(), 0);
        QCOMPARE(dialogs.shown.size(), 1);
    }

    void cancelWritesNothingAndClosesTheWindow() {
        ScriptedDialogs dialogs;
        const qlonglong id = OrderBook::order(OrderBook::customer("Acme"),
                                              OrderBook::employee("Ann", "Vos"),
                                              OrderBook::shipping("Air"), "old");
        Form2 form;
        form.m_ID = QString::number(id);
        dialogs.windows.enqueue([](QDialog* window) {
            auto* f = static_cast<Form2*>(window);
            f->Text1->setText("new");
            f->PushButton1_Click();
            QVERIFY(!f->isVisible());
        });
        dialogs.showModal(&form);
        QCOMPARE(OrderBook::single("select PurchaseOrderNumber from Orders").toString(),
                 QStringLiteral("old"));
        QCOMPARE(dialogs.messages(), QStringList());
    }

    // A failing fill is reported with the load's statement number and the load goes on.
    void failingFillIsReportedAndTheLoadGoesOn() {
        ScriptedDialogs dialogs;
        OrderBook::execute("drop table Employees");
        auto form = editor(QString());
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Application Error"));
        QVERIFY(dialogs.shown[0].text.contains("in Marrowlist2021/08/31.Form2.Form_Load at line 110"));
        QCOMPARE(form->Text2->text(), QStringLiteral("0"));
        QCOMPARE(form->ListView1->columnCount(), 5);
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
