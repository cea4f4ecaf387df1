// Report speed and memory with a big order book, for each of the three reports:
//   - the real program writing the report to PDF from the command line (a child process):
//     pages per second and its peak memory;
//   - our share of that work against a bare QPdfWriter drawing the same texts at the same
//     positions with the same fonts, both over the same first pages, in the same run (ours
//     the command line's way: the statement opened and read ahead on a second thread);
//   - the preview in a process of its own: its peak memory with every row read, and the time
//     a page takes to draw when paging back and forth through the whole report;
//   - the time from pressing "Show Report" until the preview has drawn its first page.
// Prints figures; asserts nothing. Each timed figure: min / median / max over --repeat
// runs.
//
//     report_bench [--repeat R] [orders ...]      (default: 10000 100000 1000000)
//     report_bench --preview-child KIND FILE       (the preview's process, run by the above)

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "bench/generator.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "reports/readahead.h"
#include "reports/stream.h"
#include "ui/reports/form4.h"
#include "ui/reports/preview.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <malloc.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <vector>

extern char** environ;

namespace {

using qd::bench::cell;
using qd::bench::Figure;

constexpr int kComparedPages = 600;  // pages drawn by both the bare writer and ours

struct ChildRun {
    double seconds = -1;
    double peakMB = -1;
};

// The high-water mark of a running process's resident memory, in kB (0 once it is gone).
long highWaterKB(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// Runs the program to its end; its wall time in seconds and peak resident memory in MB. The
// peak is read from the process itself while it runs (the kernel's own count for a child would
// include this process's memory, shared until the child's exec).
ChildRun runProgram(const QStringList& arguments) {
    std::vector<QByteArray> args;
    for (const QString& a : arguments) args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ChildRun run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    long peakKB = 0;
    for (;;) {
        peakKB = std::max(peakKB, highWaterKB(pid));
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return run;
        usleep(20000);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.peakMB = peakKB / 1024.0;
    return run;
}

// The page count Qt's PDF writer puts in the file's page tree.
int pdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("/Type /Pages");
    const qsizetype count = at < 0 ? -1 : bytes.indexOf("/Count ", at);
    return count < 0 ? 0 : bytes.mid(count + 7, 12).split('\n').first().trimmed().toInt();
}

// What each compared page shows, placed by our code once, before any clock runs.
struct Page {
    std::vector<qd::reports::PlacedItem> items;
};

std::vector<Page> firstPages(const qd::reports::ReportLayout& layout, qd::data::Connection& db,
                             const QString& statement, const QPageSize& paper) {
    qd::data::Recordset rs;
    rs.open(statement, db);
    qd::reports::PageStream stream(layout, rs, paper);
    std::vector<Page> pages;
    while (int(pages.size()) < kComparedPages && stream.next()) pages.push_back({stream.items()});
    return pages;
}

void setUpWriter(QPdfWriter& writer, const QPageSize& paper) {
    writer.setResolution(1440);
    writer.setPageSize(paper);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
}

// A bare QPdfWriter drawing the texts at their places with their fonts: nothing of ours runs.
double bareWriterSeconds(const std::vector<Page>& pages, const QPageSize& paper) {
    std::vector<QFont> fonts;
    std::vector<std::vector<std::pair<int, QPointF>>> placed;  // font index, baseline start
    std::vector<std::vector<QString>> texts;
    for (const Page& page : pages) {
        placed.emplace_back();
        texts.emplace_back();
        for (const auto& item : page.items) {
            if (item.text.isEmpty()) continue;
            const QFont font = qd::reports::deviceFont(item.font);
            auto it = std::find(fonts.begin(), fonts.end(), font);
            if (it == fonts.end()) it = fonts.insert(fonts.end(), font);
            placed.back().push_back({int(it - fonts.begin()),
                                     QPointF(item.rect.left(), item.rect.top() + QFontMetricsF(font).ascent())});
            texts.back().push_back(item.text);
        }
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QElapsedTimer clock;
    clock.start();
    QPdfWriter writer(&out);
    setUpWriter(writer, paper);
    QPainter painter(&writer);
    painter.scale(writer.logicalDpiX() / 1440.0, writer.logicalDpiY() / 1440.0);
    for (std::size_t p = 0; p < placed.size(); ++p) {
        if (p > 0) writer.newPage();
        int current = -1;
        for (std::size_t i = 0; i < placed[p].size(); ++i) {
            if (placed[p][i].first != current) {
                current = placed[p][i].first;
                painter.setFont(fonts[std::size_t(current)]);
            }
            painter.drawText(placed[p][i].second, texts[p][i]);
        }
    }
    painter.end();
    return clock.nsecsElapsed() / 1e9;
}

// Ours over the same pages, the command line's way: the statement opened and its rows read
// (on a second thread), texts formatted, bands placed and drawn, through the same writer.
double oursSeconds(const qd::reports::ReportLayout& layout, const QString& statement,
                   const QPageSize& paper, int pageCount) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QElapsedTimer clock;
    clock.start();
    qd::reports::ReadAhead rows(qd::ConnectionString(), statement, layout);
    qd::reports::writePdf(layout, rows, paper, out, pageCount);
    return clock.nsecsElapsed() / 1e9;
}

// Opens the preview, lets it draw what is in view, and closes it at once.
class FirstPageDialogs : public qd::Dialogs {
public:
    QElapsedTimer* clock = nullptr;
    qint64 firstPageMs = -1;
    qd::Answer message(const QString& text, qd::Buttons, const QString&, qd::Icon,
                       qd::DefaultButton) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return qd::Answer::Ok;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    int choose(const QString&, const QStringList& buttons, const QString&) override {
        return int(buttons.size()) - 1;
    }

protected:
    int runModal(QDialog* window) override {
        window->show();
        if (auto* preview = qobject_cast<qd::ui::DataReport1*>(window)) {
            preview->view()->viewport()->grab();
            firstPageMs = clock->elapsed();
        }
        window->close();
        return 0;
    }
};

// The preview as the user meets it, in a process of its own (so that its peak memory is its
// own): "Show Report" on the reports window, every row read, then pages drawn back and forth
// through the report. Writes its figures to a file for the parent.
class PagingDialogs : public FirstPageDialogs {
public:
    Figure pageMs;
    double readAllSeconds = 0;

protected:
    int runModal(QDialog* window) override {
        window->show();
        auto* preview = qobject_cast<qd::ui::DataReport1*>(window);
        if (preview) {
            QElapsedTimer clock;
            clock.start();
            preview->view()->viewport()->grab();
            firstPageMs = this->clock->elapsed();
            preview->finishReading();
            readAllSeconds = clock.nsecsElapsed() / 1e9;
            qd::ui::PageView* view = preview->view();
            const int pages = preview->document().pageCount();
            // The last page, the first, then steps back and forth across the whole report.
            std::vector<int> order = {pages - 1, 0};
            for (int i = 1; i <= 40; ++i) order.push_back(int((long long)(pages - 1) * ((i * 37) % 41) / 40));
            for (int page : order) {
                clock.restart();
                view->showPage(page);
                view->viewport()->grab();
                pageMs.runs.push_back(clock.nsecsElapsed() / 1e6);
            }
        }
        window->close();
        return 0;
    }
};

// "Show Report" pressed on a fresh reports window for a report (its place in the list), over
// the program's connection to the book, with the dialogs given; the dialogs' clock starts at
// the press.
void pressShowReport(int kind, FirstPageDialogs& dialogs) {
    qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
    qd::AppConnection().open(qd::ConnectionString());
    QElapsedTimer clock;
    dialogs.clock = &clock;
    qd::setDialogs(&dialogs);
    {
        qd::ui::Form4 form;
        form.ensureLoaded();
        form.Combo1->setCurrentIndex(kind);
        clock.start();
        form.PushButton1_Click();
    }
    qd::setDialogs(nullptr);
    dialogs.clock = nullptr;
    qd::AppConnectionObject().reset();
}

int previewChild(int kind, const QString& out) {
    PagingDialogs dialogs;
    pressShowReport(kind, dialogs);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(dialogs.firstPageMs)
                   .arg(dialogs.readAllSeconds)
                   .arg(dialogs.pageMs.min())
                   .arg(dialogs.pageMs.median())
                   .arg(dialogs.pageMs.max())
                   .toUtf8());
    return 0;
}

void runFor(int orders, int repeat) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qd::CreateFolder(home.filePath(QStringLiteral("data")));
    qd::CreateFolder(home.filePath(QStringLiteral("data/Brisklane")));
    qd::CreateFolder(qd::DataFolder());
    const QString book = qd::DataFolder() + QStringLiteral("/dbData.mdb");
    qd::CopyFile(qd::ApplicationPath() + QStringLiteral("/dbBlank.mdb"), book);
    qd::bench::fillOrderBook(book, orders);
    qd::data::Connection db;
    db.open(qd::ConnectionString());
    const QPageSize paper = qd::reports::defaultPaper();
    std::printf("%d orders (%s paper; min / median / max of %d runs)\n", orders,
                qPrintable(paper.key()), repeat);

