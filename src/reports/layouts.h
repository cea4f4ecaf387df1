#pragma once

// The program's three report layouts. Each call builds a fresh instance.

#include "reports/layout.h"

namespace qd::reports {

// The money format of the layouts: a literal dollar sign before "#,##0.00".
inline const QString kLayoutMoneyFormat = QStringLiteral("\"$\"#,##0.00");

ReportLayout rptOrderbyCustomer();
ReportLayout rptTotalPriceOrders();
ReportLayout rptTotalPriceOrderDetail();

}  // namespace qd::reports
