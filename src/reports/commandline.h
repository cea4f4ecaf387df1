#pragma once

// Printing a report without opening a window, for people who print the same report every
// week: quarrydesk --report "<entry text>" --pdf FILE [--csv FILE], and --help.

#include <QStringList>

#include <optional>

namespace qd::reports {

// Handles the arguments of the program (the first is the program itself). Returns nothing when
// there are none, so the program starts as usual; otherwise the exit code: 0 when every file
// was written or help was shown, 1 when the report could not be made, 2 for bad arguments.
// Messages go to standard error, help to standard output.
std::optional<int> runReportCommandLine(const QStringList& args);

// True when the arguments ask for work without windows (so no display is needed).
bool isCommandLineRun(int argc, char** argv);

// The help text.
QString commandLineHelp(const QString& program);

}  // namespace qd::reports
