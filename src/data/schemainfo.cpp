#include "data/schemainfo.h"

#include <iterator>

namespace qd::data::schema {

namespace {

// Kept in step with schema.sql (the template book); test_jet compares the two.
constexpr Column kColumns[] = {
    {"Customers", "CustomerID", ColumnKind::Key},
    {"Customers", "CompanyName", ColumnKind::Text},
    {"Customers", "FirstName", ColumnKind::Text},
    {"Customers", "LastName", ColumnKind::Text},
    {"Employees", "EmployeeID", ColumnKind::Key},
    {"Employees", "FirstName", ColumnKind::Text},
    {"Employees", "LastName", ColumnKind::Text},
    {"Employees", "Title", ColumnKind::Text},
    {"Shipping Methods", "ShippingMethodID", ColumnKind::Key},
    {"Shipping Methods", "ShippingMethod", ColumnKind::Text},
    {"Products", "ProductID", ColumnKind::Key},
    {"Products", "ProductName", ColumnKind::Text},
    {"Products", "UnitPrice", ColumnKind::Money},
    {"Orders", "OrderID", ColumnKind::Key},
    {"Orders", "CustomerID", ColumnKind::Integer},
    {"Orders", "EmployeeID", ColumnKind::Integer},
    {"Orders", "OrderDate", ColumnKind::Date},
    {"Orders", "PurchaseOrderNumber", ColumnKind::Text},
    {"Orders", "ShipDate", ColumnKind::Date},
    {"Orders", "ShippingMethodID", ColumnKind::Integer},
    {"Orders", "SalesTaxRate", ColumnKind::Real},
    {"Order Details", "OrderDetailID", ColumnKind::Key},
    {"Order Details", "OrderID", ColumnKind::Integer},
    {"Order Details", "ProductID", ColumnKind::Integer},
    {"Order Details", "Quantity", ColumnKind::Real},
    {"Order Details", "UnitPrice", ColumnKind::Money},
    {"Order Details", "Discount", ColumnKind::Real},
};

bool same(QStringView a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

const Column* columnsBegin() { return std::begin(kColumns); }
const Column* columnsEnd() { return std::end(kColumns); }

QString unbracketed(QStringView name) {
    name = name.trimmed();
    if (name.size() >= 2 && name.front() == u'[' && name.back() == u']')
        name = name.mid(1, name.size() - 2);
    return name.toString();
}

std::optional<ColumnKind> columnKind(QStringView name) {
    // The last dot outside brackets separates the table from the column.
    qsizetype dot = -1;
    int depth = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'[') ++depth;
        else if (name[i] == u']') --depth;
        else if (name[i] == u'.' && depth == 0) dot = i;
    }
    const QString table = dot < 0 ? QString() : unbracketed(name.left(dot));
    const QString column = unbracketed(dot < 0 ? name : name.mid(dot + 1));
    std::optional<ColumnKind> kind;
    for (const Column& c : kColumns) {
        if (!same(column, c.name) || (!table.isEmpty() && !same(table, c.table))) continue;
        if (kind && *kind != c.kind) return std::nullopt;  // tables disagree
        kind = c.kind;
    }
    return kind;
}

QString integerKey(QStringView table) {
    const QString name = unbracketed(table);
    for (const Column& c : kColumns)
        if (c.kind == ColumnKind::Key && same(name, c.table)) return QString::fromLatin1(c.name);
    return QString();
}

}  // namespace qd::data::schema
