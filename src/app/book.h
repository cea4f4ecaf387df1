#pragma once

#include <QString>

namespace qd {

// Which order book the program uses: the local dbData.mdb (the default), another order book
// file, or a database on a PostgreSQL server that several desktops share. A user's choice is
// kept in the settings store under "Book" (section "Quarrydesk"), so every later start opens
// the same book; no password is ever kept (libpq reads it from PGPASSWORD or ~/.pgpass).
struct BookLocation {
    enum Kind { Local, File, Server };
    Kind kind = Local;
    QString where;  // File: the absolute path; Server: the libpq connection string

    // The text the user writes after --book (and that the settings store keeps).
    QString uri() const;
    bool operator==(const BookLocation& other) const {
        return kind == other.kind && where == other.where;
    }
};

// Reads what follows --book: a path or "sqlite:PATH", a "postgresql://user@host:port/dbname"
// URI, or libpq's keyword form ("host=... dbname=..."). Throws qd::Error for an empty text and
// for one that carries a password.
BookLocation parseBookLocation(const QString& text);

// The connection string that opens the book.
QString bookConnectionString(const BookLocation& book);

// The book chosen and remembered for this user, or the local book when none is.
BookLocation chosenBook();
// Remembers a book for the user; the local book forgets any choice.
void rememberBook(const BookLocation& book);

// The book as the main window's title names it: empty for the local book, the file's name for
// another file, "DATABASE on HOST" for a server book ("orders on dbserver"; a server on this
// computer's own socket is "on this computer").
QString bookTitle(const BookLocation& book);

}  // namespace qd
