#include "cli/commandline.h"

#include "cli/commands.h"
#include "core/error.h"
#include "core/version.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace qd::cli {

namespace {

// The exit code, or nothing when the window is to open.
std::optional<int> runCommand(const Options& options, const Invocation& run) {
    using Command = Options::Command;
    switch (options.command) {
        case Command::Help: print(stdout, helpText(run.program)); return 0;
        case Command::Version:
            print(stdout, QStringLiteral("quarrydesk %1\n").arg(QLatin1String(kVersion)));
            return 0;
        case Command::Report: return reportCommand(options, run);
        case Command::Backup: return backupCommand(options, run);
        case Command::Restore: return restoreCommand(options, run);
        case Command::InitBook: return initBookCommand(options, run);
        case Command::CopyBook: return copyBookCommand(options, run);
        case Command::ExportOrders: return exportOrdersCommand(options, run);
        case Command::ImportOrders: return importOrdersCommand(options, run);
        case Command::Window: break;
    }
    chooseBookCommand(options, run);
    return std::nullopt;
}

}  // namespace

std::optional<int> runCommandLine(const QStringList& args) {
    if (args.size() <= 1) return std::nullopt;
    Invocation run{QFileInfo(args.first()).fileName(), std::nullopt};
    const std::variant<Options, UsageError> read = readOptions(args);
    if (const auto* wrong = std::get_if<UsageError>(&read)) return usageError(run, wrong->message);
    const Options& options = std::get<Options>(read);
    using Command = Options::Command;
    // A book that cannot be named is a wrong argument for the window and a report; the book
    // commands count it as work that could not be done.
    const bool bookIsArgument = options.command == Command::Window || options.command == Command::Report;
    try {
        if (options.book) run.book = parseBookLocation(*options.book);
    } catch (const Error& e) {
        print(stderr, QStringLiteral("%1: %2\n").arg(run.program, e.description()));
        return bookIsArgument ? 2 : 1;
    }
    try {
        return runCommand(options, run);
    } catch (const Error& e) {
        print(stderr, QStringLiteral("%1: %2\n").arg(run.program, e.description()));
        return 1;
    }
}

bool isCommandLineRun(int argc, char** argv) {
    // The toolkit's own options, which it also accepts with two dashes, start the windows.
    static const char* const toolkit[] = {"platform", "platformpluginpath", "platformtheme",
                                          "plugin", "style", "stylesheet", "reverse", "session",
                                          "display", "geometry", "qwindowgeometry",
                                          "qwindowtitle", "qwindowicon", "name", "title"};
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (a[0] != '-' || a[1] == '\0') continue;  // a word, or "-" for standard output
        const char* name = a + (a[1] == '-' ? 2 : 1);
        const size_t length = std::strcspn(name, "=");
        const auto is = [&](const char* option) {
            return std::strlen(option) == length && std::strncmp(name, option, length) == 0;
        };
        // Choosing the book opens the window with it.
        if (is("forget-book") && name[length] == '\0') continue;
        if (is("book")) {
            if (name[length] == '\0') ++i;  // its value follows
            continue;
        }
        if (std::none_of(std::begin(toolkit), std::end(toolkit), is)) return true;
    }
    return false;
}

}  // namespace qd::cli
