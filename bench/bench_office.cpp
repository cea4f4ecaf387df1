// How the shared order book answers across a network, and how fast a desk's own change is in
// its list. Every figure is measured in one run beside its bare thing:
//   - through a delaying TCP proxy of its own (0, 10 and 50 ms round trip) to a throwaway
//     PostgreSQL server: the real program started as a child process, to its window painted
//     and to its order list complete; and in this process, on the real windows, the editor's
//     opening, a new order's Save with three lines, an edit's Save, the whole edit (from the
//     click to the list current) and a delete; each with the trips the engine counted, and
//     against a bare libpq "SELECT 1" through the same proxy (what one trip costs);
//   - on a file of a million orders: from a desk's own save, edit or delete to its list
//     current, against a bare QTreeView over as many rows taking the same change, and against
//     SQLite's C API reading the changed order's row by the native statement.
// The machine is shared, so each figure is measured several times: min / median / max.
//
//     bench_office [--repeat R] [--orders N] [--file-orders M] [RTT ...]
//                  (default 3, 10000, 1000000, round trips 0 10 50 ms)

#include "app/appconnection.h"
#include "app/book.h"
#include "bench/benchserver.h"
#include "bench/delayproxy.h"
#include "bench/generator.h"
#include "data/bookcopy.h"
#include "data/bookstatements.h"
#include "data/connection.h"
#include "data/jet.h"
#include "support/scripteddialogs.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

using qd::bench::cell;
using qd::bench::Figure;
using qd::bench::ratio;
using qd::ui::Form1;
using qd::ui::Form2;
using qd::ui::Form3;

namespace {

double msSince(const QElapsedTimer& clock) { return clock.nsecsElapsed() / 1e6; }

// The time in bare trips; none where a trip costs next to nothing (no delay).
QString trips(const Figure& f, const Figure& bare) {
    return bare.min() > 0.5 ? ratio(f, bare, 1) : QStringLiteral("0 / 0");
}

// What one round of the user's actions measured: times in ms and the engine's trips.
struct Actions {
    Figure opening, saveNew, saveEdit, edit, remove, current;
    long long openingTrips = 0, saveNewTrips = 0, saveEditTrips = 0, editTrips = 0, removeTrips = 0;
};

long long engineTrips() { return qd::AppConnection().engine().roundTrips(); }

// The editor's Save button pressed, timed, its trips counted.
void timedSave(Form2* editor, Figure& time, long long& trips) {
    QElapsedTimer clock;
    clock.start();
    const long long before = engineTrips();
    editor->PushButton2_Click();
    time.runs.push_back(msSince(clock));
    trips = engineTrips() - before;
}

// A new order with three lines, an edit of it and its delete, on the real windows, `repeat`
// times; the main window is open on the book already.
void userActions(Form1& main, ScriptedDialogs& dialogs, int repeat, Actions& a) {
    auto addLine = [&](int product) {
        dialogs.windows.enqueue([product](QDialog* window) {
            auto* line = static_cast<Form3*>(window);
            line->Combo1->setCurrentIndex(product);
            line->Combo1_Click();
            line->Text1->setText(QStringLiteral("2"));
            line->PushButton2_Click();
        });
    };
    for (int r = 0; r < repeat; ++r) {
        QElapsedTimer clock;
        long long before = 0;
        dialogs.windows.enqueue([&](QDialog* window) {
            a.opening.runs.push_back(msSince(clock));
            a.openingTrips = engineTrips() - before;
            auto* f = static_cast<Form2*>(window);
            f->Combo1->setCurrentIndex(0);
            f->Combo2->setCurrentIndex(0);
            f->Combo3->setCurrentIndex(0);
            f->Text1->setText(QStringLiteral("bench"));
            for (int i = 0; i < 3; ++i) {
                addLine(i);
                f->PushButton9_Click();
            }
            timedSave(f, a.saveNew, a.saveNewTrips);
        });
        before = engineTrips();
        clock.start();
        main.PushButton2_Click();

        dialogs.windows.enqueue([&](QDialog* window) {
            auto* f = static_cast<Form2*>(window);
            f->Text1->setText(QStringLiteral("bench %1").arg(r));
            timedSave(f, a.saveEdit, a.saveEditTrips);
        });
        before = engineTrips();
        clock.start();
        main.PushButton1_Click();
        a.edit.runs.push_back(msSince(clock));
        a.editTrips = engineTrips() - before;

        dialogs.answers << qd::Answer::Yes;
        before = engineTrips();
        clock.start();
        main.PushButton3_Click();
        a.remove.runs.push_back(msSince(clock));
        a.removeTrips = engineTrips() - before;
    }
}

// The real program on the book, to its window painted and to its list complete.
void startUp(const QString& book, int repeat, Figure& painted, Figure& filled) {
    for (int r = 0; r < repeat; ++r) {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUARRYDESK_STARTUP_PROBE"), QStringLiteral("1"));
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quarrydesk"),
                    {QStringLiteral("--book"), book});
        QByteArray out;
        double paintedAt = -1, filledAt = -1;
        while (filledAt < 0 && child.waitForReadyRead(120000)) {
            out += child.readAllStandardOutput();
            if (paintedAt < 0 && out.contains("painted")) paintedAt = msSince(clock);
            if (out.contains("filled")) filledAt = msSince(clock);
        }
        child.waitForFinished(60000);
        painted.runs.push_back(paintedAt);
        filled.runs.push_back(filledAt);
    }
}

