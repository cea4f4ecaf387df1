#pragma once

#include <QLabel>

class QAbstractScrollArea;
class QTimer;

namespace qd::ui {

// A line of news over the bottom left of a list, not part of the window's design layout: that
// the orders shown are not current (the server cannot be reached), that the server answers
// again, that the order being edited was changed on another desk. It takes no focus and no
// click; a screen reader reads it as a status.
class NoticeBar : public QLabel {
    Q_OBJECT
public:
    // The bar is a child of the list's parent, so it floats over the list and follows it.
    explicit NoticeBar(QAbstractScrollArea* list);

    // Shows the text; with a time, it goes again after that many milliseconds.
    void tell(const QString& text, int hideAfterMs = 0);
    void dismiss();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QAbstractScrollArea* m_list;
    QTimer* m_hide;
};

}  // namespace qd::ui
