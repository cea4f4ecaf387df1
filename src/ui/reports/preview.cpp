#include "ui/reports/preview.h"

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "reports/document.h"
#include "reports/export.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/twips.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace qd::ui {

namespace {

constexpr int kGap = 16;  // pixels around and between pages

}  // namespace

PageView::PageView(const reports::ReportDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document) {
    setObjectName(QStringLiteral("PageView"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    m_cache.setMaxCost(64 * 1024);  // KiB of page images kept for scrolling back
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

QSize PageView::pageSize() const {
    const QSize twips = m_document.paperTwips();
    const double scale = m_zoom / twipsPerPixel();
    return QSize(std::max(1, int(std::lround(twips.width() * scale))),
                 std::max(1, int(std::lround(twips.height() * scale))));
}

int PageView::pageTop(int page) const { return kGap + page * (pageSize().height() + kGap); }

void PageView::setZoom(double zoom) {
    m_fit = Fit::None;
    zoom = std::clamp(zoom, 0.1, 8.0);
    if (zoom == m_zoom) return;
    const int page = currentPage();
    m_zoom = zoom;
    m_cache.clear();
    updateScrollBars();
    showPage(page);
    viewport()->update();
}

void PageView::setFit(Fit fit) {
    m_fit = fit;
    const int page = currentPage();
    applyFit();
    showPage(page);
}

void PageView::applyFit() {
    if (m_fit == Fit::None) return;
    const QSize twips = m_document.paperTwips();
    const double perPixel = twipsPerPixel();
    const double byWidth = (viewport()->width() - 2 * kGap) * perPixel / twips.width();
    const double byHeight = (viewport()->height() - 2 * kGap) * perPixel / twips.height();
    const double zoom = std::clamp(m_fit == Fit::Width ? byWidth : std::min(byWidth, byHeight),
                                   0.1, 8.0);
    if (std::abs(zoom - m_zoom) > 1e-3) {
        m_zoom = zoom;
        m_cache.clear();
    }
    updateScrollBars();
    viewport()->update();
}

void PageView::updateScrollBars() {
    const QSize page = pageSize();
    const int count = std::max(1, m_document.pageCount());
    const int height = kGap + count * (page.height() + kGap);
    const int width = page.width() + 2 * kGap;
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void PageView::documentChanged() {
    m_cache.clear();
    applyFit();
    updateScrollBars();
    viewport()->update();
}

void PageView::pagesAdded() {
    updateScrollBars();
    viewport()->update();
}

bool PageView::navigate(int key) {
    QScrollBar* bar = verticalScrollBar();
    switch (key) {
    case Qt::Key_Home:
        showPage(0);
        return true;
    case Qt::Key_End:
        showPage(m_document.pageCount() - 1);
        return true;
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return true;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return true;
    case Qt::Key_Up:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return true;
    case Qt::Key_Down:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return true;
    default:
        return false;
    }
}

void PageView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~(Qt::ControlModifier | Qt::KeypadModifier) || !navigate(event->key()))
        QAbstractScrollArea::keyPressEvent(event);
}

void PageView::showPage(int page) {
    page = std::clamp(page, 0, std::max(0, m_document.pageCount() - 1));
    verticalScrollBar()->setValue(pageTop(page) - kGap);
    viewport()->update();
}

int PageView::currentPage() const {
    const int stride = pageSize().height() + kGap;
    const int probe = verticalScrollBar()->value() + std::min(viewport()->height() / 3, stride / 2);
    return std::clamp(probe / stride, 0, std::max(0, m_document.pageCount() - 1));
}

QList<int> PageView::visiblePages() const {
    QList<int> pages;
    const int stride = pageSize().height() + kGap;
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    for (int page = std::max(0, (top - kGap) / stride); page < m_document.pageCount(); ++page) {
        const int y = pageTop(page);
        if (y >= bottom) break;
        if (y + pageSize().height() > top) pages.append(page);
    }
    return pages;
}

const QImage& PageView::pageImage(int page) {
    if (const QImage* cached = m_cache.object(page)) return *cached;
    const QSize size = pageSize();
    const qreal ratio = devicePixelRatioF();
    auto* image = new QImage(QSize(int(size.width() * ratio), int(size.height() * ratio)),
                             QImage::Format_RGB32);
    image->setDevicePixelRatio(ratio);
    image->fill(Qt::white);
    QPainter painter(image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(double(size.width()) / m_document.paperTwips().width(),
                  double(size.height()) / m_document.paperTwips().height());
    m_document.paintPage(painter, page);
    painter.end();
    ++m_rendered;
    m_cache.insert(page, image, int(image->sizeInBytes() / 1024) + 1);
    return *m_cache.object(page);
}

void PageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QSize size = pageSize();
    const int contentWidth = size.width() + 2 * kGap;
    const int x = (contentWidth < viewport()->width() ? (viewport()->width() - size.width()) / 2
                                                      : kGap - horizontalScrollBar()->value());
    for (int page : visiblePages()) {
        const int y = pageTop(page) - verticalScrollBar()->value();
        painter.fillRect(QRect(QPoint(x + 3, y + 3), size), QColor(0, 0, 0, 90));
        painter.drawImage(QPoint(x, y), pageImage(page));
        painter.setPen(Qt::black);
        painter.drawRect(QRect(QPoint(x, y), size).adjusted(0, 0, -1, -1));
    }
    const int page = currentPage();
    if (page != m_lastPage) {
        m_lastPage = page;
        emit currentPageChanged(page);
    }
}

void PageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_fit != Fit::None)
        applyFit();
    else
        updateScrollBars();
}

