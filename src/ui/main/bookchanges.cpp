// The order list kept current while the book changes under it: this desk's own saves and
// deletes, other desks' changes, a server that goes away and comes back (app/bookwatcher.h).

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/apptitle.h"
#include "app/book.h"
#include "app/bookwatcher.h"
#include "app/errortrap.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/controls/noticebar.h"

#include <algorithm>

namespace qd::ui {

namespace {

// More changed orders than this are read as the whole list (a sample-data load elsewhere).
constexpr int kMostInPlace = 2000;
constexpr int kNewsShownMs = 6000;

// Every order number in the book, in order (the list's rows are looked up against them when a
// file book tells that some orders went, without saying which).
std::vector<qint64> orderNumbers() {
    std::vector<qint64> numbers;
    data::Recordset rs;
    rs.open(QStringLiteral("select OrderID from Orders"), AppConnection());
    for (; !rs.eof(); rs.moveNext()) numbers.push_back(rs.integer(0));
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

// The command that made the changes shows the lines itself (its item click), so they are not
// read here a second time.
void Form1::TakeChangedOrders() {
    if (!m_watcher) return RefreshOrderList();
    m_linesFollow = false;
    m_watcher->deliver();
    m_linesFollow = true;
}

void Form1::takeOrderChanges(const data::BookChanges& changes) {
    if (changes.isEmpty() || ListView1->columnCount() == 0 ||
        AppConnection().state() != data::Connection::Open)
        return;
    if (orderListFilling()) {
        m_waiting.merge(changes);
        return;
    }
    try {
        if (changes.everything || changes.orders.size() > kMostInPlace) {
            RefreshOrderList();
            return;
        }
        QSet<qint64> orders = changes.orders;
        QSet<qint64> gone = changes.gone;
        if (changes.removals) {
            const std::vector<qint64> stored = orderNumbers();
            for (const qint64 listed : ListView1->listModel()->keys())
                if (!std::binary_search(stored.begin(), stored.end(), listed)) gone.insert(listed);
        }
        const QString shown = ListView1->selectedIndex() ? ListView1->selectedText() : QString();
        if (!orders.isEmpty() || !gone.isEmpty()) takeOrders(orders, gone);
        // The lines of the order shown, when they may have changed (a product deleted elsewhere
        // takes its lines out of every order without changing an order's row).
        const QString now = ListView1->selectedIndex() ? ListView1->selectedText() : QString();
        if (m_linesFollow && !now.isEmpty() && now == shown &&
            (orders.contains(now.toLongLong()) || changes.namesNoOrder()))
            ListView1_ItemClick();
    } catch (const Error& e) {
        // Not a user action: a server out of reach is shown as the list not being current.
        if (e.kind() == Error::Kind::Fault)
            reportUntrapped(QStringLiteral("The order list could not take the changes of the order book."), e);
    }
}

void Form1::orderListFailed(const std::exception& error) {
    const auto* own = dynamic_cast<const Error*>(&error);
    if (own && own->kind() == Error::Kind::Unreachable) return;  // the list stays, not current
    reportUntrapped(QStringLiteral("The order list could not be read to its end."), error);
}

void Form1::refreshOnRequest() {
    const UserAction::Handler action;
    try {
        RefreshOrderList();
    } catch (const std::exception& e) {
        reportUntrapped(QStringLiteral("The order list cannot be read again."), e);
    }
}

void Form1::bookLost() {
    m_notCurrent = true;
    updateTitle();
    m_notice->tell(QStringLiteral("Not current: the order book server cannot be reached. The "
                                  "orders shown are as they were last read; Quarrydesk connects "
                                  "again by itself."));
}

void Form1::bookBack() {
    m_notCurrent = false;
    updateTitle();
    m_notice->tell(QStringLiteral("Connected again: the orders shown are being read anew."),
                   kNewsShownMs);
    try {
        RefreshOrderList();
    } catch (const Error&) {
        // Gone again: the watcher says so.
    }
}

void Form1::updateTitle() {
    QString title = kProductName;
    QString book;
    try {
        book = bookTitle(chosenBook());
    } catch (const Error&) {
    }
    if (!book.isEmpty()) title += QStringLiteral(" - ") + book;
    if (m_notCurrent) title += QStringLiteral(" (not current)");
    setWindowTitle(title);
}

}  // namespace qd::ui
