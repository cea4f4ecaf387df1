#pragma once

// What the user does with one click or one key: a user action. A state of the world that stops
// an action (the order book server cannot be reached, the user's role may only read) is told
// once per action, however many of its statements it stops. An action is the run of the
// outermost handler at one modal level: a handler that opens a window modally runs the
// handlers of that window as actions of their own.
//
//     { const UserAction::Handler handler; ... tellOnce(error); ... }   // the error trap's part

#include "core/error.h"

namespace qd {

class UserAction {
public:
    // Marks a handler running; the outermost one of a modal level starts an action.
    class Handler {
    public:
        Handler();
        ~Handler();
        Handler(const Handler&) = delete;
        Handler& operator=(const Handler&) = delete;
    };
    // The number of the action now running (or of the last one).
    static quint64 current();
};

// Handlers run while a window is shown modally start actions of their own.
class ModalLevel {
public:
    ModalLevel();
    ~ModalLevel();
    ModalLevel(const ModalLevel&) = delete;
    ModalLevel& operator=(const ModalLevel&) = delete;
};

// The plain message of an error that is no program fault (a server out of reach, a refused
// change), shown in the standard message box unless the action was told of that kind already.
void tellOnce(const Error& error);

// The message's text: the error's description and what happens next.
QString plainMessage(const Error& error);

}  // namespace qd
