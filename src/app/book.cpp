#include "app/book.h"

#include "app/folders.h"
#include "app/settings.h"
#include "core/error.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace qd {

namespace {

const QString kBookKey = QStringLiteral("Book");

Error passwordRefused() {
    return Error(QStringLiteral("The book's address holds a password. Quarrydesk never keeps "
                                "passwords: put it in ~/.pgpass (or PGPASSWORD) and give the "
                                "address without it."));
}

}  // namespace

QString BookLocation::uri() const {
    switch (kind) {
        case Local: return QString();
        case File: return QStringLiteral("sqlite:") + where;
        case Server: return where;
    }
    return QString();
}

BookLocation parseBookLocation(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) throw Error(QStringLiteral("The book's address is empty."));
    static const QRegularExpression keywordForm(QStringLiteral(R"(^[A-Za-z_]+\s*=)"));
    if (t.startsWith(QLatin1String("postgresql://")) || t.startsWith(QLatin1String("postgres://"))) {
        const QUrl url(t);
        if (!url.password().isEmpty() ||
            QUrlQuery(url).hasQueryItem(QStringLiteral("password")))
            throw passwordRefused();
        return {BookLocation::Server, t};
    }
    if (keywordForm.match(t).hasMatch()) {
        static const QRegularExpression password(QStringLiteral(R"((^|\s)password\s*=)"),
                                                 QRegularExpression::CaseInsensitiveOption);
        if (password.match(t).hasMatch()) throw passwordRefused();
        return {BookLocation::Server, t};
    }
    QString path = t;
    if (path.startsWith(QLatin1String("sqlite:"))) {
        path = path.mid(7);
        if (path.startsWith(QLatin1String("//"))) path = path.mid(2);
    }
    if (path.isEmpty()) throw Error(QStringLiteral("The book's address names no file."));
    return {BookLocation::File, QFileInfo(path).absoluteFilePath()};
}

QString bookConnectionString(const BookLocation& book) {
    switch (book.kind) {
        case BookLocation::Server:
            return QStringLiteral("provider=postgresql;data source=") + book.where;
        case BookLocation::File:
            return QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=") + book.where +
                   QStringLiteral(";JET OLEDB:Database Password=");
        case BookLocation::Local:
            break;
    }
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=") +
           SpecialFolderPath(kCommonAppData) + QStringLiteral("/Brisklane/") +
           QStringLiteral("Quarrydesk") +
           QStringLiteral("/dbData.mdb;JET OLEDB:Database Password=");
}

BookLocation chosenBook() {
    const QString stored = GetSetting(kSettingsApp, kSettingsSection, kBookKey);
    if (stored.trimmed().isEmpty()) return {};
    return parseBookLocation(stored);
}

void rememberBook(const BookLocation& book) {
    if (book.kind == BookLocation::Local)
        DeleteSetting(kSettingsApp, kSettingsSection, kBookKey);
    else
        SaveSetting(kSettingsApp, kSettingsSection, kBookKey, book.uri());
}

QString bookTitle(const BookLocation& book) {
    if (book.kind == BookLocation::Local) return QString();
    if (book.kind == BookLocation::File) return QFileInfo(book.where).fileName();
    QString host, database;
    if (book.where.startsWith(QLatin1String("postgres"))) {
        const QUrl url(book.where);
        host = url.host();
        database = url.path().mid(1);
        const QUrlQuery query(url);
        if (host.isEmpty()) host = query.queryItemValue(QStringLiteral("host"));
        if (database.isEmpty()) database = query.queryItemValue(QStringLiteral("dbname"));
    } else {
        static const QRegularExpression pair(QStringLiteral(R"((\w+)\s*=\s*('(?:[^'\\]|\\.)*'|\S+))"));
        for (auto it = pair.globalMatch(book.where); it.hasNext();) {
            const auto m = it.next();
            QString value = m.captured(2);
            if (value.startsWith(u'\'')) value = value.mid(1, value.size() - 2);
            if (m.captured(1) == QLatin1String("host")) host = value;
            if (m.captured(1) == QLatin1String("dbname")) database = value;
        }
    }
    if (host.isEmpty() || host.startsWith(u'/') || host == QLatin1String("localhost"))
        host = QStringLiteral("this computer");
    if (database.isEmpty()) return QStringLiteral("the order book on %1").arg(host);
    return QStringLiteral("%1 on %2").arg(database, host);
}

}  // namespace qd
