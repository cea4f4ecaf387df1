// The shell's shared mechanisms: the error box and its resumption, the application title, and
// the settings store with the conversions its readers apply.

#include "app/apptitle.h"
#include "app/errortrap.h"
#include "app/settings.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QtTest>

using qd::Error;
using qd::ErrorTrap;

class TestApp : public QObject {
    Q_OBJECT
    ScriptedDialogs dialogs;

private slots:
    void init() {
        dialogs.shown.clear();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // The box's text, piece by piece, with its title, icon and single button.
    void errorBoxText() {
        ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("Form_Load"));
        QVERIFY(!trap(144, [] { throw Error(QStringLiteral("Could not find file 'x.mdb'.")); }));
        QCOMPARE(dialogs.shown.size(), 1);
        const Shown& box = dialogs.shown.first();
        QCOMPARE(box.text, QStringLiteral("Could not find file 'x.mdb'.\r\n"
                                          "in Marrowlist2021/08/31.Form1.Form_Load at line 144"
                                          "\r\rPlease email screenshot of this message to "
                                          "support@brisklane.example"));
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, qd::Icon::Exclamation);
        QCOMPARE(box.buttons, qd::Buttons::Ok);
    }

    // A failure goes on with the next statement; two failures show two boxes in order; a
    // failing If condition runs the statements inside the If; other exceptions are trapped too.
    void resumption() {
        ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("PushButton9_Click"));
        QStringList ran;
        trap(100, [&] { throw Error(QStringLiteral("first")); });
        trap(102, [&] { throw std::runtime_error("second"); });
        trap(104, [&] { ran << QStringLiteral("104"); });
        if (trap.test(106, [&]() -> bool { throw Error(QStringLiteral("condition")); }))
            trap(108, [&] { ran << QStringLiteral("108"); });
        if (trap.test(110, [] { return false; })) trap(112, [&] { ran << QStringLiteral("112"); });
        QCOMPARE(ran, (QStringList{QStringLiteral("104"), QStringLiteral("108")}));
        const QStringList texts = dialogs.messages();
        QCOMPARE(texts.size(), 3);
        QVERIFY(texts[0].startsWith(QLatin1String("first\r\nin Marrowlist2021/08/31.Form2."
                                                  "PushButton9_Click at line 100\r\r")));
        QVERIFY(texts[1].startsWith(QLatin1String("second\r\n")));
        QVERIFY(texts[1].contains(QLatin1String("at line 102\r\r")));
        QVERIFY(texts[2].contains(QLatin1String("at line 106\r\r")));
    }

    // An error in a handler the user started directly names what failed and why.
    void untrappedReport() {
        qd::reportUntrapped(QStringLiteral("The order's lines could not be shown."),
                            Error(QStringLiteral("disk I/O error")));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.contains(QLatin1String("could not be shown")));
        QVERIFY(dialogs.shown[0].text.contains(QLatin1String("disk I/O error")));
        QCOMPARE(dialogs.shown[0].icon, qd::Icon::Exclamation);
    }

    void applicationTitle_data() {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word stays whole") << "Quarrydesk" << "Quarrydesk";
        QTest::newRow("last word dropped") << "Quarrydesk Order Register" << "Quarrydesk Order";
        QTest::newRow("long names shortened to 40")
            << "Brisklane Quarrydesk Order Register For Small Trading Houses Edition"
            << "Brisklane Quarrydesk Order Register For";
    }
    void applicationTitle() {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(qd::applicationTitleFor(product), title);
        QVERIFY(qd::applicationTitleFor(product).size() <= 40 || !product.contains(u' '));
    }

    // Missing keys read as their defaults; saved values replace them and survive a new store
    // object; everything lives under one application and section in the user's INI file.
    void settingsStore() {
        using namespace qd;
        QCOMPARE(GetSetting(kSettingsApp, kSettingsSection, QStringLiteral("Report"),
                            QStringLiteral("0")),
                 QStringLiteral("0"));
        SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("Report"), QStringLiteral("2"));
        SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("Report"), QStringLiteral("1"));
        QCOMPARE(GetSetting(kSettingsApp, kSettingsSection, QStringLiteral("Report"),
                            QStringLiteral("0")),
                 QStringLiteral("1"));
        // Symbols with separators and text with commas are kept as typed.
        const QString list = QStringLiteral("$;;;\u00a3;;;\u00a5;;;\u20ac;;;CHF, Fr.");
        SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("CurrList"), list);
        QCOMPARE(GetSetting(kSettingsApp, kSettingsSection, QStringLiteral("CurrList")), list);
        QSettings file(env.settingsFile(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Quarrydesk/Report")).toString(), QStringLiteral("1"));
    }

    // A lock left empty by a program killed while writing the settings (two seconds ago, so
    // the toolkit itself would wait another 28 s) is taken over at once; the next write is
    // stored.
    void staleSettingsLock() {
        const QString file =
            QSettings(QSettings::IniFormat, QSettings::UserScope, qd::kSettingsApp).fileName();
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile lock(file + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-2),
                                 QFileDevice::FileModificationTime));
        lock.close();
        qd::clearStaleSettingsLock(qd::kSettingsApp);
        QVERIFY(!lock.exists());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-2),
                                 QFileDevice::FileModificationTime));
        lock.close();
        qd::SaveSetting(qd::kSettingsApp, qd::kSettingsSection, QStringLiteral("WindowState"),
                        QStringLiteral("2"));
        QVERIFY(!lock.exists());
        QCOMPARE(qd::GetSetting(qd::kSettingsApp, qd::kSettingsSection,
                                QStringLiteral("WindowState")),
                 QStringLiteral("2"));
    }

    void conversions() {
        using namespace qd;
        QCOMPARE(toSingle(QStringLiteral("1800")), 1800.0f);
        QCOMPARE(toSingle(QStringLiteral("1439.811")), 1439.811f);
        QCOMPARE(fromSingle(1439.811f), QStringLiteral("1439.811"));
        QCOMPARE(fromSingle(1800.0f), QStringLiteral("1800"));
        QCOMPARE(fromSingle(-0.5f), QStringLiteral("-0.5"));
        QCOMPARE(toInteger16(QStringLiteral("2")), short(2));
        QCOMPARE(toBoolean(QStringLiteral("True")), true);
        QCOMPARE(toBoolean(QStringLiteral("False")), false);
        QCOMPARE(toBoolean(QStringLiteral("1")), true);
        QCOMPARE(toBoolean(QStringLiteral("0")), false);
        QCOMPARE(toBoolean(QStringLiteral("-1")), true);
        QCOMPARE(fromBoolean(true), QStringLiteral("True"));
        // Text edited by hand into something else is a type error, not a silent zero.
        QVERIFY_THROWS_EXCEPTION(Error, toSingle(QStringLiteral("wide")));
        QVERIFY_THROWS_EXCEPTION(Error, toInteger16(QStringLiteral("")));
        QVERIFY_THROWS_EXCEPTION(Error, toBoolean(QStringLiteral("maybe")));
        QVERIFY_THROWS_EXCEPTION(Error, toInteger16(QStringLiteral("40000")));
    }

    // Widths are written and read with the regional decimal separator.
    void conversionsWithDecimalComma() {
        using namespace qd;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(fromSingle(1439.811f), QStringLiteral("1439,811"));
        QCOMPARE(toSingle(QStringLiteral("1439,811")), 1439.811f);
        QCOMPARE(fromSingle(toSingle(fromSingle(2000.25f))), QStringLiteral("2000,25"));
    }

private:
    TestEnvironment env;
};

QTEST_GUILESS_MAIN(TestApp)
#include "test_app.moc"
