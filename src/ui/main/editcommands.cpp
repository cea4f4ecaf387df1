// Edit Selected Order and Add New Order: the order editor opened modally, the lists refilled
// however it was closed.

#include "ui/main/form1.h"

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"

#include <memory>

namespace qd::ui {

void Form1::PushButton1_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton1_Click"));
    if (!trap.test(100, [&] { return ListView1->count() > 0; })) return;
    // The whole row number: a 16-bit one would overflow past row 32,767 of a large order book
    // and select the wrong row, or none, after the edit.
    int position = 0;
    trap(102, [&] {
        const int selected = ListView1->selectedIndex();
        if (selected == 0)
            throw Error(QStringLiteral("Object variable or With block variable not set"), 91);
        position = selected;
    });
    auto editor = std::make_unique<Form2>();
    // Without a selected row there is no order to edit; the editor would open on a new one.
    if (!trap(104, [&] { editor->m_ID = ListView1->selectedText(); })) return;
    trap(106, [&] { editor->setWindowTitle(QStringLiteral("Edit Data")); });
    // An editor that could not read the order (the server out of reach, the order deleted
    // elsewhere) has said so and does not open.
    trap(108, [&] {
        editor->ensureLoaded();
        if (!editor->unavailable()) dialogs().showModal(editor.get());
    });
    const QString gone = editor->orderGone() ? editor->m_ID : QString();
    editor.reset();
    trap(110, [&] {
        TakeChangedOrders();
        if (!gone.isEmpty()) takeOrderChanges(data::BookChanges::deleted(gone.toLongLong()));
    });
    // The order was gone: the list shows the one now in its place, and no row was edited.
    if (!gone.isEmpty()) return;
    trap(112, [&] { ListView1->selectIndex(position); });
    trap(114, [&] { ListView1_ItemClick(); });
}

void Form1::PushButton2_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton2_Click"));
    auto editor = std::make_unique<Form2>();
    trap(116, [&] { editor->m_ID = QString(); });
    trap(118, [&] { editor->setWindowTitle(QStringLiteral("Add New")); });
    trap(120, [&] {
        editor->ensureLoaded();
        if (!editor->unavailable()) dialogs().showModal(editor.get());
    });
    // A saved order has its number now; a cancelled editor leaves it empty.
    const QString added = editor->m_ID;
    editor.reset();
    trap(122, [&] { TakeChangedOrders(); });
    if (!added.isEmpty()) showOrder(added);
}

}  // namespace qd::ui
