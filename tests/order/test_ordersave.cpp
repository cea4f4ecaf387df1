// Saving an order: the checks, the stored values, the replaced lines, and what a failing
// statement must not do.

#include "orderbook.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"
#include "ui/order/orderstatements.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

using qd::ui::Form2;
namespace order = qd::order;

class TestOrderSave : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    ScriptedDialogs* m_dialogs = nullptr;
    qlonglong m_widget = 0, m_bolt = 0;
    QVariantList m_header;  // customer, employee, shipping method

    // An editor shown as the main window shows it, the lists picked and a PO number typed.
    std::unique_ptr<Form2> editor(const QString& id = QString()) {
        auto form = std::make_unique<Form2>();
        form->m_ID = id;
        form->show();
        if (id.isEmpty()) {
            book::choose(form->Combo1, "Acme");
            book::choose(form->Combo2, "Ann Vos");
            book::choose(form->Combo3, "Air");
            form->Text1->setText("PO-1");
        }
        return form;
    }
    qlonglong storedOrder(const QString& po, const QString& tax = "0") const {
        return book::order(m_header[0].toLongLong(), m_header[1].toLongLong(),
                           m_header[2].toLongLong(), po, tax);
    }
    // A line added through the line editor, as the user adds one.
    void addLine(Form2* form, const QString& product, const QString& quantity, const QString& price,
                 const QString& discount) {
        m_dialogs->windows.enqueue([=](QDialog* window) {
            auto* f = static_cast<qd::ui::Form3*>(window);
            book::choose(f->Combo1, product);
            f->Text1->setText(quantity);
            f->Text2->setText(price);
            f->Text3->setText(discount);
            f->PushButton2_Click();
        });
        form->PushButton9_Click();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        book::open(m_env);
        m_dialogs = new ScriptedDialogs;
        m_header = {book::customer("Acme"), book::employee("Ann", "Vos"), book::shipping("Air")};
        m_widget = book::product("Widget", "12.5");
        m_bolt = book::product("Bolt", "40");
    }
    void cleanup() {
        delete m_dialogs;
        book::close();
    }

    void conversionsForStatements_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("shown");  // tax, quantity, price, discount
        QTest::addColumn<QString>("written");
        QTest::newRow("en_US") << "en_US" << QStringList{"8.25", "3", "1,234.50", "12.50%"}
                               << "0.0825;3;1234.5;0.125";
        QTest::newRow("thousands")
            << "en_US" << QStringList{"-2", "1,000", "0.00", "5.00%"} << "-0.02;1000;0;0.05";
        QTest::newRow("de_DE") << "de_DE" << QStringList{"8,25", "1.000", "1.234,50", "12,50%"}
                               << "0.0825;1000;1234.5;0.125";
    }
    void conversionsForStatements() {
        QFETCH(QString, locale);
        QFETCH(QStringList, shown);
        QFETCH(QString, written);
        QLocale::setDefault(QLocale(locale));
        const QStringList got{order::taxValue(shown[0]), order::quantityValue(shown[1]),
                              order::unitPriceValue(shown[2]), order::discountValue(shown[3])};
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(got.join(';'), written);
        QCOMPARE(order::dateText(QDate(2026, 3, 7)), QStringLiteral("03/07/2026"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, order::taxValue("7%"));
        QVERIFY_THROWS_EXCEPTION(qd::Error,
                                 order::lineInsertStatement("1", {"1 or 1", "1", "1", "0%"}));
    }

    void checksComeInOrderWithTheirFocus() {
        auto form = std::make_unique<Form2>();
        form->show();
        auto expect = [&](const QString& message, QWidget* field) {
            m_dialogs->shown.clear();
            form->PushButton2_Click();
            QCOMPARE(m_dialogs->shown.size(), 1);
            book::verifyPlainMessage(m_dialogs->shown[0], message);
            QCOMPARE(form->focusWidget(), field);
            QVERIFY(form->isVisible());
        };
        expect("You forgot to select Customer.", form->Combo1);
        book::choose(form->Combo1, "Acme");
        expect("You forgot to select Employee.", form->Combo2);
        book::choose(form->Combo2, "Ann Vos");
        expect("You forgot to select Shipping Method.", form->Combo3);
        book::choose(form->Combo3, "Air");
        form->Text1->setText("   ");
        expect("You forgot to input PO Number.", form->Text1);
        form->Text1->setText(" 7 ");
        expect("You forgot to add product(s).", form->PushButton9);
        QCOMPARE(book::count("Orders"), 0);
    }

    // A PO number longer than a text field keeps (pasted, say), or holding a NUL character, is
    // refused with one message and the focus on it: the editor stays open, nothing is stored,
    // and the number is never cut. 255 characters are stored whole.
    void unstorablePoNumberIsRefused() {
        auto form = editor();
        addLine(form.get(), "Widget", "1", "12.5", "0");
        const QString tooLong(40000, QLatin1Char('7'));
        form->Text1->setMaxLength(tooLong.size());
        for (const QString& po : {tooLong, QStringLiteral("PO") + QChar(0) + QStringLiteral("1")}) {
            m_dialogs->shown.clear();
            form->Text1->setText(po);
            form->PushButton2_Click();
            QCOMPARE(m_dialogs->shown.size(), 1);
            QVERIFY2(m_dialogs->shown[0].text.startsWith("The PO Number "),
                     qPrintable(m_dialogs->shown[0].text));
            QCOMPARE(form->focusWidget(), form->Text1);
            QVERIFY(form->isVisible());
            QCOMPARE(form->Text1->text(), po);
        }
        QVERIFY(m_dialogs->shown[0].text.contains("NUL"));
        QCOMPARE(book::count("Orders"), 0);
        form->Text1->setText(QString(255, QLatin1Char('7')));
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().last(), QStringLiteral("Record Successfully Saved"));
        QCOMPARE(book::single("select PurchaseOrderNumber from Orders"),
                 QVariant(QString(255, QLatin1Char('7'))));
    }

    void newOrderIsStoredWithItsLines() {
        auto form = editor();
        form->Text1->setText(" O'Neil 7 ");
        form->Text2->setText("8.25");
        form->DateTimePicker1->setDate(QDate(2026, 3, 7));
        form->DateTimePicker2->setDate(QDate(2026, 12, 31));
        addLine(form.get(), "Widget", "1,000", "1234.5", "12.5");
        addLine(form.get(), "Bolt", "2", "40", "0");
        QCOMPARE(form->ListView1->subItemText(1, 3) + " " + form->ListView1->subItemText(1, 4),
                 QStringLiteral("1,234.50 12.50%"));
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages(), QStringList{"Record Successfully Saved"});
        QVERIFY(!form->isVisible());
        const qlonglong id = book::single("select max(OrderID) from Orders").toLongLong();
        QCOMPARE(form->m_ID, QString::number(id));
        QCOMPARE(book::rows("select CustomerID, EmployeeID, ShippingMethodID, OrderDate, "
                            "PurchaseOrderNumber, ShipDate, SalesTaxRate from Orders"),
                 (book::Rows{m_header + QVariantList{QDate(2026, 3, 7), " O'Neil 7 ",
                                                     QDate(2026, 12, 31), 0.0825}}));
        QCOMPARE(book::lines(id),
                 (book::Rows{{m_widget, 1000, 1234.5, 0.125}, {m_bolt, 2, 40, 0}}));
    }

    void editedOrderKeepsItsNumberAndGetsItsLinesAnew() {
        const qlonglong other = storedOrder("other");
        book::line(other, m_bolt, "9", "9", "0");
        const qlonglong id = storedOrder("old", "0.05");
        book::line(id, m_widget, "1", "12.5", "0.05");
        book::line(id, m_bolt, "2", "40", "0");
        const qlonglong lastDetail =
            book::single("select max(OrderDetailID) from [Order Details]").toLongLong();

        auto form = editor(QString::number(id));
        QCOMPARE(form->Text2->text(), QStringLiteral("5"));
        form->ListView1->selectIndex(1);
        form->PushButton10_Click();
        form->Text1->setText("new");
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(form->m_ID, QString::number(id));
        QCOMPARE(book::rows("select OrderID, PurchaseOrderNumber, SalesTaxRate from Orders"),
                 (book::Rows{{other, "other", 0}, {id, "new", 0.05}}));
        QCOMPARE(book::lines(id), (book::Rows{{m_bolt, 2, 40, 0}}));
        QVERIFY(book::single("select min(OrderDetailID) from [Order Details] where OrderID=" +
                             form->m_ID)
                    .toLongLong() > lastDetail);
        QCOMPARE(book::lines(other), (book::Rows{{m_bolt, 9, 9, 0}}));
    }

    // A new order whose insert fails must not take another order's number for its lines.
    void failedOrderInsertAttachesNoLines() {
        const qlonglong earlier = storedOrder("earlier");
        book::line(earlier, m_bolt, "1", "40", "0");
        auto form = editor();
        addLine(form.get(), "Widget", "3", "12.5", "0");
        form->Text2->setText("7%");  // never left the field, so never corrected
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY(m_dialogs->messages()[0].contains("Form2.PushButton2_Click at line 142"));
        QVERIFY(form->isVisible());
        QCOMPARE(form->m_ID + form->Text1->text(), QStringLiteral("PO-1"));
        QCOMPARE(book::count("Orders"), 1);
        QCOMPARE(book::lines(earlier), (book::Rows{{m_bolt, 1, 40, 0}}));

        form->Text2->setText("7");
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().last(), QStringLiteral("Record Successfully Saved"));
        QCOMPARE(book::lines(form->m_ID.toLongLong()), (book::Rows{{m_widget, 3, 12.5, 0}}));
    }

    // No number read back, no lines written and no success claimed.
    void unreadableNewNumberStopsTheSave() {
        book::execute("create trigger vanish after insert on Orders begin delete from Orders; end");
        auto form = editor();
        addLine(form.get(), "Widget", "3", "12.5", "0");
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY(m_dialogs->messages()[0].contains("PushButton2_Click at line 154"));
        QVERIFY(form->isVisible());
        QCOMPARE(book::count("[Order Details]"), 0);
    }

    // A line whose statement cannot be made stops the save with nothing stored: the new order
    // stays new, and saving again after the fix stores it once with every line once.
    void unreadableLineStopsTheSaveWithNothingStored() {
        auto form = editor();
        addLine(form.get(), "Widget", "3", "12.5", "0");
        const int bad = form->ListView1->addItem(QString::number(m_bolt));
        const QStringList cells{"Bolt", "two", "40.00", "0.00%"};
        for (int s = 1; s <= 4; ++s) form->ListView1->setSubItem(bad, s, cells[s - 1]);
        addLine(form.get(), "Bolt", "1", "40", "0");
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY(m_dialogs->messages()[0].contains("PushButton2_Click at line 158"));
        QVERIFY(form->isVisible());
        QCOMPARE(form->m_ID, QString());
        QCOMPARE(book::count("Orders"), 0);
        QCOMPARE(book::count("[Order Details]"), 0);

        form->ListView1->setSubItem(bad, 2, "2");
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().last(), QStringLiteral("Record Successfully Saved"));
        QCOMPARE(book::count("Orders"), 1);
        QCOMPARE(book::lines(form->m_ID.toLongLong()),
                 (book::Rows{{m_widget, 3, 12.5, 0}, {m_bolt, 2, 40, 0}, {m_bolt, 1, 40, 0}}));
    }

    // Lines are written again only once the old ones are gone.
    void failedLineDeleteWritesNoLines() {
        const qlonglong id = storedOrder("x");
        book::line(id, m_widget, "1", "12.5", "0");
        auto form = editor(QString::number(id));
        book::execute(
            "create trigger keep before delete on [Order Details] "
            "begin select raise(abort, 'locked'); end");
        form->PushButton2_Click();
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY(m_dialogs->messages()[0].contains("PushButton2_Click at line 134"));
        QVERIFY(form->isVisible());
        QCOMPARE(book::count("[Order Details]"), 1);
    }

    // The order changed or deleted behind the open editor (by another desk; for the check it
    // does not matter who): Save stores nothing, asks once whose version stays, and each
    // answer keeps what it says. An order saved again unchanged elsewhere is no change.
    void changedBehindTheEditor_data() {
        QTest::addColumn<QString>("behind");  // statements run while the editor is open
        QTest::addColumn<int>("choice");      // -1: no question expected
        QTest::addColumn<QString>("stored");  // PO numbers of the orders afterwards
        QTest::addColumn<QString>("lines");   // quantities of the order with PO "mine"
        QTest::addColumn<bool>("open");       // the editor still open
        QTest::addColumn<QString>("shownPo");
        const QString po = "update Orders set PurchaseOrderNumber='theirs'";
        const QString relines = "delete from [Order Details]; insert into [Order Details] "
                                "(OrderID,ProductID,Quantity,UnitPrice,Discount) values (%1,%2,9,12.5,0)";
        const QString resave = "delete from [Order Details]; insert into [Order Details] "
                               "(OrderID,ProductID,Quantity,UnitPrice,Discount) values (%1,%2,1,12.5,0)";
        const QString gone = "delete from Orders; delete from [Order Details]";
        QTest::newRow("changed, keep mine") << po << 0 << "mine" << "1;5" << false << "";
        QTest::newRow("changed, take theirs") << po << 1 << "theirs" << "" << true << "theirs";
        QTest::newRow("changed, go back") << po << 2 << "theirs" << "" << true << "mine";
        QTest::newRow("lines changed, keep mine") << relines << 0 << "mine" << "1;5" << false << "";
        QTest::newRow("lines changed, take theirs") << relines << 1 << "x" << "" << true << "x";
        QTest::newRow("saved again unchanged") << resave << -1 << "mine" << "1;5" << false << "";
        QTest::newRow("deleted, keep mine") << gone << 0 << "mine" << "1;5" << false << "";
        QTest::newRow("deleted, take theirs") << gone << 1 << "" << "" << false << "";
        QTest::newRow("deleted, go back") << gone << 2 << "" << "" << true << "mine";
    }
    void changedBehindTheEditor() {
        QFETCH(QString, behind);
        QFETCH(int, choice);
        QFETCH(QString, stored);
        QFETCH(QString, lines);
        QFETCH(bool, open);
        QFETCH(QString, shownPo);
        const qlonglong id = storedOrder("x");
        book::line(id, m_widget, "1", "12.5", "0");
        auto form = editor(QString::number(id));
        form->Text1->setText("mine");
        addLine(form.get(), "Widget", "5", "12.5", "0");
        for (const QString& sql : behind.arg(id).arg(m_widget).split("; "))
            book::execute(sql);
        if (choice >= 0) m_dialogs->choices.enqueue(choice);
        form->PushButton2_Click();

        QCOMPARE(book::errors(*m_dialogs), QStringList());
        QCOMPARE(m_dialogs->unexpected, QStringList());
        QList<Shown> questions;
        for (const Shown& s : m_dialogs->shown)
            if (s.kind == Shown::Choice) questions << s;
        QCOMPARE(questions.size(), choice >= 0 ? 1 : 0);
        if (choice >= 0) {
            QVERIFY2(questions[0].text.startsWith(QStringLiteral("Order %1 was ").arg(id)),
                     qPrintable(questions[0].text));
            QCOMPARE(questions[0].choices, (QStringList{"Keep Mine", "Take Theirs", "Go Back"}));
        }
        QStringList pos;
        for (const QVariantList& row : book::rows("select PurchaseOrderNumber from Orders order by OrderID"))
            pos << row[0].toString();
        QCOMPARE(pos.join(';'), stored);
        if (!lines.isEmpty()) {
            const qlonglong mine = book::single("select OrderID from Orders where PurchaseOrderNumber='mine'").toLongLong();
            QStringList quantities;
            for (const QVariantList& row : book::lines(mine)) quantities << row[1].toString();
            QCOMPARE(quantities.join(';'), lines);
        }
        QCOMPARE(form->isVisible(), open);
        if (open) QCOMPARE(form->Text1->text(), shownPo);
    }

    // Something the order refers to deleted behind the editor: nothing is stored, the message
    // names it, and its list is read again without it.
    void referenceGoneBehindTheEditor() {
        auto form = editor();
        addLine(form.get(), "Widget", "1", "12.5", "0");
        book::execute(QStringLiteral("delete from Customers where CustomerID=%1").arg(m_header[0].toLongLong()));
        book::execute(QStringLiteral("delete from Products where ProductID=%1").arg(m_widget));
        form->PushButton2_Click();
        QCOMPARE(book::errors(*m_dialogs), QStringList());
        const QStringList shown = m_dialogs->messages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("the customer \"Acme\"") && shown[0].contains("the product \"Widget\""),
                 qPrintable(shown[0]));
        QCOMPARE(book::count("Orders"), 0);
        QVERIFY(form->isVisible());
        QCOMPARE(form->Combo1->findText("Acme"), -1);
        QCOMPARE(form->Combo1->currentIndex(), -1);
    }
};

QTEST_MAIN(TestOrderSave)
#include "test_ordersave.moc"
