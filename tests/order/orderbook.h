#pragma once

// A fresh order book opened as the program's shared connection, with helpers to put rows in
// and read them back exactly as stored.

#include "text/sqltext.h"
#include "app/appconnection.h"
#include "app/folders.h"
#include "data/recordset.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "text/textconv.h"

#include <QComboBox>
#include <QtTest>

#include <memory>

namespace book {

using Rows = QList<QVariantList>;

inline void open(const TestEnvironment& env) {
    qd::AppConnectionObject().reset();
    env.provideWorkingFile();
    qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
    qd::AppConnection().open(qd::ConnectionString());
}
inline void close() {
    qd::AppConnectionObject().reset();
}
inline void execute(const QString& sql) {
    qd::AppConnection().execute(sql);
}

inline Rows rows(const QString& sql) {
    Rows result;
    qd::data::Recordset rs;
    for (rs.open(sql, qd::AppConnection()); !rs.eof(); rs.moveNext()) {
        QVariantList row;
        for (int i = 0; i < rs.fieldCount(); ++i) row.append(rs.field(i));
        result.append(row);
    }
    return result;
}
inline QVariant single(const QString& sql) {
    return rows(sql).value(0).value(0);
}
inline int count(const QString& table) {
    return single("select count(*) from " + table).toInt();
}

// Inserts a row and returns its key.
inline qlonglong add(const QString& table, const QString& key, const QString& columns,
                     const QString& values) {
    execute("insert into " + table + " (" + columns + ") values (" + values + ")");
    return single("select max(" + key + ") from " + table).toLongLong();
}
inline qlonglong customer(const QString& name) {
    return add("Customers", "CustomerID", "CompanyName", qd::text::quoted(name));
}
inline qlonglong employee(const QString& first, const QString& last) {
    return add("Employees", "EmployeeID", "FirstName,LastName",
               qd::text::quoted(first) + "," + qd::text::quoted(last));
}
inline qlonglong shipping(const QString& name) {
    return add("[Shipping Methods]", "ShippingMethodID", "ShippingMethod", qd::text::quoted(name));
}
inline qlonglong product(const QString& name, const QString& price) {
    return add("Products", "ProductID", "ProductName,UnitPrice",
               qd::text::quoted(name) + "," + price);
}
inline qlonglong order(qlonglong customer, qlonglong employee, qlonglong shipping,
                       const QString& po, const QString& tax = "0") {
    return add("Orders", "OrderID",
               "CustomerID,EmployeeID,OrderDate,PurchaseOrderNumber,ShipDate,ShippingMethodID,"
               "SalesTaxRate",
               QStringLiteral("%1,%2,#03/07/2026#,%3,#12/31/2026#,%4,%5")
                   .arg(customer)
                   .arg(employee)
                   .arg(qd::text::quoted(po))
                   .arg(shipping)
                   .arg(tax));
}
inline void line(qlonglong order, qlonglong product, const QString& quantity, const QString& price,
                 const QString& discount) {
    add("[Order Details]", "OrderDetailID", "OrderID,ProductID,Quantity,UnitPrice,Discount",
        QStringLiteral("%1,%2,%3,%4,%5").arg(order).arg(product).arg(quantity, price, discount));
}
inline Rows lines(qlonglong order) {
    return rows(QStringLiteral("select ProductID, Quantity, UnitPrice, Discount from "
                               "[Order Details] where OrderID=%1 order by OrderDetailID")
                    .arg(order));
}

// Picks a list entry by its text, as the user would.
inline void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
}

// The error boxes shown, texts only.
inline QStringList errors(const ScriptedDialogs& dialogs) {
    QStringList texts;
    for (const Shown& s : dialogs.shown)
        if (s.title == QLatin1String("Application Error")) texts.append(s.text);
    return texts;
}

// A message box as the editors show their checks: OK only, no icon, application title.
inline void verifyPlainMessage(const Shown& shown, const QString& text) {
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.buttons, qd::Buttons::Ok);
    QCOMPARE(shown.icon, qd::Icon::None);
    QCOMPARE(shown.title, qd::applicationTitle());
}

}  // namespace book
