#pragma once

// Writing a file that the user named on the command line, the way a careful command-line tool
// does, so that a report or a copy never destroys what the name points at:
//  - "-" is standard output;
//  - a regular file, or a name that does not exist yet, is written under a temporary name
//    beside it and renamed over it only when everything was written (a half-written report
//    never replaces a good one);
//  - a symbolic link is followed: its target is written that way, the link stays;
//  - a FIFO, a device or any other file that is not a regular one is written into directly,
//    never replaced by a regular file.
//
//     writeOutputFile(path, [&](QIODevice& out) { writePdf(document, out); });

#include <QString>

#include <functional>

class QIODevice;

namespace qd {

// The name meaning standard output.
inline const QString kStandardOutput = QStringLiteral("-");

// The file a path finally names once every symbolic link on the way is followed, as an
// absolute path; the path itself when it is no link. A target that does not exist yet is
// given as the path it would have. A loop of links is an error naming the path.
QString finalTarget(const QString& path);

// Writes through `write`, which gets a device open for writing and may throw. Failures throw
// qd::Error naming the path the user gave; a regular file is then left as it was.
void writeOutputFile(const QString& path, const std::function<void(QIODevice&)>& write);

// True when both names end at the same file (standard output counts as one file).
bool sameOutputFile(const QString& a, const QString& b);

}  // namespace qd
