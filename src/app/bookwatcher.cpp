#include "app/bookwatcher.h"

#include "data/connection.h"

#include <QThread>
#include <QTimer>

namespace qd {

BookWatcher::BookWatcher(data::Connection& connection, QObject* parent)
    : QObject(parent), m_connection(connection), m_poll(new QTimer(this)), m_retry(new QTimer(this)),
      m_pause(m_firstRetryMs), m_alive(std::make_shared<bool>(true)) {
    m_poll->setInterval(500);
    m_retry->setSingleShot(true);
    connect(m_poll, &QTimer::timeout, this, &BookWatcher::poll);
    connect(m_retry, &QTimer::timeout, this, &BookWatcher::probe);
    const std::weak_ptr<bool> alive = m_alive;
    m_connection.setAfterCommit([this, alive](const data::BookChanges& changes) {
        if (alive.expired()) return;
        m_pending.merge(changes);
        if (m_deliveryDue) return;
        m_deliveryDue = true;
        QTimer::singleShot(0, this, &BookWatcher::deliver);
    });
}

BookWatcher*& AppBookWatcher() {
    static BookWatcher* watcher = nullptr;
    return watcher;
}

BookWatcher::~BookWatcher() {
    if (AppBookWatcher() == this) AppBookWatcher() = nullptr;
    *m_alive = false;
    m_connection.setAfterCommit(nullptr);
}

void BookWatcher::setIntervals(int pollMs, int firstRetryMs, int longestRetryMs) {
    m_poll->setInterval(pollMs);
    m_firstRetryMs = m_pause = firstRetryMs;
    m_longestRetryMs = longestRetryMs;
}

void BookWatcher::start() {
    if (m_connection.state() == data::Connection::Open) m_connection.changesElsewhere();
    m_poll->start();
}

void BookWatcher::deliver() {
    m_deliveryDue = false;
    if (m_pending.isEmpty()) return;
    const data::BookChanges changes = std::exchange(m_pending, data::BookChanges());
    emit changed(changes);
}

void BookWatcher::poll() {
    if (m_connection.state() != data::Connection::Open || m_lost) return;
    if (!m_connection.engine().reachable()) {
        noticeLost();
        return;
    }
    m_pending.merge(m_connection.changesElsewhere());
    if (!m_connection.engine().reachable()) {
        noticeLost();
        return;
    }
    deliver();
}

void BookWatcher::noticeLost() {
    m_lost = true;
    m_pause = m_firstRetryMs;
    m_retry->start(m_pause);
    emit lost();
}

// Asks on another thread, since a server host that is gone lets a connection wait for seconds.
void BookWatcher::probe() {
    if (!m_lost || m_probing || m_connection.state() != data::Connection::Open) return;
    m_probing = true;
    std::function<bool()> test = m_connection.engine().reachabilityProbe();
    auto answers = std::make_shared<bool>(false);
    QThread* thread = QThread::create([test, answers] { *answers = test(); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, answers] {
        m_probing = false;
        probed(*answers);
    });
    thread->start();
}

void BookWatcher::probed(bool answers) {
    if (!m_lost) return;
    if (answers && !m_connection.engine().inTransaction()) {
        try {
            m_connection.engine().reconnect();
            m_connection.changesElsewhere();  // everything is read again anyway
            m_lost = false;
            m_pending = data::BookChanges();
            emit back();
            return;
        } catch (const std::exception&) {
            // It answers but does not let us in yet (still starting, say): try again later.
        }
    }
    m_pause = std::min(m_pause * 2, m_longestRetryMs);
    m_retry->start(m_pause);
}

}  // namespace qd
