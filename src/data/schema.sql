-- The empty order book that every new user starts from (copied to dbData.mdb on first start).
-- Keys are auto-numbered and never reused, like the numbers users quote on paper.

PRAGMA application_id = 1363422513;  -- 0x51442D31, "QD-1": marks the file as an order book
PRAGMA user_version = 1;             -- layout version of this file
PRAGMA journal_mode = DELETE;

CREATE TABLE Customers (
    CustomerID INTEGER PRIMARY KEY AUTOINCREMENT,
    CompanyName TEXT COLLATE NOCASE,
    FirstName TEXT COLLATE NOCASE,
    LastName TEXT COLLATE NOCASE
);

-- The reports list orders by company name (see the saved queries below).
CREATE INDEX CustomersByName ON Customers (CompanyName);

CREATE TABLE Employees (
    EmployeeID INTEGER PRIMARY KEY AUTOINCREMENT,
    FirstName TEXT COLLATE NOCASE,
    LastName TEXT COLLATE NOCASE,
    Title TEXT COLLATE NOCASE
);

CREATE TABLE [Shipping Methods] (
    ShippingMethodID INTEGER PRIMARY KEY AUTOINCREMENT,
    ShippingMethod TEXT COLLATE NOCASE
);

CREATE TABLE Products (
    ProductID INTEGER PRIMARY KEY AUTOINCREMENT,
    ProductName TEXT COLLATE NOCASE,
    UnitPrice CURRENCY
);

CREATE TABLE Orders (
    OrderID INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerID INTEGER,
    EmployeeID INTEGER,
    OrderDate DATETIME,
    PurchaseOrderNumber TEXT COLLATE NOCASE,
    ShipDate DATETIME,
    ShippingMethodID INTEGER,
    SalesTaxRate DOUBLE
);
CREATE INDEX OrdersByCustomer ON Orders (CustomerID);
CREATE INDEX OrdersByEmployee ON Orders (EmployeeID);
CREATE INDEX OrdersByShippingMethod ON Orders (ShippingMethodID);

CREATE TABLE [Order Details] (
    OrderDetailID INTEGER PRIMARY KEY AUTOINCREMENT,
    OrderID INTEGER,
    ProductID INTEGER,
    Quantity DOUBLE,
    UnitPrice CURRENCY,
    Discount DOUBLE
);
CREATE INDEX OrderDetailsByOrder ON [Order Details] (OrderID);
CREATE INDEX OrderDetailsByProduct ON [Order Details] (ProductID);

-- Saved queries read by the reports. Only orders whose customer, employee and shipping method
-- still exist are reported, as in the lists. Money is kept to 4 decimals at every step, the way
-- a currency column holds it. CROSS JOIN (an inner join whose order the engine keeps) walks
-- customers in name order through CustomersByName, so rows come out already sorted by company
-- and the first page of a report over a big order book shows without sorting the whole book.

CREATE VIEW [Orders by Customer] AS
SELECT Customers.CompanyName, Orders.PurchaseOrderNumber, Orders.OrderID, Orders.EmployeeID,
       Orders.OrderDate, Orders.ShipDate, Orders.ShippingMethodID, Orders.CustomerID,
       Orders.SalesTaxRate
FROM Customers
     CROSS JOIN Orders ON Orders.CustomerID = Customers.CustomerID
     INNER JOIN Employees ON Employees.EmployeeID = Orders.EmployeeID
     INNER JOIN [Shipping Methods]
             ON [Shipping Methods].ShippingMethodID = Orders.ShippingMethodID
ORDER BY Customers.CompanyName, Orders.OrderID;

CREATE VIEW [Total Price of Order Details] AS
SELECT CompanyName, OrderID, ProductName, UnitPrice, Quantity, SubTotal, Discount,
       [SubTotal With Discount], SalesTaxRate,
       round([SubTotal With Discount] * (1 + SalesTaxRate), 4) AS [Total Price]
FROM (
    SELECT CompanyName, OrderID, OrderDetailID, ProductName, UnitPrice, Quantity, SubTotal,
           Discount, round(SubTotal * (1 - Discount), 4) AS [SubTotal With Discount],
           SalesTaxRate
    FROM (
        SELECT Customers.CompanyName, Orders.OrderID, [Order Details].OrderDetailID,
               Products.ProductName, [Order Details].UnitPrice, [Order Details].Quantity,
               round([Order Details].UnitPrice * [Order Details].Quantity, 4) AS SubTotal,
               ifnull([Order Details].Discount, 0) AS Discount,
               ifnull(Orders.SalesTaxRate, 0) AS SalesTaxRate
        FROM Customers
             CROSS JOIN Orders ON Orders.CustomerID = Customers.CustomerID
             CROSS JOIN [Order Details] ON [Order Details].OrderID = Orders.OrderID
             INNER JOIN Employees ON Employees.EmployeeID = Orders.EmployeeID
             INNER JOIN [Shipping Methods]
                     ON [Shipping Methods].ShippingMethodID = Orders.ShippingMethodID
             INNER JOIN Products ON Products.ProductID = [Order Details].ProductID
    )
)
ORDER BY CompanyName, OrderID, OrderDetailID;

-- One row per order with the sum of its lines' total prices, rounded the same way. Summed per
-- order as the customers are walked by name, so the first rows come without grouping the
-- whole order book first; an order shows only when at least one of its lines does.
CREATE VIEW [Total Price of Orders] AS
SELECT Customers.CompanyName, Orders.OrderID,
       (SELECT round(sum(round(round(round([Order Details].UnitPrice * [Order Details].Quantity, 4)
                                         * (1 - ifnull([Order Details].Discount, 0)), 4)
                               * (1 + ifnull(Orders.SalesTaxRate, 0)), 4)), 4)
          FROM [Order Details]
               INNER JOIN Products ON Products.ProductID = [Order Details].ProductID
         WHERE [Order Details].OrderID = Orders.OrderID) AS [SumOfTotal Price]
FROM Customers
     CROSS JOIN Orders ON Orders.CustomerID = Customers.CustomerID
     INNER JOIN Employees ON Employees.EmployeeID = Orders.EmployeeID
     INNER JOIN [Shipping Methods]
             ON [Shipping Methods].ShippingMethodID = Orders.ShippingMethodID
WHERE EXISTS (SELECT 1
                FROM [Order Details]
                     INNER JOIN Products ON Products.ProductID = [Order Details].ProductID
               WHERE [Order Details].OrderID = Orders.OrderID)
ORDER BY Customers.CompanyName, Orders.OrderID;
