#pragma once

// A Dialogs double for tests: answers message boxes and input boxes from queues, in order,
// drives modal windows with scripted steps, and records everything that was shown.

#include "app/apptitle.h"
#include "app/dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPointer>
#include <QQueue>
#include <QStringList>

#include <functional>

struct Shown {
    enum Kind { Message, Input, Window, Choice } kind;
    QString text;   // message text, input prompt, or window object name
    QString title;  // as shown: an empty title becomes the application title
    qd::Buttons buttons = qd::Buttons::Ok;
    qd::Icon icon = qd::Icon::None;
    qd::DefaultButton defaultButton = qd::DefaultButton::First;
    QStringList choices = {};  // a choice's buttons
};

class ScriptedDialogs : public qd::Dialogs {
public:
    ScriptedDialogs() { qd::setDialogs(this); }
    ~ScriptedDialogs() override { qd::setDialogs(nullptr); }

    QQueue<qd::Answer> answers;                       // for Yes/No questions
    QQueue<int> choices;                              // for questions with buttons of their own
    QQueue<QString> inputs;                           // for input boxes
    QQueue<std::function<void(QDialog*)>> windows;    // run while a modal window is open
    QList<Shown> shown;
    QStringList unexpected;  // questions, inputs and windows that had no scripted answer

    qd::Answer message(const QString& text, qd::Buttons buttons, const QString& title,
                       qd::Icon icon, qd::DefaultButton defaultButton) override {
        shown.append({Shown::Message, text, title.isEmpty() ? qd::applicationTitle() : title,
                      buttons, icon, defaultButton});
        if (buttons == qd::Buttons::Ok) return qd::Answer::Ok;
        if (answers.isEmpty()) {
            unexpected.append(text);
            return qd::Answer::No;
        }
        return answers.dequeue();
    }

    QString input(const QString& prompt, const QString& title, const QString&) override {
        shown.append({Shown::Input, prompt, title.isEmpty() ? qd::applicationTitle() : title,
                      qd::Buttons::Ok, qd::Icon::None});
        if (inputs.isEmpty()) {
            unexpected.append(prompt);
            return QString();
        }
        return inputs.dequeue();
    }

    int choose(const QString& text, const QStringList& buttons, const QString& title) override {
        shown.append({Shown::Choice, text, title.isEmpty() ? qd::applicationTitle() : title,
                      qd::Buttons::Ok, qd::Icon::None});
        shown.last().choices = buttons;
        if (choices.isEmpty()) {
            unexpected.append(text);
            return int(buttons.size()) - 1;
        }
        return choices.dequeue();
    }

protected:
    // Shows the window, lets its load run, runs the next scripted step on it, and closes it
    // if the step left it open, as the user's close box would.
    int runModal(QDialog* window) override {
        shown.append({Shown::Window, window->objectName(), window->windowTitle(),
                      qd::Buttons::Ok, qd::Icon::None});
        QPointer<QDialog> guard(window);
        window->setResult(QDialog::Rejected);
        window->show();
        if (windows.isEmpty()) {
            unexpected.append(window->objectName());
        } else {
            windows.dequeue()(window);
        }
        if (guard && guard->isVisible()) guard->reject();
        return guard ? guard->result() : QDialog::Rejected;
    }

public:
    // Messages shown, texts only.
    QStringList messages() const {
        QStringList texts;
        for (const Shown& s : shown)
            if (s.kind == Shown::Message) texts.append(s.text);
        return texts;
    }
};
