#pragma once

// The program's command line: the work it does without a window (reports, one order's
// confirmation, making, copying, backing up and restoring books, orders out and in), --help and
// --version, and the book the window opens with.

#include <QStringList>

#include <optional>

namespace qd::cli {

// Handles the program's arguments (the first is the program itself). Returns nothing when the
// window is to open (no arguments, or only the book to open it with, which is then remembered);
// otherwise the exit code: 0 done or help shown, 1 the work could not be done, 2 wrong
// arguments. Messages go to standard error, help and results to standard output.
std::optional<int> runCommandLine(const QStringList& args);

// True when the arguments ask for work without a window, so that no display is needed and no
// widgets are made; decided before the toolkit reads the arguments.
bool isCommandLineRun(int argc, char** argv);

}  // namespace qd::cli
