#include "app/folders.h"

#include "app/book.h"

#include "core/error.h"
#include "files/replacefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qd {

QString SpecialFolderPath(int csidl) {
    if (csidl != kCommonAppData) return QString();
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path.trimmed();
}

bool FileExists(const QString& path) { return !path.isEmpty() && QFileInfo::exists(path); }

bool DirectoryExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

namespace {
QString g_applicationPath;
}

QString ApplicationPath() {
    return g_applicationPath.isEmpty() ? QCoreApplication::applicationDirPath() : g_applicationPath;
}

void setApplicationPath(const QString& path) { g_applicationPath = path; }

QString DataFolder() {
    return SpecialFolderPath(kCommonAppData) + QStringLiteral("/Brisklane/") +
           QStringLiteral("Quarrydesk");
}

QString ConnectionString() { return bookConnectionString(chosenBook()); }

void CreateFolder(const QString& path) {
    // A new account may not have its data home yet; the shell's folders always exist.
    if (!QDir().mkpath(path))
        throw Error(QStringLiteral("Path/File access error: cannot create the folder '%1'.")
                        .arg(path),
                    75);
}

void CopyFile(const QString& from, const QString& to) {
    if (!QFileInfo::exists(from))
        throw Error(QStringLiteral("File not found: '%1'.").arg(from), 53);
    if (QFileInfo::exists(to))
        throw Error(QStringLiteral("File already exists: '%1'.").arg(to), 58);
    // Copied under a temporary name first, so an interrupted copy never looks like an order book.
    QFile source(from);
    files::Replacement how;
    how.likeFile = from;
    how.failure = [&](QString reason) {
        if (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
        return Error(QStringLiteral("Path/File access error: cannot copy '%1' to '%2': %3.")
                         .arg(from, to, reason),
                     75);
    };
    files::replaceFile(to, [&](QFile& part) {
        if (!source.open(QIODevice::ReadOnly)) throw how.failure(source.errorString());
        for (QByteArray chunk; !(chunk = source.read(1 << 20)).isEmpty();)
            if (part.write(chunk) != chunk.size()) throw how.failure(part.errorString());
        if (source.error() != QFileDevice::NoError) throw how.failure(source.errorString());
    }, how);
    // The template may be installed read-only; the working copy must be writable.
    QFile::setPermissions(to, QFile::permissions(to) | QFile::WriteOwner | QFile::ReadOwner);
}

}  // namespace qd
