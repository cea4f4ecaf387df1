#include "ui/order/ordercheck.h"

#include "data/connection.h"
#include "data/storedrows.h"
#include "text/recordnumber.h"

#include <QSet>

namespace qd::order {

namespace {

// Every value of every row, each with its kind, so that two reads compare byte for byte.
QByteArray valuesOf(const data::StoredRows& rows, int* count = nullptr) {
    QByteArray bytes;
    int n = 0;
    for (auto c = rows.cursor(); c->next(); ++n) {
        for (int i = 0; i < c->columnCount(); ++i) {
            switch (c->type(i)) {
            case data::ValueType::Null: bytes += "N;"; break;
            case data::ValueType::Integer: bytes += 'I' + QByteArray::number(c->integer(i)) + ';'; break;
            case data::ValueType::Real: bytes += 'R' + QByteArray::number(c->real(i), 'g', 17) + ';'; break;
            case data::ValueType::Text: {
                const QByteArrayView t = c->text(i);
                bytes += 'T' + QByteArray::number(t.size()) + ':' + t.toByteArray() + ';';
                break;
            }
            }
        }
        bytes += '\n';
    }
    if (count) *count = n;
    return bytes;
}

OrderVersion versionOf(const data::StoredRows& head, const data::StoredRows& lines) {
    OrderVersion v;
    int rows = 0;
    v.head = valuesOf(head, &rows);
    v.exists = rows > 0;
    v.lines = valuesOf(lines);
    return v;
}

QSet<qlonglong> idsOf(const data::StoredRows& rows) {
    QSet<qlonglong> ids;
    for (auto c = rows.cursor(); c->next();) ids.insert(c->integer(0));
    return ids;
}

}  // namespace

QStringList versionStatements(const QString& orderId) {
    const QString id = text::recordNumber(QStringLiteral("order number"), orderId);
    return {QStringLiteral("select CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,"
                           "ShippingMethodID,SalesTaxRate from Orders where OrderID=") + id,
            QStringLiteral("select ProductID,Quantity,UnitPrice,Discount from [Order Details] "
                           "where OrderID=") + id + QStringLiteral(" order by OrderDetailID")};
}

QString whatChanged(const OrderVersion& before, const OrderVersion& now) {
    const bool head = before.head != now.head;
    const bool lines = before.lines != now.lines;
    if (head && lines) return QStringLiteral("its details and its lines");
    return lines ? QStringLiteral("its lines") : QStringLiteral("its details");
}

OrderVersion readVersion(data::Connection& connection, const QString& orderId) {
    const auto rows = connection.queryTogether(versionStatements(orderId));
    return versionOf(*rows[0], *rows[1]);
}

SaveCheck checkBeforeSave(data::Connection& connection, const QString& orderId,
                          const References& r) {
    QStringList statements;
    if (!orderId.isEmpty()) statements = versionStatements(orderId);
    const int lookups = int(statements.size());
    statements << QStringLiteral("select CustomerID from Customers where CustomerID=%1").arg(r.customerId)
               << QStringLiteral("select EmployeeID from Employees where EmployeeID=%1").arg(r.employeeId)
               << QStringLiteral("select ShippingMethodID from [Shipping Methods] where "
                                 "ShippingMethodID=%1").arg(r.shippingMethodId);
    QStringList products;
    for (const qlonglong id : r.productIds) products << QString::number(id);
    products.removeDuplicates();
    if (!products.isEmpty())
        statements << QStringLiteral("select ProductID from Products where ProductID in (%1)")
                          .arg(products.join(u','));
    const auto rows = connection.queryTogether(statements);

    SaveCheck check;
    if (!orderId.isEmpty()) check.version = versionOf(*rows[0], *rows[1]);
    if (rows[lookups]->rows() == 0) check.missing << QStringLiteral("the customer \"%1\"").arg(r.customer);
    if (rows[lookups + 1]->rows() == 0) check.missing << QStringLiteral("the employee \"%1\"").arg(r.employee);
    if (rows[lookups + 2]->rows() == 0)
        check.missing << QStringLiteral("the shipping method \"%1\"").arg(r.shippingMethod);
    if (!products.isEmpty()) {
        const QSet<qlonglong> present = idsOf(*rows[lookups + 3]);
        QStringList gone;
        for (int i = 0; i < r.productIds.size(); ++i)
            if (!present.contains(r.productIds[i])) gone << r.products.value(i);
        gone.removeDuplicates();
        for (const QString& name : gone) check.missing << QStringLiteral("the product \"%1\"").arg(name);
    }
    return check;
}

}  // namespace qd::order
