#include "data/changes.h"

namespace qd::data {

namespace {
// A server's notification holds at most 8000 bytes; more orders than fit are "everything".
constexpr int kMaxPayload = 7900;
}  // namespace

BookChanges BookChanges::order(qint64 orderId) {
    BookChanges c;
    c.any = true;
    c.orders.insert(orderId);
    return c;
}

BookChanges BookChanges::deleted(qint64 orderId) {
    BookChanges c;
    c.any = true;
    c.gone.insert(orderId);
    return c;
}

BookChanges BookChanges::all() {
    BookChanges c;
    c.any = c.everything = true;
    return c;
}

BookChanges BookChanges::otherThanOrders() {
    BookChanges c;
    c.any = true;
    return c;
}

void BookChanges::merge(const BookChanges& other) {
    any = any || other.any;
    everything = everything || other.everything;
    removals = removals || other.removals;
    orders.unite(other.orders);
    gone.unite(other.gone);
    // A deleted order saved again afterwards (a number is never given twice) stays deleted.
    orders.subtract(gone);
}

QByteArray BookChanges::payload() const {
    if (everything || removals) return QByteArrayLiteral("*");
    if (namesNoOrder()) return QByteArrayLiteral("~");
    QByteArray text;
    auto add = [&](const QSet<qint64>& ids, const char* sign) {
        for (const qint64 id : ids) {
            if (!text.isEmpty()) text += ',';
            text += sign + QByteArray::number(id);
        }
    };
    add(orders, "");
    add(gone, "-");
    return text.size() > kMaxPayload ? QByteArrayLiteral("*") : text;
}

BookChanges BookChanges::fromPayload(const QByteArray& payload) {
    if (payload == "~") return otherThanOrders();
    BookChanges c;
    c.any = true;
    for (const QByteArray& part : payload.split(',')) {
        bool ok = false;
        const qint64 id = part.toLongLong(&ok);
        if (!ok) return all();
        if (id < 0)
            c.gone.insert(-id);
        else
            c.orders.insert(id);
    }
    return c;
}

}  // namespace qd::data
