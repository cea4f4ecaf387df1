#pragma once

// The report preview, titled "DataReport1": the pages of a laid-out report one below the
// other, with page navigation, zoom, printing and PDF export. Only the pages in view are
// drawn, when they come into view, so a report of thousands of pages opens at once.

#include <QAbstractScrollArea>
#include <QCache>
#include <QDialog>
#include <QImage>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTimer;

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

class DataReport1 : public QDialog {
    Q_OBJECT
public:
    DataReport1(reports::ReportDocument& document, QWidget* owner = nullptr);

    PageView* view() const { return m_view; }
    const reports::ReportDocument& document() const { return m_document; }

public slots:
    // The system print dialog, then the chosen pages on the chosen printer.
    void print();
    // Asks for a file name and writes every page as PDF.
    void exportPdf();

public:
    // Prints on a printer already set up; the pages are laid out on its paper for the job and
    // then return to the preview's paper.
    void printOn(QPrinter& printer);

    // Reads the rows not read yet; false (after telling the user) when that failed.
    bool finishReading();

protected:
    // Paging keys pressed on the tool bar still move the pages; Ctrl with + or - and the
    // Ctrl wheel step through the zoom list.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepZoom(int steps);
    void updatePageControls(int page);
    void readChunk();

    reports::ReportDocument& m_document;
    QTimer* m_reading = nullptr;
    PageView* m_view = nullptr;
    QSpinBox* m_page = nullptr;
    QLabel* m_pageCount = nullptr;
    QComboBox* m_zoom = nullptr;
};

// Shows a laid-out report in the preview, modal over its owner, and returns when the user
// closes it.
int showReport(reports::ReportDocument& document, QWidget* owner);

}  // namespace qd::ui
