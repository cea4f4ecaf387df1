// The "+" and "-" buttons of the order editor: what they ask, write and delete, and the list
// they leave behind.

#include "orderbook.h"
#include "support/scripteddialogs.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"

#include <QLineEdit>

using qd::ui::Form2;

namespace {

struct Lookup {
    QComboBox* Form2::*list;
    void (Form2::*add)();
    void (Form2::*remove)();
    QString location;  // of the delete handler
};

Lookup lookup(const QString& name) {
    if (name == "customer")
        return {&Form2::Combo1, &Form2::PushButton5_Click, &Form2::PushButton6_Click, "PushButton6_Click"};
    if (name == "employee")
        return {&Form2::Combo2, &Form2::PushButton3_Click, &Form2::PushButton4_Click, "PushButton4_Click"};
    return {&Form2::Combo3, &Form2::PushButton7_Click, &Form2::PushButton8_Click, "PushButton8_Click"};
}

}  // namespace

class TestLookups : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    OrderBook m_book{m_env};

    static std::unique_ptr<Form2> editor() {
        auto form = std::make_unique<Form2>();
        form->ensureLoaded();
        return form;
    }

private slots:
    void init() { m_book.open(); }
    void cleanup() { m_book.close(); }

    void addAsksOnceAndStoresTheNameUnchanged_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("query");
        QTest::newRow("customer") << "customer" << "Enter new Customer: " << "Input Customer"
                                  << "select CompanyName from Customers order by CustomerID";
        QTest::newRow("shipping method")
            << "shipping" << "Enter new Shipping Method: " << "Input Shipping Method"
            << "select ShippingMethod from [Shipping Methods] order by ShippingMethodID";
    }
    void addAsksOnceAndStoresTheNameUnchanged() {
        QFETCH(QString, kind);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        QFETCH(QString, query);
        const Lookup l = lookup(kind);
        ScriptedDialogs dialogs;
        OrderBook::customer("Mid");
        OrderBook::shipping("Mid");
        auto form = editor();
        QComboBox* list = form.get()->*l.list;
        list->setCurrentIndex(0);
        form->Text1->setText("PO 9");

        dialogs.inputs << "Rock'n'Roll Supplies";
        (form.get()->*l.add)();
        dialogs.inputs << "";  // Cancel
        (form.get()->*l.add)();
        dialogs.inputs << "Mid";  // a second row of the same name
        (form.get()->*l.add)();
        dialogs.inputs << "  ";  // blanks are a name
        (form.get()->*l.add)();

        QCOMPARE(dialogs.shown.size(), 4);
        for (const Shown& s : dialogs.shown) {
            QCOMPARE(s.kind, Shown::Input);
            QCOMPARE(s.text, prompt);
            QCOMPARE(s.title, title);
        }
        QList<QVariantList> expected{{"Mid"}, {"Rock'n'Roll Supplies"}, {"Mid"}, {"  "}};
        QCOMPARE(OrderBook::rows(query), expected);
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(list->findText("Rock'n'Roll Supplies") >= 0, true);
        QCOMPARE(form->Text1->text(), QStringLiteral("PO 9"));
        QCOMPARE(dialogs.unexpected, QStringList());
    }

    void employeeAddAsksBothNamesFirst() {
        ScriptedDialogs dialogs;
        auto form = editor();
        const QStringList prompts{"Enter new Employee's Firstname: ",
                                  "Enter new Employee's Lastname: "};
        const QStringList titles{"Input Employee's Firstname", "Input Employee's Lastname"};
        dialogs.inputs << "" << "Vos";   // first cancelled: the second is still asked
        form->PushButton3_Click();
        dialogs.inputs << "Ann" << "";
        form->PushButton3_Click();
        QCOMPARE(dialogs.shown.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(dialogs.shown[i].text, prompts[i % 2]);
            QCOMPARE(dialogs.shown[i].title, titles[i % 2]);
        }
        QCOMPARE(OrderBook::count("Employees"), 0);

        dialogs.inputs << "Seán" << "O'Brien";
        form->PushButton3_Click();
        QCOMPARE(OrderBook::rows("select FirstName, LastName from Employees"),
                 (QList<QVariantList>{{"Seán", "O'Brien"}}));
        QCOMPARE(form->Combo2->count(), 1);
        QCOMPARE(form->Combo2->itemText(0), QStringLiteral("Seán O'Brien"));
        QCOMPARE(form->Combo2->currentIndex(), -1);
    }

    void deleteTakesTheOrdersButNotTheirLines_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("table");
        QTest::newRow("customer") << "customer"
                                  << "Warning: Deleting customer will also delete order data "
                                     "that is linked to this customer." << "Customers";
        QTest::newRow("employee") << "employee"
                                  << "Warning: Deleting employee will also delete order data "
                                     "that is linked to this employee." << "Employees";
        QTest::newRow("shipping method")
            << "shipping"
            << "Warning: Deleting shipping method will also delete order data that is linked "
               "to this shipping method." << "[Shipping Methods]";
    }
    void deleteTakesTheOrdersButNotTheirLines() {
        QFETCH(QString, kind);
        QFETCH(QString, warning);
        QFETCH(QString, table);
        const Lookup l = lookup(kind);
        ScriptedDialogs dialogs;
        const qlonglong c[2] = {OrderBook::customer("A"), OrderBook::customer("B")};
        const qlonglong e[2] = {OrderBook::employee("A", "A"), OrderBook::employee("B", "B")};
        const qlonglong s[2] = {OrderBook::shipping("A"), OrderBook::shipping("B")};
        const qlonglong product = OrderBook::product("P", "1");
        const qlonglong kept = OrderBook::order(c[0], e[0], s[0], "kept");
        const qlonglong gone = OrderBook::order(c[1], e[1], s[1], "gone");
        OrderBook::line(gone, product, "1", "1", "0");
        auto form = editor();
        QComboBox* list = form.get()->*l.list;

        (form.get()->*l.remove)();  // nothing selected: nothing asked
        QVERIFY(dialogs.shown.isEmpty());

        OrderBook::choose(list, kind == "employee" ? "B B" : "B");
        dialogs.answers << qd::Answer::No;
        (form.get()->*l.remove)();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].text, warning + "\r\nDo you wish to continue?");
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::YesNo);
        QCOMPARE(dialogs.shown[0].icon, qd::Icon::None);
        QCOMPARE(dialogs.shown[0].title, qd::applicationTitle());
        QCOMPARE(OrderBook::count(table), 2);
        QCOMPARE(OrderBook::count("Orders"), 2);

        dialogs.answers << qd::Answer::Yes;
        (form.get()->*l.remove)();
        QCOMPARE(OrderBook::count(table), 1);
        QCOMPARE(OrderBook::rows("select OrderID from Orders"), (QList<QVariantList>{{kept}}));
        QCOMPARE(OrderBook::count("[Order Details]"), 1);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(dialogs.messages().size(), 2);
        QCOMPARE(dialogs.unexpected, QStringList());
    }

    void saveAfterAnAddAsksForTheCustomerAgain() {
        ScriptedDialogs dialogs;
        OrderBook::customer("Acme");
        auto form = editor();
        OrderBook::choose(form->Combo1, "Acme");
        dialogs.inputs << "Zeta";
        form->PushButton5_Click();
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"You forgot to select Customer."});
    }

    // A failing insert is reported and the list is refilled all the same.
    void failingInsertIsReportedAndTheListRefilled() {
        ScriptedDialogs dialogs;
        OrderBook::customer("Acme");
        auto form = editor();
        OrderBook::choose(form->Combo1, "Acme");
        OrderBook::execute("create trigger refuse before insert on Customers "
                           "begin select raise(abort, 'refused'); end");
        dialogs.inputs << "Zeta";
        form->PushButton5_Click();
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.messages()[0].contains("Form2.PushButton5_Click at line 104"));
        QCOMPARE(form->Combo1->count(), 1);
        QCOMPARE(form->Combo1->currentIndex(), -1);
    }
};

QTEST_MAIN(TestLookups)
#include "test_lookups.moc"
