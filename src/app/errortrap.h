#pragma once

#include "app/dialogs.h"
#include "core/error.h"

#include <QString>

#include <exception>
#include <utility>

namespace qd {

// The standard error trap of a handler. The handler declares its window and name once and
// runs each numbered statement through the trap; a statement that fails shows the
// "Application Error" box with the statement's number and the handler goes on with the next
// statement. A failing If condition counts as holding, so the statements inside the If run.
//
//     ErrorTrap trap("Form1", "Form_Load");
//     if (trap.test(100, [&] { return !exists(folder); })) trap(102, [&] { create(folder); });
class ErrorTrap {
public:
    ErrorTrap(QString window, QString handler)
        : m_window(std::move(window)), m_handler(std::move(handler)) {}

    // Runs one statement; returns false when it failed (and was reported).
    template <class Statement>
    bool operator()(int line, Statement&& statement) {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (const Error& e) {
            report(line, e.description());
        } catch (const std::exception& e) {
            report(line, QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

    // Evaluates an If condition; a failure is reported and counts as true.
    template <class Condition>
    bool test(int line, Condition&& condition) {
        bool result = true;
        (*this)(line, [&] { result = std::forward<Condition>(condition)(); });
        return result;
    }

    void report(int line, const QString& description) const;

    // "in Marrowlist2021/08/31.Form1.Form_Load "
    QString location() const;
    static QString message(const QString& description, const QString& location, int line);

    // The address that the error box asks the user to write to.
    static const QString kSupportEmail;
    static const QString kContactPage;

private:
    QString m_window;
    QString m_handler;
};

// Reports a failure in a handler that has no trap of its own and was started by the user
// directly (a click in a list, say): a plain message box with the description.
void reportUntrapped(const QString& action, const std::exception& error);

}  // namespace qd
