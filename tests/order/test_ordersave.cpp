// Saving an order: the checks, the stored values, the replaced lines, and what a failing
// statement must not do.

#include "orderbook.h"
#include "support/scripteddialogs.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"
#include "ui/order/orderstatements.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

using qd::ui::Form2;
using qd::ui::Form3;
namespace order = qd::order;

class TestOrderSave : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    OrderBook m_book{m_env};
    qlonglong m_acme = 0, m_ann = 0, m_air = 0, m_widget = 0, m_bolt = 0;

    // An editor shown as the main window shows it, for checks while it is open.
    static std::unique_ptr<Form2> shownEditor(const QString& id) {
        auto form = std::make_unique<Form2>();
        form->m_ID = id;
        form->show();
        return form;
    }
    void fillHeader(Form2* form) {
        OrderBook::choose(form->Combo1, "Acme");
        OrderBook::choose(form->Combo2, "Ann Vos");
        OrderBook::choose(form->Combo3, "Air");
        form->Text1->setText("PO-1");
    }
    // A line added through the line editor, as the user adds one.
    static void addLine(ScriptedDialogs& dialogs, Form2* form, const QString& product,
                        const QString& quantity, const QString& price, const QString& discount) {
        dialogs.windows.enqueue([=](QDialog* window) {
            auto* f = static_cast<Form3*>(window);
            OrderBook::choose(f->Combo1, product);
            f->Combo1_Click();
            f->Text1->setText(quantity);
            f->Text2->setText(price);
            f->Text3->setText(discount);
            f->PushButton2_Click();
        });
        form->PushButton9_Click();
    }
    static QList<QVariantList> storedLines(qlonglong order) {
        return OrderBook::rows(QStringLiteral("select ProductID, Quantity, UnitPrice, Discount "
                                              "from [Order Details] where OrderID=%1 "
                                              "order by OrderDetailID").arg(order));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        m_book.open();
        m_acme = OrderBook::customer("Acme");
        m_ann = OrderBook::employee("Ann", "Vos");
        m_air = OrderBook::shipping("Air");
        m_widget = OrderBook::product("Widget", "12.5");
        m_bolt = OrderBook::product("Bolt", "40");
    }
    void cleanup() { m_book.close(); }

    void conversionsForStatements_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("tax");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QString>("expected");  // tax;quantity;price;discount
        QTest::newRow("en_US") << "en_US" << "8.25" << "3" << "1,234.50" << "12.50%"
                               << "0.0825;3;1234.5;0.125";
        QTest::newRow("en_US thousands") << "en_US" << "0" << "1,000" << "0.00" << "5.00%"
                                         << "0;1000;0;0.05";
        QTest::newRow("en_US negative") << "en_US" << "-2" << "2.5" << "1.00" << "0.00%"
                                        << "-0.02;2.5;1;0";
        QTest::newRow("de_DE") << "de_DE" << "8,25" << "1.000" << "1.234,50" << "12,50%"
                               << "0.0825;1000;1234.5;0.125";
    }
    void conversionsForStatements() {
        QFETCH(QString, locale);
        QFETCH(QString, tax);
        QFETCH(QString, quantity);
        QFETCH(QString, price);
        QFETCH(QString, discount);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        const QStringList got{order::taxValue(tax), order::quantityValue(quantity),
                              order::unitPriceValue(price), order::discountValue(discount)};
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(got.join(';'), expected);
        QCOMPARE(order::dateText(QDate(2026, 3, 7)), QStringLiteral("03/07/2026"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, order::taxValue("7%"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, order::lineInsertStatement("1", {"1; drop", "1", "1", "0%"}));
    }

    // Each check in turn, with its message, its field, and nothing written.
    void checksComeInOrderWithTheirFocus() {
        ScriptedDialogs dialogs;
        auto form = shownEditor(QString());
        auto expect = [&](const QString& message, QWidget* field) {
            dialogs.shown.clear();
            form->PushButton2_Click();
            QCOMPARE(dialogs.messages(), QStringList{message});
            QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::Ok);
            QCOMPARE(dialogs.shown[0].icon, qd::Icon::None);
            QCOMPARE(dialogs.shown[0].title, qd::applicationTitle());
            QCOMPARE(form->focusWidget(), field);
            QVERIFY(form->isVisible());
        };
        expect("You forgot to select Customer.", form->Combo1);
        OrderBook::choose(form->Combo1, "Acme");
        expect("You forgot to select Employee.", form->Combo2);
        OrderBook::choose(form->Combo2, "Ann Vos");
        expect("You forgot to select Shipping Method.", form->Combo3);
        OrderBook::choose(form->Combo3, "Air");
        expect("You forgot to input PO Number.", form->Text1);
        form->Text1->setText("   ");
        expect("You forgot to input PO Number.", form->Text1);
        form->Text1->setText(" 7 ");
        expect("You forgot to add product(s).", form->PushButton9);
        QCOMPARE(OrderBook::count("Orders"), 0);
    }

    void newOrderIsStoredWithItsLines() {
        ScriptedDialogs dialogs;
        auto form = shownEditor(QString());
        fillHeader(form.get());
        form->Text1->setText(" O'Neil 7 ");
        form->Text2->setText("8.25");
        form->DateTimePicker1->setDate(QDate(2026, 3, 7));
        form->DateTimePicker2->setDate(QDate(2026, 12, 31));
        addLine(dialogs, form.get(), "Widget", "1,000", "1234.5", "12.5");
        addLine(dialogs, form.get(), "Bolt", "2", "40", "0");
        QCOMPARE(form->ListView1->subItemText(1, 3), QStringLiteral("1,234.50"));
        QCOMPARE(form->ListView1->subItemText(1, 4), QStringLiteral("12.50%"));

        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QVERIFY(!form->isVisible());
        const qlonglong id = OrderBook::single("select max(OrderID) from Orders").toLongLong();
        QCOMPARE(form->m_ID, QString::number(id));
        QCOMPARE(OrderBook::rows("select CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
                                 "ShipDate, ShippingMethodID, SalesTaxRate from Orders"),
                 (QList<QVariantList>{{m_acme, m_ann, QDate(2026, 3, 7), " O'Neil 7 ",
                                       QDate(2026, 12, 31), m_air, 0.0825}}));
        QCOMPARE(storedLines(id), (QList<QVariantList>{{m_widget, 1000LL, 1234.5, 0.125},
                                                       {m_bolt, 2LL, 40LL, 0LL}}));
    }

    void editedOrderKeepsItsNumberAndGetsItsLinesAnew() {
        ScriptedDialogs dialogs;
        const qlonglong other = OrderBook::order(m_acme, m_ann, m_air, "other");
        OrderBook::line(other, m_bolt, "9", "9", "0");
        const qlonglong id = OrderBook::order(m_acme, m_ann, m_air, "old", "0.05");
        OrderBook::line(id, m_widget, "1", "12.5", "0.05");
        OrderBook::line(id, m_bolt, "2", "40", "0");
        const qlonglong lastDetail =
            OrderBook::single("select max(OrderDetailID) from [Order Details]").toLongLong();

        // Unchanged: equal lines with new numbers.
        auto form = shownEditor(QString::number(id));
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(storedLines(id), (QList<QVariantList>{{m_widget, 1LL, 12.5, 0.05},
                                                       {m_bolt, 2LL, 40LL, 0LL}}));
        QCOMPARE(OrderBook::count("[Order Details]",
                                  QStringLiteral("OrderID=%1 and OrderDetailID<=%2")
                                      .arg(id).arg(lastDetail)),
                 0);
        QCOMPARE(OrderBook::single("select SalesTaxRate from Orders where OrderID=" +
                                   QString::number(id)).toDouble(), 0.05);

        // One line removed and the header changed.
        dialogs.shown.clear();
        form = shownEditor(QString::number(id));
        QCOMPARE(form->Text2->text(), QStringLiteral("5"));
        form->ListView1->selectIndex(1);
        form->PushButton10_Click();
        form->Text1->setText("new");
        form->Text2->setText("0");
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(form->m_ID, QString::number(id));
        QCOMPARE(OrderBook::count("Orders"), 2);
        QCOMPARE(OrderBook::rows("select PurchaseOrderNumber, SalesTaxRate from Orders where OrderID=" +
                                 QString::number(id)),
                 (QList<QVariantList>{{"new", 0LL}}));
        QCOMPARE(storedLines(id), (QList<QVariantList>{{m_bolt, 2LL, 40LL, 0LL}}));
        QCOMPARE(storedLines(other), (QList<QVariantList>{{m_bolt, 9LL, 9LL, 0LL}}));
    }

    // A new order whose insert fails must not take another order's number for its lines.
    void failedOrderInsertAttachesNoLines() {
        ScriptedDialogs dialogs;
        const qlonglong earlier = OrderBook::order(m_acme, m_ann, m_air, "earlier");
        OrderBook::line(earlier, m_bolt, "1", "40", "0");
        auto form = shownEditor(QString());
        fillHeader(form.get());
        addLine(dialogs, form.get(), "Widget", "3", "12.5", "0");
        form->Text2->setText("7%");  // never left the field, so never corrected

        form->PushButton2_Click();
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.messages()[0].contains(
            "in Marrowlist2021/08/31.Form2.PushButton2_Click at line 142"));
        QVERIFY(form->isVisible());
        QCOMPARE(form->m_ID, QString());
        QCOMPARE(OrderBook::count("Orders"), 1);
        QCOMPARE(storedLines(earlier), (QList<QVariantList>{{m_bolt, 1LL, 40LL, 0LL}}));
        QCOMPARE(form->ListView1->count(), 1);
        QCOMPARE(form->Text1->text(), QStringLiteral("PO-1"));

        // Corrected, the same editor saves the order once.
        dialogs.shown.clear();
        form->Text2->setText("7");
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(OrderBook::count("Orders"), 2);
        QCOMPARE(storedLines(form->m_ID.toLongLong()),
                 (QList<QVariantList>{{m_widget, 3LL, 12.5, 0LL}}));
    }

    // A line whose statement cannot be made stops the save; saving again writes no line twice.
    void unreadableLineStopsTheSaveWithoutDoubling() {
        ScriptedDialogs dialogs;
        auto form = shownEditor(QString());
        fillHeader(form.get());
        addLine(dialogs, form.get(), "Widget", "3", "12.5", "0");
        const int bad = form->ListView1->addItem(QString::number(m_bolt));
        form->ListView1->setSubItem(bad, 1, "Bolt");
        form->ListView1->setSubItem(bad, 2, "two");
        form->ListView1->setSubItem(bad, 3, "40.00");
        form->ListView1->setSubItem(bad, 4, "0.00%");
        addLine(dialogs, form.get(), "Bolt", "1", "40", "0");

        form->PushButton2_Click();
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.messages()[0].contains("PushButton2_Click at line 158"));
        QVERIFY(form->isVisible());
        const qlonglong id = form->m_ID.toLongLong();
        QVERIFY(id > 0);
        QCOMPARE(storedLines(id), (QList<QVariantList>{{m_widget, 3LL, 12.5, 0LL}}));

        dialogs.shown.clear();
        form->ListView1->setSubItem(bad, 2, "2");
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(OrderBook::count("Orders"), 1);
        QCOMPARE(storedLines(id), (QList<QVariantList>{{m_widget, 3LL, 12.5, 0LL},
                                                       {m_bolt, 2LL, 40LL, 0LL},
                                                       {m_bolt, 1LL, 40LL, 0LL}}));
    }

    // The lines of an existing order are written again only once the old ones are gone.
    void failedLineDeleteWritesNoLines() {
        ScriptedDialogs dialogs;
        const qlonglong id = OrderBook::order(m_acme, m_ann, m_air, "x");
        OrderBook::line(id, m_widget, "1", "12.5", "0");
        auto form = shownEditor(QString::number(id));
        OrderBook::execute("create trigger keep before delete on [Order Details] "
                           "begin select raise(abort, 'locked'); end");
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(dialogs.messages()[0].contains("PushButton2_Click at line 134"));
        QVERIFY(form->isVisible());
        QCOMPARE(OrderBook::count("[Order Details]"), 1);
    }
};

QTEST_MAIN(TestOrderSave)
#include "test_ordersave.moc"
