#include "data/recordset.h"

#include "core/error.h"
#include "data/connection.h"

#include <QDate>
#include <QDateTime>

namespace qd::data {

namespace {

const QString kNoCurrentRecord = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");

// Dates are kept as ISO text; give them back as the date values the screens format.
QVariant dateValue(QByteArrayView text) {
    const QString s = QString::fromUtf8(text);
    if (s.size() == 10) {
        const QDate d = QDate::fromString(s, Qt::ISODate);
        if (d.isValid()) return d;
    } else if (s.size() == 19) {
        const QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.isValid()) return dt;
    }
    return s;
}

}  // namespace

Recordset::~Recordset() { close(); }

void Recordset::open(const QString& statement, Connection& connection, int cursorType,
                     int lockType) {
    Q_UNUSED(cursorType);
    Q_UNUSED(lockType);  // every recordset of the program reads only
    if (m_cursor) throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    std::unique_ptr<Cursor> cursor = connection.query(statement);
    const int columns = cursor->columnCount();
    m_names.clear();
    m_index.clear();
    for (int i = 0; i < columns; ++i) {
        const QString name = cursor->columnName(i);
        m_names.push_back(name);
        const QString key = name.toLower();
        if (!m_index.contains(key)) m_index.insert(key, i);  // the first of equal names wins
    }
    m_cursor = std::move(cursor);
    m_eof = false;
    step();
}

void Recordset::step() {
    try {
        m_eof = !m_cursor->next();
    } catch (...) {
        m_eof = true;
        throw;
    }
}

void Recordset::moveNext() {
    requireRow();
    step();
}

void Recordset::close() {
    m_cursor.reset();
    m_eof = true;
}

void Recordset::requireRow() const {
    if (!m_cursor)
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
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
    switch (m_cursor->type(position)) {
        case ValueType::Integer:
            return qlonglong(m_cursor->integer(position));
        case ValueType::Real:
            return m_cursor->real(position);
        case ValueType::Null:
            return QVariant();
        case ValueType::Text:
            break;
    }
    const QByteArrayView text = m_cursor->text(position);
    if (m_cursor->isDateColumn(position)) return dateValue(text);
    return QString::fromUtf8(text);
}

}  // namespace qd::data
