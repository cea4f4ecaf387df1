// Save: the checks, then the order and its lines written with one statement each.

#include "ui/order/form2.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "data/recordset.h"
#include "text/textconv.h"
#include "ui/controls/listview.h"
#include "ui/order/orderstatements.h"
#include "ui/order/storabletext.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace qd::ui {

// Inside the save's action: the first line that fails ends the save, so no line is written
// twice and the order keeps all its lines or none.
void Form2::insertLines(ErrorTrap& trap, int headLine, int buildLine, int executeLine) {
    int lines = 0;
    trap(headLine, [&] { lines = ListView1->count(); });
    for (int item = 1; item <= lines; ++item) {
        QString statement;
        trap(buildLine, [&] {
            statement = order::lineInsertStatement(
                m_ID, {ListView1->itemText(item), ListView1->subItemText(item, 2),
                       ListView1->subItemText(item, 3), ListView1->subItemText(item, 4)});
        });
        trap(executeLine, [&] { AppConnection().execute(statement); });
    }
}

void Form2::PushButton2_Click() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("PushButton2_Click"));
    auto missing = [&](int line, bool absent, const char* message, QWidget* field) {
        if (!absent) return false;
        trap(line + 2, [&] { dialogs().message(QString::fromUtf8(message)); });
        trap(line + 4, [&] { field->setFocus(); });
        return true;
    };
    bool absent = false;
    absent = trap.test(100, [&] { return Combo1->currentIndex() == -1; });
    if (missing(100, absent, "You forgot to select Customer.", Combo1)) return;
    absent = trap.test(106, [&] { return Combo2->currentIndex() == -1; });
    if (missing(106, absent, "You forgot to select Employee.", Combo2)) return;
    absent = trap.test(112, [&] { return Combo3->currentIndex() == -1; });
    if (missing(112, absent, "You forgot to select Shipping Method.", Combo3)) return;
    absent = trap.test(118, [&] { return order::isBlank(Text1->text()); });
    if (missing(118, absent, "You forgot to input PO Number.", Text1)) return;
    if (refusedText(trap, 120, QStringLiteral("PO Number"), Text1->text())) {
        trap(122, [&] { Text1->setFocus(); });
        return;
    }
    absent = trap.test(124, [&] { return ListView1->count() < 1; });
    if (missing(124, absent, "You forgot to add product(s).", PushButton9)) return;

    auto values = [&] {
        order::OrderValues order;
        order.customerId = selectedId(Combo1, m_CustomerIDs);
        order.employeeId = selectedId(Combo2, m_EmployeeIDs);
        order.shippingMethodId = selectedId(Combo3, m_ShippingMethodIDs);
        order.orderDate = DateTimePicker1->date();
        order.shipDate = DateTimePicker2->date();
        order.purchaseOrderNumber = Text1->text();
        order.taxRateText = Text2->text();
        return order;
    };

    // The order and its lines are one action: a statement that fails leaves the book as it was
    // and the editor open with everything the user typed, so Save can simply be pressed again.
    // Its first step looks, inside the same transaction, whether another desk changed or
    // deleted the order (or what it refers to) since the editor read it: then nothing is
    // written and the user chooses what stays.
    const QString openedAs = m_ID;
    const bool existing = trap.test(130, [&] { return !m_ID.isEmpty(); });
    Conflict conflict = Conflict::None;
    order::SaveCheck check;
    const bool saved = trap.action(existing ? 132 : 142, AppConnection(), [&] {
        trap(existing ? 132 : 142, [&] {
            check = order::checkBeforeSave(AppConnection(), existing ? m_ID : QString(), references());
            if (existing && !check.version.exists)
                conflict = Conflict::Deleted;
            else if (existing && m_loaded && check.version != *m_loaded)
                conflict = Conflict::Changed;
            else if (!check.missing.isEmpty())
                conflict = Conflict::ReferenceGone;
        });
        if (conflict != Conflict::None) trap.endQuietly();
        if (existing) {
            trap(132, [&] {
                AppConnection().execute(order::updateOrderStatement(values(), m_ID));
                AppConnection().noteChanges(data::BookChanges::order(m_ID.toLongLong()));
            });
            trap(134, [&] { AppConnection().execute(order::deleteLinesStatement(m_ID)); });
            insertLines(trap, 136, 138, 138);
            return;
        }
        trap(142, [&] { AppConnection().execute(order::insertOrderStatement(values())); });
        // No other program can write until the action ends, so the highest number is ours.
        std::unique_ptr<data::Recordset> rs;
        trap(144, [&] { rs = std::make_unique<data::Recordset>(); });
        trap(146, [&] {
            rs->open(QStringLiteral("SELECT max(OrderID) from orders"), AppConnection(),
                     data::Recordset::OpenStatic, data::Recordset::ReadOnly);
        });
        if (trap.test(148, [&] { return !rs->eof(); }))
            trap(150, [&] {
                m_ID = text::generalText(rs->field(0));
                AppConnection().noteChanges(data::BookChanges::order(m_ID.toLongLong()));
            });
        trap(152, [&] { rs->close(); });
        if (!trap.test(154, [&] { return !m_ID.isEmpty(); }))
            trap.report(154, QStringLiteral("The number of the new order could not be read back."));
        insertLines(trap, 156, 158, 160);
    });
    if (!saved) {
        m_ID = openedAs;  // nothing was stored: a new order is still new
        if (conflict != Conflict::None) resolve(conflict, check);
        return;
    }
    trap(164, [&] { dialogs().message(QStringLiteral("Record Successfully Saved")); });
    trap(166, [&] { Unload(); });
}

}  // namespace qd::ui
