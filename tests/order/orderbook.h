#pragma once

// A fresh order book opened as the program's shared connection, with helpers to put rows in
// and read them back exactly as stored.

#include "app/appconnection.h"
#include "app/globals.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "support/testenv.h"
#include "text/textconv.h"

#include <QApplication>
#include <QComboBox>
#include <QtTest>

#include <memory>

class OrderBook {
public:
    explicit OrderBook(TestEnvironment& env) : m_env(env) {}

    void open() {
        close();
        m_env.provideWorkingFile();
        qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
        qd::AppConnection().open(qd::ConnectionString());
    }
    void close() { qd::AppConnectionObject().reset(); }

    static void execute(const QString& sql) { qd::AppConnection().execute(sql); }

    static QList<QVariantList> rows(const QString& sql) {
        QList<QVariantList> result;
        qd::data::Recordset rs;
        rs.open(sql, qd::AppConnection());
        while (!rs.eof()) {
            QVariantList row;
            for (int i = 0; i < rs.fieldCount(); ++i) row.append(rs.field(i));
            result.append(row);
            rs.moveNext();
        }
        rs.close();
        return result;
    }
    static QVariant single(const QString& sql) {
        const QList<QVariantList> r = rows(sql);
        return r.isEmpty() ? QVariant() : r.first().value(0);
    }
    static int count(const QString& table, const QString& where = QString()) {
        return single(QStringLiteral("select count(*) from ") + table +
                      (where.isEmpty() ? QString() : QStringLiteral(" where ") + where))
            .toInt();
    }

    static qlonglong customer(const QString& name) {
        execute(QStringLiteral("insert into Customers (CompanyName) values ('%1')").arg(q(name)));
        return single(QStringLiteral("select max(CustomerID) from Customers")).toLongLong();
    }
    static qlonglong employee(const QString& first, const QString& last) {
        execute(QStringLiteral("insert into Employees (FirstName,LastName) values ('%1','%2')")
                    .arg(q(first), q(last)));
        return single(QStringLiteral("select max(EmployeeID) from Employees")).toLongLong();
    }
    static qlonglong shipping(const QString& name) {
        execute(QStringLiteral("insert into [Shipping Methods] (ShippingMethod) values ('%1')")
                    .arg(q(name)));
        return single(QStringLiteral("select max(ShippingMethodID) from [Shipping Methods]"))
            .toLongLong();
    }
    static qlonglong product(const QString& name, const QString& price) {
        execute(QStringLiteral("insert into Products (ProductName,UnitPrice) values ('%1',%2)")
                    .arg(q(name), price));
        return single(QStringLiteral("select max(ProductID) from Products")).toLongLong();
    }
    static qlonglong order(qlonglong customer, qlonglong employee, qlonglong shipping,
                           const QString& po, const QString& tax = QStringLiteral("0"),
                           const QString& orderDate = QStringLiteral("03/07/2026"),
                           const QString& shipDate = QStringLiteral("03/09/2026")) {
        execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                               "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                               "values (%1,%2,#%3#,'%4',#%5#,%6,%7)")
                    .arg(customer).arg(employee).arg(orderDate, q(po), shipDate).arg(shipping)
                    .arg(tax));
        return single(QStringLiteral("select max(OrderID) from Orders")).toLongLong();
    }
    static void line(qlonglong order, qlonglong product, const QString& quantity,
                     const QString& price, const QString& discount) {
        execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,"
                               "UnitPrice,Discount) values (%1,%2,%3,%4,%5)")
                    .arg(order).arg(product).arg(quantity, price, discount));
    }

    // Picks a list entry by its text, as the user would.
    static void choose(QComboBox* list, const QString& text) {
        const int index = list->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        list->setCurrentIndex(index);
    }

private:
    static QString q(const QString& text) { return qd::text::doubleQuotes(text); }
    TestEnvironment& m_env;
};