    for (int k = 0; k < int(qd::reports::reportKinds().size()); ++k) {
        const qd::reports::ReportKind& kind = qd::reports::reportKinds()[std::size_t(k)];
        const QString pdf = home.filePath(QStringLiteral("report.pdf"));
        Figure pagesPerSecond, peak, bare, ours;
        int pages = 0;
        for (int r = 0; r < repeat; ++r) {
            const ChildRun run = runProgram({qd::ApplicationPath() + QStringLiteral("/quarrydesk"),
                                             QStringLiteral("--report"), kind.entryText,
                                             QStringLiteral("--pdf"), pdf});
            pages = pdfPages(pdf);
            pagesPerSecond.runs.push_back(run.seconds > 0 ? pages / run.seconds : 0);
            peak.runs.push_back(run.peakMB);
        }
        qd::reports::ReportLayout layout = kind.create();
        qd::reports::applyCurrency(layout, kind, qd::reports::storedCurrencyChoice());
        const std::vector<Page> compared = firstPages(layout, db, kind.statement, paper);
        for (int r = 0; r < repeat; ++r) {
            bare.runs.push_back(compared.size() / bareWriterSeconds(compared, paper));
            ours.runs.push_back(compared.size() /
                                oursSeconds(layout, kind.statement, paper, int(compared.size())));
        }
        Figure ratio;
        for (int r = 0; r < repeat; ++r) ratio.runs.push_back(ours.runs[r] / bare.runs[r]);
        // What the preview keeps to page through every row.
        malloc_trim(0);
        const long long before = qd::bench::residentBytes();
        double keptMB = 0, perRow = 0;
        {
            qd::data::Recordset rs;
            rs.open(kind.statement, db);
            qd::reports::ReportDocument document(layout, rs, paper);
            malloc_trim(0);
            keptMB = (qd::bench::residentBytes() - before) / 1e6;
            perRow = document.rows().rowCount ? double(document.rows().bytes()) / document.rows().rowCount : 0;
        }
        // The preview in a process of its own.
        Figure previewPeak, readAll, pageMin, pageMedian, pageMax;
        for (int r = 0; r < repeat; ++r) {
            const QString figures = home.filePath(QStringLiteral("preview.txt"));
            QFile::remove(figures);
            const ChildRun run = runProgram({QCoreApplication::applicationFilePath(),
                                             QStringLiteral("--preview-child"), QString::number(k),
                                             figures});
            QFile file(figures);
            if (run.seconds < 0 || !file.open(QIODevice::ReadOnly)) continue;
            const QList<QByteArray> f = file.readAll().trimmed().split(' ');
            if (f.size() < 5) continue;
            previewPeak.runs.push_back(run.peakMB);
            readAll.runs.push_back(f[1].toDouble());
            pageMin.runs.push_back(f[2].toDouble());
            pageMedian.runs.push_back(f[3].toDouble());
            pageMax.runs.push_back(f[4].toDouble());
        }
        std::printf("  %s: %d pages\n", qPrintable(kind.entryText), pages);
        std::printf("    preview process peak memory %s MB; every row read in %s s; a page "
                    "drawn, paging back and forth: %s ms (fastest %s, slowest %s)\n",
                    qPrintable(cell(previewPeak)), qPrintable(cell(readAll, 1)),
                    qPrintable(cell(pageMedian, 1)), qPrintable(cell(pageMin, 1)),
                    qPrintable(cell(pageMax, 1)));
        std::printf("    command line to PDF         %14s pages/s, peak memory %s MB\n",
                    qPrintable(cell(pagesPerSecond)), qPrintable(cell(peak)));
        std::printf("    preview keeps every row in  %8.0f MB more resident (%.0f B/row as the store "
                    "counts); this process's peak so far %.0f MB\n",
                    keptMB, perRow, highWaterKB(getpid()) / 1024.0);
        std::printf("    first %4zu pages: ours      %14s pages/s, bare QPdfWriter %s pages/s, ours/bare %s\n",
                    compared.size(), qPrintable(cell(ours)), qPrintable(cell(bare)),
                    qPrintable(cell(ratio, 2)));
        std::fflush(stdout);
    }

    // The whole path of the reports window: statement, layout, rows, preview, first page.
    FirstPageDialogs dialogs;
    Figure firstPage;
    for (int r = 0; r < repeat; ++r) {
        pressShowReport(2, dialogs);
        firstPage.runs.push_back(double(dialogs.firstPageMs));
    }
    std::printf("  Show Report to first preview page (Total Price of Each Order Detail) %s ms\n",
                qPrintable(cell(firstPage)));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--preview-child")
        return previewChild(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    int repeat = 3;
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--repeat" && i + 1 < argc)
            repeat = std::max(1, QByteArray(argv[++i]).toInt());
        else
            sizes << QByteArray(argv[i]).toInt();
    }
    if (sizes.isEmpty()) sizes = {10000, 100000, 1000000};
    for (int orders : sizes)
        if (orders > 0) runFor(orders, repeat);
    return 0;
}
