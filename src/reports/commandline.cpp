#include "reports/commandline.h"

#include "core/version.h"

#include "app/book.h"
#include "app/globals.h"
#include "app/outputfile.h"
#include "core/error.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "reports/orderreport.h"
#include "reports/readahead.h"
#include "transfer/orderfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace qd::reports {

namespace {

void write(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int usageError(const QString& program, const QString& message) {
    write(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                      .arg(program, message));
    return 2;
}

// The book named on the command line opened, a missing file TO made from the empty template.
void openBook(data::Connection& connection, const BookLocation& book, bool makeMissingFile) {
    if (makeMissingFile && book.kind == BookLocation::File && !FileExists(book.where))
        CopyFile(ApplicationPath() + QStringLiteral("/dbBlank.mdb"), book.where);
    connection.open(bookConnectionString(book));
}

int copyBookCommand(const QString& program, const QString& from, const QString& to) {
    const BookLocation source = parseBookLocation(from);
    const BookLocation target = parseBookLocation(to);
    if (source == target)
        return usageError(program, QStringLiteral("--copy-book needs two different books"));
    data::Connection in, out;
    openBook(in, source, false);
    openBook(out, target, true);
    QStringList counts;
    for (const data::CopiedTable& t : data::copyBook(in, out))
        counts << QStringLiteral("%1 %2").arg(t.rows).arg(t.table);
    write(stdout, QStringLiteral("Copied into %1: %2.\n").arg(target.uri(), counts.join(QStringLiteral(", "))));
    return 0;
}

// The book chosen on the command line, or else the one the program opens; the local file must
// exist already (only the program makes it).
BookLocation existingBook(const std::optional<BookLocation>& chosen) {
    const BookLocation source = chosen ? *chosen : chosenBook();
    const QString local = DataFolder() + QStringLiteral("/dbData.mdb");
    if (source.kind == BookLocation::Local && !FileExists(local))
        throw Error(QStringLiteral("there is no order book at '%1'; open Quarrydesk once to "
                                   "create it")
                        .arg(QDir::toNativeSeparators(local)));
    return source;
}

int exportOrdersCommand(const BookLocation& source, const QString& path) {
    data::Connection book;
    book.open(bookConnectionString(source));
    writeOutputFile(path, [&](QIODevice& out) { transfer::writeOrders(book, out); });
    return 0;
}

int importOrdersCommand(const BookLocation& target, const QString& path, bool dryRun) {
    QFile file;
    const bool standardInput = path == kStandardOutput;
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw Error(QStringLiteral("'%1' cannot be read: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    data::Connection book;
    book.open(bookConnectionString(target));
    const transfer::ImportSummary summary = transfer::readOrders(book, file, dryRun);
    write(summary.problemCount > 0 ? stderr : stdout, summary.text());
    return summary.problemCount > 0 ? 1 : 0;
}

QString reportList() {
    QStringList names;
    for (const ReportKind& kind : reportKinds()) names << QLatin1Char('"') + kind.entryText + QLatin1Char('"');
    return names.join(QStringLiteral(", "));
}

}  // namespace

QString commandLineHelp(const QString& program) {
    return QStringLiteral(
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
               "\n"
               "  --book BOOK    use the order book BOOK: a file (PATH or sqlite:PATH) or a\n"
               "                 PostgreSQL database (postgresql://user@host:port/dbname or\n"
               "                 \"host=... dbname=...\"); passwords come from ~/.pgpass or\n"
               "                 PGPASSWORD. Opening the window with it remembers it for\n"
               "                 later starts; a report uses it for that run only.\n"
               "  --forget-book  open the local order book again and forget the one chosen\n"
               "  --init-book SERVER\n"
               "                 make the order book's tables and saved queries in the empty\n"
               "                 PostgreSQL database SERVER\n"
               "  --copy-book FROM TO\n"
               "                 copy every row of the book FROM into the book TO, which holds\n"
               "                 no rows yet (a missing file TO starts as an empty book)\n"
               "  --report NAME  make the report NAME from your order book and exit without\n"
               "                 opening a window; NAME is one of\n"
               "                 %2\n"
               "  --order ID     with --report Order: the confirmation of the order numbered\n"
               "                 ID (its facts, its lines and its totals)\n"
               "  --pdf FILE     write the report's pages to FILE as PDF\n"
               "  --csv FILE     write the report's rows to FILE as comma-separated values\n"
               "                 (UTF-8, numbers without grouping separators)\n"
               "                 FILE may be - for standard output; a link is followed and\n"
               "                 its target written, a pipe or device is written into\n"
               "  --backup FILE  write a checked copy of the order book file to FILE (- for\n"
               "                 standard output), also while Quarrydesk is open\n"
               "  --restore FILE check FILE, keep the order book file as a dated backup in\n"
               "                 the folder \"backups\" beside it and put FILE in its place\n"
               "                 (close Quarrydesk first)\n"
               "  --export-orders FILE\n"
               "                 write every order line of the book to FILE as comma-separated\n"
               "                 values: Order, Customer, Employee, Order Date, Ship Date,\n"
               "                 PO Number, Shipping Method, Sales Tax Rate, Product, Quantity,\n"
               "                 Unit Price, Discount (- for standard output)\n"
               "  --import-orders FILE\n"
               "                 add the orders of FILE (in that shape, columns in any order;\n"
               "                 - for standard input) to the book, with the customers,\n"
               "                 employees, shipping methods and products they name that the\n"
               "                 book lacks; any row that cannot be read stores nothing\n"
               "  --dry-run      with --import-orders: check everything, store nothing\n"
               "  --help         show this help and exit\n"
               "  --version      show the version and exit\n"
               "\n"
               "The money fields carry the currency chosen under Reports > Currency Options.\n"
               "Exit status: 0 when every file was written (or the book made or copied), 1 when\n"
               "the work could not be done, 2 for wrong arguments.\n")
        .arg(program, reportList(), QLatin1String(kVersion));
}

bool isCommandLineRun(int argc, char** argv) {
    // The toolkit's own options, which it also accepts with two dashes, start the windows.
    static const char* const toolkit[] = {"platform", "platformpluginpath", "platformtheme",
                                          "plugin", "style", "stylesheet", "reverse", "session",
                                          "display", "geometry", "qwindowgeometry",
                                          "qwindowtitle", "qwindowicon", "name", "title"};
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "-h") == 0) return true;
        if (std::strncmp(a, "--", 2) != 0) continue;
        // Choosing the book opens the window with it.
        if (std::strcmp(a, "--forget-book") == 0 || std::strncmp(a, "--book=", 7) == 0) continue;
        if (std::strcmp(a, "--book") == 0) {
            ++i;
            continue;
        }
        const char* name = a + 2;
        const size_t length = std::strcspn(name, "=");
        bool ownedByToolkit = false;
        for (const char* t : toolkit)
            if (std::strlen(t) == length && std::strncmp(name, t, length) == 0) ownedByToolkit = true;
        if (!ownedByToolkit) return true;
    }
    return false;
}

