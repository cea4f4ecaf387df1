#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace qd::ui {

// Twips (1/1440 inch) are the unit of every position and size in the window layouts; they
// reach the screen through the screen's logical resolution (15 twips per pixel at 96 DPI).
double twipsPerPixel();
int toPixels(double twips);
double toTwips(int pixels);
QRect twipsRect(double left, double top, double width, double height);
void setTwipsGeometry(QWidget* widget, double left, double top, double width, double height);

// The design fonts: Arial 9 pt bold for windows and their controls, 11.25 pt bold for buttons.
QFont windowFont();
QFont buttonFont();

}  // namespace qd::ui
