#pragma once

// A report painted straight from its recordset, page after page: each page's rows are read as
// the page is painted and dropped after it, so memory stays the same whatever the number of
// rows. The pages are those a ReportDocument of all the rows has.
//
//     PageStream pages(layout, recordset, paper);
//     while (pages.next()) paintItems(painter, pages.items());

#include "reports/document.h"

namespace qd::reports {

class PageStream {
public:
    // Throws qd::Error when the report does not fit the paper or a field is not a column.
    PageStream(const ReportLayout& layout, data::Recordset& recordset, const QPageSize& paper);
    // Rows from any source (see ReadAhead), which must outlive the stream.
    PageStream(const ReportLayout& layout, RowSource& rows, const QPageSize& paper);

    // Moves to the next page (the first call gives the first); false after the last.
    bool next();
    int page() const { return m_page; }
    QSize paperTwips() const { return m_paperTwips; }
    // What the current page shows.
    std::vector<PlacedItem> items();

private:
    PageStream(const ReportLayout& layout, std::unique_ptr<RowReader> own, RowSource* rows,
               const QPageSize& paper);
    PagePlan fullPage(int page) const;
    void dropRowsBefore(int row);

    const ReportLayout& m_layout;
    std::unique_ptr<RowReader> m_ownReader;  // rows straight from a recordset
    RowSource& m_reader;
    FieldTexts m_texts;
    QSize m_paperTwips;
    BandHeights m_bands;
    int m_body = 0;
    PagePlan m_firstPage, m_nextPage;  // of a report that goes on
    RowTable m_window;                 // rows read and not yet painted
    int m_windowStart = 0;             // the report's row number of the window's first row
    std::vector<PagePlan> m_lastPages; // once every row is read: the whole report's plans
    int m_page = -1;
    PagePlan m_plan;
};

}  // namespace qd::reports
