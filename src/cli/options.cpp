#include "cli/options.h"

#include "core/version.h"

#include "app/outputfile.h"
#include "reports/catalogue.h"
#include "reports/orderreport.h"

#include <QCommandLineParser>
#include <QHash>

#include <algorithm>
#include <iterator>

namespace qd::cli {

namespace {

// Every option once: the parser is built from this table and the help lists it.
struct OptionEntry {
    const char* name;
    const char* syntax;  // what follows the name in the help, nullptr for a switch
    const char* help;    // lines after the first indented below it; %2 is the list of reports
    std::optional<QString> Options::*value = nullptr;  // where its value goes
    bool Options::*given = nullptr;                      // or the switch it sets
};

using O = Options;

const OptionEntry kOptions[] = {
    {"book", "BOOK",
     "use the order book BOOK: a file (PATH or sqlite:PATH) or a\n"
     "PostgreSQL database (postgresql://user@host:port/dbname or\n"
     "\"host=... dbname=...\"); passwords come from ~/.pgpass or\n"
     "PGPASSWORD. Opening the window with it remembers it for\n"
     "later starts; a report uses it for that run only.", &O::book},
    {"forget-book", nullptr, "open the local order book again and forget the one chosen", nullptr, &O::forgetBook},
    {"init-book", "SERVER",
     "make the order book's tables and saved queries in the empty\n"
     "PostgreSQL database SERVER", &O::server},
    {"copy-book", "FROM TO",
     "copy every row of the book FROM into the book TO, which holds\n"
     "no rows yet (a missing file TO starts as an empty book)", &O::from},
    {"report", "NAME",
     "make the report NAME from your order book and exit without\n"
     "opening a window; NAME is one of\n"
     "%2", &O::report},
    {"order", "ID",
     "with --report Order: the confirmation of the order numbered\n"
     "ID (its facts, its lines and its totals)", &O::order},
    {"pdf", "FILE", "write the report's pages to FILE as PDF", &O::pdf},
    {"csv", "FILE",
     "write the report's rows to FILE as comma-separated values\n"
     "(UTF-8, numbers without grouping separators)\n"
     "FILE may be - for standard output; a link is followed and\n"
     "its target written, a pipe or device is written into", &O::csv},
    {"backup", "FILE",
     "write a checked copy of the order book file to FILE (- for\n"
     "standard output), also while Quarrydesk is open", &O::file},
    {"restore", "FILE",
     "check FILE, keep the order book file as a dated backup in\n"
     "the folder \"backups\" beside it and put FILE in its place\n"
     "(close Quarrydesk first)", &O::file},
    {"export-orders", "FILE",
     "write every order line of the book to FILE as comma-separated\n"
     "values: Order, Customer, Employee, Order Date, Ship Date,\n"
     "PO Number, Shipping Method, Sales Tax Rate, Product, Quantity,\n"
     "Unit Price, Discount (- for standard output)", &O::file},
    {"import-orders", "FILE",
     "add the orders of FILE (in that shape, columns in any order;\n"
     "- for standard input) to the book, with the customers,\n"
     "employees, shipping methods and products they name that the\n"
     "book lacks; any row that cannot be read stores nothing", &O::file},
    {"dry-run", nullptr, "with --import-orders: check everything, store nothing", nullptr, &O::dryRun},
    {"help", nullptr, "show this help and exit"},
    {"version", nullptr, "show the version and exit"},
};

// Options of the widget toolkit: QApplication takes them away before the window's arguments are
// read, but a run without a window has none to do so, and there they mean nothing.
const char* const kWidgetOptions[] = {"style", "stylesheet"};

constexpr int kHelpColumn = 17;

QString reportList() {
    QStringList names;
    for (const reports::ReportKind& kind : reports::reportKinds())
        names << QLatin1Char('"') + kind.entryText + QLatin1Char('"');
    return names.join(QStringLiteral(", "));
}

QString optionHelp() {
    QString text;
    for (const OptionEntry& entry : kOptions) {
        QString head = QStringLiteral("  --") + QLatin1String(entry.name);
        if (entry.syntax) head += QLatin1Char(' ') + QLatin1String(entry.syntax);
        const QString indent(kHelpColumn, QLatin1Char(' '));
        text += head.size() < kHelpColumn ? head.leftJustified(kHelpColumn) : head + u'\n' + indent;
        text += QString::fromUtf8(entry.help).replace(u'\n', u'\n' + indent) + u'\n';
    }
    return text;
}

const OptionEntry* entryOf(const QString& name) {
    for (const OptionEntry& entry : kOptions)
        if (name == QLatin1String(entry.name)) return &entry;
    return name == QLatin1String("h") ? entryOf(QStringLiteral("help")) : nullptr;
}

void declareOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionEntry& entry : kOptions) {
        QStringList names{QLatin1String(entry.name)};
        if (names.first() == QLatin1String("help")) names.prepend(QStringLiteral("h"));
        const QString value = entry.syntax ? QString::fromLatin1(entry.syntax).section(u' ', 0, 0)
                                          : QString();
        parser.addOption(QCommandLineOption(names, QString::fromUtf8(entry.help), value));
    }
    for (const char* name : kWidgetOptions) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("VALUE"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString optionName(const QString& argument) {
    QString name = argument.section(u'=', 0, 0);
    return name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
}

// --copy-book FROM TO: TO is the word right after FROM, which the parser leaves as a stray word.
std::optional<QString> copyTarget(const QCommandLineParser& parser, const QStringList& args) {
    if (!parser.isSet(QStringLiteral("copy-book"))) return std::nullopt;
    const int at = int(std::find_if(args.begin(), args.end(), [](const QString& argument) {
                           return argument == QLatin1String("--copy-book") ||
                                  argument == QLatin1String("-copy-book");
                       }) - args.begin());
    if (at + 2 >= args.size() || !parser.positionalArguments().contains(args[at + 2]))
        return std::nullopt;
    return args[at + 2];
}

// The parser tells what it did not know but not where: the first argument that is no option
// of ours, or a switch given a value, or a word where no value is due.
std::optional<QString> strayArgument(const QCommandLineParser& parser, const QStringList& args) {
    for (const QString& argument : args.mid(1)) {
        if (argument == QLatin1String("--")) return argument;  // the parser would end options there
        if (argument.size() < 2 || !argument.startsWith(u'-')) continue;
        const OptionEntry* entry = entryOf(optionName(argument));
        if (parser.unknownOptionNames().contains(optionName(argument)) ||
            (entry && !entry->syntax && argument.contains(u'=')))
            return argument;
    }
    QStringList words = parser.positionalArguments();
    if (const std::optional<QString> to = copyTarget(parser, args)) words.removeOne(*to);
    if (!words.isEmpty()) return words.first();
    return std::nullopt;
}

// Whether --help or --version comes before the stray argument: the arguments were always read
// from left to right, and these two end the reading.
bool shownFirst(const QStringList& args, const QString& stray) {
    for (const QString& argument : args.mid(1)) {
        if (argument == stray) return false;
        const QString name = optionName(argument);
        const bool shows = name == QLatin1String("h") || name == QLatin1String("help") ||
                           name == QLatin1String("version");
        if (shows && argument.startsWith(u'-') && !argument.contains(u'=')) return true;
    }
    return false;
}

// --backup and --restore take nothing but their FILE and a --book, and say so for any fault.
std::variant<Options, UsageError> readBookFileCommand(const QCommandLineParser& parser,
                                                      const QStringList& args) {
    Options options;
    QString command;
    bool wrong = strayArgument(parser, args).has_value();
    QHash<QString, int> seen;
    for (const QString& name : parser.optionNames()) {
        if (!entryOf(name)) continue;  // a widget option
        const bool isCommand = name == QLatin1String("backup") || name == QLatin1String("restore");
        wrong = wrong || (!isCommand && name != QLatin1String("book"));
        if (isCommand) command = name;
        const int n = seen[isCommand ? QStringLiteral("command") : name]++;
        const QStringList values = parser.values(name);
        wrong = wrong || n > 0 || n >= values.size() || values[n].isEmpty();
    }
    if (wrong)
        return UsageError{QStringLiteral("--%1 needs one FILE and goes with nothing but --book BOOK")
                              .arg(command)};
    options.command = command == QLatin1String("backup") ? Options::Command::Backup
                                                         : Options::Command::Restore;
    options.file = parser.value(command);
    if (parser.isSet(QStringLiteral("book"))) options.book = parser.value(QStringLiteral("book"));
    return options;
}

// The options one by one in the order given, as they were always read: the first fault counts.
std::optional<UsageError> readEach(const QCommandLineParser& parser, Options& options) {
    QHash<QString, int> seen;
    for (const QString& given : parser.optionNames()) {
        const OptionEntry* entry = entryOf(given);
        if (!entry) continue;  // a widget option
        const QString name = QLatin1String(entry->name);
        if (name == QLatin1String("help") || name == QLatin1String("version")) {
            options.command = name == QLatin1String("help") ? Options::Command::Help
                                                             : Options::Command::Version;
            return std::nullopt;
        }
        const int n = seen[name]++;
        if (n > 0) return UsageError{QStringLiteral("--%1 is given twice").arg(name)};
        if (entry->given) options.*entry->given = true;
        if (!entry->value) continue;
        const QStringList values = parser.values(name);
        if (n >= values.size() || values[n].isEmpty())
            return UsageError{name == QLatin1String("copy-book")
                                  ? QStringLiteral("--copy-book needs FROM and TO")
                                  : QStringLiteral("--%1 needs a value").arg(name)};
        options.*entry->value = values[n];
    }
    return std::nullopt;
}

// Which command the options make, and whether they go together.
std::optional<UsageError> chooseCommand(const QCommandLineParser& parser, Options& options) {
    using Command = Options::Command;
    const auto given = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    const bool report = given("report") || given("pdf") || given("csv") || given("order");
    const std::pair<bool, Command> commands[] = {{report, Command::Report},
                                                 {given("init-book"), Command::InitBook},
                                                 {given("copy-book"), Command::CopyBook},
                                                 {given("export-orders"), Command::ExportOrders},
                                                 {given("import-orders"), Command::ImportOrders}};
    int count = 0;
    for (const auto& [isGiven, command] : commands)
        if (isGiven) options.command = command, ++count;
    const bool alone = options.command == Command::InitBook || options.command == Command::CopyBook;
    const bool chosen = options.book || options.forgetBook;
    if (count > 1 || (alone && chosen))
        return UsageError{QStringLiteral("--report, --init-book, --copy-book, --export-orders and "
                                         "--import-orders go alone")};
    if (options.dryRun && options.command != Command::ImportOrders)
        return UsageError{QStringLiteral("--dry-run goes with --import-orders")};
    if (options.forgetBook && (given("export-orders") || given("import-orders")))
        return UsageError{QStringLiteral("--forget-book does not go with %1")
                              .arg(given("export-orders") ? QStringLiteral("--export-orders")
                                                          : QStringLiteral("--import-orders"))};
    if (options.book && options.forgetBook)
        return UsageError{QStringLiteral("--book and --forget-book contradict each other")};
    return std::nullopt;
}

// A report needs its name, a file to write and, for one order, the order's number.
std::optional<UsageError> checkReport(Options& options) {
    if (options.forgetBook)
        return UsageError{QStringLiteral("--forget-book does not go with --report")};
    if (!options.report)
        return UsageError{QStringLiteral("--pdf and --csv need --report NAME")};
    if (!options.pdf && !options.csv)
        return UsageError{QStringLiteral("--report needs --pdf FILE or --csv FILE")};
    const bool oneOrder = *options.report == reports::kOrderReportName;
    if (oneOrder != options.order.has_value())
        return UsageError{QStringLiteral("--report \"%1\" goes with --order ID, and --order with "
                                         "it only")
                              .arg(reports::kOrderReportName)};
    if (oneOrder) {
        bool number = false;
        options.orderId = options.order->toLongLong(&number);
        if (!number || options.orderId <= 0 || options.order->trimmed() != *options.order)
            return UsageError{QStringLiteral("--order needs an order number, not '%1'")
                                  .arg(*options.order)};
    } else if (!reports::findReportKind(*options.report)) {
        return UsageError{QStringLiteral("there is no report \"%1\"; the reports are %2")
                              .arg(*options.report, reportList())};
    }
    if (options.pdf && options.csv && sameOutputFile(*options.pdf, *options.csv))
        return UsageError{QStringLiteral("--pdf and --csv name the same file")};
    return std::nullopt;
}

}  // namespace

QString helpText(const QString& program) {
    return (QStringLiteral(
               "Quarrydesk %3, a register of customer orders.\n"
               "\n"
               "Usage: %1 [--book BOOK | --forget-book]\n"
               "       %1 [--book BOOK] --report NAME (--pdf FILE | --csv FILE)...\n"
               "       %1 [--book BOOK] --report Order --order ID (--pdf FILE | --csv FILE)...\n"
               "       %1 --init-book SERVER\n"
               "       %1 --copy-book FROM TO\n"
               "       %1 [--book BOOK] (--backup FILE | --restore FILE)\n"
               "       %1 [--book BOOK] --export-orders FILE\n"
               "       %1 [--book BOOK] --import-orders FILE [--dry-run]\n"
               "\n"
               "Without arguments the order register opens with your order book.\n"
               "\n") +
           optionHelp() +
           QStringLiteral(
               "\n"
               "The money fields carry the currency chosen under Reports > Currency Options.\n"
               "Exit status: 0 when every file was written (or the book made or copied), 1 when\n"
               "the work could not be done, 2 for wrong arguments.\n"))
        .arg(program, reportList(), QLatin1String(kVersion));
}

std::variant<Options, UsageError> readOptions(const QStringList& args) {
    QCommandLineParser parser;
    declareOptions(parser);
    parser.parse(args);  // its complaints are told below, in the program's own words
    if (parser.isSet(QStringLiteral("backup")) || parser.isSet(QStringLiteral("restore")))
        return readBookFileCommand(parser, args);
    Options options;
    std::optional<UsageError> fault = readEach(parser, options);
    const bool shown = !fault && options.command != Options::Command::Window;  // help, version
    const std::optional<QString> stray = strayArgument(parser, args);
    if (stray && !(shown && shownFirst(args, *stray)))
        return UsageError{QStringLiteral("unknown argument '%1'").arg(*stray)};
    if (shown) return options;
    if (!fault && options.from) {
        options.to = copyTarget(parser, args).value_or(QString());
        if (options.to.isEmpty()) fault = UsageError{QStringLiteral("--copy-book needs FROM and TO")};
    }
    if (!fault) fault = chooseCommand(parser, options);
    if (!fault && options.command == Options::Command::Report) fault = checkReport(options);
    if (fault) return *fault;
    return options;
}

}  // namespace qd::cli
