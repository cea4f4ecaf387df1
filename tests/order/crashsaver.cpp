// A clerk who saves orders without pause, for the crash test: qd_crashsaver BOOK SEED opens the
// book as the program does (with its care: checks, backups, marks) and saves, through the order
// editor's Save, edited orders (their lines replaced) and new orders, until it is killed.
// Every save writes one generation g: 1 + g % 4 lines, each of quantity g, so an order whose
// lines are not one whole generation shows a save that was cut. Prints "ready" after the first
// save, one line per save, and "error: " with the text of any box other than the success.

#include "app/appconnection.h"
#include "app/booksession.h"
#include "data/recordset.h"
#include "support/books.h"
#include "support/scripteddialogs.h"
#include "ui/controls/listview.h"
#include "ui/order/form2.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <cstdio>
#include <random>

namespace {

QList<qlonglong> orderIds() {
    QList<qlonglong> ids;
    qd::data::Recordset rs;
    for (rs.open(QStringLiteral("select OrderID from Orders"), qd::AppConnection()); !rs.eof();
         rs.moveNext())
        ids << rs.field(0).toLongLong();
    return ids;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: qd_crashsaver BOOK SEED\n");
        return 100;
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    std::mt19937 random(QString::fromLocal8Bit(argv[2]).toUInt());
    ScriptedDialogs dialogs;
    qd::AppConnectionObject() = std::make_unique<qd::data::Connection>();
    qd::AppBookSession() = std::make_unique<qd::BookSession>(
        qd::AppConnection(), fileConnectionString(QString::fromLocal8Bit(argv[1])));

    for (int saves = 1;; ++saves) {
        const QList<qlonglong> ids = orderIds();
        const bool edit = !ids.isEmpty() && random() % 10 < 6;
        const int generation = 1 + int(random() % 1000000);
        qd::ui::Form2 form;
        form.m_ID = edit ? QString::number(ids[int(random() % unsigned(ids.size()))]) : QString();
        form.show();
        if (!edit) {
            form.Combo1->setCurrentIndex(0);
            form.Combo2->setCurrentIndex(0);
            form.Combo3->setCurrentIndex(0);
            form.Text1->setText(QStringLiteral("G%1").arg(generation));
        }
        form.ListView1->clear();
        for (int line = 0; line <= generation % 4; ++line) {
            const int item = form.ListView1->addItem(QStringLiteral("1"));
            form.ListView1->setSubItem(item, 1, QStringLiteral("Widget"));
            form.ListView1->setSubItem(item, 2, QString::number(generation));
            form.ListView1->setSubItem(item, 3, QStringLiteral("12.50"));
            form.ListView1->setSubItem(item, 4, QStringLiteral("0.00%"));
        }
        form.PushButton2_Click();
        for (const Shown& s : dialogs.shown)
            if (s.kind == Shown::Message && s.text != QLatin1String("Record Successfully Saved"))
                std::printf("error: %s\n", qPrintable(QString(s.text).replace(u'\n', u' ').replace(u'\r', u' ')));
        dialogs.shown.clear();
        if (saves == 1) std::printf("ready\n");
        std::printf("%s %s\n", edit ? "edited" : "new", qPrintable(form.m_ID));
        std::fflush(stdout);
    }
}
