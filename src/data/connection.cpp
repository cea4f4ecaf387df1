#include "data/connection.h"

#include "core/error.h"
#include "data/pgengine.h"
#include "data/sqliteengine.h"

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
    open(std::make_unique<SqliteEngine>(path));
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

sqlite3* Connection::sqliteHandle() const {
    const auto* local = dynamic_cast<const SqliteEngine*>(m_engine.get());
    return local ? local->handle() : nullptr;
}

int Connection::execute(const QString& statement) {
    Engine& e = engine();
    if (!e.inTransaction() && m_beforeWrite) m_beforeWrite();
    return e.execute(statement);
}

void Connection::begin() {
    Engine& e = engine();
    if (e.inTransaction())
        throw Error(QStringLiteral("A transaction is already open on the order book."));
    if (m_beforeWrite) m_beforeWrite();
    e.begin();
}

void Connection::commit() { engine().commit(); }

void Connection::rollback() noexcept {
    if (m_engine) m_engine->rollback();
}

}  // namespace qd::data
