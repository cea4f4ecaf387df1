#include "app/bookcommands.h"
#include "app/dialogs.h"
#include "reports/commandline.h"
#include "ui/controls/widgetdialogs.h"
#include "ui/main/endsession.h"
#include "ui/main/form1.h"
#include "ui/main/startupprobe.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

int main(int argc, char* argv[]) {
    // Reports made from the command line need no display (they often run unattended).
    const bool commandLine = qd::reports::isCommandLineRun(argc, argv);
    if (commandLine && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A scheduled job has no session folder for the toolkit's runtime files: the run makes a
    // private one of its own, so that what it prints is only what it did.
    std::optional<QTemporaryDir> runtime;
    if (commandLine && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime.emplace();
        if (runtime->isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    QApplication app(argc, argv);
    if (const std::optional<int> code = qd::runBookCommandLine(app.arguments())) return *code;
    if (const std::optional<int> code = qd::reports::runReportCommandLine(app.arguments()))
        return *code;
    QApplication::setApplicationName(QStringLiteral("Quarrydesk"));
    QApplication::setOrganizationName(QStringLiteral("Brisklane"));

    qd::ui::WidgetDialogs dialogs;
    qd::setDialogs(&dialogs);

    qd::ui::Form1 form;
    qd::ui::endSessionOnSignals(&form);
    qd::ui::probeStartUp(form);
    form.Form_Load();
    form.show();
    return app.exec();
}
