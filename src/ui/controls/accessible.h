#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace qd::ui {

// What a screen reader says for a field: the caption of the label above it. The label is tied
// to the field, as the toolkit's accessibility expects, and the field carries the name too
// (not every control of the toolkit looks for its label).
// A drop-down list's open list is a control of its own for a screen reader: it is named after
// its box.
inline void nameListOf(QComboBox* combo) { combo->view()->setAccessibleName(combo->accessibleName()); }

inline void nameAfterLabel(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
    // A date picker's own text field too, which some readers land on.
    for (QWidget* inner : field->findChildren<QLineEdit*>()) inner->setAccessibleName(label->text());
    if (auto* combo = qobject_cast<QComboBox*>(field)) nameListOf(combo);
}

}  // namespace qd::ui
