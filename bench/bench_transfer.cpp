// Orders out and in as CSV at size: --export-orders against a bare read of the same join
// through SQLite's C API, --import-orders against a bare load of the same rows (statements
// prepared once, one transaction), and on a server against COPY of the same rows; the import's
// peak memory beside the file's size.
//
//     bench_transfer [LINES]      (default 1000000 order lines)

#include "bench/benchserver.h"
#include "bench/generator.h"
#include "data/connection.h"
#include "data/engine.h"
#include "data/jet.h"
#include "data/pgengine.h"
#include "data/schema.h"
#include "transfer/orderfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

using namespace qd;
using bench::Figure;

namespace {

constexpr int kRuns = 3;

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

QString fileBook(const QString& path) {
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=%1;JET OLEDB:Database Password=").arg(path);
}

long long peakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

// SQLite alone: the export's join stepped through, every value of every row read.
void bareRead(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray sql = data::jet::translate(transfer::exportStatement()).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    long long bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            if (sqlite3_column_type(stmt, c) == SQLITE_TEXT) bytes += sqlite3_column_bytes(stmt, c);
            else bytes += sqlite3_column_int64(stmt, c);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (bytes == 42) std::puts("");
}

// The rows of a book as SQLite gives them, to load elsewhere.
struct Rows {
    QList<QList<QVariant>> lookups[4];
    QList<QList<QVariant>> orders, lines;
};

QVariant value(sqlite3_stmt* stmt, int c) {
    switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_NULL: return QVariant();
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(stmt, c)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, c));
    default: return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
    }
}

const char* const kTables[] = {"Customers", "Employees", "[Shipping Methods]", "Products", "Orders", "[Order Details]"};

Rows readRows(const QString& path) {
    Rows rows;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (int t = 0; t < 6; ++t) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, (QByteArray("select * from ") + kTables[t]).constData(), -1, &stmt, nullptr);
        auto& into = t < 4 ? rows.lookups[t] : t == 4 ? rows.orders : rows.lines;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QList<QVariant> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) row << value(stmt, c);
            into << row;
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return rows;
}

