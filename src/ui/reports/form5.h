#pragma once

#include "ui/controls/form.h"
#include "ui/reports/choices.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace qd::ui {

// Currency options: the symbol the money fields of the "Total Price" reports carry and whether
// it stands before or after the number. Every choice is stored the moment it is made.
//
// There is one instance at a time, like a window the reports window can read without opening:
// instance() loads it unseen when needed, and it stays loaded until the user closes it.
class Form5 : public Form {
    Q_OBJECT
public:
    // The loaded window, loading a new one from the settings store when there is none.
    static Form5& instance();
    // The loaded window, or nullptr.
    static Form5* loaded();

    QGroupBox* Frame2 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* PushButton2 = nullptr;

public slots:
    void Combo2_Click();
    void Combo2_Change();
    void Option_Click();
    void PushButton2_Click();  // Close
    void PushButton3_Click();  // +
    void PushButton4_Click();  // ?

protected:
    void Form_Load() override;
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    Form5();
    ~Form5() override;

    FiredHandlers m_fired;
};

}  // namespace qd::ui
