// The main window's commands on the order list.

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "text/recordnumber.h"
#include "ui/controls/listview.h"

namespace qd::ui {

void Form1::PushButton3_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton3_Click"));
    if (!trap.test(100, [&] { return ListView1->count() > 0; })) return;
    bool confirmed = false;
    // No is the default button, so a stray Enter deletes nothing.
    const bool asked = trap(102, [&] {
        confirmed = dialogs().message(QStringLiteral("Are you sure you want to delete [") +
                                          ListView1->selectedSubItem(1) + QStringLiteral(" - ") +
                                          ListView1->selectedSubItem(2) + QStringLiteral("]?"),
                                      Buttons::YesNo, QString(), Icon::None,
                                      DefaultButton::Second) == Answer::Yes;
    });
    // Without a selected row there is nothing the user agreed to delete.
    if (!asked || !confirmed) return;
    // The order and its lines go together or not at all.
    const bool deleted = trap.action(104, AppConnection(), [&] {
        trap(104, [&] {
            AppConnection().execute(QStringLiteral("delete from Orders where OrderID=") +
                                    selectedOrderNumber());
            AppConnection().noteChanges(data::BookChanges::deleted(selectedOrderNumber().toLongLong()));
        });
        trap(106, [&] {
            AppConnection().execute(QStringLiteral("delete from [Order Details] where OrderID=") +
                                    selectedOrderNumber());
        });
    });
    if (!deleted) return;
    trap(108, [&] { TakeChangedOrders(); });
}

QString Form1::selectedOrderNumber() const {
    return text::recordNumber(QStringLiteral("order number"), ListView1->selectedText());
}

void Form1::PushButton6_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton6_Click"));
    trap(100, [&] {
        dialogs().message(QStringLiteral("Questions? Please contact Team Brisklane at ") +
                          ErrorTrap::kContactPage);
    });
}

}  // namespace qd::ui
