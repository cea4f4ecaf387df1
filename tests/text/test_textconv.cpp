#include <QtTest>

#include "text/textconv.h"

#include <cmath>
#include <limits>

using namespace qd::text;

// Runs each data row under the locale named in its "locale" column, set as the default
// locale so that the functions' default argument is what is exercised.
class TestTextConv : public QObject {
    Q_OBJECT

private:
    QLocale m_saved;

    static void useLocale(const QString& name) { QLocale::setDefault(QLocale(name)); }

private slots:
    void initTestCase() { m_saved = QLocale(); }
    void cleanup() { QLocale::setDefault(m_saved); }

    void formatNumber_data();
    void formatNumber();
    void numberTexts_data();
    void numberTexts();
    void parseNumber_data();
    void parseNumber();
    void leadingNumber_data();
    void leadingNumber();
    void nonFinite();
    void shortDate_data();
    void shortDate();
    void parseDate_data();
    void parseDate();
    void shortDateRoundTrip_data();
    void shortDateRoundTrip();
    void formatDate_data();
    void formatDate();
    void values_data();
    void values();
    void quoting_data();
    void quoting();
};

// ---- Numbers ----------------------------------------------------------------------------

void TestTextConv::formatNumber_data() {
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

void TestTextConv::formatNumber() {
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    useLocale(locale);
    QCOMPARE(qd::text::formatNumber(value, format), expected);
    // The explicit locale argument gives the same as the default one.
    QCOMPARE(qd::text::formatNumber(value, format, QLocale(locale)), expected);
}

void TestTextConv::numberTexts_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("german");

    QTest::newRow("0.0825") << 0.0825 << "0.0825" << "0,0825";
    QTest::newRow("1234.5") << 1234.5 << "1234.5" << "1234,5";
    QTest::newRow("6.25") << 6.25 << "6.25" << "6,25";
    QTest::newRow("8.25") << 8.25 << "8.25" << "8,25";
    QTest::newRow("3") << 3.0 << "3" << "3";
    QTest::newRow("-0.5") << -0.5 << "-0.5" << "-0,5";
    QTest::newRow("0") << 0.0 << "0" << "0";
    QTest::newRow("-0") << -0.0 << "0" << "0";
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0.3" << "0,3";
    QTest::newRow("0.0825*100") << 0.0825 * 100 << "8.25" << "8,25";
    QTest::newRow("1/3") << 1.0 / 3 << "0.333333333333333" << "0,333333333333333";
    QTest::newRow("123456789012345") << 123456789012345.0 << "123456789012345"
                                     << "123456789012345";
    QTest::newRow("12.5") << 12.5 << "12.5" << "12,5";
    QTest::newRow("40") << 40.0 << "40" << "40";
}

void TestTextConv::numberTexts() {
    QFETCH(double, value);
    QFETCH(QString, plain);
    QFETCH(QString, german);
    QCOMPARE(numberText(value), plain);
    QCOMPARE(numberTextRegional(value, QLocale(QStringLiteral("en_US"))), plain);
    QCOMPARE(numberTextRegional(value, QLocale(QStringLiteral("de_DE"))), german);
    useLocale(QStringLiteral("de_DE"));
    QCOMPARE(numberTextRegional(value), german);
    // Both read back as the number they came from (to 15 digits).
    const double back = qd::text::leadingNumber(numberText(value));
    QVERIFY2(back == value || std::fabs(back - value) <= std::fabs(value) * 1e-14,
             qPrintable(numberText(value)));
    const std::optional<double> regional = parseRegionalNumber(german);
    QVERIFY(regional);
    QCOMPARE(*regional, back);
}

void TestTextConv::parseNumber_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    QTest::newRow("us grouped") << "en_US" << "1,234.50" << true << 1234.5;
    QTest::newRow("us plain") << "en_US" << "1234.5" << true << 1234.5;
    QTest::newRow("us integer") << "en_US" << "3" << true << 3.0;
    QTest::newRow("us blanks") << "en_US" << "  12.5\t " << true << 12.5;
    QTest::newRow("us minus") << "en_US" << "-0.5" << true << -0.5;
    QTest::newRow("us plus") << "en_US" << "+7" << true << 7.0;
    QTest::newRow("us exponent") << "en_US" << "1.5e3" << true << 1500.0;
    QTest::newRow("us exponent sign") << "en_US" << "-2E-2" << true << -0.02;
    QTest::newRow("us point first") << "en_US" << ".5" << true << 0.5;
    QTest::newRow("us trailing point") << "en_US" << "5." << true << 5.0;
    QTest::newRow("us millions") << "en_US" << "1,234,567.25" << true << 1234567.25;
    QTest::newRow("us empty") << "en_US" << "" << false << 0.0;
    QTest::newRow("us blanks only") << "en_US" << "   " << false << 0.0;
    QTest::newRow("us abc") << "en_US" << "abc" << false << 0.0;
    QTest::newRow("us 1.2.3") << "en_US" << "1.2.3" << false << 0.0;
    QTest::newRow("us 12abc") << "en_US" << "12abc" << false << 0.0;
    QTest::newRow("us percent") << "en_US" << "7%" << false << 0.0;
    QTest::newRow("us sign only") << "en_US" << "-" << false << 0.0;
    QTest::newRow("us point only") << "en_US" << "." << false << 0.0;
    QTest::newRow("us exponent without digits") << "en_US" << "1e" << false << 0.0;
    QTest::newRow("us inner blank") << "en_US" << "1 2" << false << 0.0;
    QTest::newRow("us german form") << "en_US" << "1.234,50" << false << 0.0;
    QTest::newRow("us comma in fraction") << "en_US" << "1.2,5" << false << 0.0;
    QTest::newRow("us two signs") << "en_US" << "--1" << false << 0.0;
    QTest::newRow("de grouped") << "de_DE" << "1.234,50" << true << 1234.5;
    QTest::newRow("de plain") << "de_DE" << "8,25" << true << 8.25;
    QTest::newRow("de integer") << "de_DE" << "40" << true << 40.0;
    QTest::newRow("de minus blanks") << "de_DE" << " -0,5 " << true << -0.5;
    QTest::newRow("de exponent") << "de_DE" << "1,5e3" << true << 1500.0;
    QTest::newRow("de point is grouping") << "de_DE" << "12.5" << true << 125.0;
    QTest::newRow("de 1,2,3") << "de_DE" << "1,2,3" << false << 0.0;
    QTest::newRow("de us form") << "de_DE" << "1,234.50" << false << 0.0;
    QTest::newRow("de empty") << "de_DE" << "" << false << 0.0;
    QTest::newRow("de abc") << "de_DE" << "abc" << false << 0.0;
    QTest::newRow("de 12abc") << "de_DE" << "12abc" << false << 0.0;
}

