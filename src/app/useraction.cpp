#include "app/useraction.h"

#include "app/dialogs.h"

#include <vector>

namespace qd {

namespace {

std::vector<int>& handlersByLevel() {
    static std::vector<int> levels{0};
    return levels;
}
quint64 g_action = 0;
quint64 g_told[3] = {0, 0, 0};  // by kind: the action that was told last

}  // namespace

UserAction::Handler::Handler() {
    if (handlersByLevel().back()++ == 0) ++g_action;
}

UserAction::Handler::~Handler() { --handlersByLevel().back(); }

quint64 UserAction::current() { return g_action; }

ModalLevel::ModalLevel() { handlersByLevel().push_back(0); }

ModalLevel::~ModalLevel() { handlersByLevel().pop_back(); }

QString plainMessage(const Error& error) {
    if (error.kind() == Error::Kind::Unreachable)
        return error.description() +
               QStringLiteral("\r\n\r\nQuarrydesk connects again by itself; until then the "
                              "orders on the screen stay as they were last read.");
    return error.description();
}

void tellOnce(const Error& error) {
    quint64& told = g_told[int(error.kind())];
    // Outside every handler (a window's own reaction) each telling is an action of its own.
    if (handlersByLevel().back() > 0) {
        if (told == g_action) return;
        told = g_action;
    }
    dialogs().message(plainMessage(error), Buttons::Ok, QString(), Icon::Exclamation);
}

}  // namespace qd
