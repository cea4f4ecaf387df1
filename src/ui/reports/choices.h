#pragma once

// Choices in lists and option buttons made from code, and the handlers they fire.

#include <QString>

#include <exception>
#include <utility>

class QComboBox;
class QRadioButton;

namespace qd::ui {

// Selects entry position (-1: none); throws "Invalid property value" for a position outside
// the list, leaving the list with no selection. No handler runs: the caller runs the list's
// click handler, as choosing an entry does.
void setListIndex(QComboBox* list, int position);

// Sets an option button; turning one off leaves its group with none selected. Turning one on
// fires its toggled signal.
void setOptionValue(QRadioButton* option, bool value);

// The handlers that controls fire have no error trap. A failure in one that the user started
// is reported on its own; a failure in one that a trapped statement started by changing a
// control from code is handed back to that statement, so that its trap reports it with the
// statement's number.
class FiredHandlers {
public:
    template <class Statement>
    void statement(Statement&& changeControls) {
        ++m_depth;
        try {
            std::forward<Statement>(changeControls)();
        } catch (...) {
            --m_depth;
            m_error = nullptr;
            throw;
        }
        --m_depth;
        if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
    }

    template <class Handler>
    void fired(const QString& failureText, Handler&& handler) {
        try {
            std::forward<Handler>(handler)();
        } catch (const std::exception& e) {
            if (m_depth > 0) {
                if (!m_error) m_error = std::current_exception();
            } else {
                report(failureText, e);
            }
        }
    }

private:
    static void report(const QString& failureText, const std::exception& error);
    int m_depth = 0;
    std::exception_ptr m_error;
};

}  // namespace qd::ui
