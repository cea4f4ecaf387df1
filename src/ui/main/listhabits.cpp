// The habits of a desktop list on the order list: double-click or Enter edits the order,
// Delete deletes it (with the command's own question), Ctrl+F and F3 find an order, F5 reads
// every order again.

#include "ui/main/form1.h"

#include "app/errortrap.h"
#include "ui/controls/findfield.h"
#include "ui/controls/listview.h"

#include <QKeyEvent>

namespace qd::ui {

void Form1::buildListHabits() {
    m_find = new FindField(ListView1);
    ListView1->installEventFilter(this);
    // The command runs once the double-click has been handled in full, as the button's does.
    connect(ListView1, &QAbstractItemView::doubleClicked, this,
            [this] { QMetaObject::invokeMethod(this, &Form1::PushButton1_Click, Qt::QueuedConnection); });
    buildOrderMenu();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !key->isAutoRepeat()) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                QMetaObject::invokeMethod(this, &Form1::PushButton1_Click, Qt::QueuedConnection);
                return true;
            case Qt::Key_Delete:
                QMetaObject::invokeMethod(this, &Form1::PushButton3_Click, Qt::QueuedConnection);
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Keys no control of the window took come here: the find keys, F5 (every order read again),
// Ctrl+N (Add New Order), Ctrl+P (Print Order...) and F1 (Help) work wherever the focus is.
void Form1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F5 || event->matches(QKeySequence::Refresh)) {
        refreshOnRequest();
    } else if (event->matches(QKeySequence::New)) {
        // As a click runs the command: once the key has been handled in full.
        QMetaObject::invokeMethod(this, &Form1::PushButton2_Click, Qt::QueuedConnection);
    } else if (event->matches(QKeySequence::Print)) {
        QMetaObject::invokeMethod(this, &Form1::PrintOrder_Click, Qt::QueuedConnection);
    } else if (event->matches(QKeySequence::HelpContents) || event->key() == Qt::Key_F1) {
        QMetaObject::invokeMethod(this, &Form1::PushButton6_Click, Qt::QueuedConnection);
    } else if (event->matches(QKeySequence::Find)) {
        m_find->open();
    } else if (event->matches(QKeySequence::FindNext)) {
        if (m_find->text().isEmpty())
            m_find->open();
        else
            m_find->findNext();
    } else {
        QWidget::keyPressEvent(event);
    }
}

void Form1::showOrder(const QString& orderId) {
    try {
        bool number = false;
        const qint64 id = orderId.toLongLong(&number);
        if (const int index = number ? ListView1->indexOfKey(id) : ListView1->findItem(orderId))
            ListView1->chooseIndex(index);
    } catch (const std::exception& e) {
        reportUntrapped(QStringLiteral("The new order cannot be shown."), e);
    }
}

}  // namespace qd::ui
