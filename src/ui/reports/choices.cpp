#include "ui/reports/choices.h"

#include "app/errortrap.h"
#include "core/error.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>

namespace qd::ui {

void setListIndex(QComboBox* list, int position) {
    const QSignalBlocker block(list);
    if (position < -1 || position >= list->count()) {
        list->setCurrentIndex(-1);
        throw Error(QStringLiteral("Invalid property value"), 380);
    }
    list->setCurrentIndex(position);
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

void FiredHandlers::report(const QString& failureText, const std::exception& error) {
    reportUntrapped(failureText, error);
}

}  // namespace qd::ui
