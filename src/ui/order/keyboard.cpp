#include "ui/order/keyboard.h"

#include <QFocusEvent>

namespace qd::ui {

bool isFieldFocusChange(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace qd::ui
