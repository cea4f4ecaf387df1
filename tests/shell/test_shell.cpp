// The shell around the windows: the start-up check of the data layer with its repair offer,
// starting and waiting for a program, the companion files, colours and the pointer rule.

#include "app/systemcheck.h"
#include "app/appconnection.h"
#include "app/folders.h"
#include "app/program.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/controls/listview.h"
#include "ui/controls/lookandfeel.h"
#include "ui/main/form1.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using qd::ui::Form1;

namespace {

struct Ended {
    int code;
};

const QString kRepairQuestion = QStringLiteral(
    "Error #193: ADO is not properly installed on this computer. \r\nYou need to have it "
    "installed to use this software without error.\r\n\r\nWould you like to repair it now?");
const QString kStopQuestion = QStringLiteral(
    "ADO is fixed on this computer. \r\nYou need to restart your computer and software.\r\n\r\n"
    "Would you like to stop software now?");

QStringList recorded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void installStandIn(const QString& folder, const QString& name) {
    QFile::remove(folder + u'/' + name);
    QVERIFY(QFile::copy(QStringLiteral(QD_STANDIN), folder + u'/' + name));
    QFile::setPermissions(folder + u'/' + name,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class TestShell : public QObject {
    Q_OBJECT
    TestEnvironment env;
    ScriptedDialogs dialogs;
    QTemporaryDir appFolder;  // stands for the program's own folder
    QString record;

private slots:
    void initTestCase() {
        qd::setEndProgramHandler([](int code) { throw Ended{code}; });
        record = appFolder.filePath(QStringLiteral("record.txt"));
        qputenv("QD_STANDIN_RECORD", QFile::encodeName(record));
    }
    void init() {
        dialogs.shown.clear();
        dialogs.answers.clear();
        QFile::remove(record);
        qunsetenv("QD_STANDIN_EXIT");
        qunsetenv("QD_STANDIN_SLEEP_MS");
        for (const char* name : {"ADOFix64.msu", "ADOFix86.msu"})
            QFile::remove(appFolder.filePath(QLatin1String(name)));
        qd::setApplicationPath(appFolder.path());
        qd::setDataObjectsCheck([] { return false; });
        qd::setAddressWidthSource({});
    }
    void cleanup() {
        qd::setApplicationPath(QString());
        qd::setDataObjectsCheck({});
        qd::AppConnectionObject().reset();
        QVERIFY2(dialogs.unexpected.isEmpty(), qPrintable(dialogs.unexpected.join(u'|')));
    }

    // On a working machine the check says nothing.
    void checkPassesSilently() {
        qd::setDataObjectsCheck({});
        QVERIFY(qd::dataObjectsAvailable());
        Form1 form;
        form.IsADOInstalled();
        QCOMPARE(dialogs.shown.size(), 0);
    }

    // Declining the repair points to the library and the support address, then start-up goes on.
    void declineRepair() {
        dialogs.answers << qd::Answer::No;
        Form1 form;
        form.IsADOInstalled();
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].text, kRepairQuestion);
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::YesNo);
        QCOMPARE(dialogs.shown[0].icon, qd::Icon::None);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Quarrydesk"));
        const QString advice = dialogs.shown[1].text;
        QVERIFY(advice.startsWith("Please check for MDAC installation.\r\n\r\nPlease check this: https://"));
        QVERIFY(advice.contains(" and look for 'How to obtain this update' section and download the "
                                "appropriate update.\r\n\r\nPlease email support@brisklane.example "
                                "with a screenshot of this message if you have any questions."));
        QCOMPARE(dialogs.shown[1].buttons, qd::Buttons::Ok);
    }

