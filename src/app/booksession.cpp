#include "app/booksession.h"

#include "app/backups.h"
#include "app/folders.h"
#include "app/inuse.h"
#include "core/error.h"
#include "data/bookfile.h"
#include "data/connection.h"
#include "data/pagecheck.h"
#include "data/schemacheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

namespace qd {

namespace {

const QString kWhatToDo = QStringLiteral(
    "To go on working, restore a backup of your order book: quarrydesk --restore FILE checks "
    "a copy and puts it in the book's place. Daily copies are kept in the folder \"backups\" "
    "beside the book.");

}  // namespace

QString refusedBookMessage(const QString& bookPath, const QString& reason) {
    const QString file = QDir::toNativeSeparators(bookPath);
    const QString what = reason.contains(bookPath) || reason.contains(file)
                             ? reason
                             : QStringLiteral("The file '%1' cannot be used as the order book: %2")
                                   .arg(file, reason);
    return what + QStringLiteral("\r\n\r\nQuarrydesk has left the file as it is and shows an "
                                 "empty order book in which nothing can be saved. ") +
           kWhatToDo;
}

QString damagedBookMessage(const QString& bookPath, const QString& finding) {
    return QStringLiteral("The order book '%1' is damaged: parts of it no longer read as they "
                          "were written (SQLite's check found \"%2\").\r\n\r\nQuarrydesk has "
                          "opened it read-only: you can look at your orders and print reports, "
                          "but nothing can be saved. ")
               .arg(QDir::toNativeSeparators(bookPath), finding) +
           kWhatToDo;
}

std::unique_ptr<BookSession>& AppBookSession() {
    static std::unique_ptr<BookSession> session;
    return session;
}

BookSession::BookSession(data::Connection& connection, const QString& connectionString)
    : m_connection(connection), m_book(data::bookFilePath(connectionString)),
      m_self(std::make_shared<BookSession*>(this)) {
    const std::weak_ptr<BookSession*> self = m_self;
    m_connection.setBeforeWrite([self] {
        if (const auto session = self.lock()) (*session)->beforeWrite();
    });
    // A missing book, or one on a server that does not answer, is reported as opening always
    // reported it; a server book has the server's own care.
    if (m_book.isEmpty() || !QFileInfo::exists(m_book)) {
        m_connection.open(connectionString);
        return;
    }
    QString refusal;
    try {
        m_connection.open(connectionString);
        const QStringList missing = data::missingSchema(m_connection);
        if (!missing.isEmpty())
            refusal = QStringLiteral("The file '%1' is not a complete Quarrydesk order book: %2.")
                          .arg(QDir::toNativeSeparators(m_book), missing.join(QStringLiteral("; ")));
    } catch (const Error& e) {
        refusal = e.description();
    }
    if (!refusal.isEmpty()) {
        m_connection.close();
        m_refused = true;
        m_problem = refusedBookMessage(m_book, refusal);
        m_connection.openFile(ApplicationPath() + QStringLiteral("/dbBlank.mdb"),
                              data::FileAccess::ReadOnly);
        return;
    }
    m_mark = std::make_unique<InUseMark>(m_book);
    m_everyIndex = m_mark->previousRunEndedUncleanly();
    removeLeftoverCopies(m_book);
    m_pageCheck = std::make_unique<data::BackgroundPageCheck>(
        m_book, m_everyIndex ? data::PageCheckKind::Full : data::PageCheckKind::Quick);
    connect(m_pageCheck.get(), &data::BackgroundPageCheck::finished, this,
            &BookSession::announcePageCheckResult);
}

BookSession::~BookSession() {
    m_self.reset();
    m_pageCheck.reset();
    m_backupCheck.reset();
}

// The checks stay until the session ends: they are not deleted from their own signal.
void BookSession::takePageCheckResult() {
    if (!m_pageCheck || m_pageCheckTaken) return;
    const QStringList findings = m_pageCheck->wait();
    m_pageCheckTaken = true;
    const bool full = m_pageCheck->kind() == data::PageCheckKind::Full;
    if (findings.isEmpty()) {
        if (full) clearStaleMarks(m_book);
        return;
    }
    m_problem = damagedBookMessage(m_book, findings.first());
}

void BookSession::announcePageCheckResult() {
    if (!m_pageCheck || m_pageCheckTaken) return;
    takePageCheckResult();
    if (!m_problem.isEmpty()) emit damageFound();
}

void BookSession::waitForChecks() {
    const QPointer<BookSession> alive(this);
    announcePageCheckResult();
    if (alive) takeBackupCheckResult();
}

void BookSession::beforeWrite() {
    // Damage found here is told by the refusal of this write.
    takePageCheckResult();
    if (!m_problem.isEmpty()) throw Error(m_problem);
    backupIfDue();
}

void BookSession::backupIfDue() {
    const QDate today = QDate::currentDate();
    if (today == m_backupDay || m_connection.state() != data::Connection::Open ||
        !m_connection.engine().supports(data::Capability::BackupCopy))
        return;
    m_backupDay = today;
    const QString target = dailyBackupPath(m_book, today);
    if (QFileInfo::exists(target)) return;  // made earlier today, by this copy or another
    try {
        if (!QDir().mkpath(backupFolder(m_book)))
            throw Error(QStringLiteral("the folder '%1' cannot be created.")
                            .arg(QDir::toNativeSeparators(backupFolder(m_book))));
        // A copy cut short by a kill leaves its part behind; it is of no use.
        const QDir folder(backupFolder(m_book));
        for (const QString& part :
             folder.entryList({QFileInfo(target).fileName() + QStringLiteral(".part-*")},
                              QDir::Files | QDir::Hidden))
            QFile::remove(folder.filePath(part));
        m_connection.engine().writeBackupCopy(target);
        rotateDailyBackups(m_book);
    } catch (const Error& e) {
        // Where the book's folder takes no file, or the book itself cannot be read, the change
        // cannot be stored either: its own failure says so, and "saved as usual" would be
        // untrue.
        const QFileInfo folder(QFileInfo(m_book).absolutePath());
        if (!folder.isWritable() || !QFileInfo(m_book).isWritable()) return;
        try {
            m_connection.engine().query(QStringLiteral("select count(*) from sqlite_master"))->next();
        } catch (const Error&) {
            return;
        }
        emit backupFailed(QStringLiteral("Today's backup of the order book could not be made: "
                                         "%1\r\n\r\nYour changes are saved as usual.")
                              .arg(e.description()));
        return;
    }
    // Checking every page of the copy takes a while on a big book; the save need not wait.
    m_backupChecked = target;
    m_backupCheckTaken = false;
    m_backupCheck = std::make_unique<data::BackgroundPageCheck>(target, data::PageCheckKind::Full);
    connect(m_backupCheck.get(), &data::BackgroundPageCheck::finished, this,
            &BookSession::takeBackupCheckResult);
}

void BookSession::takeBackupCheckResult() {
    if (!m_backupCheck || m_backupCheckTaken) return;
    const QStringList findings = m_backupCheck->wait();
    m_backupCheckTaken = true;
    if (findings.isEmpty()) return;
    QFile::remove(m_backupChecked);
    emit backupFailed(QStringLiteral("Today's backup of the order book, '%1', failed its check "
                                     "and was removed: %2.\r\n\r\nYour changes are saved as usual; "
                                     "check the disk that holds the book.")
                          .arg(QDir::toNativeSeparators(m_backupChecked), findings.first()));
}

}  // namespace qd
