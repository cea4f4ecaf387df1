#pragma once

// The pages of a laid-out report one below the other, as the preview shows them. Only the
// pages in view are drawn, when they come into view, so a report of thousands of pages opens
// at once.

#include <QAbstractScrollArea>
#include <QCache>
#include <QImage>

namespace qd::reports {
class ReportDocument;
}

namespace qd::ui {

class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Fit { None, Width, WholePage };

    explicit PageView(const reports::ReportDocument& document, QWidget* parent = nullptr);

    // Zoom 1.0 shows the paper at its real size on the screen.
    void setZoom(double zoom);
    void setFit(Fit fit);
    double zoom() const { return m_zoom; }

    // Pages count from 0.
    void showPage(int page);
    int currentPage() const;
    // The pages drawn so far and the pages now in view.
    int pagesRendered() const { return m_rendered; }
    QList<int> visiblePages() const;
    // Call after the document was laid out again.
    void documentChanged();
    // Call after pages were added at the end.
    void pagesAdded();
    // Home and End go to the first and last page, PageUp, PageDown and the arrows scroll;
    // false for other keys.
    bool navigate(int key);

signals:
    void currentPageChanged(int page);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize pageSize() const;  // in pixels at the current zoom
    int pageTop(int page) const;
    void applyFit();
    void updateScrollBars();
    const QImage& pageImage(int page);

    const reports::ReportDocument& m_document;
    double m_zoom = 1.0;
    Fit m_fit = Fit::Width;
    QCache<int, QImage> m_cache;
    int m_rendered = 0;
    int m_lastPage = -1;
};

}  // namespace qd::ui
