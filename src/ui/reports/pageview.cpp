#include "ui/reports/pageview.h"

#include "reports/document.h"
#include "ui/controls/twips.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

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

}  // namespace qd::ui
