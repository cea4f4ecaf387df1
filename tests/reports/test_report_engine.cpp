// The report engine: pagination arithmetic, the three layouts over real queries compared with
// reference listings, currency formats per instance, binding errors, painting and the files.

#include "core/error.h"
#include "fixture.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "reports/designs.h"
#include "reports/orderreport.h"
#include "support/testenv.h"
#include "app/settings.h"
#include "text/format.h"
#include "text/textconv.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <random>

using namespace qd::reports;

namespace {

struct Page {
    bool reportHeader;
    int pageHeaderTop, firstRow, rowCount;
    int reportFooterTop;  // -1: no report footer on this page
};

}  // namespace

Q_DECLARE_METATYPE(BandHeights)
Q_DECLARE_METATYPE(std::vector<Page>)
Q_DECLARE_METATYPE(CurrencyChoice)

class TestReportEngine : public QObject {
    Q_OBJECT
    TestEnvironment* m_env = nullptr;

public:
    explicit TestReportEngine(TestEnvironment* env) : m_env(env) {}

private:
    // A fresh order book filled by one of the fixtures.
    void openBook(qd::data::Connection& db, void (*fill)(qd::data::Connection&)) {
        m_env->provideWorkingFile();
        db.open(fileConnectionString(m_env->workingFile()));
        if (fill) fill(db);
    }

    // A report of the reports window by its entry, or "Order N": one order's confirmation.
    std::unique_ptr<ReportDocument> document(qd::data::Connection& db, const QString& entry,
                                             const CurrencyChoice& currency = {}) {
        if (entry.startsWith(QLatin1String("Order "))) {
            const auto facts = readOrderFacts(db, entry.mid(6).toLongLong());
            if (!facts) return nullptr;
            OrderReport order = orderReport(*facts, currency);
            qd::data::Recordset rs;
            rs.open(order.linesStatement, db);
            return std::make_unique<ReportDocument>(std::move(order.layout), rs,
                                                    QPageSize(QPageSize::Letter));
        }
        const ReportKind* kind = findReportKind(entry);
        if (!kind) return nullptr;
        ReportLayout layout = kind->create();
        applyCurrency(layout, *kind, currency);
        qd::data::Recordset rs;
        rs.open(kind->statement, db);
        return std::make_unique<ReportDocument>(std::move(layout), rs,
                                                QPageSize(QPageSize::Letter));
    }

