#include "data/schemacheck.h"

#include "core/error.h"
#include "data/connection.h"

#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <optional>

namespace qd::data {

namespace {

QStringList words(const char* list) { return QString::fromUtf8(list).split(u','); }

// The columns a relation shows, without reading a row; nothing when it cannot be read.
std::optional<QSet<QString>> columnsOf(Connection& connection, const QString& name) {
    try {
        const auto cursor = connection.engine().query(QStringLiteral("select * from [%1] where 1=0")
                                                          .arg(name));
        QSet<QString> columns;
        for (int i = 0; i < cursor->columnCount(); ++i) columns.insert(cursor->columnName(i).toLower());
        return columns;
    } catch (const Error& e) {
        // A damaged file is no missing table: that is for the caller to tell.
        const long code = e.number() & 0xff;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_IOERR) throw;
        return std::nullopt;
    }
}

void check(Connection& connection, const std::vector<RequiredRelation>& relations,
           const QString& kind, QStringList& missing) {
    for (const RequiredRelation& relation : relations) {
        const auto columns = columnsOf(connection, relation.name);
        if (!columns) {
            missing << QStringLiteral("the %1 [%2] is missing").arg(kind, relation.name);
            continue;
        }
        for (const QString& column : relation.columns)
            if (!columns->contains(column.toLower()))
                missing << QStringLiteral("the %1 [%2] has no column %3")
                               .arg(kind, relation.name, column);
    }
}

}  // namespace

const std::vector<RequiredRelation>& requiredTables() {
    static const std::vector<RequiredRelation> tables{
        {QStringLiteral("Customers"), words("CustomerID,CompanyName,FirstName,LastName")},
        {QStringLiteral("Employees"), words("EmployeeID,FirstName,LastName,Title")},
        {QStringLiteral("Shipping Methods"), words("ShippingMethodID,ShippingMethod")},
        {QStringLiteral("Products"), words("ProductID,ProductName,UnitPrice")},
        {QStringLiteral("Orders"), words("OrderID,CustomerID,EmployeeID,OrderDate,"
                                         "PurchaseOrderNumber,ShipDate,ShippingMethodID,"
                                         "SalesTaxRate")},
        {QStringLiteral("Order Details"),
         words("OrderDetailID,OrderID,ProductID,Quantity,UnitPrice,Discount")},
    };
    return tables;
}

const std::vector<RequiredRelation>& requiredQueries() {
    static const std::vector<RequiredRelation> queries{
        {QStringLiteral("Orders by Customer"),
         words("CompanyName,PurchaseOrderNumber,OrderID,EmployeeID,OrderDate,ShipDate,"
               "ShippingMethodID")},
        {QStringLiteral("Total Price of Orders"), words("CompanyName,OrderID,SumOfTotal Price")},
        {QStringLiteral("Total Price of Order Details"),
         words("CompanyName,OrderID,ProductName,UnitPrice,Quantity,SubTotal,Discount,"
               "SubTotal With Discount,SalesTaxRate,Total Price")},
    };
    return queries;
}

QStringList missingSchema(Connection& connection) {
    QStringList missing;
    check(connection, requiredTables(), QStringLiteral("table"), missing);
    check(connection, requiredQueries(), QStringLiteral("saved query"), missing);
    if (missing.size() == int(requiredTables().size() + requiredQueries().size()) &&
        std::all_of(missing.begin(), missing.end(),
                    [](const QString& m) { return m.endsWith(QLatin1String(" is missing")); }))
        return {QStringLiteral("it holds none of the tables and saved queries of one")};
    return missing;
}

}  // namespace qd::data
