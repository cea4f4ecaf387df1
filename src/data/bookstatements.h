#pragma once

// The reads of the order book that the windows issue, in one place: the order list, the lines
// of an order, the order editor's reads and its lookup lists. The windows, the tests that run
// every statement on both engines and the benchmarks all take them from here, so a changed text
// is the one that is tested and measured.

#include <QString>

namespace qd::data::statements {

// Every order with its customer, employee and shipping method, as the order list reads them;
// the order editor reads one of them by adding " where OrderID=" and the number.
inline const QString kOrderRows = QStringLiteral(
    "select OrderID, CompanyName, Employees.FirstName + ' ' + Employees.LastName as "
    "EmployeeName, OrderDate, PurchaseOrderNumber, ShipDate, ShippingMethod, SalesTaxRate from "
    "(((Orders inner join Customers on Customers.CustomerID=Orders.CustomerID) "
    "inner join Employees on eMPLOYEES.EmployeeID= Orders.EmployeeID) "
    "inner join [Shipping Methods] on "
    "[Shipping Methods].ShippingMethodID=Orders.ShippingMethodID)");

// The lookup lists of the editors, each with its identifiers.
inline const QString kCustomerList = QStringLiteral("select * from Customers order by CompanyName");
inline const QString kEmployeeList =
    QStringLiteral("select * from Employees order by FirstName, LastName");
inline const QString kShippingMethodList =
    QStringLiteral("select * from [Shipping Methods] order by ShippingMethod");
inline const QString kProductList = QStringLiteral("select * from Products order by ProductName");

// The lines of the order the order list shows selected, the number as the list shows it.
QString listLinesStatement(const QString& orderNumber);

// What the editor reads of an order it opens: its row as the list shows it, the identifiers
// of its customer, employee and shipping method, and its lines. A text that is no order
// number is an error.
QString orderRowStatement(const QString& orderId);
QString orderIdentifiersStatement(const QString& orderId);
QString orderLinesStatement(const QString& orderId);

}  // namespace qd::data::statements
