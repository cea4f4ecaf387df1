#pragma once

// Order books for the tests of the book's care: filled with orders, and spoilt the ways a disk,
// a crash or a wrong file spoil them.

#include "data/connection.h"
#include "data/recordset.h"
#include "data/transaction.h"
#include "support/testenv.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>

#include <sqlite3.h>

namespace books {

inline QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A copy of the template at path, with one customer, employee, shipping method and product,
// and `orders` orders; order n has linesOf(n) lines (two when none is given), each of
// quantity n.
inline void make(const QString& path, int orders, int (*linesOf)(int) = nullptr) {
    QFile::remove(path);
    QVERIFY(QFile::copy(TestEnvironment::templateFile(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    qd::data::Connection db;
    db.open(fileConnectionString(path));
    qd::data::Transaction transaction(db);
    db.execute(QStringLiteral("insert into Customers (CompanyName) values ('Acme')"));
    db.execute(QStringLiteral("insert into Employees (FirstName,LastName) values ('Ann','Vos')"));
    db.execute(QStringLiteral("insert into [Shipping Methods] (ShippingMethod) values ('Air')"));
    db.execute(QStringLiteral("insert into Products (ProductName,UnitPrice) values ('Widget',12.5)"));
    for (int n = 1; n <= orders; ++n) {
        db.execute(QStringLiteral("insert into Orders (CustomerID,EmployeeID,OrderDate,"
                                  "PurchaseOrderNumber,ShipDate,ShippingMethodID,SalesTaxRate) "
                                  "values (1,1,#03/07/2026#,'PO-%1',#03/08/2026#,1,0.07)")
                       .arg(n));
        for (int line = 0, lines = linesOf ? linesOf(n) : 2; line < lines; ++line)
            db.execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,"
                                      "UnitPrice,Discount) values (%1,1,%1,12.5,0)")
                           .arg(n));
    }
    transaction.commit();
}

inline int count(qd::data::Connection& db, const QString& table) {
    qd::data::Recordset rs;
    rs.open(QStringLiteral("select count(*) from ") + table, db);
    return rs.field(0).toInt();
}

// The first value a statement gives on the book at path.
inline QVariant single(const QString& path, const QString& sql) {
    qd::data::Connection db;
    db.open(fileConnectionString(path));
    qd::data::Recordset rs;
    rs.open(sql, db);
    return rs.eof() ? QVariant() : rs.field(0);
}

inline int orderCount(const QString& path) {
    qd::data::Connection db;
    db.open(fileConnectionString(path));
    return count(db, QStringLiteral("Orders"));
}

inline int pageSize(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray header = f.read(18);
    const int size = (quint8(header[16]) << 8) | quint8(header[17]);
    return size == 1 ? 65536 : size;
}

// The leaf pages of a table or index, found with SQLite's page statistics.
inline QList<int> leafPages(const QString& path, const char* name) {
    QList<int> pages;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "select pageno from dbstat where name = ?1 and pagetype = 'leaf' "
                       "order by pageno",
                       -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC);
    while (sqlite3_step(stmt) == SQLITE_ROW) pages << sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return pages;
}

// Overwrites one page with zeros, as a failing disk does.
inline void zeroPage(const QString& path, int page) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(qint64(page - 1) * pageSize(path)));
    QVERIFY(f.write(QByteArray(pageSize(path), '\0')) == pageSize(path));
}

// The last leaf page of the order lines zeroed: the lines of the newest orders are lost, while
// the orders themselves, and the lines the start-up shows first, still read.
inline void zeroLastLinePage(const QString& path) {
    const QList<int> leaves = leafPages(path, "Order Details");
    QVERIFY2(leaves.size() > 2, "the book is too small to spoil one page of lines");
    zeroPage(path, leaves.last());
}

// The file cut short, as a copy interrupted by a full disk leaves it.
inline void truncate(const QString& path, double keep) {
    QFile f(path);
    QVERIFY(f.resize(qint64(f.size() * keep) / pageSize(path) * pageSize(path)));
}

// A file of another program.
inline void foreign(const QString& path) {
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Name,Amount\r\nAcme,12.50\r\n");
}

// An order book's header with none of its tables: what is left when an order book was emptied
// by another tool.
inline void schemaless(const QString& path) {
    QFile::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db,
                 "PRAGMA application_id = 1363422513; PRAGMA user_version = 1; "
                 "create table Notes (Text TEXT);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

}  // namespace books
