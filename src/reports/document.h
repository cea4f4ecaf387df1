#pragma once

// A report ready to print: a layout instance, the rows read from its data source and the
// pages they fall on for one paper size. Any page can be listed (what is placed where, with
// which font) or painted on any device; painting goes through the listing, so both always
// agree.

#include "reports/reportlayout.h"
#include "reports/pagination.h"
#include "reports/rowstore.h"

#include <QPageSize>
#include <QRect>
#include <QSize>
#include <QVariant>

#include <memory>
#include <vector>

class QPainter;

namespace qd::data {
class Recordset;
}

namespace qd::reports {

// The values of the bound text fields, row by row, in the recordset's order.
struct RowTable {
    std::vector<int> fields;      // positions of the detail band's text fields among its controls
    std::vector<QVariant> cells;  // row-major, fields.size() values per row
    int rowCount = 0;
    const QVariant& cell(int row, int column) const {
        return cells[size_t(row) * fields.size() + size_t(column)];
    }
};

// The detail band's text fields of a layout, as RowTable::fields.
std::vector<int> boundFields(const ReportLayout& layout);

// Where the rows of a report come from, a chunk at a time.
class RowSource {
public:
    virtual ~RowSource() = default;
    // Appends up to maxRows rows; returns true when there are no more.
    virtual bool read(RowTable& table, int maxRows) = 0;
    // True when no row is left (may wait until that is known).
    virtual bool atEnd() = 0;
};

// Reads the rows of an open recordset for the detail fields of a layout, all at once or a
// chunk at a time. A data field that is not a column of the recordset is an error naming it,
// raised before any row is read.
class RowReader : public RowSource {
public:
    RowReader(data::Recordset& recordset, const ReportLayout& layout);
    bool read(RowTable& table, int maxRows) override;
    bool atEnd() override;

private:
    data::Recordset* m_recordset;
    std::vector<int> m_columns;
};

RowTable readRows(data::Recordset& recordset, const ReportLayout& layout);

struct PlacedItem {
    QString section;
    QString control;
    QRect rect;  // twips from the paper's top left corner
    ReportFont font;
    Alignment alignment = Alignment::Left;
    QString text;
    // Wider than its box: a caption, number or date is drawn narrower so that all of it shows
    // (a cut amount would read as another amount); a text value is cut at the box's edge.
    bool narrowToFit = false;
    // A caption or a name, likely shown again: shaped once and drawn from its glyphs after.
    bool repeats = false;
};

// How the detail fields of a layout show their values: each field's format, with every distinct
// amount formatted once (the format compiled once, its texts kept while they are few).
class FieldTexts {
public:
    FieldTexts(const ReportLayout& layout, const std::vector<int>& fields);
    FieldTexts(const FieldTexts&) = delete;
    FieldTexts& operator=(const FieldTexts&) = delete;
    ~FieldTexts();
    QString text(int column, const QVariant& value);
    // Whether a field's texts repeat from row to row, as names do (true until known).
    bool repeats(int column) const;

private:
    struct Field;
    std::vector<std::unique_ptr<Field>> m_fields;
};

// The items of one page: its bands, and its detail rows taken from `rows`, whose first row is
// row `firstRow` of the report.
// Rows is a RowTable or a RowStore.
template <class Rows>
std::vector<PlacedItem> placeItems(const ReportLayout& layout, const PagePlan& plan,
                                   const Rows& rows, int firstRow, FieldTexts& texts);

// Paints placed items on a painter whose unit is one twip and whose origin is the paper's top
// left corner. Each distinct text is shaped once per font and drawn from its glyphs after.
void paintItems(QPainter& painter, const std::vector<PlacedItem>& items);

// The paper's size in twips; throws qd::Error when the report is wider than the paper.
QSize fitPaper(const ReportLayout& layout, const QPageSize& paper);
BandHeights bandHeights(const ReportLayout& layout);

// The paper a report is laid out on when nobody chose one: Letter where the region measures
// in inches (United States), A4 elsewhere.
QPageSize defaultPaper();

class ReportDocument {
public:
    // Throws qd::Error when the report does not fit the paper.
    ReportDocument(ReportLayout layout, RowTable rows, const QPageSize& paper = defaultPaper());
    // Reads the recordset: all of it, or only firstRows rows when firstRows is not negative,
    // leaving the rest to readMore(). The recordset must stay open until all rows are read.
    ReportDocument(ReportLayout layout, data::Recordset& recordset,
                   const QPageSize& paper = defaultPaper(), int firstRows = -1);
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    const ReportLayout& layout() const { return m_layout; }
    const RowStore& rows() const { return m_rows; }
    const QPageSize& paper() const { return m_paper; }
    QSize paperTwips() const { return m_paperTwips; }
    // While rows are still to be read, only the pages that later rows cannot change.
    int pageCount() const { return int(m_pages.size()); }
    const std::vector<PagePlan>& pages() const { return m_pages; }

    // True when every row of the data source has been read.
    bool complete() const { return !m_reader; }
    // Reads up to maxRows more rows and lays them out; returns complete(). A failing read
    // throws and leaves the document incomplete.
    bool readMore(int maxRows);
    void readAll();

    // Lays the rows out again on other paper.
    void setPaper(const QPageSize& paper);

    // The text a field of a row shows: its value through the field's format.
    QString cellText(int row, int column) const;

    // Pages count from 0.
    std::vector<PlacedItem> placedItems(int page) const;
    // Paints a page on a painter whose unit is one twip and whose origin is the paper's top
    // left corner (see beginTwips).
    void paintPage(QPainter& painter, int page) const;

private:
    ReportLayout m_layout;
    bool read(int maxRows);

    RowStore m_rows;
    std::unique_ptr<RowReader> m_reader;  // while rows are still to be read
    QPageSize m_paper;
    QSize m_paperTwips;
    std::vector<PagePlan> m_pages;
    std::unique_ptr<FieldTexts> m_texts;
};

// Scales a painter on any device so that one unit is one twip.
void beginTwips(QPainter& painter);

// A font for drawing in twips on any device: sized in points, with hinting off so that text
// measures the same on screen, printer and PDF.
QFont deviceFont(const ReportFont& style);

// Every placed item of every page as plain text, one line each: page, band.control,
// rectangle, font, alignment and text. Reference files of the tests are kept in this form.
QString listing(const ReportDocument& document);

}  // namespace qd::reports