// One libpq "SELECT 1" through the proxy: what a trip costs there.
Figure bareTrip(const QString& conninfo, int repeat) {
    PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
    Figure f;
    for (int r = 0; r < repeat * 3; ++r) {
        QElapsedTimer clock;
        clock.start();
        PQclear(PQexec(conn, "SELECT 1"));
        f.runs.push_back(msSince(clock));
    }
    PQfinish(conn);
    return f;
}

void serverRows(qd::bench::Server& server, const QString& file, const QList<int>& roundTrips, int repeat) {
    const QString db = server.database(QStringLiteral("bench_office"));
    qd::data::initServerBook(db);
    {
        qd::data::Connection from, to;
        from.open(qd::bookConnectionString(qd::parseBookLocation(file)));
        to.open(qd::bookConnectionString(qd::parseBookLocation(db)));
        qd::data::copyBook(from, to);
    }
    // The server's Unix socket, which the proxy passes to.
    const QString admin = server.admin();
    const QString host = admin.section(QStringLiteral("host="), 1).section(u' ', 0, 0);
    const QString port = admin.section(QStringLiteral("port="), 1).section(u' ', 0, 0);
    std::printf("\n| round trip | bare trip | start to window painted | start to list complete | "
                "editor's opening | Save, new order with 3 lines | Save, edit | edit, click to list "
                "current | delete, click to list current |\n|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const int rtt : roundTrips) {
        qd::bench::DelayProxy proxy(host + QStringLiteral("/.s.PGSQL.") + port, rtt);
        const QString book = QStringLiteral("host=127.0.0.1 port=%1 user=quarrydesk dbname=bench_office")
                                 .arg(proxy.port());
        const Figure bare = bareTrip(book, repeat);
        Figure painted, filled;
        startUp(book, repeat, painted, filled);

        qd::rememberBook(qd::parseBookLocation(book));
        ScriptedDialogs dialogs;
        Actions a;
        {
            Form1 main;
            main.setEndsProgramOnUnload(false);
            main.Form_Load();
            main.ListView1->count();
            userActions(main, dialogs, repeat, a);
            main.close();
        }
        qd::AppConnectionObject().reset();
        auto withTrips = [&](const Figure& f, long long counted) {
            return QStringLiteral("%1 (%2 %3; %4 bare)")
                .arg(cell(f))
                .arg(counted)
                .arg(counted == 1 ? QStringLiteral("trip") : QStringLiteral("trips"), trips(f, bare));
        };
        std::printf("| %d ms | %s | %s | %s | %s | %s | %s | %s | %s |\n", rtt, qPrintable(cell(bare)),
                    qPrintable(QStringLiteral("%1 (%2 bare)").arg(cell(painted), trips(painted, bare))),
                    qPrintable(cell(filled)), qPrintable(withTrips(a.opening, a.openingTrips)),
                    qPrintable(withTrips(a.saveNew, a.saveNewTrips)),
                    qPrintable(withTrips(a.saveEdit, a.saveEditTrips)),
                    qPrintable(withTrips(a.edit, a.editTrips)),
                    qPrintable(withTrips(a.remove, a.removeTrips)));
        std::fflush(stdout);
        if (!dialogs.unexpected.isEmpty() || dialogs.messages().filter(QStringLiteral("Application")).size())
            std::printf("  (unexpected: %s)\n", qPrintable(dialogs.unexpected.join(u' ')));
    }
    qd::rememberBook(qd::BookLocation());
}

