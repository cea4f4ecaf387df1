#include "reports/stream.h"

#include "data/recordset.h"

#include <algorithm>

namespace qd::reports {

PageStream::PageStream(const ReportLayout& layout, data::Recordset& recordset,
                       const QPageSize& paper)
    : PageStream(layout, std::make_unique<RowReader>(recordset, layout), nullptr, paper) {}

PageStream::PageStream(const ReportLayout& layout, RowSource& rows, const QPageSize& paper)
    : PageStream(layout, nullptr, &rows, paper) {}

PageStream::PageStream(const ReportLayout& layout, std::unique_ptr<RowReader> own,
                       RowSource* rows, const QPageSize& paper)
    : m_layout(layout),
      m_ownReader(std::move(own)),
      m_reader(rows ? *rows : *m_ownReader),
      m_texts(layout, boundFields(layout)),
      m_paperTwips(fitPaper(layout, paper)),
      m_bands(bandHeights(layout)) {
    m_body = m_paperTwips.height() - layout.page.topMargin - layout.page.bottomMargin;
    m_window.fields = boundFields(layout);
    // The first two pages of a report that goes on give every full page: all but the first
    // are alike, shifted by their rows.
    const int perPage = m_body / std::max(1, m_bands.detail) + 1;
    const std::vector<PagePlan> probe = paginate(m_bands, m_body, 3 * perPage + 3);
    m_firstPage = probe.at(0);
    m_nextPage = probe.at(1);
}

PagePlan PageStream::fullPage(int page) const {
    if (page == 0) return m_firstPage;
    PagePlan plan = m_nextPage;
    plan.firstRow = m_firstPage.rowCount + (page - 1) * m_nextPage.rowCount;
    return plan;
}

void PageStream::dropRowsBefore(int row) {
    const int drop = std::clamp(row - m_windowStart, 0, m_window.rowCount);
    if (drop == 0) return;
    const std::size_t width = m_window.fields.size();
    m_window.cells.erase(m_window.cells.begin(), m_window.cells.begin() + drop * width);
    m_window.rowCount -= drop;
    m_windowStart += drop;
}

bool PageStream::next() {
    ++m_page;
    if (m_page > 0) dropRowsBefore(m_plan.firstRow + m_plan.rowCount);
    if (!m_lastPages.empty()) {
        if (m_page >= int(m_lastPages.size())) return false;
        m_plan = m_lastPages[size_t(m_page)];
        return true;
    }
    // A full page is final once a row after it exists; read one beyond it to know.
    const PagePlan full = fullPage(m_page);
    const int needed = full.firstRow + full.rowCount + 1 - m_windowStart;
    if (m_window.rowCount < needed && !m_reader.atEnd())
        m_reader.read(m_window, needed - m_window.rowCount);
    if (m_window.rowCount >= needed) {
        m_plan = full;
        return true;
    }
    m_lastPages = paginate(m_bands, m_body, m_windowStart + m_window.rowCount);
    if (m_page >= int(m_lastPages.size())) return false;
    m_plan = m_lastPages[size_t(m_page)];
    return true;
}

std::vector<PlacedItem> PageStream::items() {
    return placeItems(m_layout, m_plan, m_window, m_windowStart, m_texts);
}

}  // namespace qd::reports