void PageView::scrollContentsBy(int, int) {
    viewport()->update();
}

DataReport1::DataReport1(reports::ReportDocument& document, QWidget* owner)
    : QDialog(owner), m_document(document) {
    setObjectName(QStringLiteral("DataReport1"));
    setWindowTitle(QStringLiteral("DataReport1"));
    setWindowIcon(applicationIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* first = button("First", tr("|<"));
    QPushButton* previous = button("Previous", tr("<"));
    QPushButton* next = button("Next", tr(">"));
    QPushButton* last = button("Last", tr(">|"));
    first->setToolTip(tr("First page"));
    previous->setToolTip(tr("Previous page"));
    next->setToolTip(tr("Next page"));
    last->setToolTip(tr("Last page"));
    m_page = new QSpinBox(this);
    m_page->setObjectName(QStringLiteral("PageNumber"));
    m_page->setRange(1, std::max(1, document.pageCount()));
    m_page->setKeyboardTracking(false);
    m_pageCount = new QLabel(this);
    m_pageCount->setObjectName(QStringLiteral("PageCount"));
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("Zoom"));
    m_zoom->addItem(tr("Page width"), -1.0);
    m_zoom->addItem(tr("Whole page"), -2.0);
    for (int percent : {50, 75, 100, 150, 200, 300}) m_zoom->addItem(tr("%1%").arg(percent), percent / 100.0);
    QPushButton* printButton = button("Print", tr("Print..."));
    QPushButton* pdfButton = button("ExportPdf", tr("Export PDF..."));
    QPushButton* close = button("Close", tr("Close"));

    m_view = new PageView(document, this);
    m_view->viewport()->installEventFilter(this);

    auto* tools = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{first, previous, m_page, m_pageCount, next, last})
        tools->addWidget(w);
    tools->addSpacing(12);
    tools->addWidget(m_zoom);
    tools->addStretch(1);
    tools->addWidget(printButton);
    tools->addWidget(pdfButton);
    tools->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);

    connect(first, &QPushButton::clicked, this, [this] { m_view->showPage(0); });
    connect(previous, &QPushButton::clicked, this,
            [this] { m_view->showPage(m_view->currentPage() - 1); });
    connect(next, &QPushButton::clicked, this,
            [this] { m_view->showPage(m_view->currentPage() + 1); });
    connect(last, &QPushButton::clicked, this,
            [this] { m_view->showPage(m_document.pageCount() - 1); });
    connect(m_page, qOverload<int>(&QSpinBox::valueChanged), this,
            [this](int value) { m_view->showPage(value - 1); });
    connect(m_view, &PageView::currentPageChanged, this, &DataReport1::updatePageControls);
    connect(m_zoom, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const double value = m_zoom->itemData(index).toDouble();
        if (value == -1.0)
            m_view->setFit(PageView::Fit::Width);
        else if (value == -2.0)
            m_view->setFit(PageView::Fit::WholePage);
        else
            m_view->setZoom(value);
    });
    connect(printButton, &QPushButton::clicked, this, &DataReport1::print);
    connect(pdfButton, &QPushButton::clicked, this, &DataReport1::exportPdf);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    // Rows not read yet are read while the first pages are already shown.
    if (!document.complete()) {
        m_reading = new QTimer(this);
        m_reading->setInterval(0);
        connect(m_reading, &QTimer::timeout, this, &DataReport1::readChunk);
        m_reading->start();
    }
    updatePageControls(0);
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(area.width() * 9 / 10, 1000), area.height() * 9 / 10);
    m_view->setFocus();
}

