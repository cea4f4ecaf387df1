#pragma once

// The program's read statements, written out here as the windows issue them, so that the data
// tests run the very texts on every engine.

#include <QString>

const QString kOrderList = QStringLiteral(
    "select OrderID, CompanyName, Employees.FirstName + ' ' + Employees.LastName as "
    "EmployeeName, OrderDate, PurchaseOrderNumber, ShipDate, ShippingMethod, SalesTaxRate from "
    "(((Orders inner join Customers on Customers.CustomerID=Orders.CustomerID) "
    "inner join Employees on eMPLOYEES.EmployeeID= Orders.EmployeeID) "
    "inner join [Shipping Methods] on "
    "[Shipping Methods].ShippingMethodID=Orders.ShippingMethodID)");
const QString kLines = QStringLiteral(
    "select OrderDetailID,ProductName,Quantity,[Order Details].UnitPrice,Discount from "
    "(([Order Details] inner join Orders on Orders.OrderID=[Order Details].OrderID) "
    "inner join Products on Products.ProductID=[Order Details].ProductID) where "
    "[Order Details].OrderID=");
const QString kEditLines = QStringLiteral(
    "select [Order Details].ProductID,ProductName,Quantity,[Order Details].UnitPrice,Discount "
    "from (([Order Details] inner join Orders on Orders.OrderID=[Order Details].OrderID) "
    "inner join Products on Products.ProductID=[Order Details].ProductID) where "
    "[Order Details].OrderID=");
