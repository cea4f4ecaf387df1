#pragma once

#include <QString>
#include <QStringList>

class QDialog;

namespace qd {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation };
enum class Answer { Ok, Yes, No };
// The button that Enter presses in a question: the first (Yes) or the second (No).
enum class DefaultButton { First, Second };

// Every message box, input box and modal window of the program goes through this seam, so
// that tests can answer them in order and see what was shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An empty title means the application title.
    virtual Answer message(const QString& text, Buttons buttons = Buttons::Ok,
                           const QString& title = QString(), Icon icon = Icon::None,
                           DefaultButton defaultButton = DefaultButton::First) = 0;
    // The typed text, or the empty text when the user cancels.
    virtual QString input(const QString& prompt, const QString& title,
                          const QString& defaultText = QString()) = 0;
    // A question whose answers Yes and No cannot put: the buttons' captions, the first the
    // default. Returns the index of the button pressed; Escape and the close box give the last.
    virtual int choose(const QString& text, const QStringList& buttons,
                       const QString& title = QString()) = 0;
    // Shows the window modally and returns when it has closed. What the user does in it is
    // a user action of its own (app/useraction.h).
    int showModal(QDialog* window);

protected:
    virtual int runModal(QDialog* window) = 0;
};

// The dialogs in use. Until a window toolkit installs its own, messages go to standard error
// and questions are answered No, which is what a program running without a screen needs.
Dialogs& dialogs();
// Installs the dialogs to use (not owned); nullptr goes back to the console fallback.
void setDialogs(Dialogs* dialogs);

}  // namespace qd
