#include "ui/controls/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qd::ui {

double twipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int toPixels(double twips) { return int(std::lround(twips / twipsPerPixel())); }

double toTwips(int pixels) { return pixels * twipsPerPixel(); }

QRect twipsRect(double left, double top, double width, double height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void setTwipsGeometry(QWidget* widget, double left, double top, double width, double height) {
    QRect place = twipsRect(left, top, width, height);
    // A caption is never cut off: where the design font is wider here than where the layout
    // was drawn, a label grows to the right to fit its text.
    if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap())
        place.setWidth(std::max(place.width(), label->sizeHint().width()));
    widget->setGeometry(place);
}

QFont windowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setWeight(QFont::Bold);
    return font;
}

QFont buttonFont() {
    QFont font = windowFont();
    font.setPointSizeF(11.25);
    return font;
}

}  // namespace qd::ui
