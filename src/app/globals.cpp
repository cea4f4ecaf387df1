#include "app/globals.h"

#include "app/book.h"

#include "core/error.h"

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
    // Copy under a temporary name first, so an interrupted copy never looks like an order book.
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    QFile source(from);
    if (!source.copy(part) || !QFile::rename(part, to)) {
        QFile::remove(part);
        throw Error(QStringLiteral("Path/File access error: cannot copy '%1' to '%2': %3.")
                        .arg(from, to, source.errorString()),
                    75);
    }
    // The template may be installed read-only; the working copy must be writable.
    QFile::setPermissions(to, QFile::permissions(to) | QFile::WriteOwner | QFile::ReadOwner);
}

}  // namespace qd
