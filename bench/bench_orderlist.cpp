// How the main window's order list keeps up with a big order book. Every figure is set against
// the bare thing measured in the same run:
//   - the refill of the order list against its own statement as the data layer gives it to
//     SQLite (|| between texts), stepped with SQLite's C API, every column read as UTF-8 text,
//     no program code in between;
//   - the time from starting the real program (a child process on a book of that size) to the
//     first paint of its main window and to its order list complete, against a bare Qt window
//     with the same widgets started the same way;
//   - column-click sorts by customer, by order date and by ID;
//   - the memory each list row costs, texts included;
//   - the find field's search, against a case-insensitive QString::contains over the same
//     texts held as plain QStrings.
// The machine is shared, so each figure is measured several times: min / median / max (ratios:
// min / median).
//
//     bench_orderlist [--repeat R] [N ...]      (default 10000 100000 1000000)

#include "app/book.h"
#include "bench/benchserver.h"
#include "bench/generator.h"
#include "data/bookcopy.h"
#include "data/bookstatements.h"
#include "data/connection.h"
#include "data/jet.h"
#include "data/pgdialect.h"
#include "data/schema.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QVBoxLayout>

#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using qd::ui::Form1;

namespace {

using qd::bench::cell;
using qd::bench::Figure;
using qd::bench::ratio;

// The order list's statement as the data layer hands it to SQLite (|| between texts).
QByteArray nativeOrderRows() {
    return qd::data::jet::translate(qd::data::statements::kOrderRows).toUtf8();
}

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// The native statement stepped with the C API, every column read as the type it holds (the
// list reads typed values too, so a scan reading everything as text would be a slower floor).
double nativeScanMs(const QString& path, long long* rows) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                    SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const QByteArray sql = nativeOrderRows();
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    long long n = 0, bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < 8; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: bytes += sqlite3_column_int64(stmt, c) & 1; break;
            case SQLITE_FLOAT: bytes += sqlite3_column_double(stmt, c) > 0; break;
            case SQLITE_NULL: break;
            default:
                sqlite3_column_text(stmt, c);
                bytes += sqlite3_column_bytes(stmt, c);
            }
        }
        ++n;
    }
    sqlite3_finalize(stmt);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    *rows = n + (bytes < 0);  // keeps the reads from being optimised away
    return ms;
}

// Starts a program and waits for the lines it prints: the time of the first line starting
// with "painted" and of the first starting with "filled" (when wanted), from the start call.
struct StartTimes {
    double painted = -1;
    double filled = -1;
};

StartTimes startChild(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment, bool waitForFill) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    StartTimes times;
    QElapsedTimer clock;
    clock.start();
    child.start(program, arguments);
    QByteArray pending;
    while (child.waitForReadyRead(60000)) {
        const double now = clock.nsecsElapsed() / 1e6;
        pending += child.readAllStandardOutput();
        if (times.painted < 0 && pending.contains("painted")) times.painted = now;
        if (times.filled < 0 && pending.contains("filled")) times.filled = now;
        if (times.painted >= 0 && (!waitForFill || times.filled >= 0)) break;
    }
    child.closeWriteChannel();
    if (!child.waitForFinished(60000)) child.kill();
    return times;
}

// A bare window with the main window's widgets: two tree views and six push buttons. Prints
// "painted" at its first paint and ends.
class BareWindow : public QWidget {
public:
    BareWindow() {
        auto* layout = new QVBoxLayout(this);
        for (int i = 0; i < 2; ++i) {
            auto* list = new QTreeView(this);
            list->setRootIsDecorated(false);
            layout->addWidget(list);
        }
        for (int i = 0; i < 6; ++i) layout->addWidget(new QPushButton(QStringLiteral("Button"), this));
        resize(800, 433);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_done) return;
        m_done = true;
        std::printf("painted\n");
        std::fflush(stdout);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }

private:
    bool m_done = false;
};

struct Book {
    QTemporaryDir root;
    QString folder() const { return root.filePath(QStringLiteral("data/Brisklane/Quarrydesk")); }
    QString path() const { return folder() + QStringLiteral("/dbData.mdb"); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUARRYDESK_STARTUP_PROBE"), QStringLiteral("1"));
        return env;
    }
    void make(int orders) {
        QDir().mkpath(folder());
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb"), path());
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        if (orders > 0) qd::bench::fillOrderBook(path(), orders);
    }
};

