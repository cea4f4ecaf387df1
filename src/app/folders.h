#pragma once

// Where the program and its order book live: the special folders, the program's own folder,
// the data folder and the working book's connection string, and the file operations of the
// start-up.

#include <QString>

namespace qd {

// The shell's special folder for a CSIDL number, without a trailing separator, or "" when
// there is none. 35 is the common application data folder; on this platform it is the user's
// data home, the one such folder an ordinary desktop user can write.
QString SpecialFolderPath(int csidl);
constexpr int kCommonAppData = 35;

// True when the path names an existing file or folder.
bool FileExists(const QString& path);
// True when the path names an existing folder.
bool DirectoryExists(const QString& path);

// The program's own folder, where its template and companion files are installed.
QString ApplicationPath();
// Points the program at another folder of companions (tests use a folder of their own); an
// empty path goes back to the program's folder.
void setApplicationPath(const QString& path);

// SpecialFolderPath(35) & "/Brisklane" & "/Quarrydesk", asked afresh at every call.
QString DataFolder();
// The connection string of the working order book: the book the user chose (app/book.h), or
// dbData.mdb in the data folder.
QString ConnectionString();

// Folder and file operations of the start-up; each throws qd::Error naming the path.
void CreateFolder(const QString& path);
void CopyFile(const QString& from, const QString& to);

}  // namespace qd
