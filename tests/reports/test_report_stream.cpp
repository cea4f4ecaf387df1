// Reports written straight from their rows: every page the same as the laid-out document's,
// whatever the number of rows (none, one, a page exactly full, a report footer pushed onto a
// page of its own), for each layout and paper, rows read on this thread or ahead on another;
// and the preview's compact rows.

#include "core/error.h"
#include "fixture.h"
#include "data/sqliteengine.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "reports/readahead.h"
#include "reports/rowstore.h"
#include "reports/stream.h"
#include "support/testenv.h"

#include <QBuffer>
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

    // A fresh book with the sample customers and `orders` generated orders, customers 1 and 2
    // in turn, each with one line.
    void openBookOfOrders(qd::data::Connection& db, int orders) {
        m_env->provideWorkingFile();
        db.open(fileConnectionString(m_env->workingFile()));
        // A throwaway book need not reach the disk at every statement.
        sqlite3_exec(qd::data::SqliteEngine::behind(db)->handle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
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
    }

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
        qd::data::Connection db;
        openBookOfOrders(db, orders);
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

        // The same pages again from rows read ahead on another thread, over another connection.
        ReadAhead ahead(fileConnectionString(m_env->workingFile()), kind->statement, layout);
        PageStream aheadPages(layout, ahead, size);
        page = 0;
        for (; aheadPages.next(); ++page) {
            QVERIFY(page < document.pageCount());
            QCOMPARE(pageText(aheadPages.items()), pageText(document.placedItems(page)));
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
            const QVariant id = r % 97 == 0 ? QVariant()
                                : r == 7000 ? QVariant((qlonglong(1) << 60) + 1)  // beyond a double
                                            : QVariant(qlonglong(r) * 1000003);
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

    // Columns whose values repeat a little, much or not at all: each keeps its values through
    // every change of how it is kept (codes that outgrow one and two bytes, codes given up for
    // each row's own number in four bytes, then in eight, amounts in ten-thousandths, texts
    // beyond ASCII).
    void keptColumnsOfEveryShape() {
        const int rows = 600000;
        RowTable table;
        table.fields = {0, 1, 2, 3, 4, 5};
        table.cells.reserve(std::size_t(rows) * 6);
        auto kept = [&](int r, int c) -> QVariant {
            switch (c) {
            case 0: return qlonglong(r / 9);  // 66,667 distinct, nine rows each: coded
            case 1: return r % 1000 == 0 ? QVariant() : QVariant(r % 300 * 0.25);  // one byte
            case 2: return r == 500000 ? QVariant(qlonglong(1) << 40)  // past four bytes
                                       : QVariant(qlonglong(r) * 3);
            case 3: return r % 2 ? QVariant(r * 0.01) : QVariant(qlonglong(r));  // all differ
            case 4: return QStringLiteral("Čížek-%1-€").arg(r);       // all differ, not ASCII
            default: return r % 2 ? QVariant(qlonglong(r % 1000)) : QVariant(r / 100.0);  // cents
            }
        };
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 6; ++c) table.cells.push_back(kept(r, c));
        table.rowCount = rows;
        RowStore store(table.fields);
        store.append(table);
        store.squeeze();
        for (int r = 0; r < rows; r += r < 1000 ? 1 : 7)
            for (int c = 0; c < 6; ++c) {
                const QVariant value = store.cell(r, c);
                const QVariant expected = kept(r, c);
                QCOMPARE(value.typeId(), expected.typeId());
                QCOMPARE(value, expected);
            }
        QCOMPARE(store.cell(rows - 1, 4), kept(rows - 1, 4));
        // Codes of four and one bytes, numbers of eight, eight and four (and each number's
        // type), the UTF-8 texts with their starts: far below a value object per cell.
        QVERIFY(store.bytes() < std::size_t(rows) * (4 + 1 + 9 + 9 + 30 + 5));
    }

    // Rows read ahead: every row once and in order, across many chunks; only the first pages
    // written when asked; a reader given up half-way stops; errors of the reading thread reach
    // the caller.
    void readAheadOnAThreadOfItsOwn() {
        qd::data::Connection db;
        openBookOfOrders(db, 20000);
        const QString connection = fileConnectionString(m_env->workingFile());
        const ReportKind* kind = findReportKind(QStringLiteral("Orders by Customer"));
        ReportLayout layout = kind->create();
        {
            ReadAhead rows(connection, kind->statement, layout);
            RowTable table;
            table.fields = boundFields(layout);
            bool end = false;
            for (int n = 1; !end; n = n % 700 + 1) end = rows.read(table, n);  // odd sizes
            QVERIFY(rows.atEnd());
            QCOMPARE(table.rowCount, 20000);
            // By company name, then OrderID: every order once, none out of place.
            for (int r = 1; r < table.rowCount; ++r) {
                const QString before = table.cell(r - 1, 0).toString();
                const QString company = table.cell(r, 0).toString();
                QVERIFY(before < company ||
                        (before == company &&
                         table.cell(r - 1, 2).toLongLong() < table.cell(r, 2).toLongLong()));
            }
        }
        {
            ReadAhead rows(connection, kind->statement, layout);
            QBuffer pdf;
            pdf.open(QIODevice::WriteOnly);
            writePdf(layout, rows, QPageSize(QPageSize::Letter), pdf, 3);
            QVERIFY(pdf.data().contains("/Count 3"));
        }  // given up after three pages: the reading thread stops with the rows not read

        QVERIFY_THROWS_EXCEPTION(qd::Error, [&] {
            ReadAhead rows(connection, QStringLiteral("select OrderID from Orders"), layout);
        }());
        QVERIFY_THROWS_EXCEPTION(qd::Error, [&] {
            ReadAhead rows(fileConnectionString(m_env->workingFile() + QStringLiteral(".none")),
                           kind->statement, layout);
        }());
    }

    // A field's texts are made once per distinct date, and made again when the regional
    // settings change; a Null date shows nothing.
    void dateTextsFollowTheLocale() {
        ReportLayout layout = findReportKind(QStringLiteral("Orders by Customer"))->create();
        layout.band(BandRole::Detail).control(QStringLiteral("Text5")).format =
            QStringLiteral("mmmm d, yyyy");
        const std::vector<int> fields = boundFields(layout);
        const int column = 4;  // Text5 among the bound fields
        QCOMPARE(layout.band(BandRole::Detail).controls[size_t(fields[column])].name,
                 QStringLiteral("Text5"));
        FieldTexts texts(layout, fields);
        const QDate day(2026, 3, 7);
        QCOMPARE(texts.text(column, day), QStringLiteral("March 7, 2026"));
        QCOMPARE(texts.text(column, day), QStringLiteral("March 7, 2026"));
        QCOMPARE(texts.text(column, QVariant()), QString());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString german = texts.text(column, day);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(german, QStringLiteral("März 7, 2026"));
        QCOMPARE(texts.text(column, day), QStringLiteral("March 7, 2026"));
        QCOMPARE(texts.text(column - 1, day.addDays(1)), QStringLiteral("3/8/2026"));  // general
    }

    // A field that is not a column of the rows, or a paper too narrow, is an error at once.
    void errorsBeforeAnyPage() {
        m_env->provideWorkingFile();
        qd::data::Connection db;
        db.open(fileConnectionString(m_env->workingFile()));
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
