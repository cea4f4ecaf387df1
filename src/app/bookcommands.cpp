#include "app/bookcommands.h"

#include "app/backups.h"
#include "app/book.h"
#include "app/globals.h"
#include "core/error.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace qd {

namespace {

void say(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// The file of the book in use; a book on a server has the server's own backups.
QString bookFile(const BookLocation& book) {
    switch (book.kind) {
        case BookLocation::File: return book.where;
        case BookLocation::Local: return DataFolder() + QStringLiteral("/dbData.mdb");
        case BookLocation::Server: break;
    }
    throw Error(QStringLiteral("The order book %1 is on a PostgreSQL server, which keeps its own "
                               "backups; --backup and --restore work on order book files.")
                    .arg(book.uri()));
}

}  // namespace

std::optional<int> runBookCommandLine(const QStringList& args) {
    // [--book BOOK] (--backup FILE | --restore FILE), each also as --option=VALUE.
    QString command, file, book;
    bool wrong = false;
    for (int i = 1; i < args.size(); ++i) {
        QString option = args[i];
        std::optional<QString> value;
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            value = option.mid(option.indexOf(QLatin1Char('=')) + 1);
            option = option.left(option.indexOf(QLatin1Char('=')));
        }
        const bool isCommand = option == QLatin1String("--backup") || option == QLatin1String("--restore");
        if (!isCommand && option != QLatin1String("--book")) {
            wrong = true;
            continue;
        }
        if (!value && i + 1 < args.size()) value = args[++i];
        if (isCommand) {
            wrong = wrong || !command.isEmpty() || !value || value->isEmpty();
            command = option;
            file = value.value_or(QString());
        } else {
            wrong = wrong || !book.isEmpty() || !value || value->isEmpty();
            book = value.value_or(QString());
        }
    }
    if (command.isEmpty()) return std::nullopt;
    const QString program = QFileInfo(args.first()).fileName();
    if (wrong) {
        say(QStringLiteral("%1: %2 needs one FILE and goes with nothing but --book BOOK\nTry '%1 "
                           "--help' for more information.\n")
                .arg(program, command));
        return 2;
    }
    try {
        const QString path = bookFile(book.isEmpty() ? chosenBook() : parseBookLocation(book));
        if (command == QLatin1String("--backup")) {
            backupBookTo(path, file);
            return 0;
        }
        const QString kept = restoreBook(path, file);
        say(QStringLiteral("%1: the order book is now a copy of '%2'")
                .arg(program, QDir::toNativeSeparators(file)) +
            (kept.isEmpty() ? QStringLiteral(".\n")
                            : QStringLiteral("; the book it replaced is kept as '%1'.\n")
                                  .arg(QDir::toNativeSeparators(kept))));
        return 0;
    } catch (const Error& e) {
        say(QStringLiteral("%1: %2\n").arg(program, e.description()));
        return 1;
    }
}

}  // namespace qd
