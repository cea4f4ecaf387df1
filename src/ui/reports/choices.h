#pragma once

// Setting list and option choices from code the way the handlers of the windows expect:
// the change is followed by the control's click handler, as a user's choice would be.

class QComboBox;
class QRadioButton;

namespace qd::ui {

// Selects entry position (-1: none) and returns; throws "Invalid property value" for a
// position outside the list, leaving the list with no selection.
void setListIndex(QComboBox* list, int position);

// Sets an option button; turning one off leaves its group with none selected.
void setOptionValue(QRadioButton* option, bool value);

}  // namespace qd::ui
