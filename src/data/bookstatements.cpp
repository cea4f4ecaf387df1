#include "data/bookstatements.h"

#include "text/recordnumber.h"

namespace qd::data::statements {

namespace {

QString orderNumber(const QString& orderId) {
    return text::recordNumber(QStringLiteral("order number"), orderId);
}

}  // namespace

QString listLinesStatement(const QString& orderNumber) {
    return QStringLiteral("select OrderDetailID,ProductName,Quantity,[Order Details].UnitPrice,"
                          "Discount from (([Order Details] ") +
           QStringLiteral("inner join Orders on Orders.OrderID=[Order Details].OrderID) ") +
           QStringLiteral("inner join Products on Products.ProductID=[Order Details].ProductID) "
                          "where [Order Details].OrderID=") +
           orderNumber;
}

QString orderRowStatement(const QString& orderId) {
    return kOrderRows + QStringLiteral(" where OrderID=") + orderNumber(orderId);
}

QString orderIdentifiersStatement(const QString& orderId) {
    return QStringLiteral("select CustomerID, EmployeeID, ShippingMethodID from Orders where "
                          "OrderID=") +
           orderNumber(orderId);
}

QString orderLinesStatement(const QString& orderId) {
    return QStringLiteral("select [Order Details].ProductID,ProductName,Quantity,"
                          "[Order Details].UnitPrice,Discount from (([Order Details] ") +
           QStringLiteral("inner join Orders on Orders.OrderID=[Order Details].OrderID) ") +
           QStringLiteral("inner join Products on Products.ProductID=[Order Details].ProductID)"
                          " where [Order Details].OrderID=") +
           orderNumber(orderId);
}

}  // namespace qd::data::statements