void TestTextConv::parseNumber() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    useLocale(locale);
    const std::optional<double> parsed = parseRegionalNumber(text);
    QCOMPARE(parsed.has_value(), ok);
    QCOMPARE(isNumeric(text), ok);
    QCOMPARE(isNumeric(text, QLocale(locale)), ok);
    if (ok) QCOMPARE(*parsed, value);
}

void TestTextConv::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("12.5 Euro") << "12.5 Euro" << 12.5;
    QTest::newRow("1,234.50") << "1,234.50" << 1.0;
    QTest::newRow("5.00%") << "5.00%" << 5.0;
    QTest::newRow("abc") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("-3e2x") << "-3e2x" << -300.0;
    QTest::newRow("blanks") << "   42" << 42.0;
    QTest::newRow("0.3") << "0.3" << 0.3;
    QTest::newRow("0.25") << "0.25" << 0.25;
    QTest::newRow("plus") << "+8" << 8.0;
    QTest::newRow("two points") << "1.2.3" << 1.2;
    QTest::newRow("dangling exponent") << "12e" << 12.0;
    QTest::newRow("exponent sign only") << "12e-x" << 12.0;
    QTest::newRow("exponent negative") << "25E-1" << 2.5;
    QTest::newRow("point first") << ".5kg" << 0.5;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("german comma") << "8,25" << 8.0;
    QTest::newRow("tiny") << "1e-400" << 0.0;
}

void TestTextConv::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    // "." whatever the region.
    useLocale(QStringLiteral("de_DE"));
    QCOMPARE(qd::text::leadingNumber(text), value);
    useLocale(QStringLiteral("en_US"));
    QCOMPARE(qd::text::leadingNumber(text), value);
}

void TestTextConv::nonFinite() {
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

// ---- Dates ------------------------------------------------------------------------------

void TestTextConv::shortDate_data() {
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

void TestTextConv::shortDate() {
    QFETCH(QString, locale);
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    useLocale(locale);
    QCOMPARE(qd::text::shortDate(date), expected);
    QCOMPARE(qd::text::shortDate(date, QLocale(locale)), expected);
}

void TestTextConv::parseDate_data() {
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

void TestTextConv::parseDate() {
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

void TestTextConv::shortDateRoundTrip_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"en_US", "de_DE", "en_GB", "ja_JP", "fr_FR", "hu_HU", "bg_BG", "ar_EG", "C"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestTextConv::shortDateRoundTrip() {
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

void TestTextConv::formatDate_data() {
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

void TestTextConv::formatDate() {
    QFETCH(QDateTime, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    // Independent of the region.
    useLocale(QStringLiteral("de_DE"));
    QCOMPARE(qd::text::formatDate(value, format), expected);
    useLocale(QStringLiteral("en_US"));
    QCOMPARE(qd::text::formatDate(value, format), expected);
}

// ---- Values -----------------------------------------------------------------------------

void TestTextConv::values_data() {
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

void TestTextConv::values() {
    QFETCH(QString, locale);
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    useLocale(locale);
    QCOMPARE(formatValue(value, format), expected);
    if (format.isEmpty()) QCOMPARE(generalText(value), expected);
}

// ---- Statements -------------------------------------------------------------------------

void TestTextConv::quoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("doubled");

    QTest::newRow("rock") << "Rock'n'Roll" << "Rock''n''Roll";
    QTest::newRow("injection") << "'); drop table Orders;--" << "''); drop table Orders;--";
    QTest::newRow("plain") << "Smith" << "Smith";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only quotes") << "''" << "''''";
    QTest::newRow("double quote kept") << "say \"hi\"" << "say \"hi\"";
}

void TestTextConv::quoting() {
    QFETCH(QString, text);
    QFETCH(QString, doubled);
    QCOMPARE(doubleQuotes(text), doubled);
    QCOMPARE(quoted(text), u'\'' + doubled + u'\'');
    // Between the outer quotes no lone quote is left that could end the literal early.
    const QString inner = quoted(text).mid(1).chopped(1);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] != u'\'') continue;
        QVERIFY(i + 1 < inner.size() && inner[i + 1] == u'\'');
        ++i;
    }
}

QTEST_GUILESS_MAIN(TestTextConv)
#include "test_textconv.moc"
