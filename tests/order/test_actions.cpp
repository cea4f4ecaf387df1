// Every user action that writes is all or nothing: whichever of its write statements fails,
// and however SQLite fails it, the order book holds exactly what it held before, the failure
// is reported once, and no success follows.

#include "data/sqliteengine.h"
#include "orderbook.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QLineEdit>

#include <sqlite3.h>

using qd::ui::Form1;
using qd::ui::Form2;
using qd::ui::Form3;

namespace {

// Makes SQLite itself fail the n-th write statement run on a handle: Interrupt stops it while
// it runs (SQLite then rolls the whole transaction back on its own), Deny refuses it when it is
// prepared (the transaction stays open and the program must undo what came before).
class WriteFault {
public:
    enum Kind { Interrupt, Deny };

    WriteFault(sqlite3* db, Kind kind, int n) : m_db(db), m_kind(kind), m_n(n) {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &WriteFault::onRun, this);
        if (kind == Deny) sqlite3_set_authorizer(db, &WriteFault::onPrepare, this);
    }
    ~WriteFault() {
        sqlite3_trace_v2(m_db, 0, nullptr, nullptr);
        sqlite3_set_authorizer(m_db, nullptr, nullptr);
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    }
    bool fired() const { return m_fired; }

private:
    static int onRun(unsigned, void* self, void* statement, void*) {
        auto* f = static_cast<WriteFault*>(self);
        f->m_countedInPrepare = false;
        if (f->m_kind != Interrupt || sqlite3_stmt_readonly(static_cast<sqlite3_stmt*>(statement)))
            return 0;
        if (++f->m_writes == f->m_n)
            sqlite3_progress_handler(f->m_db, 1, &WriteFault::onProgress, f);
        return 0;
    }
    static int onProgress(void* self) {
        auto* f = static_cast<WriteFault*>(self);
        sqlite3_progress_handler(f->m_db, 0, nullptr, nullptr);
        f->m_fired = true;
        return 1;
    }
    // Called while a statement is prepared, once per table and column it touches; the first
    // write code of a prepare counts the statement.
    static int onPrepare(void* self, int action, const char*, const char*, const char*,
                         const char*) {
        auto* f = static_cast<WriteFault*>(self);
        const bool write =
            action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE;
        if (!write || f->m_countedInPrepare) return SQLITE_OK;
        f->m_countedInPrepare = true;
        if (++f->m_writes != f->m_n) return SQLITE_OK;
        f->m_fired = true;
        return SQLITE_DENY;
    }

    sqlite3* m_db;
    Kind m_kind;
    int m_n;
    int m_writes = 0;
    bool m_fired = false;
    bool m_countedInPrepare = false;
};

book::Rows everything() {
    book::Rows all;
    for (const char* table : {"Customers order by CustomerID", "Employees order by EmployeeID",
                              "[Shipping Methods] order by ShippingMethodID",
                              "Products order by ProductID", "Orders order by OrderID",
                              "[Order Details] order by OrderDetailID"})
        all += book::rows(QStringLiteral("select * from ") + QLatin1String(table));
    all += book::rows(QStringLiteral("select * from sqlite_sequence order by name"));
    return all;
}

}  // namespace

