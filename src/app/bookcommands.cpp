#include "app/bookcommands.h"

#include "app/backups.h"
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

}  // namespace

std::optional<int> runBookCommandLine(const QStringList& args) {
    if (args.size() < 2) return std::nullopt;
    QString option = args[1];
    std::optional<QString> value;
    if (option.contains(QLatin1Char('='))) {
        value = option.mid(option.indexOf(QLatin1Char('=')) + 1);
        option = option.left(option.indexOf(QLatin1Char('=')));
    }
    const bool backup = option == QLatin1String("--backup");
    if (!backup && option != QLatin1String("--restore")) return std::nullopt;

    const QString program = QFileInfo(args.first()).fileName();
    if (!value && args.size() > 2) value = args[2];
    const int used = option == args[1] ? 3 : 2;
    if (!value || value->isEmpty() || args.size() > used) {
        say(QStringLiteral("%1: %2 needs one FILE and nothing else\nTry '%1 --help' for more "
                           "information.\n")
                .arg(program, option));
        return 2;
    }
    const QString book = DataFolder() + QStringLiteral("/dbData.mdb");
    try {
        if (backup) {
            backupBookTo(book, *value);
            return 0;
        }
        const QString kept = restoreBook(book, *value);
        say(QStringLiteral("%1: the order book is now a copy of '%2'").arg(program, QDir::toNativeSeparators(*value)) +
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
