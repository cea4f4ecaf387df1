#include "ui/order/keyboard.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>

namespace qd::ui {

namespace {

class EnterPresses : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            modifiers != Qt::NoModifier || key->isAutoRepeat())
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled()) return false;
        button->click();
        return true;
    }
};

}  // namespace

bool isFieldFocusChange(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

void pressOnEnter(QWidget* button) {
    static EnterPresses* const filter = new EnterPresses;
    button->installEventFilter(filter);
}

}  // namespace qd::ui
