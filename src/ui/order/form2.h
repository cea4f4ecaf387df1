#pragma once

#include "data/changes.h"
#include "ui/controls/form.h"
#include "ui/order/collection.h"
#include "ui/order/ordercheck.h"

#include <QString>

#include <memory>
#include <optional>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qd {
class ErrorTrap;
}
namespace qd::data {
class KeptReads;
}

namespace qd::ui {

class ListView;
class NoticeBar;

// The order editor: a new order when m_ID is empty, otherwise the order it names. Customers,
// employees and shipping methods added or deleted here are written at once; the order itself
// only by Save.
class Form2 : public Form {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);
    ~Form2() override;

    // After the load: the editor could not read what it shows (the server out of reach, the
    // order deleted elsewhere), has said so, and is not to be shown.
    bool unavailable() const { return m_unavailable; }
    // The order it was opened for is no longer in the book.
    bool orderGone() const { return m_gone; }
    // The line over the bottom of the line list that says the order changed elsewhere.
    NoticeBar* notice() const { return m_notice; }

    // The order being edited, as decimal text; "" for a new order.
    QString m_ID;

    Collection<qlonglong> m_CustomerIDs;
    Collection<qlonglong> m_EmployeeIDs;
    Collection<qlonglong> m_ShippingMethodIDs;

    QComboBox* Combo1 = nullptr;           // customer
    QComboBox* Combo2 = nullptr;           // employee
    QComboBox* Combo3 = nullptr;           // shipping method
    QDateEdit* DateTimePicker1 = nullptr;  // order date
    QDateEdit* DateTimePicker2 = nullptr;  // ship date
    QLineEdit* Text1 = nullptr;            // PO number
    QLineEdit* Text2 = nullptr;            // sales tax rate in percent
    ListView* ListView1 = nullptr;         // the order's lines
    QPushButton* PushButton1 = nullptr;    // Cancel
    QPushButton* PushButton2 = nullptr;    // Save
    QPushButton* PushButton3 = nullptr;    // + employee
    QPushButton* PushButton4 = nullptr;    // - employee
    QPushButton* PushButton5 = nullptr;    // + customer
    QPushButton* PushButton6 = nullptr;    // - customer
    QPushButton* PushButton7 = nullptr;    // + shipping method
    QPushButton* PushButton8 = nullptr;    // - shipping method
    QPushButton* PushButton9 = nullptr;    // Add Product
    QPushButton* PushButton10 = nullptr;   // Delete Selected
    QLabel* lblDetails[5] = {};            // elements 0, 1 and 4
    QLabel* Label1[4] = {};

    // The lists and their collections, rebuilt together.
    void FillCustomerList();
    void FillEmployeeList();
    void FillShippingMethodList();
    void LoadOrder();

public slots:
    void PushButton1_Click();   // Cancel
    void PushButton2_Click();   // Save
    void PushButton3_Click();   // add employee
    void PushButton4_Click();   // delete employee
    void PushButton5_Click();   // add customer
    void PushButton6_Click();   // delete customer
    void PushButton7_Click();   // add shipping method
    void PushButton8_Click();   // delete shipping method
    void PushButton9_Click();   // Add Product
    void PushButton10_Click();  // Delete Selected
    // Double-click or Enter on a line: the line editor on that line, which Save replaces.
    void ChangeSelectedLine();
    void Text2_GotFocus();
    void Text2_LostFocus();

protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The controls' names for a screen reader, their tab order and their commands.
    void wireControls();
    // The identifier of a list's selected entry.
    static qlonglong selectedId(const QComboBox* list, const Collection<qlonglong>& ids);
    // The shared add and delete of the three lookups.
    void addLookup(const QString& handler, const QString& prompt, const QString& title,
                   const QString& what, const QString& insertHead, void (Form2::*fill)());
    void deleteLookup(const QString& handler, QComboBox* list, const Collection<qlonglong>& ids,
                      const QString& warning, const QString& firstDelete,
                      const QString& secondDelete, void (Form2::*fill)());
    // The lines of the list as the save writes them; saving stops at the first failure.
    void insertLines(ErrorTrap& trap, int headLine, int buildLine, int executeLine);

    // Everything the editor and its line windows read, in one trip to the book, kept while
    // the editor is open.
    void readTogether();
    // What the order refers to, by the editor's lists and lines.
    order::References references() const;
    // Another desk's change: an order changed or deleted, or something it refers to gone, is
    // said inside the editor before the user presses Save.
    void changedElsewhere(const qd::data::BookChanges& changes);
    // Save found the order changed elsewhere: the user chooses whose version stays.
    enum class Conflict { None, Changed, Deleted, ReferenceGone };
    void resolve(Conflict conflict, const order::SaveCheck& check);

    std::unique_ptr<data::KeptReads> m_kept;
    // What the order was when the editor read it (or took it over at the user's word).
    std::optional<order::OrderVersion> m_loaded;
    NoticeBar* m_notice = nullptr;
    bool m_unavailable = false;
    bool m_gone = false;
    bool m_resolving = false;  // a save the user asked for after a conflict
};

// Makes a drop-down list's entry selected the way the editor positions its lists on a loaded
// order: the entry with the identifier, or else the first whose text equals the text. When
// neither is there it is an error.
void positionList(QComboBox* list, const Collection<qlonglong>& ids, const QVariant& id,
                  const QString& text);

}  // namespace qd::ui
