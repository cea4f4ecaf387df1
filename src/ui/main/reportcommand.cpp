// Reports: the reports window, modal, with no owner; and the selected order's confirmation in
// the report preview ("Print Order...", Ctrl+P or the order list's context menu).

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "data/changes.h"
#include "data/recordset.h"
#include "reports/document.h"
#include "reports/orderreport.h"
#include "ui/controls/listview.h"
#include "ui/reports/form4.h"
#include "ui/reports/preview.h"

#include <QAction>
#include <QMenu>

namespace qd::ui {

void Form1::PushButton5_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton5_Click"));
    trap(100, [&] {
        Form4 form;
        dialogs().showModal(&form);
    });
}

void Form1::PrintOrder_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PrintOrder_Click"));
    if (ListView1->selectedIndex() == 0) return;  // no order to print
    trap(100, [&] {
        const qint64 id = selectedOrderNumber().toLongLong();
        const std::optional<reports::OrderFacts> facts = reports::readOrderFacts(AppConnection(), id);
        if (!facts) {
            // Deleted on another desk since the list showed it: say so, and show the list as
            // it is now.
            dialogs().message(QStringLiteral("Order %1 is no longer in the order book; it may "
                                             "have been deleted on another desk.")
                                  .arg(id));
            takeOrderChanges(data::BookChanges::deleted(id));
            return;
        }
        reports::OrderReport report = reports::orderReport(*facts, reports::storedCurrencyChoice());
        data::Recordset lines;
        lines.open(report.linesStatement, AppConnection());
        reports::ReportDocument document(std::move(report.layout), lines);
        showReport(document, this);
    });
}

void Form1::buildOrderMenu() {
    m_orderMenu = new QMenu(this);
    m_orderMenu->setObjectName(QStringLiteral("OrderMenu"));
    auto add = [this](const QString& text, const QKeySequence& keys, void (Form1::*command)()) {
        // The window's own keys run the command; the menu only shows them (as a shortcut of
        // the open menu, Enter would run Edit whichever entry is highlighted).
        QAction* action = m_orderMenu->addAction(
            text + QLatin1Char('\t') + keys.toString(QKeySequence::NativeText));
        connect(action, &QAction::triggered, this,
                [this, command] { QMetaObject::invokeMethod(this, command, Qt::QueuedConnection); });
        return action;
    };
    add(QStringLiteral("Edit Selected Order"), QKeySequence(Qt::Key_Return), &Form1::PushButton1_Click);
    add(QStringLiteral("Print Order..."), QKeySequence::Print, &Form1::PrintOrder_Click);
    m_orderMenu->addSeparator();
    add(QStringLiteral("Add New Order"), QKeySequence::New, &Form1::PushButton2_Click);
    add(QStringLiteral("Delete Selected Order"), QKeySequence::Delete, &Form1::PushButton3_Click);

    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const bool selected = ListView1->selectedIndex() != 0;
        const auto actions = m_orderMenu->actions();
        for (QAction* action : actions)
            if (!action->text().startsWith(QLatin1String("Add New Order"))) action->setEnabled(selected);
        m_orderMenu->popup(ListView1->viewport()->mapToGlobal(at));
    });
}

}  // namespace qd::ui
