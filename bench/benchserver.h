#pragma once

// The benchmarks' PostgreSQL server.

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include <libpq-fe.h>

namespace qd::bench {

// A throwaway PostgreSQL server on this machine (the tests' own, on a Unix socket), started
// for the run and stopped at its end; or the one QD_BENCH_SERVER names (a libpq connection
// string to a database in which the benchmark may make others).
class Server {
public:
    Server() {
        m_admin = qEnvironmentVariable("QD_BENCH_SERVER");
        if (!m_admin.isEmpty()) return;
        QProcess start;
        start.start(QStringLiteral("sh"), {QStringLiteral(QD_SOURCE_DIR "/tests/server/pgserver.sh"),
                                           QStringLiteral("start"), state()});
        start.waitForFinished(120000);
        if (start.exitCode() == 0) {
            m_admin = QString::fromUtf8(start.readAllStandardOutput()).trimmed();
            m_started = true;
        }
    }
    ~Server() {
        if (!m_started) return;
        QProcess stop;
        stop.start(QStringLiteral("sh"), {QStringLiteral(QD_SOURCE_DIR "/tests/server/pgserver.sh"),
                                          QStringLiteral("stop"), state()});
        stop.waitForFinished(120000);
    }
    bool ready() const { return !m_admin.isEmpty(); }
    QString admin() const { return m_admin; }
    // A new database's connection string.
    QString database(const QString& name) {
        run(m_admin, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        run(m_admin, QStringLiteral("CREATE DATABASE %1").arg(name));
        QString info = m_admin;
        static const QRegularExpression dbname(QStringLiteral("dbname=\\S+"));
        info.replace(dbname, QStringLiteral("dbname=") + name);
        return info;
    }
    static void run(const QString& conninfo, const QString& sql) {
        PGconn* conn = PQconnectdb(conninfo.toUtf8().constData());
        PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);  // "does not exist, skipping"
        PQclear(PQexec(conn, sql.toUtf8().constData()));
        PQfinish(conn);
    }

private:
    QString state() const { return m_home.filePath(QStringLiteral("server")); }
    QTemporaryDir m_home;
    QString m_admin;
    bool m_started = false;
};

}  // namespace qd::bench
