#pragma once

#include "ui/controls/form.h"
#include "ui/reports/choices.h"

#include <functional>

class QComboBox;
class QGroupBox;
class QPushButton;

namespace qd {
class ErrorTrap;
}

namespace qd::reports {
struct ReportKind;
struct ReportLayout;
}

namespace qd::ui {

// The reports window: pick one of the three reports and show it in the preview, with the
// currency options applied to its money fields. The report chosen is remembered.
class Form4 : public Form {
    Q_OBJECT
public:
    explicit Form4(QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton5 = nullptr;

public slots:
    void Combo1_Click();
    void Combo1_Change();
    void PushButton1_Click();  // Show Report
    void PushButton2_Click();  // Cancel
    void PushButton5_Click();  // Currency Options

protected:
    void Form_Load() override;
    void showEvent(QShowEvent* event) override;

private:
    // Statement numbers of one branch of Show Report, in the order of its steps.
    struct Lines {
        int create, open, instance, currency, dataSource, show, close, release;
    };
    void runReport(ErrorTrap& trap, const reports::ReportKind& kind, const Lines& lines);
    // The money fields get the chosen symbol; line is the statement number of the first step.
    void applyCurrencyFormats(ErrorTrap& trap, const reports::ReportKind& kind, int line,
                              const std::function<reports::ReportLayout&()>& layout);

    FiredHandlers m_fired;
};

// Centres a window on the screen it will open on.
void centreOnScreen(QWidget* window);

}  // namespace qd::ui
