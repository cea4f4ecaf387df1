// The format function: numbers and dates through format texts, values shown without one.

#include <QtTest>

#include "text/textconv.h"

#include <cmath>
#include <limits>

using namespace qd::text;

// Runs each data row under the locale named in its "locale" column, set as the default
// locale so that the functions' default argument is what is exercised.
class TestFormat : public QObject {
    Q_OBJECT

private:
    QLocale m_saved;

    static void useLocale(const QString& name) { QLocale::setDefault(QLocale(name)); }

private slots:
    void initTestCase() { m_saved = QLocale(); }
    void cleanup() { QLocale::setDefault(m_saved); }

    void formatNumber_data();
    void formatNumber();
    void nonFinite();
    void formatDate_data();
    void formatDate();
    void values_data();
    void values();
};

void TestFormat::formatNumber_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    const QString money = QStringLiteral("#,##0.00");
    // Rounding on the decimal digits, half away from zero.
    QTest::newRow("1.005") << "en_US" << 1.005 << money << "1.01";
    QTest::newRow("2.675") << "en_US" << 2.675 << money << "2.68";
    QTest::newRow("-2.675") << "en_US" << -2.675 << money << "-2.68";
    QTest::newRow("0.125 half up") << "en_US" << 0.125 << "0.00" << "0.13";
    QTest::newRow("-0.125 half away") << "en_US" << -0.125 << "0.00" << "-0.13";
    QTest::newRow("0.994999") << "en_US" << 0.994999 << "0.00" << "0.99";
    QTest::newRow("9.995 carry") << "en_US" << 9.995 << money << "10.00";
    QTest::newRow("999.995 carry group") << "en_US" << 999.995 << money << "1,000.00";
    QTest::newRow("zero") << "en_US" << 0.0 << money << "0.00";
    QTest::newRow("negative zero") << "en_US" << -0.0 << "0.00" << "0.00";
    QTest::newRow("-0.001 no sign") << "en_US" << -0.001 << "0.00" << "0.00";
    QTest::newRow("-0.004 money") << "en_US" << -0.004 << money << "0.00";
    QTest::newRow("-0.005 rounds away") << "en_US" << -0.005 << "0.00" << "-0.01";
    QTest::newRow("0.5 in 0") << "en_US" << 0.5 << "0" << "1";
    QTest::newRow("2.5 in 0") << "en_US" << 2.5 << "0" << "3";
    QTest::newRow("-2.5 in 0") << "en_US" << -2.5 << "0" << "-3";
    QTest::newRow("0.4 in 0") << "en_US" << 0.4 << "0" << "0";
    QTest::newRow("1234.5") << "en_US" << 1234.5 << money << "1,234.50";
    QTest::newRow("-1234.5") << "en_US" << -1234.5 << money << "-1,234.50";
    QTest::newRow("1234567.891") << "en_US" << 1234567.891 << money << "1,234,567.89";
    QTest::newRow("123456789.125") << "en_US" << 123456789.125 << money << "123,456,789.13";
    QTest::newRow("1e15") << "en_US" << 1e15 << money << "1,000,000,000,000,000.00";
    QTest::newRow("1e20 in 0") << "en_US" << 1e20 << "0" << "100000000000000000000";
    QTest::newRow("0.5 money") << "en_US" << 0.5 << money << "0.50";
    QTest::newRow("12 money") << "en_US" << 12.0 << money << "12.00";
    QTest::newRow("no grouping") << "en_US" << 1234.5 << "0.00" << "1234.50";
    QTest::newRow("hash fraction") << "en_US" << 1.5 << "0.0#" << "1.5";
    QTest::newRow("hash fraction full") << "en_US" << 1.25 << "0.0#" << "1.25";
    QTest::newRow("hash only zero") << "en_US" << 0.0 << "#" << "";
    QTest::newRow("leading hash") << "en_US" << 0.5 << "#.00" << ".50";
    QTest::newRow("padding zeros") << "en_US" << 7.0 << "000" << "007";
    QTest::newRow("de 1234.5") << "de_DE" << 1234.5 << money << "1.234,50";
    QTest::newRow("de 1234567.891") << "de_DE" << 1234567.891 << money << "1.234.567,89";
    QTest::newRow("de -2.675") << "de_DE" << -2.675 << money << "-2,68";
    QTest::newRow("de 0") << "de_DE" << 0.0 << money << "0,00";
    QTest::newRow("de 1.005") << "de_DE" << 1.005 << money << "1,01";

    // Percent shifts the decimal digits.
    QTest::newRow("0.0725%") << "en_US" << 0.0725 << "0.00%" << "7.25%";
    QTest::newRow("0.125%") << "en_US" << 0.125 << "0.00%" << "12.50%";
    QTest::newRow("0.3%") << "en_US" << 0.3 << "0.00%" << "30.00%";
    QTest::newRow("0.07%") << "en_US" << 0.07 << "0.00%" << "7.00%";
    QTest::newRow("0.05%") << "en_US" << 0.05 << "0.00%" << "5.00%";
    QTest::newRow("0.4 0%") << "en_US" << 0.4 << "0%" << "40%";
    QTest::newRow("0.125 0%") << "en_US" << 0.125 << "0%" << "13%";
    QTest::newRow("0 percent") << "en_US" << 0.0 << "0.00%" << "0.00%";
    QTest::newRow("-0.05 percent") << "en_US" << -0.05 << "0.00%" << "-5.00%";
    QTest::newRow("0.000049 percent") << "en_US" << 0.000049 << "0.00%" << "0.00%";
    QTest::newRow("0.00005 percent") << "en_US" << 0.00005 << "0.00%" << "0.01%";
    QTest::newRow("12.5 percent") << "en_US" << 12.5 << "0.00%" << "1250.00%";
    QTest::newRow("de 0.0725%") << "de_DE" << 0.0725 << "0.00%" << "7,25%";
    QTest::newRow("de 0.4 0%") << "de_DE" << 0.4 << "0%" << "40%";

    // Currency symbols joined as typed, or quoted.
    QTest::newRow("$ before") << "en_US" << 1234.5 << "$#,##0.00" << "$1,234.50";
    QTest::newRow("$ before negative") << "en_US" << -5.0 << "$#,##0.00" << "-$5.00";
    QTest::newRow("euro after") << "en_US" << 1234.5 << QString::fromUtf8("#,##0.00€")
                                << QString::fromUtf8("1,234.50€");
    QTest::newRow("CHF before") << "en_US" << 12.0 << "CHF#,##0.00" << "CHF12.00";
    QTest::newRow("CHF after") << "en_US" << 12.0 << "#,##0.00CHF" << "12.00CHF";
    QTest::newRow("quoted $") << "en_US" << 3.0 << "\"$\"#,##0.00" << "$3.00";
    QTest::newRow("escaped $") << "en_US" << 3.0 << "\\$#,##0.00" << "$3.00";
    QTest::newRow("pound before") << "en_US" << 2.5 << QString::fromUtf8("£#,##0.00")
                                  << QString::fromUtf8("£2.50");
    QTest::newRow("de euro after") << "de_DE" << 1234.5 << QString::fromUtf8("#,##0.00€")
                                   << QString::fromUtf8("1.234,50€");
    QTest::newRow("de euro after negative") << "de_DE" << -1234.5
                                            << QString::fromUtf8("#,##0.00€")
                                            << QString::fromUtf8("-1.234,50€");
    QTest::newRow("de CHF before") << "de_DE" << 0.5 << "CHF#,##0.00" << "CHF0,50";
    QTest::newRow("de $ before") << "de_DE" << 1e6 << "$#,##0.00" << "$1.000.000,00";

    // Sections.
    QTest::newRow("sections positive") << "en_US" << 5.0 << "0.00;(0.00);\"zero\"" << "5.00";
    QTest::newRow("sections negative") << "en_US" << -5.0 << "0.00;(0.00);\"zero\"" << "(5.00)";
    QTest::newRow("sections zero") << "en_US" << 0.0 << "0.00;(0.00);\"zero\"" << "zero";
    QTest::newRow("empty negative section") << "en_US" << -5.0 << "0.00;;" << "-5.00";
    QTest::newRow("quoted semicolon") << "en_US" << 1.0 << "0\";\"0" << "0;1";
    QTest::newRow("empty format") << "de_DE" << 8.25 << "" << "8,25";
}

