// The order book opened and closed with its care (app/booksession.h): a book that is refused
// or found damaged is told once, with the offer to put the newest good backup in its place.

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/backups.h"
#include "app/booksession.h"
#include "app/bookwatcher.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "core/error.h"
#include "ui/controls/listview.h"

#include <QApplication>
#include <QDir>

namespace qd::ui {

void Form1::OpenOrderBook() {
    auto& session = AppBookSession();
    session.reset();
    session = std::make_unique<BookSession>(AppConnection(), ConnectionString());
    // Told from the event loop: the restore it offers ends the session that found the damage,
    // and a message never waits inside a change of the book.
    connect(session.get(), &BookSession::damageFound, this, &Form1::ReportBookProblem,
            Qt::QueuedConnection);
    connect(session.get(), &BookSession::backupFailed, this, &Form1::ReportBackupFailure,
            Qt::QueuedConnection);
    if (!session->problem().isEmpty()) ReportBookProblem();
    // Watched from now on: whatever is committed after this is taken into the list.
    delete m_watcher;
    m_watcher = new BookWatcher(AppConnection(), this);
    AppBookWatcher() = m_watcher;
    connect(m_watcher, &BookWatcher::changed, this, &Form1::takeOrderChanges);
    connect(m_watcher, &BookWatcher::lost, this, &Form1::bookLost);
    connect(m_watcher, &BookWatcher::back, this, &Form1::bookBack);
    m_watcher->start();
    updateTitle();
}

void Form1::CloseOrderBook() {
    delete m_watcher;
    m_watcher = nullptr;
    // A list still filling reads from the book: its reading ends first.
    ListView1->clear();
    ListView2->clear();
    AppBookSession().reset();
    AppConnection().close();
}

void Form1::ReportBookProblem() {
    BookSession* session = AppBookSession().get();
    if (!session) return;
    const QString book = session->bookPath();
    // Replacing the book under an open editor would pull the rows from under it; the offer
    // then waits for the next start.
    const QString backup =
        QApplication::activeModalWidget() ? QString() : newestGoodBackup(book);
    if (backup.isEmpty()) {
        dialogs().message(session->problem(), Buttons::Ok, QString(), Icon::Exclamation);
        return;
    }
    const Answer answer = dialogs().message(
        session->problem() +
            QStringLiteral("\r\n\r\nRestore the newest good backup, '%1', now? The present file "
                           "is kept among the backups.")
                .arg(QDir::toNativeSeparators(backup)),
        Buttons::YesNo, QString(), Icon::Exclamation);
    if (answer != Answer::Yes) return;
    QString kept;
    try {
        CloseOrderBook();
        kept = restoreBook(book, backup);
    } catch (const Error& e) {
        dialogs().message(QStringLiteral("The backup could not be restored: %1").arg(e.description()),
                          Buttons::Ok, QString(), Icon::Exclamation);
    }
    OpenOrderBook();
    // During the start-up the list is filled later on.
    if (ListView1->columnCount() > 0) RefreshOrderList();
    if (!kept.isEmpty())
        dialogs().message(QStringLiteral("The order book is now the backup '%1'. The file it "
                                         "replaced is kept as '%2'.")
                              .arg(QDir::toNativeSeparators(backup), QDir::toNativeSeparators(kept)));
}

void Form1::ReportBackupFailure(const QString& message) {
    dialogs().message(message, Buttons::Ok, QString(), Icon::Exclamation);
}

}  // namespace qd::ui
