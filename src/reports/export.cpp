#include "reports/export.h"

#include "core/error.h"
#include "reports/document.h"
#include "reports/stream.h"
#include "text/textconv.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

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
    writer.setCreator(QStringLiteral("Quarrydesk"));
    writer.setTitle(title);
}

}  // namespace

void writePdf(const ReportDocument& document, QIODevice& out) {
    QPdfWriter writer(&out);
    setUp(writer, document.paper(), document.layout().title());
    renderPages(document, writer, 0, document.pageCount() - 1);
}

void writePdf(const ReportLayout& layout, data::Recordset& recordset, const QPageSize& paper,
              QIODevice& out) {
    PageStream pages(layout, recordset, paper);
    QPdfWriter writer(&out);
    setUp(writer, paper, layout.title());
    QPainter painter;
    if (!painter.begin(&writer))
        throw Error(QStringLiteral("The report could not be started on the output device."));
    beginTwips(painter);
    while (pages.next()) {
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

template <class Write>
void saveFile(const QString& path, Write&& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) fileError(path, file.errorString());
    write(file);
    if (!file.commit()) fileError(path, file.errorString());
}

QByteArray csvField(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
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
    saveFile(path, [&](QSaveFile& file) {
        writePdf(document, file);
        if (file.error() != QFileDevice::NoError) fileError(path, file.errorString());
    });
}

QString withoutGrouping(const QString& format) {
    QString out;
    bool quoted = false;
    bool pastPoint = false;
    auto placeholder = [](QChar c) { return c == u'#' || c == u'0'; };
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (quoted) {
            if (c == u'"') quoted = false;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'\\') {
            out += c;
            if (++i < format.size()) out += format[i];
            continue;
        } else if (c == u';') {
            pastPoint = false;
        } else if (c == u'.') {
            pastPoint = true;
        } else if (c == u',' && !pastPoint && i > 0 && i + 1 < format.size() &&
                   placeholder(format[i - 1]) && placeholder(format[i + 1])) {
            continue;
        }
        out += c;
    }
    return out;
}

namespace {

// The CSV lines of a report: the heading line, then one line per row.
class CsvLines {
public:
    CsvLines(const ReportLayout& layout, const std::vector<int>& fields) {
        const auto& controls = layout.band(BandRole::Detail).controls;
        for (size_t column = 0; column < fields.size(); ++column) {
            const ReportControl& field = controls[size_t(fields[column])];
            m_formats.push_back(withoutGrouping(field.format));
            if (column > 0) m_heading += ',';
            m_heading += csvField(headingOver(layout, field));
        }
        m_heading += "\r\n";
    }
    const QByteArray& heading() const { return m_heading; }
    template <class Rows>
    void append(QByteArray& out, const Rows& rows, int row) const {
        for (size_t column = 0; column < m_formats.size(); ++column) {
            if (column > 0) out += ',';
            const QVariant value = rows.cell(row, int(column));
            out += csvField(m_formats[column].isEmpty() ? text::generalText(value)
                                                        : text::formatValue(value, m_formats[column]));
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

void exportPdf(const ReportLayout& layout, data::Recordset& recordset, const QPageSize& paper,
               const QString& path) {
    saveFile(path, [&](QSaveFile& file) {
        writePdf(layout, recordset, paper, file);
        if (file.error() != QFileDevice::NoError) fileError(path, file.errorString());
    });
}

void exportCsv(const ReportLayout& layout, data::Recordset& recordset, const QString& path) {
    RowReader reader(recordset, layout);
    RowTable rows;
    rows.fields = boundFields(layout);
    const CsvLines lines(layout, rows.fields);
    saveFile(path, [&](QSaveFile& file) {
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
    saveFile(path, [&](QSaveFile& file) {
        if (file.write(bytes) != bytes.size()) fileError(path, file.errorString());
    });
}

}  // namespace qd::reports
