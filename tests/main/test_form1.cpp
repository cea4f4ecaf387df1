// The main window over a real order book in a throwaway data folder: start-up and shutdown,
// the lists and their formats, the delete and help commands, and the sample data.

#include "app/appconnection.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "main/support.h"
#include "text/textconv.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"

#include <QLocale>
#include <QSettings>
#include <QtTest>

#include <memory>

using qd::ui::Form1;
using qd::ui::ListView;

namespace {

TestEnvironment* env = nullptr;

QStringList captions(const ListView* list) {
    QStringList texts;
    for (int n = 1; n <= list->columnCount(); ++n) texts << list->columnCaption(n);
    return texts;
}

QStringList row(const ListView* list, int index) {
    QStringList texts{list->itemText(index)};
    for (int n = 1; n < list->columnCount(); ++n) texts << list->subItemText(index, n);
    return texts;
}

void flush(const ListView* list) { list->listModel()->flush(); }

// One order of Rock'n'Roll Supplies with one line, and an order whose customer is gone.
void addOrders() {
    auto& db = qd::AppConnection();
    db.execute("insert into Customers (CompanyName) values ('Rock''n''Roll Supplies')");
    db.execute("insert into Employees (FirstName, LastName) values ('Arvo', 'Tindle')");
    db.execute("insert into [Shipping Methods] (ShippingMethod) values ('DHL')");
    db.execute("insert into Products (ProductName, UnitPrice) values ('Anvil', 1234.5)");
    db.execute("insert into Orders (CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
               "ShipDate, ShippingMethodID, SalesTaxRate) values (1, 1, #03/14/2026#, 'PO-7', "
               "#03/21/2026#, 1, 0.0725)");
    db.execute("insert into [Order Details] (OrderID, ProductID, Quantity, UnitPrice, Discount) "
               "values (1, 1, 3, 1234.5, 0.125)");
    db.execute("insert into Orders (CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, "
               "ShipDate, ShippingMethodID, SalesTaxRate) values (99, 1, #03/15/2026#, 'PO-8', "
               "#03/22/2026#, 1, 0)");
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    // Starts the program's main window as the program does, without showing it.
    void start() {
        form = std::make_unique<Form1>();
        form->setEndsProgramOnUnload(false);
        form->Form_Load();
        flush(form->ListView1);
        flush(form->ListView2);
    }
    void stop() {
        if (form) form->close();
        form.reset();
    }

private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        dialogs.shown.clear();
        dialogs.answers.clear();
        env->reset();
    }
    void cleanup() { stop(); }

    // A first start makes the data folders, copies the template, creates both lists' columns
    // with their default widths, and shows no message at all.
    void firstStart() {
        QDir(env->dataHome()).removeRecursively();  // a new account has no data home yet
        start();
        QCOMPARE(dialogs.messages(), QStringList());
        QVERIFY(QFileInfo(env->workingFile()).isFile());
        QCOMPARE(QFileInfo(env->workingFile()).size(), QFileInfo(env->templateFile()).size());
        QCOMPARE(form->windowTitle(), QStringLiteral("Quarrydesk"));
        QCOMPARE(captions(form->ListView1),
                 (QStringList{"ID", "Customer Name", "Employee Name", "Order Date", "PO Number",
                              "Ship Date", "Shipping Method", "Sales Tax Rate"}));
        QCOMPARE(captions(form->ListView2),
                 (QStringList{"ID", "Product Name", "Quantity", "Unit Price", "Discount"}));
        for (ListView* list : {form->ListView1, form->ListView2}) {
            QCOMPARE(list->columnWidth(1), 1.0);
            for (int n = 2; n <= list->columnCount(); ++n) QCOMPARE(list->columnWidth(n), 1800.0);
            QCOMPARE(list->count(), 0);
        }
        QCOMPARE(form->m_RestoreLayout, false);
    }

    // Closing stores every width and the window state; the next start restores them and keeps
    // the order book the user already has.
    void layoutAndDataSurviveARestart() {
        start();
        qd::AppConnection().execute("insert into Customers (CompanyName) values ('Kept')");
        form->ListView1->setColumnWidth(1, 900);
        form->ListView1->setColumnWidth(8, 1439.811);
        form->ListView2->setColumnWidth(5, 2000);
        stop();
        QSettings ini(env->settingsFile(), QSettings::IniFormat);
        QCOMPARE(ini.value("Quarrydesk/ColumnHeaders1").toString(), QStringLiteral("900"));
        QCOMPARE(ini.value("Quarrydesk/ColumnHeaders8").toString(), QStringLiteral("1439.811"));
        QCOMPARE(ini.value("Quarrydesk/ColumnHeaders25").toString(), QStringLiteral("2000"));
        QCOMPARE(ini.value("Quarrydesk/ColumnHeaders21").toString(), QStringLiteral("1"));
        QCOMPARE(ini.value("Quarrydesk/WindowState").toString(), QStringLiteral("0"));
        QVERIFY(!qd::AppConnectionObject());  // closed and released

        start();
        QCOMPARE(form->ListView1->columnWidth(1), 900.0);
        QCOMPARE(form->ListView1->columnWidth(8), double(1439.811f));
        QCOMPARE(form->ListView2->columnWidth(5), 2000.0);
        QCOMPARE(rowCount("Customers"), 1);
        QCOMPARE(dialogs.messages(), QStringList());
    }

