#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace qd::ui {

// A push button as every window has them: its designer name, the button font, the hand
// pointer on hover, and Enter or Return pressing it while it has the focus, as Space does.
// Nothing is a default button, so Enter in a field presses nothing.
QPushButton* makePushButton(QWidget* parent, const char* name, const QString& caption);

}  // namespace qd::ui
