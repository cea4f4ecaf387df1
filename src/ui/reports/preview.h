#pragma once

// The report preview, titled "DataReport1": the report's pages (PageView) with page
// navigation, zoom, printing (Ctrl+P) and PDF export.

#include "ui/reports/pageview.h"

#include <QDialog>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTimer;

namespace qd::reports {
class ReportDocument;
}

namespace qd::ui {

class DataReport1 : public QDialog {
    Q_OBJECT
public:
    DataReport1(reports::ReportDocument& document, QWidget* owner = nullptr);

    PageView* view() const { return m_view; }
    const reports::ReportDocument& document() const { return m_document; }

public slots:
    // The system print dialog, then the chosen pages on the chosen printer.
    void print();
    // Asks for a file name (the report's title, in the documents folder) and writes every page
    // as PDF.
    void exportPdf();
    void exportCsv();

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
    // The paging buttons, the page number, the zoom list and the commands, connected.
    QHBoxLayout* buildToolBar();
    QString exportFile(const QString& title, const QString& suffix, const QString& filter);
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

// Where the PDF export offers to save: the user's documents folder, or the home folder when
// there is none; never the working folder, which for a program started from a menu is
// somewhere the user never looks.
QString exportFolder();

// Shows a laid-out report in the preview, modal over its owner, and returns when the user
// closes it.
int showReport(reports::ReportDocument& document, QWidget* owner);

}  // namespace qd::ui
