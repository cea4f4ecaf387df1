#pragma once

#include "data/changes.h"
#include "ui/main/mainlayout.h"

#include <QWidget>

class QMenu;
class QPushButton;

namespace qd {
class BookWatcher;
class ErrorTrap;
}

namespace qd::ui {

class FindField;
class ListView;
class NoticeBar;

// The main window: the order list, the lines of the selected order, and the commands. Its
// load is the program's start-up and its closing ends the program.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    ListView* ListView1 = nullptr;
    ListView* ListView2 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton6 = nullptr;

    bool m_RestoreLayout = false;

    // True while the order list is still being filled from the order book.
    bool orderListFilling() const;
    // Called when the order list's fill is complete: the detail list follows its selected row.
    void orderListFilled();
    void orderListFailed(const std::exception& error);

    // The order book watched for changes (this desk's own and other desks'), while it is open.
    BookWatcher* bookWatcher() const { return m_watcher; }
    // The line under the order list that says whether the orders shown are current.
    NoticeBar* notice() const { return m_notice; }
    // Whether the orders shown are as the book holds them (false while a server is away).
    bool ordersCurrent() const { return !m_notCurrent; }

    // Where the controls are now, in twips.
    const MainLayout& layoutTwips() const { return m_layout; }

    // The find field over the order list (Ctrl+F opens it, F3 finds the next order).
    FindField* findField() const { return m_find; }

public slots:
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void Form_Resize();

    void RefreshOrderList();
    // The orders this desk's own action changed, taken into the lists in place (a save, an
    // edit or a delete rewrites only its own rows, not the whole list).
    void TakeChangedOrders();
    // Changes of the book, this desk's or another's: the rows of changed orders are read and
    // taken in place; everything is read again only when too much changed to name.
    void takeOrderChanges(const qd::data::BookChanges& changes);
    // The start-up check of the data layer, with the offer to repair it.
    void IsADOInstalled();
    // Opening and closing the order book with its checks and backups; a refused or damaged
    // book is told once, with the offer to restore the newest good backup.
    void OpenOrderBook();
    void CloseOrderBook();
    void ReportBookProblem();
    void ReportBackupFailure(const QString& message);
    void ListView1_ItemClick();
    void ListView1_ColumnClick(int position);
    void ListView2_ColumnClick(int position);

    void PushButton1_Click();  // Edit Selected Order
    void PushButton2_Click();  // Add New Order
    void PushButton3_Click();  // Delete Selected Order
    void PushButton4_Click();  // Load Sample/Example Data
    void PushButton5_Click();  // Reports
    void PushButton6_Click();  // Help
    // "Print Order...": the selected order's confirmation in the report preview.
    void PrintOrder_Click();

    // Whether closing the window ends the process (tests keep it alive).
    void setEndsProgramOnUnload(bool ends) { m_endsProgram = ends; }

signals:
    // The order list holds every order (and the detail list the selected order's lines).
    void orderListComplete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void applyLayout(const MainLayout& layout);
    void restoreColumnWidths(ErrorTrap& trap, int firstLine, ListView* list,
                             const QString& prefix);
    void userItemClick();
    // The selected row's order number, checked to be one before it goes into a statement.
    QString selectedOrderNumber() const;
    // What every desktop list does: double-click or Enter edits the order, Delete deletes it,
    // Ctrl+F and F3 find one.
    void buildListHabits();
    // The order list's context menu: edit, print, add and delete.
    void buildOrderMenu();
    // Selects the order with this number, scrolled into view with its lines, when it is listed.
    void showOrder(const QString& orderId);
    // Reads the orders again and takes them into the list in place (those no longer there
    // removed), and removes the orders known to be gone.
    void takeOrders(const QSet<qint64>& orderIds, const QSet<qint64>& gone = {});
    // The book's server went away, and is back.
    void bookLost();
    void bookBack();
    // "Quarrydesk", or "Quarrydesk - orders on dbserver" for a book other than the local one,
    // with "(not current)" while the orders shown may be old.
    void updateTitle();
    // F5: every order read again on the user's request.
    void refreshOnRequest();

    MainLayout m_layout;
    FindField* m_find = nullptr;
    QMenu* m_orderMenu = nullptr;
    NoticeBar* m_notice = nullptr;
    BookWatcher* m_watcher = nullptr;
    data::BookChanges m_waiting;  // changes that came while the list was being read
    bool m_notCurrent = false;
    bool m_linesFollow = true;  // changes taken show the selected order's lines anew
    bool m_endsProgram = true;
};

}  // namespace qd::ui
