// The order list as a desktop list: double-click or Enter edits, Delete asks the delete question
// with No as its default, the window keeps its design size, and the find field (Ctrl+F, typing,
// Enter and F3, "not found", Escape and focus loss). Keys and clicks go to the focused widget or
// the widget under the pointer, as the toolkit delivers them.

#include "app/appconnection.h"
#include "main/support.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/controls/findfield.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/controls/widgetdialogs.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"
#include "ui/reports/form4.h"
#include "ui/reports/form5.h"
#include "ui/reports/preview.h"
#include "reports/document.h"

#include <QAccessible>

#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

using qd::ui::FindField;
using qd::ui::Form1;
using qd::ui::Form2;
using qd::ui::ListView;

namespace {

TestEnvironment* env = nullptr;

// Four orders in this order: Alder Works, Birch Holdings (by freight, 10% tax, one line),
// Cedar Alder, Birch Holdings again.
void addOrders() {
    auto& db = qd::AppConnection();
    for (const char* name : {"Alder Works", "Birch Holdings", "Cedar Alder"})
        db.execute(QStringLiteral("insert into Customers (CompanyName) values ('%1')").arg(QLatin1String(name)));
    db.execute("insert into Employees (FirstName, LastName) values ('Ann', 'Lee')");
    db.execute("insert into [Shipping Methods] (ShippingMethod) values ('Courier')");
    db.execute("insert into [Shipping Methods] (ShippingMethod) values ('Freight')");
    const char* orders[][4] = {{"1", "A-1", "1", "0.05"}, {"2", "B-2", "2", "0.1"},
                               {"3", "C-3", "1", "0"}, {"2", "D-4", "1", "0"}};
    for (const auto& o : orders)
        db.execute(QStringLiteral("insert into Orders (CustomerID, EmployeeID, OrderDate, "
                                  "PurchaseOrderNumber, ShipDate, ShippingMethodID, SalesTaxRate) "
                                  "values (%1, 1, #03/14/2026#, '%2', #03/21/2026#, %3, %4)")
                       .arg(QLatin1String(o[0]), QLatin1String(o[1]), QLatin1String(o[2]),
                            QLatin1String(o[3])));
    db.execute("insert into Products (ProductName, UnitPrice) values ('Bolt', 2)");
    db.execute("insert into [Order Details] (OrderID, ProductID, Quantity, UnitPrice, Discount) "
               "values (2, 1, 5, 2, 0)");
}

QPoint cellCentre(const ListView* list, int index) {
    return list->visualRect(list->listModel()->index(index - 1, 1)).center();
}

}  // namespace

class TestHabits : public QObject {
    Q_OBJECT
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    ListView* orders = nullptr;

    // The main window over the four orders, shown and active, the order list focused.
    void start() {
        form = std::make_unique<Form1>();
        form->setEndsProgramOnUnload(false);
        form->Form_Load();
        addOrders();
        form->RefreshOrderList();
        orders = form->ListView1;
        orders->listModel()->flush();
        form->ListView2->listModel()->flush();
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        orders->setFocus();
        QCOMPARE(orders->count(), 4);
    }

    // The editor that the next modal window turns out to be, with the order it was opened for.
    QString nextEditorOrder() {
        auto opened = std::make_shared<QString>(QStringLiteral("none"));
        dialogs.windows.enqueue([opened](QDialog* window) {
            auto* editor = qobject_cast<Form2*>(window);
            *opened = editor ? editor->windowTitle() + QLatin1Char(':') + editor->m_ID : QString();
        });
        QCoreApplication::processEvents();  // the command runs after the key or the click
        return *opened;
    }

    FindField* find() const { return form->findField(); }
    void type(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(widget, Qt::Key(key), modifiers);
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        dialogs.shown.clear();
        dialogs.answers.clear();
        dialogs.windows.clear();
        env->reset();
        start();
    }
    void cleanup() {
        QVERIFY2(dialogs.unexpected.isEmpty(), qPrintable(dialogs.unexpected.join(" | ")));
        dialogs.unexpected.clear();
        if (form) form->close();
        form.reset();
    }

    // Ctrl+N is Add New Order and F1 is Help, wherever the focus is in the window.
    void commandKeys() {
        type(orders, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(nextEditorOrder(), QStringLiteral("Add New:"));
        type(form->PushButton5, Qt::Key_F1);
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.messages().filter("Questions?").size(), 1);
    }

