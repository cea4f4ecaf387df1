#include "ui/controls/pushbutton.h"

#include "ui/controls/lookandfeel.h"
#include "ui/controls/twips.h"

#include <QKeyEvent>
#include <QPushButton>

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

QPushButton* makePushButton(QWidget* parent, const char* name, const QString& caption) {
    static EnterPresses* const enterPresses = new EnterPresses;
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(buttonFont());
    button->setAutoDefault(false);
    button->installEventFilter(enterPresses);
    setHandOnHover(button);
    return button;
}

}  // namespace qd::ui
