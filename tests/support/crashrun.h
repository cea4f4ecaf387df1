#pragma once

// Kills a clerk saving orders (qd_crashsaver) at random moments and looks at the book after
// each kill as the next start would find it: every page and index sound, and every order
// holding one whole generation of lines, the one before the cut save or the one after.

#include "data/connection.h"
#include "data/pagecheck.h"
#include "data/recordset.h"
#include "support/books.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <random>

namespace crashrun {

struct Outcome {
    int runs = 0;
    int saves = 0;              // saves the clerks reported done, all runs together
    int killedInAWrite = 0;     // kills that left the journal of an unfinished change
    int pagesDamaged = 0;       // runs after which SQLite's full check found anything
    int ordersCut = 0;          // orders, after all runs, whose lines are not one whole save
    int clerksThatFailed = 0;   // clerks that never got ready or reported an error box
    QStringList notes;
};

// The book as made for the clerk: orders 1..orders, order n holding generation n.
inline void makeBook(const QString& path, int orders) {
    books::make(path, orders, [](int n) { return 1 + n % 4; });
}

// Orders whose lines are not one whole generation: mixed quantities, the wrong count, none.
inline int cutOrders(qd::data::Connection& db, QStringList* notes) {
    qd::data::Recordset rs;
    rs.open(QStringLiteral("select Orders.OrderID, Quantity from Orders left join [Order Details] "
                           "on [Order Details].OrderID = Orders.OrderID order by Orders.OrderID"),
            db);
    QHash<qlonglong, QList<int>> lines;
    QList<qlonglong> order;
    for (; !rs.eof(); rs.moveNext()) {
        const qlonglong id = rs.field(0).toLongLong();
        if (!lines.contains(id)) order << id;
        const QVariant quantity = rs.field(1);
        lines[id];
        if (!quantity.isNull()) lines[id] << quantity.toInt();
    }
    int cut = 0;
    for (const qlonglong id : order) {
        const QList<int>& q = lines[id];
        const bool whole = !q.isEmpty() && q.size() == 1 + q.first() % 4 &&
                           std::all_of(q.begin(), q.end(), [&](int v) { return v == q.first(); });
        if (whole) continue;
        ++cut;
        if (notes) {
            QStringList shown;
            for (int v : q) shown << QString::number(v);
            *notes << QStringLiteral("order %1 holds lines [%2]").arg(id).arg(shown.join(u','));
        }
    }
    return cut;
}

// Runs `runs` clerks on the book one after another, each killed with SIGKILL between 0 and
// maxDelayMs after its first save.
inline Outcome killClerks(const QString& saver, const QString& book, int runs, unsigned seed,
                          int maxDelayMs = 40) {
    Outcome outcome;
    std::mt19937 random(seed);
    for (int run = 0; run < runs; ++run) {
        QProcess clerk;
        clerk.start(saver, {book, QString::number(random())});
        bool ready = false;
        QByteArray out;
        const QDeadlineTimer readyBy(60000);
        while (!ready && !readyBy.hasExpired() && clerk.waitForReadyRead(int(readyBy.remainingTime()))) {
            out += clerk.readAllStandardOutput();
            ready = out.contains("ready\n");
        }
        if (!ready) {
            ++outcome.clerksThatFailed;
            outcome.notes << QStringLiteral("run %1: the clerk never got ready: %2")
                                 .arg(run)
                                 .arg(QString::fromUtf8(clerk.readAllStandardError()));
            clerk.kill();
            clerk.waitForFinished();
            continue;
        }
        QThread::usleep(random() % unsigned(maxDelayMs * 1000 + 1));
        ::kill(pid_t(clerk.processId()), SIGKILL);
        clerk.waitForFinished();
        ++outcome.runs;
        out += clerk.readAllStandardOutput();
        bool failed = false;
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("edited ") || line.startsWith("new ")) ++outcome.saves;
            if (!line.startsWith("error: ")) continue;
            failed = true;
            outcome.notes << QStringLiteral("run %1: %2").arg(run).arg(QString::fromUtf8(line));
        }
        if (failed) ++outcome.clerksThatFailed;
        if (QFile(book + QStringLiteral("-journal")).size() > 0) ++outcome.killedInAWrite;
        // As the next start: opening for writing rolls back an unfinished change.
        qd::data::Connection db;
        db.open(fileConnectionString(book));
        const QStringList findings = db.engine().checkPages(qd::data::PageCheckKind::Full);
        if (!findings.isEmpty()) {
            ++outcome.pagesDamaged;
            outcome.notes << QStringLiteral("run %1: %2").arg(run).arg(findings.join(QStringLiteral("; ")));
        }
        const int cut = cutOrders(db, nullptr);
        if (cut > 0) outcome.notes << QStringLiteral("run %1: %2 orders cut").arg(run).arg(cut);
    }
    qd::data::Connection db;
    db.open(fileConnectionString(book));
    outcome.ordersCut = cutOrders(db, &outcome.notes);
    return outcome;
}

inline QString summary(const Outcome& o) {
    return QStringLiteral("%1 clerks killed with SIGKILL after %2 saves in all; %3 kills left an "
                          "unfinished change (its journal); %4 runs with damaged pages; %5 orders "
                          "with a cut set of lines; %6 clerks failed")
        .arg(o.runs)
        .arg(o.saves)
        .arg(o.killedInAWrite)
        .arg(o.pagesDamaged)
        .arg(o.ordersCut)
        .arg(o.clerksThatFailed);
}

}  // namespace crashrun
