#pragma once

#include <QLabel>
#include <QLineEdit>

namespace qd::ui {

// What a screen reader says for a field: the caption of the label above it. The label is tied
// to the field, as the toolkit's accessibility expects, and the field carries the name too
// (not every control of the toolkit looks for its label).
inline void nameAfterLabel(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
    // A date picker's own text field too, which some readers land on.
    for (QWidget* inner : field->findChildren<QLineEdit*>()) inner->setAccessibleName(label->text());
}

}  // namespace qd::ui
