// The main window's start-up over an order book that is damaged, foreign, cut short or empty
// of tables: one clear message, the file left as it was, nothing saved; and with a good backup
// at hand, the offer to restore it.

#include "app/appconnection.h"
#include "app/backups.h"
#include "app/booksession.h"
#include "support/books.h"
#include "support/scripteddialogs.h"
#include "support/testenv.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/main/form1.h"

#include <QDir>
#include <QtTest>

#include <memory>

using qd::ui::Form1;

namespace {
TestEnvironment* env = nullptr;
}  // namespace

class TestBookStart : public QObject {
    Q_OBJECT
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    // Starts as the program does and lets the background check of the pages end.
    void start() {
        form = std::make_unique<Form1>();
        form->setEndsProgramOnUnload(false);
        form->Form_Load();
        if (qd::AppBookSession()) qd::AppBookSession()->waitForChecks();
        QCoreApplication::sendPostedEvents();  // the window hears of the damage
        form->ListView1->listModel()->flush();
    }
    void spoil(const QString& how) {
        books::make(env->workingFile(), 2000);
        if (how == "zeroed page") books::zeroLastLinePage(env->workingFile());
        if (how == "truncated") books::truncate(env->workingFile(), 0.6);
        if (how == "foreign") books::foreign(env->workingFile());
        if (how == "schema-less") books::schemaless(env->workingFile());
    }

private slots:
    void init() {
        dialogs.shown.clear();
        dialogs.answers.clear();
        env->reset();
        QDir().mkpath(env->dataFolder());
    }
    void cleanup() {
        if (form) form->close();
        form.reset();
        QVERIFY2(dialogs.unexpected.isEmpty(), qPrintable(dialogs.unexpected.join(" | ")));
    }

    void spoiltBook_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("orders");  // what the list still shows
        QTest::newRow("zeroed page") << "zeroed page" << "is damaged" << 2000;
        QTest::newRow("truncated") << "truncated" << "is damaged" << 0;
        QTest::newRow("foreign") << "foreign" << "is not a Quarrydesk order book" << 0;
        QTest::newRow("schema-less") << "schema-less" << "is not a complete Quarrydesk order book" << 0;
    }
    // One message that names the file, says what is wrong and what to do; the file is not
    // changed, by the start nor by a press that would write; no backup is taken of it.
    void spoiltBook() {
        QFETCH(QString, how);
        QFETCH(QString, told);
        QFETCH(int, orders);
        spoil(how);
        const QByteArray before = books::fileHash(env->workingFile());
        start();
        const QStringList messages = dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(told) && messages[0].contains(env->workingFile()) &&
                     messages[0].contains("nothing can be saved") &&
                     messages[0].contains("restore a backup"),
                 qPrintable(messages[0]));
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::Ok);  // no backup to offer
        QCOMPARE(form->ListView1->count(), orders);

        form->PushButton4_Click();  // sample data: refused, once
        QCOMPARE(dialogs.messages().size(), 2);
        QVERIFY(dialogs.messages()[1].contains("Form1.PushButton4_Click"));
        QCOMPARE(form->ListView1->count(), orders);
        form->close();
        form.reset();
        QCOMPARE(books::fileHash(env->workingFile()), before);
        QVERIFY(!QDir(env->dataFolder() + "/backups").exists());
    }

    // With a good backup beside the book the message offers it; No keeps the damaged book
    // open read-only, Yes puts the backup in its place and keeps the damaged file.
    void offerToRestore() {
        const QString backup = qd::dailyBackupPath(env->workingFile(), QDate(2026, 3, 1));
        QDir().mkpath(QFileInfo(backup).absolutePath());
        books::make(backup, 7);
        spoil("foreign");
        const QByteArray foreign = books::fileHash(env->workingFile());

        dialogs.answers << qd::Answer::No;
        start();
        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(dialogs.shown[0].buttons, qd::Buttons::YesNo);
        QVERIFY2(dialogs.messages()[0].contains("Restore the newest good backup, '" + backup + "', now?"),
                 qPrintable(dialogs.messages()[0]));
        form->close();
        QCOMPARE(books::fileHash(env->workingFile()), foreign);

        dialogs.shown.clear();
        dialogs.answers << qd::Answer::Yes;
        start();
        QCOMPARE(form->ListView1->count(), 7);
        const QStringList messages = dialogs.messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[1].startsWith("The order book is now the backup"), qPrintable(messages[1]));
        QVERIFY(!qd::AppBookSession()->refused());
        QVERIFY(qd::AppBookSession()->problem().isEmpty());
        const QString kept = qd::backupsNewestFirst(env->workingFile()).first();
        QVERIFY(messages[1].contains(kept));
        QCOMPARE(books::fileHash(kept), foreign);
        form->PushButton4_Click();  // the restored book takes writes again
        QCOMPARE(dialogs.messages().size(), 2);
        QCOMPARE(form->ListView1->count(), 10);
    }

    // Damage the background check finds while the user works is told once, with the offer.
    void damageFoundAfterTheWindowShows() {
        const QString backup = qd::dailyBackupPath(env->workingFile(), QDate(2026, 3, 1));
        QDir().mkpath(QFileInfo(backup).absolutePath());
        books::make(backup, 7);
        spoil("zeroed page");
        dialogs.answers << qd::Answer::Yes;
        start();
        QCOMPARE(dialogs.messages().size(), 2);
        QVERIFY(dialogs.messages()[0].contains("is damaged"));
        QCOMPARE(form->ListView1->count(), 7);
    }
};

int main(int argc, char** argv) {
    TestEnvironment environment;
    env = &environment;
    QApplication app(argc, argv);
    TestBookStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_bookstart.moc"
