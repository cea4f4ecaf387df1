#include "data/connection.h"

#include "core/error.h"
#include "data/pgengine.h"
#include "data/sqliteengine.h"
#include "data/storedrows.h"

#include <QRegularExpression>
#include <QStringList>

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

}  // namespace

QString bookFilePath(const QString& connectionString) {
    const QString provider = connectionValue(connectionString, QStringLiteral("provider"));
    if (provider.compare(QLatin1String("microsoft.jet.oledb.4.0"), Qt::CaseInsensitive) != 0)
        return QString();
    return connectionValue(connectionString, QStringLiteral("data source"));
}

Connection::~Connection() { close(); }

void Connection::open(const QString& connectionString) {
    if (m_engine) throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString provider = connectionValue(connectionString, QStringLiteral("provider"));
    if (provider.compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0) {
        const QString server = connectionValue(connectionString, QStringLiteral("data source"));
        if (server.isEmpty()) throw Error(QStringLiteral("The connection string names no data source."));
        open(std::make_unique<PostgresEngine>(server));
        return;
    }
    if (provider.compare(QLatin1String("microsoft.jet.oledb.4.0"), Qt::CaseInsensitive) != 0)
        throw Error(QStringLiteral("Provider cannot be found. It may not be properly installed."));
    const QString path = connectionValue(connectionString, QStringLiteral("data source"));
    if (path.isEmpty()) throw Error(QStringLiteral("The connection string names no data source."));
    openFile(path);
}

void Connection::openFile(const QString& path, FileAccess access) {
    if (m_engine) throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    open(std::make_unique<SqliteEngine>(path, access));
}

void Connection::open(std::unique_ptr<Engine> engine) {
    if (m_engine) throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    m_engine = std::move(engine);
    m_path = m_engine->name();
    if (m_lockTimeoutMs != kDefaultLockTimeoutMs) m_engine->setLockTimeout(m_lockTimeoutMs);
}

void Connection::close() {
    if (!m_engine) return;
    m_engine->rollback();  // a transaction left open by a failure stores nothing
    m_engine.reset();
    m_kept.clear();
    m_open = {};
}

void Connection::setLockTimeout(int milliseconds) {
    m_lockTimeoutMs = milliseconds;
    if (m_engine) m_engine->setLockTimeout(milliseconds);
}

Engine& Connection::engine() const {
    if (!m_engine)
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    return *m_engine;
}

int Connection::execute(const QString& statement) {
    Engine& e = engine();
    if (e.inTransaction()) {
        wrote(statement);
        return e.execute(statement);
    }
    // A statement on its own is a transaction of its own, announced like any other.
    if (m_beforeWrite) m_beforeWrite();
    m_open = {};
    wrote(statement);
    if (m_open.written) e.announce(m_open.ordersWritten ? BookChanges::all() : BookChanges::otherThanOrders());
    int changed = 0;
    try {
        changed = e.execute(statement);
    } catch (...) {
        m_open = {};
        throw;
    }
    committed();
    return changed;
}

// A write that does not say what it changes: whatever it is, nothing read before it is kept.
void Connection::wrote(const QString& statement) {
    static const QRegularExpression writing(
        QStringLiteral("^\\s*(insert|update|delete)\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression orders(
        QStringLiteral("\\b(orders|order details)\\b"), QRegularExpression::CaseInsensitiveOption);
    if (!writing.match(statement).hasMatch()) return;
    m_open.written = true;
    if (orders.match(statement).hasMatch()) m_open.ordersWritten = true;
    m_kept.clear();
}

void Connection::noteChanges(const BookChanges& changes) { m_open.noted.merge(changes); }

BookChanges Connection::changesMade() const {
    BookChanges changes = m_open.noted;
    if (m_open.ordersWritten && changes.namesNoOrder() && !changes.everything) changes = BookChanges::all();
    if (m_open.written) changes.any = true;
    return changes;
}

void Connection::committed() {
    const BookChanges changes = changesMade();
    m_open = {};
    m_kept.clear();
    if (!changes.isEmpty() && m_afterCommit) m_afterCommit(changes);
}

void Connection::begin() {
    Engine& e = engine();
    if (e.inTransaction())
        throw Error(QStringLiteral("A transaction is already open on the order book."));
    if (m_beforeWrite) m_beforeWrite();
    m_open = {};
    e.begin();
}

void Connection::commit() {
    Engine& e = engine();
    const BookChanges told = changesMade();
    if (!told.isEmpty()) e.announce(told);
    e.commit();
    committed();
}

void Connection::rollback() noexcept {
    m_open = {};
    if (m_engine) m_engine->rollback();
}

std::unique_ptr<Cursor> Connection::query(const QString& statement) {
    Engine& e = engine();
    if (!e.inTransaction()) {
        const auto kept = m_kept.constFind(statement);
        if (kept != m_kept.constEnd()) return (*kept)->cursor();
    }
    return e.query(statement);
}

std::vector<std::shared_ptr<const StoredRows>> Connection::queryTogether(const QStringList& statements) {
    Engine& e = engine();
    std::vector<std::shared_ptr<const StoredRows>> rows(statements.size());
    QStringList asked;
    for (int i = 0; i < statements.size(); ++i) {
        const auto kept = e.inTransaction() ? m_kept.constEnd() : m_kept.constFind(statements[i]);
        if (kept != m_kept.constEnd())
            rows[i] = *kept;
        else
            asked << statements[i];
    }
    if (asked.isEmpty()) return rows;
    const auto read = e.queryTogether(asked);
    for (int i = 0, next = 0; i < statements.size(); ++i)
        if (!rows[i]) rows[i] = read[next++];
    return rows;
}

BookChanges Connection::changesElsewhere() {
    if (!m_engine) return BookChanges();
    BookChanges changes = m_engine->changesElsewhere();
    // What another desk changed may be what a window keeps.
    if (!changes.isEmpty()) m_kept.clear();
    return changes;
}

KeptReads::KeptReads(Connection& connection, const QStringList& statements)
    : m_connection(connection) {
    QStringList missing;
    for (const QString& s : statements)
        if (!connection.m_kept.contains(s) && !missing.contains(s)) missing << s;
    if (missing.isEmpty()) return;
    const auto rows = connection.engine().queryTogether(missing);
    for (int i = 0; i < missing.size(); ++i) connection.m_kept.insert(missing[i], rows[i]);
    m_statements = missing;
}

KeptReads::~KeptReads() {
    for (const QString& s : m_statements) m_connection.m_kept.remove(s);
}

}  // namespace qd::data