    // Ctrl+P and the list's context menu (a right click selects the row under the pointer)
    // show the selected order's confirmation in the report preview, its total with the tax.
    void printOrder() {
        auto nextPreview = [&] {
            auto shown = std::make_shared<QStringList>();
            dialogs.windows.enqueue([shown](QDialog* window) {
                auto* preview = qobject_cast<qd::ui::DataReport1*>(window);
                if (!preview) return;
                const auto& layout = preview->document().layout();
                *shown << layout.title() << QString::number(preview->document().rows().rowCount)
                       << layout.band(qd::reports::BandRole::ReportFooter).controls.back().caption;
            });
            QCoreApplication::processEvents();
            return *shown;
        };
        orders->chooseIndex(2);
        type(orders, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(nextPreview(), (QStringList{"Order 2", "1", "$11.00"}));

        const QPoint row4 = cellCentre(orders, 4);
        QTest::mouseClick(orders->viewport(), Qt::RightButton, {}, row4);
        QCOMPARE(orders->selectedIndex(), 4);
        QContextMenuEvent click(QContextMenuEvent::Mouse, row4, orders->viewport()->mapToGlobal(row4));
        QApplication::sendEvent(orders->viewport(), &click);
        auto* menu = form->findChild<QMenu*>(QStringLiteral("OrderMenu"));
        QVERIFY(menu && menu->isVisible());
        QAction* print = nullptr;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(QLatin1String("Print Order...\t"))) print = a;
        QVERIFY(print && print->isEnabled());
        // Enter runs the highlighted entry, as in any menu.
        menu->setActiveAction(print);
        type(menu, Qt::Key_Return);
        QCOMPARE(nextPreview(), (QStringList{"Order 4", "0", "$0.00"}));
        QVERIFY(dialogs.messages().isEmpty());
    }

