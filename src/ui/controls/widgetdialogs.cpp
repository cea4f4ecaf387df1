#include "ui/controls/widgetdialogs.h"

#include "app/apptitle.h"
#include "ui/controls/lookandfeel.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace qd::ui {

QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

Answer WidgetDialogs::message(const QString& text, Buttons buttons, const QString& title,
                              Icon icon, DefaultButton defaultButton) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title.isEmpty() ? applicationTitle() : title, displayText(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    box.setWindowIcon(applicationIcon());
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultButton == DefaultButton::Second ? QMessageBox::No
                                                                    : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons == Buttons::Ok) return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString WidgetDialogs::input(const QString& prompt, const QString& title,
                             const QString& defaultText) {
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setWindowIcon(applicationIcon());
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    if (box.exec() != QDialog::Accepted) return QString();
    return box.textValue();
}

int WidgetDialogs::choose(const QString& text, const QStringList& buttons, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title.isEmpty() ? applicationTitle() : title,
                    displayText(text), QMessageBox::NoButton, QApplication::activeWindow());
    box.setWindowIcon(applicationIcon());
    QList<QAbstractButton*> made;
    for (int i = 0; i < buttons.size(); ++i)
        made << box.addButton(buttons[i], i == buttons.size() - 1 ? QMessageBox::RejectRole
                                                                   : QMessageBox::AcceptRole);
    if (!made.isEmpty()) {
        box.setDefaultButton(static_cast<QPushButton*>(made.first()));
        box.setEscapeButton(made.last());
    }
    box.exec();
    const int pressed = int(made.indexOf(box.clickedButton()));
    return pressed < 0 ? int(buttons.size()) - 1 : pressed;
}

int WidgetDialogs::runModal(QDialog* window) {
    window->setWindowModality(Qt::ApplicationModal);
    return window->exec();
}

}  // namespace qd::ui
