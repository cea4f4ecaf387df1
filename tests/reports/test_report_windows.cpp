// The currency options window, the reports window and the preview, driven through their
// handlers with scripted dialogs over a fresh order book and settings store.

#include "app/appconnection.h"
#include "app/settings.h"
#include "fixture.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/designs.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/main/form1.h"
#include "ui/reports/form4.h"
#include "ui/reports/form5.h"
#include "ui/reports/preview.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QtTest>

using qd::ui::DataReport1;
using qd::ui::Form4;
using qd::ui::Form5;

namespace {

QString setting(const char* key) {
    return qd::GetSetting(qd::kSettingsApp, qd::kSettingsSection, QLatin1String(key),
                          QStringLiteral("<absent>"));
}

void store(const char* key, const QString& value) {
    qd::SaveSetting(qd::kSettingsApp, qd::kSettingsSection, QLatin1String(key), value);
}

QStringList entries(QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
    return texts;
}

const QString kDollar = QStringLiteral("$");
const QString kEuro = QString(QChar(0x20AC));
const QStringList kDefaultSymbols{kDollar, QString(QChar(0xA3)), QString(QChar(0xA5)), kEuro};

// The formats of the detail fields of the report in a preview, by control name.
QMap<QString, QString> detailFormats(QDialog* window) {
    QMap<QString, QString> formats;
    auto* preview = qobject_cast<DataReport1*>(window);
    if (!preview) return formats;
    for (const auto& c : preview->document().layout().section(QStringLiteral("Section1")).controls)
        formats[c.name] = c.format;
    return formats;
}

}  // namespace

class TestReportWindows : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;
    std::unique_ptr<ScriptedDialogs> m_dialogs;

public:
    explicit TestReportWindows(TestEnvironment* env) : m_env(env) {}

