#include "ui/order/orderstatements.h"

#include "core/error.h"
#include "text/sqltext.h"
#include "text/recordnumber.h"
#include "text/textconv.h"

#include <QDateTime>

namespace qd::order {

namespace {

Error notANumber(const QString& what, const QString& text) {
    return Error(QStringLiteral("Type mismatch: the %1 \"%2\" is not a number.").arg(what, text),
                 13);
}

double regional(const QString& what, const QString& text) {
    const std::optional<double> value = text::parseRegionalNumber(text);
    if (!value) throw notANumber(what, text);
    return *value;
}

}  // namespace

bool isBlank(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' ')) return false;
    return true;
}

QString dateText(const QDate& date) {
    return text::formatDate(date, QTime(0, 0), QStringLiteral("mm\\/dd\\/yyyy"));
}

QString taxValue(const QString& percentText) {
    return text::numberText(regional(QStringLiteral("sales tax rate"), percentText) / 100);
}

QString quantityValue(const QString& quantityText) {
    return text::numberText(regional(QStringLiteral("quantity"), quantityText));
}

QString unitPriceValue(const QString& priceText) {
    return text::numberText(regional(QStringLiteral("unit price"), priceText));
}

// The list shows discounts with the regional decimal separator ("12,50%" in much of Europe),
// so the number before the percent sign is read the same way; reading only its leading digits
// would store 12,50% as 0.12. A text that is no regional number keeps the leading-number rule.
QString discountValue(const QString& discountText) {
    QString number = discountText.trimmed();
    if (number.endsWith(QLatin1Char('%'))) number.chop(1);
    const std::optional<double> value = text::parseRegionalNumber(number);
    return text::numberText((value ? *value : text::leadingNumber(discountText)) / 100);
}

QString updateOrderStatement(const OrderValues& order, const QString& orderId) {
    return QStringLiteral("update Orders set CustomerID=") + QString::number(order.customerId) +
           QStringLiteral(",EmployeeID=") + QString::number(order.employeeId) +
           QStringLiteral(",OrderDate=#") + dateText(order.orderDate) +
           QStringLiteral("#,PurchaseOrderNumber='") +
           text::apostrophesDoubled(order.purchaseOrderNumber) + QStringLiteral("',ShipDate=#") +
           dateText(order.shipDate) + QStringLiteral("#,ShippingMethodID=") +
           QString::number(order.shippingMethodId) + QStringLiteral(",SalesTaxRate=") +
           taxValue(order.taxRateText) + QStringLiteral(" where OrderID=") +
           text::recordNumber(QStringLiteral("order number"), orderId);
}

QString insertOrderStatement(const OrderValues& order) {
    return QStringLiteral(
               "insert into Orders (CustomerID,EmployeeID,OrderDate,"
               "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) values (") +
           QString::number(order.customerId) + QStringLiteral(",") +
           QString::number(order.employeeId) + QStringLiteral(",#") + dateText(order.orderDate) +
           QStringLiteral("#,'") + text::apostrophesDoubled(order.purchaseOrderNumber) +
           QStringLiteral("',#") + dateText(order.shipDate) + QStringLiteral("#,") +
           QString::number(order.shippingMethodId) + QStringLiteral(",") +
           taxValue(order.taxRateText) + QStringLiteral(")");
}

QString deleteLinesStatement(const QString& orderId) {
    return QStringLiteral("delete from [Order Details] where OrderID=") +
           text::recordNumber(QStringLiteral("order number"), orderId);
}

QString lineInsertStatement(const QString& orderId, const LineTexts& line) {
    return QStringLiteral(
               "insert into [Order Details] (OrderID,ProductID,Quantity,UnitPrice,"
               "Discount) values (") +
           text::recordNumber(QStringLiteral("order number"), orderId) + QStringLiteral(",") +
           text::recordNumber(QStringLiteral("product number"), line.productId) + QStringLiteral(",") +
           quantityValue(line.quantity) + QStringLiteral(",") + unitPriceValue(line.unitPrice) +
           QStringLiteral(",") + discountValue(line.discount) + QStringLiteral(")");
}

}  // namespace qd::order
