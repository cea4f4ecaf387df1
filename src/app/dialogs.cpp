#include "app/dialogs.h"

#include "app/apptitle.h"
#include "app/useraction.h"

#include <cstdio>

namespace qd {

namespace {

class ConsoleDialogs : public Dialogs {
public:
    Answer message(const QString& text, Buttons buttons, const QString& title, Icon,
                   DefaultButton) override {
        const QString shown = (title.isEmpty() ? applicationTitle() : title) + QLatin1String(": ") +
                              QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        std::fprintf(stderr, "%s\n", shown.toLocal8Bit().constData());
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    QString input(const QString&, const QString&, const QString&) override { return QString(); }
    int choose(const QString& text, const QStringList& buttons, const QString& title) override {
        message(text, Buttons::Ok, title, Icon::None, DefaultButton::First);
        return int(buttons.size()) - 1;
    }

protected:
    int runModal(QDialog*) override { return 0; }
};

ConsoleDialogs g_console;
Dialogs* g_dialogs = nullptr;

}  // namespace

int Dialogs::showModal(QDialog* window) {
    const ModalLevel level;
    return runModal(window);
}

Dialogs& dialogs() { return g_dialogs ? *g_dialogs : g_console; }

void setDialogs(Dialogs* dialogs) { g_dialogs = dialogs; }

}  // namespace qd
