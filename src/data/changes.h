#pragma once

// What a writing transaction changed in the order book, as far as the lists of the desks that
// show it care: which orders (added, changed or deleted, with their lines), or everything when
// that is too much to name. Every commit announces its changes to the program's own lists and,
// on a server, to every other desk (data/engine.h); a desk that learns of them takes the
// changed rows into its lists in place instead of reading every order again.
//
//     connection.noteChanges(BookChanges::order(42));   // inside the save's transaction

#include <QByteArray>
#include <QSet>

namespace qd::data {

struct BookChanges {
    bool any = false;         // something in the book changed (a lookup, a product, lines)
    bool everything = false;  // read every order again: too many, or not known which
    bool removals = false;    // some orders may be gone, not known which (a file gives no names)
    QSet<qint64> orders;      // the orders added, changed or deleted
    QSet<qint64> gone;        // orders known to be deleted (no need to read them again)

    static BookChanges order(qint64 orderId);
    static BookChanges deleted(qint64 orderId);
    static BookChanges all();
    // A change that leaves every order's row as it is (a lookup added, a product's lines).
    static BookChanges otherThanOrders();

    bool isEmpty() const { return !any; }
    bool touches(qint64 orderId) const {
        return everything || removals || orders.contains(orderId) || gone.contains(orderId);
    }
    // No order named: the change was elsewhere (lookups, products, lines).
    bool namesNoOrder() const { return orders.isEmpty() && gone.isEmpty(); }
    void merge(const BookChanges& other);

    // The changes as the text a server's notification carries ("*" for everything, "~" for a
    // change of no order, else the order numbers, deleted ones with a "-"), and back; a text
    // that cannot be read means everything.
    QByteArray payload() const;
    static BookChanges fromPayload(const QByteArray& payload);
};

}  // namespace qd::data
