// The order editor on a book that other desks share: what another desk changed is said inside
// the editor, and a save that finds the order changed, deleted, or something it refers to gone
// lets the user choose what stays (ordersave.cpp runs the check).

#include "ui/order/form2.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "data/connection.h"
#include "ui/controls/listview.h"
#include "ui/controls/noticebar.h"

#include <QComboBox>

namespace qd::ui {

namespace {

const QStringList kChoices{QStringLiteral("Keep Mine"), QStringLiteral("Take Theirs"),
                           QStringLiteral("Go Back")};
enum { KeepMine, TakeTheirs, GoBack };

}  // namespace

order::References Form2::references() const {
    order::References r;
    r.customerId = selectedId(Combo1, m_CustomerIDs);
    r.customer = Combo1->currentText();
    r.employeeId = selectedId(Combo2, m_EmployeeIDs);
    r.employee = Combo2->currentText();
    r.shippingMethodId = selectedId(Combo3, m_ShippingMethodIDs);
    r.shippingMethod = Combo3->currentText();
    for (int item = 1; item <= ListView1->count(); ++item) {
        r.productIds << ListView1->itemText(item).toLongLong();
        r.products << ListView1->subItemText(item, 1);
    }
    return r;
}

void Form2::changedElsewhere(const data::BookChanges& changes) {
    if (m_ID.isEmpty() || !m_loaded || !m_loaded->exists || changes.isEmpty()) return;
    bool number = false;
    const qint64 id = m_ID.toLongLong(&number);
    if (!number || (!changes.touches(id) && !changes.namesNoOrder())) return;
    try {
        const order::OrderVersion now = order::readVersion(AppConnection(), m_ID);
        if (now == *m_loaded) return;
        if (!now.exists)
            m_notice->tell(QStringLiteral("Order %1 was deleted on another desk after you opened "
                                          "it. Save asks whether to keep your version as a new "
                                          "order.").arg(m_ID));
        else
            m_notice->tell(QStringLiteral("Order %1 was changed on another desk after you opened "
                                          "it (%2). Save asks whose version to keep.")
                               .arg(m_ID, order::whatChanged(*m_loaded, now)));
    } catch (const std::exception&) {
        // Out of reach now: Save will tell.
    }
}

void Form2::resolve(Conflict conflict, const order::SaveCheck& check) {
    switch (conflict) {
    case Conflict::None:
        return;
    case Conflict::Changed: {
        const int choice = dialogs().choose(
            QStringLiteral("Order %1 was changed on another desk after you opened it (%2); "
                           "nothing was saved.\r\n\r\nKeep Mine saves your version over theirs. "
                           "Take Theirs shows the order as it is stored now, without your "
                           "changes. Go Back returns to your changes.")
                .arg(m_ID, order::whatChanged(*m_loaded, check.version)),
            kChoices);
        if (choice == KeepMine) {
            m_loaded = check.version;  // theirs is what the user chose to replace
            m_notice->dismiss();
            PushButton2_Click();
        } else if (choice == TakeTheirs) {
            m_kept.reset();  // what was kept is their old version
            m_notice->dismiss();
            try {
                FillCustomerList();
                FillEmployeeList();
                FillShippingMethodList();
                LoadOrder();
            } catch (const Error& e) {
                dialogs().message(QStringLiteral("The stored order cannot be shown: %1")
                                      .arg(e.description()),
                                  Buttons::Ok, QString(), Icon::Exclamation);
            }
        }
        return;
    }
    case Conflict::Deleted: {
        const int choice = dialogs().choose(
            QStringLiteral("Order %1 was deleted on another desk after you opened it; nothing "
                           "was saved.\r\n\r\nKeep Mine saves your version as a new order. Take "
                           "Theirs leaves it deleted and closes this window. Go Back returns to "
                           "your changes.").arg(m_ID),
            kChoices);
        if (choice == KeepMine) {
            m_ID.clear();
            m_loaded.reset();
            m_notice->dismiss();
            PushButton2_Click();
        } else if (choice == TakeTheirs) {
            Unload();
        }
        return;
    }
    case Conflict::ReferenceGone:
        dialogs().message(
            QStringLiteral("%1 refers to %2, which another desk deleted after you chose it; "
                           "nothing was saved. Choose again, then save.")
                .arg(m_ID.isEmpty() ? QStringLiteral("The new order")
                                    : QStringLiteral("Order %1").arg(m_ID),
                     check.missing.join(QStringLiteral(", "))),
            Buttons::Ok, QString(), Icon::Exclamation);
        // The lists as they are now, without what went.
        m_kept.reset();
        try {
            const auto names = check.missing.join(u'\n');
            if (names.contains(QLatin1String("the customer"))) FillCustomerList();
            if (names.contains(QLatin1String("the employee"))) FillEmployeeList();
            if (names.contains(QLatin1String("the shipping method"))) FillShippingMethodList();
        } catch (const Error&) {
        }
        return;
    }
}

}  // namespace qd::ui
