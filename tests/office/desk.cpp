// One desk of an office, for the tests of a shared order book: the program's main window with
// its real message boxes, started as the program starts it, and driven by commands on
// standard input as a user drives it with the mouse and the keyboard:
//
//     qd_desk BOOK          (BOOK as after --book; the folders come from XDG_*_HOME; with
//                            QD_FAULTY_DISK=PATH the disk fails under that file while
//                            PATH.fail exists, see faultydisk.h)
//
// Commands, one a line; each answers with "ok" or "error WHY" after what it prints:
//   press NAME            clicks the push button NAME of the window in front
//   answer CAPTION        clicks the button CAPTION of the message box in front
//   type NAME TEXT        puts TEXT into the text field NAME of the window in front
//   choose NAME ENTRY     picks ENTRY in the drop-down list NAME, as a click picks it
//   select NAME ID        chooses the row with item text ID in the list NAME, as a click does
//   rows NAME             prints "row A|B|..." for each row of the list NAME
//   field NAME            prints "field TEXT" of a text field
//   title                 prints "title TEXT" of the main window
//   notice NAME           prints "notice TEXT" of the notice line of window NAME ("" when none)
//   key NAME KEY          sends the key (F5, Return...) to the widget NAME of the window in front
//   heading NAME N        clicks the heading of column N (from 1) of the list NAME
//   enter TEXT            types TEXT into the input box in front and presses OK
//   ping                  prints "pong" (everything before it has been done)
// What the program shows by itself is printed as it comes:
//   box TITLE|TEXT|BUTTON;BUTTON      a message box
//   input TITLE|PROMPT                an input box
//   window NAME|TITLE                 a window of the program opened
//   closed NAME                       it closed
// Line breaks inside texts are printed as "\n".

#include "app/book.h"
#include "office/faultydisk.h"
#include "app/dialogs.h"
#include "ui/controls/listview.h"
#include "ui/controls/noticebar.h"
#include "ui/controls/widgetdialogs.h"
#include "ui/main/endsession.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

QString flat(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\\n")).replace(u'\n', QLatin1String("\\n"))
        .replace(u'\r', QLatin1String("\\n"));
}

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class Driver : public QObject {
public:
    explicit Driver(qd::ui::Form1& main) : m_main(main), m_input(STDIN_FILENO, QSocketNotifier::Read) {
        qApp->installEventFilter(this);
        connect(&m_input, &QSocketNotifier::activated, this, &Driver::readInput);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show && event->type() != QEvent::Hide) return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            if (event->type() == QEvent::Show) {
                QStringList buttons;
                for (QAbstractButton* b : box->buttons()) buttons << b->text().remove(u'&');
                say(QStringLiteral("box %1|%2|%3").arg(box->windowTitle(), flat(box->text()),
                                                       buttons.join(u';')));
            }
        } else if (auto* input = qobject_cast<QInputDialog*>(watched)) {
            if (event->type() == QEvent::Show)
                say(QStringLiteral("input %1|%2").arg(input->windowTitle(), input->labelText()));
        } else if (auto* dialog = qobject_cast<QDialog*>(watched);
                   dialog && dialog->objectName().startsWith(QLatin1String("Form"))) {
            if (event->type() == QEvent::Show)
                say(QStringLiteral("window %1|%2").arg(dialog->objectName(), dialog->windowTitle()));
            else
                say(QStringLiteral("closed %1").arg(dialog->objectName()));
        }
        return false;
    }

