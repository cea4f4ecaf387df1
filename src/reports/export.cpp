#include "reports/export.h"

#include "core/version.h"

#include "app/outputfile.h"
#include "core/error.h"
#include "reports/document.h"
#include "reports/stream.h"
#include "text/csv.h"
#include "text/textconv.h"

#include <QDir>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>

namespace qd::reports {

namespace {

void requireComplete(const ReportDocument& document) {
    if (!document.complete())
        throw Error(QStringLiteral("The rows of %1 have not all been read yet.")
                        .arg(document.layout().name));
}

}  // namespace

void renderPages(const ReportDocument& document, QPagedPaintDevice& device, int first, int last) {
    requireComplete(document);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("The report could not be started on the output device."));
    beginTwips(painter);
    for (int page = first; page <= last && page < document.pageCount(); ++page) {
        if (page > first && !device.newPage())
            throw Error(QStringLiteral("The output device refused a new page."));
        document.paintPage(painter, page);
    }
    if (!painter.end()) throw Error(QStringLiteral("The report could not be finished."));
}

namespace {

// A PDF writer whose unit is one twip, set up for a report.
void setUp(QPdfWriter& writer, const QPageSize& paper, const QString& title) {
    writer.setResolution(1440);
    writer.setPageSize(paper);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QStringLiteral("Quarrydesk %1").arg(QLatin1String(kVersion)));
    writer.setTitle(title);
}

}  // namespace

void writePdf(const ReportDocument& document, QIODevice& out) {
    QPdfWriter writer(&out);
    setUp(writer, document.paper(), document.layout().title());
    renderPages(document, writer, 0, document.pageCount() - 1);
}

void writePdf(const ReportLayout& layout, RowSource& rows, const QPageSize& paper,
              QIODevice& out, int maxPages) {
    PageStream pages(layout, rows, paper);
    QPdfWriter writer(&out);
    setUp(writer, paper, layout.title());
    QPainter painter;
    if (!painter.begin(&writer))
        throw Error(QStringLiteral("The report could not be started on the output device."));
    beginTwips(painter);
    while ((maxPages < 0 || pages.page() + 1 < maxPages) && pages.next()) {
        if (pages.page() > 0 && !writer.newPage())
            throw Error(QStringLiteral("The output device refused a new page."));
        paintItems(painter, pages.items());
    }
    if (!painter.end()) throw Error(QStringLiteral("The report could not be finished."));
}

namespace {

[[noreturn]] void fileError(const QString& path, const QString& reason) {
    throw Error(QStringLiteral("The file '%1' could not be written: %2")
                    .arg(QDir::toNativeSeparators(path), reason),
                75);
}

// A cell of the rows for a spreadsheet: formula-safe, control characters never raw (see
// text/csv.h).
QByteArray csvField(const QString& text, bool number) {
    return text::csvField(text, number, text::CsvBreaks::Blank);
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

// The page header label standing over a field: the one overlapping it most.
QString headingOver(const ReportLayout& layout, const ReportControl& field) {
    const ReportControl* best = nullptr;
    int bestOverlap = 0;
    for (const ReportControl& c : layout.band(BandRole::PageHeader).controls) {
        if (c.kind != ControlKind::Label) continue;
        const int overlap = std::min(c.left + c.width, field.left + field.width) -
                            std::max(c.left, field.left);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &c;
        }
    }
    return best ? best->caption : field.dataField;
}

}  // namespace

void exportPdf(const ReportDocument& document, const QString& path) {
    writeOutputFile(path, [&](QIODevice& out) { writePdf(document, out); });
}

namespace {

// A value as a spreadsheet reads it under any regional settings, whatever the program's own
// and its currency options: amounts (a field shown to the cent) to the cent, rates, discounts
// and other numbers in full (a rate as its fraction, 0.0825), all with "." and no grouping
// or symbol; dates as ISO 8601 (2026-12-09); texts as the report shows them.
QString csvValue(const QVariant& value, const QString& format) {
    if (value.isNull()) return QString();
    if (value.typeId() == QMetaType::QDate) return value.toDate().toString(Qt::ISODate);
    // The day, as the report shows it (its dates have no time of day).
    if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date().toString(Qt::ISODate);
    if (isNumber(value)) {
        const double number = value.toDouble();
        const bool cents = format.contains(QLatin1String(".00")) && !format.contains(u'%');
        return cents ? text::formatNumber(number, QStringLiteral("0.00"), QLocale::c())
                     : text::numberText(number);
    }
    return text::generalText(value, QLocale::c());
}

// The CSV lines of a report: the heading line, then one line per row.
class CsvLines {
public:
    CsvLines(const ReportLayout& layout, const std::vector<int>& fields) {
        const auto& controls = layout.band(BandRole::Detail).controls;
        for (size_t column = 0; column < fields.size(); ++column) {
            const ReportControl& field = controls[size_t(fields[column])];
            m_formats.push_back(field.format);
            if (column > 0) m_heading += ',';
            m_heading += csvField(headingOver(layout, field), false);
        }
        m_heading += "\r\n";
    }
    const QByteArray& heading() const { return m_heading; }
    template <class Rows>
    void append(QByteArray& out, const Rows& rows, int row) const {
        for (size_t column = 0; column < m_formats.size(); ++column) {
            if (column > 0) out += ',';
            const QVariant value = rows.cell(row, int(column));
            out += csvField(csvValue(value, m_formats[column]), isNumber(value));
        }
        out += "\r\n";
    }

private:
    std::vector<QString> m_formats;
    QByteArray m_heading;
};

}  // namespace

QByteArray csvText(const ReportDocument& document) {
    requireComplete(document);
    const RowStore& rows = document.rows();
    const CsvLines lines(document.layout(), rows.fields);
    QByteArray out = lines.heading();
    for (int row = 0; row < rows.rowCount; ++row) lines.append(out, rows, row);
    return out;
}

void exportPdf(const ReportLayout& layout, RowSource& rows, const QPageSize& paper,
               const QString& path) {
    writeOutputFile(path, [&](QIODevice& out) { writePdf(layout, rows, paper, out); });
}

void exportCsv(const ReportLayout& layout, RowSource& reader, const QString& path) {
    RowTable rows;
    rows.fields = boundFields(layout);
    const CsvLines lines(layout, rows.fields);
    writeOutputFile(path, [&](QIODevice& file) {
        QByteArray out = lines.heading();
        for (bool done = false; !done;) {
            rows.cells.clear();
            rows.rowCount = 0;
            done = reader.read(rows, 1000);
            for (int row = 0; row < rows.rowCount; ++row) lines.append(out, rows, row);
            if (file.write(out) != out.size()) fileError(path, file.errorString());
            out.clear();
        }
    });
}

void exportCsv(const ReportDocument& document, const QString& path) {
    const QByteArray bytes = csvText(document);
    writeOutputFile(path, [&](QIODevice& out) { out.write(bytes); });
}

}  // namespace qd::reports
