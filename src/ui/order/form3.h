#pragma once

#include "ui/controls/form.h"
#include "ui/order/collection.h"

#include <QVariant>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qd::ui {

class ListView;

// The order line editor: one product with quantity, unit price and discount, appended to the
// order editor's line list on Save. Its "+" and "-" maintain the product catalogue at once.
class Form3 : public Form {
    Q_OBJECT
public:
    // orderLines: the order editor's line list, which Save appends to.
    explicit Form3(ListView* orderLines, QWidget* parent = nullptr);

    Collection<qlonglong> m_ProductIDs;
    Collection<QVariant> m_UnitPrices;

    QComboBox* Combo1 = nullptr;         // products
    QLineEdit* Text1 = nullptr;          // quantity
    QLineEdit* Text2 = nullptr;          // unit price
    QLineEdit* Text3 = nullptr;          // discount in percent
    QPushButton* PushButton1 = nullptr;  // Cancel
    QPushButton* PushButton2 = nullptr;  // Save
    QPushButton* PushButton5 = nullptr;  // + product
    QPushButton* PushButton6 = nullptr;  // - product
    QLabel* lblDetails = nullptr;        // element 4 of its array
    QLabel* Label1[3] = {};

    void FillProductList();

    // Opens the window on the line at index (from 1) of the order's lines instead of a new
    // one: its fields filled from that line, and Save replaces it in place. Call before the
    // window is shown.
    void changeLine(int index);

public slots:
    void Combo1_Click();
    void Combo1_Change();
    void Text1_GotFocus();
    void Text1_LostFocus();
    void Text2_GotFocus();
    void Text2_LostFocus();
    void Text3_GotFocus();
    void Text3_LostFocus();
    void PushButton1_Click();  // Cancel
    void PushButton2_Click();  // Save
    void PushButton5_Click();  // add product
    void PushButton6_Click();  // delete product

protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void fillFromLine();

    ListView* m_orderLines;
    int m_lineToChange = 0;
};

}  // namespace qd::ui
