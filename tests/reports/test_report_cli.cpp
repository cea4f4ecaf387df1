// The program run from the command line to make a report file, as a weekly script would: the
// real executable, the user's order book and stored currency options, no display.

#include "app/settings.h"
#include "fixture.h"
#include "support/programrun.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace {

using Run = ProgramRun;

}  // namespace

class TestReportCli : public QObject {
    Q_OBJECT
    TestEnvironment* m_env;

public:
    explicit TestReportCli(TestEnvironment* env) : m_env(env) {}

private:
    Run quarrydesk(const QStringList& args) { return runQuarrydesk(m_env->root(), args, 60000); }

    QString file(const char* name) const { return m_env->root() + QLatin1Char('/') + QLatin1String(name); }

    void sampleBook() {
        m_env->provideWorkingFile();
        qd::data::Connection db;
        db.open(fileConnectionString(m_env->workingFile()));
        fixture::sampleData(db);
        // A line over a thousand, to see grouping in the PDF and none in the rows.
        db.execute(QStringLiteral("insert into [Order Details] (OrderID,ProductID,Quantity,"
                                  "UnitPrice,Discount) values (3,2,1,1234.5,0)"));
    }

private slots:
    void help() {
        const Run run = quarrydesk({QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("--report NAME") && run.out.contains("--pdf FILE") &&
                     run.out.contains("--csv FILE") &&
                     run.out.contains("\"Total Price of Each Order Detail\""),
                 qPrintable(run.out));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList{"--bogus"} << "unknown argument '--bogus'";
        QTest::newRow("report without value") << QStringList{"--report"} << "--report needs a value";
        QTest::newRow("empty value") << QStringList{"--report", "Orders by Customer", "--pdf="}
                                     << "--pdf needs a value";
        QTest::newRow("no such report")
            << QStringList{"--report", "Total Price of Order Details", "--pdf", "out.pdf"}
            << "there is no report \"Total Price of Order Details\"";
        QTest::newRow("no output") << QStringList{"--report", "Orders by Customer"}
                                   << "--report needs --pdf FILE or --csv FILE";
        QTest::newRow("no report") << QStringList{"--csv", "out.csv"} << "need --report NAME";
        QTest::newRow("twice") << QStringList{"--report", "Orders by Customer", "--pdf", "a.pdf",
                                              "--pdf", "b.pdf"}
                               << "--pdf is given twice";
        QTest::newRow("same file") << QStringList{"--report", "Orders by Customer", "--pdf",
                                                  "out.x", "--csv", "out.x"}
                                   << "name the same file";
        QTest::newRow("order without number") << QStringList{"--report", "Order", "--pdf", "out.pdf"}
                                              << "goes with --order ID";
        QTest::newRow("number without order")
            << QStringList{"--report", "Orders by Customer", "--order", "1", "--pdf", "out.pdf"}
            << "goes with --order ID";
        QTest::newRow("order number not a number")
            << QStringList{"--report", "Order", "--order", "1 or 1=1", "--pdf", "out.pdf"}
            << "--order needs an order number, not '1 or 1=1'";
        QTest::newRow("dry run alone") << QStringList{"--dry-run"} << "--dry-run goes with --import-orders";
        QTest::newRow("export and report")
            << QStringList{"--export-orders", "out.csv", "--report", "Order", "--order", "1"} << "go alone";
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        sampleBook();
        const Run run = quarrydesk(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(run.err.contains("--help"));
        QVERIFY(run.out.isEmpty());
        for (const char* name : {"out.pdf", "out.csv", "a.pdf", "b.pdf", "out.x"})
            QVERIFY(!QFile::exists(file(name)));
    }

    // One order's confirmation: its lines as rows, its totals on the page; a number the book
    // does not hold is an error and writes nothing.
    void oneOrder() {
        sampleBook();
        const QStringList order{"--report", "Order", "--order"};
        const Run csv = quarrydesk(order + QStringList{"3", "--csv", "-", "--pdf", file("order.pdf")});
        QCOMPARE(csv.exitCode, 0);
        QCOMPARE(csv.out, QStringLiteral("Product,Quantity,Unit Price,Discount,Line Total\r\n"
                                         "Mug,2,15.00,0.1,27.00\r\n"
                                         "Cup,1,1234.50,0,1234.50\r\n"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {"-layout", file("order.pdf"), "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* shown : {"Order 3", "Orrin Supplies", "Ferro Kastell", "31", "DHL",
                                  "Sales Tax (50.00%)", "$1,261.50", "$630.75", "$1,892.25"})
            QVERIFY2(page.contains(QLatin1String(shown)), qPrintable(shown + QStringLiteral(" in ") + page));

        const Run missing = quarrydesk(order + QStringList{"99", "--pdf", file("none.pdf")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.err.contains("there is no order 99"), qPrintable(missing.err));
        QVERIFY(!QFile::exists(file("none.pdf")));
    }

    // The orders out and back in through the real program: a file with a bad row stores
    // nothing (exit 1, the row named), a dry run stores nothing, an import adds every line.
    void ordersOutAndIn() {
        sampleBook();
        const Run out = quarrydesk({"--export-orders", "-"});
        QCOMPARE(out.exitCode, 0);
        QVERIFY2(out.out.startsWith("Order,Customer,Employee,Order Date,") &&
                     out.out.contains("Ferro Kastell,2026-03-07,2026-03-07,31,DHL,0.5,Mug,2,15,0.1"),
                 qPrintable(out.out));
        auto save = [&](const char* name, const QString& text) {
            QFile f(file(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        };
        save("orders.csv", out.out);
        save("bad.csv", out.out + "9,Acme,,2026-01-01,,,,,Mug,many,1,0\r\n");
        const Run bad = quarrydesk({"--import-orders", file("bad.csv")});
        QCOMPARE(bad.exitCode, 1);
        QVERIFY2(bad.err.contains("line 6, Quantity: 'many' is not a number") &&
                     bad.err.contains("nothing was imported"), qPrintable(bad.err));
        const Run dry = quarrydesk({"--import-orders", file("orders.csv"), "--dry-run"});
        QCOMPARE(dry.exitCode, 0);
        QVERIFY2(dry.out.startsWith("Checked: would import 3 orders with 4 lines"), qPrintable(dry.out));
        QCOMPARE(quarrydesk({"--export-orders", "-"}).out, out.out);  // nothing stored yet
        const Run in = quarrydesk({"--import-orders", file("orders.csv")});
        QCOMPARE(in.exitCode, 0);
        QVERIFY2(in.out.startsWith("Imported 3 orders with 4 lines, all they name already in the book."),
                 qPrintable(in.out));
        QCOMPARE(quarrydesk({"--export-orders", "-"}).out.count("\r\n"), 1 + 2 * 4);
    }

    void noOrderBook() {
        m_env->reset();
        const Run run = quarrydesk({"--report", "Orders by Customer", "--pdf", file("out.pdf")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("no order book"), qPrintable(run.err));
        QVERIFY(!QFile::exists(file("out.pdf")));
        QVERIFY(!QFile::exists(m_env->workingFile()));  // never created by a report run
    }

    void unwritableTarget() {
        sampleBook();
        const QString target = file("missing/folder/out.pdf");
        const Run run = quarrydesk({"--report", "Orders by Customer", "--pdf", target});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("missing/folder/out.pdf"), qPrintable(run.err));
    }

    // "-" is standard output: the same rows a file gets, and a whole PDF.
    void standardOutput() {
        sampleBook();
        const QStringList report{"--report", "Total Price of Each Order Detail"};
        const Run toFile = quarrydesk(report + QStringList{"--csv", file("rows.csv")});
        QCOMPARE(toFile.exitCode, 0);
        QFile written(file("rows.csv"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray rows = written.readAll();
        QVERIFY(rows.count("\r\n") == 5);

        QProcess p;
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quarrydesk"),
                report + QStringList{"--csv", "-"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), rows);
        QVERIFY(!QFile::exists(m_env->root() + "/-"));

        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quarrydesk"),
                report + QStringList{"--pdf=-"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray pdf = p.readAllStandardOutput();
        QVERIFY(pdf.startsWith("%PDF-"));
        QVERIFY(pdf.trimmed().endsWith("%%EOF"));

        const Run both = quarrydesk(report + QStringList{"--csv", "-", "--pdf", "-"});
        QCOMPARE(both.exitCode, 2);
        QVERIFY2(both.err.contains("name the same file"), qPrintable(both.err));
    }

    // A link is followed: its target gets the report and the link stays a link, also when
    // the target does not exist yet; two links to one file are one file.
    void throughSymbolicLink() {
        sampleBook();
        QFile::remove(file("target.csv"));
        QFile::remove(file("link.csv"));
        QFile::remove(file("dangling.csv"));
        QDir(m_env->root()).mkpath(QStringLiteral("reports"));
        QFile old(file("target.csv"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("last week\n");
        old.close();
        QVERIFY(QFile::link(QStringLiteral("target.csv"), file("link.csv")));
        QVERIFY(QFile::link(QStringLiteral("reports/new.csv"), file("dangling.csv")));

        const QStringList report{"--report", "Orders by Customer"};
        QCOMPARE(quarrydesk(report + QStringList{"--csv", file("link.csv")}).exitCode, 0);
        QVERIFY(QFileInfo(file("link.csv")).isSymLink());
        QFile target(file("target.csv"));
        QVERIFY(target.open(QIODevice::ReadOnly));
        QVERIFY(target.readAll().startsWith("Company Name,"));

        QCOMPARE(quarrydesk(report + QStringList{"--csv", file("dangling.csv")}).exitCode, 0);
        QVERIFY(QFileInfo(file("dangling.csv")).isSymLink());
        QVERIFY(QFileInfo(file("reports/new.csv")).isFile());
        QVERIFY(QFileInfo(file("reports/new.csv")).size() > 0);

        const Run same = quarrydesk(report + QStringList{"--csv", file("link.csv"), "--pdf",
                                                         file("target.csv")});
        QCOMPARE(same.exitCode, 2);
        QVERIFY2(same.err.contains("name the same file"), qPrintable(same.err));
    }

    // A FIFO is written into, not replaced by a regular file.
    void intoFifo() {
        sampleBook();
        const QString fifo = file("pipe.csv");
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QByteArray received;
        std::thread reader([&] {
            QFile in(fifo);
            if (in.open(QIODevice::ReadOnly)) received = in.readAll();
        });
        const Run run = quarrydesk({"--report", "Total Price of Orders", "--csv", fifo});
        // Should the program never have opened the FIFO, the reader is released here.
        const int release = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (release >= 0) ::close(release);
        reader.join();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(received.startsWith("Company Name,"), received.constData());
        QCOMPARE(received.count("\r\n"), 4);
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    // The stored options apply to the PDF (the euro sign after the number, with grouping);
    // the rows are plain numbers a spreadsheet reads in any locale.
    void pdfAndCsvWithStoredCurrency() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        sampleBook();
        QFile::remove(m_env->settingsFile());
        qd::SaveSetting(qd::kSettingsApp, qd::kSettingsSection, "Currency", "3");
        qd::SaveSetting(qd::kSettingsApp, qd::kSettingsSection, "Option1", "False");
        qd::SaveSetting(qd::kSettingsApp, qd::kSettingsSection, "Option2", "True");
        const Run run = quarrydesk({"--report", "Total Price of Each Order Detail", "--pdf",
                                    file("week.pdf"), "--csv=" + file("week.csv")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty() || !run.err.contains("quarrydesk:"), qPrintable(run.err));
        const QString euro(QChar(0x20AC));

        QProcess p;
        p.start(pdftotext, {QStringLiteral("-layout"), file("week.pdf"), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& expected :
             {QStringLiteral("Total Price of Each Order Detail"), QStringLiteral("Sales Tax Rate"),
              "25.74" + euro, "33.00" + euro, "19.80" + euro, "1,234.50" + euro,
              "1,851.75" + euro, QStringLiteral("ZuruVoru Zave Riza")})
            QVERIFY2(text.contains(expected), qPrintable(expected + " in:\n" + text));
        // The document is titled as the report is, not by its layout's name.
        QProcess info;
        info.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {file("week.pdf")});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(info.readAllStandardOutput())
                     .contains(QRegularExpression(QStringLiteral("^Title: +Total Price of Each Order Detail$"),
                                                  QRegularExpression::MultilineOption)),
                 "the PDF's title");

        QFile csv(file("week.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QStringLiteral("Company Name,Total Price,Product Name,Order ID,Unit Price,"
                                          "Quantity,Subtotal,Discount,With Discount,Sales Tax Rate"));
        QVERIFY(lines.contains("ZuruVoru Zave Riza,25.74,Mug,1,11.00,3,33.00,0.4,19.80,0.3"));
        QVERIFY(lines.contains("Orrin Supplies,1851.75,Cup,3,1234.50,1,1234.50,0,1234.50,0.5"));
        QCOMPARE(lines[5], QString());
    }
};

int main(int argc, char** argv) {
    TestEnvironment env;
    QCoreApplication app(argc, argv);
    TestReportCli test(&env);
    return QTest::qExec(&test, argc, argv);
}

#include "test_report_cli.moc"
