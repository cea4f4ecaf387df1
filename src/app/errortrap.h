#pragma once

#include "app/dialogs.h"
#include "app/useraction.h"
#include "core/error.h"
#include "data/transaction.h"

#include <QString>

#include <exception>
#include <optional>
#include <utility>

namespace qd {

// The standard error trap of a handler. The handler declares its window and name once and
// runs each numbered statement through the trap; a statement that fails shows the
// "Application Error" box with the statement's number and the handler goes on with the next
// statement. A failing If condition counts as holding, so the statements inside the If run.
//
//     ErrorTrap trap("Form1", "Form_Load");
//     if (trap.test(100, [&] { return !exists(folder); })) trap(102, [&] { create(folder); });
//
// A user action that writes runs its statements through action(): they are stored together
// or not at all, and the first failure inside ends the action instead of going on.
//
// The "Application Error" box is for faults. A failure that is a state of the world (the order
// book server cannot be reached, the user's role may only read) is told in a plain message,
// once per user action however many statements it stops (app/useraction.h).
class ErrorTrap {
public:
    ErrorTrap(QString window, QString handler)
        : m_window(std::move(window)), m_handler(std::move(handler)) {}

    // Runs one statement; returns false when it failed (and was reported).
    template <class Statement>
    bool operator()(int line, Statement&& statement) {
        const int outer = std::exchange(currentStatementOrigin(), line);
        try {
            std::forward<Statement>(statement)();
            currentStatementOrigin() = outer;
            m_lastLine = line;
            return true;
        } catch (const Error& e) {
            currentStatementOrigin() = outer;
            failed(line, e);
        } catch (const std::exception& e) {
            currentStatementOrigin() = outer;
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

    // Runs body as one user action, inside one write transaction on the connection (begun as
    // statement line). Inside it, the first statement that fails, or an explicit report, is
    // reported as always and then ends the action: everything it wrote is rolled back and
    // action returns false, so the handler ends with nothing half-stored. Otherwise the
    // transaction is committed; a failing commit is reported with the last statement's number.
    //
    //     if (!trap.action(104, AppConnection(), [&] { trap(104, ...); trap(106, ...); })) return;
    template <class Body>
    bool action(int line, data::Connection& connection, Body&& body) {
        std::optional<data::Transaction> transaction;
        if (!(*this)(line, [&] { transaction.emplace(connection); })) return false;
        try {
            const ActionScope scope(*this);
            std::forward<Body>(body)();
        } catch (const ActionEnded&) {
            return false;  // reported where it failed; the transaction rolls back
        }
        return (*this)(m_lastLine, [&] { transaction->commit(); });
    }
    bool inAction() const { return m_inAction; }
    // Ends the action being run, with nothing told and everything it wrote rolled back (a
    // check inside it found that the user must choose first).
    void endQuietly() const {
        if (m_inAction) throw ActionEnded{};
    }

    // Shows the error box for a failure at line; inside an action it also ends the action.
    void report(int line, const QString& description) const;

    // "in Marrowlist2021/08/31.Form1.Form_Load "
    QString location() const;
    static QString message(const QString& description, const QString& location, int line);

    // The address that the error box asks the user to write to.
    static const QString kSupportEmail;
    static const QString kContactPage;

private:
    // Unwinds an action from the failed statement to action(). Deliberately not an
    // std::exception, so that no handler's catch of errors stops it on the way.
    struct ActionEnded {};
    struct ActionScope {
        explicit ActionScope(ErrorTrap& trap) : trap(trap) { trap.m_inAction = true; }
        ~ActionScope() { trap.m_inAction = false; }
        ErrorTrap& trap;
    };

    // A fault gets the error box at the step that issued the failing statement; a state of
    // the world its plain message.
    void failed(int line, const Error& error) const;

    UserAction::Handler m_userAction;
    QString m_window;
    QString m_handler;
    bool m_inAction = false;
    int m_lastLine = 0;
};

// Reports a failure in a handler that has no trap of its own and was started by the user
// directly (a click in a list, say): a plain message box with the description.
void reportUntrapped(const QString& action, const std::exception& error);

}  // namespace qd
