#pragma once

// Replacing a file so that whoever reads it finds the old contents or the new, never a part:
// the new contents go into a file beside the target ("<target>.part-<process>"), which is
// synced, renamed over the target and made lasting by syncing the folder. On any failure the
// part is removed and the target stays as it was.
//
//     files::replaceFile(path, [&](QFile& part) { part.write(bytes); });

#include "core/error.h"

#include <QString>

#include <functional>

class QFile;

namespace qd::files {

struct Replacement {
    // The new file takes this file's permissions and, where the user may give it, its group
    // (from the moment it exists); the usual ones when empty or missing.
    QString likeFile;
    // The error for a failure of the replacement itself, given the reason (the system's
    // message, ending in a full stop). When unset: "The file '<target>' could not be written".
    std::function<Error(const QString& reason)> failure;
};

// Writes the new contents through `write`, which gets the part open for writing and may also
// write it by its name (part.fileName()) with other means, closing what it opened before it
// returns. What `write` throws is thrown on as it is; failures of the replacement throw
// Replacement::failure's error. The target is never a symbolic link here: a caller that
// follows links passes where they end.
void replaceFile(const QString& target, const std::function<void(QFile& part)>& write,
                 const Replacement& how = {});

// The last step of a replacement, for a complete file made beside the target by other means:
// renames `from` over `to` and syncs the folder. `from` stays where it was on failure.
void moveIntoPlace(const QString& from, const QString& to, const Replacement& how = {});

// Makes an empty file at path with the permissions and group of likeFile (the usual ones when
// that is empty or missing); an existing file is an error.
void createLike(const QString& path, const QString& likeFile);

}  // namespace qd::files
