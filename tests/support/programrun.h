#pragma once

// Runs the built program as a user's job would: unattended, with no display and no platform
// chosen, in US English, from a given working folder.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

struct ProgramRun {
    int exitCode = -1;  // -2 when the program crashed, -1 when it did not end in time
    QByteArray bytes;   // standard output as written
    QString out, err;   // standard output and error as text
};

inline ProgramRun runQuarrydesk(const QString& folder, const QStringList& args,
                                int timeoutMs = 120000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quarrydesk"), args);
    ProgramRun run;
    if (!p.waitForFinished(timeoutMs)) return run;
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.bytes = p.readAllStandardOutput();
    run.out = QString::fromUtf8(run.bytes);
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}
