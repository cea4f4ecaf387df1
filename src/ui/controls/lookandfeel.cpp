#include "ui/controls/lookandfeel.h"

#include "app/globals.h"
#include "core/error.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>
#include <QtEndian>

namespace qd::ui {

namespace {

const char* const kMouseIcon = "qdMouseIcon";
const char* const kHoverRole = "qdHoverRole";  // 1 hand, 0 default

void paintButtonFace(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

bool recoloured(QWidget* child) {
    return qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
           qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child);
}

class HoverFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget) apply(widget, widget->property(kHoverRole).toInt() == 1);
        }
        return false;
    }

    static void apply(QWidget* widget, bool hand) {
        QWidget* window = widget->window();
        if (window->cursor().shape() == Qt::WaitCursor) return;
        if (hand) {
            window->setCursor(mouseIcon(window));
        } else {
            window->unsetCursor();
        }
    }
};

HoverFilter* hoverFilter() {
    static HoverFilter* filter = new HoverFilter;
    return filter;
}

void markHover(QWidget* widget, int role) {
    widget->setProperty(kHoverRole, role);
    widget->setMouseTracking(true);
    widget->installEventFilter(hoverFilter());
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
