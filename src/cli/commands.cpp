#include "cli/commands.h"

#include "app/backups.h"
#include "app/folders.h"
#include "app/outputfile.h"
#include "core/error.h"
#include "data/bookcopy.h"
#include "data/connection.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"
#include "reports/orderreport.h"
#include "reports/readahead.h"
#include "transfer/orderfile.h"

#include <QDir>
#include <QFile>

namespace qd::cli {

namespace {

QString localBookFile() { return DataFolder() + QStringLiteral("/dbData.mdb"); }

// The book chosen on the command line, or else the one the program opens; the local file must
// exist already (only the program makes it).
BookLocation existingBook(const Invocation& run) {
    const BookLocation book = run.book ? *run.book : chosenBook();
    if (book.kind == BookLocation::Local && !FileExists(localBookFile()))
        throw Error(QStringLiteral("there is no order book at '%1'; open Quarrydesk once to "
                                   "create it")
                        .arg(QDir::toNativeSeparators(localBookFile())));
    return book;
}

// The file of the book in use; a book on a server has the server's own backups.
QString bookFile(const Invocation& run) {
    const BookLocation book = run.book ? *run.book : chosenBook();
    switch (book.kind) {
        case BookLocation::File: return book.where;
        case BookLocation::Local: return localBookFile();
        case BookLocation::Server: break;
    }
    throw Error(QStringLiteral("The order book %1 is on a PostgreSQL server, which keeps its own "
                               "backups; --backup and --restore work on order book files.")
                    .arg(book.uri()));
}

// A book named on the command line opened, a missing file made from the empty template.
void openOrMakeBook(data::Connection& connection, const BookLocation& book) {
    if (book.kind == BookLocation::File && !FileExists(book.where))
        CopyFile(ApplicationPath() + QStringLiteral("/dbBlank.mdb"), book.where);
    connection.open(bookConnectionString(book));
}

// What a report writes: its layout and the statement that reads its rows.
struct ReportToWrite {
    reports::ReportLayout layout;
    QString statement;
};

ReportToWrite catalogueReport(const QString& name) {
    const reports::ReportKind* kind = reports::findReportKind(name);
    ReportToWrite report{kind->create(), kind->statement};
    reports::applyCurrency(report.layout, *kind, reports::storedCurrencyChoice());
    return report;
}

ReportToWrite orderConfirmation(const QString& connectionString, qint64 orderId) {
    data::Connection connection;
    connection.open(connectionString);
    const std::optional<reports::OrderFacts> facts = reports::readOrderFacts(connection, orderId);
    if (!facts) throw Error(QStringLiteral("there is no order %1 in the order book").arg(orderId));
    reports::OrderReport one = reports::orderReport(*facts, reports::storedCurrencyChoice());
    return {std::move(one.layout), one.linesStatement};
}

}  // namespace

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int usageError(const Invocation& run, const QString& message) {
    print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                      .arg(run.program, message));
    return 2;
}

int reportCommand(const Options& options, const Invocation& run) {
    const QString connectionString = bookConnectionString(existingBook(run));
    const ReportToWrite report = options.order ? orderConfirmation(connectionString, options.orderId)
                                               : catalogueReport(*options.report);
    // Each file is written straight from the rows as they are read, so a report of any length
    // takes no more memory than a page of it; the rows are read on a second thread while the
    // pages before them are written.
    if (options.pdf) {
        reports::ReadAhead rows(connectionString, report.statement, report.layout);
        reports::exportPdf(report.layout, rows, reports::defaultPaper(), *options.pdf);
    }
    if (options.csv) {
        reports::ReadAhead rows(connectionString, report.statement, report.layout);
        reports::exportCsv(report.layout, rows, *options.csv);
    }
    return 0;
}

int initBookCommand(const Options& options, const Invocation& run) {
    const BookLocation server = parseBookLocation(*options.server);
    if (server.kind != BookLocation::Server)
        return usageError(run, QStringLiteral("--init-book makes a book on a PostgreSQL server; "
                                              "a new file book is made by --copy-book or at start"));
    data::initServerBook(server.where);
    print(stdout, QStringLiteral("Made the order book in %1.\n").arg(server.uri()));
    return 0;
}

int copyBookCommand(const Options& options, const Invocation& run) {
    const BookLocation source = parseBookLocation(*options.from);
    const BookLocation target = parseBookLocation(options.to);
    if (source == target) return usageError(run, QStringLiteral("--copy-book needs two different books"));
    data::Connection in, out;
    in.open(bookConnectionString(source));
    openOrMakeBook(out, target);
    QStringList counts;
    for (const data::CopiedTable& t : data::copyBook(in, out))
        counts << QStringLiteral("%1 %2").arg(t.rows).arg(t.table);
    print(stdout, QStringLiteral("Copied into %1: %2.\n").arg(target.uri(), counts.join(QStringLiteral(", "))));
    return 0;
}

int backupCommand(const Options& options, const Invocation& run) {
    backupBookTo(bookFile(run), *options.file);
    return 0;
}

int restoreCommand(const Options& options, const Invocation& run) {
    const QString kept = restoreBook(bookFile(run), *options.file);
    print(stderr, QStringLiteral("%1: the order book is now a copy of '%2'")
                          .arg(run.program, QDir::toNativeSeparators(*options.file)) +
                      (kept.isEmpty() ? QStringLiteral(".\n")
                                      : QStringLiteral("; the book it replaced is kept as '%1'.\n")
                                            .arg(QDir::toNativeSeparators(kept))));
    return 0;
}

int exportOrdersCommand(const Options& options, const Invocation& run) {
    data::Connection book;
    book.open(bookConnectionString(existingBook(run)));
    writeOutputFile(*options.file, [&](QIODevice& out) { transfer::writeOrders(book, out); });
    return 0;
}

int importOrdersCommand(const Options& options, const Invocation& run) {
    const BookLocation target = existingBook(run);
    QFile file;
    const bool standardInput = *options.file == kStandardOutput;
    const bool opened = standardInput
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(*options.file), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw Error(QStringLiteral("'%1' cannot be read: %2")
                        .arg(QDir::toNativeSeparators(*options.file), file.errorString()));
    data::Connection book;
    book.open(bookConnectionString(target));
    const transfer::ImportSummary summary = transfer::readOrders(book, file, options.dryRun);
    print(summary.problemCount > 0 ? stderr : stdout, summary.text());
    return summary.problemCount > 0 ? 1 : 0;
}

void chooseBookCommand(const Options& options, const Invocation& run) {
    if (options.book || options.forgetBook) rememberBook(run.book ? *run.book : BookLocation());
}

}  // namespace qd::cli
