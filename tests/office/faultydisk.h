#pragma once

// A disk that fails under one order book, for the tests of what the user is told: SQLite's own
// file layer with every read and write of the book's file failing (SQLITE_IOERR) while a file
// named like the book with ".fail" added exists. Installed as SQLite's default before the book
// is opened; every other file works as usual.

#include <sqlite3.h>

#include <QByteArray>

#include <cstring>
#include <unistd.h>

namespace faultydisk {

inline sqlite3_vfs* real() {
    static sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
    return vfs;
}
inline QByteArray& book() {
    static QByteArray path;
    return path;
}

struct File {
    sqlite3_file base;
    sqlite3_file* real;
    bool watched;
};

inline sqlite3_file* inner(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }
inline bool failing(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->watched && ::access((book() + ".fail").constData(), F_OK) == 0;
}

inline const sqlite3_io_methods* methods() {
    static const sqlite3_io_methods m = {
        3,
        [](sqlite3_file* f) { const int rc = inner(f)->pMethods->xClose(inner(f)); return rc; },
        [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
            return failing(f) ? SQLITE_IOERR_READ : inner(f)->pMethods->xRead(inner(f), b, n, o);
        },
        [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
            return failing(f) ? SQLITE_IOERR_WRITE : inner(f)->pMethods->xWrite(inner(f), b, n, o);
        },
        [](sqlite3_file* f, sqlite3_int64 s) { return inner(f)->pMethods->xTruncate(inner(f), s); },
        [](sqlite3_file* f, int flags) { return inner(f)->pMethods->xSync(inner(f), flags); },
        [](sqlite3_file* f, sqlite3_int64* s) { return inner(f)->pMethods->xFileSize(inner(f), s); },
        [](sqlite3_file* f, int l) { return inner(f)->pMethods->xLock(inner(f), l); },
        [](sqlite3_file* f, int l) { return inner(f)->pMethods->xUnlock(inner(f), l); },
        [](sqlite3_file* f, int* r) { return inner(f)->pMethods->xCheckReservedLock(inner(f), r); },
        [](sqlite3_file* f, int op, void* a) { return inner(f)->pMethods->xFileControl(inner(f), op, a); },
        [](sqlite3_file* f) { return inner(f)->pMethods->xSectorSize(inner(f)); },
        [](sqlite3_file* f) { return inner(f)->pMethods->xDeviceCharacteristics(inner(f)); },
        [](sqlite3_file* f, int p, int s, int e, void volatile** m) {
            return inner(f)->pMethods->xShmMap(inner(f), p, s, e, m);
        },
        [](sqlite3_file* f, int o, int n, int flags) { return inner(f)->pMethods->xShmLock(inner(f), o, n, flags); },
        [](sqlite3_file* f) { inner(f)->pMethods->xShmBarrier(inner(f)); },
        [](sqlite3_file* f, int d) { return inner(f)->pMethods->xShmUnmap(inner(f), d); },
        [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return inner(f)->pMethods->xFetch(inner(f), o, n, p); },
        [](sqlite3_file* f, sqlite3_int64 o, void* p) { return inner(f)->pMethods->xUnfetch(inner(f), o, p); },
    };
    return &m;
}

// Makes the failing layer SQLite's default for the book at path.
inline void install(const QByteArray& path) {
    book() = path;
    static sqlite3_vfs vfs = *real();
    vfs.zName = "faultydisk";
    vfs.szOsFile = int(sizeof(File)) + real()->szOsFile;
    vfs.xOpen = [](sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out) {
        File* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->watched = name && book() == name;
        const int rc = real()->xOpen(real(), name, f->real, flags, out);
        f->base.pMethods = f->real->pMethods ? methods() : nullptr;
        return rc;
    };
    sqlite3_vfs_register(&vfs, 1);
}

}  // namespace faultydisk
