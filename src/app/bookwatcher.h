#pragma once

// The order book watched while the main window shows it, so that every list stays current:
//  - what this desk's own commits changed comes from the connection as they commit;
//  - what other desks changed is asked twice a second (a server's notifications have arrived
//    on the open connection by then; a file's data version is one cheap read);
//  - a server that went away is noticed (lost()), asked in the background whether it answers
//    again, with a growing pause (1 s, 2 s, 4 s ... at most 30 s), connected again when it
//    does (back()), and every list then reads all orders again, since what the others changed
//    meanwhile was not told.
// Changes are given in batches (changed()), after the event that caused them.
//
//     auto* watcher = new BookWatcher(AppConnection(), this);
//     connect(watcher, &BookWatcher::changed, this, &Form1::takeChanges);
//     watcher->start();   // before the list is read: nothing committed after it is missed

#include "data/changes.h"

#include <QObject>
#include <QString>

class QTimer;

namespace qd::data {
class Connection;
}

namespace qd {

class BookWatcher : public QObject {
    Q_OBJECT
public:
    explicit BookWatcher(data::Connection& connection, QObject* parent = nullptr);
    ~BookWatcher() override;

    // Marks where the book stands now and starts watching.
    void start();
    // Whether the book answered when last asked.
    bool reachable() const { return !m_lost; }
    // The changes noticed and not given yet, given now (before a command looks at a list).
    void deliver();
    // Drops the changes not given yet (every list is about to read everything again).
    void discard() { m_pending = data::BookChanges(); }

    // How often the others' changes are asked for, and the first and longest pause between
    // tries to reach a server that went away (tests shorten them).
    void setIntervals(int pollMs, int firstRetryMs, int longestRetryMs);

signals:
    void changed(const qd::data::BookChanges& changes);
    void lost();
    void back();

private:
    void poll();
    void noticeLost();
    void probe();
    void probed(bool answers);

    data::Connection& m_connection;
    QTimer* m_poll;
    QTimer* m_retry;
    data::BookChanges m_pending;
    bool m_deliveryDue = false;
    bool m_lost = false;
    bool m_probing = false;
    int m_pause;
    int m_firstRetryMs = 1000;
    int m_longestRetryMs = 30000;
    std::shared_ptr<bool> m_alive;
};

// The watcher of the program's one connection while the main window has it open; null when
// none watches (a window opened on its own, a test).
BookWatcher*& AppBookWatcher();

}  // namespace qd
