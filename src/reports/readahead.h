#pragma once

// The rows of a report read ahead on a thread of their own, over a connection of their own,
// while the caller lays out and writes the pages of the rows already read. On two cores the
// time the engine takes to compute the rows (the sums of each order's lines) and the time the
// PDF writer takes overlap instead of adding up. At most a few thousand rows wait at any time,
// so memory stays flat whatever the report's length.
//
//     ReadAhead rows(connectionString, kind.statement, layout);
//     PageStream pages(layout, rows, paper);

#include "reports/document.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace qd::reports {

class ReadAhead : public RowSource {
public:
    // Opens the book and the statement on the reading thread and returns once the rows can be
    // read; an error on the way (no book, a field that is not a column) is thrown here.
    ReadAhead(const QString& connectionString, const QString& statement,
              const ReportLayout& layout);
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    // Stops the reading thread wherever it is and waits for it.
    ~ReadAhead() override;

    // A failing read on the thread is thrown here, after the rows read before it.
    bool read(RowTable& table, int maxRows) override;
    bool atEnd() override;

private:
    void run(const QString& connectionString, const QString& statement,
             const ReportLayout& layout);
    // Waits for the next chunk; false at the end.
    bool nextChunk();

    const std::vector<int> m_fields;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<RowTable> m_chunks;  // read, not yet taken
    bool m_opened = false;
    bool m_done = false;            // the thread read its last row or failed
    bool m_stop = false;
    std::exception_ptr m_error;

    RowTable m_current;             // the chunk being taken, from row m_taken on
    int m_taken = 0;
    std::thread m_thread;
};

}  // namespace qd::reports
