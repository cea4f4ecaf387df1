#include "data/sqliteengine.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/jet.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <sys/stat.h>

#include <utility>
#include <vector>

namespace qd::data {

namespace {

quint32 bigEndian32(const QByteArray& bytes, int at) {
    return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16) |
           (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
}

// A translated statement prepared on the handle; finalised on every way out.
class Statement {
public:
    Statement(const SqliteEngine& engine, const QString& statement) {
        const QByteArray sql = jet::translate(statement).toUtf8();
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(engine.handle(), sql.constData(), int(sql.size()),
                                          &m_stmt, &tail);
        if (rc != SQLITE_OK) engine.raise(rc, statement);
        const QByteArray rest = QByteArray(tail, int(sql.constData() + sql.size() - tail)).trimmed();
        if (!rest.isEmpty() && rest != ";") {
            sqlite3_finalize(std::exchange(m_stmt, nullptr));
            throw Error(QStringLiteral("Characters found after end of SQL statement."));
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return m_stmt; }
    sqlite3_stmt* release() { return std::exchange(m_stmt, nullptr); }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

class SqliteCursor : public Cursor {
public:
    SqliteCursor(const SqliteEngine& engine, sqlite3_stmt* stmt, QString statement)
        : m_engine(engine), m_stmt(stmt), m_statement(std::move(statement)) {
        const int columns = sqlite3_column_count(stmt);
        m_isDate.reserve(columns);
        for (int i = 0; i < columns; ++i) {
            const char* declared = sqlite3_column_decltype(stmt, i);
            m_isDate.push_back(declared && qstricmp(declared, "DATETIME") == 0);
        }
    }
    ~SqliteCursor() override { sqlite3_finalize(m_stmt); }

    bool next() override {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) m_engine.raise(rc, m_statement);
        return false;
    }
    int columnCount() const override { return int(m_isDate.size()); }
    QString columnName(int column) const override {
        return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
    }
    bool isDateColumn(int column) const override { return m_isDate[column]; }
    ValueType type(int column) const override {
        switch (sqlite3_column_type(m_stmt, column)) {
            case SQLITE_INTEGER: return ValueType::Integer;
            case SQLITE_FLOAT: return ValueType::Real;
            case SQLITE_NULL: return ValueType::Null;
            default: return ValueType::Text;
        }
    }
    qint64 integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const override { return sqlite3_column_double(m_stmt, column); }
    QByteArrayView text(int column) const override {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QByteArrayView(bytes, sqlite3_column_bytes(m_stmt, column));
    }

private:
    const SqliteEngine& m_engine;
    sqlite3_stmt* m_stmt;
    QString m_statement;
    std::vector<bool> m_isDate;
};

}  // namespace

void checkOrderBookFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) throw Error(QStringLiteral("Could not find file '%1'.").arg(path));
    if (info.isDir())
        throw Error(QStringLiteral("'%1' is a folder, not an order book file.").arg(path));
    // A pipe or a device would keep the program waiting, or feed it endless bytes.
    if (!info.isFile())
        throw Error(QStringLiteral("'%1' is not an order book file: it is no regular file.").arg(path));
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

SqliteEngine::SqliteEngine(const QString& path, Access access) : m_path(path) {
    checkOrderBookFile(path);
    // A file the user marked read-only stays unchanged, whoever runs the program.
    const bool writable =
        access == Access::ReadWrite &&
        (QFileInfo(path).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    // Only the user interface thread uses a connection, so SQLite need not lock around calls.
    const int flags =
        (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    const QByteArray file = QFile::encodeName(path);
    if (sqlite3_open_v2(file.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw Error(QStringLiteral("Cannot open the order book '%1': %2.").arg(path, why));
    }
    sqlite3_extended_result_codes(m_db, 1);
    struct stat opened {};
    if (::stat(file.constData(), &opened) == 0) {
        m_device = quint64(opened.st_dev);
        m_inode = quint64(opened.st_ino);
    }
    sqlite3_busy_timeout(m_db, Connection::kDefaultLockTimeoutMs);
    jet::registerFunctions(m_db);
    // Each statement must be on disk when it returns: nothing is lost if the power goes.
    sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

SqliteEngine::~SqliteEngine() {
    sqlite3_close_v2(m_db);  // defers until open cursors are finalised
}

void SqliteEngine::setLockTimeout(int milliseconds) { sqlite3_busy_timeout(m_db, milliseconds); }

int SqliteEngine::execute(const QString& statement) {
    Statement stmt(*this, statement);
    if (!stmt.get()) return 0;  // only blanks or a comment
    // A change on its own is a transaction of its own, so that it too finds a replaced book.
    if (!inTransaction() && !sqlite3_stmt_readonly(stmt.get())) {
        begin();
        try {
            const int changed = execute(statement);
            commit();
            return changed;
        } catch (...) {
            rollback();
            throw;
        }
    }
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) raise(rc, statement);
    return sqlite3_changes(m_db);
}

std::unique_ptr<Cursor> SqliteEngine::query(const QString& statement) {
    Statement stmt(*this, statement);
    if (!stmt.get()) throw Error(QStringLiteral("The statement is empty."));
    if (!sqlite3_stmt_readonly(stmt.get()))
        throw Error(QStringLiteral("A read-only recordset cannot run a statement that writes."));
    return std::make_unique<SqliteCursor>(*this, stmt.release(), statement);
}

void SqliteEngine::begin() {
    // IMMEDIATE takes the write lock now, so no other program can write between our reads and
    // writes (the new order's number read back as the highest one stays ours).
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(rc, QStringLiteral("BEGIN IMMEDIATE"));
    // With the lock held, the book cannot be replaced any more: if a restore replaced it
    // before, every write would go into a file nobody will read again.
    if (replaced()) {
        rollback();
        throw Error(QStringLiteral("The order book '%1' was replaced while Quarrydesk had it "
                                   "open (a backup was restored): nothing of this action was "
                                   "stored. Close Quarrydesk and start it again to work on the "
                                   "book as it is now.").arg(m_path),
                    0, Error::Kind::Refused);
    }
}

bool SqliteEngine::replaced() const {
    if (m_inode == 0) return false;
    struct stat now {};
    if (::stat(QFile::encodeName(m_path).constData(), &now) != 0) return true;
    return quint64(now.st_dev) != m_device || quint64(now.st_ino) != m_inode;
}

void SqliteEngine::commit() {
    const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(rc, QStringLiteral("COMMIT"));
    // The count of orders the next look expects: less the orders deleted here. (Orders added
    // here are found past the counter, as another program's are.) Changes too many to name are
    // read in full by this program's lists anyway: the look starts afresh.
    const BookChanges own = std::exchange(m_own, BookChanges());
    if (!m_watching) return;
    if (own.everything || own.removals)
        m_watching = look(m_looked);
    else
        m_looked.orders -= qint64(own.gone.size());
}

void SqliteEngine::rollback() noexcept {
    m_own = BookChanges();
    // SQLite may already have rolled back on its own (a full disk, say); then there is nothing
    // left to undo.
    if (inTransaction()) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteEngine::inTransaction() const { return !sqlite3_get_autocommit(m_db); }

std::vector<qint64> SqliteEngine::numbers(const QString& sql) const {
    std::vector<qint64> values;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray bytes = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, bytes.constData(), int(bytes.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw Error(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) values.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw Error(QString::fromUtf8(sqlite3_errmsg(m_db)));
    return values;
}

bool SqliteEngine::look(Look& now) const {
    try {
        now.dataVersion = numbers(QStringLiteral("PRAGMA data_version")).at(0);
        const auto last = [this](const char* table) {
            const auto v = numbers(QStringLiteral("select seq from sqlite_sequence where name='%1'")
                                       .arg(QLatin1String(table)));
            return v.empty() ? 0 : v.front();
        };
        now.lastOrder = last("Orders");
        now.lastLine = last("Order Details");
        now.orders = numbers(QStringLiteral("select count(*) from Orders")).at(0);
        return true;
    } catch (const std::exception&) {
        return false;  // a stand-in without the tables, a file gone: nothing to tell
    }
}

BookChanges SqliteEngine::changesElsewhere() {
    if (inTransaction()) return BookChanges();
    if (!m_watching) {
        m_watching = look(m_looked);
        return BookChanges();
    }
    qint64 version = 0;
    try {
        version = numbers(QStringLiteral("PRAGMA data_version")).at(0);
    } catch (const std::exception&) {
        return BookChanges();
    }
    if (version == m_looked.dataVersion) return BookChanges();
    Look now;
    if (!look(now)) return BookChanges();
    BookChanges changes = BookChanges::otherThanOrders();
    try {
        // New orders, and orders saved again (a save gives an order new lines).
        const auto added = numbers(QStringLiteral("select OrderID from Orders where OrderID > %1")
                                       .arg(m_looked.lastOrder));
        for (const qint64 id : added) changes.orders.insert(id);
        for (const qint64 id : numbers(QStringLiteral(
                 "select distinct OrderID from [Order Details] where OrderDetailID > %1")
                                           .arg(m_looked.lastLine)))
            changes.orders.insert(id);
        if (now.orders != m_looked.orders + qint64(added.size())) changes.removals = true;
    } catch (const std::exception&) {
        changes = BookChanges::all();
    }
    m_looked = now;
    return changes;
}

bool SqliteEngine::supports(Capability capability) const {
    return capability != Capability::Statistics;
}

void SqliteEngine::writeBackupCopy(const QString& target, const QString& likeFile) {
    data::writeBackupCopy(m_db, target, likeFile);
}

QStringList SqliteEngine::checkPages(PageCheckKind kind, int limit) {
    return data::checkPages(m_db, kind, limit);
}

long long SqliteEngine::lastNumberGiven(const QString& table, const QString&) {
    const auto last = numbers(QStringLiteral("select seq from sqlite_sequence where name = '%1'")
                                  .arg(QString(table).replace(u'\'', QLatin1String("''"))));
    return last.empty() ? 0 : last.front();
}

void SqliteEngine::setLastNumberGiven(const QString& table, const QString&, long long last) {
    const QString name = QString(table).replace(u'\'', QLatin1String("''"));
    for (const QString& sql : {QStringLiteral("delete from sqlite_sequence where name = '%1'").arg(name),
                               QStringLiteral("insert into sqlite_sequence (name, seq) values ('%1', %2)")
                                   .arg(name, QString::number(last))}) {
        const QByteArray bytes = sql.toUtf8();
        const int rc = sqlite3_exec(m_db, bytes.constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) raise(rc, sql);
    }
}

SqliteEngine* SqliteEngine::behind(const Connection& connection) {
    return connection.state() == Connection::Open ? dynamic_cast<SqliteEngine*>(&connection.engine())
                                                  : nullptr;
}

bool fileEngineAvailable() {
    sqlite3* db = nullptr;
    const bool opened = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const bool ran = opened && sqlite3_exec(db, "select 1", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ran;
}

void SqliteEngine::raise(int resultCode, const QString& statement) const {
    const QString engine = QString::fromUtf8(sqlite3_errmsg(m_db));
    // A book that cannot take a change, or a disk that fails, is a state of the world: told
    // once per action, in plain words.
    const auto unwritable = [&] {
        return Error(QStringLiteral("Cannot write to the order book '%1': the file or its "
                                    "folder cannot be written (%2). Nothing of this action was "
                                    "stored.")
                         .arg(m_path, engine),
                     resultCode, Error::Kind::Refused);
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
                resultCode, Error::Kind::Refused);
        case SQLITE_CANTOPEN:
            throw unwritable();
        case SQLITE_IOERR:
            throw Error(QStringLiteral("The order book '%1' cannot be read or written: the disk "
                                       "that holds it reports an error (%2). Nothing of this "
                                       "action was stored; look at the disk, or the network "
                                       "folder, that holds the book.")
                            .arg(m_path, engine),
                        resultCode, Error::Kind::Refused);
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
