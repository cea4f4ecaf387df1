// The order line editor: the product list, the three boxes, Save into the order editor's
// list, and the product catalogue's "+" and "-".

#include "orderbook.h"
#include "ui/controls/listview.h"
#include "ui/order/form3.h"

#include <QLineEdit>

using qd::ui::Form3;

class TestForm3 : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    std::unique_ptr<qd::ui::ListView> m_lines;

    std::unique_ptr<Form3> lineEditor() {
        auto form = std::make_unique<Form3>(m_lines.get());
        form->show();
        return form;
    }
    QString line(int index) const {
        QStringList cells{m_lines->itemText(index)};
        for (int s = 1; s <= 4; ++s) cells.append(m_lines->subItemText(index, s));
        return cells.join('|');
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        book::open(m_env);
        m_lines = std::make_unique<qd::ui::ListView>();
        for (const char* c : {"ID", "Product Name", "Quantity", "Unit Price", "Discount"})
            m_lines->addColumn(QString::fromUtf8(c));
    }
    void cleanup() {
        m_lines.reset();
        book::close();
    }

    void choosingAProductSetsOnlyThePrice() {
        const qlonglong widget = book::product("Widget", "12.5");
        book::product("Bolt", "40");
        book::execute("insert into Products (ProductName) values ('Unpriced')");
        auto form = lineEditor();
        QCOMPARE(form->Combo1->itemText(0), QStringLiteral("Bolt"));
        QCOMPARE(form->Combo1->currentIndex(), -1);
        QCOMPARE(form->m_ProductIDs.item(3), widget);
        QCOMPARE(form->m_UnitPrices.item(3).toDouble(), 12.5);
        form->Text1->setText("4");
        form->Text3->setText("5");
        const struct {
            const char* product;
            const char* price;
        } choices[] = {{"Widget", "12.5"}, {"Bolt", "40"}, {"Unpriced", "0"}};
        for (const auto& c : choices) {
            book::choose(form->Combo1, c.product);
            form->Combo1_Click();
            QCOMPARE(form->Text1->text() + form->Text2->text() + form->Text3->text(),
                     "4" + QString::fromUtf8(c.price) + "5");
        }
        form->Combo1->setCurrentIndex(-1);
        form->Combo1_Change();
        QCOMPARE(form->Text1->text() + form->Text2->text() + form->Text3->text(),
                 QStringLiteral("000"));
    }

    // Leaving the discount box keeps only numbers from 0 to 100.
    void discountBoxKeepsItsRange() {
        auto form = lineEditor();
        const QStringList typed{"150", "-5", "100", "0", "12.5", "5%"};
        const QStringList left{"0", "0", "100", "0", "12.5", "0"};
        for (int i = 0; i < typed.size(); ++i) {
            form->Text3->setText(typed[i]);
            form->Text3_LostFocus();
            QCOMPARE(form->Text3->text(), left[i]);
        }
    }

    void saveChecksThenAppendsTheLine() {
        ScriptedDialogs dialogs;
        const QString w = QString::number(book::product("Widget", "12.5"));
        auto form = lineEditor();
        form->PushButton2_Click();
        book::verifyPlainMessage(dialogs.shown.value(0), "You forgot to select Product.");
        QCOMPARE(form->focusWidget(), form->Combo1);
        book::choose(form->Combo1, "Widget");
        const struct {
            QLineEdit* box;
            const char* message;
        } checks[] = {{form->Text1, "You forgot to input Quantity."},
                      {form->Text2, "You forgot to input Unit Price."},
                      {form->Text3, "You forgot to input Discount."}};
        for (const auto& check : checks) {
            check.box->setText("  ");
            form->PushButton2_Click();
            QCOMPARE(dialogs.messages().last(), QString::fromUtf8(check.message));
            QCOMPARE(form->focusWidget(), check.box);
            check.box->setText("0");
        }
        QCOMPARE(m_lines->count(), 0);
        QVERIFY(form->isVisible());

        form->Text1->setText("1,000");
        form->Text2->setText("1234.5");
        form->Text3->setText("7");
        form->PushButton2_Click();
        QVERIFY(!form->isVisible());
        form = lineEditor();  // the same product again gives a second line
        book::choose(form->Combo1, "Widget");
        form->Combo1_Click();
        form->PushButton2_Click();
        QCOMPARE(line(1), w + "|Widget|1,000|1,234.50|7.00%");
        QCOMPARE(line(2), w + "|Widget|0|12.50|0.00%");
        form = lineEditor();
        book::choose(form->Combo1, "Widget");
        form->PushButton1_Click();  // Cancel
        QCOMPARE(m_lines->count(), 2);
        QCOMPARE(dialogs.shown.size(), 4);
    }

    // Each listed step has one number, whatever it holds.
    void failuresReportTheirStepNumbers() {
        ScriptedDialogs dialogs;
        book::product("Widget", "1");
        auto form = lineEditor();
        book::choose(form->Combo1, "Widget");
        form->Text2->setText("abc");  // never left, so never corrected
        form->PushButton2_Click();
        QCOMPARE(m_lines->count(), 1);
        book::execute("drop table Products");
        form = lineEditor();
        const QStringList reported = book::errors(dialogs);
        QCOMPARE(reported.size(), 2);
        QVERIFY(
            reported[0].contains("in Marrowlist2021/08/31.Form3.PushButton2_Click at line 116"));
        QVERIFY(reported[1].contains("in Marrowlist2021/08/31.Form3.Form_Load at line 108"));
        QCOMPARE(form->Text1->text() + form->Text2->text() + form->Text3->text(),
                 QStringLiteral("000"));
    }

    void lineUnderDecimalComma() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        book::product("Widget", "1234.5");
        auto form = lineEditor();
        book::choose(form->Combo1, "Widget");
        form->Combo1_Click();
        const QString price = form->Text2->text();
        form->Text3->setText("12,5");
        form->PushButton2_Click();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(price + " " + m_lines->subItemText(1, 3) + " " + m_lines->subItemText(1, 4),
                 QStringLiteral("1234,5 1.234,50 12,50%"));
    }

    // Both boxes are always shown; the price is the leading number of the answer.
    void addProductTakesTheLeadingNumber() {
        ScriptedDialogs dialogs;
        auto form = lineEditor();
        form->Text1->setText("9");
        dialogs.inputs << "Rock'n'Roll Drum"
                       << "12.5 Euro"
                       << "Bolt"
                       << "1,234.50"
                       << "Nut"
                       << ""
                       << ""
                       << "5";
        for (int i = 0; i < 4; ++i) form->PushButton5_Click();
        QCOMPARE(dialogs.shown.size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(dialogs.shown[i].text + dialogs.shown[i].title,
                     i % 2 ? QStringLiteral("Enter Unit Price: Input Unit Price")
                           : QStringLiteral("Enter new Product: Input Product"));
        QCOMPARE(book::rows("select ProductName, UnitPrice from Products"),
                 (book::Rows{{"Rock'n'Roll Drum", 12.5}, {"Bolt", 1}, {"Nut", 0}}));
        QCOMPARE(form->Combo1->count(), 3);
        QCOMPARE(form->Combo1->currentIndex(), -1);
        QCOMPARE(form->Text1->text(), QStringLiteral("9"));
    }

    // A product name that a text field cannot keep is refused after both boxes, with one
    // message; nothing is stored.
    void unstorableProductNameIsRefused() {
        ScriptedDialogs dialogs;
        auto form = lineEditor();
        dialogs.inputs << QString(300, QLatin1Char('p')) << "5" << QStringLiteral("a") + QChar(0)
                       << "5";
        form->PushButton5_Click();
        form->PushButton5_Click();
        const QStringList messages = dialogs.messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[0].startsWith("The product name is 300 characters long"),
                 qPrintable(messages[0]));
        QVERIFY2(messages[1].startsWith("The product name contains the character NUL"),
                 qPrintable(messages[1]));
        QCOMPARE(dialogs.shown.size(), 6);
        QCOMPARE(book::count("Products"), 0);
    }

    void deleteProductTakesItsStoredLines() {
        ScriptedDialogs dialogs;
        const qlonglong widget = book::product("Widget", "12.5"),
                        bolt = book::product("Bolt", "40");
        book::line(1, widget, "1", "12.5", "0");
        book::line(2, widget, "1", "12.5", "0");
        book::line(2, bolt, "1", "40", "0");
        m_lines->addItem(QString::number(widget));  // already on the open order
        auto form = lineEditor();
        book::choose(form->Combo1, "Widget");
        dialogs.answers << qd::Answer::No << qd::Answer::Yes;
        form->PushButton6_Click();
        QCOMPARE(book::count("Products"), 2);
        form->PushButton6_Click();
        QCOMPARE(dialogs.shown[0].text,
                 QStringLiteral("Warning: Deleting product will also delete order data that is "
                                "linked to this product.\r\nDo you wish to continue?"));
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::YesNo);
        QCOMPARE(book::rows("select ProductID from Products"), (book::Rows{{bolt}}));
        QCOMPARE(book::rows("select ProductID from [Order Details]"), (book::Rows{{bolt}}));
        QCOMPARE(form->Combo1->currentIndex(), -1);
        QCOMPARE(m_lines->count(), 1);
    }
};

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
