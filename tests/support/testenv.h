#pragma once

// Fresh data and settings folders for one test program, so no test touches the user's files.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The program's connection string for an order book file.
inline QString fileConnectionString(const QString& path) {
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=") + path +
           QStringLiteral(";JET OLEDB:Database Password=");
}

class TestEnvironment {
public:
    // Call before the application object exists, so the paths are taken from the new folders.
    TestEnvironment() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("config"))));
        QDir().mkpath(m_root.filePath(QStringLiteral("data")));
        QDir().mkpath(m_root.filePath(QStringLiteral("config")));
    }
    QString root() const { return m_root.path(); }
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    QString dataFolder() const { return dataHome() + QStringLiteral("/Brisklane/Quarrydesk"); }
    QString workingFile() const { return dataFolder() + QStringLiteral("/dbData.mdb"); }
    QString settingsFile() const { return configHome() + QStringLiteral("/Brisklane.ini"); }

    // The template built beside the test programs.
    static QString templateFile() {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb");
    }

    // Starts again with no data folder and no settings.
    void reset() const {
        QDir(dataHome() + QStringLiteral("/Brisklane")).removeRecursively();
        QFile::remove(settingsFile());
    }

    // A working order book copied from the template.
    void provideWorkingFile() const {
        QDir().mkpath(dataFolder());
        QFile::remove(workingFile());
        QVERIFY(QFile::copy(templateFile(), workingFile()));
        QFile::setPermissions(workingFile(), QFile::ReadOwner | QFile::WriteOwner);
    }

private:
    QTemporaryDir m_root;
};
