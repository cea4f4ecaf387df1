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
    auto readValue = [&](int line, long& value, long defaultValue, const QString& statement,
                         const QString& column) {
        trap(line, [&] { value = defaultValue; });
        trap(line, [&] {
            recordset().open(statement, AppConnection(), data::Recordset::OpenStatic,
                             data::Recordset::ReadOnly);
        });
        if (trap.test(line, [&] { return !recordset().eof(); }))
            trap(line, [&] { value = wholeNumber(recordset().field(column)); });
        trap(line, [&] { recordset().close(); });
    };
    auto execute = [&](int line, const QString& statement) {
        trap(line, [&] { AppConnection().execute(statement); });
    };
    // Count, up to two inserts, then the first and last identifiers. The customers' pattern is
    // listed as four steps, the other tables' as one each.
    auto lookupTable = [&](std::array<int, 4> lines, const QString& countQuery,
                           const QString& insert1, const QString& insert2,
                           const QString& firstQuery, const QString& lastQuery, long& first,
                           long& last) {
        long rows = 0;
        readValue(lines[0], rows, 0, countQuery, QStringLiteral("CountID"));
        if (trap.test(lines[1], [&] { return rows < 2; })) {
            execute(lines[1], insert1);
            trap(lines[1], [&] { ++rows; });
        }
        if (trap.test(lines[2], [&] { return rows < 2; })) {
            execute(lines[2], insert2);
            trap(lines[2], [&] { ++rows; });
        }
        readValue(lines[3], first, 1, firstQuery, QStringLiteral("MaxID"));
        readValue(lines[3], last, 1, lastQuery, QStringLiteral("MaxID"));
    };

    long firstCustomer = 1, lastCustomer = 1, firstEmployee = 1, lastEmployee = 1;
    long firstShipping = 1, lastShipping = 1, firstProduct = 1, lastProduct = 1, lastOrder = 1;
    // One action: the sample rows are stored together or not at all, and while it runs no
    // other program can write, so each "last order" read back is the order just inserted.
    const bool loaded = trap.action(102, AppConnection(), [&] {
        lookupTable({102, 104, 106, 108}, QStringLiteral("SELECT Count(Customers.CustomerID) AS [CountID] From Customers"),
                    QStringLiteral("insert into Customers ([FirstName],[LastName],[CompanyName]) "
                                   "values ('Velda','Orrin','Orrin Supplies')"),
                    QStringLiteral("insert into Customers ([FirstName],[LastName],[CompanyName]) "
                                   "values ('Cato','Pellam','ZuruVoru Zave Riza')"),
                    QStringLiteral("SELECT First(Customers.CustomerID) AS [MaxID] FROM Customers"),
                    QStringLiteral("SELECT Last(Customers.CustomerID) AS [MaxID] FROM Customers"),
                    firstCustomer, lastCustomer);
        lookupTable({110, 110, 110, 110}, QStringLiteral("SELECT Count(Employees.EmployeeID) AS [CountID] From Employees"),
                    QStringLiteral("insert into Employees ([FirstName],[LastName],[Title]) "
                                   "values ('Arvo','Tindle','Manager')"),
                    QStringLiteral("insert into Employees ([FirstName],[LastName],[Title]) "
                                   "values ('Ferro','Kastell','HR')"),
                    QStringLiteral("SELECT First(Employees.EmployeeID) AS [MaxID] FROM Employees"),
                    QStringLiteral("SELECT Last(Employees.EmployeeID) AS [MaxID] FROM Employees"),
                    firstEmployee, lastEmployee);
        lookupTable(
            {112, 112, 112, 112},
            QStringLiteral("SELECT Count([Shipping Methods].ShippingMethodID) AS [CountID] From "
                           "[Shipping Methods]"),
            QStringLiteral("insert into [Shipping Methods] (ShippingMethod) values ('USPS')"),
            QStringLiteral("insert into [Shipping Methods] (ShippingMethod) values ('DHL')"),
            QStringLiteral("SELECT First([Shipping Methods].ShippingMethodID) AS [MaxID] FROM "
                           "[Shipping Methods]"),
            QStringLiteral("SELECT Last([Shipping Methods].ShippingMethodID) AS [MaxID] FROM "
                           "[Shipping Methods]"),
            firstShipping, lastShipping);
        lookupTable({114, 114, 114, 114}, QStringLiteral("SELECT Count(Products.ProductID) AS [CountID] From Products"),
                    QStringLiteral("insert into Products (ProductName,UnitPrice) values ('Mug',5)"),
                    QStringLiteral("insert into Products (ProductName,UnitPrice) values ('Cup',6.25)"),
                    QStringLiteral("SELECT First(Products.ProductID) AS [MaxID] FROM Products"),
                    QStringLiteral("SELECT Last(Products.ProductID) AS [MaxID] FROM Products"),
                    firstProduct, lastProduct);

        auto digits = [](long value) { return QString::number(value); };
        auto order = [&](int line, long customer, long employee, const QString& po, long shipping,
                         const QString& taxRate) {
            const QString today = text::shortDate(QDate::currentDate());
            execute(line, QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                   "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                                   "values (") +
                    digits(customer) + QLatin1Char(',') + digits(employee) +
                    QStringLiteral(",CDate('") + today + QStringLiteral("'),'") + po +
                    QStringLiteral("',CDate('") + today + QStringLiteral("'),") + digits(shipping) +
                    QStringLiteral(",Val('") + taxRate + QStringLiteral("'))"));
            readValue(line + 2, lastOrder, 1, QStringLiteral("SELECT Last(Orders.OrderID) AS [MaxID] FROM Orders"),
                      QStringLiteral("MaxID"));
            // The lists take the new orders in place, on this desk and on the others.
            AppConnection().noteChanges(data::BookChanges::order(lastOrder));
        };
        const QString lineInsert = QStringLiteral(
            "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (");

        order(116, lastCustomer, lastEmployee, QStringLiteral("11"), lastShipping, QStringLiteral("0.3"));
        execute(120, lineInsert + digits(lastOrder) + QLatin1Char(',') + digits(firstProduct) +
                QStringLiteral(",3,11, Val('0.4'))"));
        order(122, firstCustomer, firstEmployee, QStringLiteral("12"), firstShipping, QStringLiteral("0.4"));
        execute(126, lineInsert + digits(lastOrder) + QLatin1Char(',') + digits(lastProduct) +
                QStringLiteral(",1,10,Val('0.25'))"));
        order(128, firstCustomer, lastEmployee, QStringLiteral("31"), lastShipping, QStringLiteral("0.5"));
        execute(132, lineInsert + digits(lastOrder) + QLatin1Char(',') + digits(firstProduct) +
                QStringLiteral(",2,15,Val('0.1'))"));
    });
    if (!loaded) return;
    trap(134, [&] { TakeChangedOrders(); });
}

}  // namespace qd::ui