    // What a screen reader hears: every control that takes the focus in the five windows has
    // a name (a field its label's, a "+" or "-" what it does), and the order number kept out
    // of sight is not read while it is hidden.
    void everyControlHasAName() {
        QStringList unnamed;
        auto look = [&](QWidget* window) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (w->focusPolicy() == Qt::NoFocus || w->isWindow() || qobject_cast<FindField*>(w)) continue;
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << window->objectName() + u'.' + w->objectName() + u' ' + w->metaObject()->className();
            }
            // A drop-down's open list, which the desktop's bus offers as a control of its own.
            for (QComboBox* combo : window->findChildren<QComboBox*>())
                if (combo->view()->accessibleName().isEmpty()) unnamed << window->objectName() + u'.' + combo->objectName() + QStringLiteral(" list");
        };
        look(form.get());
        QCOMPARE(QAccessible::queryAccessibleInterface(find())->text(QAccessible::Name), QStringLiteral("Find in the list"));
        auto editor = std::make_unique<Form2>();
        editor->ensureLoaded();
        look(editor.get());
        QCOMPARE(QAccessible::queryAccessibleInterface(editor->Text2)->text(QAccessible::Name), QStringLiteral("Sales Tax Rate"));
        QCOMPARE(QAccessible::queryAccessibleInterface(editor->PushButton8)->text(QAccessible::Name),
                 QStringLiteral("Delete shipping method"));
        qd::ui::Form3 line(editor->ListView1);
        qd::ui::Form4 reports;
        for (QWidget* window : {static_cast<QWidget*>(&line), static_cast<QWidget*>(&reports),
                                static_cast<QWidget*>(&qd::ui::Form5::instance())})
            look(window);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));

        const QModelIndex id = orders->listModel()->index(0, 0);
        QCOMPARE(id.data(Qt::AccessibleTextRole).toString(), QStringLiteral(" "));
        QCOMPARE(orders->listModel()->index(0, 1).data(Qt::AccessibleTextRole), QVariant());  // as shown
        orders->setColumnWidth(1, 900);
        QCOMPARE(id.data(Qt::AccessibleTextRole), QVariant());
    }

    // A double-click on a row, or Enter on the list, runs "Edit Selected Order" for that row;
    // a double-click below the rows opens nothing.
    void doubleClickAndEnterEdit() {
        QWidget* rows = orders->viewport();
        QTest::mouseClick(rows, Qt::LeftButton, {}, cellCentre(orders, 3));
        QCOMPARE(orders->selectedIndex(), 3);
        QTest::mouseDClick(rows, Qt::LeftButton, {}, cellCentre(orders, 3));
        QCOMPARE(nextEditorOrder(), QStringLiteral("Edit Data:3"));
        QCOMPARE(orders->selectedIndex(), 3);  // the command selects the row again afterwards

        QTest::keyClick(orders, Qt::Key_Down);
        type(orders, Qt::Key_Return);
        QCOMPARE(nextEditorOrder(), QStringLiteral("Edit Data:4"));
        type(orders, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(nextEditorOrder(), QStringLiteral("Edit Data:4"));

        dialogs.windows.clear();
        QTest::mouseDClick(rows, Qt::LeftButton, {}, QPoint(20, rows->height() - 5));
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.shown.size(), 3);  // the three editors above, nothing more
    }

    // Delete on the list asks the command's question, with No as the default button; only a
    // Yes deletes. With the desktop's own message box, Enter answers No.
    void deleteKeyAsksWithNoAsDefault() {
        orders->selectIndex(2);
        type(orders, Qt::Key_Delete);
        dialogs.answers.enqueue(qd::Answer::No);
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.shown.size(), 1);
        const Shown& question = dialogs.shown[0];
        QCOMPARE(question.text, QStringLiteral("Are you sure you want to delete [Birch Holdings - Ann Lee]?"));
        QCOMPARE(question.buttons, qd::Buttons::YesNo);
        QCOMPARE(question.icon, qd::Icon::None);
        QCOMPARE(question.title, QStringLiteral("Quarrydesk"));
        QCOMPARE(question.defaultButton, qd::DefaultButton::Second);
        QCOMPARE(rowCount("Orders"), 4);

        qd::ui::WidgetDialogs desktop;
        qd::setDialogs(&desktop);
        QString shownText;
        QStringList buttons;
        QString defaultButton;
        // Answers the box with Enter once it is up.
        QTimer answer;
        answer.setInterval(0);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            answer.stop();
            shownText = box->text();
            for (QAbstractButton* b : box->buttons()) buttons << b->text().remove(QLatin1Char('&'));
            defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
            QTest::keyClick(box, Qt::Key_Return);
        });
        answer.start();
        type(orders, Qt::Key_Delete);
        QCoreApplication::processEvents();
        qd::setDialogs(&dialogs);
        QCOMPARE(shownText, QStringLiteral("Are you sure you want to delete [Birch Holdings - Ann Lee]?"));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"No", "Yes"}));
        QCOMPARE(defaultButton, QStringLiteral("No"));
        QCOMPARE(rowCount("Orders"), 4);

        type(orders, Qt::Key_Delete);
        dialogs.answers.enqueue(qd::Answer::Yes);
        QCoreApplication::processEvents();
        QCOMPARE(rowCount("Orders"), 3);
        QCOMPARE(rowCount("[Order Details]"), 0);
        orders->listModel()->flush();
        QCOMPARE(orders->count(), 3);
    }

    // Dragging the border in cannot make the window smaller than its design, where all six
    // buttons show.
    void keepsItsDesignSize() {
        const QSize design = form->size();
        QCOMPARE(form->minimumSize(), design);
        form->resize(design.width() / 2, design.height() / 2);
        QCOMPARE(form->size(), design);
        for (QPushButton* button : form->findChildren<QPushButton*>())
            QVERIFY(form->rect().contains(button->geometry()));
    }

    // Ctrl+F opens the field over the list's bottom edge; typing selects the next order that
    // shows the text in any column, the order's lines following; Enter and F3 go on round the
    // list; a text no order shows says "not found" and keeps the selection; Escape closes the
    // field and gives the list the focus back.
    void findAnOrder() {
        type(orders, Qt::Key_F, Qt::ControlModifier);
        FindField* field = find();
        QVERIFY(field->isVisible());
        QVERIFY(field->hasFocus());
        QVERIFY(orders->geometry().contains(field->geometry()));
        QVERIFY(field->geometry().bottom() > orders->geometry().center().y());

        QTest::keyClicks(field, "alder");
        QCOMPARE(orders->selectedIndex(), 1);  // Alder Works, already selected
        type(field, Qt::Key_Return);
        QCOMPARE(orders->selectedIndex(), 3);  // Cedar Alder
        type(field, Qt::Key_F3);
        QCOMPARE(orders->selectedIndex(), 1);  // round the end
        QVERIFY(!field->notFound());

        field->selectAll();
        QTest::keyClicks(field, "FREIGHT");  // the shipping method column, letter case ignored
        QCOMPARE(orders->selectedIndex(), 2);
        form->ListView2->listModel()->flush();
        QCOMPARE(form->ListView2->count(), 1);  // the lines of the order found
        QCOMPARE(form->ListView2->subItemText(1, 1), QStringLiteral("Bolt"));

        field->selectAll();
        QTest::keyClicks(field, "10.00%");
        QCOMPARE(orders->selectedIndex(), 2);
        QTest::keyClicks(field, "x");
        QVERIFY(field->notFound());
        QCOMPARE(orders->selectedIndex(), 2);
        type(field, Qt::Key_Backspace);
        QVERIFY(!field->notFound());

        type(field, Qt::Key_Escape);
        QVERIFY(!field->isVisible());
        QVERIFY(orders->hasFocus());

        // F3 with the field closed finds the next order with the last text; Ctrl+F from a
        // button opens the field again with that text ready to be typed over.
        orders->selectIndex(1);
        type(orders, Qt::Key_F3);
        QCOMPARE(orders->selectedIndex(), 2);
        form->PushButton5->setFocus();
        type(form->PushButton5, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), QStringLiteral("10.00%"));
        QTest::keyClicks(field, "b-2");
        QCOMPARE(orders->selectedIndex(), 2);
    }

    // While a long list is still filling between events, the find field and the keys work on
    // the whole list: the fill completes first.
    void keysWorkOnTheWholeList() {
        qd::AppConnection().execute(
            "insert into Orders (CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
            "ShipDate, ShippingMethodID, SalesTaxRate) select 3, 1, #03/14/2026#, 'P' || n, "
            "#03/21/2026#, 1, 0 from (with recursive counter(n) as (select 1 union all select "
            "n+1 from counter where n<500) select n from counter)");
        form->RefreshOrderList();
        QVERIFY(orders->listModel()->filling());
        type(orders, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find(), "p499");
        QVERIFY(!orders->listModel()->filling());
        QCOMPARE(orders->selectedIndex(), 503);
        QCOMPARE(orders->selectedSubItem(4), QStringLiteral("P499"));
        type(find(), Qt::Key_Escape);

        form->RefreshOrderList();
        QVERIFY(orders->listModel()->filling());
        orders->selectIndex(2);
        type(orders, Qt::Key_Delete);
        dialogs.answers.enqueue(qd::Answer::Yes);
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.messages(),
                 QStringList{"Are you sure you want to delete [Birch Holdings - Ann Lee]?"});
        QCOMPARE(rowCount("Orders"), 503);
        QCOMPARE(orders->count(), 503);
    }

    // The order number column is kept a twip wide: a number only it holds is not found until
    // the user widens the column and can read it.
    void findReadsOnlyWhatIsShown() {
        qd::AppConnection().execute(
            "insert into Orders (OrderID, CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
            "ShipDate, ShippingMethodID, SalesTaxRate) select 987654, CustomerID, EmployeeID, "
            "OrderDate, 'Z-9', ShipDate, ShippingMethodID, 0 from Orders limit 1");
        form->RefreshOrderList();
        orders->listModel()->flush();
        orders->selectIndex(1);
        type(orders, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find(), "987654");
        QVERIFY(find()->notFound());
        type(find(), Qt::Key_Escape);

        orders->setColumnWidth(1, 1440);
        type(orders, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find(), "987654");
        QVERIFY(!find()->notFound());
        QCOMPARE(orders->selectedSubItem(4), QStringLiteral("Z-9"));
    }

    // Clicking elsewhere closes the field; a sorted list is searched in the order it shows.
    void findFollowsTheShownOrder() {
        type(orders, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find()->isVisible());
        QTest::mouseClick(orders->viewport(), Qt::LeftButton, {}, cellCentre(orders, 2));
        QVERIFY(!find()->isVisible());

        form->ListView1_ColumnClick(5);
        form->ListView1_ColumnClick(5);  // by PO number, descending: D-4, C-3, B-2, A-1
        orders->listModel()->flush();
        orders->selectIndex(1);
        type(orders, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(find(), "birch");
        QCOMPARE(orders->itemText(orders->selectedIndex()), QStringLiteral("4"));
        type(find(), Qt::Key_Return);
        QCOMPARE(orders->itemText(orders->selectedIndex()), QStringLiteral("2"));
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;  // before the application, so the paths come from it
    env = &environment;
    QApplication app(argc, argv);
    TestHabits test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_habits.moc"