private:
    // Closes the options window if a test left it loaded, so the next one loads it afresh.
    static void unloadForm5() {
        if (Form5* f = Form5::loaded()) f->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!Form5::loaded());
    }

    void openBook(void (*fill)(qd::data::Connection&)) {
        m_env->provideWorkingFile();
        qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
        qd::AppConnection().open(fileConnectionString(m_env->workingFile()));
        if (fill) fill(qd::AppConnection());
    }

    // Opens the reports window, picks the entry and presses Show Report; the preview that
    // opens is handed to inspect.
    void showReport(const QString& entry, std::function<void(QDialog*)> inspect) {
        Form4 form;
        form.ensureLoaded();
        const int position = form.Combo1->findText(entry);
        QVERIFY(position >= 0);
        form.Combo1->setCurrentIndex(position);
        emit form.Combo1->activated(position);
        m_dialogs->windows.enqueue(std::move(inspect));
        form.PushButton1_Click();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init() {
        QFile::remove(m_env->settingsFile());
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }

    void cleanup() {
        unloadForm5();
        QVERIFY2(m_dialogs->unexpected.isEmpty(), qPrintable(m_dialogs->unexpected.join(" | ")));
        m_dialogs.reset();
        qd::AppConnectionObject().reset();
    }

    // First use: the four default symbols, the dollar sign selected, "Before number" on; the
    // load stores the selection and the placement but not the list.
    void currencyDefaults() {
        Form5& form = Form5::instance();
        QVERIFY(!form.isVisible());
        QCOMPARE(entries(form.Combo2), kDefaultSymbols);
        QCOMPARE(form.Combo2->currentIndex(), 0);
        QVERIFY(form.Option1->isChecked());
        QVERIFY(!form.Option2->isChecked());
        QCOMPARE(setting("Currency"), QStringLiteral("0"));
        QCOMPARE(setting("Option1"), QStringLiteral("True"));
        QCOMPARE(setting("Option2"), QStringLiteral("False"));
        QCOMPARE(setting("CurrList"), QStringLiteral("<absent>"));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // "+": the answer becomes the last entry and is appended to the stored list; the selection
    // stays. Cancelling adds nothing. Duplicates are kept; ";;;" inside a symbol splits it on
    // the next load.
    void addingSymbols() {
        Form5& form = Form5::instance();
        m_dialogs->inputs << QStringLiteral("CHF") << QString() << QStringLiteral("CHF")
                          << QStringLiteral("A;;;B");
        form.PushButton3_Click();
        QCOMPARE(entries(form.Combo2), kDefaultSymbols + QStringList{"CHF"});
        QCOMPARE(form.Combo2->currentIndex(), 0);
        QCOMPARE(setting("CurrList"), kDefaultSymbols.join(";;;") + ";;;CHF");
        QCOMPARE(m_dialogs->shown.last().text, QStringLiteral("Add Currency"));
        QCOMPARE(m_dialogs->shown.last().title, QStringLiteral("Quarrydesk"));
        form.PushButton3_Click();  // cancelled
        QCOMPARE(form.Combo2->count(), 5);
        form.PushButton3_Click();
        form.PushButton3_Click();
        QCOMPARE(setting("CurrList"), kDefaultSymbols.join(";;;") + ";;;CHF;;;CHF;;;A;;;B");
        unloadForm5();
        const QStringList expected = kDefaultSymbols + QStringList{"CHF", "CHF", "A", "B"};
        QCOMPARE(entries(Form5::instance().Combo2), expected);
    }

    // With an empty stored list the stored position is outside it: reported at 116, and a
    // symbol added afterwards is neither selected nor stored as the selection.
    void addingToAnEmptyList() {
        store("CurrList", QString());
        Form5& form = Form5::instance();
        QCOMPARE(form.Combo2->count(), 0);
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY2(m_dialogs->messages()[0].contains(
                     "\r\nin Marrowlist2021/08/31.Form5.Form_Load at line 116\r\r"),
                 qPrintable(m_dialogs->messages()[0]));
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Application Error"));
        m_dialogs->inputs << QStringLiteral("CHF");
        form.PushButton3_Click();
        QCOMPARE(entries(form.Combo2), QStringList{"CHF"});
        QCOMPARE(form.Combo2->currentIndex(), -1);
        QCOMPARE(setting("Currency"), QStringLiteral("<absent>"));
        QCOMPARE(setting("CurrList"), QStringLiteral(";;;CHF"));
    }

    // A long list (10,000 symbols, which took 18 s when each entry split the whole text again)
    // loads whole and in order, and the report run reads the stored choice from it.
    void longCurrencyList() {
        QStringList symbols;
        for (int i = 0; i < 10000; ++i) symbols << QStringLiteral("C%1").arg(i);
        store("CurrList", symbols.join(";;;"));
        store("Currency", QStringLiteral("9999"));
        Form5& form = Form5::instance();
        QCOMPARE(entries(form.Combo2), symbols);
        QCOMPARE(form.Combo2->currentText(), QStringLiteral("C9999"));
        QCOMPARE(m_dialogs->messages(), QStringList{});
        QCOMPARE(qd::reports::storedCurrencyChoice().symbol, QStringLiteral("C9999"));
    }

    // Choices are stored as they are made and come back on the next load.
    void choicesAreStoredAtOnce() {
        Form5& form = Form5::instance();
        form.Option2->click();
        QCOMPARE(setting("Option1"), QStringLiteral("False"));
        QCOMPARE(setting("Option2"), QStringLiteral("True"));
        QTest::keyClick(form.Combo2, Qt::Key_Down);
        QCOMPARE(setting("Currency"), QStringLiteral("1"));
        form.PushButton2_Click();  // Close
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!Form5::loaded());
        Form5& again = Form5::instance();
        QCOMPARE(again.Combo2->currentIndex(), 1);
        QVERIFY(!again.Option1->isChecked());
        QVERIFY(again.Option2->isChecked());
    }

    // A settings store that cannot be written: the failures of the handlers that the load
    // fires are reported with the load's statement numbers, a failure of one the user fires
    // on its own; nothing ends the program.
    void unwritableSettings() {
        QVERIFY(QDir().mkpath(m_env->settingsFile()));  // a folder where the file should be
        Form5& form = Form5::instance();
        QStringList messages = m_dialogs->messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[0].contains("Form5.Form_Load at line 116"), qPrintable(messages[0]));
        QVERIFY2(messages[1].contains("Form5.Form_Load at line 118"), qPrintable(messages[1]));
        QVERIFY(form.Option1->isChecked());
        form.Option2->click();
        messages = m_dialogs->messages();
        QCOMPARE(messages.size(), 3);
        QVERIFY(messages[2].startsWith("The currency choice could not be stored."));
        QCOMPARE(m_dialogs->shown.last().title, qd::applicationTitle());
        QVERIFY(QDir(m_env->settingsFile()).removeRecursively());
    }

    void unreadablePlacementIsReported() {
        store("Option1", QStringLiteral("maybe"));
        Form5& form = Form5::instance();
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY(m_dialogs->messages()[0].contains("Form5.Form_Load at line 118"));
        QVERIFY(!form.Option1->isChecked());
        QVERIFY(!form.Option2->isChecked());
        QCOMPARE(setting("Option1"), QStringLiteral("maybe"));  // untouched
    }

    // The command line reads the stored options without the window; both must agree.
    void commandLineReadsOptionsAsTheWindowDoes_data() {
        QTest::addColumn<QStringList>("settings");
        QTest::newRow("nothing stored") << QStringList{};
        QTest::newRow("after") << QStringList{"Currency=2", "Option1=False", "Option2=True"};
        QTest::newRow("both on") << QStringList{"Option1=True", "Option2=True"};
        QTest::newRow("neither") << QStringList{"Option1=0", "Option2=0"};
        QTest::newRow("unreadable") << QStringList{"Option1=x", "Option2=True", "Currency=y"};
        QTest::newRow("outside") << QStringList{"CurrList=a;;;b", "Currency=2"};
        QTest::newRow("user symbol") << QStringList{"CurrList=a;;;b", "Currency=1", "Option2=True"};
    }
    void commandLineReadsOptionsAsTheWindowDoes() {
        QFETCH(QStringList, settings);
        for (const QString& pair : settings)
            store(pair.section('=', 0, 0).toLatin1().constData(), pair.section('=', 1));
        const qd::reports::CurrencyChoice stored = qd::reports::storedCurrencyChoice();
        Form5& form = Form5::instance();
        QCOMPARE(stored.selected, form.Combo2->currentIndex() != -1);
        if (stored.selected) QCOMPARE(stored.symbol, form.Combo2->currentText());
        QCOMPARE(stored.before, form.Option1->isChecked());
        m_dialogs->shown.clear();
    }

    // The first entry on a new installation; the entry chosen is back after a restart.
    void reportChoiceIsRemembered() {
        {
            Form4 form;
            form.ensureLoaded();
            QCOMPARE(entries(form.Combo1),
                     (QStringList{"Orders by Customer", "Total Price of Orders",
                                  "Total Price of Each Order Detail"}));
            QCOMPARE(form.Combo1->currentIndex(), 0);
            QCOMPARE(setting("Report"), QStringLiteral("0"));
            QTest::keyClick(form.Combo1, Qt::Key_Down);
            QTest::keyClick(form.Combo1, Qt::Key_Down);
            QCOMPARE(setting("Report"), QStringLiteral("2"));
            form.PushButton2_Click();  // Cancel
            QVERIFY(!form.isVisible());
        }
        Form4 again;
        again.ensureLoaded();
        QCOMPARE(again.Combo1->currentText(), QStringLiteral("Total Price of Each Order Detail"));
    }

    // A stored position outside the list is reported at 114; Show Report then does nothing.
    void badStoredReportPosition() {
        openBook(&fixture::sampleData);
        store("Report", QStringLiteral("7"));
        Form4 form;
        form.ensureLoaded();
        QCOMPARE(form.Combo1->currentIndex(), -1);
        QCOMPARE(m_dialogs->messages().size(), 1);
        QVERIFY(m_dialogs->messages()[0].contains("Form4.Form_Load at line 114"));
        form.PushButton1_Click();
        QCOMPARE(m_dialogs->shown.size(), 1);
    }

    // Nothing stored: the dollar sign before the number; the preview is modal over the
    // reports window and titled DataReport1.
    void totalPriceOfOrdersWithDefaults() {
        openBook(&fixture::sampleData);
        QWidget* owner = nullptr;
        showReport(QStringLiteral("Total Price of Orders"), [&](QDialog* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("DataReport1"));
            owner = w->parentWidget();
            QCOMPARE(detailFormats(w)["Text4"], QStringLiteral("$#,##0.00"));
            auto* preview = qobject_cast<DataReport1*>(w);
            QCOMPARE(preview->document().cellText(2, 2), QStringLiteral("$25.74"));
        });
        QVERIFY(owner && owner->objectName() == QLatin1String("Form4"));
        QCOMPARE(m_dialogs->messages(), QStringList{});
        // Reading the options left the options window loaded and hidden.
        QVERIFY(Form5::loaded() && !Form5::loaded()->isVisible());
    }

    // The euro after the number reaches the four money fields; the other formats and the next
    // run's fresh layout stay as the layout has them; "Orders by Customer" never changes.
    void euroAfterNumber() {
        openBook(&fixture::sampleData);
        store("Currency", QStringLiteral("3"));
        store("Option1", QStringLiteral("False"));
        store("Option2", QStringLiteral("True"));
        const QString euroAfter = QStringLiteral("#,##0.00") + kEuro;
        showReport(QStringLiteral("Total Price of Each Order Detail"), [&](QDialog* w) {
            const auto f = detailFormats(w);
            QCOMPARE(f["Text4"], euroAfter);
            QCOMPARE(f["Text3"], euroAfter);
            QCOMPARE(f["Text6"], euroAfter);
            QCOMPARE(f["Text9"], euroAfter);
            QCOMPARE(f["Text5"], QStringLiteral("0"));
            QCOMPARE(f["Text8"], QStringLiteral("0%"));
            QCOMPARE(f["Text10"], QStringLiteral("0%"));
            QCOMPARE(qobject_cast<DataReport1*>(w)->document().cellText(2, 1),
                     QStringLiteral("25.74") + kEuro);
        });
        QCOMPARE(qd::reports::rptTotalPriceOrderDetail()
                     .section(QStringLiteral("Section1")).control(QStringLiteral("Text4")).format,
                 qd::reports::kLayoutMoneyFormat);
        showReport(QStringLiteral("Orders by Customer"), [&](QDialog* w) {
            const auto f = detailFormats(w);
            QCOMPARE(f["Text5"], QStringLiteral("M/d/yyyy"));
            QCOMPARE(f["Text3"], QStringLiteral("M/d/yyyy"));
            QCOMPARE(f["Text4"], QString());
        });
        QCOMPARE(m_dialogs->messages(), QStringList{});
    }

    // The money field takes the symbol the options window shows, joined as typed; with no
    // symbol selected the layout's format stays.
    void moneyFormatFromTheOptions_data() {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("format");
        QTest::newRow("user symbol, blanks kept")
            << QStringList{"CurrList=" + kDefaultSymbols.join(";;;") + ";;; CHF ", "Currency=4"}
            << " CHF #,##0.00";
        QTest::newRow("pound after") << QStringList{"Currency=1", "Option1=False", "Option2=True"}
                                     << "#,##0.00" + QString(QChar(0xA3));
        // Turning "Before number" on at the load stores "After number" as off before it is read.
        QTest::newRow("both placements stored") << QStringList{"Option1=True", "Option2=True"}
                                                << "$#,##0.00";
        QTest::newRow("no selection") << QStringList{"Currency=-1"} << qd::reports::kLayoutMoneyFormat;
    }
    void moneyFormatFromTheOptions() {
        QFETCH(QStringList, settings);
        QFETCH(QString, format);
        openBook(&fixture::sampleData);
        for (const QString& pair : settings)
            store(pair.section('=', 0, 0).toLatin1().constData(), pair.section('=', 1));
        showReport(QStringLiteral("Total Price of Orders"), [&](QDialog* w) {
            QCOMPARE(detailFormats(w)["Text4"], format);
        });
    }

    // A missing saved query: the open is reported at 120, the show at 134, and the handler
    // runs on to its end without a preview.
    void missingSavedQuery() {
        openBook(&fixture::sampleData);
        qd::AppConnection().execute(QStringLiteral("drop view [Total Price of Orders]"));
        Form4 form;
        form.ensureLoaded();
        form.Combo1->setCurrentIndex(1);
        form.PushButton1_Click();
        const QStringList messages = m_dialogs->messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[0].contains("Form4.PushButton1_Click at line 120"), qPrintable(messages[0]));
        QVERIFY2(messages[1].contains("Form4.PushButton1_Click at line 134"), qPrintable(messages[1]));
    }

    void currencyOptionsButton() {
        Form4 form;
        form.ensureLoaded();
        bool shown = false;
        m_dialogs->windows.enqueue([&](QDialog* w) {
            shown = w->objectName() == QLatin1String("Form5") && w->isVisible() &&
                    w->windowTitle() == QLatin1String("Currency Options");
        });
        form.PushButton5_Click();
        QVERIFY(shown);
    }

    // A new user: start-up, sample data, Reports; the sample order with PO 11 totals 33.00,
    // 19.80 with its discount and 25.74 with its tax.
    void newUserSeesSampleTotals() {
        m_env->reset();
        qd::ui::Form1 main;
        main.setEndsProgramOnUnload(false);
        main.Form_Load();
        main.PushButton4_Click();
        QCOMPARE(m_dialogs->messages(), QStringList{});
        QStringList row;
        m_dialogs->windows.enqueue([&](QDialog* w) {
            auto* form = qobject_cast<Form4*>(w);
            QVERIFY(form);
            form->Combo1->setCurrentIndex(2);
            emit form->Combo1->activated(2);
            form->PushButton1_Click();
        });
        m_dialogs->windows.enqueue([&](QDialog* w) {
            const auto& doc = qobject_cast<DataReport1*>(w)->document();
            for (int r = 0; r < doc.rows().rowCount; ++r)
                if (doc.cellText(r, 6) == QLatin1String("$33.00"))
                    for (int c = 0; c < 10; ++c) row << doc.cellText(r, c);
        });
        main.PushButton5->click();
        QCOMPARE(row.value(1), QStringLiteral("$25.74"));
        QCOMPARE(row.value(8), QStringLiteral("$19.80"));
        QCOMPARE(setting("Report"), QStringLiteral("2"));
        QCOMPARE(m_dialogs->messages(), QStringList{});
        main.Form_QueryUnload();
    }

    // The preview draws only the pages in view, also after jumping to the end or zooming.
    void previewDrawsOnlyVisiblePages() {
        qd::reports::ReportLayout layout = qd::reports::rptTotalPriceOrders();
        qd::reports::RowTable rows{qd::reports::boundFields(layout), {}, 5000};
        for (int r = 0; r < rows.rowCount; ++r)
            rows.cells.insert(rows.cells.end(), {QStringLiteral("Customer %1").arg(r), r, r * 1.5});
        qd::reports::ReportDocument doc(std::move(layout), std::move(rows), QPageSize(QPageSize::Letter));
        QVERIFY(doc.pageCount() > 90);
        DataReport1 preview(doc);
        preview.resize(900, 700);
        preview.show();
        auto* view = preview.view();
        view->viewport()->grab();
        QVERIFY(view->pagesRendered() >= 1);
        QVERIFY2(view->pagesRendered() <= 2, QByteArray::number(view->pagesRendered()));
        preview.findChild<QPushButton*>(QStringLiteral("Last"))->click();
        view->viewport()->grab();
        QCOMPARE(view->currentPage(), doc.pageCount() - 1);
        QVERIFY(view->visiblePages().contains(doc.pageCount() - 1));
        QVERIFY(view->pagesRendered() <= 4);
        view->setFit(qd::ui::PageView::Fit::WholePage);
        view->viewport()->grab();
        QCOMPARE(view->currentPage(), doc.pageCount() - 1);
        QVERIFY(view->visiblePages().size() <= 2);
        view->setZoom(2.0);
        view->showPage(10);
        view->viewport()->grab();
        QCOMPARE(view->currentPage(), 10);
        QVERIFY(view->pagesRendered() <= 8);
        // Keys move through the pages from the page view and from the tool bar alike.
        QTest::keyClick(view, Qt::Key_End);
        QCOMPARE(view->currentPage(), doc.pageCount() - 1);
        QTest::keyClick(view, Qt::Key_Home);
        QCOMPARE(view->currentPage(), 0);
        for (int i = 0; i < 4; ++i) QTest::keyClick(view, Qt::Key_PageDown);
        QCOMPARE(view->currentPage(), 1);  // at 200% a page is three windows high
        auto* next = preview.findChild<QPushButton*>(QStringLiteral("Next"));
        QTest::keyClick(next, Qt::Key_End);
        QCOMPARE(view->currentPage(), doc.pageCount() - 1);
        QTest::keyClick(next, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(view->zoom(), 1.5);
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(view->zoom(), 3.0);
        QCOMPARE(preview.findChild<QComboBox*>(QStringLiteral("Zoom"))->currentText(),
                 QStringLiteral("300%"));
        QCOMPARE(view->currentPage(), doc.pageCount() - 1);
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!preview.isVisible());
    }

    // The preview opens on the first rows and reads the others while it is open; printing
    // or exporting first reads them all.
    void previewReadsTheRestWhileOpen() {
        openBook(&fixture::sampleData);
        // One statement for the 2000 orders: each statement is written to disk on its own.
        qd::AppConnection().execute(QStringLiteral(
            "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,"
            "ShippingMethodID,SalesTaxRate) select 1,1,#03/07/2026#,n,#03/07/2026#,1,0 from "
            "(with recursive counter(n) as (select 0 union all select n+1 from counter where "
            "n<1999) select n from counter)"));
        qd::data::Recordset rs;
        rs.open(QStringLiteral("select * from [Orders by Customer]"), qd::AppConnection());
        qd::reports::ReportDocument doc(qd::reports::rptOrderbyCustomer(), rs,
                                        QPageSize(QPageSize::Letter), 200);
        DataReport1 preview(doc);
        auto* count = preview.findChild<QLabel*>(QStringLiteral("PageCount"));
        QCOMPARE(count->text(), QStringLiteral("of 3+"));
        preview.show();
        QTRY_VERIFY_WITH_TIMEOUT(doc.complete(), 20000);
        QCOMPARE(doc.rows().rowCount, 2003);
        QCOMPARE(count->text(), QStringLiteral("of %1").arg(doc.pageCount()));
        preview.findChild<QPushButton*>(QStringLiteral("Last"))->click();
        QCOMPARE(preview.view()->currentPage(), doc.pageCount() - 1);

        rs.close();
        rs.open(QStringLiteral("select * from [Orders by Customer]"), qd::AppConnection());
        qd::reports::ReportDocument unread(qd::reports::rptOrderbyCustomer(), rs,
                                           QPageSize(QPageSize::Letter), 10);
        DataReport1 second(unread);
        const QString path = m_env->root() + QStringLiteral("/whole.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        second.printOn(printer);
        QVERIFY(unread.complete());
        QCOMPARE(unread.pageCount(), doc.pageCount());
        QVERIFY(QFileInfo(path).size() > 10000);
    }

    // Printing lays the pages out on the printer's paper, prints the range asked for, and
    // leaves the preview's pages as they were.
    void printingOnOtherPaper() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        qd::reports::ReportLayout layout = qd::reports::rptOrderbyCustomer();
        qd::reports::RowTable rows{qd::reports::boundFields(layout), {}, 200};
        for (int r = 0; r < rows.rowCount; ++r)
            rows.cells.insert(rows.cells.end(), {QStringLiteral("Row %1").arg(r + 1), QStringLiteral("PO"), r,
                                                 1, QDate(2026, 3, 7), QDate(2026, 3, 9), 2});
        qd::reports::ReportDocument doc(std::move(layout), std::move(rows), QPageSize(QPageSize::Letter));
        const int letterPages = doc.pageCount();
        DataReport1 preview(doc);
        const QString path = m_env->root() + QStringLiteral("/printed.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        preview.printOn(printer);
        QCOMPARE(doc.pageCount(), letterPages);
        QCOMPARE(doc.paper().id(), QPageSize::Letter);
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        // A4 holds 54 rows under both headers, 56 under one: page 2 starts at row 55.
        QVERIFY2(pages[0].contains("Row 55 ") && pages[0].contains("Row 110 "), qPrintable(pages[0]));
        QVERIFY(!pages[0].contains("Row 54 ") && !pages[0].contains("Row 111 "));
        QVERIFY(pages[1].contains("Row 111 ") && pages[1].contains("Company Name"));
        QVERIFY(pages[1].contains("3/7/2026"));
        QVERIFY(!text.contains("Orders by Customer"));  // the title is on page 1 only
    }

    // The paging buttons show icons with tooltips; Ctrl+P opens the print dialog for the
    // report's title; the PDF export suggests the title as the file name, in the documents
    // folder or else the home folder, and the file carries the title as its own.
    void previewPolish() {
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        QVERIFY2(!pdfinfo.isEmpty(), "pdfinfo (poppler-utils) is needed");
        qd::reports::ReportLayout layout = qd::reports::rptTotalPriceOrders();
        QCOMPARE(layout.title(), QStringLiteral("Total Price of Orders"));
        QCOMPARE(qd::reports::rptTotalPriceOrderDetail().title(),
                 QStringLiteral("Total Price of Each Order Detail"));
        qd::reports::RowTable rows{qd::reports::boundFields(layout), {}, 3};
        for (int r = 0; r < rows.rowCount; ++r)
            rows.cells.insert(rows.cells.end(), {QStringLiteral("Customer %1").arg(r), r, r * 1.5});
        qd::reports::ReportDocument doc(std::move(layout), std::move(rows), QPageSize(QPageSize::A4));
        DataReport1 preview(doc);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));

        const char* const paging[][2] = {{"First", "First page"}, {"Previous", "Previous page"},
                                         {"Next", "Next page"}, {"Last", "Last page"}};
        for (const auto& [name, tip] : paging) {
            auto* button = preview.findChild<QPushButton*>(QLatin1String(name));
            QVERIFY(button);
            QVERIFY2(!button->icon().isNull(), name);
            QVERIFY(button->text().isEmpty());
            QCOMPARE(button->toolTip(), QLatin1String(tip));
        }

        // Answers the next modal dialog of the kind once it is up.
        auto whenUp = [this](auto* kind, auto answer) {
            auto* poll = new QTimer(this);
            poll->setInterval(0);
            connect(poll, &QTimer::timeout, this, [poll, answer] {
                auto* dialog = qobject_cast<std::remove_pointer_t<decltype(kind)>*>(
                    QApplication::activeModalWidget());
                if (!dialog || !dialog->isVisible()) return;
                poll->stop();
                poll->deleteLater();
                answer(dialog);
            });
            poll->start();
        };

        QString printed = QStringLiteral("no print dialog");
        whenUp(static_cast<QPrintDialog*>(nullptr), [&](QPrintDialog* dialog) {
            printed = dialog->printer()->docName();
            dialog->reject();
        });
        QTest::keyClick(preview.view(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(printed, QStringLiteral("Total Price of Orders"));

        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_env->root()));
        auto offered = [&](const QString& saveAs, const char* button = "ExportPdf") {
            QString suggested = QStringLiteral("no file dialog");
            whenUp(static_cast<QFileDialog*>(nullptr), [&, saveAs](QFileDialog* dialog) {
                suggested = dialog->selectedFiles().value(0);
                if (saveAs.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->selectFile(saveAs);
                    static_cast<QDialog*>(dialog)->accept();  // as the Save button does
                }
            });
            preview.findChild<QPushButton*>(QLatin1String(button))->click();
            return suggested;
        };
        QDir(m_env->root()).rmdir(QStringLiteral("Documents"));
        QCOMPARE(offered(QString()), m_env->root() + QStringLiteral("/Total Price of Orders.pdf"));
        QVERIFY(QDir(m_env->root()).mkdir(QStringLiteral("Documents")));
        const QString documents = m_env->root() + QStringLiteral("/Documents");
        const QString saved = documents + QStringLiteral("/orders.pdf");
        QCOMPARE(offered(saved), documents + QStringLiteral("/Total Price of Orders.pdf"));
        // The rows for a spreadsheet, the same way, as the command line writes them.
        const QString spreadsheet = documents + QStringLiteral("/orders");
        QCOMPARE(offered(spreadsheet, "ExportCsv"), documents + QStringLiteral("/Total Price of Orders.csv"));
        QFile csv(spreadsheet + QStringLiteral(".csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readLine(), QByteArray("Company Name,Order ID,Total Price of Order\r\n"));
        qputenv("HOME", home);
        QVERIFY(QFile::exists(saved));
        QProcess info;
        info.start(pdfinfo, {saved});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(info.readAllStandardOutput())
                     .contains(QRegularExpression(QStringLiteral("^Title: +Total Price of Orders$"),
                                                  QRegularExpression::MultilineOption)),
                 "the PDF's title");
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QApplication app(argc, argv);
    TestReportWindows test(&env);
    return QTest::qExec(&test, argc, argv);
}

#include "test_report_windows.moc"
