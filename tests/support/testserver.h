#pragma once

// Databases of their own on the tests' throwaway PostgreSQL server (tests/server/pgserver.sh,
// started by CTest before the server tests), each made fresh and dropped when the test program
// ends. A missing server is a failure, never a reason to skip.

#include <QFile>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <libpq-fe.h>

#include <unistd.h>

class TestServer {
public:
    TestServer() {
        QFile state(qEnvironmentVariable("QD_TEST_SERVER"));
        if (state.open(QIODevice::ReadOnly)) m_admin = QString::fromUtf8(state.readAll()).trimmed();
    }
    ~TestServer() {
        for (const QString& name : m_databases)
            admin(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
    }

    // False, with the reason, when no test server runs (call it in initTestCase).
    bool ready(QString* why) const {
        if (m_admin.isEmpty()) {
            *why = QStringLiteral("no test server: QD_TEST_SERVER does not name its connection "
                                  "file; run the server tests through ctest");
            return false;
        }
        return admin(QStringLiteral("SELECT 1"), why);
    }

    // The libpq connection string of a new, empty database.
    QString newDatabase() {
        const QString name = QStringLiteral("qd_%1_%2").arg(::getpid()).arg(m_databases.size() + 1);
        QString why;
        if (!admin(QStringLiteral("CREATE DATABASE \"%1\"").arg(name), &why))
            qFatal("cannot create a test database: %s", qPrintable(why));
        m_databases << name;
        return conninfo(name);
    }

    QString conninfo(const QString& database) const {
        QString info = m_admin;
        info.replace(QStringLiteral("dbname=postgres"), QStringLiteral("dbname=") + database);
        return info;
    }
    QString adminConninfo() const { return m_admin; }

    // Runs one statement on the server's own database; false, with the message, when it fails.
    bool admin(const QString& sql, QString* why = nullptr) const { return run(m_admin, sql, why); }

    // Runs one statement on a database; false, with the message, when it fails.
    static bool run(const QString& conninfo, const QString& sql, QString* why = nullptr) {
        return value(conninfo, sql, why) != QLatin1String("\x01" "failed");
    }
    // The first value a statement gives (or "" for none).
    static QString value(const QString& conninfo, const QString& sql, QString* why = nullptr) {
        PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
        QString result = QStringLiteral("\x01" "failed");
        if (PQstatus(conn) == CONNECTION_OK) {
            PGresult* r = PQexec(conn, sql.toUtf8().constData());
            if (PQresultStatus(r) == PGRES_COMMAND_OK) result.clear();
            if (PQresultStatus(r) == PGRES_TUPLES_OK)
                result = PQntuples(r) ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
            PQclear(r);
        }
        if (result == QLatin1String("\x01" "failed") && why)
            *why = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        PQfinish(conn);
        return result;
    }

private:
    QString m_admin;
    QStringList m_databases;
};
