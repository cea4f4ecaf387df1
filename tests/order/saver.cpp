// One desktop saving new orders as fast as a clerk never could, for the concurrency test:
//     qd_saver BOOK TAG COUNT
// saves COUNT new orders through the order editor, each with PO number TAG-n and two lines of
// quantities n and 1000 + n. Prints what it did; the exit status is the number of error boxes.

#include "app/appconnection.h"
#include "app/book.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char** argv) {
    TestEnvironment env;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: qd_saver BOOK TAG COUNT\n");
        return 100;
    }
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ScriptedDialogs dialogs;
    qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
    qd::AppConnection().open(qd::bookConnectionString(qd::parseBookLocation(QString::fromLocal8Bit(argv[1]))));

    QElapsedTimer timer;
    timer.start();
    for (int n = 1; n <= count; ++n) {
        qd::ui::Form2 form;
        form.m_ID = QString();
        form.show();
        form.Combo1->setCurrentIndex(0);
        form.Combo2->setCurrentIndex(0);
        form.Combo3->setCurrentIndex(0);
        form.Text1->setText(QStringLiteral("%1-%2").arg(tag).arg(n));
        for (const int quantity : {n, 1000 + n}) {
            dialogs.windows.enqueue([&](QDialog* window) {
                auto* line = static_cast<qd::ui::Form3*>(window);
                line->Combo1->setCurrentIndex(0);
                line->Combo1_Click();
                line->Text1->setText(QString::number(quantity));
                line->PushButton2_Click();
            });
            form.PushButton9_Click();
        }
        form.PushButton2_Click();
    }
    int errors = 0;
    for (const Shown& s : dialogs.shown) {
        if (s.title != QLatin1String("Application Error")) continue;
        ++errors;
        std::fprintf(stderr, "%s\n", qPrintable(s.text));
    }
    std::printf("%s: %d saves in %lld ms, %d errors\n", qPrintable(tag), count,
                timer.elapsed(), errors);
    qd::AppConnectionObject().reset();
    return qMin(errors, 99);
}
