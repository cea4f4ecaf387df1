#include "ui/main/startupprobe.h"

#include "ui/controls/listview.h"
#include "ui/main/form1.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstdio>

namespace qd::ui {

namespace {

class Probe : public QObject {
public:
    explicit Probe(Form1& form) : QObject(&form), m_form(form) {
        form.ListView1->viewport()->installEventFilter(this);
        connect(&form, &Form1::orderListComplete, this, [this] {
            m_filled = true;
            finish();
        });
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            say("painted");
            m_filled = m_filled || !m_form.orderListFilling();
            finish();
        }
        return false;
    }

private:
    static void say(const char* what) {
        std::printf("%s\n", what);
        std::fflush(stdout);
    }
    void finish() {
        if (!m_painted || !m_filled || m_done) return;
        m_done = true;
        say("filled");
        m_form.setEndsProgramOnUnload(false);
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    }

    Form1& m_form;
    bool m_painted = false;
    bool m_filled = false;
    bool m_done = false;
};

}  // namespace

void probeStartUp(Form1& form) {
    if (qEnvironmentVariableIsSet("QUARRYDESK_STARTUP_PROBE")) new Probe(form);
}

}  // namespace qd::ui
