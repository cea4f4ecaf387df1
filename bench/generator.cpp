#include "bench/generator.h"

#include "data/jet.h"

#include <QDate>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <random>
#include <stdexcept>

namespace qd::bench {

namespace {

const char* const kFirst[] = {"Velda", "Cato",  "Arvo",  "Ferro", "Mirela", "Tobin", "Anouk",
                              "Jalen", "Priya", "Rune",  "Sabine", "Emeka", "Lotta", "Idris"};
const char* const kLast[] = {"Orrin",   "Pellam", "Tindle", "Kastell", "Ostrova", "Brandt",
                             "Okafor",  "Lindqvist", "Marsh", "Quintero", "Haddad", "Novak"};
const char* const kTrade[] = {"Supplies", "Trading", "Hardware", "Logistics", "Provisions",
                              "& Sons",   "Works",   "Outfitters", "Imports"};
const char* const kGoods[] = {"Mug",     "Cup",    "Anvil",  "Lantern", "Rope 10 m", "Crate",
                              "Hammer",  "Chisel", "Kettle", "Blanket", "Tin Plate", "Saw"};
const char* const kShipping[] = {"USPS", "DHL", "UPS", "FedEx", "Pickup"};

class Book {
public:
    explicit Book(const QString& path) {
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) != SQLITE_OK)
            fail("open");
        run("PRAGMA journal_mode = OFF");
        run("PRAGMA synchronous = OFF");
        run("BEGIN");
    }
    ~Book() { sqlite3_close(m_db); }

    void commit() { run("COMMIT"); }
    void run(const char* sql) {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(sql);
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) fail(sql);
        return stmt;
    }
    void step(sqlite3_stmt* stmt) {
        if (sqlite3_step(stmt) != SQLITE_DONE) fail("insert");
        sqlite3_reset(stmt);
    }
    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(m_db));
    }

private:
    sqlite3* m_db = nullptr;
};

void bindText(sqlite3_stmt* stmt, int column, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

template <class T, std::size_t N>
constexpr int count(const T (&)[N]) { return int(N); }

}  // namespace

void fillOrderBook(const QString& path, int orders, unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    Book book(path);

    const int customers = 400, employees = 40, products = 60;
    sqlite3_stmt* customer = book.prepare(
        "insert into Customers (FirstName, LastName, CompanyName) values (?, ?, ?)");
    for (int i = 0; i < customers; ++i) {
        const QString last = QString::fromUtf8(kLast[pick(count(kLast))]);
        bindText(customer, 1, QString::fromUtf8(kFirst[pick(count(kFirst))]));
        bindText(customer, 2, last);
        bindText(customer, 3, QStringLiteral("%1 %2 %3").arg(last).arg(QString::fromUtf8(
                                  kTrade[pick(count(kTrade))])).arg(i + 1));
        book.step(customer);
    }
    sqlite3_finalize(customer);
    sqlite3_stmt* employee =
        book.prepare("insert into Employees (FirstName, LastName, Title) values (?, ?, ?)");
    for (int i = 0; i < employees; ++i) {
        bindText(employee, 1, QString::fromUtf8(kFirst[pick(count(kFirst))]));
        bindText(employee, 2, QString::fromUtf8(kLast[pick(count(kLast))]));
        bindText(employee, 3, i == 0 ? QStringLiteral("Manager") : QStringLiteral("Sales"));
        book.step(employee);
    }
    sqlite3_finalize(employee);
    sqlite3_stmt* shipping = book.prepare("insert into [Shipping Methods] (ShippingMethod) values (?)");
    for (const char* name : kShipping) {
        bindText(shipping, 1, QString::fromUtf8(name));
        book.step(shipping);
    }
    sqlite3_finalize(shipping);
    sqlite3_stmt* product = book.prepare("insert into Products (ProductName, UnitPrice) values (?, ?)");
    for (int i = 0; i < products; ++i) {
        bindText(product, 1, QStringLiteral("%1 No. %2").arg(QString::fromUtf8(
                                 kGoods[i % count(kGoods)])).arg(i + 1));
        sqlite3_bind_double(product, 2, (50 + pick(50000)) / 100.0);
        book.step(product);
    }
    sqlite3_finalize(product);

    sqlite3_stmt* order = book.prepare(
        "insert into Orders (CustomerID, EmployeeID, OrderDate, PurchaseOrderNumber, ShipDate, "
        "ShippingMethodID, SalesTaxRate) values (?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* line = book.prepare(
        "insert into [Order Details] (OrderID, ProductID, Quantity, UnitPrice, Discount) "
        "values (?, ?, ?, ?, ?)");
    const QDate first(2019, 1, 1);
    const double taxRates[] = {0, 0.0725, 0.0825, 0.19, 0.2};
    const double discounts[] = {0, 0, 0, 0.05, 0.1, 0.125, 0.25};
    for (int id = 1; id <= orders; ++id) {
        const QDate ordered = first.addDays(pick(8 * 365));
        const QDate shipped = ordered.addDays(1 + pick(10));
        sqlite3_bind_int(order, 1, 1 + pick(customers));
        sqlite3_bind_int(order, 2, 1 + pick(employees));
        bindText(order, 3, data::jet::isoDate(ordered.year(), ordered.month(), ordered.day()));
        bindText(order, 4, QStringLiteral("PO-%1").arg(100000 + id));
        bindText(order, 5, data::jet::isoDate(shipped.year(), shipped.month(), shipped.day()));
        sqlite3_bind_int(order, 6, 1 + pick(count(kShipping)));
        sqlite3_bind_double(order, 7, taxRates[pick(count(taxRates))]);
        book.step(order);
        for (int n = 1 + pick(3); n > 0; --n) {
            sqlite3_bind_int(line, 1, id);
            sqlite3_bind_int(line, 2, 1 + pick(products));
            sqlite3_bind_int(line, 3, 1 + pick(20));
            sqlite3_bind_double(line, 4, (50 + pick(50000)) / 100.0);
            sqlite3_bind_double(line, 5, discounts[pick(count(discounts))]);
            book.step(line);
        }
    }
    sqlite3_finalize(order);
    sqlite3_finalize(line);
    book.commit();
}

QString cell(const Figure& f, int decimals) {
    return QStringLiteral("%1 / %2 / %3")
        .arg(f.min(), 0, 'f', decimals)
        .arg(f.median(), 0, 'f', decimals)
        .arg(f.max(), 0, 'f', decimals);
}

QString ratio(const Figure& ours, const Figure& bare, int decimals) {
    auto of = [decimals](double a, double b) { return QString::number(b > 0 ? a / b : 0, 'f', decimals); };
    return of(ours.min(), bare.min()) + QStringLiteral(" / ") + of(ours.median(), bare.median());
}

long long residentBytes() {
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

}  // namespace qd::bench