    static QString goldenPath(const QString& name) {
        return QStringLiteral(QD_GOLDEN_DIR "/") + name;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void pagination_data() {
        QTest::addColumn<BandHeights>("bands");
        QTest::addColumn<int>("body");
        QTest::addColumn<int>("rows");
        QTest::addColumn<std::vector<Page>>("expected");
        const BandHeights b{400, 400, 200, 0, 500};
        // Body 2300 holds both headers, five rows and the footer exactly.
        QTest::newRow("no rows") << b << 2300 << 0 << std::vector<Page>{{true, 400, 0, 0, 800}};
        QTest::newRow("exact fit with footer")
            << b << 2300 << 5 << std::vector<Page>{{true, 400, 0, 5, 1800}};
        QTest::newRow("footer pushed to a new page")
            << b << 2300 << 6
            << std::vector<Page>{{true, 400, 0, 6, -1}, {false, 0, 6, 0, 400}};
        // Body 1800 holds both headers and five rows exactly.
        QTest::newRow("rows fill the page, footer follows alone")
            << b << 1800 << 5
            << std::vector<Page>{{true, 400, 0, 5, -1}, {false, 0, 5, 0, 400}};
        QTest::newRow("one row over")
            << b << 1800 << 6
            << std::vector<Page>{{true, 400, 0, 5, -1}, {false, 0, 5, 1, 600}};
        QTest::newRow("page header repeats, later pages hold more")
            << b << 1800 << 20
            << std::vector<Page>{{true, 400, 0, 5, -1},
                                 {false, 0, 5, 7, -1},
                                 {false, 0, 12, 7, -1},
                                 {false, 0, 19, 1, 600}};
        QTest::newRow("page footer keeps its room")
            << BandHeights{400, 400, 200, 300, 500} << 2100 << 5
            << std::vector<Page>{{true, 400, 0, 5, -1}, {false, 0, 5, 0, 400}};
        QTest::newRow("a row short of the limit does not fit")
            << b << 1799 << 5
            << std::vector<Page>{{true, 400, 0, 4, -1}, {false, 0, 4, 1, 600}};
    }
    void pagination() {
        QFETCH(BandHeights, bands);
        QFETCH(int, body);
        QFETCH(int, rows);
        QFETCH(std::vector<Page>, expected);
        const std::vector<PagePlan> pages = paginate(bands, body, rows);
        QCOMPARE(pages.size(), expected.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            const PagePlan& p = pages[i];
            const Page& e = expected[i];
            const QByteArray where = "page " + QByteArray::number(int(i + 1));
            QVERIFY2(p.reportHeader == e.reportHeader, where);
            QVERIFY2(p.pageHeaderTop == e.pageHeaderTop, where);
            QVERIFY2(p.firstRow == e.firstRow, where);
            QVERIFY2(p.rowCount == e.rowCount, where);
            QVERIFY2(p.firstDetailTop == e.pageHeaderTop + bands.pageHeader, where);
            QVERIFY2(p.reportFooter == (e.reportFooterTop >= 0), where);
            if (p.reportFooter) QVERIFY2(p.reportFooterTop == e.reportFooterTop, where);
            QVERIFY2(p.pageFooterTop == body - bands.pageFooter, where);
            // Nothing reaches into the page footer.
            QVERIFY2(p.firstDetailTop + p.rowCount * bands.detail <= p.pageFooterTop, where);
        }
    }

    // Paper that cannot hold a page header and one row would never let the report end.
    void paperTooSmallIsAnError() {
        const BandHeights b{400, 400, 200, 0, 500};
        QVERIFY_THROWS_EXCEPTION(qd::Error, paginate(b, 500, 1));
        QVERIFY_THROWS_EXCEPTION(qd::Error, paginate(b, 850, 0));  // footer never fits
        ReportDocument doc(rptTotalPriceOrderDetail(), RowTable{boundFields(rptTotalPriceOrderDetail()), {}, 0},
                           QPageSize(QPageSize::Letter));
        QVERIFY_THROWS_EXCEPTION(qd::Error, doc.setPaper(QPageSize(QPageSize::A5)));
        QCOMPARE(doc.paper().id(), QPageSize::Letter);  // left as it was
    }

    // Each report over a data set, compared with its reference listing. QD_UPDATE_GOLDEN=1
    // rewrites the references after a deliberate change.
    void goldenListings_data() {
        QTest::addColumn<bool>("awkward");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<CurrencyChoice>("currency");
        QTest::addColumn<QString>("file");
        const CurrencyChoice layoutFormats;
        const CurrencyChoice dollarBefore{true, QStringLiteral("$"), true};
        const CurrencyChoice euroAfter{true, QString(QChar(0x20AC)), false};
        const CurrencyChoice chfBefore{true, QStringLiteral("CHF "), true};
        QTest::newRow("sample orders by customer")
            << false << "Orders by Customer" << dollarBefore << "sample_orders_by_customer.txt";
        QTest::newRow("sample total price of orders")
            << false << "Total Price of Orders" << dollarBefore << "sample_total_price_of_orders.txt";
        QTest::newRow("sample order details")
            << false << "Total Price of Each Order Detail" << dollarBefore
            << "sample_total_price_of_order_details.txt";
        QTest::newRow("sample order details, euro after")
            << false << "Total Price of Each Order Detail" << euroAfter
            << "sample_total_price_of_order_details_euro_after.txt";
        QTest::newRow("awkward orders by customer")
            << true << "Orders by Customer" << euroAfter << "awkward_orders_by_customer.txt";
        QTest::newRow("awkward total price of orders, layout formats")
            << true << "Total Price of Orders" << layoutFormats
            << "awkward_total_price_of_orders.txt";
        QTest::newRow("awkward order details, CHF before")
            << true << "Total Price of Each Order Detail" << chfBefore
            << "awkward_total_price_of_order_details_chf.txt";
        QTest::newRow("awkward order of two lines, euro after")
            << true << "Order 1" << euroAfter << "awkward_order_1.txt";
        QTest::newRow("awkward order, no ship date, layout formats")
            << true << "Order 2" << layoutFormats << "awkward_order_2.txt";
    }
    void goldenListings() {
        QFETCH(bool, awkward);
        QFETCH(QString, entry);
        QFETCH(CurrencyChoice, currency);
        QFETCH(QString, file);
        qd::data::Connection db;
        openBook(db, awkward ? &fixture::awkwardData : &fixture::sampleData);
        const auto doc = document(db, entry, currency);
        QVERIFY(doc);
        const QString actual = listing(*doc);
        QFile golden(goldenPath(file));
        if (qEnvironmentVariableIsSet("QD_UPDATE_GOLDEN")) {
            QVERIFY(golden.open(QIODevice::WriteOnly | QIODevice::Truncate));
            golden.write(actual.toUtf8());
            golden.close();
        }
        QVERIFY2(golden.open(QIODevice::ReadOnly), qPrintable(golden.fileName()));
        const QStringList want = QString::fromUtf8(golden.readAll()).split(QLatin1Char('\n'));
        const QStringList got = actual.split(QLatin1Char('\n'));
        for (int i = 0; i < std::min(want.size(), got.size()); ++i)
            QVERIFY2(want[i] == got[i], qPrintable(QStringLiteral("line %1:\n want %2\n got  %3")
                                                       .arg(i + 1).arg(want[i], got[i])));
        QCOMPARE(got.size(), want.size());
    }

    // The totals a new user checks first: PO 11 is 3 x 11 = 33.00, 19.80 after its 40%
    // discount, 25.74 with its 30% tax.
    void sampleTotals() {
        qd::data::Connection db;
        openBook(db, &fixture::sampleData);
        const auto doc = document(db, QStringLiteral("Total Price of Each Order Detail"),
                                  {true, QStringLiteral("$"), true});
        const auto& rows = doc->rows();
        int po11 = -1;
        for (int r = 0; r < rows.rowCount; ++r)
            if (rows.cell(r, 0).toString() == QLatin1String("ZuruVoru Zave Riza")) po11 = r;
        QVERIFY(po11 >= 0);
        QStringList shown;
        for (size_t c = 0; c < rows.fields.size(); ++c) shown << doc->cellText(po11, int(c));
        QCOMPARE(shown, (QStringList{"ZuruVoru Zave Riza", "$25.74", "Mug", "1", "$11.00", "3",
                                     "$33.00", "40%", "$19.80", "30%"}));
    }

    // Generated orders on paper, one at a time, agree with the two "Total Price" reports to
    // the cent: each line's unit price and total after discount as the detail report shows
    // them, in its order; the total as the per-order report shows it and as the detail rows
    // sum up; subtotal and tax add up to the total. A line whose product is gone is on none.
    void orderConfirmationAgreesWithTheTotals() {
        qd::data::Connection db;
        openBook(db, nullptr);
        std::mt19937 random(20261209);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        fixture::run(db, {"insert into Customers (CompanyName) values ('North')",
                          "insert into Customers (CompanyName) values ('South')",
                          "insert into Employees (FirstName,LastName) values ('Ann','Lee')",
                          "insert into [Shipping Methods] (ShippingMethod) values ('Road')"});
        for (int p = 1; p <= 8; ++p)
            db.execute(QStringLiteral("insert into Products (ProductName,UnitPrice) values ('P%1',1)").arg(p));
        const char* discounts[] = {"0", "0.05", "0.125", "0.333", "0.5", "Null"};
        const char* rates[] = {"0", "0.0825", "0.07", "0.19", "0.075", "Null"};
        const int orders = 60;
        for (int o = 1; o <= orders; ++o) {
            db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                      "ShippingMethodID,SalesTaxRate) values (%1,1,#03/07/2026#,1,%2)")
                           .arg(1 + pick(2))
                           .arg(QLatin1String(rates[pick(6)])));
            for (int lines = pick(6); lines > 0; --lines)
                db.execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,"
                                          "UnitPrice,Discount) values (%1,%2,%3,%4,%5)")
                               .arg(o)
                               .arg(1 + pick(8))
                               .arg(pick(4) ? QString::number(1 + pick(40)) : QStringLiteral("2.5"))
                               .arg(QString::number(pick(10000000) / 10000.0, 'f', 4))
                               .arg(QLatin1String(discounts[pick(6)])));
        }
        db.execute(QStringLiteral("delete from Products where ProductID=8"));

        const CurrencyChoice euro{true, QString(QChar(0x20AC)), false};
        const QString money = moneyFormat(euro.symbol, euro.before);
        const auto detail = document(db, QStringLiteral("Total Price of Each Order Detail"), euro);
        const auto perOrder = document(db, QStringLiteral("Total Price of Orders"), euro);
        QMap<qint64, QStringList> detailLines;
        QMap<qint64, double> detailSums;
        for (int r = 0; r < detail->rows().rowCount; ++r) {
            const qint64 id = detail->rows().cell(r, 3).toLongLong();
            detailLines[id] << detail->cellText(r, 2) + " " + detail->cellText(r, 4) + " " +
                                   detail->cellText(r, 8);
            detailSums[id] += detail->rows().cell(r, 1).toDouble();
        }
        QMap<qint64, QString> orderTotals;
        for (int r = 0; r < perOrder->rows().rowCount; ++r)
            orderTotals[perOrder->rows().cell(r, 1).toLongLong()] = perOrder->cellText(r, 2);

        auto cents = [&euro](QString amount) {
            amount.remove(euro.symbol).remove(QLatin1Char(','));
            return std::llround(amount.toDouble() * 100);
        };
        int withLines = 0;
        for (qint64 id = 1; id <= orders; ++id) {
            const auto paper = document(db, QStringLiteral("Order %1").arg(id), euro);
            QVERIFY(paper);
            QStringList lines;
            for (int r = 0; r < paper->rows().rowCount; ++r)
                lines << paper->cellText(r, 0) + " " + paper->cellText(r, 2) + " " +
                             paper->cellText(r, 4);
            QCOMPARE(lines, detailLines.value(id));
            const Section& footer = paper->layout().band(BandRole::ReportFooter);
            const QString subtotal = footer.controls[1].caption;
            const QString tax = footer.controls[3].caption;
            const QString total = footer.controls[5].caption;
            QCOMPARE(total, orderTotals.value(id, qd::text::formatValue(0.0, money)));
            QCOMPARE(total, qd::text::formatValue(detailSums.value(id), money));
            QCOMPARE(cents(subtotal) + cents(tax), cents(total));
            withLines += lines.isEmpty() ? 0 : 1;
        }
        QVERIFY(withLines > orders / 2 && withLines < orders);  // both kinds were compared
        QVERIFY(!document(db, QStringLiteral("Order %1").arg(orders + 1)));
    }

    // Many rows: every page starts with the page header, rows run on without gaps or repeats
    // in the query's order, and only the first page has the title.
    void longReportRepeatsPageHeader() {
        qd::data::Connection db;
        openBook(db, &fixture::sampleData);
        for (int i = 0; i < 120; ++i)
            db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                      "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                                      "values (1,1,#03/07/2026#,'%1',#03/07/2026#,1,0)").arg(i));
        const auto doc = document(db, QStringLiteral("Orders by Customer"));
        QCOMPARE(doc->rows().rowCount, 123);
        // Letter: 12960 twips between the margins; 50 rows under both headers, 52 under one.
        QCOMPARE(doc->pageCount(), 3);
        int nextOrder = 0;
        for (int page = 0; page < doc->pageCount(); ++page) {
            const std::vector<PlacedItem> items = doc->placedItems(page);
            QVERIFY(!items.empty());
            const bool title = items.front().control == QLatin1String("Label1");
            QCOMPARE(title, page == 0);
            const PlacedItem& firstHeading = items[title ? 1 : 0];
            QCOMPARE(firstHeading.section, QStringLiteral("Section2"));
            QCOMPARE(firstHeading.rect.top(), 1440 + (title ? 435 : 0));
            int lastTop = -1;
            for (const PlacedItem& item : items) {
                if (item.control != QLatin1String("Text7")) continue;
                QVERIFY(item.rect.top() > lastTop);
                QVERIFY(item.rect.bottom() < 15840 - 1440);
                lastTop = item.rect.top();
                ++nextOrder;
            }
        }
        QCOMPARE(nextOrder, 123);
    }

    // Rows read a chunk at a time give, once all are read, the very pages of a full read;
    // until then only pages that later rows cannot change are offered, and no file is written
    // from a part of the rows.
    void streamedRowsMatchAFullRead() {
        qd::data::Connection db;
        openBook(db, &fixture::sampleData);
        for (int i = 0; i < 300; ++i)
            db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                      "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                                      "values (%1,1,#03/07/2026#,'%2',#03/07/2026#,1,0)").arg(1 + i % 2).arg(i));
        const auto full = document(db, QStringLiteral("Orders by Customer"));
        qd::data::Recordset rs;
        rs.open(findReportKind(QStringLiteral("Orders by Customer"))->statement, db);
        ReportDocument streamed(rptOrderbyCustomer(), rs, QPageSize(QPageSize::Letter), 120);
        QVERIFY(!streamed.complete());
        QCOMPARE(streamed.rows().rowCount, 120);
        QCOMPARE(streamed.pageCount(), 2);  // 50 + 52 rows; the third page is still filling
        QVERIFY_THROWS_EXCEPTION(qd::Error, csvText(streamed));
        QVERIFY(!streamed.readMore(100));
        QCOMPARE(streamed.pageCount(), 4);
        QVERIFY(streamed.readMore(100));
        QVERIFY(streamed.complete());
        QCOMPARE(streamed.rows().rowCount, 303);
        QCOMPARE(listing(streamed), listing(*full));
        QCOMPARE(csvText(streamed), csvText(*full));
    }

    void missingColumnIsNamed() {
        qd::data::Connection db;
        openBook(db, &fixture::sampleData);
        qd::data::Recordset rs;
        rs.open(QStringLiteral("select CompanyName, OrderID from [Total Price of Orders]"), db);
        try {
            ReportDocument doc(rptTotalPriceOrders(), rs);
            QFAIL("binding a missing column must fail");
        } catch (const qd::Error& e) {
            QVERIFY2(e.description().contains(QLatin1String("SumOfTotal Price")),
                     qPrintable(e.description()));
        }
    }

    // Formats change on one instance only, in the fields and order the reports window names.
    void currencyFormatsPerInstance() {
        const ReportKind* details = findReportKind(QStringLiteral("Total Price of Each Order Detail"));
        QVERIFY(details);
        ReportLayout changed = details->create();
        applyCurrency(changed, *details, {true, QString(QChar(0x20AC)), false});
        const ReportLayout fresh = details->create();
        const QString euroAfter = QStringLiteral("#,##0.00") + QChar(0x20AC);
        for (const ReportControl& c : changed.section(QStringLiteral("Section1")).controls) {
            const bool money = details->moneyFields.contains(c.name);
            const QString layoutFormat = fresh.section(QStringLiteral("Section1")).control(c.name).format;
            QCOMPARE(c.format, money ? euroAfter : layoutFormat);
            if (money) QCOMPARE(layoutFormat, kLayoutMoneyFormat);
        }
        ReportLayout untouched = details->create();
        applyCurrency(untouched, *details, {false, QStringLiteral("$"), true});
        QCOMPARE(untouched.section(QStringLiteral("Section1")).control(QStringLiteral("Text4")).format,
                 kLayoutMoneyFormat);
        // Orders by Customer has no money fields.
        ReportLayout orders = rptOrderbyCustomer();
        applyCurrency(orders, *findReportKind(QStringLiteral("Orders by Customer")),
                      {true, QStringLiteral("$"), true});
        QCOMPARE(orders.section(QStringLiteral("Section1")).control(QStringLiteral("Text5")).format,
                 QStringLiteral("M/d/yyyy"));
        QVERIFY_THROWS_EXCEPTION(qd::Error, orders.section(QStringLiteral("Section9")));
        QVERIFY_THROWS_EXCEPTION(qd::Error,
                                 orders.section(QStringLiteral("Section1")).control(QStringLiteral("Text99")));
    }

    // Whatever the user types as a symbol shows as typed and leaves the amount alone, also
    // when it holds characters that mean something in a number format.
    void symbolsShowAsTyped_data() {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("before");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain, blanks kept") << " CHF " << true << " CHF #,##0.00" << " CHF 1,234.50";
        QTest::newRow("euro after") << QString(QChar(0x20AC)) << false
                                    << "#,##0.00" + QString(QChar(0x20AC))
                                    << "1,234.50" + QString(QChar(0x20AC));
        QTest::newRow("abbreviation with a point") << "Fr. " << true << "Fr\\. #,##0.00" << "Fr. 1,234.50";
        QTest::newRow("point after") << " kr." << false << "#,##0.00 kr\\." << "1,234.50 kr.";
        QTest::newRow("percent sign") << "%" << false << "#,##0.00\\%" << "1,234.50%";
        QTest::newRow("digits and hash") << "#0" << true << "\\#\\0#,##0.00" << "#01,234.50";
        QTest::newRow("quote, comma, semicolon, backslash") << "\"a,b;\\" << true
                                                            << "\\\"a\\,b\\;\\\\#,##0.00"
                                                            << "\"a,b;\\1,234.50";
    }
    void symbolsShowAsTyped() {
        QFETCH(QString, symbol);
        QFETCH(bool, before);
        QFETCH(QString, format);
        QFETCH(QString, shown);
        QCOMPARE(moneyFormat(symbol, before), format);
        QCOMPARE(qd::text::formatNumber(1234.5, format), shown);
    }

    void storedCurrencyChoice_data() {
        QTest::addColumn<QStringList>("settings");  // key=value pairs
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("before");
        QTest::newRow("nothing stored") << QStringList{} << true << "$" << true;
        QTest::newRow("euro after")
            << QStringList{"Currency=3", "Option1=False", "Option2=True"} << true
            << QString(QChar(0x20AC)) << false;
        QTest::newRow("user symbol")
            << QStringList{"CurrList=$;;;CHF", "Currency=1"} << true << "CHF" << true;
        QTest::newRow("position past the end") << QStringList{"Currency=4"} << false << "" << true;
        QTest::newRow("no selection") << QStringList{"Currency=-1"} << false << "" << true;
        QTest::newRow("unreadable placement") << QStringList{"Option1=maybe"} << true << "$" << false;
        // Turning "Before number" on stores "After number" as off before it is read.
        QTest::newRow("both placements on") << QStringList{"Option1=True", "Option2=1"} << true
                                            << "$" << true;
        QTest::newRow("neither placement") << QStringList{"Option1=0", "Option2=False"} << true
                                           << "$" << false;
        QTest::newRow("empty list") << QStringList{"CurrList="} << false << "" << true;
    }
    void storedCurrencyChoice() {
        QFETCH(QStringList, settings);
        QFETCH(bool, selected);
        QFETCH(QString, symbol);
        QFETCH(bool, before);
        QFile::remove(m_env->settingsFile());
        for (const QString& pair : settings) {
            const int eq = pair.indexOf(QLatin1Char('='));
            qd::SaveSetting(qd::kSettingsApp, qd::kSettingsSection, pair.left(eq), pair.mid(eq + 1));
        }
        const CurrencyChoice choice = qd::reports::storedCurrencyChoice();
        QCOMPARE(choice.selected, selected);
        if (selected) QCOMPARE(choice.symbol, symbol);
        QCOMPARE(choice.before, before);
        QFile::remove(m_env->settingsFile());
    }

    // Rows a spreadsheet reads right under any regional settings: amounts to the cent and
    // rates as fractions, with "." and no grouping or symbol; dates as ISO 8601; texts quoted
    // where needed. The same bytes whatever the program's locale and currency options.
    void csvIsTheSameEverywhere_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("after");
        QTest::newRow("en_US, $ before") << "en_US" << "$" << false;
        QTest::newRow("de_DE, euro after") << "de_DE" << QString(QChar(0x20AC)) << true;
        QTest::newRow("en_GB, comma after") << "en_GB" << "," << true;
    }
    void csvIsTheSameEverywhere() {
        QFETCH(QString, locale);
        QFETCH(QString, symbol);
        QFETCH(bool, after);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        qd::data::Connection db;
        openBook(db, &fixture::awkwardData);
        QByteArrayList reports;
        for (const char* name : {"Total Price of Each Order Detail", "Orders by Customer"})
            reports << csvText(*document(db, QString::fromLatin1(name), {true, symbol, after}));
        QLocale::setDefault(before);
        const QList<QByteArray> lines = reports[0].split('\n');
        QCOMPARE(lines.size(), 1 + 4 + 1);  // heading, four rows, nothing after the last CR LF
        for (int i = 0; i + 1 < lines.size(); ++i) QVERIFY(lines[i].endsWith('\r'));
        QCOMPARE(lines[0], QByteArray("Company Name,Total Price,Product Name,Order ID,Unit Price,"
                                      "Quantity,Subtotal,Discount,With Discount,Sales Tax Rate\r"));
        QCOMPARE(lines[1], QByteArray("Rock'n'Roll Supplies,54.13,\"Bolts, assorted\",1,"
                                      "0.05,1000,50.00,0,50.00,0.0825\r"));
        QCOMPARE(lines[2], QByteArray("Rock'n'Roll Supplies,2338734.55,Crane's Lift,1,"
                                      "1234567.89,2,2469135.78,0.125,2160493.81,0.0825\r"));
        QVERIFY2(lines[3].startsWith("\"Smith, Jones & \"\"Partners\"\"\",990740.73,"), lines[3]);
        // Dates as ISO 8601 in the orders report.
        QVERIFY2(reports[1].contains(",2025-12-31,2026-01-02,") && reports[1].contains(",2026-07-04,,"),
                 reports[1]);
        static QByteArrayList first;
        if (QTest::currentDataTag() == QLatin1String("en_US, $ before")) first = reports;
        QCOMPARE(reports, first);
    }

    // Texts a spreadsheet would run as formulas get a leading apostrophe; amounts, negative
    // ones included, stay numbers; control characters never reach the file.
    void csvNeutralisesFormulas() {
        qd::data::Connection db;
        openBook(db, [](qd::data::Connection& db) {
            fixture::run(db, {
                "insert into Employees (FirstName,LastName) values ('A','B')",
                "insert into [Shipping Methods] (ShippingMethod) values ('Courier')",
                "insert into Products (ProductName,UnitPrice) values ('-Refund', -5)",
                "insert into Products (ProductName,UnitPrice) values ('@Bell' || char(7), 2)",
            });
            const char* const names[] = {"=HYPERLINK(\"http://x.example\",\"y\")",
                                         "+1+1", "@SUM(A1)", "plain"};
            int order = 1;
            for (const char* name : names) {
                db.execute(QStringLiteral("insert into Customers (CompanyName) values ('%1')")
                               .arg(QString::fromUtf8(name)));
                db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                          "PurchaseOrderNumber,ShipDate,ShippingMethodID,"
                                          "SalesTaxRate) values (%1,1,#03/07/2026#,'1',"
                                          "#03/07/2026#,1,0)")
                               .arg(order));
                db.execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,"
                                          "Quantity,UnitPrice,Discount) values (%1,%2,1,-5,0)")
                               .arg(order)
                               .arg(order == 2 ? 2 : 1));
                ++order;
            }
            db.execute(QStringLiteral("insert into Customers (CompanyName) values "
                                      "(char(9) || 'Tab' || char(13) || char(10) || 'Line')"));
            db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                      "PurchaseOrderNumber,ShipDate,ShippingMethodID,"
                                      "SalesTaxRate) values (5,1,#03/07/2026#,'1',#03/07/2026#,1,0)"));
            db.execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,"
                                      "UnitPrice,Discount) values (5,1,1,3,0)"));
        });
        const auto lines = [&](const CurrencyChoice& currency) {
            const auto doc = document(db, QStringLiteral("Total Price of Each Order Detail"),
                                      currency);
            return csvText(*doc).split('\n');
        };
        // The layouts' own formats: the dollar sign before the amount.
        const QList<QByteArray> plain = lines({});
        QCOMPARE(plain.size(), 1 + 5 + 1);
        QCOMPARE(plain[1], QByteArray("' Tab  Line,3.00,'-Refund,5,3.00,1,3.00,0,3.00,0\r"));
        QCOMPARE(plain[2], QByteArray("'+1+1,-5.00,'@Bell\xEF\xBF\xBD,2,-5.00,1,-5.00,0,-5.00,0\r"));
        QCOMPARE(plain[3], QByteArray("\"'=HYPERLINK(\"\"http://x.example\"\",\"\"y\"\")\",-5.00,"
                                      "'-Refund,1,-5.00,1,-5.00,0,-5.00,0\r"));
        QVERIFY2(plain[4].startsWith("'@SUM(A1),-5.00,'-Refund,3,"), plain[4]);
        QVERIFY2(plain[5].startsWith("plain,-5.00,'-Refund,4,"), plain[5]);
        for (const QByteArray& line : plain)
            for (const char c : line.chopped(line.endsWith('\r') ? 1 : 0))
                QVERIFY2(uchar(c) >= 0x20, line);
        // A currency symbol that a spreadsheet would read as the start of a formula never
        // reaches the file: amounts carry none.
        QCOMPARE(lines({true, QStringLiteral("=1+"), true}), plain);
    }

    void pdfShowsTheTexts() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        qd::data::Connection db;
        openBook(db, &fixture::awkwardData);
        const QString euro(QChar(0x20AC));
        auto pdfText = [&](const QString& entry, const QString& pdf) {
            const auto doc = document(db, entry, {true, euro, false});
            exportPdf(*doc, pdf);
            QProcess p;
            p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            p.waitForFinished(30000);
            return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
        };
        // Amounts and headings wider than their fields are narrowed, never cut; a text value
        // is cut at its field's edge.
        const struct {
            QString entry;
            QStringList shown;
            QStringList cut;
        } reports[] = {
            {QStringLiteral("Total Price of Orders"),
             {QStringLiteral("Total Price of Orders"), QStringLiteral("Company Name"),
              QStringLiteral("Total Price of Order"), QStringLiteral("Rock'n'Roll Supplies"),
              QStringLiteral("2,338,788.67") + euro, QStringLiteral("Smith, Jones & \"Partners\"")},
             {}},
            {QStringLiteral("Total Price of Each Order Detail"),
             {QStringLiteral("1,234,567.89") + euro, QStringLiteral("2,469,135.78") + euro,
              QStringLiteral("2,160,493.81") + euro, QStringLiteral("The Extraordinarily")},
             {QStringLiteral("Long-Named")}},
            {QStringLiteral("Orders by Customer"),
             {QStringLiteral("Shipping Method"), QStringLiteral("12/31/2025")},
             {QStringLiteral("000000001")}},
        };
        for (const auto& report : reports) {
            const QString text = pdfText(report.entry, m_env->root() + QStringLiteral("/r.pdf"));
            for (const QString& expected : report.shown)
                QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in:\n") + text));
            for (const QString& unexpected : report.cut)
                QVERIFY2(!text.contains(unexpected), qPrintable(unexpected + QStringLiteral(" in:\n") + text));
        }
        const auto doc = document(db, QStringLiteral("Total Price of Orders"));
        // An unwritable target is reported and leaves nothing behind.
        const QString bad = m_env->root() + QStringLiteral("/no/such/folder/x.pdf");
        QVERIFY_THROWS_EXCEPTION(qd::Error, exportPdf(*doc, bad));
        QVERIFY(!QFile::exists(bad));
    }

    // A text wider than its field is cut at the field's edge instead of running into the
    // next column, an amount is narrowed to it; centred text stays centred in its field.
    void paintingClipsToTheField() {
        ReportLayout layout = emptyLayout(QStringLiteral("probe"), {8000, 1440, 1440, 1440, 1440});
        Section& detail = layout.band(BandRole::Detail);
        detail.height = 240;
        ReportControl wide;
        wide.name = QStringLiteral("Text1");
        wide.kind = ControlKind::TextField;
        wide.left = 0;
        wide.width = 1000;
        wide.height = 240;
        wide.dataField = QStringLiteral("x");
        ReportControl centred = wide;
        centred.name = QStringLiteral("Text2");
        centred.left = 4000;
        centred.width = 2000;
        centred.alignment = Alignment::Centre;
        ReportControl amount = wide;
        amount.name = QStringLiteral("Text3");
        amount.left = 6500;
        amount.width = 600;
        amount.format = QStringLiteral("#,##0.00");
        detail.controls = {wide, centred, amount};
        RowTable rows{boundFields(layout),
                      {QStringLiteral("W").repeated(80), QStringLiteral("II"), 1234567.891}, 1};
        ReportDocument doc(std::move(layout), std::move(rows), QPageSize(QPageSize::Letter));
        // 144 dpi: ten twips per pixel.
        QImage image(1224, 1584, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDotsPerMeterX(5669);
        image.setDotsPerMeterY(5669);
        QPainter painter(&image);
        beginTwips(painter);
        doc.paintPage(painter, 0);
        painter.end();
        auto inkBetween = [&](int fromTwips, int toTwips) {
            for (int x = fromTwips / 10; x < toTwips / 10; ++x)
                for (int y = 144; y < 144 + 24; ++y)
                    if (qGray(image.pixel(x, y)) < 128) return true;
            return false;
        };
        QVERIFY(inkBetween(1440, 2440));         // the wide text is drawn ...
        QVERIFY(!inkBetween(2450, 5400));        // ... and stops at its field's edge
        QVERIFY(inkBetween(6340, 6560));         // "II" stands in the middle of 5440..7440
        QVERIFY(!inkBetween(5440, 6200));
        QVERIFY(!inkBetween(6700, 7440));
        QVERIFY(inkBetween(7940, 8540));         // the amount, narrowed to its field
        QVERIFY(!inkBetween(8550, 9600));
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QGuiApplication app(argc, argv);
    TestReportEngine test(&env);
    return QTest::qExec(&test, argc, argv);
}

#include "test_report_engine.moc"