// The order editor's read of one order's row as the data layer hands it to SQLite, stepped
// with SQLite's C API.
double nativeRowMs(const QString& path, long long orderId) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray sql =
        qd::data::jet::translate(qd::data::statements::orderRowStatement(QString::number(orderId)))
            .toUtf8();
    QElapsedTimer clock;
    clock.start();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < 8; ++c) sqlite3_column_text(stmt, c);
    sqlite3_finalize(stmt);
    const double ms = msSince(clock);
    sqlite3_close(db);
    return ms;
}

// A bare table of as many rows, each cell one fixed text, for a bare QTreeView.
class BareRows : public QAbstractTableModel {
public:
    explicit BareRows(int rows) : m_rows(rows) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 8; }
    QVariant data(const QModelIndex& index, int role) const override {
        return index.isValid() && role == Qt::DisplayRole ? QVariant(QStringLiteral("Brisklane Ltd"))
                                                          : QVariant();
    }
    void insertOne(int row) {
        beginInsertRows(QModelIndex(), row, row);
        ++m_rows;
        endInsertRows();
    }
    void moveOne(int from, int to) {
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to);
        endMoveRows();
    }
    void removeOne(int row) {
        beginRemoveRows(QModelIndex(), row, row);
        --m_rows;
        endRemoveRows();
    }

private:
    int m_rows;
};

struct Changes {
    Figure added, edited, removed;
};

