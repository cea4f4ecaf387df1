#include "reports/document.h"

#include "core/error.h"
#include "data/recordset.h"
#include "text/textcache.h"
#include "text/textconv.h"

#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QSet>
#include <QTextLayout>

#include <memory>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qd::reports {

std::vector<int> boundFields(const ReportLayout& layout) {
    std::vector<int> fields;
    const auto& controls = layout.band(BandRole::Detail).controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == ControlKind::TextField) fields.push_back(int(i));
    return fields;
}

RowReader::RowReader(data::Recordset& recordset, const ReportLayout& layout)
    : m_recordset(&recordset) {
    if (recordset.state() != data::Recordset::Open)
        throw Error(QStringLiteral("The data source of %1 is not open.").arg(layout.name), 3704);
    const auto& controls = layout.band(BandRole::Detail).controls;
    for (int f : boundFields(layout)) {
        const ReportControl& c = controls[size_t(f)];
        const int column = recordset.fieldIndex(c.dataField);
        if (column < 0)
            throw Error(QStringLiteral("DataField '%1' of %2 not found in the data source.")
                            .arg(c.dataField, c.name),
                        8524);
        m_columns.push_back(column);
    }
}

bool RowReader::atEnd() { return m_recordset->eof(); }

bool RowReader::read(RowTable& table, int maxRows) {
    for (int n = 0; n < maxRows && !m_recordset->eof(); ++n) {
        for (int column : m_columns) table.cells.push_back(m_recordset->field(column));
        ++table.rowCount;
        m_recordset->moveNext();
    }
    return m_recordset->eof();
}

RowTable readRows(data::Recordset& recordset, const ReportLayout& layout) {
    RowTable table;
    table.fields = boundFields(layout);
    RowReader reader(recordset, layout);
    reader.read(table, std::numeric_limits<int>::max());
    return table;
}

QPageSize defaultPaper() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem
               ? QPageSize(QPageSize::Letter)
               : QPageSize(QPageSize::A4);
}

ReportDocument::ReportDocument(ReportLayout layout, RowTable rows, const QPageSize& paper)
    : m_layout(std::move(layout)), m_rows(rows.fields) {
    m_rows.append(rows);
    m_rows.squeeze();
    m_texts = std::make_unique<FieldTexts>(m_layout, m_rows.fields);
    setPaper(paper);
}

ReportDocument::ReportDocument(ReportLayout layout, data::Recordset& recordset,
                               const QPageSize& paper, int firstRows)
    : m_layout(std::move(layout)) {
    m_rows.fields = boundFields(m_layout);
    m_texts = std::make_unique<FieldTexts>(m_layout, m_rows.fields);
    m_reader = std::make_unique<RowReader>(recordset, m_layout);
    if (read(firstRows < 0 ? std::numeric_limits<int>::max() : firstRows)) m_reader.reset();
    setPaper(paper);
}

// Reads up to maxRows rows into the store, a few thousand at a time; true at the end.
bool ReportDocument::read(int maxRows) {
    RowTable chunk;
    chunk.fields = m_rows.fields;
    bool end = false;
    for (int left = maxRows; left > 0 && !end;) {
        const int n = std::min(left, 4096);
        chunk.cells.clear();
        chunk.rowCount = 0;
        end = m_reader->read(chunk, n);
        m_rows.append(chunk);
        left -= n;
    }
    end = end || m_reader->atEnd();
    if (end) m_rows.squeeze();
    return end;
}

bool ReportDocument::readMore(int maxRows) {
    if (!m_reader) return true;
    if (read(maxRows)) m_reader.reset();
    setPaper(m_paper);
    return complete();
}

void ReportDocument::readAll() {
    while (!readMore(std::numeric_limits<int>::max())) {
    }
}

QSize fitPaper(const ReportLayout& layout, const QPageSize& paper) {
    const QSizeF points = paper.size(QPageSize::Point);
    const QSize twips(int(std::lround(points.width() * 20)), int(std::lround(points.height() * 20)));
    const PageSetup& p = layout.page;
    const int needed = p.leftMargin + p.reportWidth + p.rightMargin;
    if (needed > twips.width())
        throw Error(QStringLiteral("Report width is larger than the paper width: %1 needs %2 "
                                   "twips, %3 paper is %4 twips wide.")
                        .arg(layout.name)
                        .arg(needed)
                        .arg(paper.name())
                        .arg(twips.width()),
                    8565);
    return twips;
}

