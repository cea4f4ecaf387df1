#pragma once

// Order books for the report tests: the sample data as the loader writes it into a fresh book
// (with fixed dates, so reference files stay valid), and a book of awkward names and values.

#include "data/connection.h"
#include "data/recordset.h"

#include <QString>
#include <QStringList>

namespace fixture {

inline void run(qd::data::Connection& db, const QStringList& statements) {
    for (const QString& s : statements) db.execute(s);
}

// Three orders, one line each, over two customers, employees, shipping methods and products.
inline void sampleData(qd::data::Connection& db) {
    run(db, {
        "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Velda','Orrin','Orrin Supplies')",
        "insert into Customers ([FirstName],[LastName],[CompanyName]) values ('Cato','Pellam','ZuruVoru Zave Riza')",
        "insert into Employees ([FirstName],[LastName],[Title]) values ('Arvo','Tindle','Manager')",
        "insert into Employees ([FirstName],[LastName],[Title]) values ('Ferro','Kastell','HR')",
        "insert into [Shipping Methods] (ShippingMethod) values ('USPS')",
        "insert into [Shipping Methods] (ShippingMethod) values ('DHL')",
        "insert into Products (ProductName,UnitPrice) values ('Mug',5)",
        "insert into Products (ProductName,UnitPrice) values ('Cup',6.25)",
        "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (2,2,#03/07/2026#,'11',#03/07/2026#,2,Val('0.3'))",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (1,1,3,11, Val('0.4'))",
        "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (1,1,#03/07/2026#,'12',#03/07/2026#,1,Val('0.4'))",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (2,2,1,10,Val('0.25'))",
        "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (1,2,#03/07/2026#,'31',#03/07/2026#,2,Val('0.5'))",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (3,1,2,15,Val('0.1'))",
    });
}

// Apostrophes, a comma and a quote in names, a name far wider than its column, dates with a
// time of day, amounts in the millions, a missing ship date and an order of two lines.
inline void awkwardData(qd::data::Connection& db) {
    run(db, {
        "insert into Customers (CompanyName) values ('Rock''n''Roll Supplies')",
        "insert into Customers (CompanyName) values ('The Extraordinarily Long-Named Consolidated Widget Company of North America')",
        "insert into Customers (CompanyName) values ('Smith, Jones & \"Partners\"')",
        "insert into Employees (FirstName,LastName) values ('O''Brien','Dee')",
        "insert into [Shipping Methods] (ShippingMethod) values ('Courier')",
        "insert into Products (ProductName,UnitPrice) values ('Bolts, assorted',0.05)",
        "insert into Products (ProductName,UnitPrice) values ('Crane''s Lift',1234567.891)",
        "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (1,1,#12/31/2025 23:59:00#,'A''1',#01/02/2026 08:05:00#,1,0.0825)",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (1,1,1000,0.05,0)",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (1,2,2,1234567.891,0.125)",
        "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (2,1,#07/04/2026#,'PO-2026-000000000000000001',Null,1,0)",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (2,1,7,0.05,0.333)",
        "insert into Orders (CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (3,1,#01/09/2026#,'',#01/10/2026#,1,0.07)",
        "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,Discount) values (3,2,1,1234567.891,0.25)",
    });
}

}  // namespace fixture
