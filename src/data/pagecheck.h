#pragma once

// SQLite's own check of an order book's pages: quick_check looks at the structure of every
// page, integrity_check also compares every index with its table (several times slower).

#include "data/engine.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace qd::data {

// The check run on a read-only connection of its own in a thread of its own, so that the
// window shows and the user can read while it runs on a big book. Starts when made; the
// object's destruction stops it.
//
//     auto check = std::make_unique<BackgroundPageCheck>(path, PageCheckKind::Quick);
//     connect(check.get(), &BackgroundPageCheck::finished, ...);  // or: check->wait()
class BackgroundPageCheck : public QObject {
    Q_OBJECT
public:
    BackgroundPageCheck(const QString& path, PageCheckKind kind, QObject* parent = nullptr);
    ~BackgroundPageCheck() override;

    PageCheckKind kind() const;
    bool isFinished() const;
    // Waits until the check has ended and gives its findings (empty: sound).
    QStringList wait();

signals:
    // Delivered in the thread that made the object, once the check has ended.
    void finished();

private:
    struct Run;
    std::unique_ptr<Run> m_run;
};

}  // namespace qd::data
