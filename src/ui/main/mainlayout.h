#pragma once

#include <QRectF>

#include <array>

namespace qd::ui {

// Places of the main window's controls in twips, relative to its client area, and the two
// resize rules that move them. Kept free of widgets so the arithmetic can be checked alone.
struct MainLayout {
    enum Control { ListView1, ListView2, PushButton1, PushButton2, PushButton3, PushButton4,
                   PushButton5, PushButton6, ControlCount };
    std::array<QRectF, ControlCount> place;

    QRectF& operator[](Control c) { return place[c]; }
    const QRectF& operator[](Control c) const { return place[c]; }

    // The layout the window is designed with (client area 12000 x 6495).
    static MainLayout design();

    // The maximized window of outer size width x height. The lists' left edges and the order
    // list's top never move. A window too small for the lists gives them no height.
    MainLayout maximized(float windowWidth, float windowHeight) const;
    // The default layout a restored window returns to.
    MainLayout restored() const;

private:
    void placeButtonsFrom(float left, float top);
};

constexpr double kDesignClientWidth = 12000;
constexpr double kDesignClientHeight = 6495;

}  // namespace qd::ui
