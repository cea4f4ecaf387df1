#include "ui/controls/form.h"

#include "app/errortrap.h"
#include "app/folders.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/twips.h"

namespace qd::ui {

Form::Form(QWidget* parent) : QDialog(parent) {
    setFont(windowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void Form::ensureLoaded() {
    if (m_loaded) return;
    m_loaded = true;
    Form_Load();
}

void Form::loadLook(ErrorTrap& trap, int cursorLoadLine) {
    trap(100, [&] { ApplyBackColors(this); });
    trap(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.test(104, [&] { return FileExists(handCursorPath()); }))
        trap(cursorLoadLine, [&] { setMouseIcon(this, handCursorPath()); });
}

void Form::Unload() { done(QDialog::Accepted); }

void Form::showEvent(QShowEvent* event) {
    ensureLoaded();
    QDialog::showEvent(event);
}

}  // namespace qd::ui
