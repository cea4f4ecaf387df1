#pragma once

// What a save checks inside its own transaction, so that no desk overwrites another's change
// without being asked: the order as it is stored now against what the editor read when it
// opened it, and the customer, employee, shipping method and products the order refers to.
// The same reads tell an open editor that its order changed elsewhere. Nothing here knows
// about widgets; the statements are read together, in one trip to a server.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace qd::data {
class Connection;
}

namespace qd::order {

// An order as stored: its row and its lines (in their stored order), values only.
struct OrderVersion {
    bool exists = false;
    QByteArray head;
    QByteArray lines;

    bool operator==(const OrderVersion& other) const {
        return exists == other.exists && head == other.head && lines == other.lines;
    }
    bool operator!=(const OrderVersion& other) const { return !(*this == other); }
};

// What changed between two versions, for the user: "its details", "its lines" or both.
QString whatChanged(const OrderVersion& before, const OrderVersion& now);

// The statements that read an order's version (kept by the editor with its other reads).
QStringList versionStatements(const QString& orderId);

// What an order being saved refers to, with the names the user knows them by.
struct References {
    qlonglong customerId = 0;
    QString customer;
    qlonglong employeeId = 0;
    QString employee;
    qlonglong shippingMethodId = 0;
    QString shippingMethod;
    QList<qlonglong> productIds;
    QStringList products;  // by productIds' positions
};

struct SaveCheck {
    OrderVersion version;  // of the order being saved again; not read for a new one
    QStringList missing;   // what it refers to that is no longer in the book, for the user
};

// Reads an order's version (from the editor's kept reads where they hold it).
OrderVersion readVersion(data::Connection& connection, const QString& orderId);
// Reads, in one trip, the version of the order (when orderId is not empty) and which of the
// references are missing.
SaveCheck checkBeforeSave(data::Connection& connection, const QString& orderId,
                          const References& references);

}  // namespace qd::order