// The same changes in a bare QTreeView set up as the list is (shown, the same size, a row
// selected), each to its layout and paint done.
Changes bareTreeView(int rows, QSize size, int repeat) {
    BareRows model(rows);
    QTreeView view;
    view.setRootIsDecorated(false);
    view.setItemsExpandable(false);
    view.setUniformRowHeights(true);
    view.setAllColumnsShowFocus(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setModel(&model);
    view.resize(size);
    view.show();
    view.setCurrentIndex(model.index(rows / 2, 0));
    QCoreApplication::processEvents();
    Changes bare;
    auto timed = [](Figure& f, const std::function<void()>& change) {
        QElapsedTimer clock;
        clock.start();
        change();
        QCoreApplication::processEvents();
        f.runs.push_back(msSince(clock));
    };
    for (int r = 0; r < repeat; ++r) {
        timed(bare.added, [&] { model.insertOne(rows / 2); });
        timed(bare.edited, [&] { model.moveOne(rows / 2, 0); });
        timed(bare.removed, [&] { model.removeOne(0); });
    }
    return bare;
}

// A desk's own changes on a big file: from the editor closing (or the delete's Yes) to its
// list current, laid out and painted.
void fileRows(const QString& file, int orders, int repeat) {
    qd::rememberBook(qd::parseBookLocation(file));
    ScriptedDialogs dialogs;
    Figure added, edited, removed, native;
    Changes bare;
    {
        Form1 main;
        main.setEndsProgramOnUnload(false);
        main.Form_Load();
        main.ListView1->count();
        main.ListView1->sortByColumnClick(2);  // by customer: a new row goes in the middle
        main.show();
        QCoreApplication::processEvents();
        bare = bareTreeView(main.ListView1->count(), main.ListView1->size(), repeat);
        QElapsedTimer clock;
        auto closeAndTime = [&](Form2* f) {
            f->PushButton2_Click();
            clock.start();  // the editor has closed; the rest is the list's
        };
        auto settled = [&](Figure& f, const QElapsedTimer& from) {
            QCoreApplication::processEvents();
            f.runs.push_back(msSince(from));
        };
        for (int r = 0; r < repeat; ++r) {
            dialogs.windows.enqueue([&](QDialog* window) {
                auto* f = static_cast<Form2*>(window);
                f->Combo1->setCurrentIndex(f->Combo1->count() / 2);
                f->Combo2->setCurrentIndex(0);
                f->Combo3->setCurrentIndex(0);
                f->Text1->setText(QStringLiteral("own"));
                dialogs.windows.enqueue([](QDialog* w) {
                    auto* line = static_cast<Form3*>(w);
                    line->Combo1->setCurrentIndex(0);
                    line->Combo1_Click();
                    line->Text1->setText(QStringLiteral("1"));
                    line->PushButton2_Click();
                });
                f->PushButton9_Click();
                closeAndTime(f);
            });
            main.PushButton2_Click();
            settled(added, clock);
            const long long id = main.ListView1->selectedText().toLongLong();
            native.runs.push_back(nativeRowMs(file, id));

            dialogs.windows.enqueue([&](QDialog* window) {
                auto* f = static_cast<Form2*>(window);
                f->Combo1->setCurrentIndex(0);  // to the top of the sorted list
                closeAndTime(f);
            });
            main.PushButton1_Click();
            settled(edited, clock);

            main.ListView1->chooseIndex(main.ListView1->indexOfKey(id));
            dialogs.answers << qd::Answer::Yes;
            QElapsedTimer remove;
            remove.start();
            main.PushButton3_Click();
            settled(removed, remove);
        }
        main.close();
    }
    qd::AppConnectionObject().reset();
    qd::rememberBook(qd::BookLocation());
    std::printf("\nA desk's own change on a file of %d orders, the list sorted by customer, to its "
                "layout and paint done, ms (min / median / max; ratios min / median):\n\n"
                "| change | to the list current | bare QTreeView, the same change | x bare | native row "
                "read | x native |\n|---|---:|---:|---:|---:|---:|\n", orders);
    auto row = [&](const char* what, const Figure& f, const Figure& view) {
        std::printf("| %s | %s | %s | %s | %s | %s |\n", what, qPrintable(cell(f)), qPrintable(cell(view)),
                    qPrintable(ratio(f, view)), qPrintable(cell(native, 2)), qPrintable(ratio(f, native, 0)));
    };
    row("save of a new order", added, bare.added);
    row("save of an edit (the row moves)", edited, bare.edited);
    row("delete (its question answered)", removed, bare.removed);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int repeat = 3, orders = 10000, fileOrders = 1000000;
    QList<int> roundTrips;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--repeat") && i + 1 < args.size()) repeat = args[++i].toInt();
        else if (args[i] == QLatin1String("--orders") && i + 1 < args.size()) orders = args[++i].toInt();
        else if (args[i] == QLatin1String("--file-orders") && i + 1 < args.size()) fileOrders = args[++i].toInt();
        else roundTrips << args[i].toInt();
    }
    if (roundTrips.isEmpty()) roundTrips = {0, 10, 50};

    qd::bench::Server server;
    if (!server.ready()) {
        std::fprintf(stderr, "no PostgreSQL server could be started\n");
        return 1;
    }
    const QString small = home.filePath(QStringLiteral("small.mdb"));
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb"), small);
    QFile::setPermissions(small, QFile::ReadOwner | QFile::WriteOwner);
    qd::bench::fillOrderBook(small, orders);
    std::printf("A server book of %d orders through a proxy that delays each way by half the round "
                "trip; ms (min / median / max of %d), the trips the engine counted, and the time in bare "
                "libpq trips through the same proxy:\n", orders, repeat);
    serverRows(server, small, roundTrips, repeat);

    if (fileOrders > 0) {
        const QString big = home.filePath(QStringLiteral("big.mdb"));
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb"), big);
        QFile::setPermissions(big, QFile::ReadOwner | QFile::WriteOwner);
        qd::bench::fillOrderBook(big, fileOrders);
        fileRows(big, fileOrders, repeat);
    }
    return 0;
}
