#include "reports/commandline.h"

#include "app/globals.h"
#include "app/outputfile.h"
#include "core/error.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "reports/export.h"

#include <QDir>
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

QString reportList() {
    QStringList names;
    for (const ReportKind& kind : reportKinds()) names << QLatin1Char('"') + kind.entryText + QLatin1Char('"');
    return names.join(QStringLiteral(", "));
}

}  // namespace

QString commandLineHelp(const QString& program) {
    return QStringLiteral(
               "Usage: %1 [--report NAME (--pdf FILE | --csv FILE)...]\n"
               "       %1 --backup FILE | --restore FILE\n"
               "\n"
               "Without arguments the order register opens as usual.\n"
               "\n"
               "  --report NAME  make the report NAME from your order book and exit without\n"
               "                 opening a window; NAME is one of\n"
               "                 %2\n"
               "  --pdf FILE     write the report's pages to FILE as PDF\n"
               "  --csv FILE     write the report's rows to FILE as comma-separated values\n"
               "                 (UTF-8, numbers without grouping separators)\n"
               "                 FILE may be - for standard output; a link is followed and\n"
               "                 its target written, a pipe or device is written into\n"
               "  --backup FILE  write a checked copy of your order book to FILE (- for\n"
               "                 standard output), also while Quarrydesk is open\n"
               "  --restore FILE check FILE, keep your order book as a dated backup in its\n"
               "                 folder \"backups\" and put FILE in its place (close\n"
               "                 Quarrydesk first)\n"
               "  --help         show this help and exit\n"
               "\n"
               "The money fields carry the currency chosen under Reports > Currency Options.\n"
               "Exit status: 0 when every file was written, 1 when the report, copy or\n"
               "restore could not be made, 2 for wrong arguments.\n")
        .arg(program, reportList());
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

    QString report, pdf, csv;
    bool haveReport = false, havePdf = false, haveCsv = false;
    for (int i = 1; i < args.size(); ++i) {
        QString option = args[i];
        std::optional<QString> value;
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            value = option.mid(option.indexOf(QLatin1Char('=')) + 1);
            option = option.left(option.indexOf(QLatin1Char('=')));
        }
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            write(stdout, commandLineHelp(program));
            return 0;
        }
        struct Target {
            const char* name;
            QString* text;
            bool* seen;
        };
        const Target targets[] = {{"--report", &report, &haveReport},
                                  {"--pdf", &pdf, &havePdf},
                                  {"--csv", &csv, &haveCsv}};
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
    if (!haveReport)
        return usageError(program, QStringLiteral("--pdf and --csv need --report NAME"));
    if (!havePdf && !haveCsv)
        return usageError(program, QStringLiteral("--report needs --pdf FILE or --csv FILE"));
    const ReportKind* kind = findReportKind(report);
    if (!kind)
        return usageError(program, QStringLiteral("there is no report \"%1\"; the reports are %2")
                                       .arg(report, reportList()));
    if (havePdf && haveCsv && sameOutputFile(pdf, csv))
        return usageError(program, QStringLiteral("--pdf and --csv name the same file"));

    try {
        const QString book = DataFolder() + QStringLiteral("/dbData.mdb");
        if (!FileExists(book))
            throw Error(QStringLiteral("there is no order book at '%1'; open Quarrydesk once to "
                                       "create it")
                            .arg(QDir::toNativeSeparators(book)));
        data::Connection connection;
        connection.open(ConnectionString());
        data::Recordset rs;
        rs.open(kind->statement, connection, data::Recordset::OpenStatic, data::Recordset::ReadOnly);
        ReportLayout layout = kind->create();
        applyCurrency(layout, *kind, storedCurrencyChoice());
        ReportDocument document(std::move(layout), rs);
        rs.close();
        connection.close();
        if (havePdf) exportPdf(document, pdf);
        if (haveCsv) exportCsv(document, csv);
    } catch (const Error& e) {
        write(stderr, QStringLiteral("%1: %2\n").arg(program, e.description()));
        return 1;
    }
    return 0;
}

}  // namespace qd::reports
