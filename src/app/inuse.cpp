#include "app/inuse.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cerrno>

namespace qd {

namespace {

struct Mark {
    QString path;
    qint64 pid = 0;
};

// The book's real file: a link followed, so that every path to one book finds the same marks.
QString realPath(const QString& bookPath) {
    const QFileInfo book(bookPath);
    const QString real = book.canonicalFilePath();
    return real.isEmpty() ? book.absoluteFilePath() : real;
}

QString markPrefix(const QString& bookPath) {
    return QLatin1Char('.') + QFileInfo(realPath(bookPath)).fileName() + QStringLiteral(".in-use.");
}

QList<Mark> marks(const QString& bookPath) {
    const QFileInfo book(realPath(bookPath));
    const QString prefix = markPrefix(bookPath);
    QList<Mark> found;
    const QDir folder = book.absoluteDir();
    for (const QString& name : folder.entryList({prefix + QLatin1Char('*')},
                                                QDir::Files | QDir::Hidden | QDir::System)) {
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&ok);
        if (ok && pid > 0) found.append({folder.filePath(name), pid});
    }
    return found;
}

QString thisProgram() { return QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath(); }

// A process number is reused in time; the mark holds the program that made it, so another
// program that now has the number does not count.
bool running(const Mark& mark) {
    if (::kill(pid_t(mark.pid), 0) != 0 && errno != EPERM) return false;
    QFile file(mark.path);
    if (!file.open(QIODevice::ReadOnly)) return true;
    const QString program = QString::fromUtf8(file.readLine()).trimmed();
    const QFileInfo exe(QStringLiteral("/proc/%1/exe").arg(mark.pid));
    if (program.isEmpty() || !exe.exists()) return true;
    return exe.canonicalFilePath() == program;
}

}  // namespace

InUseMark::InUseMark(const QString& bookPath) {
    const qint64 self = QCoreApplication::applicationPid();
    for (const Mark& mark : marks(bookPath))
        if (mark.pid != self && !running(mark)) m_unclean = true;
    const QFileInfo book(realPath(bookPath));
    m_path = book.absoluteDir().filePath(markPrefix(bookPath) + QString::number(self));
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_path.clear();
        return;
    }
    file.write(thisProgram().toUtf8());
}

InUseMark::~InUseMark() {
    if (!m_path.isEmpty()) QFile::remove(m_path);
}

QList<qint64> otherProcessesUsing(const QString& bookPath) {
    const qint64 self = QCoreApplication::applicationPid();
    QList<qint64> users;
    for (const Mark& mark : marks(bookPath))
        if (mark.pid != self && running(mark)) users.append(mark.pid);
    return users;
}

void clearStaleMarks(const QString& bookPath) {
    const qint64 self = QCoreApplication::applicationPid();
    for (const Mark& mark : marks(bookPath))
        if (mark.pid != self && !running(mark)) QFile::remove(mark.path);
}

}  // namespace qd