BandHeights bandHeights(const ReportLayout& layout) {
    BandHeights b;
    b.reportHeader = layout.band(BandRole::ReportHeader).height;
    b.pageHeader = layout.band(BandRole::PageHeader).height;
    b.detail = layout.band(BandRole::Detail).height;
    b.pageFooter = layout.band(BandRole::PageFooter).height;
    b.reportFooter = layout.band(BandRole::ReportFooter).height;
    return b;
}

void ReportDocument::setPaper(const QPageSize& paper) {
    const QSize twips = fitPaper(m_layout, paper);
    const PageSetup& p = m_layout.page;
    m_pages = paginate(bandHeights(m_layout), twips.height() - p.topMargin - p.bottomMargin,
                       m_rows.rowCount);
    // Rows still to come may join the last page, and the report footer is not known yet.
    if (m_reader && !m_pages.empty()) m_pages.pop_back();
    m_paper = paper;
    m_paperTwips = twips;
}

struct FieldTexts::Field {
    QString format;
    std::unique_ptr<text::NumberFormat> compiled;
    // Each distinct amount's text, kept while amounts repeat (rates, prices); a field whose
    // amounts mostly differ (totals) formats each one directly instead.
    std::unique_ptr<text::NumberTexts> amounts;
    int lookups = 0;
    int repeats = 0;
    // Each day's text through the format: a report's dates repeat from row to row.
    std::unique_ptr<text::DateTexts> days;
    // Whether the field's texts repeat (names) or mostly differ (PO numbers), judged on the
    // first rows: only repeating texts are worth keeping shaped.
    QSet<QString> seen;
    int texts = 0;
    int textRepeats = 0;
    bool textsRepeat = true;
};

namespace {

constexpr int kTextsJudged = 512;  // texts of a field read before judging whether they repeat

}  // namespace

FieldTexts::FieldTexts(const ReportLayout& layout, const std::vector<int>& fields) {
    const auto& controls = layout.band(BandRole::Detail).controls;
    for (int f : fields) {
        auto field = std::make_unique<Field>();
        field->format = controls[size_t(f)].format;
        if (!field->format.isEmpty()) {
            field->compiled = std::make_unique<text::NumberFormat>(field->format);
            field->amounts = std::make_unique<text::NumberTexts>(field->format);
            field->days = std::make_unique<text::DateTexts>(QLocale(), field->format);
        }
        m_fields.push_back(std::move(field));
    }
}

FieldTexts::~FieldTexts() = default;

bool FieldTexts::repeats(int column) const { return m_fields[size_t(column)]->textsRepeat; }

QString FieldTexts::text(int column, const QVariant& value) {
    Field& field = *m_fields[size_t(column)];
    if (value.typeId() == QMetaType::QString && field.texts < kTextsJudged) {
        const qsizetype known = field.seen.size();
        field.seen.insert(value.toString());
        if (field.seen.size() == known) ++field.textRepeats;
        if (++field.texts == kTextsJudged) {
            field.textsRepeat = field.textRepeats >= field.texts / 2;
            field.seen = QSet<QString>();
        }
    }
    if (field.format.isEmpty()) return text::generalText(value);
    switch (value.typeId()) {
    case QMetaType::Double: case QMetaType::LongLong: case QMetaType::Int: {
        if (!field.amounts) return (*field.compiled)(value.toDouble());
        text::NumberTexts& amounts = *field.amounts;
        amounts.useLocale(QLocale());
        const std::size_t known = amounts.size();
        QString shown = amounts.text(value.toDouble());
        if (amounts.size() == known) ++field.repeats;
        if (++field.lookups == 4096 && field.repeats < field.lookups / 2) field.amounts.reset();
        return shown;
    }
    case QMetaType::QDate:
        field.days->useLocale(QLocale());
        return field.days->text(value.toDate().toJulianDay());
    default:
        return text::formatValue(value, field.format);
    }
}

QString ReportDocument::cellText(int row, int column) const {
    return m_texts->text(column, m_rows.cell(row, column));
}

namespace {

template <class Rows>
void placeBand(std::vector<PlacedItem>& items, const ReportLayout& layout, const Section& band,
               int top, const Rows* rows, int row, FieldTexts* texts) {
    const int x0 = layout.page.leftMargin;
    const int y0 = layout.page.topMargin + top;
    int column = 0;
    for (const ReportControl& c : band.controls) {
        PlacedItem item;
        item.section = band.name;
        item.control = c.name;
        item.rect = QRect(x0 + c.left, y0 + c.top, c.width, c.height);
        item.font = c.font;
        item.alignment = c.alignment;
        if (c.kind == ControlKind::Label) {
            item.text = c.caption;
            item.narrowToFit = true;
            item.repeats = true;
        } else if (band.role == BandRole::Detail && rows) {
            const QVariant value = rows->cell(row, column);
            item.narrowToFit = value.typeId() != QMetaType::QString;
            item.text = texts->text(column, value);
            item.repeats = !item.narrowToFit && texts->repeats(column);  // names, not numbers
            ++column;
        }
        items.push_back(std::move(item));
    }
}

}  // namespace

