#pragma once

// Keyboard and focus behaviour that the two order windows share.

class QEvent;
class QObject;
class QWidget;

namespace qd::ui {

// True for a focus change within the window (a click, Tab, a field focused by the program);
// false when the window itself is activated or deactivated or a pop-up opens, which is not
// the user entering or leaving the field.
bool isFieldFocusChange(const QEvent* event);

}  // namespace qd::ui
