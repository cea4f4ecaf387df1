#pragma once

// The commands the program runs without a window, one function each. Each returns the exit
// code (0 done, 1 the work could not be done, 2 wrong arguments) and throws qd::Error for work
// that could not be done.

#include "app/book.h"
#include "cli/options.h"

#include <cstdio>
#include <optional>

namespace qd::cli {

// What every command knows besides its options: the program's name for its messages, and the
// book that --book chose.
struct Invocation {
    QString program;
    std::optional<BookLocation> book;
};

// Text written and flushed at once, so that it keeps its place among other output.
void print(std::FILE* stream, const QString& text);
// "program: message" and the pointer to --help on standard error; returns 2.
int usageError(const Invocation& run, const QString& message);

// A report, or one order's confirmation, written to its files.
int reportCommand(const Options& options, const Invocation& run);
int initBookCommand(const Options& options, const Invocation& run);
int copyBookCommand(const Options& options, const Invocation& run);
int backupCommand(const Options& options, const Invocation& run);
int restoreCommand(const Options& options, const Invocation& run);
int exportOrdersCommand(const Options& options, const Invocation& run);
int importOrdersCommand(const Options& options, const Invocation& run);
// --book or --forget-book before the window opens: the choice remembered for later starts.
void chooseBookCommand(const Options& options, const Invocation& run);

}  // namespace qd::cli