template <class Rows>
std::vector<PlacedItem> placeItems(const ReportLayout& layout, const PagePlan& plan,
                                   const Rows& rows, int firstRow, FieldTexts& texts) {
    std::vector<PlacedItem> items;
    const Rows* none = nullptr;
    if (plan.reportHeader)
        placeBand(items, layout, layout.band(BandRole::ReportHeader), 0, none, -1, nullptr);
    placeBand(items, layout, layout.band(BandRole::PageHeader), plan.pageHeaderTop, none, -1,
              nullptr);
    const Section& detail = layout.band(BandRole::Detail);
    for (int i = 0; i < plan.rowCount; ++i)
        placeBand(items, layout, detail, plan.firstDetailTop + i * detail.height, &rows,
                  plan.firstRow + i - firstRow, &texts);
    if (plan.reportFooter)
        placeBand(items, layout, layout.band(BandRole::ReportFooter), plan.reportFooterTop,
                  none, -1, nullptr);
    placeBand(items, layout, layout.band(BandRole::PageFooter), plan.pageFooterTop, none, -1,
              nullptr);
    return items;
}

template std::vector<PlacedItem> placeItems(const ReportLayout&, const PagePlan&,
                                            const RowTable&, int, FieldTexts&);
template std::vector<PlacedItem> placeItems(const ReportLayout&, const PagePlan&,
                                            const RowStore&, int, FieldTexts&);

std::vector<PlacedItem> ReportDocument::placedItems(int page) const {
    if (page < 0 || page >= pageCount()) return {};
    return placeItems(m_layout, m_pages[size_t(page)], m_rows, 0, *m_texts);
}

