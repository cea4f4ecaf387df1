#pragma once

// One order on paper: the confirmation an order desk prints for the customer or the
// warehouse. The order's own facts (customer, employee, dates, PO number, shipping method) and
// its totals are read once and set into the layout's report header and footer; its lines are
// the detail rows, read like any report's rows. Line totals, subtotal and total are worked out
// exactly as the "Total Price" saved queries work them out, so the paper agrees with those
// reports to the cent.

#include "reports/catalogue.h"

#include <QVariant>

#include <optional>

namespace qd::data {
class Connection;
}

namespace qd::reports {

// The name the command line knows the report by (--report "Order" --order ID).
inline const QString kOrderReportName = QStringLiteral("Order");

struct OrderFacts {
    qint64 orderId = 0;
    QVariant companyName, firstName, lastName, orderDate, shipDate, purchaseOrderNumber,
        shippingMethod, salesTaxRate, subtotal, total;
};

struct OrderReport {
    ReportLayout layout;
    QString linesStatement;  // the detail rows: the order's lines in the order they were added
};

// The statements that read an order's facts and totals, and its lines.
QString orderFactsStatement(qint64 orderId);
QString orderLinesStatement(qint64 orderId);

// The order's facts; nothing when the book has no such order (or it is not listed, because
// its customer, employee or shipping method is gone).
std::optional<OrderFacts> readOrderFacts(data::Connection& connection, qint64 orderId);

// The confirmation's layout for these facts, its money in the chosen currency.
OrderReport orderReport(const OrderFacts& facts, const CurrencyChoice& currency);

}  // namespace qd::reports