void TestFormat::formatNumber() {
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    useLocale(locale);
    QCOMPARE(qd::text::formatNumber(value, format), expected);
    // The explicit locale argument gives the same as the default one.
    QCOMPARE(qd::text::formatNumber(value, format, QLocale(locale)), expected);
}

void TestFormat::nonFinite() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QLocale us(QStringLiteral("en_US"));
    QVERIFY(!qd::text::formatNumber(nan, QStringLiteral("#,##0.00"), us).isEmpty());
    QVERIFY(!qd::text::formatNumber(inf, QStringLiteral("0.00%"), us).isEmpty());
    QVERIFY(qd::text::formatNumber(-inf, QStringLiteral("0"), us).startsWith(u'-'));
    QVERIFY(!numberTextRegional(nan, us).isEmpty());
    QVERIFY(!numberText(inf).isEmpty());
    QVERIFY(!isNumeric(QStringLiteral("nan"), us));
    QVERIFY(!isNumeric(QStringLiteral("inf"), us));
    QVERIFY(!isNumeric(QStringLiteral("1e999"), us));
    QCOMPARE(qd::text::formatNumber(1e300, QStringLiteral("0"), us).size(), 301);
    QCOMPARE(qd::text::formatNumber(1e-300, QStringLiteral("0.00"), us), QStringLiteral("0.00"));
    QCOMPARE(qd::text::formatNumber(-1e-300, QStringLiteral("0.00"), us),
             QStringLiteral("0.00"));
}

