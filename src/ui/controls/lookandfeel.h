#pragma once

#include <QCursor>
#include <QIcon>
#include <QPoint>
#include <QString>

class QWidget;

namespace qd::ui {

// The icon every window shows in its title bar.
QIcon applicationIcon();

// Colours a window and its frames, labels, option buttons and check boxes with the button-face
// colour, their texts with the button text colour; other controls keep their own colours.
void ApplyBackColors(QWidget* window);

// Loads the skin file beside the program, when there is one, and applies it to the main window
// (colouring it as ApplyBackColors does). Without the file nothing changes.
void ApplySkin(QWidget* mainWindow);
QString skinPath();

// The hand cursor file beside the program, and loading it as a window's custom mouse icon.
QString handCursorPath();
void setMouseIcon(QWidget* window, const QString& path);
// The window's custom mouse icon, or the system's hand when none was loaded.
QCursor mouseIcon(const QWidget* window);
// The hot spot kept in a cursor file, (-1, -1) for other pictures (the centre is used then).
QPoint cursorHotSpot(const QString& path);

// The pointer rule: moving the mouse over a widget marked with setHandOnHover (or over a part of
// it) turns the whole window's pointer into its custom mouse icon (the hand); over one marked
// with setDefaultOnHover it goes back to the default pointer. Never while the window shows the
// busy pointer. Unmarked controls and an unmarked window surface leave the pointer as the last
// marked one set it. The rule watches every mouse move of the application and decides from the
// widget under the pointer, whichever widget the move is delivered to.
void setHandOnHover(QWidget* widget);
void setDefaultOnHover(QWidget* widget);

}  // namespace qd::ui
