#include "ui/reports/choices.h"

#include "core/error.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>

namespace qd::ui {

void setListIndex(QComboBox* list, int position) {
    if (position < -1 || position >= list->count()) {
        const QSignalBlocker block(list);
        list->setCurrentIndex(-1);
        throw Error(QStringLiteral("Invalid property value"), 380);
    }
    list->setCurrentIndex(position);
    // The windows take a choice from activated, which the toolkit sends for the user's picks.
    emit list->activated(position);
}

void setOptionValue(QRadioButton* option, bool value) {
    if (value) {
        option->setChecked(true);
        return;
    }
    if (!option->isChecked()) return;
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

}  // namespace qd::ui
