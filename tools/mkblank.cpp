// Builds the empty order book template from the order book's description at build time.
// Usage: qd_mkblank <orderbook.schema> <output file>

#include "core/error.h"
#include "data/connection.h"
#include "data/schema.h"

#include <QFile>

#include <sqlite3.h>

#include <cstdio>
#include <string>

namespace {

bool run(sqlite3* db, const QString& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s\n%s\n", error ? error : "error", sql.toUtf8().constData());
    sqlite3_free(error);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <orderbook.schema> <output file>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QStringList script;
    try {
        script = qd::data::Schema::parse(QString::fromUtf8(in.readAll())).sqliteScript();
    } catch (const qd::Error& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.description().toUtf8().constData());
        return 1;
    }
    // The marks that tell an order book from any other SQLite file.
    script.prepend(QStringLiteral("PRAGMA journal_mode = DELETE"));
    script.prepend(QStringLiteral("PRAGMA user_version = %1").arg(qd::data::kSchemaVersion));
    script.prepend(QStringLiteral("PRAGMA application_id = %1").arg(qd::data::kApplicationId));

    // Build beside the target and rename, so an interrupted build never leaves half a template.
    const std::string target = argv[2];
    const std::string temp = target + ".part";
    std::remove(temp.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", temp.c_str(), sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    for (const QString& statement : script) {
        if (!run(db, statement)) {
            sqlite3_close(db);
            std::remove(temp.c_str());
            return 1;
        }
    }
    sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        std::perror("rename");
        return 1;
    }
    return 0;
}