void DataReport1::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal)) {
        stepZoom(1);
    } else if (control && event->key() == Qt::Key_Minus) {
        stepZoom(-1);
    } else if (!m_view->navigate(event->key())) {
        QDialog::keyPressEvent(event);
    }
}

bool DataReport1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (wheel->angleDelta().y() != 0) stepZoom(wheel->angleDelta().y() > 0 ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DataReport1::stepZoom(int steps) {
    // The percentages of the zoom list, the nearest one first when a fit is shown.
    int index = -1;
    double best = 1e9;
    for (int i = 0; i < m_zoom->count(); ++i) {
        const double value = m_zoom->itemData(i).toDouble();
        if (value > 0 && std::abs(value - m_view->zoom()) < best) {
            best = std::abs(value - m_view->zoom());
            index = i;
        }
    }
    if (index < 0) return;
    const double nearest = m_zoom->itemData(index).toDouble();
    if ((steps > 0 && nearest <= m_view->zoom() + 1e-3) || (steps < 0 && nearest >= m_view->zoom() - 1e-3))
        index += steps;
    for (; index >= 0 && index < m_zoom->count(); index += steps) {
        if (m_zoom->itemData(index).toDouble() > 0) {
            m_zoom->setCurrentIndex(index);
            m_view->setZoom(m_zoom->itemData(index).toDouble());
            return;
        }
    }
}

void DataReport1::updatePageControls(int page) {
    const QSignalBlocker block(m_page);
    m_page->setRange(1, std::max(1, m_document.pageCount()));
    m_page->setValue(page + 1);
    m_pageCount->setText(m_document.complete() ? tr("of %1").arg(m_document.pageCount())
                                               : tr("of %1+").arg(m_document.pageCount()));
}

void DataReport1::readChunk() {
    constexpr int kRowsPerChunk = 5000;  // about 40 ms, so the window keeps answering
    try {
        if (m_document.readMore(kRowsPerChunk)) m_reading->stop();
    } catch (const std::exception& e) {
        m_reading->stop();
        reportUntrapped(tr("The report could not be read to its end."), e);
    }
    m_view->pagesAdded();
    updatePageControls(m_view->currentPage());
}

bool DataReport1::finishReading() {
    if (m_document.complete()) return true;
    if (m_reading) m_reading->stop();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_document.readAll();
    } catch (const std::exception& e) {
        QGuiApplication::restoreOverrideCursor();
        reportUntrapped(tr("The report could not be read to its end."), e);
        return false;
    }
    QGuiApplication::restoreOverrideCursor();
    m_view->pagesAdded();
    updatePageControls(m_view->currentPage());
    return true;
}

void DataReport1::printOn(QPrinter& printer) {
    if (!finishReading()) return;
    const QPageSize previewPaper = m_document.paper();
    const QPageSize printerPaper = printer.pageLayout().pageSize();
    const bool relaid = printerPaper.isValid() && !printerPaper.isEquivalentTo(previewPaper);
    if (relaid) m_document.setPaper(printerPaper);
    // The pages the user asked for, counted on the printer's paper.
    int first = 0;
    int last = m_document.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        first = std::max(0, printer.fromPage() - 1);
        last = std::min(last, printer.toPage() - 1);
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = m_view->currentPage();
    }
    printer.setFullPage(true);  // positions count from the paper's edge, as the margins do
    try {
        reports::renderPages(m_document, printer, first, last);
    } catch (...) {
        if (relaid) m_document.setPaper(previewPaper);
        throw;
    }
    if (relaid) m_document.setPaper(previewPaper);
}

void DataReport1::print() {
    if (!finishReading()) return;
    try {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(m_document.paper());
        printer.setDocName(m_document.layout().name);
        QPrintDialog dialog(&printer, this);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
        dialog.setMinMax(1, std::max(1, m_document.pageCount()));
        if (dialog.exec() != QDialog::Accepted) return;
        printOn(printer);
    } catch (const std::exception& e) {
        reportUntrapped(tr("The report could not be printed."), e);
    }
}

void DataReport1::exportPdf() {
    if (!finishReading()) return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = QFileDialog::getSaveFileName(
        this, tr("Export PDF"), QDir(folder).filePath(m_document.layout().name + QStringLiteral(".pdf")),
        tr("PDF files (*.pdf)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    try {
        reports::exportPdf(m_document, path);
    } catch (const std::exception& e) {
        reportUntrapped(tr("The report could not be exported."), e);
    }
}

int showReport(reports::ReportDocument& document, QWidget* owner) {
    DataReport1 preview(document, owner);
    return dialogs().showModal(&preview);
}

}  // namespace qd::ui
