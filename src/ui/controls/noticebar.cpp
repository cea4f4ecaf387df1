#include "ui/controls/noticebar.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>
#include <QTimer>

namespace qd::ui {

NoticeBar::NoticeBar(QAbstractScrollArea* list)
    : QLabel(list->parentWidget()), m_list(list), m_hide(new QTimer(this)) {
    setObjectName(list->objectName() + QStringLiteral("Notice"));
    setAccessibleName(QStringLiteral("Notice"));
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setMargin(3);
    // The colours of a tooltip: the desktop's own pair for a short note over other content.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::WindowText, p.color(QPalette::ToolTipText));
    setPalette(p);
    setFrameShape(QFrame::Box);
    m_hide->setSingleShot(true);
    connect(m_hide, &QTimer::timeout, this, &NoticeBar::dismiss);
    m_list->installEventFilter(this);
    hide();
}

void NoticeBar::tell(const QString& text, int hideAfterMs) {
    setText(text);
    place();
    show();
    raise();
    if (hideAfterMs > 0)
        m_hide->start(hideAfterMs);
    else
        m_hide->stop();
}

void NoticeBar::dismiss() {
    m_hide->stop();
    clear();
    hide();
}

bool NoticeBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && (event->type() == QEvent::Resize || event->type() == QEvent::Move) &&
        isVisible())
        place();
    return QLabel::eventFilter(watched, event);
}

// Over the bottom left two thirds of the list, above its scroll bar: the right third is the
// find field's place.
void NoticeBar::place() {
    const QRect list = m_list->geometry();
    const int frame = m_list->frameWidth();
    int bottom = list.bottom() - frame;
    if (m_list->horizontalScrollBar()->isVisible()) bottom -= m_list->horizontalScrollBar()->height();
    const int width = std::max(120, (list.width() - 2 * frame) * 2 / 3 - 8);
    const int height = std::min(heightForWidth(width), list.height() / 2);
    setGeometry(list.left() + frame + 2, bottom - height - 2, width, height);
}

}  // namespace qd::ui
