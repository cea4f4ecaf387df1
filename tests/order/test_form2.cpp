// The order editor's load for a new and an existing order, its lists, the small commands and
// the "+" and "-" buttons beside the lists.

#include "orderbook.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QComboBox>

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

using qd::ui::Form2;

class TestForm2 : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

    static std::unique_ptr<Form2> editor(const QString& id) {
        auto form = std::make_unique<Form2>();
        form->m_ID = id;
        form->ensureLoaded();
        return form;
    }
    struct Lookup {
        QComboBox* Form2::*list;
        void (Form2::*add)();
        void (Form2::*remove)();
    };
    static Lookup lookup(const QString& kind) {
        if (kind == "customer")
            return {&Form2::Combo1, &Form2::PushButton5_Click, &Form2::PushButton6_Click};
        if (kind == "employee")
            return {&Form2::Combo2, &Form2::PushButton3_Click, &Form2::PushButton4_Click};
        return {&Form2::Combo3, &Form2::PushButton7_Click, &Form2::PushButton8_Click};
    }
    static QStringList rows(const qd::ui::ListView* list) {
        QStringList all;
        for (int i = 1; i <= list->count(); ++i) all << row(list, i).join(u'|');
        return all;
    }
    static QStringList row(const qd::ui::ListView* list, int index) {
        QStringList cells{list->itemText(index)};
        for (int s = 1; s <= 4; ++s) cells.append(list->subItemText(index, s));
        return cells;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { book::open(m_env); }
    void cleanup() { book::close(); }

    void newOrderOpensEmpty() {
        ScriptedDialogs dialogs;
        const qlonglong zeta = book::customer("Zeta"), acme = book::customer("Acme");
        book::employee("Ute", "Berg");
        book::employee("Ann", "Vos");
        book::shipping("Rail");
        book::shipping("Air");
        auto form = editor(QString());
        // Entries in the statements' order, each with its own identifier.
        QCOMPARE(form->Combo1->itemText(0), QStringLiteral("Acme"));
        QCOMPARE(form->m_CustomerIDs.item(1), acme);
        QCOMPARE(form->m_CustomerIDs.item(2), zeta);
        QCOMPARE(form->Combo2->itemText(0) + "|" + form->Combo3->itemText(0),
                 QStringLiteral("Ann Vos|Air"));
        for (QComboBox* list : {form->Combo1, form->Combo2, form->Combo3})
            QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(form->DateTimePicker1->date(), QDate::currentDate());
        QCOMPARE(form->DateTimePicker2->date(), QDate::currentDate());
        QCOMPARE(form->Text1->text() + "|" + form->Text2->text(), QStringLiteral("|0"));
        QCOMPARE(form->ListView1->count() + form->ListView1->columnCount(), 5);
        QCOMPARE(form->ListView1->columnWidth(1) + form->ListView1->columnWidth(2), 2001.0);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void existingOrderShowsStoredValuesInTheirFormats() {
        ScriptedDialogs dialogs;
        const qlonglong acme = book::customer("Acme");
        book::customer("Bolt & Co");
        const qlonglong id = book::order(acme, book::employee("Ann", "Vos"), book::shipping("Air"),
                                         "PO'7", "0.0825");
        const qlonglong widget = book::product("Widget", "12.5");
        book::line(id, widget, "3", "1234.5", "0.05");
        book::line(id, widget, "2.5", "0", "0.125");
        auto form = editor(QString::number(id));
        QCOMPARE(
            QStringList({form->Combo1->currentText(), form->Combo2->currentText(),
                         form->Combo3->currentText(), form->Text1->text(), form->Text2->text()}),
            (QStringList{"Acme", "Ann Vos", "Air", "PO'7", "8.25"}));
        QCOMPARE(form->DateTimePicker1->date(), QDate(2026, 3, 7));
        QCOMPARE(form->DateTimePicker2->date(), QDate(2026, 12, 31));
        const QString w = QString::number(widget);
        QCOMPARE(row(form->ListView1, 1), (QStringList{w, "Widget", "3", "1,234.50", "5.00%"}));
        QCOMPARE(row(form->ListView1, 2), (QStringList{w, "Widget", "2.5", "0.00", "12.50%"}));
        QCOMPARE(form->ListView1->count(), 2);
        QVERIFY(dialogs.shown.isEmpty());
    }

    // Names shared by two rows must not move the order to the other row.
    void sharedNamesArePositionedOnTheOrdersOwnEntries() {
        ScriptedDialogs dialogs;
        book::customer("Acme");
        book::employee("Ann", "Vos");
        book::shipping("Post");
        const QVariantList own{book::customer("Acme"), book::employee("Ann", "Vos"),
                               book::shipping("Post")};
        const qlonglong id =
            book::order(own[0].toLongLong(), own[1].toLongLong(), own[2].toLongLong(), "A1");
        book::line(id, book::product("Widget", "1"), "1", "1", "0");
        auto form = editor(QString::number(id));
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages(), QStringList{"Record Successfully Saved"});
        QCOMPARE(book::rows("select CustomerID, EmployeeID, ShippingMethodID from Orders"),
                 book::Rows{own});
    }

    // A line changed in place: double-click or Enter opens the line window filled with the
    // line; Save replaces it where it stands, Cancel leaves it; Delete deletes the selected
    // line. Nothing reaches the book before the order is saved.
    void aLineIsChangedInPlace() {
        ScriptedDialogs dialogs;
        const qlonglong widget = book::product("Widget", "1"), bolt = book::product("Bolt", "2");
        const qlonglong id = book::order(book::customer("Acme"), book::employee("Ann", "Vos"),
                                         book::shipping("Air"), "1");
        book::line(id, widget, "1", "1", "0");
        book::line(id, bolt, "2", "1234.5", "0.125");
        book::line(id, widget, "3", "3", "0");
        auto form = editor(QString::number(id));
        form->activateWindow();
        const QStringList before = rows(form->ListView1);
        QStringList filled;
        auto change = [&](const char* quantity, const char* product, bool save) {
            dialogs.windows.enqueue([&, quantity, product, save](QDialog* window) {
                auto* line = static_cast<qd::ui::Form3*>(window);
                filled = QStringList{line->windowTitle(), line->Combo1->currentText(), line->Text1->text(),
                                     line->Text2->text(), line->Text3->text()};
                book::choose(line->Combo1, product);
                line->Text1->setText(quantity);
                if (save) line->PushButton2_Click(); else line->PushButton1_Click();
            });
        };
        QWidget* lines = form->ListView1->viewport();
        const QPoint second = form->ListView1->visualRect(form->ListView1->listModel()->index(1, 1)).center();
        change("7", "Widget", false);
        QTest::mouseClick(lines, Qt::LeftButton, {}, second);
        QTest::mouseDClick(lines, Qt::LeftButton, {}, second);
        QCoreApplication::processEvents();
        QCOMPARE(filled, (QStringList{"Change Product", "Bolt", "2", "1234.5", "12.5"}));
        QCOMPARE(rows(form->ListView1), before);  // cancelled

        change("7", "Widget", true);
        form->ListView1->setFocus();
        QTest::keyClick(form->ListView1, Qt::Key_Return);
        QCoreApplication::processEvents();
        const QString w = QString::number(widget);
        QCOMPARE(rows(form->ListView1),
                 (QStringList{before[0], w + "|Widget|7|1,234.50|12.50%", before[2]}));
        QCOMPARE(book::count("[Order Details]"), 3);
        QCOMPARE(book::rows("select Quantity from [Order Details] where ProductID=" + QString::number(bolt)).size(), 1);

        QTest::keyClick(form->ListView1, Qt::Key_Delete);
        QCoreApplication::processEvents();
        QCOMPARE(form->ListView1->count(), 2);
        QCOMPARE(dialogs.unexpected, QStringList());
        QCOMPARE(book::errors(dialogs), QStringList());
    }

    void deleteSelectedRemovesOnlyFromTheList() {
        ScriptedDialogs dialogs;
        const qlonglong widget = book::product("Widget", "1"), bolt = book::product("Bolt", "2");
        const qlonglong id = book::order(book::customer("Acme"), book::employee("Ann", "Vos"),
                                         book::shipping("Air"), "1");
        book::line(id, widget, "1", "1", "0");
        book::line(id, bolt, "2", "2", "0");
        auto form = editor(QString::number(id));
        form->ListView1->selectIndex(1);
        form->PushButton10_Click();
        QCOMPARE(form->ListView1->itemText(1), QString::number(bolt));
        QCOMPARE(book::count("[Order Details]"), 2);

        form->ListView1->selectionModel()->clearSelection();
        form->PushButton10_Click();  // items but none selected: reported, nothing removed
        QCOMPARE(form->ListView1->count(), 1);
        QCOMPARE(book::errors(dialogs).size(), 1);
        QVERIFY(book::errors(dialogs)[0].contains(
            "in Marrowlist2021/08/31.Form2.PushButton10_Click at line 102"));

        form->ListView1->selectIndex(1);
        form->PushButton10_Click();
        form->PushButton10_Click();  // empty now: nothing happens
        QCOMPARE(form->ListView1->count(), 0);
        QCOMPARE(dialogs.shown.size(), 1);
    }

    // Tab visits every field once in the window's order, Enter presses the focused button and
    // nothing from a field, and switching to another window is not leaving the tax rate.
    void keyboardAndFocus() {
        ScriptedDialogs dialogs;
        auto form = editor(QString());
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Combo1->setFocus();
        QStringList visited;
        for (int i = 0; i < 19; ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, (QStringList{"Combo1", "Combo2", "DateTimePicker1", "Text1",
                                       "DateTimePicker2", "Combo3", "Text2", "ListView1",
                                       "PushButton9", "PushButton10", "PushButton2", "PushButton1",
                                       "PushButton5", "PushButton6", "PushButton3", "PushButton4",
                                       "PushButton7", "PushButton8", "Combo1"}));
        form->Text1->setFocus();
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(dialogs.shown.isEmpty());
        form->PushButton2->setFocus();
        QTest::keyClick(form->PushButton2, Qt::Key_Return);
        QCOMPARE(dialogs.messages(), QStringList{"You forgot to select Customer."});

        form->Text2->setFocus();
        QCoreApplication::processEvents();
        form->Text2->setText("7%");
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCoreApplication::processEvents();
        QCOMPARE(form->Text2->text() + "|" + form->Text2->selectedText(), QStringLiteral("7%|"));
        QTest::keyClick(form->Text2, Qt::Key_Tab);
        QCOMPARE(form->Text2->text(), QStringLiteral("0"));
    }

    // Cancel adds nothing, a known name gives a second entry, and the refilled list has no
    // selection. The employee's two boxes are both shown before either answer is looked at.
    void addsAskAndStoreTheNameAsTyped() {
        ScriptedDialogs dialogs;
        book::customer("Mid");
        auto form = editor(QString());
        form->Combo1->setCurrentIndex(0);
        form->Text1->setText("PO 9");
        dialogs.inputs << ""
                       << "Mid"
                       << "  "
                       << "Rock'n'Roll";
        for (int i = 0; i < 3; ++i) form->PushButton5_Click();
        form->PushButton7_Click();
        dialogs.inputs << ""
                       << "Vos"
                       << "Ann"
                       << ""
                       << "Seán"
                       << "O'Brien";
        for (int i = 0; i < 3; ++i) form->PushButton3_Click();
        QStringList asked;
        for (const Shown& s : dialogs.shown) asked << s.text + s.title;
        QCOMPARE(asked.mid(3, 3),
                 (QStringList{"Enter new Shipping Method: Input Shipping Method",
                              "Enter new Employee's Firstname: Input Employee's Firstname",
                              "Enter new Employee's Lastname: Input Employee's Lastname"}));
        QCOMPARE(asked.count("Enter new Customer: Input Customer"), 3);
        QCOMPARE(asked.size(), 10);
        QCOMPARE(book::rows("select CompanyName from Customers order by CustomerID"),
                 (book::Rows{{"Mid"}, {"Mid"}, {"  "}}));
        QCOMPARE(book::single("select ShippingMethod from [Shipping Methods]"), "Rock'n'Roll");
        QCOMPARE(book::rows("select FirstName, LastName from Employees"),
                 (book::Rows{{"Seán", "O'Brien"}}));
        QCOMPARE(form->Combo1->count(), 3);
        QCOMPARE(form->Combo2->itemText(0), QStringLiteral("Seán O'Brien"));
        for (QComboBox* list : {form->Combo1, form->Combo2, form->Combo3})
            QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(form->Text1->text(), QStringLiteral("PO 9"));
    }

    // A name with a NUL character, or longer than the 255 characters a text field keeps, is
    // refused with one plain message naming the field; nothing is stored and nothing is cut.
    // 255 characters are stored whole.
    void unstorableNamesAreRefused() {
        ScriptedDialogs dialogs;
        auto form = editor(QString());
        const QString withNul = QStringLiteral("Acme") + QChar(0) + QStringLiteral("Tools");
        const QString longest(255, QLatin1Char('x'));
        const QString tooLong(256, QLatin1Char('y'));
        dialogs.inputs << withNul << tooLong << longest;
        for (int i = 0; i < 3; ++i) form->PushButton5_Click();
        dialogs.inputs << tooLong;
        form->PushButton7_Click();
        dialogs.inputs << QStringLiteral("Ann") << withNul;
        form->PushButton3_Click();
        const QStringList messages = dialogs.messages();
        QCOMPARE(messages.size(), 4);
        QVERIFY2(messages[0].startsWith("The customer name contains the character NUL (code 0)"),
                 qPrintable(messages[0]));
        QVERIFY2(messages[1].startsWith("The customer name is 256 characters long; an order "
                                        "book keeps at most 255."),
                 qPrintable(messages[1]));
        QVERIFY2(messages[2].startsWith("The shipping method is 256"), qPrintable(messages[2]));
        for (const Shown& s : dialogs.shown)
            if (s.kind == Shown::Message) QCOMPARE(s.title, qd::applicationTitle());
        QCOMPARE(book::rows("select CompanyName from Customers"), (book::Rows{{longest}}));
        QCOMPARE(book::count("[Shipping Methods]"), 0);
        QCOMPARE(book::count("Employees"), 0);
        QVERIFY(dialogs.unexpected.isEmpty());
        QVERIFY2(messages[3].startsWith("The last name contains the character NUL"),
                 qPrintable(messages[3]));
    }

    void deleteTakesTheOrdersButNotTheirLines_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("table");
        QTest::newRow("customer") << "customer"
                                  << "customer"
                                  << "Customers";
        QTest::newRow("employee") << "employee"
                                  << "employee"
                                  << "Employees";
        QTest::newRow("shipping") << "shipping"
                                  << "shipping method"
                                  << "[Shipping Methods]";
    }
    void deleteTakesTheOrdersButNotTheirLines() {
        QFETCH(QString, kind);
        QFETCH(QString, what);
        QFETCH(QString, table);
        ScriptedDialogs dialogs;
        const qlonglong kept =
            book::order(book::customer("A"), book::employee("A", "A"), book::shipping("A"), "kept");
        const qlonglong gone =
            book::order(book::customer("B"), book::employee("B", "B"), book::shipping("B"), "gone");
        book::line(gone, book::product("P", "1"), "1", "1", "0");
        auto form = editor(QString());
        QComboBox* list = form.get()->*lookup(kind).list;

        (form.get()->*lookup(kind).remove)();  // nothing selected: nothing asked
        QVERIFY(dialogs.shown.isEmpty());
        book::choose(list, kind == "employee" ? "B B" : "B");
        dialogs.answers << qd::Answer::No << qd::Answer::Yes;
        (form.get()->*lookup(kind).remove)();
        QCOMPARE(book::count(table) + book::count("Orders"), 4);
        (form.get()->*lookup(kind).remove)();

        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].text,
                 QStringLiteral("Warning: Deleting %1 will also delete order data that is linked "
                                "to this %1.\r\nDo you wish to continue?")
                     .arg(what));
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::YesNo);
        QCOMPARE(dialogs.shown[0].icon, qd::Icon::None);
        QCOMPARE(book::count(table), 1);
        QCOMPARE(book::rows("select OrderID from Orders"), (book::Rows{{kept}}));
        QCOMPARE(book::count("[Order Details]"), 1);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentIndex(), -1);
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
