#pragma once

// The care the program takes of its order book while it has it open:
//  - at open, a book that is not a complete Quarrydesk order book (a foreign or truncated
//    file, one without the tables and saved queries the program needs) is refused without
//    being touched: an empty, read-only stand-in takes its place, so every window works and
//    shows nothing, and problem() says once what is wrong and what to do;
//  - the pages are checked by SQLite in the background while the user works: a quick check,
//    or every page and index when the last run ended without closing the book. The first
//    write waits for that check; a damaged book stays open for reading but takes no writes;
//  - before the first write of each day the book is copied into backups/ (see backups.h).
// A book on a server is left to the server's own care.
//
//     AppBookSession() = std::make_unique<BookSession>(AppConnection(), ConnectionString());
//     if (!AppBookSession()->problem().isEmpty()) tell(AppBookSession()->problem());

#include <QDate>
#include <QObject>
#include <QString>

#include <memory>

namespace qd::data {
class BackgroundPageCheck;
class Connection;
}  // namespace qd::data

namespace qd {

class InUseMark;

class BookSession : public QObject {
    Q_OBJECT
public:
    // Opens the book on the connection. A missing book is an error, as ever (it is never
    // created here).
    BookSession(data::Connection& connection, const QString& connectionString);
    ~BookSession() override;

    QString bookPath() const { return m_book; }
    // What is wrong with the book, for the user, once it is known; empty while it is sound.
    QString problem() const { return m_problem; }
    // A stand-in is open instead of the book.
    bool refused() const { return m_refused; }
    // Whether the background check looks at every index too (after an unclean end) or only
    // at the pages; false when no check runs (a refused book, a server book).
    bool checksEveryIndex() const { return m_everyIndex; }
    // Waits until the background checks (the pages, the check of today's backup) have ended
    // and gives their signals.
    void waitForChecks();

signals:
    // The background check found the book damaged: problem() says how; no write reaches it.
    void damageFound();
    // A daily backup could not be made or failed its check (the message says which).
    void backupFailed(const QString& message);

private:
    void beforeWrite();
    void takePageCheckResult();
    void announcePageCheckResult();
    void takeBackupCheckResult();
    void backupIfDue();

    data::Connection& m_connection;
    QString m_book;
    QString m_problem;
    bool m_refused = false;
    bool m_everyIndex = false;
    std::unique_ptr<InUseMark> m_mark;
    std::unique_ptr<data::BackgroundPageCheck> m_pageCheck;
    bool m_pageCheckTaken = false;
    std::unique_ptr<data::BackgroundPageCheck> m_backupCheck;
    bool m_backupCheckTaken = false;
    QString m_backupChecked;
    QDate m_backupDay;
    std::shared_ptr<BookSession*> m_self;  // the write hook's way back, gone with the session
};

// The session of the program's one connection (next to AppConnection).
std::unique_ptr<BookSession>& AppBookSession();

// The messages of a refused and of a damaged book.
QString refusedBookMessage(const QString& bookPath, const QString& reason);
QString damagedBookMessage(const QString& bookPath, const QString& finding);

}  // namespace qd
