#include "ui/controls/findfield.h"

#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace qd::ui {

namespace {

QString notFoundText() { return FindField::tr("not found"); }

}  // namespace

FindField::FindField(ListView* list) : QLineEdit(list->parentWidget()), m_list(list) {
    setObjectName(QStringLiteral("FindField"));
    setAccessibleName(QStringLiteral("Find in the list"));
    setClearButtonEnabled(false);
    hide();
    list->installEventFilter(this);
    connect(this, &QLineEdit::textEdited, this, [this] {
        // Typing finds from the selected row on, so a row that still has the longer text stays.
        find(std::max(0, m_list->selectedIndex() - 1));
    });
}

void FindField::open() {
    place();
    show();
    raise();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void FindField::findNext() {
    if (!text().isEmpty()) find(m_list->selectedIndex());
}

void FindField::find(int fromRow) {
    if (text().isEmpty()) {
        setNotFound(false);
        return;
    }
    const int index = m_list->findRow(text(), fromRow + 1);
    setNotFound(index == 0);
    if (index > 0) m_list->chooseIndex(index);
}

void FindField::setNotFound(bool notFound) {
    if (notFound == m_notFound) return;
    m_notFound = notFound;
    // The typed text keeps clear of the note at the right end.
    const int note = notFound ? fontMetrics().horizontalAdvance(notFoundText()) + 8 : 0;
    setTextMargins(0, 0, note, 0);
    update();
}

void FindField::close() {
    hide();
    if (m_list->isVisible()) m_list->setFocus(Qt::OtherFocusReason);
}

void FindField::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            findNext();
            return;
        default:
            break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void FindField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another window coming up (a message) or a pop-up menu of the field is not the user
    // leaving the field.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        hide();
}

void FindField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!m_notFound) return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, notFoundText());
}

bool FindField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        place();
    return QLineEdit::eventFilter(watched, event);
}

// Over the bottom right of the list, inside its frame and above its horizontal scroll bar.
void FindField::place() {
    const QRect list = m_list->geometry();
    const int height = sizeHint().height();
    const int width = std::min(list.width() - 8, std::max(180, list.width() / 3));
    int bottom = list.bottom() - m_list->frameWidth();
    if (m_list->horizontalScrollBar()->isVisible()) bottom -= m_list->horizontalScrollBar()->height();
    int right = list.right() - m_list->frameWidth();
    if (m_list->verticalScrollBar()->isVisible()) right -= m_list->verticalScrollBar()->width();
    setGeometry(right - width - 2, bottom - height - 2, width, height);
}

}  // namespace qd::ui
