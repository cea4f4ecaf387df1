// Reports: the reports window, modal, with no owner.

#include "ui/main/form1.h"

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "ui/reports/form4.h"

namespace qd::ui {

void Form1::PushButton5_Click() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("PushButton5_Click"));
    trap(100, [&] {
        Form4 form;
        dialogs().showModal(&form);
    });
}

}  // namespace qd::ui
