// The order line editor: the product list, the three boxes, Save into the order editor's
// list, and the product catalogue's "+" and "-".

#include "orderbook.h"
#include "support/scripteddialogs.h"
#include "ui/controls/listview.h"
#include "ui/order/form3.h"

#include <QLineEdit>

using qd::ui::Form3;
using qd::ui::ListView;

class TestForm3 : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    OrderBook m_book{m_env};
    std::unique_ptr<ListView> m_lines;

    std::unique_ptr<Form3> lineEditor() {
        auto form = std::make_unique<Form3>(m_lines.get());
        form->show();
        return form;
    }
    QStringList line(int index) const {
        QStringList cells{m_lines->itemText(index)};
        for (int s = 1; s <= 4; ++s) cells.append(m_lines->subItemText(index, s));
        return cells;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        m_book.open();
        m_lines = std::make_unique<ListView>();
        for (const char* c : {"ID", "Product Name", "Quantity", "Unit Price", "Discount"})
            m_lines->addColumn(QString::fromUtf8(c));
    }
    void cleanup() {
        m_lines.reset();
        m_book.close();
    }

    void emptyCatalogue() {
        ScriptedDialogs dialogs;
        auto form = lineEditor();
        QCOMPARE(form->Combo1->count(), 0);
        QCOMPARE(form->Text1->text(), QStringLiteral("0"));
        QCOMPARE(form->Text2->text(), QStringLiteral("0"));
        QCOMPARE(form->Text3->text(), QStringLiteral("0"));
        form->PushButton6_Click();
        QVERIFY(dialogs.shown.isEmpty());
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"You forgot to select Product."});
        QCOMPARE(form->focusWidget(), form->Combo1);
        QVERIFY(form->isVisible());
        QCOMPARE(m_lines->count(), 0);
    }

    void choosingAProductSetsOnlyThePrice() {
        ScriptedDialogs dialogs;
        const qlonglong widget = OrderBook::product("Widget", "12.5");
        const qlonglong bolt = OrderBook::product("Bolt", "40");
        OrderBook::execute("insert into Products (ProductName) values ('Unpriced')");
        auto form = lineEditor();
        QCOMPARE(form->Combo1->count(), 3);
        QCOMPARE(form->Combo1->itemText(0), QStringLiteral("Bolt"));
        QCOMPARE(form->Combo1->currentIndex(), -1);
        QCOMPARE(form->m_ProductIDs.item(1), bolt);
        QCOMPARE(form->m_ProductIDs.item(3), widget);
        QCOMPARE(form->m_UnitPrices.item(3).toDouble(), 12.5);

        form->Text1->setText("4");
        form->Text3->setText("5");
        OrderBook::choose(form->Combo1, "Widget");
        form->Combo1_Click();
        QCOMPARE(form->Text2->text(), QStringLiteral("12.5"));
        QCOMPARE(form->Text1->text(), QStringLiteral("4"));
        QCOMPARE(form->Text3->text(), QStringLiteral("5"));
        OrderBook::choose(form->Combo1, "Bolt");
        form->Combo1_Change();
        QCOMPARE(form->Text2->text(), QStringLiteral("40"));
        OrderBook::choose(form->Combo1, "Unpriced");
        form->Combo1_Click();
        QCOMPARE(form->Text2->text(), QStringLiteral("0"));
        form->Combo1->setCurrentIndex(-1);
        form->Combo1_Click();
        QCOMPARE(QStringList({form->Text1->text(), form->Text2->text(), form->Text3->text()}),
                 (QStringList{"0", "0", "0"}));
    }

    void boxesCorrectThemselvesOnLeaving_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        QTest::newRow("quantity letters") << 1 << "abc" << "0";
        QTest::newRow("quantity empty") << 1 << "" << "0";
        QTest::newRow("quantity negative fraction") << 1 << "-1.5" << "-1.5";
        QTest::newRow("price grouped") << 2 << "1,234.5" << "1,234.5";
        QTest::newRow("price currency") << 2 << "$5" << "0";
        QTest::newRow("discount 150") << 3 << "150" << "0";
        QTest::newRow("discount -5") << 3 << "-5" << "0";
        QTest::newRow("discount 100") << 3 << "100" << "100";
        QTest::newRow("discount 0") << 3 << "0" << "0";
        QTest::newRow("discount percent sign") << 3 << "5%" << "0";
        QTest::newRow("discount 12.5") << 3 << "12.5" << "12.5";
    }
    void boxesCorrectThemselvesOnLeaving() {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, left);
        auto form = lineEditor();
        QLineEdit* boxes[] = {form->Text1, form->Text2, form->Text3};
        void (Form3::*got[])() = {&Form3::Text1_GotFocus, &Form3::Text2_GotFocus,
                                  &Form3::Text3_GotFocus};
        void (Form3::*lost[])() = {&Form3::Text1_LostFocus, &Form3::Text2_LostFocus,
                                   &Form3::Text3_LostFocus};
        boxes[box - 1]->setText(typed);
        (form.get()->*got[box - 1])();
        QCOMPARE(boxes[box - 1]->selectedText(), typed);
        (form.get()->*lost[box - 1])();
        QCOMPARE(boxes[box - 1]->text(), left);
    }

    void saveChecksEachBox() {
        ScriptedDialogs dialogs;
        OrderBook::product("Widget", "12.5");
        auto form = lineEditor();
        OrderBook::choose(form->Combo1, "Widget");
        const struct { QLineEdit* box; const char* message; } checks[] = {
            {form->Text1, "You forgot to input Quantity."},
            {form->Text2, "You forgot to input Unit Price."},
            {form->Text3, "You forgot to input Discount."}};
        for (const auto& check : checks) {
            dialogs.shown.clear();
            check.box->setText("  ");
            form->PushButton2_Click();
            QCOMPARE(dialogs.messages(), QStringList{QString::fromUtf8(check.message)});
            QCOMPARE(form->focusWidget(), check.box);
            check.box->setText("1");
        }
        QCOMPARE(m_lines->count(), 0);
    }

    void saveAppendsTheLineAndCloses() {
        ScriptedDialogs dialogs;
        const qlonglong widget = OrderBook::product("Widget", "12.5");
        for (const char* quantity : {"3", "1,000"}) {
            auto form = lineEditor();
            OrderBook::choose(form->Combo1, "Widget");
            form->Combo1_Click();
            form->Text1->setText(QString::fromUtf8(quantity));
            form->Text2->setText("1234.5");
            form->Text3->setText("7");
            form->PushButton2_Click();
            QVERIFY(!form->isVisible());
        }
        QVERIFY(dialogs.shown.isEmpty());
        const QString w = QString::number(widget);
        QCOMPARE(m_lines->count(), 2);
        QCOMPARE(line(1), (QStringList{w, "Widget", "3", "1,234.50", "7.00%"}));
        QCOMPARE(line(2), (QStringList{w, "Widget", "1,000", "1,234.50", "7.00%"}));

        auto form = lineEditor();
        OrderBook::choose(form->Combo1, "Widget");
        form->PushButton1_Click();  // Cancel
        QVERIFY(!form->isVisible());
        QCOMPARE(m_lines->count(), 2);
    }

    void lineUnderDecimalComma() {
        ScriptedDialogs dialogs;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        OrderBook::product("Widget", "12.5");
        auto form = lineEditor();
        OrderBook::choose(form->Combo1, "Widget");
        form->Combo1_Click();
        const QString price = form->Text2->text();
        form->Text3->setText("12,5");
        form->PushButton2_Click();
        const QStringList shown{price, m_lines->subItemText(1, 3), m_lines->subItemText(1, 4)};
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(shown, (QStringList{"12,5", "12,50", "12,50%"}));
    }

    void addProductTakesTheLeadingNumber_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QVariantList>("stored");  // name and price, or nothing
        QTest::newRow("apostrophe") << QStringList{"Rock'n'Roll Drum", "12.5 Euro"}
                                    << QVariantList{"Rock'n'Roll Drum", 12.5};
        QTest::newRow("grouped price") << QStringList{"Bolt", "1,234.50"} << QVariantList{"Bolt", 1};
        QTest::newRow("price cancelled") << QStringList{"Nut", ""} << QVariantList{"Nut", 0};
        QTest::newRow("letters") << QStringList{"Cog", "abc"} << QVariantList{"Cog", 0};
        QTest::newRow("blanks") << QStringList{"  ", "2"} << QVariantList{"  ", 2};
        QTest::newRow("name cancelled") << QStringList{"", "5"} << QVariantList{};
    }
    void addProductTakesTheLeadingNumber() {
        QFETCH(QStringList, answers);
        QFETCH(QVariantList, stored);
        ScriptedDialogs dialogs;
        auto form = lineEditor();
        form->Text1->setText("9");
        dialogs.inputs << answers;
        form->PushButton5_Click();
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("Enter new Product: "));
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Input Product"));
        QCOMPARE(dialogs.shown[1].text, QStringLiteral("Enter Unit Price: "));
        QCOMPARE(dialogs.shown[1].title, QStringLiteral("Input Unit Price"));
        const QList<QVariantList> rows = OrderBook::rows("select ProductName, UnitPrice from Products");
        QCOMPARE(rows, stored.isEmpty() ? QList<QVariantList>() : QList<QVariantList>{stored});
        QCOMPARE(form->Combo1->count(), int(rows.size()));
        QCOMPARE(form->Combo1->currentIndex(), -1);
        QCOMPARE(form->Text1->text(), QStringLiteral("9"));
    }

    void deleteProductTakesItsStoredLines() {
        ScriptedDialogs dialogs;
        const qlonglong widget = OrderBook::product("Widget", "12.5");
        const qlonglong bolt = OrderBook::product("Bolt", "40");
        OrderBook::line(1, widget, "1", "12.5", "0");
        OrderBook::line(2, widget, "1", "12.5", "0");
        OrderBook::line(2, bolt, "1", "40", "0");
        m_lines->addItem(QString::number(widget));  // already on the open order
        auto form = lineEditor();
        OrderBook::choose(form->Combo1, "Widget");

        dialogs.answers << qd::Answer::No;
        form->PushButton6_Click();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].text,
                 QStringLiteral("Warning: Deleting product will also delete order data that is "
                                "linked to this product.\r\nDo you wish to continue?"));
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::YesNo);
        QCOMPARE(OrderBook::count("Products"), 2);

        dialogs.answers << qd::Answer::Yes;
        form->PushButton6_Click();
        QCOMPARE(OrderBook::rows("select ProductID from Products"), (QList<QVariantList>{{bolt}}));
        QCOMPARE(OrderBook::rows("select ProductID from [Order Details]"),
                 (QList<QVariantList>{{bolt}}));
        QCOMPARE(form->Combo1->count(), 1);
        QCOMPARE(form->Combo1->currentIndex(), -1);
        QCOMPARE(m_lines->count(), 1);
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages().last(), QStringLiteral("You forgot to select Product."));
    }
};

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
