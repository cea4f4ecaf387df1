#pragma once

// The program's arguments read into one structure: what to do, and with what. Reading checks
// only what the arguments say of themselves (each option once, with its value, commands that go
// together); whether a book, a report or an order exists is for the command to find out.

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace qd::cli {

struct Options {
    enum class Command {
        Window,  // no command: open the window, with --book or --forget-book remembered first
        Help,
        Version,
        Report,  // also one order's confirmation, with --order
        Backup,
        Restore,
        InitBook,
        CopyBook,
        ExportOrders,
        ImportOrders,
    };
    Command command = Command::Window;
    // The values as written, each there when its option was given.
    std::optional<QString> book;    // --book BOOK
    std::optional<QString> report;  // --report NAME
    std::optional<QString> order;   // --order ID
    std::optional<QString> pdf, csv;
    std::optional<QString> file;    // of --backup, --restore, --export-orders, --import-orders
    std::optional<QString> server;  // --init-book SERVER
    std::optional<QString> from;    // --copy-book FROM TO
    QString to;
    bool forgetBook = false;
    bool dryRun = false;
    qint64 orderId = 0;  // --order as read, for one order's confirmation
};

// A fault in the arguments, told as "program: message" and a pointer to --help (exit code 2).
struct UsageError {
    QString message;
};

// Reads the arguments (the first is the program itself).
std::variant<Options, UsageError> readOptions(const QStringList& args);

// The help text, listing the reports by name.
QString helpText(const QString& program);

}  // namespace qd::cli
