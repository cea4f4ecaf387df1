// Adding many rows to a table: one insert statement per row in the program's dialect for any
// engine, and on a file one statement prepared once with every row bound to it.

#include "core/error.h"
#include "data/jet.h"
#include "data/schema.h"
#include "data/sqliteengine.h"
#include "text/sqltext.h"

#include <QDateTime>
#include <QVariant>

#include <sqlite3.h>

#include <cmath>

namespace qd::data {

namespace {

const Schema::Table& schemaTable(const QString& table) {
    const Schema::Table* t = Schema::book().table(table);
    if (!t) throw Error(QStringLiteral("There is no table %1 in the order book.").arg(table));
    return *t;
}

QString listed(const QStringList& columns) {
    QStringList names;
    for (const QString& c : columns) names << bracketed(c);
    return names.join(QLatin1Char(','));
}

// A value as a literal of the program's dialect.
QString literal(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("Null");
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d)) throw Error(QStringLiteral("A number to store is not finite."));
        return QString::number(d, 'g', 17);
    }
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("#MM/dd/yyyy#"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("#MM/dd/yyyy HH:mm:ss#"));
    default:
        return text::quoted(value.toString());
    }
}

class StatementAppender : public RowAppender {
public:
    StatementAppender(Engine& engine, const QString& table, const QStringList& columns)
        : m_engine(engine), m_key(schemaTable(table).key()),
          m_insert(QStringLiteral("insert into %1 (%2) values (").arg(bracketed(table), listed(columns))),
          m_last(QStringLiteral("select max(%1) from %2").arg(bracketed(m_key), bracketed(table))) {}

    qint64 append(const QVariantList& values, bool wantKey) override {
        QString statement = m_insert;
        for (int i = 0; i < values.size(); ++i) {
            if (i > 0) statement += QLatin1Char(',');
            statement += literal(values[i]);
        }
        m_engine.execute(statement + QLatin1Char(')'));
        if (!wantKey) return 0;
        // Inside the open write transaction no one else adds a row, so the newest key is ours.
        const auto cursor = m_engine.query(m_last);
        return cursor->next() ? cursor->integer(0) : 0;
    }

private:
    Engine& m_engine;
    QString m_key;
    QString m_insert;
    QString m_last;
};

class SqliteAppender : public RowAppender {
public:
    SqliteAppender(SqliteEngine& engine, const QString& table, const QStringList& columns)
        : m_engine(engine) {
        schemaTable(table);
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i) marks << QStringLiteral("?");
        m_sql = QStringLiteral("insert into %1 (%2) values (%3)")
                    .arg(bracketed(table), listed(columns), marks.join(QLatin1Char(',')));
        const QByteArray sql = jet::translate(m_sql).toUtf8();
        const int rc = sqlite3_prepare_v2(engine.handle(), sql.constData(), int(sql.size()), &m_stmt, nullptr);
        if (rc != SQLITE_OK) engine.raise(rc, m_sql);
    }
    ~SqliteAppender() override { sqlite3_finalize(m_stmt); }
    SqliteAppender(const SqliteAppender&) = delete;
    SqliteAppender& operator=(const SqliteAppender&) = delete;

    qint64 append(const QVariantList& values, bool wantKey) override {
        for (int i = 0; i < values.size(); ++i) bind(i + 1, values[i]);
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE) m_engine.raise(rc, m_sql);
        return wantKey ? sqlite3_last_insert_rowid(m_engine.handle()) : 0;
    }

private:
    void bind(int at, const QVariant& value) {
        switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
        case QMetaType::UnknownType:
            sqlite3_bind_null(m_stmt, at);
            break;
        case QMetaType::Int: case QMetaType::LongLong:
            sqlite3_bind_int64(m_stmt, at, value.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(m_stmt, at, value.toDouble());
            break;
        case QMetaType::QDate: {
            const QDate d = value.toDate();
            text(at, jet::isoDate(d.year(), d.month(), d.day()));
            break;
        }
        case QMetaType::QDateTime: {
            const QDateTime t = value.toDateTime();
            const QDate d = t.date();
            text(at, jet::isoDate(d.year(), d.month(), d.day(), t.time().hour(), t.time().minute(),
                                  t.time().second()));
            break;
        }
        default:
            text(at, value.toString());
        }
    }
    void text(int at, const QString& value) {
        const QByteArray bytes = value.toUtf8();
        sqlite3_bind_text(m_stmt, at, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }

    SqliteEngine& m_engine;
    QString m_sql;
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace

std::unique_ptr<RowAppender> Engine::appender(const QString& table, const QStringList& columns) {
    return std::make_unique<StatementAppender>(*this, table, columns);
}

std::unique_ptr<RowAppender> SqliteEngine::appender(const QString& table, const QStringList& columns) {
    return std::make_unique<SqliteAppender>(*this, table, columns);
}

}  // namespace qd::data