class TestActions : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    std::unique_ptr<Form1> m_main;
    qlonglong m_order = 0;

    // Runs the action with its n-th write failing, for n = 1, 2, ... until an n past its last
    // write lets it complete; every failed run must leave the book as it was.
    void allOrNothing(const char* name, const std::function<void(ScriptedDialogs&)>& action,
                      const std::function<void(ScriptedDialogs&)>& afterFailure = nullptr) {
        QFETCH_GLOBAL(int, kind);
        {
            for (int n = 1;; ++n) {
                QVERIFY2(n < 40, name);
                const book::Rows before = everything();
                ScriptedDialogs dialogs;
                bool fired = false;
                {
                    WriteFault fault(qd::data::SqliteEngine::behind(qd::AppConnection())->handle(), WriteFault::Kind(kind), n);
                    action(dialogs);
                    fired = fault.fired();
                }
                const QString where = QStringLiteral("%1, write %2 %3")
                                          .arg(QLatin1String(name))
                                          .arg(n)
                                          .arg(kind == WriteFault::Deny ? "refused" : "interrupted");
                if (!fired) {
                    QVERIFY2(n > 1, qPrintable(where + ": the action wrote nothing"));
                    QVERIFY2(book::errors(dialogs).isEmpty(), qPrintable(where));
                    QVERIFY2(everything() != before, qPrintable(where + ": nothing stored"));
                    break;
                }
                QVERIFY2(!qd::AppConnection().inTransaction(), qPrintable(where));
                QCOMPARE(book::errors(dialogs).size(), 1);
                QVERIFY2(!dialogs.messages().contains("Record Successfully Saved"),
                         qPrintable(where));
                QVERIFY2(everything() == before, qPrintable(where + ": the book changed"));
                if (afterFailure) afterFailure(dialogs);
            }
        }
    }

    // An order editor for the given order number ("" for a new one), filled in as a user would:
    // the header picked and two lines in the list.
    static std::unique_ptr<Form2> filledEditor(ScriptedDialogs& dialogs, const QString& id) {
        auto form = std::make_unique<Form2>();
        form->m_ID = id;
        form->show();
        book::choose(form->Combo1, "Acme");
        book::choose(form->Combo2, "Ann Vos");
        book::choose(form->Combo3, "Air");
        form->Text1->setText("PO-7");
        for (const char* product : {"Widget", "Bolt"}) {
            dialogs.windows.enqueue([product](QDialog* window) {
                auto* f = static_cast<Form3*>(window);
                book::choose(f->Combo1, QLatin1String(product));
                f->Combo1_Click();
                f->Text1->setText("2");
                f->PushButton2_Click();
            });
            form->PushButton9_Click();
        }
        return form;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void initTestCase_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("interrupted") << int(WriteFault::Interrupt);
        QTest::newRow("refused") << int(WriteFault::Deny);
    }
    void init() {
        m_env.reset();
        m_main = std::make_unique<Form1>();
        m_main->setEndsProgramOnUnload(false);
        m_main->Form_Load();
        const qlonglong customer = book::customer("Acme");
        const qlonglong employee = book::employee("Ann", "Vos");
        const qlonglong shipping = book::shipping("Air");
        const qlonglong widget = book::product("Widget", "12.5");
        book::product("Bolt", "40");
        m_order = book::order(customer, employee, shipping, "PO-1");
        book::line(m_order, widget, "1", "12.5", "0");
        m_main->RefreshOrderList();
    }
    void cleanup() {
        m_main.reset();
        qd::AppConnectionObject().reset();
    }

    void orderSave() {
        // The editor stays open with what the user typed, and a new order stays new, so that
        // pressing Save again stores it once.
        std::unique_ptr<Form2> form;
        int shownLines = 0;
        auto stillOpen = [&](ScriptedDialogs&) {
            QVERIFY(form->isVisible());
            QCOMPARE(form->ListView1->count(), shownLines);
            QCOMPARE(form->Text1->text(), QStringLiteral("PO-7"));
        };
        allOrNothing(
            "new order",
            [&](ScriptedDialogs& dialogs) {
                form = filledEditor(dialogs, QString());
                shownLines = form->ListView1->count();
                form->PushButton2_Click();
                if (form->isVisible()) QCOMPARE(form->m_ID, QString());
            },
            stillOpen);
        allOrNothing(
            "edited order",
            [&](ScriptedDialogs& dialogs) {
                form = filledEditor(dialogs, QString::number(m_order));
                shownLines = form->ListView1->count();
                form->PushButton2_Click();
            },
            stillOpen);
        QCOMPARE(book::lines(m_order).size(), 3);  // the one it had, then the two of the editor
    }

    void deleteOrder() {
        allOrNothing("delete order", [&](ScriptedDialogs& dialogs) {
            m_main->RefreshOrderList();
            dialogs.answers << qd::Answer::Yes;
            m_main->PushButton3_Click();
        });
        QCOMPARE(book::count("Orders"), 0);
        QCOMPARE(book::count("[Order Details]"), 0);
    }

    void lookupsAndProducts() {
        auto inEditor = [&](const std::function<void(Form2*, ScriptedDialogs&)>& step) {
            return [step](ScriptedDialogs& dialogs) {
                Form2 form;
                form.show();
                step(&form, dialogs);
            };
        };
        allOrNothing("add customer", inEditor([](Form2* f, ScriptedDialogs& d) {
                         d.inputs << "Rock'n'Roll Supplies";
                         f->PushButton5_Click();
                     }));
        allOrNothing("add employee", inEditor([](Form2* f, ScriptedDialogs& d) {
                         d.inputs << "Bo" << "Lind";
                         f->PushButton3_Click();
                     }));
        allOrNothing("delete shipping method", inEditor([](Form2* f, ScriptedDialogs& d) {
                         book::choose(f->Combo3, "Air");
                         d.answers << qd::Answer::Yes;
                         f->PushButton8_Click();
                     }));
        allOrNothing("add product", [&](ScriptedDialogs& d) {
            Form2 editor;
            Form3 form(editor.ListView1);
            form.show();
            d.inputs << "Crate" << "9.5";
            form.PushButton5_Click();
        });
        allOrNothing("delete product", [&](ScriptedDialogs& d) {
            Form2 editor;
            Form3 form(editor.ListView1);
            form.show();
            book::choose(form.Combo1, "Widget");
            d.answers << qd::Answer::Yes;
            form.PushButton6_Click();
        });
        QCOMPARE(book::count("Orders"), 0);  // went with the shipping method
        QCOMPARE(book::single("select count(*) from Products where ProductName='Widget'").toInt(), 0);
    }

    void sampleData() {
        allOrNothing("sample data", [&](ScriptedDialogs&) { m_main->PushButton4_Click(); });
        QCOMPARE(book::count("Orders"), 4);
    }

    // A lock held by another program when the action starts: reported once, nothing stored,
    // and the same Save goes through once the lock is gone.
    void lockedBookStoresNothing() {
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_env.workingFile()).constData(), &other),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        qd::AppConnection().setLockTimeout(50);
        ScriptedDialogs dialogs;
        auto form = filledEditor(dialogs, QString());
        const book::Rows before = everything();
        form->PushButton2_Click();
        QCOMPARE(book::errors(dialogs).size(), 1);
        QVERIFY(book::errors(dialogs)[0].contains("in use by another program"));
        QVERIFY(book::errors(dialogs)[0].contains("PushButton2_Click at line 142"));
        QVERIFY(form->isVisible());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(everything(), before);
        form->PushButton2_Click();
        QCOMPARE(dialogs.messages().last(), QStringLiteral("Record Successfully Saved"));
        QCOMPARE(book::count("Orders"), 2);
        QCOMPARE(book::lines(form->m_ID.toLongLong()).size(), 2);
    }

    // Another program that tries to save an order while this one reads back its new order's
    // number (the moment where two copies used to swap orders) must wait; the lines saved here
    // belong to the order saved here, and the other order gets in afterwards.
    void otherWriterWaitsForTheSave() {
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_env.workingFile()).constData(), &other),
                 SQLITE_OK);
        struct Attempt {
            sqlite3* db;
            int during = -1;
        } attempt{other};
        const auto tryInsert = [](sqlite3* db) {
            return sqlite3_exec(db,
                                "insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                                "select CustomerID,EmployeeID,OrderDate,'other',ShipDate,"
                                "ShippingMethodID,0 from Orders limit 1",
                                nullptr, nullptr, nullptr);
        };
        sqlite3_trace_v2(
            qd::data::SqliteEngine::behind(qd::AppConnection())->handle(), SQLITE_TRACE_STMT,
            [](unsigned, void* context, void*, void* sql) -> int {
                auto* a = static_cast<Attempt*>(context);
                if (a->during == -1 && qstrcmp(static_cast<const char*>(sql),
                                               "SELECT max(OrderID) from orders") == 0)
                    a->during = sqlite3_exec(a->db,
                                             "insert into Orders (PurchaseOrderNumber) "
                                             "values ('other')",
                                             nullptr, nullptr, nullptr);
                return 0;
            },
            &attempt);
        ScriptedDialogs dialogs;
        auto form = filledEditor(dialogs, QString());
        form->PushButton2_Click();
        sqlite3_trace_v2(qd::data::SqliteEngine::behind(qd::AppConnection())->handle(), 0, nullptr, nullptr);
        QCOMPARE(attempt.during, SQLITE_BUSY);
        QCOMPARE(dialogs.messages().last(), QStringLiteral("Record Successfully Saved"));
        const qlonglong saved = form->m_ID.toLongLong();
        QCOMPARE(book::single(QStringLiteral("select PurchaseOrderNumber from Orders where "
                                             "OrderID=%1")
                                  .arg(saved))
                     .toString(),
                 QStringLiteral("PO-7"));
        QCOMPARE(book::lines(saved).size(), 2);
        QCOMPARE(tryInsert(other), SQLITE_OK);
        sqlite3_close(other);
        QCOMPARE(book::count("Orders"), 3);
        QCOMPARE(book::count("[Order Details]"), 3);
    }

    // An order number that is no number, as a damaged or hand-edited book can put in the list:
    // nothing runs, and nothing is deleted.
    void identifiersAreNumbers() {
        m_main->ListView1->clear();
        const int row = m_main->ListView1->addItem(QStringLiteral("0 or 1=1"));
        m_main->ListView1->setSubItem(row, 1, QStringLiteral("Acme"));
        m_main->ListView1->selectIndex(1);
        ScriptedDialogs dialogs;
        dialogs.answers << qd::Answer::Yes;
        m_main->PushButton3_Click();
        QCOMPARE(book::errors(dialogs).size(), 1);
        QVERIFY(book::errors(dialogs)[0].contains("is not a record number"));
        QCOMPARE(book::count("Orders"), 1);
        QCOMPARE(book::count("[Order Details]"), 1);
    }
};

QTEST_MAIN(TestActions)
#include "test_actions.moc"
