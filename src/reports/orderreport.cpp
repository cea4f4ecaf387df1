#include "reports/orderreport.h"

#include "data/connection.h"
#include "data/recordset.h"
#include "reports/designs.h"
#include "text/format.h"

#include <QRegularExpression>

#include <cmath>

namespace qd::reports {

namespace {

// A line's total after its discount, as [Total Price of Order Details] has it: money kept to
// four decimals at every step.
QString lineTotal(const QString& line) {
    return QStringLiteral("round(round(%1.UnitPrice * %1.Quantity, 4) * (1 - coalesce(%1.Discount, 0)), 4)")
        .arg(line);
}

// The sum of an expression over the order's lines, as [Total Price of Orders] sums them; 0
// for an order without lines.
QString sumOverLines(const QString& expression) {
    return QStringLiteral(
               "coalesce((SELECT round(sum(%1), 4) FROM [Order Details] "
               "INNER JOIN Products ON Products.ProductID = [Order Details].ProductID "
               "WHERE [Order Details].OrderID = Orders.OrderID), 0)")
        .arg(expression);
}

// A sum kept to four decimals in whole cents, rounded half away from zero as the money
// format rounds it.
qint64 cents(const QVariant& amount) {
    const qint64 tenThousandths = std::llround(amount.toDouble() * 10000);
    return (tenThousandths + (tenThousandths < 0 ? -50 : 50)) / 100;
}

const QString kDateFormat = QStringLiteral("M/d/yyyy");

}  // namespace

QString orderFactsStatement(qint64 orderId) {
    const QString line = lineTotal(QStringLiteral("[Order Details]"));
    return QStringLiteral(
               "SELECT Customers.CompanyName, Employees.FirstName, Employees.LastName, "
               "Orders.OrderDate, Orders.ShipDate, Orders.PurchaseOrderNumber, "
               "[Shipping Methods].ShippingMethod, coalesce(Orders.SalesTaxRate, 0) AS SalesTaxRate, "
               "%1 AS Subtotal, %2 AS Total "
               "FROM Orders INNER JOIN Customers ON Customers.CustomerID = Orders.CustomerID "
               "INNER JOIN Employees ON Employees.EmployeeID = Orders.EmployeeID "
               "INNER JOIN [Shipping Methods] "
               "ON [Shipping Methods].ShippingMethodID = Orders.ShippingMethodID "
               "WHERE Orders.OrderID = %3")
        .arg(sumOverLines(line),
             sumOverLines(QStringLiteral("round(%1 * (1 + coalesce(Orders.SalesTaxRate, 0)), 4)").arg(line)))
        .arg(orderId);
}

QString orderLinesStatement(qint64 orderId) {
    return QStringLiteral(
               "SELECT Products.ProductName, [Order Details].Quantity, [Order Details].UnitPrice, "
               "coalesce([Order Details].Discount, 0) AS Discount, %1 AS [Line Total] "
               "FROM [Order Details] INNER JOIN Products "
               "ON Products.ProductID = [Order Details].ProductID "
               "WHERE [Order Details].OrderID = %2 ORDER BY [Order Details].OrderDetailID")
        .arg(lineTotal(QStringLiteral("[Order Details]")))
        .arg(orderId);
}

std::optional<OrderFacts> readOrderFacts(data::Connection& connection, qint64 orderId) {
    const QString statement = orderFactsStatement(orderId);
    data::Recordset rs;
    rs.open(statement, connection, data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    if (rs.eof()) return std::nullopt;
    OrderFacts facts;
    facts.orderId = orderId;
    QVariant* const values[] = {&facts.companyName,  &facts.firstName,
                                &facts.lastName,     &facts.orderDate,
                                &facts.shipDate,     &facts.purchaseOrderNumber,
                                &facts.shippingMethod, &facts.salesTaxRate,
                                &facts.subtotal,     &facts.total};
    for (int i = 0; i < int(std::size(values)); ++i) *values[i] = rs.field(i);
    return facts;
}

OrderReport orderReport(const OrderFacts& facts, const CurrencyChoice& currency) {
    const QString money =
        currency.selected ? moneyFormat(currency.symbol, currency.before) : kLayoutMoneyFormat;
    auto shown = [](const QVariant& value, const QString& format = QString()) {
        return text::formatValue(value, format);
    };
    OrderCaptions c;
    c.title = QStringLiteral("Order %1").arg(facts.orderId);
    c.customer = shown(facts.companyName);
    c.employee = QStringList{shown(facts.firstName), shown(facts.lastName)}
                     .filter(QRegularExpression(QStringLiteral("\\S")))
                     .join(QLatin1Char(' '));
    c.orderDate = shown(facts.orderDate, kDateFormat);
    c.shipDate = shown(facts.shipDate, kDateFormat);
    c.purchaseOrderNumber = shown(facts.purchaseOrderNumber);
    c.shippingMethod = shown(facts.shippingMethod);
    c.salesTaxLabel =
        QStringLiteral("Sales Tax (%1)").arg(shown(facts.salesTaxRate, QStringLiteral("0.00%")));
    // Subtotal and total are shown as the other reports show the same sums; the tax is what
    // lies between the two as shown, so that the three amounts on paper always add up.
    c.subtotal = shown(facts.subtotal, money);
    c.total = shown(facts.total, money);
    c.salesTax = shown(double(cents(facts.total) - cents(facts.subtotal)) / 100, money);

    OrderReport report{rptOrder(c, money), {}};
    report.linesStatement = orderLinesStatement(facts.orderId);
    return report;
}

}  // namespace qd::reports
