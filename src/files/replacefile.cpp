#include "files/replacefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qd::files {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.');
}

Error failed(const Replacement& how, const QString& target, const QString& reason) {
    if (how.failure) return how.failure(reason);
    return Error(QStringLiteral("The file '%1' could not be written: %2")
                     .arg(QDir::toNativeSeparators(target), reason),
                 75);
}

// Opens a new file for writing with the permissions and group of likeFile; -1 with errno set
// when it cannot be made (EEXIST when the name is taken).
int openNewLike(const QString& path, const QString& likeFile) {
    struct stat like {};
    const bool known =
        !likeFile.isEmpty() && ::stat(QFile::encodeName(likeFile).constData(), &like) == 0;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, known ? (like.st_mode & 0777) : 0666);
    if (fd >= 0 && known) {
        // Exactly likeFile's permissions, whatever the umask; its group where the user may.
        [[maybe_unused]] const int owned = ::fchown(fd, uid_t(-1), like.st_gid);
        ::fchmod(fd, like.st_mode & 0777);
    }
    return fd;
}

// A rename is on disk only once its folder is. A folder that cannot be read or synced (some
// file systems cannot) has had the rename made all the same, so this never fails.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Removes the part and its SQLite journal whatever went wrong; errno is kept for the message.
void discard(const QString& part) {
    const int error = errno;
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
    errno = error;
}

}  // namespace

void createLike(const QString& path, const QString& likeFile) {
    const int fd = openNewLike(path, likeFile);
    if (fd < 0)
        throw Error(QStringLiteral("'%1' cannot be made: %2")
                        .arg(QDir::toNativeSeparators(path), systemReason(errno)),
                    75);
    ::close(fd);
}

void replaceFile(const QString& target, const std::function<void(QFile& part)>& write,
                 const Replacement& how) {
    // Named for this process, so that a part left by a killed run is known as such; a second
    // replacement of the same file in this process takes the next free name.
    const QString stem = QStringLiteral("%1.part-%2").arg(target, QString::number(QCoreApplication::applicationPid()));
    QString part = stem;
    int fd = openNewLike(part, how.likeFile);
    for (int n = 2; fd < 0 && errno == EEXIST && n < 100; ++n) {
        part = stem + QLatin1Char('-') + QString::number(n);
        fd = openNewLike(part, how.likeFile);
    }
    if (fd < 0) throw failed(how, target, systemReason(errno));
    ::close(fd);
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly)) {
        const QString why = file.errorString();
        discard(part);
        throw failed(how, target, why);
    }
    try {
        write(file);
    } catch (...) {
        file.close();
        discard(part);
        throw;
    }
    // Every byte on disk before the name points at them: a crash then finds old or new.
    const bool written = file.flush() && file.error() == QFileDevice::NoError;
    const QString reason = file.errorString();
    if (!written || ::fsync(file.handle()) != 0) {
        const QString why = written ? systemReason(errno) : reason;
        file.close();
        discard(part);
        throw failed(how, target, why);
    }
    file.close();
    try {
        moveIntoPlace(part, target, how);
    } catch (...) {
        discard(part);
        throw;
    }
}

void moveIntoPlace(const QString& from, const QString& to, const Replacement& how) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw failed(how, to, systemReason(errno));
    syncFolder(QFileInfo(to).absolutePath());
}

}  // namespace qd::files
