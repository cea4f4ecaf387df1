#include "ui/controls/form.h"

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

void Form::Unload() { done(QDialog::Accepted); }

void Form::showEvent(QShowEvent* event) {
    ensureLoaded();
    QDialog::showEvent(event);
}

}  // namespace qd::ui
