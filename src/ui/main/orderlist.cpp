// The order list and the lines of the selected order.

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/errortrap.h"
#include "data/recordset.h"
#include "text/textconv.h"
#include "ui/order/orderstatements.h"
#include "ui/controls/listview.h"

namespace qd::ui {

namespace {

// A plain value as the list shows it. A missing value shows as an empty cell instead of
// stopping the fill, so one incomplete row never hides the orders after it.
QString plain(const QVariant& value) { return text::generalText(value); }

QString dateText(const QVariant& value) {
    if (value.isNull()) return QString();
    if (value.typeId() == QMetaType::QDateTime) return text::shortDate(value.toDateTime().date());
    if (value.typeId() == QMetaType::QDate) return text::shortDate(value.toDate());
    return plain(value);
}

QString numberFormat(const QVariant& value, const QString& format) {
    return text::formatValue(value, format);
}

}  // namespace

void Form1::RefreshOrderList() {
    ListView1->clear();
    data::Recordset rs;
    rs.open(order::kOrderRows,
            AppConnection(), data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    // Columns by name once, then by position for every row.
    const int orderId = rs.fieldIndex(QStringLiteral("OrderID"));
    const int fields[7] = {rs.fieldIndex(QStringLiteral("CompanyName")),
                           rs.fieldIndex(QStringLiteral("EmployeeName")),
                           rs.fieldIndex(QStringLiteral("OrderDate")),
                           rs.fieldIndex(QStringLiteral("PurchaseOrderNumber")),
                           rs.fieldIndex(QStringLiteral("ShipDate")),
                           rs.fieldIndex(QStringLiteral("ShippingMethod")),
                           rs.fieldIndex(QStringLiteral("SalesTaxRate"))};
    const QString percent = QStringLiteral("0.00%");
    while (!rs.eof()) {
        const int item = ListView1->addItem(plain(rs.field(orderId)));
        ListView1->setSubItem(item, 1, plain(rs.field(fields[0])));
        ListView1->setSubItem(item, 2, plain(rs.field(fields[1])));
        ListView1->setSubItem(item, 3, dateText(rs.field(fields[2])));
        ListView1->setSubItem(item, 4, plain(rs.field(fields[3])));
        ListView1->setSubItem(item, 5, dateText(rs.field(fields[4])));
        ListView1->setSubItem(item, 6, plain(rs.field(fields[5])));
        ListView1->setSubItem(item, 7, numberFormat(rs.field(fields[6]), percent));
        rs.moveNext();
    }
    rs.close();
    if (ListView1->count() > 0)
        ListView1_ItemClick();
    else
        ListView2->clear();  // no order left, so no lines of one either
}

void Form1::ListView1_ItemClick() {
    ListView2->clear();
    data::Recordset rs;
    rs.open(QStringLiteral("select OrderDetailID,ProductName,Quantity,[Order Details].UnitPrice,"
                           "Discount from (([Order Details] ") +
                QStringLiteral("inner join Orders on Orders.OrderID=[Order Details].OrderID) ") +
                QStringLiteral("inner join Products on Products.ProductID=[Order Details].ProductID) "
                               "where [Order Details].OrderID=") +
                selectedOrderNumber(),
            AppConnection(), data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    while (!rs.eof()) {
        const int item = ListView2->addItem(plain(rs.field(QStringLiteral("OrderDetailID"))));
        ListView2->setSubItem(item, 1, plain(rs.field(QStringLiteral("ProductName"))));
        ListView2->setSubItem(item, 2, plain(rs.field(QStringLiteral("Quantity"))));
        ListView2->setSubItem(item, 3,
                              numberFormat(rs.field(QStringLiteral("UnitPrice")),
                                           QStringLiteral("#,##0.00")));
        ListView2->setSubItem(item, 4,
                              numberFormat(rs.field(QStringLiteral("Discount")),
                                           QStringLiteral("0.00%")));
        rs.moveNext();
    }
    rs.close();
}

// A row chosen by the user in the order list: nothing is trapped here, so a failure (the
// order book unavailable, say) is told in a plain message instead of ending the program.
void Form1::userItemClick() {
    try {
        ListView1_ItemClick();
    } catch (const std::exception& e) {
        reportUntrapped(QStringLiteral("The lines of the selected order cannot be shown."), e);
    }
}

void Form1::ListView1_ColumnClick(int position) { ListView1->sortByColumnClick(position); }

void Form1::ListView2_ColumnClick(int position) { ListView2->sortByColumnClick(position); }

}  // namespace qd::ui
