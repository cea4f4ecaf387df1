#include "app/dialogs.h"

#include "app/apptitle.h"

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
    int showModal(QDialog*) override { return 0; }
};

ConsoleDialogs g_console;
Dialogs* g_dialogs = nullptr;

}  // namespace

Dialogs& dialogs() { return g_dialogs ? *g_dialogs : g_console; }

void setDialogs(Dialogs* dialogs) { g_dialogs = dialogs; }

}  // namespace qd
