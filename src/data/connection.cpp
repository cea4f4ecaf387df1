#include "data/connection.h"

#include "core/error.h"
#include "data/jet.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>

namespace qd::data {

namespace {

QString connectionValue(const QString& connectionString, const QString& key) {
    for (const QString& part : connectionString.split(u';')) {
        const int eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return QString();
}

quint32 bigEndian32(const QByteArray& bytes, int at) {
    return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16) |
           (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
}

}  // namespace

void checkOrderBookFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) throw Error(QStringLiteral("Could not find file '%1'.").arg(path));
    if (info.isDir())
        throw Error(QStringLiteral("'%1' is a folder, not an order book file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read the file '%1': %2.").arg(path, file.errorString()));
    // The header of an SQLite file holds the application id at byte 68 and the journal kind at
    // bytes 18 and 19; reading them here keeps the engine from ever touching a foreign file.
    const QByteArray header = file.read(100);
    const bool sqlite = header.size() == 100 && header.startsWith("SQLite format 3\0");
    if (!sqlite || bigEndian32(header, 68) != kApplicationId)
        throw Error(QStringLiteral("Unrecognized database format '%1': the file is not a "
                                   "Quarrydesk order book.")
                        .arg(path));
    if (quint8(header[18]) != 1 || quint8(header[19]) != 1)
        throw Error(QStringLiteral("Unrecognized database format '%1': the order book uses a "
                                   "journal kind this program does not write.")
                        .arg(path));
    if (int(bigEndian32(header, 60)) > kSchemaVersion)
        throw Error(QStringLiteral("The order book '%1' was made by a newer version of "
                                   "Quarrydesk.")
                        .arg(path));
}

Connection::~Connection() {
    close();
}

void Connection::open(const QString& connectionString) {
    if (m_db) throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString provider = connectionValue(connectionString, QStringLiteral("provider"));
    if (provider.compare(QLatin1String("microsoft.jet.oledb.4.0"), Qt::CaseInsensitive) != 0)
        throw Error(QStringLiteral("Provider cannot be found. It may not be properly installed."));
    const QString path = connectionValue(connectionString, QStringLiteral("data source"));
    if (path.isEmpty()) throw Error(QStringLiteral("The connection string names no data source."));
    checkOrderBookFile(path);

    // A file the user marked read-only stays unchanged, whoever runs the program.
    const bool writable =
        QFileInfo(path).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    // Only the user interface thread uses a connection, so SQLite need not lock around calls.
    const int flags =
        (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (sqlite3_open_v2(file.constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close_v2(db);
        throw Error(QStringLiteral("Cannot open the order book '%1': %2.").arg(path, why));
    }
    m_db = db;
    m_path = path;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, m_lockTimeoutMs);
    jet::registerFunctions(m_db);
    // Each statement must be on disk when it returns: nothing is lost if the power goes.
    sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

void Connection::close() {
    if (!m_db) return;
    sqlite3_close_v2(m_db);  // defers until open recordsets are finalised
    m_db = nullptr;
}

void Connection::setLockTimeout(int milliseconds) {
    m_lockTimeoutMs = milliseconds;
    if (m_db) sqlite3_busy_timeout(m_db, milliseconds);
}

sqlite3* Connection::handle() const {
    if (!m_db) throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    return m_db;
}

int Connection::execute(const QString& statement) {
    sqlite3* db = handle();
    const QString sql = jet::translate(statement);
    sqlite3_stmt* stmt = nullptr;
    const void* tail = nullptr;
    int rc = sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * 2), &stmt, &tail);
    if (rc != SQLITE_OK) raise(rc, statement);
    // Finalised on every way out, after the error message has been read.
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(stmt, sqlite3_finalize);
    const auto* rest = static_cast<const char16_t*>(tail);
    const auto* end = reinterpret_cast<const char16_t*>(sql.utf16()) + sql.size();
    const QString remainder = QString::fromUtf16(rest, end - rest).trimmed();
    if (!remainder.isEmpty() && remainder != QLatin1String(";"))
        throw Error(QStringLiteral("Characters found after end of SQL statement."));
    if (!stmt) return 0;  // only blanks or a comment
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) raise(rc, statement);
    return sqlite3_changes(m_db);
}

void Connection::raise(int resultCode, const QString& statement) const {
    const QString engine = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    const auto unwritable = [&] {
        return Error(QStringLiteral("Cannot write to the order book '%1': the file or its "
                                    "folder cannot be written (%2).")
                         .arg(m_path, engine),
                     resultCode);
    };
    switch (resultCode & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw Error(QStringLiteral("The order book '%1' is in use by another program and "
                                       "stayed locked; try again in a moment.")
                            .arg(m_path),
                        resultCode);
        case SQLITE_READONLY:
            // The file itself may be writable while its folder is not (no room for the journal).
            if (resultCode == SQLITE_READONLY_DIRECTORY) throw unwritable();
            throw Error(
                QStringLiteral("Cannot update. The order book '%1' is read-only.").arg(m_path),
                resultCode);
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
            throw unwritable();
        case SQLITE_FULL:
            throw Error(QStringLiteral("The disk holding the order book '%1' is full.").arg(m_path),
                        resultCode);
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            throw Error(QStringLiteral("The order book '%1' is damaged (%2).").arg(m_path, engine),
                        resultCode);
        default:
            throw Error(QStringLiteral("%1 in statement: %2").arg(engine, statement), resultCode);
    }
}

}  // namespace qd::data
