#pragma once

#include "app/dialogs.h"

namespace qd::ui {

// The dialogs of a desktop session: message boxes and input boxes of the window toolkit.
class WidgetDialogs : public Dialogs {
public:
    Answer message(const QString& text, Buttons buttons, const QString& title, Icon icon,
                   DefaultButton defaultButton) override;
    QString input(const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    int choose(const QString& text, const QStringList& buttons, const QString& title) override;

protected:
    int runModal(QDialog* window) override;
};

// Message texts use CR LF and lone CR as line breaks; the toolkit wants LF.
QString displayText(const QString& text);

}  // namespace qd::ui