// SQLite alone: the same rows into an empty book, each table's insert prepared once, in one
// transaction.
void bareLoad(const QString& path, const Rows& rows) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (int t = 0; t < 6; ++t) {
        const auto& table = t < 4 ? rows.lookups[t] : t == 4 ? rows.orders : rows.lines;
        if (table.isEmpty()) continue;
        QByteArray sql = QByteArray("insert into ") + QByteArray(kTables[t]).replace('[', '"').replace(']', '"') + " values (";
        for (int c = 0; c < table.first().size(); ++c) sql += c ? ",?" : "?";
        sql += ")";
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        for (const auto& row : table) {
            for (int c = 0; c < row.size(); ++c) {
                const QVariant& v = row[c];
                if (v.isNull()) sqlite3_bind_null(stmt, c + 1);
                else if (v.typeId() == QMetaType::LongLong) sqlite3_bind_int64(stmt, c + 1, v.toLongLong());
                else if (v.typeId() == QMetaType::Double) sqlite3_bind_double(stmt, c + 1, v.toDouble());
                else {
                    const QByteArray text = v.toString().toUtf8();
                    sqlite3_bind_text(stmt, c + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                }
            }
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The server alone: the same rows by COPY in one transaction, and the export's join read back
// by COPY TO.
QByteArray copyText(const QList<QList<QVariant>>& table) {
    QByteArray out;
    for (const auto& row : table) {
        for (int c = 0; c < row.size(); ++c) {
            if (c) out += '\t';
            const QVariant& v = row[c];
            if (v.isNull()) out += "\\N";
            else if (v.typeId() == QMetaType::Double) out += QByteArray::number(v.toDouble(), 'g', 17);
            else out += v.toString().toUtf8().replace('\\', "\\\\").replace('\t', "\\t").replace('\n', "\\n").replace('\r', "\\r");
        }
        out += '\n';
    }
    return out;
}

void bareCopyIn(const QString& conninfo, const Rows& rows) {
    PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
    PQclear(PQexec(conn, "BEGIN"));
    for (int t = 0; t < 6; ++t) {
        const auto& table = t < 4 ? rows.lookups[t] : t == 4 ? rows.orders : rows.lines;
        const QByteArray name = QByteArray(kTables[t]).replace('[', "").replace(']', "");
        PQclear(PQexec(conn, "COPY \"" + name + "\" FROM STDIN"));
        const QByteArray text = copyText(table);
        PQputCopyData(conn, text.constData(), int(text.size()));
        PQputCopyEnd(conn, nullptr);
        while (PGresult* r = PQgetResult(conn)) PQclear(r);
    }
    PQclear(PQexec(conn, "COMMIT"));
    PQfinish(conn);
}

void bareCopyOut(const QString& conninfo) {
    PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
    // The export's join as the server's own SQL, read whole by COPY.
    const QByteArray sql = "COPY (SELECT o.\"OrderID\", c.\"CompanyName\", e.\"FirstName\", e.\"LastName\", "
        "o.\"OrderDate\", o.\"ShipDate\", o.\"PurchaseOrderNumber\", s.\"ShippingMethod\", o.\"SalesTaxRate\", "
        "p.\"ProductName\", d.\"Quantity\", d.\"UnitPrice\", d.\"Discount\" FROM \"Orders\" o "
        "LEFT JOIN \"Customers\" c ON c.\"CustomerID\" = o.\"CustomerID\" "
        "LEFT JOIN \"Employees\" e ON e.\"EmployeeID\" = o.\"EmployeeID\" "
        "LEFT JOIN \"Shipping Methods\" s ON s.\"ShippingMethodID\" = o.\"ShippingMethodID\" "
        "LEFT JOIN \"Order Details\" d ON d.\"OrderID\" = o.\"OrderID\" "
        "LEFT JOIN \"Products\" p ON p.\"ProductID\" = d.\"ProductID\" "
        "ORDER BY o.\"OrderID\", d.\"OrderDetailID\") TO STDOUT WITH (FORMAT csv)";
    PQclear(PQexec(conn, sql.constData()));
    char* buffer = nullptr;
    long long bytes = 0;
    for (int n; (n = PQgetCopyData(conn, &buffer, 0)) > 0;) {
        bytes += n;
        PQfreemem(buffer);
    }
    while (PGresult* r = PQgetResult(conn)) PQclear(r);
    PQfinish(conn);
    if (bytes == 42) std::puts("");
}

void initServerBook(const QString& conninfo) {
    data::PostgresEngine engine(conninfo, data::PostgresEngine::Check::Anything);
    for (const QString& s : data::Schema::book().postgresScript()) engine.executeNative(s);
}

void row(const char* what, const Figure& ours, const Figure& bare) {
    std::printf("| %s | %s | %s | %s |\n", what, qPrintable(bench::cell(ours)), qPrintable(bench::cell(bare)),
                qPrintable(bench::ratio(ours, bare)));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.mdb"));
    const QString blank = QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb");
    QFile::copy(blank, source);
    QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner);
    bench::fillOrderBook(source, lines / 2);  // one to three lines an order, two on average
    const QString csv = dir.filePath(QStringLiteral("orders.csv"));

    Figure exportOurs, exportBare, importOurs, importBare;
    qint64 written = 0;
    for (int run = 0; run < kRuns; ++run) {
        exportOurs.runs.push_back(timed([&] {
            data::Connection book;
            book.open(fileBook(source));
            QFile out(csv);
            out.open(QIODevice::WriteOnly);
            written = transfer::writeOrders(book, out);
        }));
        exportBare.runs.push_back(timed([&] { bareRead(source); }));
    }
    const double fileMb = QFile(csv).size() / 1e6;
    std::printf("Order lines: %lld, CSV file %.0f MB. Times in ms, min / median / max of %d runs.\n\n",
                written, fileMb, kRuns);
    std::printf("| work | ours | bare | ours / bare |\n|---|---|---|---|\n");
    row("export, file book (bare: SQLite stepping the same join)", exportOurs, exportBare);

    const Rows rows = readRows(source);
    long long peakGrowth = 0;
    for (int run = 0; run < kRuns; ++run) {
        const QString target = dir.filePath(QStringLiteral("in%1.mdb").arg(run));
        QFile::copy(blank, target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        const long long before = bench::residentBytes();
        importOurs.runs.push_back(timed([&] {
            data::Connection book;
            book.open(fileBook(target));
            QFile in(csv);
            in.open(QIODevice::ReadOnly);
            const transfer::ImportSummary s = transfer::readOrders(book, in, false);
            if (!s.stored) std::printf("import failed: %s\n", qPrintable(s.text()));
        }));
        peakGrowth = std::max(peakGrowth, peakResidentBytes() - before);
        QFile::remove(target);
        const QString bare = dir.filePath(QStringLiteral("bare%1.mdb").arg(run));
        QFile::copy(blank, bare);
        QFile::setPermissions(bare, QFile::ReadOwner | QFile::WriteOwner);
        importBare.runs.push_back(timed([&] { bareLoad(bare, rows); }));
        QFile::remove(bare);
    }
    row("import, file book (bare: SQLite prepared inserts, one transaction)", importOurs, importBare);

    bench::Server server;
    if (server.ready()) {
        Figure serverIn, copyIn, serverOut, copyOut;
        for (int run = 0; run < kRuns; ++run) {
            const QString ours = server.database(QStringLiteral("qd_transfer_ours"));
            initServerBook(ours);
            serverIn.runs.push_back(timed([&] {
                data::Connection book;
                book.open(std::make_unique<data::PostgresEngine>(ours));
                QFile in(csv);
                in.open(QIODevice::ReadOnly);
                transfer::readOrders(book, in, false);
            }));
            serverOut.runs.push_back(timed([&] {
                data::Connection book;
                book.open(std::make_unique<data::PostgresEngine>(ours));
                QFile out(dir.filePath(QStringLiteral("server.csv")));
                out.open(QIODevice::WriteOnly);
                transfer::writeOrders(book, out);
            }));
            const QString bare = server.database(QStringLiteral("qd_transfer_bare"));
            initServerBook(bare);
            copyIn.runs.push_back(timed([&] { bareCopyIn(bare, rows); }));
            copyOut.runs.push_back(timed([&] { bareCopyOut(bare); }));
        }
        row("import, server book (bare: COPY of the same rows)", serverIn, copyIn);
        row("export, server book (bare: COPY TO of the same join)", serverOut, copyOut);
    } else {
        std::printf("(no PostgreSQL server: the server figures are left out)\n");
    }
    std::printf("\nImport's peak memory growth: %.0f MB for a %.0f MB file (the whole file is never held).\n",
                peakGrowth / 1e6, fileMb);
    return 0;
}
