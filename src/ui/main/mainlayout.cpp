#include "ui/main/mainlayout.h"

#include <algorithm>

namespace qd::ui {

MainLayout MainLayout::design() {
    MainLayout l;
    l[ListView1] = QRectF(120, 120, 11760, 2595);
    l[ListView2] = QRectF(120, 2790, 11760, 2595);
    l[PushButton2] = QRectF(120, 5475, 3840, 405);
    l[PushButton1] = QRectF(4080, 5475, 3840, 405);
    l[PushButton4] = QRectF(8040, 5475, 3840, 405);
    l[PushButton3] = QRectF(120, 5985, 3840, 405);
    l[PushButton5] = QRectF(4080, 5985, 3840, 405);
    l[PushButton6] = QRectF(8040, 5985, 3840, 405);
    return l;
}

// The other five buttons follow the first one: 120 between buttons of a row, 105 between rows.
void MainLayout::placeButtonsFrom(float left, float top) {
    auto moveTo = [this](Control c, float x, float y) { place[c].moveTo(x, y); };
    moveTo(PushButton2, left, top);
    const QRectF b2 = place[PushButton2];
    moveTo(PushButton1, float(b2.left() + b2.width() + 120), float(b2.top()));
    moveTo(PushButton4, float(place[PushButton1].left() + place[PushButton1].width() + 120),
           float(b2.top()));
    moveTo(PushButton3, float(b2.left()), float(b2.top() + b2.height() + 105));
    const QRectF b3 = place[PushButton3];
    moveTo(PushButton5, float(b3.left() + b3.width() + 120), float(b3.top()));
    moveTo(PushButton6, float(place[PushButton5].left() + place[PushButton5].width() + 120),
           float(b3.top()));
}

MainLayout MainLayout::maximized(float windowWidth, float windowHeight) const {
    MainLayout l = *this;
    const float buttonHeight = float(place[PushButton2].height());
    const float width = std::max(0.0f, windowWidth - 330);
    const float height =
        std::max(0.0f, (windowHeight - 2 * buttonHeight - 315 - 120 - 465) / 2);
    l[ListView1].setSize(QSizeF(width, height));
    l[ListView2].setSize(QSizeF(width, height));
    l[ListView2].moveTop(float(l[ListView1].top() + height + 105));
    const float left = windowWidth / 2 - float(place[PushButton2].width()) * 1.5f - 480;
    l.placeButtonsFrom(left, 2 * height + 280);
    return l;
}

MainLayout MainLayout::restored() const {
    MainLayout l = *this;
    l[ListView1].setSize(QSizeF(11760, 2595));
    l[ListView2].setSize(QSizeF(11760, 2595));
    l[ListView2].moveTop(l[ListView1].top() + 2595 + 105);
    l.placeButtonsFrom(120, 5475);
    return l;
}

}  // namespace qd::ui
