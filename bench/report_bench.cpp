// Report speed with a big order book: pages per second written to PDF for "Total Price of
// Each Order Detail", and the time from pressing "Show Report" until the preview has drawn its
// first page. Prints figures and their ratio to the goals; asserts nothing.
//
//     report_bench [orders ...]      (default: 10000 100000)

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/globals.h"
#include "bench/generator.h"
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

#include <cstdio>

namespace {

constexpr double kPagesPerSecondGoal = 500;
constexpr double kFirstPageGoalMs = 300;

// Opens the preview, lets it draw what is in view, and closes it at once.
class FirstPageDialogs : public qd::Dialogs {
public:
    QElapsedTimer* clock = nullptr;
    qint64 firstPageMs = -1;
    int pagesDrawn = 0;
    qd::Answer message(const QString& text, qd::Buttons, const QString&, qd::Icon,
                       qd::DefaultButton) override {
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
    qd::bench::fillOrderBook(book, orders);

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
