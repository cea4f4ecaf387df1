#pragma once

// Putting a laid-out report on paged devices and into files.

#include <QString>

class QIODevice;
class QPagedPaintDevice;
class QPageSize;

namespace qd::reports {

class ReportDocument;
class RowSource;
struct ReportLayout;

// Paints pages first..last (from 0, inclusive) on a device whose page size is already set and
// whose painting origin is the paper's corner (a printer in full-page mode, a PDF writer with
// no margins).
void renderPages(const ReportDocument& document, QPagedPaintDevice& device, int first, int last);

// Writes every page as PDF to a file named as on the command line ("-" is standard output,
// see app/outputfile.h). A regular file is replaced only when the whole report was written;
// failures throw qd::Error naming the file.
void exportPdf(const ReportDocument& document, const QString& path);
void writePdf(const ReportDocument& document, QIODevice& out);

// The same straight from the rows as they come (a RowReader over an open recordset, or rows
// read ahead), each page's rows read as it is written and none kept after (see PageStream),
// for reports of any length. With maxPages not negative, only the report's first pages.
void exportPdf(const ReportLayout& layout, RowSource& rows, const QPageSize& paper,
               const QString& path);
void writePdf(const ReportLayout& layout, RowSource& rows, const QPageSize& paper,
              QIODevice& out, int maxPages = -1);

// Writes the rows as comma-separated values a spreadsheet reads right under any regional
// settings: a heading line with the page header captions above the fields, then one line per
// row. Amounts are plain numbers to the cent and other numbers (rates and discounts as their
// fractions) plain numbers in full, with "." and no grouping or currency symbol; dates are
// ISO 8601; the file is the same whatever the program's locale and currency options. A text
// that a spreadsheet would take for a formula gets a leading apostrophe, control characters
// are replaced, fields holding a comma or a quote are quoted with quotes doubled; lines end
// with CR LF; UTF-8. Written like exportPdf.
void exportCsv(const ReportDocument& document, const QString& path);
// The same straight from the rows as they come, a thousand at a time.
void exportCsv(const ReportLayout& layout, RowSource& rows, const QString& path);
QByteArray csvText(const ReportDocument& document);

}  // namespace qd::reports