    // A start in the maximized state remembers to restore the default layout later; a width
    // edited by hand into letters is reported and the column keeps its default.
    void storedStateAndBadWidth() {
        QSettings ini(env->settingsFile(), QSettings::IniFormat);
        ini.setValue("Quarrydesk/WindowState", "2");
        ini.setValue("Quarrydesk/ColumnHeaders3", "wide");
        ini.sync();
        start();
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        QCOMPARE(form->m_RestoreLayout, true);
        QCOMPARE(form->ListView1->columnWidth(3), 1440.0);
        const QStringList texts = dialogs.messages();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains("Form1.Form_Load at line 176\r\r"), qPrintable(texts[0]));
    }

    // Without its template the start-up reports the copy, the open and the refill, each with
    // its line,
    // and still builds the window.
    void missingTemplateIsReported() {
        const QString moved = env->templateFile() + ".away";
        QVERIFY(QFile::rename(env->templateFile(), moved));
        start();
        QVERIFY(QFile::rename(moved, env->templateFile()));
        const QStringList texts = dialogs.messages();
        QCOMPARE(texts.size(), 3);
        QVERIFY(texts[0].contains("Form1.Form_Load at line 110\r\r"));
        QVERIFY(texts[1].contains("dbData.mdb"));
        QVERIFY(texts[1].contains("Form1.Form_Load at line 144\r\r"));
        QVERIFY(texts[2].contains("Form1.Form_Load at line 188\r\r"));  // the list's refill
        QCOMPARE(form->ListView1->columnCount(), 8);
        QVERIFY(!QFile::exists(env->workingFile()));  // never created empty behind the user's back
        // A click in the list now says what went wrong instead of failing silently.
        dialogs.shown.clear();
        form->ListView1->addItem("1");
        flush(form->ListView1);
        form->ListView1->selectIndex(1);
        emit form->ListView1->itemClick();
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.startsWith("The lines of the selected order cannot be shown."));
    }

    void listFormats_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("taxRate");
        QTest::addColumn<QString>("unitPrice");
        QTest::addColumn<QString>("discount");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "7.25%"
                               << "1,234.50" << "12.50%";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "7,25%"
                               << "1.234,50" << "12,50%";
    }
    // Each column in its format; the order without a customer row is not listed; the first
    // row is selected and its lines shown.
    void listFormats() {
        QFETCH(QLocale, locale);
        QFETCH(QString, taxRate);
        QFETCH(QString, unitPrice);
        QFETCH(QString, discount);
        start();
        addOrders();
        QLocale::setDefault(locale);
        form->RefreshOrderList();
        flush(form->ListView1);
        flush(form->ListView2);
        QCOMPARE(form->ListView1->count(), 1);
        const QString ordered = qd::text::shortDate(QDate(2026, 3, 14), locale);
        const QString shipped = qd::text::shortDate(QDate(2026, 3, 21), locale);
        QCOMPARE(row(form->ListView1, 1),
                 (QStringList{"1", "Rock'n'Roll Supplies", "Arvo Tindle", ordered, "PO-7", shipped,
                              "DHL", taxRate}));
        if (locale.language() == QLocale::English) QCOMPARE(ordered, QStringLiteral("3/14/2026"));
        QCOMPARE(form->ListView1->selectedIndex(), 1);
        QCOMPARE(row(form->ListView2, 1), (QStringList{"1", "Anvil", "3", unitPrice, discount}));
    }

    // A sort chosen by the user survives a refill; deleting needs a Yes and removes the order
    // with its lines.
    void sortThenDelete() {
        start();
        qd::AppConnection().execute("insert into Customers (CompanyName) values ('Zeta')");
        qd::AppConnection().execute("insert into Customers (CompanyName) values ('Alpha')");
        qd::AppConnection().execute("insert into Employees (FirstName, LastName) values ('A','B')");
        qd::AppConnection().execute("insert into [Shipping Methods] (ShippingMethod) values ('X')");
        for (const char* customer : {"1", "2", "1"})
            qd::AppConnection().execute(
                QStringLiteral("insert into Orders (CustomerID, EmployeeID, ShippingMethodID, "
                               "OrderDate, SalesTaxRate) values (%1, 1, 1, #01/02/2026#, 0)")
                    .arg(customer));
        qd::AppConnection().execute("insert into Products (ProductName) values ('P')");
        qd::AppConnection().execute("insert into [Order Details] (OrderID, ProductID, Quantity) "
                                    "values (2, 1, 1)");
        form->ListView1_ColumnClick(2);
        form->ListView1_ColumnClick(2);  // descending by customer name
        form->RefreshOrderList();
        flush(form->ListView1);
        QCOMPARE(form->ListView1->subItemText(1, 1), QStringLiteral("Zeta"));
        QCOMPARE(form->ListView1->subItemText(3, 1), QStringLiteral("Alpha"));

        form->ListView1->selectIndex(3);  // order 2, Alpha
        dialogs.answers.enqueue(qd::Answer::No);
        form->PushButton3_Click();
        QCOMPARE(dialogs.shown.last().text, QStringLiteral("Are you sure you want to delete [Alpha - A B]?"));
        QCOMPARE(dialogs.shown.last().buttons, qd::Buttons::YesNo);
        QCOMPARE(rowCount("Orders"), 3);
        dialogs.answers.enqueue(qd::Answer::Yes);
        form->PushButton3_Click();
        flush(form->ListView1);
        QCOMPARE(rowCount("Orders"), 2);
        QCOMPARE(rowCount("[Order Details]"), 0);
        QCOMPARE(form->ListView1->count(), 2);
        QCOMPARE(form->ListView1->subItemText(1, 1), QStringLiteral("Zeta"));
        QVERIFY(dialogs.unexpected.isEmpty());
    }

    // Delete on an empty list asks nothing; help names the contact page.
    void emptyDeleteAndHelp() {
        start();
        form->PushButton3_Click();
        QCOMPARE(dialogs.shown.size(), 0);
        form->PushButton6_Click();
        QCOMPARE(dialogs.messages(),
                 QStringList{"Questions? Please contact Team Brisklane at "
                             "https://www.brisklane.example/contact"});
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Quarrydesk"));
    }

    // Empty book: two rows per lookup table and three orders dated today with their lines.
    // A second press adds orders only. With one customer present, only the first sample
    // customer is added and the orders use the first and last customer there are.
    void sampleData() {
        start();
        form->PushButton4_Click();
        flush(form->ListView1);
        flush(form->ListView2);
        QCOMPARE(dialogs.messages(), QStringList());
        for (const char* table : {"Customers", "Employees", "[Shipping Methods]", "Products"})
            QCOMPARE(rowCount(table), 2);
        QCOMPARE(form->ListView1->count(), 3);
        const QString today = qd::text::shortDate(QDate::currentDate());
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(form->ListView1->subItemText(i, 3), today);
            QCOMPARE(form->ListView1->subItemText(i, 5), today);
        }
        QCOMPARE(rowCount("[Order Details]"), 3);
        // The order with PO 11: 3 x 11 with 40% off and 30% tax.
        QCOMPARE(scalar("select [Total Price] from [Total Price of Order Details] where OrderID = "
                        "(select OrderID from Orders where PurchaseOrderNumber = '11')")
                     .toDouble(),
                 25.74);
        QCOMPARE(scalar("select SalesTaxRate from Orders where PurchaseOrderNumber = '12'").toDouble(), 0.4);
        QCOMPARE(form->ListView2->count(), 1);

        form->PushButton4_Click();
        QCOMPARE(rowCount("Customers"), 2);
        QCOMPARE(rowCount("Orders"), 6);
        QCOMPARE(rowCount("[Order Details]"), 6);

        // Deleting every order leaves no lines on show either.
        for (int i = 0; i < 6; ++i) {
            dialogs.answers.enqueue(qd::Answer::Yes);
            form->PushButton3_Click();
        }
        flush(form->ListView1);
        flush(form->ListView2);
        QCOMPARE(rowCount("Orders"), 0);
        QCOMPARE(form->ListView1->count(), 0);
        QCOMPARE(form->ListView2->count(), 0);
    }

    void sampleDataWithOneCustomer() {
        start();
        qd::AppConnection().execute("insert into Customers (CompanyName) values ('Mine')");
        form->PushButton4_Click();
        QCOMPARE(dialogs.messages(), QStringList());
        QCOMPARE(rowCount("Customers"), 2);
        QCOMPARE(scalar("select CompanyName from Customers where CustomerID = 2").toString(),
                 QStringLiteral("Orrin Supplies"));
        // First customer is the user's own, last the sample one.
        QCOMPARE(scalar("select CustomerID from Orders where PurchaseOrderNumber = '11'").toInt(), 2);
        QCOMPARE(scalar("select CustomerID from Orders where PurchaseOrderNumber = '12'").toInt(), 1);
        QCOMPARE(rowCount("Employees"), 2);
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;  // before the application, so the paths come from it
    env = &environment;
    QApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_form1.moc"