void TestFormat::formatDate_data() {
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    const QDateTime mar7(QDate(2026, 3, 7), QTime(14, 5, 9));
    const QDateTime dec18(QDate(2026, 12, 18), QTime(9, 30, 0));
    QTest::newRow("escaped slashes") << mar7 << "mm\\/dd\\/yyyy" << "03/07/2026";
    QTest::newRow("escaped slashes dec") << dec18 << "mm\\/dd\\/yyyy" << "12/18/2026";
    QTest::newRow("M/d/yyyy") << mar7 << "M/d/yyyy" << "3/7/2026";
    QTest::newRow("M/d/yyyy dec") << dec18 << "M/d/yyyy" << "12/18/2026";
    QTest::newRow("m/d/yy") << mar7 << "m/d/yy" << "3/7/26";
    QTest::newRow("dd.MM.yyyy") << mar7 << "dd.MM.yyyy" << "07.03.2026";
    QTest::newRow("yyyy-mm-dd") << mar7 << "yyyy-mm-dd" << "2026-03-07";
    QTest::newRow("time h:mm") << mar7 << "h:mm" << "14:05";
    QTest::newRow("time hh:nn:ss") << dec18 << "hh:nn:ss" << "09:30:00";
    QTest::newRow("time h:n:s") << mar7 << "h:n:s" << "14:5:9";
    QTest::newRow("date and time") << mar7 << "mm/dd/yyyy hh:mm:ss" << "03/07/2026 14:05:09";
    QTest::newRow("month after time") << mar7 << "hh:nn mm/dd" << "14:05 03/07";
    QTest::newRow("am/pm") << mar7 << "h:mm AM/PM" << "2:05 PM";
    QTest::newRow("am") << dec18 << "hh:mm am/pm" << "09:30 am";
    QTest::newRow("quoted literal") << mar7 << "\"Day \"d" << "Day 7";
    QTest::newRow("escaped letter") << mar7 << "\\d\\a\\y d" << "day 7";
    QTest::newRow("other literals") << mar7 << "d-m-yyyy!" << "7-3-2026!";
    QTest::newRow("invalid") << QDateTime() << "M/d/yyyy" << "";
}

void TestFormat::formatDate() {
    QFETCH(QDateTime, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    // Independent of the region.
    useLocale(QStringLiteral("de_DE"));
    QCOMPARE(qd::text::formatDate(value, format), expected);
    useLocale(QStringLiteral("en_US"));
    QCOMPARE(qd::text::formatDate(value, format), expected);
}

void TestFormat::values_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    const QDate d(2026, 3, 7);
    const QString money = QStringLiteral("#,##0.00");
    QTest::newRow("null") << "en_US" << QVariant() << "" << "";
    QTest::newRow("null formatted") << "en_US" << QVariant() << money << "";
    QTest::newRow("typed null") << "en_US" << QVariant(QMetaType::fromType<double>()) << money
                                << "";
    QTest::newRow("text") << "en_US" << QVariant(QStringLiteral("Rock'n'Roll")) << ""
                          << "Rock'n'Roll";
    QTest::newRow("text formatted") << "en_US" << QVariant(QStringLiteral("abc")) << money
                                    << "abc";
    QTest::newRow("int") << "en_US" << QVariant(42) << "" << "42";
    QTest::newRow("longlong") << "de_DE" << QVariant(qlonglong(1234567890123)) << ""
                              << "1234567890123";
    QTest::newRow("double") << "en_US" << QVariant(8.25) << "" << "8.25";
    QTest::newRow("double de") << "de_DE" << QVariant(8.25) << "" << "8,25";
    QTest::newRow("whole double") << "de_DE" << QVariant(40.0) << "" << "40";
    QTest::newRow("double formatted") << "en_US" << QVariant(1234.5) << money << "1,234.50";
    QTest::newRow("double formatted de") << "de_DE" << QVariant(1234.5) << money << "1.234,50";
    QTest::newRow("int formatted") << "en_US" << QVariant(qlonglong(3)) << money << "3.00";
    QTest::newRow("percent") << "de_DE" << QVariant(0.07) << "0.00%" << "7,00%";
    QTest::newRow("date") << "en_US" << QVariant(d) << "" << "3/7/2026";
    QTest::newRow("date de") << "de_DE" << QVariant(d) << "" << "07.03.2026";
    QTest::newRow("date formatted") << "de_DE" << QVariant(d) << "M/d/yyyy" << "3/7/2026";
    QTest::newRow("datetime midnight") << "en_US" << QVariant(QDateTime(d, QTime(0, 0))) << ""
                                       << "3/7/2026";
    QTest::newRow("datetime time") << "en_US" << QVariant(QDateTime(d, QTime(9, 5, 3))) << ""
                                   << "3/7/2026 9:05:03";
    QTest::newRow("datetime time de") << "de_DE" << QVariant(QDateTime(d, QTime(14, 0, 0)))
                                      << "" << "07.03.2026 14:00:00";
    QTest::newRow("datetime formatted") << "en_US" << QVariant(QDateTime(d, QTime(14, 0, 0)))
                                        << "mm\\/dd\\/yyyy" << "03/07/2026";
}

void TestFormat::values() {
    QFETCH(QString, locale);
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    useLocale(locale);
    QCOMPARE(formatValue(value, format), expected);
    if (format.isEmpty()) QCOMPARE(generalText(value), expected);
}

QTEST_GUILESS_MAIN(TestFormat)
#include "test_format.moc"
