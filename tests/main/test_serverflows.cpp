// The user's flows on an order book server, as on the local file: sample data, a new order with
// its lines, an edit, a delete, lookups added and deleted, and the three reports to PDF and CSV.
// The same flow runs on both books; what the windows show and what the reports hold must be
// the same, with no error on the way.

#include "app/appconnection.h"
#include "app/book.h"
#include "data/bookcopy.h"
#include "cli/commandline.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "support/testserver.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"
#include "ui/order/form2.h"
#include "ui/order/form3.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

using qd::ui::Form1;
using qd::ui::Form2;
using qd::ui::Form3;

namespace {

void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
}

QStringList rows(const qd::ui::ListView* list) {
    QStringList out;
    for (int i = 1; i <= list->count(); ++i) {
        QStringList row{list->itemText(i)};
        for (int s = 1; s < list->columnCount(); ++s) row << list->subItemText(i, s);
        out << row.join(u'|');
    }
    return out;
}

QString fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(missing)");
}

// The text of a PDF's pages, as a reader would copy it.
QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class TestServerFlows : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    TestServer m_server;

    // Everything the user sees along the flow, step by step.
    QStringList flow() {
        QStringList seen;
        ScriptedDialogs dialogs;
        auto main = std::make_unique<Form1>();
        main->setEndsProgramOnUnload(false);
        main->Form_Load();
        auto snapshot = [&](const char* step) {
            seen << QStringLiteral("== %1").arg(step) << rows(main->ListView1) << QStringLiteral("--")
                 << rows(main->ListView2);
        };
        // The list comes in the book's own order; sorted by "ID" it reads the same on both.
        main->ListView1_ColumnClick(1);
        main->PushButton4_Click();
        main->PushButton4_Click();
        snapshot("sample data");

        // A new order with two lines, its customer and product added on the way.
        dialogs.windows.enqueue([&](QDialog* window) {
            auto* f = static_cast<Form2*>(window);
            dialogs.inputs << "Rock'n'Roll Supplies";
            f->PushButton5_Click();
            choose(f->Combo1, "Rock'n'Roll Supplies");
            choose(f->Combo2, "Ferro Kastell");
            choose(f->Combo3, "DHL");
            f->Text1->setText("PO 'A'");
            f->Text2->setText("8.25");
            for (const char* quantity : {"3", "1000"}) {
                dialogs.windows.enqueue([&, quantity](QDialog* lineWindow) {
                    auto* g = static_cast<Form3*>(lineWindow);
                    if (QByteArray(quantity) == "3") {
                        dialogs.inputs << "Crane's Lift" << "1234567.891";
                        g->PushButton5_Click();
                    }
                    choose(g->Combo1, QByteArray(quantity) == "3" ? "Crane's Lift" : "Mug");
                    g->Combo1_Click();
                    g->Text1->setText(QString::fromLatin1(quantity));
                    g->Text3->setText("12.5");
                    g->PushButton2_Click();
                });
                f->PushButton9_Click();
            }
            f->PushButton2_Click();
        });
        main->PushButton2_Click();
        snapshot("new order");

        // The first row edited: another PO number, its first line gone, a line added. (The
        // new order is the selected one after its save.)
        main->ListView1->selectIndex(1);
        dialogs.windows.enqueue([&](QDialog* window) {
            auto* f = static_cast<Form2*>(window);
            f->Text1->setText("Edited");
            f->ListView1->selectIndex(1);
            f->PushButton10_Click();
            dialogs.windows.enqueue([&](QDialog* lineWindow) {
                auto* g = static_cast<Form3*>(lineWindow);
                choose(g->Combo1, "Cup");
                g->Combo1_Click();
                g->Text1->setText("7");
                g->PushButton2_Click();
            });
            f->PushButton9_Click();
            f->PushButton2_Click();
        });
        main->ListView1->selectIndex(1);  // the new order was left selected
        main->ListView1_ItemClick();
        main->PushButton1_Click();
        snapshot("edit");

        dialogs.answers << qd::Answer::Yes;
        main->ListView1->selectIndex(2);
        main->ListView1_ItemClick();
        main->PushButton3_Click();
        snapshot("delete");

        // Lookups: a shipping method added, an employee deleted with the orders of theirs.
        dialogs.windows.enqueue([&](QDialog* window) {
            auto* f = static_cast<Form2*>(window);
            dialogs.inputs << "Courier";
            f->PushButton7_Click();
            seen << QStringLiteral("shipping methods: %1").arg(f->Combo3->count());
            choose(f->Combo2, "Arvo Tindle");
            dialogs.answers << qd::Answer::Yes;
            f->PushButton4_Click();
            seen << QStringLiteral("employees: %1").arg(f->Combo2->count());
            f->PushButton1_Click();
        });
        main->PushButton2_Click();
        snapshot("lookups");

        // The reports, as files.
        for (const char* report : {"Orders by Customer", "Total Price of Orders",
                                   "Total Price of Each Order Detail"}) {
            const QString pdf = m_env.root() + "/report.pdf", csv = m_env.root() + "/report.csv";
            QFile::remove(pdf);
            QFile::remove(csv);
            const auto status = qd::cli::runCommandLine(
                {"quarrydesk", "--report", report, "--pdf", pdf, "--csv", csv});
            seen << QStringLiteral("== %1: %2").arg(report).arg(status.value_or(-1))
                 << fileText(csv) << pdfText(pdf);
        }
        seen << QStringLiteral("errors: %1").arg(dialogs.shown.size()) << dialogs.unexpected;
        for (const Shown& s : dialogs.shown)
            if (s.title == QLatin1String("Application Error")) seen << s.text;
        main.reset();
        qd::AppConnectionObject().reset();
        return seen;
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(m_server.ready(&why), qPrintable(why));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void sameOnFileAndServer() {
        m_env.reset();
        qd::rememberBook(qd::BookLocation());
        const QStringList onFile = flow();

        const QString db = m_server.newDatabase();
        qd::data::initServerBook(db);
        m_env.reset();
        qd::rememberBook(qd::parseBookLocation(db));
        const QStringList onServer = flow();

        QVERIFY2(onFile.filter("Application Error").isEmpty(), qPrintable(onFile.join('\n')));
        QVERIFY(onFile.contains("== new order"));
        const QString all = onFile.join(u'\n');
        QVERIFY2(all.contains("7|Rock'n'Roll Supplies|Ferro Kastell|") &&
                     all.contains("Rock'n'Roll Supplies,3508101.82,Crane's Lift,7,1234567.89,3,") &&
                     all.contains("9|Cup|7|6.25|0.00%") && all.contains("employees: 1"),
                 qPrintable(all));
        QCOMPARE(onServer, onFile);
    }
};

QTEST_MAIN(TestServerFlows)
#include "test_serverflows.moc"
