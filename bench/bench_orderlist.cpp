// How the main window's order list keeps up with a big order book: the refill against the same
// statement stepped through SQLite alone, column-click sorts, memory per row, and the find field
// against a plain case-insensitive QString search of the same texts.
//
//     bench_orderlist [N ...]      (default 10000 100000 1000000)

#include "app/appconnection.h"
#include "bench/generator.h"
#include "data/connection.h"
#include "data/jet.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/orderstatements.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>
#include <sqlite3.h>

#include <cstdio>

using qd::ui::Form1;

namespace {


// The same statement stepped through with the C API alone, every column read as text.
double bareScanMs(const QString& path, long long* rows) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                    SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    qd::data::jet::registerFunctions(db);
    const QString sql = qd::data::jet::translate(qd::order::kOrderRows);
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare16_v2(db, sql.utf16(), -1, &stmt, nullptr);
    long long n = 0, chars = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < 8; ++c) {
            sqlite3_column_text16(stmt, c);
            chars += sqlite3_column_bytes16(stmt, c);
        }
        ++n;
    }
    sqlite3_finalize(stmt);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    *rows = n + (chars < 0);  // keeps the reads from being optimised away
    return ms;
}

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

long long textBytes(const qd::ui::ListView* list) {
    long long bytes = 0;
    for (int i = 1; i <= list->count(); ++i) {
        bytes += list->itemText(i).size();
        for (int s = 1; s < list->columnCount(); ++s) bytes += list->subItemText(i, s).size();
    }
    return bytes * 2;
}

// Find as the find field runs it, from the first row: a PO number near the end typed in lower
// case, and a text no row has (the whole list is read). The bare search holds the same texts
// as QStrings and asks QString::contains, case-insensitive, row after row.
void findFigures(const qd::ui::ListView* list) {
    const qd::ui::ListModel* model = list->listModel();
    const int rows = model->rows(), columns = model->columns();
    const QString nearEnd = model->text(std::max(0, rows - 10), 4).toLower();
    const QString missing = QStringLiteral("zz-no-such");
    int found = -1, missed = 0;
    const double end = timed([&] { found = model->findRow(nearEnd, 0); });
    const double miss = timed([&] { missed = model->findRow(missing, 0); });
    std::vector<QString> texts;
    texts.reserve(std::size_t(rows) * columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) texts.push_back(model->text(r, c));
    long long bareFound = -1;
    const double bare = timed([&] {
        for (std::size_t i = 0; i < texts.size() && bareFound < 0; ++i)
            if (texts[i].contains(missing, Qt::CaseInsensitive)) bareFound = (long long)i;
    });
    std::printf("%9d find near the end %.1f ms (row %d), miss %.1f ms (%d); QString scan %.1f ms, "
                "ratio %.2f\n",
                rows, end, found + 1, miss, missed, bare, miss / bare);
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir root;
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {10000, 100000, 1000000};

    const QString folder = root.filePath(QStringLiteral("data/Brisklane/Quarrydesk"));
    const QString book = folder + QStringLiteral("/dbData.mdb");
    std::printf("%9s %10s %10s %8s %12s %12s %10s %10s\n", "orders", "refill ms", "sqlite ms",
                "ratio", "sort name ms", "sort date ms", "B/row rss", "B/row list");
    for (const int n : sizes) {
        QDir().mkpath(folder);
        QFile::remove(book);
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb"), book);
        QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
        qd::bench::fillOrderBook(book, n);

        long long rows = 0;
        bareScanMs(book, &rows);  // warm the file cache
        const double bare = bareScanMs(book, &rows);

        auto form = std::make_unique<Form1>();
        form->setEndsProgramOnUnload(false);
        form->Form_Load();
        form->show();
        QCoreApplication::processEvents();
        // Memory: the list emptied, then filled again.
        form->ListView1->clear();
        form->ListView1->listModel()->flush();
        QCoreApplication::processEvents();
        malloc_trim(0);
        const long long before = qd::bench::residentBytes();
        const double refill = timed([&] {
            form->RefreshOrderList();
            form->ListView1->listModel()->flush();
            QCoreApplication::processEvents();
        });
        malloc_trim(0);
        const long long after = qd::bench::residentBytes();
        const long long texts = textBytes(form->ListView1);
        const int listed = form->ListView1->count();

        auto sortBy = [&](int column) {
            return timed([&] {
                form->ListView1_ColumnClick(column);
                form->ListView1->listModel()->flush();
                QCoreApplication::processEvents();
            });
        };
        const double sortName = sortBy(2);
        const double sortDate = sortBy(4);
        std::printf("%9d %10.1f %10.1f %8.2f %12.1f %12.1f %10.0f %10.0f\n", listed, refill, bare,
                    refill / bare, sortName, sortDate, double(after - before - texts) / listed,
                    double(form->ListView1->listModel()->overheadBytes()) / listed);
        std::fflush(stdout);
        findFigures(form->ListView1);
        form->close();
        form.reset();
    }
    return 0;
}
