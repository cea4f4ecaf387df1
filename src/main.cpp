#include "app/bookcommands.h"
#include "app/dialogs.h"
#include "reports/commandline.h"
#include "ui/controls/widgetdialogs.h"
#include "ui/main/form1.h"
#include "ui/main/startupprobe.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A request to end the session (logout, shutdown, kill) closes the main window as its close
// box would, so the layout is saved and the order book closed cleanly.
int g_signalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

void closeOnTerminate(QWidget* mainWindow) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, mainWindow);
    QObject::connect(notifier, &QSocketNotifier::activated, mainWindow, [mainWindow] {
        char byte;
        [[maybe_unused]] const auto read = ::read(g_signalPipe[1], &byte, 1);
        mainWindow->close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Reports made from the command line need no display (they often run unattended).
    if (qd::reports::isCommandLineRun(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (const std::optional<int> code = qd::runBookCommandLine(app.arguments())) return *code;
    if (const std::optional<int> code = qd::reports::runReportCommandLine(app.arguments()))
        return *code;
    QApplication::setApplicationName(QStringLiteral("Quarrydesk"));
    QApplication::setOrganizationName(QStringLiteral("Brisklane"));

    qd::ui::WidgetDialogs dialogs;
    qd::setDialogs(&dialogs);

    qd::ui::Form1 form;
    closeOnTerminate(&form);
    qd::ui::probeStartUp(form);
    form.Form_Load();
    form.show();
    return app.exec();
}
