#pragma once

// The statements that save an order, built from the texts and values the order editor holds
// (what it reads is in data/bookstatements.h). Nothing here knows about widgets; every
// conversion of a text the user sees into statement text happens here, so each is tested once.

#include <QDate>
#include <QString>

namespace qd::order {

// What an order row gets from the editor.
struct OrderValues {
    qlonglong customerId = 0;
    qlonglong employeeId = 0;
    qlonglong shippingMethodId = 0;
    QDate orderDate;
    QDate shipDate;
    QString purchaseOrderNumber;  // as typed
    QString taxRateText;          // percent, regional number
};

// One row of the editor's line list, as shown.
struct LineTexts {
    QString productId;  // item text
    QString quantity;   // as typed, regional number
    QString unitPrice;  // "#,##0.00"
    QString discount;   // "0.00%"
};

// True when the text is empty after removing leading and trailing blanks: a field the user
// has not filled in.
bool isBlank(const QString& text);

// 03/07/2026 for March 7, 2026, whatever the regional date separator.
QString dateText(const QDate& date);

// The tax rate percent text as a fraction for a statement: "8.25" -> "0.0825". An unreadable
// text is an error.
QString taxValue(const QString& percentText);

// The number texts of one line: the quantity and unit price read as regional numbers, the
// discount as a percentage turned into a fraction. Unreadable texts are errors.
QString quantityValue(const QString& quantityText);
QString unitPriceValue(const QString& priceText);
QString discountValue(const QString& discountText);

QString updateOrderStatement(const OrderValues& order, const QString& orderId);
QString insertOrderStatement(const OrderValues& order);
QString deleteLinesStatement(const QString& orderId);
QString lineInsertStatement(const QString& orderId, const LineTexts& line);

}  // namespace qd::order
