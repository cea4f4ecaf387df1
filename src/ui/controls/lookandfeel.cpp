#include "ui/controls/lookandfeel.h"

#include "app/folders.h"
#include "core/error.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>
#include <QtEndian>

namespace qd::ui {

namespace {

const char* const kMouseIcon = "qdMouseIcon";
const char* const kHoverRole = "qdHoverRole";  // 1 hand, 0 default

// A back colour always comes with the text colour that reads on it, so that labels, frames and
// option buttons stay readable whatever the palette's own window colours are.
void paintBack(QWidget* widget, const QColor& back, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void paintButtonFace(QWidget* widget) {
    const QPalette& system = QApplication::palette();
    paintBack(widget, system.color(QPalette::Button), system.color(QPalette::ButtonText));
}

bool recoloured(QWidget* child) {
    return qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
           qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child);
}

// A control placed by the window's designer carries its designer name; the parts a control is
// made of (a list's viewport, header and scroll bars, a date picker's field) carry none or the
// toolkit's own "qt_" names and belong to the control around them.
bool isDesignerControl(const QWidget* widget) {
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// The pointer rule, decided from the widget actually under the mouse. The toolkit hands a
// mouse move to the widget under the pointer and, when that one does not take it (a push
// button does not), to its parent, and so on up; each of them sees the same point. So every
// delivery looks for the widget under the point and lets the handler of the control there
// decide: a marked control (or the part of one) sets the pointer, an unmarked control leaves
// it as it is, and the window surface follows its own mark.
class PointerRule : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QPointF position;
        if (event->type() == QEvent::MouseMove)
            position = static_cast<QMouseEvent*>(event)->position();
        else if (event->type() == QEvent::Enter)
            position = static_cast<QEnterEvent*>(event)->position();
        else
            return false;
        if (!watched->isWidgetType()) return false;
        auto* receiver = static_cast<QWidget*>(watched);
        QWidget* under = receiver->childAt(position.toPoint());
        decide(under ? under : receiver);
        return false;
    }

private:
    static void decide(QWidget* under) {
        for (QWidget* w = under; w; w = w->parentWidget()) {
            const QVariant role = w->property(kHoverRole);
            if (role.isValid()) {
                apply(w->window(), role.toInt() == 1);
                return;
            }
            if (w->isWindow() || isDesignerControl(w)) return;
        }
    }

    static void apply(QWidget* window, bool hand) {
        if (window->cursor().shape() == Qt::WaitCursor) return;
        if (hand) {
            const QCursor icon = mouseIcon(window);
            if (!window->testAttribute(Qt::WA_SetCursor) || !(window->cursor() == icon))
                window->setCursor(icon);
        } else if (window->testAttribute(Qt::WA_SetCursor)) {
            window->unsetCursor();
        }
    }
};

void markHover(QWidget* widget, int role) {
    static PointerRule* const rule = [] {
        auto* r = new PointerRule;
        QCoreApplication::instance()->installEventFilter(r);
        return r;
    }();
    (void)rule;
    widget->setProperty(kHoverRole, role);
}

}  // namespace

QIcon applicationIcon() {
    static const QIcon icon(ApplicationPath() + QStringLiteral("/quarrydesk.png"));
    return icon;
}

void ApplyBackColors(QWidget* window) {
    paintButtonFace(window);
    for (QWidget* child : window->findChildren<QWidget*>())
        if (recoloured(child)) paintButtonFace(child);
}

QString skinPath() { return ApplicationPath() + QStringLiteral("/x/o.cjs"); }

void ApplySkin(QWidget* mainWindow) {
    if (!QFile::exists(skinPath())) return;
    ApplyBackColors(mainWindow);
    QFile file(skinPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(QStringLiteral("The skin file %1 could not be read: %2")
                        .arg(QDir::toNativeSeparators(skinPath()), file.errorString()));
    mainWindow->setStyleSheet(QString::fromUtf8(file.readAll()));
}

QString handCursorPath() { return ApplicationPath() + QStringLiteral("/HAND-M.CUR"); }

QPoint cursorHotSpot(const QString& path) {
    // A cursor file's directory entry holds the hot spot in place of an icon's colour planes.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QPoint(-1, -1);
    const QByteArray head = file.read(14);
    if (head.size() < 14 || qFromLittleEndian<quint16>(head.constData() + 2) != 2)
        return QPoint(-1, -1);
    return QPoint(qFromLittleEndian<quint16>(head.constData() + 10),
                  qFromLittleEndian<quint16>(head.constData() + 12));
}

void setMouseIcon(QWidget* window, const QString& path) {
    const QPixmap picture(path);
    if (picture.isNull())
        throw Error(QStringLiteral("Invalid picture: %1").arg(QDir::toNativeSeparators(path)), 481);
    const QPoint hot = cursorHotSpot(path);
    window->setProperty(kMouseIcon, QVariant::fromValue(QCursor(picture, hot.x(), hot.y())));
}

QCursor mouseIcon(const QWidget* window) {
    const QVariant icon = window->property(kMouseIcon);
    return icon.isValid() ? icon.value<QCursor>() : QCursor(Qt::PointingHandCursor);
}

void setHandOnHover(QWidget* widget) { markHover(widget, 1); }
void setDefaultOnHover(QWidget* widget) { markHover(widget, 0); }

}  // namespace qd::ui
