// The caches that format each distinct date and number of a long list once: the same texts as
// formatting every value, and no old text after the regional settings change.

#include <QtTest>

#include "text/textcache.h"
#include "text/textconv.h"

#include <random>

using namespace qd::text;

class TestTextCache : public QObject {
    Q_OBJECT

private slots:
    // Each distinct value is formatted once and gives what the format function gives.
    void sameTextsAsFormattingEach() {
        const QLocale us(QStringLiteral("en_US"));
        DateTexts dates(us);
        NumberTexts rates(QStringLiteral("0.00%"), us);
        std::mt19937 random(7);
        const QDate first(2019, 1, 1);
        for (int i = 0; i < 2000; ++i) {
            const QDate day = first.addDays(random() % 400);
            QCOMPARE(dates.text(day.toJulianDay()), shortDate(day, us));
            const double rate = (random() % 50) / 400.0;
            QCOMPARE(rates.text(rate), formatNumber(rate, QStringLiteral("0.00%"), us));
        }
        QVERIFY(dates.size() <= 400);
        QVERIFY(rates.size() <= 50);
        QCOMPARE(rates.text(0.0725), QStringLiteral("7.25%"));
        QCOMPARE(rates.text(-0.0), formatNumber(-0.0, QStringLiteral("0.00%"), us));
        QCOMPARE(NumberTexts(QString(), us).text(8.25), QStringLiteral("8.25"));
    }

    // Another locale empties the cache; the same one keeps it.
    void localeChange() {
        const QLocale us(QStringLiteral("en_US")), de(QStringLiteral("de_DE"));
        const qint64 day = QDate(2026, 3, 7).toJulianDay();
        DateTexts dates(us);
        NumberTexts money(QStringLiteral("#,##0.00"), us);
        QCOMPARE(dates.text(day), QStringLiteral("3/7/2026"));
        QCOMPARE(money.text(1234.5), QStringLiteral("1,234.50"));
        dates.useLocale(QLocale(QStringLiteral("en_US")));
        money.useLocale(us);
        QCOMPARE(dates.size(), std::size_t(1));
        QCOMPARE(money.size(), std::size_t(1));
        dates.useLocale(de);
        money.useLocale(de);
        QCOMPARE(dates.size(), std::size_t(0));
        QCOMPARE(dates.text(day), QStringLiteral("07.03.2026"));
        QCOMPARE(money.text(1234.5), QStringLiteral("1.234,50"));

        // Through a format text: the locale's month names, forgotten with the locale.
        DateTexts named(us, QStringLiteral("d mmmm yyyy"));
        QCOMPARE(named.text(day), QStringLiteral("7 March 2026"));
        QCOMPARE(named.text(day), formatDate(QDate(2026, 3, 7), QTime(0, 0), QStringLiteral("d mmmm yyyy"), us));
        named.useLocale(de);
        QCOMPARE(named.size(), std::size_t(0));
        QCOMPARE(named.text(day), QStringLiteral("7 März 2026"));
    }

    void isoDays_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDate>("day");  // invalid: not read
        QTest::newRow("date") << QByteArray("2026-03-07") << QDate(2026, 3, 7);
        QTest::newRow("with a time") << QByteArray("2026-03-07 23:59:59") << QDate(2026, 3, 7);
        QTest::newRow("midnight") << QByteArray("1999-12-31 00:00:00") << QDate(1999, 12, 31);
        QTest::newRow("leap day") << QByteArray("2024-02-29") << QDate(2024, 2, 29);
        QTest::newRow("no such day") << QByteArray("2026-02-29") << QDate();
        QTest::newRow("no such hour") << QByteArray("2026-03-07 24:00:00") << QDate();
        QTest::newRow("short parts") << QByteArray("2026-3-7") << QDate();
        QTest::newRow("other separator") << QByteArray("2026/03/07") << QDate();
        QTest::newRow("T before the time") << QByteArray("2026-03-07T10:00:00") << QDate();
        QTest::newRow("minutes only") << QByteArray("2026-03-07 10:00") << QDate();
        QTest::newRow("year 0") << QByteArray("0000-01-01") << QDate();
        QTest::newRow("empty") << QByteArray() << QDate();
    }
    void isoDays() {
        QFETCH(QByteArray, text);
        QFETCH(QDate, day);
        qint64 julian = -1;
        QCOMPARE(isoDay(text, julian), day.isValid());
        if (day.isValid()) QCOMPARE(julian, day.toJulianDay());
    }
};

QTEST_GUILESS_MAIN(TestTextCache)
#include "test_textcache.moc"
