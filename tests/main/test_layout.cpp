// The main window's layout rules in twips: the design, the maximized layout computed from the
// window's outer size, and the default layout a restored window returns to.

#include "ui/main/mainlayout.h"

#include <QtTest>

using qd::ui::MainLayout;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void design() {
        const MainLayout d = MainLayout::design();
        QCOMPARE(d[MainLayout::ListView1], QRectF(120, 120, 11760, 2595));
        QCOMPARE(d[MainLayout::ListView2], QRectF(120, 2790, 11760, 2595));
        QCOMPARE(d[MainLayout::PushButton2], QRectF(120, 5475, 3840, 405));
        QCOMPARE(d[MainLayout::PushButton1], QRectF(4080, 5475, 3840, 405));
        QCOMPARE(d[MainLayout::PushButton4], QRectF(8040, 5475, 3840, 405));
        QCOMPARE(d[MainLayout::PushButton3], QRectF(120, 5985, 3840, 405));
        QCOMPARE(d[MainLayout::PushButton5], QRectF(4080, 5985, 3840, 405));
        QCOMPARE(d[MainLayout::PushButton6], QRectF(8040, 5985, 3840, 405));
    }

    // A 1024 x 768 window (15360 x 11520 twips).
    void maximized() {
        const MainLayout m = MainLayout::design().maximized(15360, 11520);
        QCOMPARE(m[MainLayout::ListView1], QRectF(120, 120, 15030, 4905));
        QCOMPARE(m[MainLayout::ListView2], QRectF(120, 5130, 15030, 4905));
        QCOMPARE(m[MainLayout::PushButton2], QRectF(1440, 10090, 3840, 405));
        QCOMPARE(m[MainLayout::PushButton1], QRectF(5400, 10090, 3840, 405));
        QCOMPARE(m[MainLayout::PushButton4], QRectF(9360, 10090, 3840, 405));
        QCOMPARE(m[MainLayout::PushButton3], QRectF(1440, 10600, 3840, 405));
        QCOMPARE(m[MainLayout::PushButton5], QRectF(5400, 10600, 3840, 405));
        QCOMPARE(m[MainLayout::PushButton6], QRectF(9360, 10600, 3840, 405));
        // Odd sizes keep the single-precision halves instead of rounding to whole twips.
        const MainLayout odd = MainLayout::design().maximized(15361, 11521);
        QCOMPARE(odd[MainLayout::ListView1].height(), 4905.5);
        QCOMPARE(odd[MainLayout::PushButton2].left(), 1440.5);
    }

    // A window too low for the lists gives them no height instead of a negative one.
    void maximizedTooSmall() {
        const MainLayout m = MainLayout::design().maximized(3000, 1000);
        QCOMPARE(m[MainLayout::ListView1].height(), 0.0);
        QCOMPARE(m[MainLayout::ListView2].height(), 0.0);
        QCOMPARE(m[MainLayout::ListView2].top(), 225.0);
        QCOMPARE(m[MainLayout::ListView1].width(), 2670.0);
    }

    // Back from maximized: the lists at their design size, the detail list 30 twips lower
    // than designed, the buttons in their rows.
    void restored() {
        const MainLayout r = MainLayout::design().maximized(20000, 15000).restored();
        QCOMPARE(r[MainLayout::ListView1], QRectF(120, 120, 11760, 2595));
        QCOMPARE(r[MainLayout::ListView2], QRectF(120, 2820, 11760, 2595));
        QCOMPARE(r[MainLayout::PushButton2], QRectF(120, 5475, 3840, 405));
        QCOMPARE(r[MainLayout::PushButton1], QRectF(4080, 5475, 3840, 405));
        QCOMPARE(r[MainLayout::PushButton4], QRectF(8040, 5475, 3840, 405));
        QCOMPARE(r[MainLayout::PushButton3], QRectF(120, 5985, 3840, 405));
        QCOMPARE(r[MainLayout::PushButton5], QRectF(4080, 5985, 3840, 405));
        QCOMPARE(r[MainLayout::PushButton6], QRectF(8040, 5985, 3840, 405));
    }
};

QTEST_GUILESS_MAIN(TestLayout)
#include "test_layout.moc"
