// Load Sample/Example Data: a few lookup rows where tables hold fewer than two, and three
// orders with one line each at every press.

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/errortrap.h"
#include "data/recordset.h"
#include "text/textconv.h"

#include <QDate>

#include <array>
#include <cmath>

namespace qd::ui {

namespace {

// A whole number read from a query's single row, as the handler keeps its working values.
long wholeNumber(const QVariant& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (value.isNull() || !ok) throw Error(QStringLiteral("Invalid use of Null"), 94);
    return long(std::llround(number));
}

// The lookup tables the sample orders need, in the order they are filled: at most two rows
// each, then the first and last identifiers. The customers' steps are listed as four, the
// other tables' as one each.
struct SampleLookup {
    std::array<int, 4> lines;
    const char* table;  // as written in the statements
    const char* key;    // table.column
    const char* insert1;
    const char* insert2;
};

const SampleLookup kSampleLookups[] = {
    {{102, 104, 106, 108}, "Customers", "Customers.CustomerID",
     "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Velda','Orrin','Orrin Supplies')",
     "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Cato','Pellam','ZuruVoru Zave Riza')"},
    {{110, 110, 110, 110}, "Employees", "Employees.EmployeeID",
     "insert into Employees ([FirstName],[LastName],[Title]) values ('Arvo','Tindle','Manager')",
     "insert into Employees ([FirstName],[LastName],[Title]) values ('Ferro','Kastell','HR')"},
    {{112, 112, 112, 112}, "[Shipping Methods]", "[Shipping Methods].ShippingMethodID",
     "insert into [Shipping Methods] (ShippingMethod) values ('USPS')",
     "insert into [Shipping Methods] (ShippingMethod) values ('DHL')"},
    {{114, 114, 114, 114}, "Products", "Products.ProductID",
     "insert into Products (ProductName,UnitPrice) values ('Mug',5)",
     "insert into Products (ProductName,UnitPrice) values ('Cup',6.25)"},
};

enum Lookup { Customer, Employee, Shipping, Product };

// The three sample orders, one line each: which of the first or last lookup rows they name.
struct SampleOrder {
    int line;      // the order's insert; its line's insert is line + 4
    bool lastCustomer, lastEmployee;
    const char* po;
    bool lastShipping;
    const char* taxRate;
    bool lastProduct;
    const char* lineValues;  // quantity, price and discount as written
};

const SampleOrder kSampleOrders[] = {
    {116, true, true, "11", true, "0.3", false, ",3,11, Val('0.4'))"},
    {122, false, false, "12", false, "0.4", true, ",1,10,Val('0.25'))"},
    {128, false, true, "31", true, "0.5", false, ",2,15,Val('0.1'))"},
};

}  // namespace

void Form1::PushButton4_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton4_Click"));
    // The handler's steps are numbered 100, 102, ... in order; the statements of one step share
    // its number.
    std::unique_ptr<data::Recordset> rs;
    trap(100, [&] { rs = std::make_unique<data::Recordset>(); });
    auto recordset = [&]() -> data::Recordset& {
        if (!rs) throw Error(QStringLiteral("Object variable or With block variable not set"), 91);
        return *rs;
    };

    // Reads one value with the open / take if a row came / close pattern; the value is set to
    // its default just before, so a failing read leaves the default.
    auto readValue = [&](int line, long& value, long defaultValue, const QString& statement) {
        trap(line, [&] { value = defaultValue; });
        trap(line, [&] {
            recordset().open(statement, AppConnection(), data::Recordset::OpenStatic,
                             data::Recordset::ReadOnly);
        });
        const QString column = statement.contains(QLatin1String("[CountID]")) ? QStringLiteral("CountID")
                                                                              : QStringLiteral("MaxID");
        if (trap.test(line, [&] { return !recordset().eof(); }))
            trap(line, [&] { value = wholeNumber(recordset().field(column)); });
        trap(line, [&] { recordset().close(); });
    };
    auto execute = [&](int line, const QString& statement) {
        trap(line, [&] { AppConnection().execute(statement); });
    };

    long first[4] = {1, 1, 1, 1}, last[4] = {1, 1, 1, 1};
    long lastOrder = 1;
    // One action: the sample rows are stored together or not at all, and while it runs no
    // other program can write, so each "last order" read back is the order just inserted.
    const bool loaded = trap.action(102, AppConnection(), [&] {
        for (int t = 0; t < 4; ++t) {
            const SampleLookup& l = kSampleLookups[t];
            const QString table = QLatin1String(l.table), key = QLatin1String(l.key);
            long rows = 0;
            readValue(l.lines[0], rows, 0,
                      QStringLiteral("SELECT Count(%1) AS [CountID] From %2").arg(key, table));
            for (int i = 1; i <= 2; ++i) {
                if (trap.test(l.lines[i], [&] { return rows < 2; })) {
                    execute(l.lines[i], QLatin1String(i == 1 ? l.insert1 : l.insert2));
                    trap(l.lines[i], [&] { ++rows; });
                }
            }
            readValue(l.lines[3], first[t], 1, QStringLiteral("SELECT First(%1) AS [MaxID] FROM %2").arg(key, table));
            readValue(l.lines[3], last[t], 1, QStringLiteral("SELECT Last(%1) AS [MaxID] FROM %2").arg(key, table));
        }

        auto digits = [](long value) { return QString::number(value); };
        for (const SampleOrder& o : kSampleOrders) {
            const QString today = text::shortDate(QDate::currentDate());
            execute(o.line, QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                           "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                                           "values (") +
                                digits((o.lastCustomer ? last : first)[Customer]) + QLatin1Char(',') +
                                digits((o.lastEmployee ? last : first)[Employee]) +
                                QStringLiteral(",CDate('") + today + QStringLiteral("'),'") +
                                QLatin1String(o.po) + QStringLiteral("',CDate('") + today +
                                QStringLiteral("'),") + digits((o.lastShipping ? last : first)[Shipping]) +
                                QStringLiteral(",Val('") + QLatin1String(o.taxRate) + QStringLiteral("'))"));
            readValue(o.line + 2, lastOrder, 1, QStringLiteral("SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders"));
            // The lists take the new orders in place, on this desk and on the others.
            AppConnection().noteChanges(data::BookChanges::order(lastOrder));
            execute(o.line + 4,
                    QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,"
                                   "Discount) values (") +
                        digits(lastOrder) + QLatin1Char(',') +
                        digits((o.lastProduct ? last : first)[Product]) + QLatin1String(o.lineValues));
        }
    });
    if (!loaded) return;
    trap(134, [&] { TakeChangedOrders(); });
}

}  // namespace qd::ui
