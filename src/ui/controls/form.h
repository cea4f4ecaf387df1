#pragma once

#include <QDialog>

namespace qd {
class ErrorTrap;
}

namespace qd::ui {

// A window of the program other than the main window. Each opening constructs a fresh one; its
// load handler runs once, before the window is first shown, or earlier when another window
// needs its controls filled without showing it (ensureLoaded). Closing it destroys it only
// when the opener asks for that (Qt::WA_DeleteOnClose is left to the opener).
class Form : public QDialog {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // Runs the load handler unless it has run already.
    void ensureLoaded();
    bool isLoaded() const { return m_loaded; }

    // Closes the window as the program's Unload does: it is hidden and its modal loop ends.
    void Unload();

protected:
    virtual void Form_Load() = 0;
    // The first steps every load shares: back colours (100), the icon (102), and the hand
    // cursor when its file is there (test 104, load at cursorLoadLine).
    void loadLook(ErrorTrap& trap, int cursorLoadLine = 106);
    void showEvent(QShowEvent* event) override;

private:
    bool m_loaded = false;
};

}  // namespace qd::ui
