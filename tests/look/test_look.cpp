// Every window as a user with a real mouse and a desktop palette meets it: the pointer under real
// mouse moves, the plain main window's white, and text that reads against its background in a
// light and a dark palette, with and without the skin.

#include "app/appconnection.h"
#include "app/folders.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/controls/findfield.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"
#include "ui/reports/form4.h"
#include "ui/reports/form5.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>
#include <memory>

using namespace qd::ui;

namespace {

// ---- the pointer ---------------------------------------------------------------------------

// A point of the window where the widget itself, not one of its children, is under the pointer.
QPoint bareSpot(QWidget* widget) {
    QWidget* window = widget->window();
    for (int y = 1; y < widget->height() - 1; ++y)
        for (int x = 1; x < widget->width() - 1; ++x) {
            const QPoint p = widget->mapTo(window, QPoint(x, y));
            QWidget* under = window->childAt(p);
            if ((under ? under : window) == widget) return p;
        }
    return QPoint(-1, -1);
}

QPoint centreOf(QWidget* widget) {
    return widget->mapTo(widget->window(), widget->rect().center());
}

// The mouse moved to a point of the window as the window system reports it: the toolkit finds
// the widget under the pointer, gives it the move, and passes the move on to the parents while
// they do not take it. Then the same move is given to every parent up to the window, as it
// reaches them when each of them watches the mouse and leaves the move to its parent.
void moveMouse(QWidget* window, QPoint point) {
    QTest::mouseMove(window->windowHandle(), point);
    QWidget* under = window->childAt(point);
    for (QWidget* w = under ? under : window; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const QPoint local = w->mapFrom(window, point);
        QMouseEvent move(QEvent::MouseMove, local, window->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
}

Qt::CursorShape pointer(const QWidget* window) { return window->cursor().shape(); }

// ---- contrast ------------------------------------------------------------------------------

double luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text of an area of a rendered window against its background: the background is the
// area's most common colour, the text the pixel that stands out from it most (the core of a
// glyph). An area without text reads 1:1.
double textContrast(const QImage& shot, const QRect& area) {
    std::map<QRgb, int> counts;
    const QRect inside = area.intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) ++counts[shot.pixel(x, y) | 0xff000000];
    if (counts.empty()) return 1;
    QRgb back = 0;
    int most = -1;
    for (const auto& [colour, n] : counts)
        if (n > most) {
            most = n;
            back = colour;
        }
    double best = 1;
    for (const auto& entry : counts) best = std::max(best, contrast(entry.first, back));
    return best;
}

struct Area {
    QString what;
    QRect rect;  // in window coordinates
};

QRect inWindow(const QWidget* widget, const QRect& rect) {
    return QRect(widget->mapTo(widget->window(), rect.topLeft()), rect.size());
}

// Where each control of a window shows text: captions, labels, frame titles, field texts, the
// drop-down lists' shown entries, list cells (a selected row and an unselected one) and column
// headings. Borders and focus frames stay outside the areas.
QList<Area> textAreas(QWidget* window) {
    QList<Area> areas;
    auto add = [&](const QWidget* w, const QString& part, const QRect& local) {
        if (local.width() > 2 && local.height() > 2)
            areas.append({window->objectName() + QLatin1Char('.') +
                              (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                         : w->objectName()) +
                              part,
                          inWindow(w, local)});
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window) continue;
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            if (!button->text().isEmpty()) add(w, QString(), w->rect().adjusted(4, 4, -4, -4));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            if (!label->text().isEmpty()) add(w, QString(), w->contentsRect());
        } else if (auto* field = qobject_cast<QLineEdit*>(w)) {
            if (!field->text().isEmpty()) add(w, QString(), w->rect().adjusted(3, 3, -3, -3));
        } else if (auto* list = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.editable = false;
            const QRect text = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                             QStyle::SC_ComboBoxEditField, list);
            if (!list->currentText().isEmpty()) add(w, QString(), text.adjusted(1, 2, -1, -2));
        } else if (auto* option = qobject_cast<QRadioButton*>(w)) {
            QStyleOptionButton o;
            o.initFrom(option);
            o.text = option->text();
            add(w, QString(), option->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, option));
        } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox o;
            o.initFrom(frame);
            o.text = frame->title();
            o.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            add(w, QStringLiteral(" title"),
                frame->style()->subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, frame));
        } else if (auto* view = qobject_cast<ListView*>(w)) {
            QWidget* port = view->viewport();
            const int selected = view->selectedIndex() - 1;
            for (int row : {selected, selected == 0 ? 1 : 0}) {
                if (row < 0 || row >= view->count()) continue;
                for (int c = 0; c < view->columnCount(); ++c) {
                    const QModelIndex cell = view->listModel()->index(row, c);
                    const QRect rect = view->visualRect(cell).intersected(port->rect());
                    if (rect.width() > 12 && !cell.data().toString().isEmpty())
                        add(port, QStringLiteral(" row %1 column %2").arg(row + 1).arg(c + 1),
                            rect.adjusted(1, 1, -1, -1));
                }
            }
            QHeaderView* header = view->header();
            for (int c = 0; c < view->columnCount(); ++c) {
                const QRect rect = QRect(header->sectionViewportPosition(c), 0, header->sectionSize(c),
                                         header->height())
                                       .intersected(header->rect());
                if (rect.width() > 12)
                    add(header, QStringLiteral(" heading %1").arg(c + 1), rect.adjusted(2, 2, -2, -2));
            }
        }
    }
    return areas;
}

