#pragma once

// One desk of an office in the tests of a shared order book: the program's main window in a
// process of its own (qd_desk, tests/office/desk.cpp), with folders of its own, driven by the
// commands a user's mouse and keyboard would give. Every line it printed is kept, so a test can
// count the message boxes an action showed.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class Desk {
public:
    // Starts a desk on the book (as after --book); extra environment as NAME=VALUE.
    explicit Desk(const QString& book, const QStringList& environment = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        for (const QString& pair : environment)
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        m_process.setProcessEnvironment(env);
        // What the window toolkit says on its own is kept beside, out of the test's output.
        m_process.setStandardErrorFile(m_home.filePath(QStringLiteral("stderr.log")));
        m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/qd_desk"), {book});
        m_ready = waitFor([](const QString& l) { return l == QLatin1String("ready"); }, 60000);
    }
    ~Desk() {
        m_process.closeWriteChannel();  // the desk closes its window and ends
        if (!m_process.waitForFinished(20000)) m_process.kill();
        m_process.waitForFinished(5000);
    }
    Desk(const Desk&) = delete;
    Desk& operator=(const Desk&) = delete;

    bool ready() const { return m_ready; }
    qint64 pid() const { return m_process.processId(); }
    // Waits for the desk to end by itself; its exit code, or -1.
    int waitForEnd(int timeoutMs) {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(timeoutMs)) return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    // Gives a command and returns what it printed before its "ok"; a failing command, or one
    // that never answers, gives "error ..." as its last line.
    QStringList run(const QString& command, int timeoutMs = 60000) {
        const int from = int(m_lines.size());
        m_process.write(command.toUtf8() + '\n');
        int at = -1;
        const bool answered = waitFor(
            [](const QString& l) { return l == QLatin1String("ok") || l.startsWith(QLatin1String("error ")); },
            timeoutMs, from, &at);
        if (!answered) return {QStringLiteral("error no answer to: ") + command};
        QStringList printed = m_lines.mid(from, at - from);
        if (m_lines[at] != QLatin1String("ok")) printed << m_lines[at] + QStringLiteral(" (") + command + u')';
        return printed;
    }

    // Marks where a test starts looking at what the desk prints.
    int mark() const { return int(m_lines.size()); }
    QStringList since(int mark) {
        read(0);
        return m_lines.mid(mark);
    }
    QStringList boxesSince(int mark) { return since(mark).filter(QRegularExpression(QStringLiteral("^box "))); }

    // Waits until a line the test looks for was printed since `from`.
    bool waitFor(const std::function<bool(const QString&)>& wanted, int timeoutMs, int from = 0,
                 int* at = nullptr) {
        QElapsedTimer clock;
        clock.start();
        for (int i = from;;) {
            for (; i < m_lines.size(); ++i)
                if (wanted(m_lines[i])) {
                    if (at) *at = i;
                    return true;
                }
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0 || m_process.state() == QProcess::NotRunning) return false;
            read(int(std::min<qint64>(left, 200)));
        }
    }
    bool waitForLine(const QString& start, int timeoutMs, int from) {
        return waitFor([&](const QString& l) { return l.startsWith(start); }, timeoutMs, from);
    }

    // Asks again every 100 ms until the answer is the one wanted; false when it never is.
    bool eventually(const std::function<bool()>& holds, int timeoutMs, qint64* tookMs = nullptr) {
        QElapsedTimer clock;
        clock.start();
        while (!holds()) {
            if (clock.elapsed() > timeoutMs) return false;
            read(100);
        }
        if (tookMs) *tookMs = clock.elapsed();
        return true;
    }

    // The rows of a list, "A|B|...", then "selected ID".
    QStringList rows(const QString& list) { return run(QStringLiteral("rows ") + list); }
    QString value(const QString& command, const QString& prefix) {
        const QStringList printed = run(command).filter(QRegularExpression(u'^' + prefix + u' '));
        return printed.isEmpty() ? QStringLiteral("(none)") : printed.last().mid(prefix.size() + 1);
    }
    QString title() { return value(QStringLiteral("title"), QStringLiteral("title")); }
    QString notice(const QString& window) {
        return value(QStringLiteral("notice ") + window, QStringLiteral("notice"));
    }
    QString field(const QString& name) {
        return value(QStringLiteral("field ") + name, QStringLiteral("field"));
    }

private:
    void read(int waitMs) {
        if (waitMs > 0) m_process.waitForReadyRead(waitMs);
        m_pending += m_process.readAllStandardOutput();
        int end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines << QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
        }
    }

    QTemporaryDir m_home;
    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
    bool m_ready = false;
};
