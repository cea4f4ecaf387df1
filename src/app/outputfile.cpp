#include "app/outputfile.h"

#include "core/error.h"
#include "files/replacefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace qd {

namespace {

Error fileWriteError(const QString& path, const QString& reason) {
    return Error(QStringLiteral("The file '%1' could not be written: %2")
                     .arg(QDir::toNativeSeparators(path), reason),
                 75);
}

[[noreturn]] void fileError(const QString& path, const QString& reason) {
    throw fileWriteError(path, reason);
}

// Writes, then checks that the device took every byte (a full disk shows only here).
void writeAll(QFileDevice& device, const QString& path,
              const std::function<void(QIODevice&)>& write) {
    write(device);
    if (device.error() != QFileDevice::NoError) fileError(path, device.errorString());
}

void writeStandardOutput(const std::function<void(QIODevice&)>& write) {
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        fileError(kStandardOutput, out.errorString());
    writeAll(out, QStringLiteral("standard output"), write);
    if (!out.flush()) fileError(QStringLiteral("standard output"), out.errorString());
}

}  // namespace

QString finalTarget(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    // The kernel gives up after 40 links as well.
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink()) return QDir::cleanPath(current);
        current = info.symLinkTarget();
    }
    throw Error(QStringLiteral("The file '%1' could not be written: too many levels of "
                               "symbolic links.")
                    .arg(QDir::toNativeSeparators(path)),
                75);
}

void writeOutputFile(const QString& path, const std::function<void(QIODevice&)>& write) {
    if (path == kStandardOutput) return writeStandardOutput(write);
    const QString target = finalTarget(path);
    const QFileInfo info(target);
    if (info.isDir()) fileError(path, QStringLiteral("it is a folder."));
    if (info.exists() && !info.isFile()) {
        // A FIFO, a terminal, a device: what is written goes to whoever reads it.
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fileError(path, file.errorString());
        writeAll(file, path, write);
        file.close();
        if (file.error() != QFileDevice::NoError) fileError(path, file.errorString());
        return;
    }
    files::Replacement how;
    how.likeFile = target;  // an existing file keeps its permissions
    how.failure = [&](const QString& reason) { return fileWriteError(path, reason); };
    files::replaceFile(target, [&](QFile& part) { writeAll(part, path, write); }, how);
}

bool sameOutputFile(const QString& a, const QString& b) {
    if (a == kStandardOutput || b == kStandardOutput) return a == b;
    QString ta, tb;
    try {
        ta = finalTarget(a);
        tb = finalTarget(b);
    } catch (const Error&) {
        return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
    }
    const QFileInfo ia(ta), ib(tb);
    if (ia.exists() && ib.exists()) return ia.canonicalFilePath() == ib.canonicalFilePath();
    return ta == tb;
}

}  // namespace qd