    void packageByAddressWidth_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("package");
        QTest::newRow("64-bit") << "64" << "ADOFix64.msu";
        QTest::newRow("32-bit") << "32" << "ADOFix86.msu";
        QTest::newRow("unknown") << "" << "ADOFix86.msu";
    }
    // The package for the system's width runs hidden and is waited for; answering No to the
    // stop question lets start-up go on.
    void packageByAddressWidth() {
        QFETCH(QString, width);
        QFETCH(QString, package);
        installStandIn(appFolder.path(), package);
        qd::setAddressWidthSource([width] { return width; });
        dialogs.answers << qd::Answer::Yes << qd::Answer::No;
        Form1 form;
        form.IsADOInstalled();
        QCOMPARE(recorded(record), QStringList{"ran style=0"});
        QCOMPARE(dialogs.messages(), (QStringList{kRepairQuestion, kStopQuestion}));
    }

    // A width that cannot be read counts as 32-bit, like an empty answer.
    void failingWidthChoosesThe32BitPackage() {
        installStandIn(appFolder.path(), QStringLiteral("ADOFix86.msu"));
        qd::setAddressWidthSource([]() -> QString { throw std::runtime_error("no service"); });
        dialogs.answers << qd::Answer::Yes << qd::Answer::No;
        Form1 form;
        form.IsADOInstalled();
        QCOMPARE(recorded(record).size(), 1);
    }

    void missingPackageEndsQuietly() {
        installStandIn(appFolder.path(), QStringLiteral("ADOFix86.msu"));  // not the one chosen
        qd::setAddressWidthSource([] { return QStringLiteral("64"); });
        dialogs.answers << qd::Answer::Yes;
        Form1 form;
        form.IsADOInstalled();
        QCOMPARE(dialogs.messages(), QStringList{kRepairQuestion});
        QVERIFY(recorded(record).isEmpty());
    }

    // Yes to stopping ends the program inside the start-up, before the window gets its title
    // or the order book is opened.
    void stopNowEndsStartUp() {
        env.reset();
        installStandIn(appFolder.path(), QStringLiteral("ADOFix64.msu"));
        qd::setAddressWidthSource([] { return QStringLiteral("64"); });
        dialogs.answers << qd::Answer::Yes << qd::Answer::Yes;
        Form1 form;
        form.setEndsProgramOnUnload(false);
        bool ended = false;
        try {
            form.Form_Load();
        } catch (const Ended& e) {
            ended = true;
            QCOMPARE(e.code, 0);
        }
        QVERIFY(ended);
        QVERIFY(form.windowTitle().isEmpty());
        QVERIFY(!qd::AppConnectionObject());
        QCOMPARE(form.ListView1->columnCount(), 0);
    }

    // Styles outside 0 to 6 start the program minimised without focus; the exit code comes
    // back; events are handled while waiting.
    void runAndWait() {
        const QString program = appFolder.filePath(QStringLiteral("ADOFix64.msu"));
        installStandIn(appFolder.path(), QStringLiteral("ADOFix64.msu"));
        QCOMPARE(qd::RunAndWait(program, 9), 0);
        QCOMPARE(qd::RunAndWait(program, -1), 0);
        QCOMPARE(qd::RunAndWait(program), 0);
        QCOMPARE(qd::RunAndWait(program, 3), 0);
        QCOMPARE(recorded(record), (QStringList{"ran style=6", "ran style=6", "ran style=6",
                                                "ran style=3"}));
        qputenv("QD_STANDIN_EXIT", "17");
        qputenv("QD_STANDIN_SLEEP_MS", "400");
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(50);
        QCOMPARE(qd::RunAndWait(program, 0), 17);
        QVERIFY2(ticks >= 2, "events were not handled while waiting");
    }

    void runAndWaitStartFailures() {
        QCOMPARE(qd::RunAndWait(appFolder.filePath(QStringLiteral("missing.msu"))),
                 -2147221504 + 53);
        QCOMPARE(qd::RunAndWait(appFolder.filePath(QStringLiteral("none/missing.msu"))),
                 -2147221504 + 76);
        const QString plain = appFolder.filePath(QStringLiteral("plain.msu"));
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a program");
        file.close();
        QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(qd::RunAndWait(plain), -2147221504 + 70);
    }

    // The cursor built beside the program is a real cursor file with its hot spot at the tip of
    // the finger, and loads as a window's mouse icon there.
    void handCursorFile() {
        qd::setApplicationPath(QString());
        const QString path = qd::ui::handCursorPath();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(22);
        QCOMPARE(int(head[2]), 2);  // type: cursor
        QCOMPARE(int(head[4]), 1);  // one image
        QCOMPARE(int(uchar(head[6])), 32);
        QCOMPARE(int(uchar(head[7])), 32);
        const QPoint hot = qd::ui::cursorHotSpot(path);
        QCOMPARE(hot, QPoint(10, 1));
        const QImage image(path);
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(qAlpha(image.pixel(hot)) > 0);       // the tip itself is drawn
        QCOMPARE(qAlpha(image.pixel(hot.x(), 0)), 0);  // nothing above it
        QCOMPARE(qAlpha(image.pixel(31, 31)), 0);
        QWidget window;
        qd::ui::setMouseIcon(&window, path);
        QCOMPARE(qd::ui::mouseIcon(&window).hotSpot(), hot);
        QVERIFY(!qd::ui::applicationIcon().isNull());
        QCOMPARE(qd::ui::cursorHotSpot(qd::ApplicationPath() + "/quarrydesk.png"), QPoint(-1, -1));
    }

    // The skin colours the main window and its labels and frames; without the file the main
    // window stays white. The other windows are always coloured, text boxes never.
    void coloursWithAndWithoutSkin() {
        const QColor face = QApplication::palette().color(QPalette::Button);
        {
            Form1 plain;
            qd::ui::ApplySkin(&plain);
            QVERIFY(!plain.autoFillBackground());
            QVERIFY(plain.styleSheet().isEmpty());
        }
        QDir().mkpath(appFolder.filePath("x"));
        QFile skin(appFolder.filePath("x/o.cjs"));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("QPushButton { color: #123456; }");
        skin.close();
        Form1 skinned;
        qd::ui::ApplySkin(&skinned);
        QVERIFY(skinned.autoFillBackground());
        QCOMPARE(skinned.palette().color(QPalette::Window), face);
        QVERIFY(skinned.styleSheet().contains("#123456"));
        QFile::remove(appFolder.filePath("x/o.cjs"));

        QDialog window;
        auto* frame = new QGroupBox(&window);
        auto* label = new QLabel(frame);
        auto* box = new QLineEdit(frame);
        qd::ui::ApplyBackColors(&window);
        for (QWidget* w : {static_cast<QWidget*>(&window), static_cast<QWidget*>(frame),
                           static_cast<QWidget*>(label)}) {
            QVERIFY(w->autoFillBackground());
            QCOMPARE(w->palette().color(QPalette::Window), face);
        }
        QVERIFY(!box->autoFillBackground());
    }

    // The hand over buttons, the arrow over marked surfaces, unmarked ones leave the pointer
    // as it was, and the busy pointer is never replaced.
    void pointerRule() {
        qd::setApplicationPath(QString());
        QDialog window;
        auto* button = new QPushButton(&window);
        auto* frame = new QGroupBox(&window);
        auto* unmarked = new QLabel(&window);
        qd::ui::setHandOnHover(button);
        qd::ui::setDefaultOnHover(frame);
        qd::ui::setMouseIcon(&window, qd::ui::handCursorPath());
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(button, &enter);
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(window.cursor().hotSpot(), QPoint(10, 1));
        QCoreApplication::sendEvent(unmarked, &enter);
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);  // the hand stays
        QCoreApplication::sendEvent(frame, &enter);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        window.setCursor(Qt::WaitCursor);
        QCoreApplication::sendEvent(button, &enter);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        QCoreApplication::sendEvent(frame, &enter);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        // Without a loaded icon the hand is the system's.
        QDialog other;
        auto* otherButton = new QPushButton(&other);
        qd::ui::setHandOnHover(otherButton);
        QCoreApplication::sendEvent(otherButton, &enter);
        QCOMPARE(other.cursor().shape(), Qt::PointingHandCursor);
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
