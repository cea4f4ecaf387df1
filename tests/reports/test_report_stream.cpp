// Reports written straight from their rows: every page the same as the laid-out document's,
// whatever the number of rows (none, one, a page exactly full, a report footer pushed onto a
// page of its own), for each layout and paper.

#include "core/error.h"
#include "fixture.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/rowstore.h"
#include "reports/stream.h"
#include "support/testenv.h"

#include <QGuiApplication>
#include <QtTest>

#include <sqlite3.h>

using namespace qd::reports;

namespace {

QString itemText(const PlacedItem& item) {
    const QRect& r = item.rect;
    return QStringLiteral("%1.%2 %3,%4 %5x%6 %7 %8")
        .arg(item.section, item.control)
        .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
        .arg(item.narrowToFit).arg(item.text);
}

QStringList pageText(const std::vector<PlacedItem>& items) {
    QStringList lines;
    for (const PlacedItem& item : items) lines << itemText(item);
    return lines;
}

}  // namespace

class TestReportStream : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;

public:
    explicit TestReportStream(TestEnvironment* env) : m_env(env) {}

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void samePagesAsTheDocument_data() {
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("orders");
        QTest::addColumn<QString>("paper");
        for (const char* report : {"Orders by Customer", "Total Price of Orders",
                                   "Total Price of Each Order Detail"})
            for (int orders : {0, 1, 49, 50, 51, 52, 101, 102, 103, 154, 230})
                for (const char* paper : {"Letter", "A4"})
                    QTest::addRow("%s, %d orders, %s", report, orders, paper)
                        << QString::fromLatin1(report) << orders << QString::fromLatin1(paper);
    }
    void samePagesAsTheDocument() {
        QFETCH(QString, report);
        QFETCH(int, orders);
        QFETCH(QString, paper);
        const QPageSize size(paper == QLatin1String("A4") ? QPageSize::A4 : QPageSize::Letter);
        m_env->provideWorkingFile();
        qd::data::Connection db;
        db.open(fixture::connectionString(m_env->workingFile()));
        // A throwaway book need not reach the disk at every statement.
        sqlite3_exec(db.sqliteHandle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        fixture::sampleData(db);
        db.execute("delete from Orders");
        db.execute("delete from [Order Details]");
        // One statement each for the orders and their lines (one durable write per row would
        // take the test minutes on a busy disk).
        db.execute(QStringLiteral(
            "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,"
            "ShippingMethodID,SalesTaxRate) with recursive n(i) as (select 1 union all select i + 1 "
            "from n where i < %1) select 1 + i %% 2, 1, '2026-03-07', 'PO ' || i, '2026-03-09', 1, "
            "0.0825 from n where %1 > 0").arg(orders).replace(QStringLiteral("%%"), QStringLiteral("%")));
        db.execute(QStringLiteral(
            "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) "
            "select OrderID, 1 + OrderID %% 2, OrderID %% 7 + 1, OrderID * 1.25, 0.25 from Orders")
                       .replace(QStringLiteral("%%"), QStringLiteral("%")));
        const ReportKind* kind = findReportKind(report);
        QVERIFY(kind);
        ReportLayout layout = kind->create();
        applyCurrency(layout, *kind, CurrencyChoice{});

        qd::data::Recordset all;
        all.open(kind->statement, db);
        const ReportDocument document(layout, all, size);
        qd::data::Recordset rs;
        rs.open(kind->statement, db);
        PageStream pages(layout, rs, size);
        QCOMPARE(pages.paperTwips(), document.paperTwips());
        int page = 0;
        for (; pages.next(); ++page) {
            QVERIFY(page < document.pageCount());
            QCOMPARE(pageText(pages.items()), pageText(document.placedItems(page)));
        }
        QCOMPARE(page, document.pageCount());
    }

    // The preview's compact rows give back every value as it was read: its type and value,
    // Null included, whatever mix of kinds a column holds, and texts that repeat or all differ.
    void keptRowsGiveTheValuesBack() {
        RowTable table;
        table.fields = {0, 1, 2, 3, 4, 5};
        const int rows = 12000;
        for (int r = 0; r < rows; ++r) {
            const QVariant id = r % 97 == 0 ? QVariant() : QVariant(qlonglong(r) * 1000003);
            const QVariant name = QStringLiteral("Customer %1").arg(r % 40);
            const QVariant po = r % 50 == 0 ? QVariant() : QVariant(QStringLiteral("PO-%1").arg(r));
            const QVariant amount = r % 3 ? QVariant(r * 1.25) : QVariant(qlonglong(r));  // mixed
            const QVariant day = r == 0 ? QVariant() : QVariant(QDate(2020, 1, 1).addDays(r % 900));
            const QVariant timed = QDateTime(QDate(2026, 3, 7), QTime(r % 24, 30));
            table.cells.insert(table.cells.end(), {id, name, po, amount, day, timed});
            ++table.rowCount;
        }
        RowStore store(table.fields);
        RowTable half = table;  // appended in two parts, as the preview reads them
        half.rowCount = rows / 2;
        half.cells.resize(size_t(half.rowCount) * 6);
        store.append(half);
        RowTable rest;
        rest.fields = table.fields;
        rest.rowCount = rows - rows / 2;
        rest.cells.assign(table.cells.begin() + (rows / 2) * 6, table.cells.end());
        store.append(rest);
        QCOMPARE(store.rowCount, rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 6; ++c) {
                const QVariant kept = store.cell(r, c);
                const QVariant& read = table.cell(r, c);
                QCOMPARE(kept.typeId(), read.typeId());
                QCOMPARE(kept, read);
            }
        QVERIFY(store.bytes() < std::size_t(rows) * 6 * sizeof(QVariant));
    }

    // A field that is not a column of the rows, or a paper too narrow, is an error at once.
    void errorsBeforeAnyPage() {
        m_env->provideWorkingFile();
        qd::data::Connection db;
        db.open(fixture::connectionString(m_env->workingFile()));
        const ReportKind* kind = findReportKind(QStringLiteral("Total Price of Orders"));
        ReportLayout layout = kind->create();
        qd::data::Recordset rs;
        rs.open(QStringLiteral("select OrderID from Orders"), db);
        QVERIFY_THROWS_EXCEPTION(qd::Error, [&] { PageStream p(layout, rs, QPageSize(QPageSize::Letter)); }());
        rs.close();
        rs.open(kind->statement, db);
        const ReportLayout wide =
            findReportKind(QStringLiteral("Total Price of Each Order Detail"))->create();
        QVERIFY_THROWS_EXCEPTION(qd::Error, [&] { PageStream p(wide, rs, QPageSize(QPageSize::A6)); }());
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;
    QGuiApplication app(argc, argv);
    TestReportStream test(&environment);
    return QTest::qExec(&test, argc, argv);
}
#include "test_report_stream.moc"