Figure startUp(const Book& book, int repeat, bool painted, Figure* filled) {
    Figure figure;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quarrydesk");
    for (int r = 0; r < repeat; ++r) {
        const StartTimes t = startChild(program, {}, book.environment(), filled != nullptr);
        figure.runs.push_back(painted ? t.painted : t.filled);
        if (filled) filled->runs.push_back(t.filled);
    }
    return figure;
}

Figure bareWindowStart(int repeat) {
    Figure figure;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (int r = 0; r < repeat; ++r)
        figure.runs.push_back(startChild(QCoreApplication::applicationFilePath(),
                                         {QStringLiteral("--bare-window")}, env, false)
                                  .painted);
    return figure;
}

void line(const char* what, const QString& figures, const QString& extra = QString()) {
    std::printf("  %-34s %24s  %s\n", what, qPrintable(figures), qPrintable(extra));
    std::fflush(stdout);
}

// The order list's statement as the server is given it, run with libpq alone: every row
// streamed one at a time, every column read as text, no program code in between.
double nativeServerScanMs(const QString& conninfo) {
    PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
    const QByteArray sql = qd::data::pg::translate(qd::data::statements::kOrderRows,
                                                   qd::data::Schema::book()).toUtf8();
    QElapsedTimer timer;
    timer.start();
    PQsendQueryParams(conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    PQsetSingleRowMode(conn);
    long long bytes = 0;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQntuples(r) == 1)
            for (int c = 0; c < 8; ++c) bytes += PQgetlength(r, 0, c) + (PQgetvalue(r, 0, c) != nullptr);
        PQclear(r);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    PQfinish(conn);
    return bytes < 0 ? -ms : ms;
}

// The same list filled from the same orders on a server book: the book copied there with
// --copy-book's own code, then the window's refill timed as on the file.
void serverColumn(qd::bench::Server& server, const QString& file, int orders, int repeat, const Figure& fileRefill) {
    const QString db = server.database(QStringLiteral("bench_%1").arg(orders));
    qd::data::initServerBook(db);
    QElapsedTimer copyTimer;
    copyTimer.start();
    {
        qd::data::Connection from, to;
        from.open(qd::bookConnectionString(qd::parseBookLocation(file)));
        to.open(qd::bookConnectionString(qd::parseBookLocation(db)));
        qd::data::copyBook(from, to);
    }
    const double copyMs = copyTimer.nsecsElapsed() / 1e6;

    nativeServerScanMs(db);  // warm the server's cache
    Figure native;
    for (int r = 0; r < repeat; ++r) native.runs.push_back(nativeServerScanMs(db));

    qd::rememberBook(qd::parseBookLocation(db));
    auto form = std::make_unique<Form1>();
    form->setEndsProgramOnUnload(false);
    form->Form_Load();
    form->show();
    form->ListView1->count();
    QCoreApplication::processEvents();
    Figure refill;
    for (int r = 0; r < repeat; ++r)
        refill.runs.push_back(timed([&] {
            form->RefreshOrderList();
            form->ListView1->count();
            QCoreApplication::processEvents();
        }));
    line("server: --copy-book into it", QString::number(copyMs, 'f', 0));
    line("server: native scan (libpq, text)", cell(native, 1));
    line("server: refill, whole list", cell(refill, 1),
         QStringLiteral("x file refill: %1, x native: %2").arg(ratio(refill, fileRefill), ratio(refill, native)));
    form->close();
    form.reset();
    qd::rememberBook(qd::BookLocation());
}

