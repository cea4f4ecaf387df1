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
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace qd::ui {

DataReport1::DataReport1(reports::ReportDocument& document, QWidget* owner)
    : QDialog(owner), m_document(document) {
    setObjectName(QStringLiteral("DataReport1"));
    setWindowTitle(QStringLiteral("DataReport1"));
    setWindowIcon(applicationIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    m_view = new PageView(document, this);
    m_view->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buildToolBar());
    layout->addWidget(m_view, 1);

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

QHBoxLayout* DataReport1::buildToolBar() {
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    // Paging buttons show the desktop theme's icons, or the style's own where the theme has
    // none, and say what they do in a tooltip.
    auto pageButton = [&](const char* name, const char* themeIcon, QStyle::StandardPixmap own,
                          const QString& tip) {
        QPushButton* b = button(name, QString());
        b->setIcon(QIcon::fromTheme(QLatin1String(themeIcon), style()->standardIcon(own, nullptr, b)));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        return b;
    };
    QPushButton* first = pageButton("First", "go-first", QStyle::SP_MediaSkipBackward, tr("First page"));
    QPushButton* previous = pageButton("Previous", "go-previous", QStyle::SP_ArrowBack, tr("Previous page"));
    QPushButton* next = pageButton("Next", "go-next", QStyle::SP_ArrowForward, tr("Next page"));
    QPushButton* last = pageButton("Last", "go-last", QStyle::SP_MediaSkipForward, tr("Last page"));
    m_page = new QSpinBox(this);
    m_page->setObjectName(QStringLiteral("PageNumber"));
    m_page->setRange(1, std::max(1, m_document.pageCount()));
    m_page->setKeyboardTracking(false);
    m_pageCount = new QLabel(this);
    m_pageCount->setObjectName(QStringLiteral("PageCount"));
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("Zoom"));
    m_zoom->addItem(tr("Page width"), -1.0);
    m_zoom->addItem(tr("Whole page"), -2.0);
    for (int percent : {50, 75, 100, 150, 200, 300}) m_zoom->addItem(tr("%1%").arg(percent), percent / 100.0);
    QPushButton* printButton = button("Print", tr("Print..."));
    printButton->setToolTip(QKeySequence(QKeySequence::Print).toString(QKeySequence::NativeText));
    QPushButton* pdfButton = button("ExportPdf", tr("Export PDF..."));
    QPushButton* csvButton = button("ExportCsv", tr("Export CSV..."));
    QPushButton* close = button("Close", tr("Close"));

    auto* tools = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{first, previous, m_page, m_pageCount, next, last})
        tools->addWidget(w);
    tools->addSpacing(12);
    tools->addWidget(m_zoom);
    tools->addStretch(1);
    tools->addWidget(printButton);
    tools->addWidget(pdfButton);
    tools->addWidget(csvButton);
    tools->addWidget(close);
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
    connect(csvButton, &QPushButton::clicked, this, &DataReport1::exportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    return tools;
}

void DataReport1::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->matches(QKeySequence::Print)) {
        print();
    } else if (control && (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal)) {
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
        printer.setDocName(m_document.layout().title());
        QPrintDialog dialog(&printer, this);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
        dialog.setMinMax(1, std::max(1, m_document.pageCount()));
        if (dialog.exec() != QDialog::Accepted) return;
        printOn(printer);
    } catch (const std::exception& e) {
        reportUntrapped(tr("The report could not be printed."), e);
    }
}

QString exportFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

// The file an export goes to: asked in the documents folder, named after the report's title
// (a separator in it would name a folder), with the kind's suffix; empty when cancelled.
QString DataReport1::exportFile(const QString& title, const QString& suffix, const QString& filter) {
    if (!finishReading()) return QString();
    QString name = m_document.layout().title();
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    QString path = QFileDialog::getSaveFileName(
        this, title, QDir(exportFolder()).filePath(name + suffix), filter);
    if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
    return path;
}

void DataReport1::exportPdf() {
    const QString path = exportFile(tr("Export PDF"), QStringLiteral(".pdf"), tr("PDF files (*.pdf)"));
    if (path.isEmpty()) return;
    try {
        reports::exportPdf(m_document, path);
    } catch (const std::exception& e) {
        reportUntrapped(tr("The report could not be exported."), e);
    }
}

// The rows for a spreadsheet, as the command line writes them (reports/export.h).
void DataReport1::exportCsv() {
    const QString path = exportFile(tr("Export CSV"), QStringLiteral(".csv"),
                                    tr("Comma-separated values (*.csv)"));
    if (path.isEmpty()) return;
    try {
        reports::exportCsv(m_document, path);
    } catch (const std::exception& e) {
        reportUntrapped(tr("The report could not be exported."), e);
    }
}

int showReport(reports::ReportDocument& document, QWidget* owner) {
    DataReport1 preview(document, owner);
    return dialogs().showModal(&preview);
}

}  // namespace qd::ui
