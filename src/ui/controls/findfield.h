#pragma once

#include <QLineEdit>

namespace qd::ui {

class ListView;

// A small find field over the bottom edge of a list, not part of the window's design layout.
// Typing selects the next row whose shown text contains what was typed, in any column, letter
// case ignored, round the whole list; Enter and F3 go on to the next such row; "not found"
// shows in the field while no row has it. Escape, or the focus leaving the field, hides it.
// A row it selects is chosen as the user's click chooses it (the list's item click follows).
class FindField : public QLineEdit {
    Q_OBJECT
public:
    // The field is a child of the list's parent, so it floats over the list and follows it.
    explicit FindField(ListView* list);

    // Shows the field with what was typed last selected, and gives it the focus.
    void open();
    // The next row after the selected one that has the text (nothing without a text).
    void findNext();
    bool notFound() const { return m_notFound; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find(int fromRow);
    void close();
    void place();
    void setNotFound(bool notFound);

    ListView* m_list;
    bool m_notFound = false;
};

}  // namespace qd::ui
