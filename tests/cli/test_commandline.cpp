// How the program reads its arguments: which work they ask for, and the first fault in them
// told in the program's own words, whatever the parser underneath says.

#include "cli/commandline.h"
#include "cli/options.h"

#include <QGuiApplication>
#include <QtTest>

#include <vector>

namespace {

using qd::cli::Options;

// The command and every value given, as one line to compare.
QString described(const Options& o) {
    static const char* const commands[] = {"Window", "Help", "Version", "Report", "Backup",
                                           "Restore", "InitBook", "CopyBook", "ExportOrders",
                                           "ImportOrders"};
    QStringList parts{QLatin1String(commands[int(o.command)])};
    const std::pair<const char*, const std::optional<QString>*> values[] = {
        {"book", &o.book}, {"report", &o.report}, {"order", &o.order}, {"pdf", &o.pdf},
        {"csv", &o.csv},   {"file", &o.file},     {"server", &o.server}, {"from", &o.from}};
    for (const auto& [name, value] : values)
        if (*value) parts << QLatin1String(name) + u'=' + **value;
    if (!o.to.isEmpty()) parts << QStringLiteral("to=") + o.to;
    if (o.forgetBook) parts << QStringLiteral("forget");
    if (o.dryRun) parts << QStringLiteral("dry");
    if (o.orderId) parts << QStringLiteral("id=%1").arg(o.orderId);
    return parts.join(u' ');
}

}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");  // described options, or the fault
        const QString backupFault = "--backup needs one FILE and goes with nothing but --book BOOK";
        const std::vector<std::pair<QStringList, QString>> cases = {
            {{"--book", "x.mdb"}, "Window book=x.mdb"},
            {{"--forget-book"}, "Window forget"},
            {{"--copy-book", "a", "b"}, "CopyBook from=a to=b"},
            {{"--report=Order", "--order", "3", "--csv", "-"}, "Report report=Order order=3 csv=- id=3"},
            {{"--book=s", "--import-orders", "-", "--dry-run"}, "ImportOrders book=s file=- dry"},
            {{"--book", "b", "--restore", "f"}, "Restore book=b file=f"},
            {{"--style", "fusion", "--version"}, "Version"},
            {{"--bogus=1", "-h"}, "unknown argument '--bogus=1'"},
            {{"-h", "--bogus"}, "Help"},
            {{"--pdf", "a", "--pdf", "b", "--help"}, "--pdf is given twice"},
            {{"--help", "--pdf", "a", "--pdf", "b"}, "Help"},
            {{"--report", "Orders by Customer", "--csv", "a", "stray"}, "unknown argument 'stray'"},
            {{"--"}, "unknown argument '--'"},
            {{"--forget-book=yes"}, "unknown argument '--forget-book=yes'"},
            {{"--csv", "a", "--report"}, "--report needs a value"},
            {{"--report", "Orders by Customer", "--csv="}, "--csv needs a value"},
            {{"--copy-book", "a"}, "--copy-book needs FROM and TO"},
            {{"--copy-book"}, "--copy-book needs FROM and TO"},
            {{"b", "--copy-book", "a"}, "unknown argument 'b'"},
            {{"--copy-book", "a", "b", "c"}, "unknown argument 'c'"},
            {{"--copy-book", "a", "b", "--book", "c"},
             "--report, --init-book, --copy-book, --export-orders and --import-orders go alone"},
            {{"--dry-run"}, "--dry-run goes with --import-orders"},
            {{"--forget-book", "--export-orders", "f"}, "--forget-book does not go with --export-orders"},
            {{"--book", "a", "--forget-book"}, "--book and --forget-book contradict each other"},
            {{"--backup"}, backupFault},
            {{"--backup", "a", "--report", "x"}, backupFault},
            {{"--backup", "a", "--backup", "b"}, backupFault},
            {{"--restore", "a", "b"}, QString(backupFault).replace("--backup", "--restore")},
            {{"--order", "1", "--pdf", "a"}, "--pdf and --csv need --report NAME"},
            {{"--report", "Order", "--order", "0", "--pdf", "a"},
             "--order needs an order number, not '0'"},
        };
        for (const auto& [args, expected] : cases)
            QTest::newRow(qPrintable(args.join(u' '))) << QStringList{"quarrydesk"} + args << expected;
    }
    void read() {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const auto read = qd::cli::readOptions(args);
        if (const auto* fault = std::get_if<qd::cli::UsageError>(&read))
            QCOMPARE(fault->message, expected);
        else
            QCOMPARE(described(std::get<Options>(read)), expected);
    }

    // Only choosing the book, and the toolkit's own options, leave the window to open (and so
    // need a display); anything else is work, or a fault, told without one.
    void withoutWindow_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withoutWindow");
        QTest::newRow("none") << QStringList{} << false;
        QTest::newRow("book") << QStringList{"--book", "--report"} << false;
        QTest::newRow("book=") << QStringList{"--book=x.mdb", "--forget-book"} << false;
        QTest::newRow("toolkit") << QStringList{"-style", "fusion", "--platform=xcb"} << false;
        QTest::newRow("-h") << QStringList{"-h"} << true;
        QTest::newRow("single dash") << QStringList{"-report", "x"} << true;
        QTest::newRow("switch with value") << QStringList{"--forget-book=x"} << true;
        QTest::newRow("copy") << QStringList{"--copy-book", "a", "b"} << true;
        QTest::newRow("unknown") << QStringList{"--book", "x", "--bogus"} << true;
    }
    void withoutWindow() {
        QFETCH(QStringList, args);
        QFETCH(bool, withoutWindow);
        std::vector<QByteArray> bytes{"quarrydesk"};
        for (const QString& a : args) bytes.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& b : bytes) argv.push_back(b.data());
        QCOMPARE(qd::cli::isCommandLineRun(int(argv.size()), argv.data()), withoutWindow);
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestCommandLine test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_commandline.moc"
