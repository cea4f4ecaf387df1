#include "reports/readahead.h"

#include "data/connection.h"
#include "data/recordset.h"

#include <algorithm>

namespace qd::reports {

namespace {

// Rows per chunk and chunks waiting: small enough that the first page comes at once and the
// waiting rows take little room, large enough that the threads seldom wait on each other.
constexpr int kChunkRows = 256;
constexpr std::size_t kMaxChunks = 16;

}  // namespace

ReadAhead::ReadAhead(const QString& connectionString, const QString& statement,
                     const ReportLayout& layout)
    : m_fields(boundFields(layout)) {
    m_current.fields = m_fields;
    m_thread = std::thread([this, connectionString, statement, layout] {
        run(connectionString, statement, layout);
    });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_opened || m_done; });
    if (!m_opened) {
        const std::exception_ptr error = m_error;
        lock.unlock();
        m_thread.join();
        std::rethrow_exception(error);
    }
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void ReadAhead::run(const QString& connectionString, const QString& statement,
                    const ReportLayout& layout) {
    try {
        data::Connection connection;
        connection.open(connectionString);
        data::Recordset recordset;
        recordset.open(statement, connection, data::Recordset::OpenStatic,
                       data::Recordset::ReadOnly);
        RowReader reader(recordset, layout);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_opened = true;
        }
        m_changed.notify_all();
        for (bool end = reader.atEnd(); !end;) {
            RowTable chunk;
            chunk.fields = m_fields;
            chunk.cells.reserve(std::size_t(kChunkRows) * chunk.fields.size());
            end = reader.read(chunk, kChunkRows);
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_chunks.size() < kMaxChunks; });
            if (m_stop) return;
            m_chunks.push_back(std::move(chunk));
            lock.unlock();
            m_changed.notify_all();
        }
    } catch (...) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_error = std::current_exception();
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
}

bool ReadAhead::nextChunk() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_chunks.empty() || m_done; });
    if (m_chunks.empty()) {
        if (m_error) std::rethrow_exception(m_error);
        return false;
    }
    m_current = std::move(m_chunks.front());
    m_chunks.pop_front();
    m_taken = 0;
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool ReadAhead::atEnd() {
    return m_taken >= m_current.rowCount && !nextChunk();
}

bool ReadAhead::read(RowTable& table, int maxRows) {
    const std::size_t width = m_fields.size();
    for (int left = maxRows; left > 0 && !atEnd();) {
        const int n = std::min(left, m_current.rowCount - m_taken);
        const auto from = m_current.cells.begin() + std::ptrdiff_t(std::size_t(m_taken) * width);
        table.cells.insert(table.cells.end(), std::make_move_iterator(from),
                           std::make_move_iterator(from + std::ptrdiff_t(std::size_t(n) * width)));
        table.rowCount += n;
        m_taken += n;
        left -= n;
    }
    return atEnd();
}

}  // namespace qd::reports