std::optional<int> runReportCommandLine(const QStringList& args) {
    if (args.size() <= 1) return std::nullopt;
    const QString program = QFileInfo(args.first()).fileName();

    QString report, pdf, csv, book, initBook, order, exportTo, importFrom;
    bool haveReport = false, havePdf = false, haveCsv = false, haveBook = false, haveInit = false;
    bool haveOrder = false, haveExport = false, haveImport = false;
    bool forgetBook = false, dryRun = false;
    QStringList copy;
    for (int i = 1; i < args.size(); ++i) {
        QString option = args[i];
        if (option == QLatin1String("--forget-book")) {
            forgetBook = true;
            continue;
        }
        if (option == QLatin1String("--dry-run")) {
            dryRun = true;
            continue;
        }
        if (option == QLatin1String("--copy-book")) {
            if (!copy.isEmpty()) return usageError(program, QStringLiteral("--copy-book is given twice"));
            if (i + 2 >= args.size() || args[i + 1].isEmpty() || args[i + 2].isEmpty())
                return usageError(program, QStringLiteral("--copy-book needs FROM and TO"));
            copy << args[i + 1] << args[i + 2];
            i += 2;
            continue;
        }
        std::optional<QString> value;
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            value = option.mid(option.indexOf(QLatin1Char('=')) + 1);
            option = option.left(option.indexOf(QLatin1Char('=')));
        }
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            write(stdout, commandLineHelp(program));
            return 0;
        }
        if (option == QLatin1String("--version")) {
            write(stdout, QStringLiteral("quarrydesk %1\n").arg(QLatin1String(kVersion)));
            return 0;
        }
        struct Target {
            const char* name;
            QString* text;
            bool* seen;
        };
        const Target targets[] = {{"--report", &report, &haveReport},
                                  {"--pdf", &pdf, &havePdf},
                                  {"--csv", &csv, &haveCsv},
                                  {"--book", &book, &haveBook},
                                  {"--order", &order, &haveOrder},
                                  {"--export-orders", &exportTo, &haveExport},
                                  {"--import-orders", &importFrom, &haveImport},
                                  {"--init-book", &initBook, &haveInit}};
        const Target* target = nullptr;
        for (const Target& t : targets)
            if (option == QLatin1String(t.name)) target = &t;
        if (!target) return usageError(program, QStringLiteral("unknown argument '%1'").arg(args[i]));
        if (*target->seen)
            return usageError(program, QStringLiteral("%1 is given twice").arg(option));
        if (!value) {
            if (i + 1 >= args.size())
                return usageError(program, QStringLiteral("%1 needs a value").arg(option));
            value = args[++i];
        }
        if (value->isEmpty())
            return usageError(program, QStringLiteral("%1 needs a value").arg(option));
        *target->text = *value;
        *target->seen = true;
    }
    const int commands = int(haveReport || havePdf || haveCsv || haveOrder) + int(haveInit) +
                         int(!copy.isEmpty()) + int(haveExport) + int(haveImport);
    if (commands > 1 || ((haveInit || !copy.isEmpty()) && (haveBook || forgetBook)))
        return usageError(program, QStringLiteral("--report, --init-book, --copy-book, "
                                                  "--export-orders and --import-orders go alone"));
    if (dryRun && !haveImport)
        return usageError(program, QStringLiteral("--dry-run goes with --import-orders"));
    if ((haveExport || haveImport) && forgetBook)
        return usageError(program, QStringLiteral("--forget-book does not go with %1")
                                       .arg(haveExport ? QStringLiteral("--export-orders")
                                                       : QStringLiteral("--import-orders")));
    if (haveBook && forgetBook)
        return usageError(program, QStringLiteral("--book and --forget-book contradict each other"));
    std::optional<BookLocation> chosen;
    try {
        if (haveBook) chosen = parseBookLocation(book);
        if (haveInit) {
            const BookLocation server = parseBookLocation(initBook);
            if (server.kind != BookLocation::Server)
                return usageError(program, QStringLiteral("--init-book makes a book on a "
                                                          "PostgreSQL server; a new file book "
                                                          "is made by --copy-book or at start"));
            data::initServerBook(server.where);
            write(stdout, QStringLiteral("Made the order book in %1.\n").arg(server.uri()));
            return 0;
        }
        if (!copy.isEmpty()) return copyBookCommand(program, copy[0], copy[1]);
        if (haveExport || haveImport) {
            const BookLocation source = existingBook(chosen);
            return haveExport ? exportOrdersCommand(source, exportTo)
                              : importOrdersCommand(source, importFrom, dryRun);
        }
        if (commands == 0) {
            // Only the book was chosen: remember it and open the window with it.
            rememberBook(chosen ? *chosen : BookLocation());
            return std::nullopt;
        }
    } catch (const Error& e) {
        write(stderr, QStringLiteral("%1: %2\n").arg(program, e.description()));
        return haveInit || !copy.isEmpty() || haveExport || haveImport ? 1 : 2;
    }
    if (forgetBook)
        return usageError(program, QStringLiteral("--forget-book does not go with --report"));
    if (!haveReport)
        return usageError(program, QStringLiteral("--pdf and --csv need --report NAME"));
    if (!havePdf && !haveCsv)
        return usageError(program, QStringLiteral("--report needs --pdf FILE or --csv FILE"));
    const bool oneOrder = report == kOrderReportName;
    if (oneOrder != haveOrder)
        return usageError(program, QStringLiteral("--report \"%1\" goes with --order ID, and "
                                                  "--order with it only")
                                       .arg(kOrderReportName));
    std::optional<qint64> orderId;
    if (oneOrder) {
        bool number = false;
        orderId = order.toLongLong(&number);
        if (!number || *orderId <= 0 || order.trimmed() != order)
            return usageError(program, QStringLiteral("--order needs an order number, not '%1'").arg(order));
    }
    const ReportKind* kind = findReportKind(report);
    if (!kind && !oneOrder)
        return usageError(program, QStringLiteral("there is no report \"%1\"; the reports are %2")
                                       .arg(report, reportList()));
    if (havePdf && haveCsv && sameOutputFile(pdf, csv))
        return usageError(program, QStringLiteral("--pdf and --csv name the same file"));

    try {
        const BookLocation source = existingBook(chosen);
        const QString connectionString = bookConnectionString(source);
        ReportLayout layout;
        QString statement;
        if (oneOrder) {
            data::Connection connection;
            connection.open(connectionString);
            const std::optional<OrderFacts> facts = readOrderFacts(connection, *orderId);
            if (!facts)
                throw Error(QStringLiteral("there is no order %1 in the order book").arg(*orderId));
            OrderReport one = orderReport(*facts, storedCurrencyChoice());
            layout = std::move(one.layout);
            statement = one.linesStatement;
        } else {
            layout = kind->create();
            applyCurrency(layout, *kind, storedCurrencyChoice());
            statement = kind->statement;
        }
        // Each file is written straight from the rows as they are read, so a report of any
        // length takes no more memory than a page of it; the rows are read on a second thread
        // while the pages before them are written.
        if (havePdf) {
            ReadAhead rows(connectionString, statement, layout);
            exportPdf(layout, rows, defaultPaper(), pdf);
        }
        if (haveCsv) {
            ReadAhead rows(connectionString, statement, layout);
            exportCsv(layout, rows, csv);
        }
    } catch (const Error& e) {
        write(stderr, QStringLiteral("%1: %2\n").arg(program, e.description()));
        return 1;
    }
    return 0;
}

}  // namespace qd::reports