QFont deviceFont(const ReportFont& style) {
    QFont font(style.family);
    font.setPixelSize(int(std::lround(style.points * 20)));
    font.setWeight(QFont::Weight(style.weight));
    font.setItalic(style.italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

void beginTwips(QPainter& painter) {
    const QPaintDevice* device = painter.device();
    painter.scale(device->logicalDpiX() / 1440.0, device->logicalDpiY() / 1440.0);
}

namespace {

// Text widths in twips for the report fonts, from per-character advances: kerning is off, so
// a line's width is the sum of its characters' advances, and no line has to be laid out.
class Measure {
public:
    explicit Measure(const QFont& font) : m_metrics(font) {
        std::fill(std::begin(m_ascii), std::end(m_ascii), -1.0);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    double advance(QChar c) {
        const ushort code = c.unicode();
        if (code < 128) {
            if (m_ascii[code] < 0) m_ascii[code] = m_metrics.horizontalAdvance(c);
            return m_ascii[code];
        }
        auto it = m_other.constFind(code);
        if (it == m_other.constEnd()) it = m_other.insert(code, m_metrics.horizontalAdvance(c));
        return *it;
    }
    double width(const QString& text) {
        double w = 0;
        for (QChar c : text) w += advance(c);
        return w;
    }
    // The longest start of the text that fits the width.
    QString fitting(const QString& text, double width) {
        double w = 0;
        for (int i = 0; i < text.size(); ++i) {
            w += advance(text[i]);
            if (w > width) return text.left(i);
        }
        return text;
    }
    double ascent() const { return m_metrics.ascent(); }

private:
    QFontMetricsF m_metrics;
    double m_ascii[128];
    QHash<ushort, double> m_other;
};

struct FontEntry {
    ReportFont style;
    QFont font;
    std::unique_ptr<Measure> measure;
    // Texts shaped once: their glyphs and where they stand from the text's baseline start.
    QHash<QString, QList<QGlyphRun>> shaped;
};

// Draws a text with its baseline starting at `at`. A text that repeats (a caption, a name) is
// shaped only the first time the font draws it: the same glyphs drawText would place, without
// laying the text out again.
void drawText(QPainter& painter, FontEntry& f, const QPointF& at, const QString& text,
              bool repeats) {
    if (!repeats) {  // shaped again at its next showing anyway: no use keeping its glyphs
        painter.drawText(at, text);
        return;
    }
    auto it = f.shaped.constFind(text);
    if (it == f.shaped.constEnd()) {
        if (f.shaped.size() > 20000) f.shaped.clear();  // the distinct names of a report are few
        QTextLayout layout(text, f.font);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        QList<QGlyphRun> runs = layout.glyphRuns();
        for (QGlyphRun& run : runs) {
            QList<QPointF> positions = run.positions();
            for (QPointF& p : positions) p.ry() -= line.ascent();
            run.setPositions(positions);
        }
        it = f.shaped.insert(text, runs);
    }
    for (const QGlyphRun& run : *it) painter.drawGlyphRun(at, run);
}

bool sameFont(const ReportFont& a, const ReportFont& b) {
    return a.points == b.points && a.weight == b.weight && a.italic == b.italic &&
           a.family == b.family;
}

FontEntry& fontFor(const ReportFont& style) {
    // The few report fonts are measured once per program run.
    static std::vector<std::unique_ptr<FontEntry>> fonts;
    for (auto& f : fonts)
        if (sameFont(f->style, style)) return *f;
    auto entry = std::make_unique<FontEntry>();
    entry->style = style;
    entry->font = deviceFont(style);
    entry->measure = std::make_unique<Measure>(entry->font);
    fonts.push_back(std::move(entry));
    return *fonts.back();
}

}  // namespace

void paintItems(QPainter& painter, const std::vector<PlacedItem>& items) {
    painter.save();
    painter.setPen(Qt::black);
    const FontEntry* current = nullptr;
    for (const PlacedItem& item : items) {
        if (item.text.isEmpty()) continue;
        FontEntry& f = fontFor(item.font);
        if (&f != current) {
            painter.setFont(f.font);
            current = &f;
        }
        // Nothing runs into the next column, on the page or in the text copied from a PDF: a
        // text wider than its field is cut at the field's edge, keeping its start; a caption
        // or a number is drawn narrower instead, so that it still reads as it is.
        const QRect& r = item.rect;
        const double width = f.measure->width(item.text);
        const double baseline = r.top() + f.measure->ascent();
        if (width > r.width() && item.narrowToFit) {
            // Fields stand edge to edge; a narrowed one keeps a little space before the next.
            constexpr double kGap = 60;
            const QTransform page = painter.worldTransform();
            painter.translate(r.left(), baseline);
            painter.scale(std::max(1.0, r.width() - kGap) / width, 1.0);
            drawText(painter, f, QPointF(0, 0), item.text, item.repeats);
            painter.setWorldTransform(page);
            continue;
        }
        double x = r.left();
        QString shown = item.text;
        if (width > r.width()) {
            shown = f.measure->fitting(item.text, r.width());
        } else if (item.alignment == Alignment::Centre) {
            x += (r.width() - width) / 2;
        }
        if (!shown.isEmpty()) drawText(painter, f, QPointF(x, baseline), shown, item.repeats);
    }
    painter.restore();
}

void ReportDocument::paintPage(QPainter& painter, int page) const {
    paintItems(painter, placedItems(page));
}

namespace {

QString fontText(const ReportFont& f) {
    QString text = f.family + QLatin1Char(' ') + QString::number(f.points) + QStringLiteral("pt");
    if (f.weight >= 700) text += QStringLiteral(" bold");
    if (f.italic) text += QStringLiteral(" italic");
    return text;
}

QString oneLine(QString text) {
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return text;
}

}  // namespace

QString listing(const ReportDocument& document) {
    const QSize paper = document.paperTwips();
    QString out = QStringLiteral("%1, paper %2 %3 x %4 twips, %5 page(s)\n")
                      .arg(document.layout().name, document.paper().key())
                      .arg(paper.width())
                      .arg(paper.height())
                      .arg(document.pageCount());
    for (int page = 0; page < document.pageCount(); ++page) {
        out += QStringLiteral("page %1\n").arg(page + 1);
        for (const PlacedItem& item : document.placedItems(page)) {
            const QRect& r = item.rect;
            out += QStringLiteral("  %1.%2 | %3,%4 %5x%6 | %7 | %8 | %9\n")
                       .arg(item.section, item.control)
                       .arg(r.x())
                       .arg(r.y())
                       .arg(r.width())
                       .arg(r.height())
                       .arg(fontText(item.font),
                            item.alignment == Alignment::Centre ? QStringLiteral("centre")
                                                                : QStringLiteral("left"),
                            oneLine(item.text));
        }
    }
    return out;
}

}  // namespace qd::reports
