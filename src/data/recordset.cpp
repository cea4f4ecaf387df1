#include "data/recordset.h"

#include "core/error.h"
#include "data/connection.h"
#include "data/jet.h"

#include <QDate>
#include <QDateTime>

#include <sqlite3.h>

namespace qd::data {

namespace {

const QString kNoCurrentRecord = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");

// Dates are kept as ISO text; give them back as the date values the screens format.
QVariant dateValue(const char16_t* text, int length) {
    const QString s = QString::fromRawData(reinterpret_cast<const QChar*>(text), length);
    if (length == 10) {
        const QDate d = QDate::fromString(s, Qt::ISODate);
        if (d.isValid()) return d;
    } else if (length == 19) {
        const QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.isValid()) return dt;
    }
    return QString(s.data(), s.size());
}

}  // namespace

Recordset::~Recordset() { close(); }

void Recordset::open(const QString& statement, Connection& connection, int cursorType,
                     int lockType) {
    Q_UNUSED(cursorType);
    if (m_stmt) throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    sqlite3* db = connection.handle();
    const QString sql = jet::translate(statement);
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * 2), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        connection.raise(rc, statement);
    }
    if (!stmt) throw Error(QStringLiteral("The statement is empty."));
    if (lockType == ReadOnly && !sqlite3_stmt_readonly(stmt)) {
        sqlite3_finalize(stmt);
        throw Error(QStringLiteral("A read-only recordset cannot run a statement that writes."));
    }
    m_stmt = stmt;
    m_connection = &connection;
    m_statement = statement;
    const int columns = sqlite3_column_count(stmt);
    m_names.clear();
    m_isDate.clear();
    m_index.clear();
    for (int i = 0; i < columns; ++i) {
        const QString name = QString::fromUtf16(
            static_cast<const char16_t*>(sqlite3_column_name16(stmt, i)));
        m_names.push_back(name);
        const char* declared = sqlite3_column_decltype(stmt, i);
        m_isDate.push_back(declared && QByteArray(declared).compare("DATETIME",
                                                                    Qt::CaseInsensitive) == 0);
        const QString key = name.toLower();
        if (!m_index.contains(key)) m_index.insert(key, i);  // the first of equal names wins
    }
    m_eof = false;
    step();
}

void Recordset::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return;
    m_eof = true;
    if (rc != SQLITE_DONE) m_connection->raise(rc, m_statement);
}

void Recordset::moveNext() {
    requireRow();
    step();
}

void Recordset::close() {
    if (!m_stmt) return;
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_eof = true;
}

void Recordset::requireRow() const {
    if (!m_stmt) throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    if (m_eof) throw Error(kNoCurrentRecord);
}

QString Recordset::fieldName(int position) const {
    if (position < 0 || position >= fieldCount())
        throw Error(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                   "requested name or ordinal."));
    return m_names[position];
}

int Recordset::fieldIndex(const QString& name) const { return m_index.value(name.toLower(), -1); }

QVariant Recordset::field(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                   "requested name or ordinal: %1.")
                        .arg(name));
    return field(i);
}

QVariant Recordset::field(int position) const {
    requireRow();
    fieldName(position);  // range check
    switch (sqlite3_column_type(m_stmt, position)) {
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(m_stmt, position));
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_stmt, position);
        case SQLITE_NULL:
            return QVariant();
        default: {
            const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(m_stmt, position));
            const int length = sqlite3_column_bytes16(m_stmt, position) / 2;
            if (m_isDate[position]) return dateValue(text, length);
            return QString::fromUtf16(text, length);
        }
    }
}

}  // namespace qd::data
