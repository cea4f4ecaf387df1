// Report speed with a big order book: pages per second written to PDF for "Total Price of
// Each Order Detail", and the time from pressing "Show Report" until the preview has drawn its
// first page. Prints figures and their ratio to the goals; asserts nothing.
//
//     report_bench [orders ...]      (default: 10000 100000)

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/globals.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "ui/reports/form4.h"
#include "ui/reports/preview.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

namespace {

constexpr double kPagesPerSecondGoal = 500;
constexpr double kFirstPageGoalMs = 300;

// Fills a copy of the empty order book with the given number of orders of one line each.
void fillBook(const QString& path, int orders) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    auto exec = [&](const QString& sql) {
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    };
    for (int i = 1; i <= 500; ++i)
        exec(QStringLiteral("insert into Customers (CompanyName) values ('Customer %1 Trading')").arg(i));
    for (int i = 1; i <= 20; ++i)
        exec(QStringLiteral("insert into Employees (FirstName, LastName) values ('First%1','Last%1')").arg(i));
    for (int i = 1; i <= 4; ++i)
        exec(QStringLiteral("insert into [Shipping Methods] (ShippingMethod) values ('Method %1')").arg(i));
    for (int i = 1; i <= 100; ++i)
        exec(QStringLiteral("insert into Products (ProductName, UnitPrice) values ('Product %1', %2)")
                 .arg(i).arg(1 + i * 0.25));
    sqlite3_stmt* order = nullptr;
    sqlite3_stmt* line = nullptr;
    sqlite3_prepare_v2(db, "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,"
                           "ShipDate,ShippingMethodID,SalesTaxRate) values (?,?,'2026-03-07',?,"
                           "'2026-03-09',?,0.0825)", -1, &order, nullptr);
    sqlite3_prepare_v2(db, "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,"
                           "Discount) values (?,?,?,?,0.1)", -1, &line, nullptr);
    for (int i = 1; i <= orders; ++i) {
        sqlite3_bind_int(order, 1, 1 + i % 500);
        sqlite3_bind_int(order, 2, 1 + i % 20);
        const QByteArray po = QByteArray::number(100000 + i);
        sqlite3_bind_text(order, 3, po.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(order, 4, 1 + i % 4);
        sqlite3_step(order);
        sqlite3_reset(order);
        sqlite3_bind_int64(line, 1, sqlite3_last_insert_rowid(db));
        sqlite3_bind_int(line, 2, 1 + i % 100);
        sqlite3_bind_int(line, 3, 1 + i % 7);
        sqlite3_bind_double(line, 4, 1 + (i % 100) * 0.25);
        sqlite3_step(line);
        sqlite3_reset(line);
    }
    sqlite3_finalize(order);
    sqlite3_finalize(line);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Opens the preview, lets it draw what is in view, and closes it at once.
class FirstPageDialogs : public qd::Dialogs {
public:
    QElapsedTimer* clock = nullptr;
    qint64 firstPageMs = -1;
    int pagesDrawn = 0;
    qd::Answer message(const QString& text, qd::Buttons, const QString&, qd::Icon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return qd::Answer::Ok;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    int showModal(QDialog* window) override {
        window->show();
        if (auto* preview = qobject_cast<qd::ui::DataReport1*>(window)) {
            preview->view()->viewport()->grab();
            firstPageMs = clock->elapsed();
            pagesDrawn = preview->view()->pagesRendered();
        }
        window->close();
        return 0;
    }
};

void runFor(int orders) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qd::CreateFolder(home.filePath(QStringLiteral("data")));
    qd::CreateFolder(home.filePath(QStringLiteral("data/Brisklane")));
    qd::CreateFolder(qd::DataFolder());
    const QString book = qd::DataFolder() + QStringLiteral("/dbData.mdb");
    qd::CopyFile(qd::ApplicationPath() + QStringLiteral("/dbBlank.mdb"), book);
    fillBook(book, orders);

    const qd::reports::ReportKind& kind = qd::reports::reportKinds()[2];
    qd::data::Connection db;
    db.open(qd::ConnectionString());

    QElapsedTimer clock;
    clock.start();
    qd::data::Recordset rs;
    rs.open(kind.statement, db);
    const qint64 firstRowMs = clock.elapsed();
    qd::reports::ReportLayout layout = kind.create();
    qd::reports::applyCurrency(layout, kind, qd::reports::storedCurrencyChoice());
    qd::reports::ReportDocument document(std::move(layout), rs);
    const qint64 readMs = clock.elapsed();

    clock.restart();
    const QString pdf = home.filePath(QStringLiteral("report.pdf"));
    qd::reports::exportPdf(document, pdf);
    const double pdfSeconds = clock.nsecsElapsed() / 1e9;
    const double pagesPerSecond = document.pageCount() / pdfSeconds;

    // The whole path of the reports window: statement, layout, rows, preview, first page.
    qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
    qd::AppConnection().open(qd::ConnectionString());
    FirstPageDialogs dialogs;
    dialogs.clock = &clock;
    qd::setDialogs(&dialogs);
    qd::ui::Form4 form;
    form.ensureLoaded();
    form.Combo1->setCurrentIndex(2);
    clock.restart();
    form.PushButton1_Click();
    qd::setDialogs(nullptr);
    qd::AppConnectionObject().reset();

    std::printf("%7d orders: %d rows, %d pages (%s)\n", orders, document.rows().rowCount,
                document.pageCount(), qPrintable(document.paper().key()));
    std::printf("    query, rows and layout      %8lld ms (%lld ms of it until the query's first row)\n",
                readMs, firstRowMs);
    std::printf("    PDF                         %8.2f s, %6.0f pages/s (%.2f x the goal of %.0f), %.1f MB\n",
                pdfSeconds, pagesPerSecond, pagesPerSecond / kPagesPerSecondGoal,
                kPagesPerSecondGoal, QFile(pdf).size() / 1e6);
    std::printf("    Show Report to first page   %8lld ms (%.2f x the goal of %.0f ms), %d page(s) drawn\n",
                dialogs.firstPageMs, dialogs.firstPageMs / kFirstPageGoalMs, kFirstPageGoalMs,
                dialogs.pagesDrawn);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QByteArray(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {10000, 100000};
    for (int orders : sizes)
        if (orders > 0) runFor(orders);
    return 0;
}
