// The export of every order line: one read of the orders joined to what they refer to, each
// row written as it is read.

#include "transfer/orderfile.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/engine.h"
#include "text/csv.h"
#include "text/numbers.h"

#include <QIODevice>

namespace qd::transfer {

const QStringList& orderColumns() {
    static const QStringList columns{
        QStringLiteral("Order"),          QStringLiteral("Customer"),
        QStringLiteral("Employee"),       QStringLiteral("Order Date"),
        QStringLiteral("Ship Date"),      QStringLiteral("PO Number"),
        QStringLiteral("Shipping Method"), QStringLiteral("Sales Tax Rate"),
        QStringLiteral("Product"),        QStringLiteral("Quantity"),
        QStringLiteral("Unit Price"),     QStringLiteral("Discount")};
    return columns;
}

namespace {

// Every order, those whose customer, employee, shipping method or product is gone too (with
// that name empty), and an order without lines once.
const QString kOrderLines = QStringLiteral(
    "SELECT Orders.OrderID, Customers.CompanyName, Employees.FirstName, Employees.LastName, "
    "Orders.OrderDate, Orders.ShipDate, Orders.PurchaseOrderNumber, "
    "[Shipping Methods].ShippingMethod, Orders.SalesTaxRate, Products.ProductName, "
    "[Order Details].Quantity, [Order Details].UnitPrice, [Order Details].Discount "
    "FROM Orders "
    "LEFT JOIN Customers ON Customers.CustomerID = Orders.CustomerID "
    "LEFT JOIN Employees ON Employees.EmployeeID = Orders.EmployeeID "
    "LEFT JOIN [Shipping Methods] ON [Shipping Methods].ShippingMethodID = Orders.ShippingMethodID "
    "LEFT JOIN [Order Details] ON [Order Details].OrderID = Orders.OrderID "
    "LEFT JOIN Products ON Products.ProductID = [Order Details].ProductID "
    "ORDER BY Orders.OrderID, [Order Details].OrderDetailID");

enum Column { Id, Company, First, Last, OrderDate, ShipDate, PoNumber, Method, Rate, Product,
              Quantity, UnitPrice, Discount };

bool special(char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }

// A text as a field: most names go out as their bytes; the few that need quotes or the
// apostrophe take the careful way.
void appendText(QByteArray& out, QByteArrayView utf8) {
    bool plain = utf8.isEmpty() || !QByteArrayView("=+-@\t\r'").contains(utf8.front());
    for (qsizetype i = 0; plain && i < utf8.size(); ++i) plain = !special(utf8[i]);
    if (plain)
        out.append(utf8);
    else
        out += text::csvField(QString::fromUtf8(utf8), false, text::CsvBreaks::Keep);
}

void appendValue(QByteArray& out, const data::Cursor& row, int column) {
    switch (row.type(column)) {
    case data::ValueType::Null:
        break;
    case data::ValueType::Integer:
        out += QByteArray::number(row.integer(column));
        break;
    case data::ValueType::Real:
        out += text::numberText(row.real(column)).toLatin1();
        break;
    case data::ValueType::Text:
        appendText(out, row.text(column));
        break;
    }
}

}  // namespace

const QString& exportStatement() { return kOrderLines; }

qint64 writeOrders(data::Connection& book, QIODevice& out) {
    QByteArray buffer;
    for (const QString& heading : orderColumns()) {
        if (!buffer.isEmpty()) buffer += ',';
        buffer += heading.toUtf8();
    }
    buffer += "\r\n";
    auto send = [&] {
        if (out.write(buffer) != buffer.size())
            throw Error(QStringLiteral("The orders could not be written: %1").arg(out.errorString()));
        buffer.clear();
    };
    const std::unique_ptr<data::Cursor> row = book.query(kOrderLines);
    qint64 rows = 0;
    for (; row->next(); ++rows) {
        appendValue(buffer, *row, Id);
        buffer += ',';
        appendValue(buffer, *row, Company);
        buffer += ',';
        // The employee by first and last name, as people name them.
        const bool first = row->type(First) != data::ValueType::Null && !row->text(First).isEmpty();
        const bool last = row->type(Last) != data::ValueType::Null && !row->text(Last).isEmpty();
        if (first && last) {
            QByteArray name = row->text(First).toByteArray();
            name += ' ';
            name += row->text(Last);
            appendText(buffer, name);
        } else if (first || last) {
            appendValue(buffer, *row, first ? First : Last);
        }
        for (int column = OrderDate; column <= Discount; ++column) {
            buffer += ',';
            appendValue(buffer, *row, column);
        }
        buffer += "\r\n";
        if (buffer.size() > (1 << 16)) send();
    }
    send();
    return rows;
}

}  // namespace qd::transfer