QPalette darkPalette() {
    QPalette p(QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));  // button, window
    const QColor light(0xf0, 0xf0, 0xf0);
    p.setColor(QPalette::WindowText, light);
    p.setColor(QPalette::ButtonText, light);
    p.setColor(QPalette::Text, light);
    p.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    p.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2c));
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    p.setColor(QPalette::ToolTipBase, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::ToolTipText, light);
    return p;
}

}  // namespace

class TestLook : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;
    QTemporaryDir m_companions;  // the program's own folder, with or without the skin
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form1> m_main;

public:
    explicit TestLook(TestEnvironment* env) : m_env(env) {}

private:
    void useSkin(bool skinned) {
        const QString skin = m_companions.filePath(QStringLiteral("x/o.cjs"));
        QFile::remove(skin);
        if (skinned)
            QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/x/o.cjs"), skin));
    }

    // The main window started as the program starts it, with the sample data loaded.
    void startMain() {
        m_main = std::make_unique<Form1>();
        m_main->setEndsProgramOnUnload(false);
        m_main->Form_Load();
        m_main->PushButton4_Click();
        m_main->ListView1->listModel()->flush();
        m_main->ListView2->listModel()->flush();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        QCOMPARE(m_main->ListView1->count(), 3);
    }

    // The order editor on the first order, its line editor, the reports window and the currency
    // options, all open at once (modal windows are shown here without their modal loop).
    struct Windows {
        std::unique_ptr<Form2> editor;
        std::unique_ptr<Form3> line;
        std::unique_ptr<Form4> reports;
        Form5* options = nullptr;
        QList<QWidget*> all() const {
            return {editor.get(), line.get(), reports.get(), options};
        }
        ~Windows() {
            if (Form5::loaded()) Form5::loaded()->Unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    std::unique_ptr<Windows> m_windows;

    Windows& openWindows() {
        m_windows = std::make_unique<Windows>();
        Windows& w = *m_windows;
        w.editor = std::make_unique<Form2>();
        w.editor->m_ID = m_main->ListView1->itemText(1);
        w.editor->show();
        w.line = std::make_unique<Form3>(w.editor->ListView1);
        w.line->show();
        w.line->Combo1->setCurrentIndex(0);
        w.reports = std::make_unique<Form4>();
        w.reports->show();
        w.options = &Form5::instance();
        w.options->show();
        for (QWidget* window : w.all()) {
            if (!QTest::qWaitForWindowExposed(window)) qWarning("not exposed");
            window->setCursor(Qt::ArrowCursor);
            window->unsetCursor();
        }
        w.editor->ListView1->listModel()->flush();
        return w;
    }

    static Qt::CursorShape hand() { return Qt::BitmapCursor; }  // HAND-M.CUR is beside the program

    // Moves over each button (hand), then over each reset surface (arrow), and checks that the
    // controls without a handler leave the pointer as it was.
    static void walk(QWidget* window, const QList<QWidget*>& buttons, const QList<QPoint>& resets,
                     const QList<QPoint>& keeps) {
        const QString name = window->objectName();
        for (QWidget* button : buttons) {
            for (const QPoint& reset : resets) {
                moveMouse(window, centreOf(button));
                QVERIFY2(pointer(window) == hand(), qPrintable(name + " over " + button->objectName()));
                moveMouse(window, centreOf(button) + QPoint(button->width() / 3, 1));
                QVERIFY2(pointer(window) == hand(), qPrintable(name + " along " + button->objectName()));
                for (const QPoint& keep : keeps) {
                    moveMouse(window, keep);
                    QVERIFY2(pointer(window) == hand(),
                             qPrintable(QStringLiteral("%1: the hand stays at %2,%3")
                                            .arg(name).arg(keep.x()).arg(keep.y())));
                }
                moveMouse(window, reset);
                QVERIFY2(pointer(window) == Qt::ArrowCursor,
                         qPrintable(QStringLiteral("%1: the arrow at %2,%3")
                                        .arg(name).arg(reset.x()).arg(reset.y())));
                for (const QPoint& keep : keeps) {
                    moveMouse(window, keep);
                    QVERIFY2(pointer(window) == Qt::ArrowCursor, qPrintable(name));
                }
            }
        }
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString bin = QCoreApplication::applicationDirPath();
        for (const char* file : {"dbBlank.mdb", "HAND-M.CUR", "quarrydesk.png"})
            QVERIFY(QFile::copy(bin + u'/' + QLatin1String(file), m_companions.filePath(QLatin1String(file))));
        QVERIFY(QDir().mkpath(m_companions.filePath(QStringLiteral("x"))));
        qd::setApplicationPath(m_companions.path());
    }

    void init() {
        m_env->reset();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        QApplication::setPalette(QApplication::style()->standardPalette());
        useSkin(false);
    }

    void cleanup() {
        m_windows.reset();
        m_main.reset();
        qd::AppConnectionObject().reset();
        QVERIFY2(m_dialogs->unexpected.isEmpty(), qPrintable(m_dialogs->unexpected.join(" | ")));
        m_dialogs.reset();
    }

    // Real mouse moves over every window: the hand over each push button that has it, the
    // arrow over the listed surfaces, frames, lists and boxes; elsewhere the pointer stays as
    // it was, so in the reports and currency windows the hand stays on the window surface until
    // a frame is crossed.
    void handUnderRealMouseMoves() {
        startMain();
        Form1& main = *m_main;
        walk(&main,
             {main.PushButton1, main.PushButton2, main.PushButton3, main.PushButton4,
              main.PushButton5, main.PushButton6},
             {bareSpot(&main), centreOf(main.ListView1->viewport()), centreOf(main.ListView2->viewport()),
              centreOf(main.ListView1->header())},
             {});

        Windows& w = openWindows();
        Form2& editor = *w.editor;
        walk(&editor,
             {editor.PushButton1, editor.PushButton2, editor.PushButton3, editor.PushButton4,
              editor.PushButton5, editor.PushButton6, editor.PushButton7, editor.PushButton8,
              editor.PushButton9, editor.PushButton10},
             {bareSpot(&editor), centreOf(editor.ListView1->viewport())},
             {centreOf(editor.Combo1), centreOf(editor.DateTimePicker1), centreOf(editor.Label1[0])});
        Form3& line = *w.line;
        walk(&line, {line.PushButton1, line.PushButton2, line.PushButton5, line.PushButton6},
             {bareSpot(&line), centreOf(line.Text1), centreOf(line.Text2), centreOf(line.Text3)},
             {centreOf(line.Combo1), centreOf(line.Label1[0])});
        Form4& reports = *w.reports;
        walk(&reports, {reports.PushButton1, reports.PushButton2, reports.PushButton5},
             {bareSpot(reports.Frame1)}, {bareSpot(&reports), centreOf(reports.Combo1)});
        Form5& options = *w.options;
        walk(&options, {options.PushButton2, options.PushButton3, options.PushButton4},
             {bareSpot(options.Frame2), bareSpot(options.Frame3)},
             {bareSpot(&options), centreOf(options.Combo2), centreOf(options.Option1)});
    }

    // Without the skin the main window keeps the white of its design; with it the window
    // takes the button face. The other windows always take the button face.
    void mainWindowWhiteWithoutSkin() {
        startMain();
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(QColor(m_main->grab().toImage().pixel(4, 4)), QColor(Qt::white));
        Windows& w = openWindows();
        for (QWidget* window : w.all())
            QCOMPARE(QColor(window->grab().toImage().pixel(4, 4)), face);
        m_windows.reset();
        m_main.reset();
        qd::AppConnectionObject().reset();
        m_env->reset();
        useSkin(true);
        startMain();
        QCOMPARE(QColor(m_main->grab().toImage().pixel(4, 4)), face);
    }

    void textReadsOnItsBackground_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("skinned");
        QTest::newRow("light") << false << false;
        QTest::newRow("light, skin") << false << true;
        QTest::newRow("dark") << true << false;
        QTest::newRow("dark, skin") << true << true;
    }
    // Every text of every window, of a question box over the main window and of the find field
    // saying "not found", stands out from its background by at least 4.5:1.
    void textReadsOnItsBackground() {
        QFETCH(bool, dark);
        QFETCH(bool, skinned);
        if (dark) QApplication::setPalette(darkPalette());
        useSkin(skinned);
        startMain();
        Windows& w = openWindows();
        QMessageBox question(QMessageBox::NoIcon, QStringLiteral("Quarrydesk"),
                             QStringLiteral("Are you sure you want to delete [A - B]?"),
                             QMessageBox::Yes | QMessageBox::No, m_main.get());
        question.setObjectName(QStringLiteral("question"));
        question.show();
        QVERIFY(QTest::qWaitForWindowExposed(&question));

        FindField* find = m_main->findField();
        find->open();
        QTest::keyClicks(find, "xq");
        QVERIFY(find->notFound());

        QStringList faint;
        int checked = 0;
        QList<QWidget*> windows = w.all();
        windows << m_main.get() << &question;
        for (QWidget* window : windows) {
            const QImage shot = window->grab().toImage();
            QList<Area> areas = textAreas(window);
            if (window == m_main.get())  // the note at the right end of the find field
                areas.append({QStringLiteral("not found"),
                              inWindow(find, find->rect().adjusted(find->width() / 2, 3, -3, -3))});
            for (const Area& area : areas) {
                ++checked;
                const double ratio = textContrast(shot, area.rect);
                if (ratio < 4.5) faint << QStringLiteral("%1 %2:1").arg(area.what).arg(ratio, 0, 'f', 2);
            }
        }
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral("\n"))));
        QVERIFY(checked > 80);  // every kind of control was found and measured
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;  // before the application, so the paths come from it
    QApplication app(argc, argv);
    TestLook test(&environment);
    return QTest::qExec(&test, argc, argv);
}
#include "test_look.moc"
