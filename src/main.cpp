#include "app/dialogs.h"
#include "cli/commandline.h"
#include "ui/controls/widgetdialogs.h"
#include "ui/main/endsession.h"
#include "ui/main/form1.h"
#include "ui/main/startupprobe.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <optional>

namespace {

// Work without a window needs no display (it often runs unattended) and makes no widgets: the
// fonts and the pages of a PDF need no more than a QGuiApplication.
int runWithoutWindow(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A scheduled job has no session folder for the toolkit's runtime files: the run makes a
    // private one of its own, so that what it prints is only what it did.
    std::optional<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime.emplace();
        if (runtime->isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    QGuiApplication app(argc, argv);
    // Such arguments always name some work (or a fault in them), never the window.
    return qd::cli::runCommandLine(app.arguments()).value_or(0);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qd::cli::isCommandLineRun(argc, argv)) return runWithoutWindow(argc, argv);
    QApplication app(argc, argv);
    // The book to open the window with, or a fault in the arguments.
    if (const std::optional<int> code = qd::cli::runCommandLine(app.arguments())) return *code;
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
