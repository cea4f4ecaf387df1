#include "app/systemcheck.h"

#include "data/connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>

namespace qd {

namespace {
std::function<bool()> g_check;
std::function<QString()> g_width;

constexpr int kStartErrorBase = -2147221504;
constexpr int kFileNotFound = 53;
constexpr int kPermissionDenied = 70;
constexpr int kPathNotFound = 76;
}  // namespace

bool dataObjectsAvailable() {
    if (g_check) return g_check();
    return data::fileEngineAvailable();
}

void setDataObjectsCheck(std::function<bool()> check) { g_check = std::move(check); }

QString GetAddressWidth() {
    if (g_width) return g_width();
    const QString arch = QSysInfo::currentCpuArchitecture();
    if (arch.isEmpty()) return QString();
    return arch.contains(QLatin1String("64")) ? QStringLiteral("64") : QStringLiteral("32");
}

void setAddressWidthSource(std::function<QString()> source) { g_width = std::move(source); }

int effectiveWindowStyle(int windowStyle) {
    return (windowStyle < 0 || windowStyle > 6) ? 6 : windowStyle;
}

int RunAndWait(const QString& path, int windowStyle) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUARRYDESK_WINDOW_STYLE"),
                       QString::number(effectiveWindowStyle(windowStyle)));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(path, QStringList());
    if (!process.waitForStarted(-1)) {
        const QFileInfo file(path);
        const int error = !file.dir().exists() ? kPathNotFound
                          : !file.exists()     ? kFileNotFound
                                               : kPermissionDenied;
        return kStartErrorBase + error;
    }
    while (process.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents();
        process.waitForFinished(100);
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 1;
}

}  // namespace qd
