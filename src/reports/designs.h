#pragma once

// The program's report layouts: the three of the reports window, and one order's
// confirmation. Each call builds a fresh instance.

#include "reports/reportlayout.h"

namespace qd::reports {

// The money format of the layouts: a literal dollar sign before "#,##0.00".
inline const QString kLayoutMoneyFormat = QStringLiteral("\"$\"#,##0.00");

ReportLayout rptOrderbyCustomer();
ReportLayout rptTotalPriceOrders();
ReportLayout rptTotalPriceOrderDetail();

// The texts a confirmation shows above and below its lines, already formatted.
struct OrderCaptions {
    QString title;  // "Order 17"
    QString customer, employee, orderDate, shipDate, purchaseOrderNumber, shippingMethod;
    QString salesTaxLabel;  // "Sales Tax (8.25%)"
    QString subtotal, salesTax, total;
};

// One order's confirmation: the order's facts in the report header, a detail row per line
// (ProductName, Quantity, UnitPrice, Discount, Line Total), the totals in the report footer.
// Its money fields are Text3 and Text5 of Section1.
ReportLayout rptOrder(const OrderCaptions& captions, const QString& moneyFormat);

}  // namespace qd::reports
