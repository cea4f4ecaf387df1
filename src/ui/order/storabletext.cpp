#include "ui/order/storabletext.h"

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "data/textfield.h"

namespace qd::ui {

bool refusedText(ErrorTrap& trap, int line, const QString& what, const QString& text) {
    const QString problem = data::textFieldProblem(what, text);
    if (problem.isEmpty()) return false;
    trap(line, [&] { dialogs().message(problem); });
    return true;
}

}  // namespace qd::ui
