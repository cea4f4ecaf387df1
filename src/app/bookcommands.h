#pragma once

// The order book's own commands, run without a window:
//     quarrydesk --backup FILE     a checked copy of the book, also while the program is open
//     quarrydesk --restore FILE    FILE checked and put in the book's place, the book kept

#include <QStringList>

#include <optional>

namespace qd {

// Handles the program's arguments (the first is the program itself) when they ask for one of
// these commands; nothing otherwise. The exit code: 0 done, 1 failed, 2 wrong arguments.
// Messages go to standard error (standard output may carry the copy).
std::optional<int> runBookCommandLine(const QStringList& args);

}  // namespace qd