// Find as the find field runs it, from the first row of the list as last sorted: a PO number
// near the end typed in lower case, and a text no row has (every row is read).
void findFigures(const qd::ui::ListView* list, int repeat) {
    const qd::ui::ListModel* model = list->listModel();
    const int rows = model->rows(), columns = model->columns();
    const QString nearEnd = model->text(std::max(0, rows - 10), 4).toLower();
    const QString missing = QStringLiteral("zz-no-such");
    Figure end, miss, bare;
    int found = -1, missed = -1;
    for (int r = 0; r < repeat; ++r) {
        end.runs.push_back(timed([&] { found = model->findRow(nearEnd, 0); }));
        miss.runs.push_back(timed([&] { missed = model->findRow(missing, 0); }));
    }
    std::vector<QString> texts;
    texts.reserve(std::size_t(rows) * columns);
    for (int row = 0; row < rows; ++row)
        for (int c = 0; c < columns; ++c) texts.push_back(model->text(row, c));
    for (int r = 0; r < repeat; ++r)
        bare.runs.push_back(timed([&] {
            for (const QString& text : texts)
                if (text.contains(missing, Qt::CaseInsensitive)) ++missed;
        }));
    line("find a PO number near the end", cell(end, 1), QStringLiteral("row %1 of %2").arg(found + 1).arg(rows));
    line("find a text no order has", cell(miss, 1),
         QStringLiteral("x QString scan: ") + ratio(miss, bare) + (missed == -1 ? QString() : QStringLiteral(" (found?)")));
    line("QString scan of the same texts", cell(bare, 1));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && QByteArray(argv[1]) == "--bare-window") {
        QApplication app(argc, argv);
        BareWindow window;
        window.show();
        return app.exec();
    }
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int repeat = 5;
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--repeat" && i + 1 < argc)
            repeat = std::max(1, QByteArray(argv[++i]).toInt());
        else
            sizes << QString::fromLocal8Bit(argv[i]).toInt();
    }
    if (sizes.isEmpty()) sizes = {10000, 100000, 1000000};
    std::printf("every figure: min / median / max of %d runs (ratios: min / median), ms unless named otherwise\n", repeat);
    qd::bench::Server server;
    if (!server.ready()) std::printf("no PostgreSQL server could be started: no server figures\n");

    {
        Book empty;
        empty.make(0);
        const Figure bare = bareWindowStart(repeat);
        const Figure painted = startUp(empty, repeat, true, nullptr);
        std::printf("empty order book\n");
        line("bare Qt window: start to paint", cell(bare, 1));
        line("main window: start to paint", cell(painted, 1), QStringLiteral("x bare: ") + ratio(painted, bare));
    }

    for (const int n : sizes) {
        Book book;
        book.make(n);
        std::printf("%d orders\n", n);

        long long rows = 0;
        nativeScanMs(book.path(), &rows);  // warm the file cache
        Figure native;
        for (int r = 0; r < repeat; ++r) native.runs.push_back(nativeScanMs(book.path(), &rows));

        Figure filled;
        const Figure painted = startUp(book, repeat, true, &filled);

        qputenv("XDG_DATA_HOME", QFile::encodeName(book.root.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(book.root.filePath(QStringLiteral("config"))));
        auto form = std::make_unique<Form1>();
        form->setEndsProgramOnUnload(false);
        form->Form_Load();
        form->show();
        form->ListView1->count();  // the whole list
        QCoreApplication::processEvents();

        // Memory: the list emptied, then filled again.
        form->ListView1->clear();
        form->ListView1->listModel()->flush();
        QCoreApplication::processEvents();
        malloc_trim(0);
        const long long before = qd::bench::residentBytes();
        Figure refill;
        long long after = 0;
        for (int r = 0; r < repeat; ++r) {
            refill.runs.push_back(timed([&] {
                form->RefreshOrderList();
                form->ListView1->count();
                QCoreApplication::processEvents();
            }));
            if (r == 0) {
                malloc_trim(0);
                after = qd::bench::residentBytes();
            }
        }
        const int listed = form->ListView1->count();

        auto sortBy = [&](int column) {
            Figure f;
            for (int r = 0; r < repeat; ++r)
                f.runs.push_back(timed([&] {
                    form->ListView1_ColumnClick(column);
                    form->ListView1->count();
                    QCoreApplication::processEvents();
                }));
            return f;
        };
        const Figure byCustomer = sortBy(2);
        const Figure byDate = sortBy(4);
        const Figure byId = sortBy(1);

        line("native scan (C API, typed)", cell(native, 1), QStringLiteral("%1 rows").arg(rows));
        line("refill, whole list", cell(refill, 1), QStringLiteral("x native: ") + ratio(refill, native));
        line("start to main window painted", cell(painted, 1));
        line("start to order list complete", cell(filled, 1), QStringLiteral("x native: ") + ratio(filled, native));
        line("sort by Customer Name", cell(byCustomer, 1));
        line("sort by Order Date", cell(byDate, 1));
        line("sort by ID", cell(byId, 1));
        line("bytes per row, texts included", QString::number(double(after - before) / listed, 'f', 0),
             QStringLiteral("(resident size; the list counts %1)")
                 .arg(double(form->ListView1->listModel()->storeBytes()) / listed, 0, 'f', 0));
        findFigures(form->ListView1, repeat);
        form->close();
        form.reset();
        if (server.ready()) serverColumn(server, book.path(), n, repeat, refill);
    }
    return 0;
}
