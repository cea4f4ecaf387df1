#pragma once

// Who has an order book open. A running copy of the program leaves a small mark file beside the
// book's real file, whatever path or link it was opened by ("." + file name + ".in-use." +
// process number), and removes it when it closes the book;
// a mark whose process is gone tells that a run ended without closing the book (killed, a
// crash, a power cut), so the next start checks every page and index before the first write.

#include <QList>
#include <QString>

namespace qd {

class InUseMark {
public:
    // Marks the book as open by this process. Where the folder cannot be written there is no
    // mark, and nothing else changes.
    explicit InUseMark(const QString& bookPath);
    ~InUseMark();
    InUseMark(const InUseMark&) = delete;
    InUseMark& operator=(const InUseMark&) = delete;

    // True when, at the time of marking, a mark of a process that no longer runs was found.
    bool previousRunEndedUncleanly() const { return m_unclean; }

private:
    QString m_path;
    bool m_unclean = false;
};

// Processes other than this one that have the book open now.
QList<qint64> otherProcessesUsing(const QString& bookPath);

// Removes the marks of processes that no longer run, once the book has been checked (or
// replaced by a checked copy).
void clearStaleMarks(const QString& bookPath);

}  // namespace qd
