// The regional short date and dates as the user types them.

#include <QtTest>

#include "text/textconv.h"

#include <cmath>
#include <limits>

using namespace qd::text;

// Runs each data row under the locale named in its "locale" column, set as the default
// locale so that the functions' default argument is what is exercised.
class TestDates : public QObject {
    Q_OBJECT

private:
    QLocale m_saved;

    static void useLocale(const QString& name) { QLocale::setDefault(QLocale(name)); }

private slots:
    void initTestCase() { m_saved = QLocale(); }
    void cleanup() { QLocale::setDefault(m_saved); }

    void shortDate_data();
    void shortDate();
    void parseDate_data();
    void parseDate();
    void shortDateRoundTrip_data();
    void shortDateRoundTrip();
};

void TestDates::shortDate_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");

    QTest::newRow("us") << "en_US" << QDate(2026, 12, 8) << "12/8/2026";
    QTest::newRow("us march") << "en_US" << QDate(2026, 3, 7) << "3/7/2026";
    QTest::newRow("us 1999") << "en_US" << QDate(1999, 1, 31) << "1/31/1999";
    QTest::newRow("de") << "de_DE" << QDate(2026, 12, 8) << "08.12.2026";
    QTest::newRow("de march") << "de_DE" << QDate(2026, 3, 7) << "07.03.2026";
    QTest::newRow("gb") << "en_GB" << QDate(2026, 12, 8) << "08/12/2026";
    QTest::newRow("jp") << "ja_JP" << QDate(2026, 12, 8) << "2026/12/08";
    QTest::newRow("invalid") << "en_US" << QDate() << "";
}

void TestDates::shortDate() {
    QFETCH(QString, locale);
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    useLocale(locale);
    QCOMPARE(qd::text::shortDate(date), expected);
    QCOMPARE(qd::text::shortDate(date, QLocale(locale)), expected);
}

void TestDates::parseDate_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");  // invalid: no date

    const QDateTime dec8(QDate(2026, 12, 8), QTime(0, 0));
    const QDateTime mar7(QDate(2026, 3, 7), QTime(0, 0));
    QTest::newRow("us") << "en_US" << "12/8/2026" << dec8;
    QTest::newRow("us two digits") << "en_US" << "03/07/2026" << mar7;
    QTest::newRow("us dashes") << "en_US" << "3-7-2026" << mar7;
    QTest::newRow("us points") << "en_US" << "3.7.2026" << mar7;
    QTest::newRow("us blanks") << "en_US" << " 3 7 2026 " << mar7;
    QTest::newRow("us year 26") << "en_US" << "3/7/26" << mar7;
    QTest::newRow("us year 29") << "en_US" << "3/7/29" << QDateTime(QDate(2029, 3, 7), QTime(0, 0));
    QTest::newRow("us year 30") << "en_US" << "3/7/30" << QDateTime(QDate(1930, 3, 7), QTime(0, 0));
    QTest::newRow("us year 99") << "en_US" << "3/7/99" << QDateTime(QDate(1999, 3, 7), QTime(0, 0));
    QTest::newRow("us year 00") << "en_US" << "3/7/00" << QDateTime(QDate(2000, 3, 7), QTime(0, 0));
    QTest::newRow("us time") << "en_US" << "3/7/2026 14:05"
                             << QDateTime(QDate(2026, 3, 7), QTime(14, 5));
    QTest::newRow("us time seconds") << "en_US" << "3/7/2026 9:05:30"
                                     << QDateTime(QDate(2026, 3, 7), QTime(9, 5, 30));
    QTest::newRow("us iso") << "en_US" << "2026-03-07" << mar7;
    QTest::newRow("us iso time") << "en_US" << "2026-03-07 08:30:15"
                                 << QDateTime(QDate(2026, 3, 7), QTime(8, 30, 15));
    QTest::newRow("us bad month") << "en_US" << "13/7/2026" << QDateTime();
    QTest::newRow("us bad day") << "en_US" << "2/30/2026" << QDateTime();
    QTest::newRow("us empty") << "en_US" << "" << QDateTime();
    QTest::newRow("us text") << "en_US" << "tomorrow" << QDateTime();
    QTest::newRow("us two parts") << "en_US" << "3/7" << QDateTime();
    QTest::newRow("us three-digit year") << "en_US" << "3/7/202" << QDateTime();
    QTest::newRow("us trailing junk") << "en_US" << "3/7/2026x" << QDateTime();
    QTest::newRow("us bad time") << "en_US" << "3/7/2026 25:00" << QDateTime();
    QTest::newRow("us double separator") << "en_US" << "3//7/2026" << QDateTime();
    QTest::newRow("de") << "de_DE" << "08.12.2026" << dec8;
    QTest::newRow("de short") << "de_DE" << "8.12.26" << dec8;
    QTest::newRow("de slashes") << "de_DE" << "7/3/2026" << mar7;
    QTest::newRow("de time") << "de_DE" << "07.03.2026 23:59:59"
                             << QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59));
    QTest::newRow("de iso") << "de_DE" << "2026-12-08" << dec8;
    QTest::newRow("de us order invalid") << "de_DE" << "12/31/2026" << QDateTime();
    QTest::newRow("gb") << "en_GB" << "08/12/2026" << dec8;
    QTest::newRow("gb short") << "en_GB" << "7/3/26" << mar7;
    QTest::newRow("jp") << "ja_JP" << "2026/12/08" << dec8;
    QTest::newRow("jp short year") << "ja_JP" << "26/3/7" << mar7;
    QTest::newRow("jp iso") << "ja_JP" << "2026-03-07" << mar7;
}

void TestDates::parseDate() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    useLocale(locale);
    const QDateTime parsed = qd::text::parseDate(text);
    QCOMPARE(parsed.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(parsed.date(), expected.date());
        QCOMPARE(parsed.time(), expected.time());
    }
    QCOMPARE(qd::text::parseDate(text, QLocale(locale)).isValid(), expected.isValid());
}

void TestDates::shortDateRoundTrip_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"en_US", "de_DE", "en_GB", "ja_JP", "fr_FR", "hu_HU", "bg_BG", "ar_EG", "C"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestDates::shortDateRoundTrip() {
    QFETCH(QString, locale);
    useLocale(locale);
    const QDate dates[] = {QDate(2026, 12, 8), QDate(2026, 3, 7), QDate(1999, 1, 31),
                           QDate(2000, 2, 29), QDate(1930, 10, 1), QDate(2029, 6, 15)};
    for (const QDate& d : dates) {
        const QString text = qd::text::shortDate(d);
        QVERIFY2(text.contains(QString::number(d.year())), qPrintable(text));
        const QDateTime back = qd::text::parseDate(text);
        QVERIFY2(back.isValid(), qPrintable(text));
        QCOMPARE(back.date(), d);
        QCOMPARE(back.time(), QTime(0, 0));
        // With a time after it, as generalText writes date-times.
        const QDateTime withTime = qd::text::parseDate(text + QStringLiteral(" 13:45:10"));
        QVERIFY2(withTime.isValid(), qPrintable(text));
        QCOMPARE(withTime.time(), QTime(13, 45, 10));
    }
}

QTEST_GUILESS_MAIN(TestDates)
#include "test_dates.moc"
