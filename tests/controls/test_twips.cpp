// Window geometry in twips: the conversion through the screen's resolution, and captions
// that are never cut off when the design font is wider here than where the layout was drawn.

#include "ui/controls/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace qd::ui;

class TestTwips : public QObject {
    Q_OBJECT
private slots:
    void conversion() {
        const double perPixel = twipsPerPixel();
        QVERIFY(perPixel > 0);
        QCOMPARE(toPixels(perPixel * 100), 100);
        QCOMPARE(toTwips(100), perPixel * 100);
        QCOMPARE(twipsRect(0, 0, perPixel * 10, perPixel * 20), QRect(0, 0, 10, 20));
        QCOMPARE(toPixels(1), 0);  // the hidden first column of the main lists
    }

    void labelsFitTheirCaption() {
        QWidget window;
        auto* label = new QLabel(QStringLiteral("Shipping Method"), &window);
        label->setFont(windowFont());
        setTwipsGeometry(label, 4080, 840, 300, 225);
        QCOMPARE(label->x(), toPixels(4080));
        QVERIFY(label->width() >= label->sizeHint().width());
        QCOMPARE(label->height(), toPixels(225));
        // A label wide enough keeps its design width; other controls always do.
        setTwipsGeometry(label, 120, 120, 6000, 225);
        QCOMPARE(label->width(), toPixels(6000));
        auto* box = new QLineEdit(QStringLiteral("a long text that does not fit"), &window);
        setTwipsGeometry(box, 120, 400, 300, 300);
        QCOMPARE(box->width(), toPixels(300));
    }
};

QTEST_MAIN(TestTwips)
#include "test_twips.moc"