private:
    void readInput() {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_input.setEnabled(false);
            QMetaObject::invokeMethod(&m_main, &QWidget::close, Qt::QueuedConnection);
            return;
        }
        m_pending.append(buffer, int(n));
        int end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
            // Each command is an event of its own: one that opens a window modally waits in
            // that window's loop, where the next commands still run.
            QMetaObject::invokeMethod(this, [this, line] { run(line); }, Qt::QueuedConnection);
        }
    }

    QWidget* front() const {
        if (QWidget* modal = QApplication::activeModalWidget()) return modal;
        return &m_main;
    }
    template <class T>
    T* find(const QString& name) const {
        T* found = front()->findChild<T*>(name);
        if (!found) throw std::runtime_error(("no " + name).toStdString());
        return found;
    }

    void run(const QString& line) {
        const QString command = line.section(u' ', 0, 0);
        const QString name = line.section(u' ', 1, 1);
        const QString rest = line.section(u' ', 2);
        try {
            if (command == QLatin1String("press")) {
                auto* button = find<QPushButton>(name);
                say(QStringLiteral("ok"));
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
            if (command == QLatin1String("answer")) {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) throw std::runtime_error("no message box");
                const QString caption = line.section(u' ', 1);
                for (QAbstractButton* b : box->buttons())
                    if (b->text().remove(u'&') == caption) {
                        say(QStringLiteral("ok"));
                        QTest::mouseClick(b, Qt::LeftButton);
                        return;
                    }
                throw std::runtime_error("no such button");
            }
            if (command == QLatin1String("type")) {
                find<QLineEdit>(name)->setText(rest);
            } else if (command == QLatin1String("choose")) {
                auto* list = find<QComboBox>(name);
                const int index = list->findText(rest);
                if (index < 0) throw std::runtime_error("no such entry");
                list->setCurrentIndex(index);
                emit list->activated(index);
            } else if (command == QLatin1String("select")) {
                auto* list = find<qd::ui::ListView>(name);
                const int index = list->indexOfKey(rest.toLongLong());
                if (index == 0) throw std::runtime_error("no such row");
                list->chooseIndex(index);
            } else if (command == QLatin1String("rows")) {
                auto* list = find<qd::ui::ListView>(name);
                for (int i = 1; i <= list->count(); ++i) {
                    QStringList row{list->itemText(i)};
                    for (int s = 1; s < list->columnCount(); ++s) row << list->subItemText(i, s);
                    say(QStringLiteral("row ") + row.join(u'|'));
                }
                const int selected = list->selectedIndex();
                say(QStringLiteral("selected %1").arg(selected ? list->itemText(selected) : QString()));
            } else if (command == QLatin1String("field")) {
                say(QStringLiteral("field ") + find<QLineEdit>(name)->text());
            } else if (command == QLatin1String("title")) {
                say(QStringLiteral("title ") + m_main.windowTitle());
            } else if (command == QLatin1String("notice")) {
                QWidget* window = name == QLatin1String("Form1") ? static_cast<QWidget*>(&m_main) : front();
                const auto* notice = window->findChild<qd::ui::NoticeBar*>();
                say(QStringLiteral("notice ") +
                    (notice && notice->isVisible() ? flat(notice->text()) : QString()));
            } else if (command == QLatin1String("key")) {
                QWidget* target = find<QWidget>(name);
                const QKeySequence key(rest);
                say(QStringLiteral("ok"));
                QTest::keyClick(target, Qt::Key(key[0].key()), key[0].keyboardModifiers());
                return;
            } else if (command == QLatin1String("heading")) {
                auto* list = find<qd::ui::ListView>(name);
                QHeaderView* heading = list->header();
                const int section = rest.toInt() - 1;
                const QPoint at(heading->sectionViewportPosition(section) + heading->sectionSize(section) / 2,
                                heading->height() / 2);
                QTest::mouseClick(heading->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            } else if (command == QLatin1String("enter")) {
                auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                if (!input) throw std::runtime_error("no input box");
                input->setTextValue(line.section(u' ', 1));
                say(QStringLiteral("ok"));
                input->accept();
                return;
            } else if (command == QLatin1String("ping")) {
                say(QStringLiteral("pong"));
            } else {
                throw std::runtime_error("unknown command");
            }
            say(QStringLiteral("ok"));
        } catch (const std::exception& e) {
            say(QStringLiteral("error ") + QString::fromLocal8Bit(e.what()));
        }
    }

    qd::ui::Form1& m_main;
    QSocketNotifier m_input;
    QByteArray m_pending;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsSet("QD_FAULTY_DISK")) faultydisk::install(qgetenv("QD_FAULTY_DISK"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrydesk"));
    QApplication::setOrganizationName(QStringLiteral("Brisklane"));
    if (argc > 1) qd::rememberBook(qd::parseBookLocation(QString::fromLocal8Bit(argv[1])));

    qd::ui::WidgetDialogs dialogs;
    qd::setDialogs(&dialogs);
    qd::ui::Form1 form;
    Driver driver(form);
    qd::ui::endSessionOnSignals(&form);
    form.Form_Load();
    form.show();
    say(QStringLiteral("ready"));
    return app.exec();
}
