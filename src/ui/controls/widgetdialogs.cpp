#include "ui/controls/widgetdialogs.h"

#include "app/apptitle.h"
#include "ui/controls/lookandfeel.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

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

int WidgetDialogs::showModal(QDialog* window) {
    window->setWindowModality(Qt::ApplicationModal);
    return window->exec();
}

}  // namespace qd::ui
