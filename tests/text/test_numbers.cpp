// Numbers for statements and as typed, and user text for statements.

#include <QtTest>

#include "text/sqltext.h"
#include "text/textconv.h"

#include <cmath>
#include <limits>

using namespace qd::text;

// Runs each data row under the locale named in its "locale" column, set as the default
// locale so that the functions' default argument is what is exercised.
class TestNumbers : public QObject {
    Q_OBJECT

private:
    QLocale m_saved;

    static void useLocale(const QString& name) { QLocale::setDefault(QLocale(name)); }

private slots:
    void initTestCase() { m_saved = QLocale(); }
    void cleanup() { QLocale::setDefault(m_saved); }

    void numberTexts_data();
    void numberTexts();
    void parseNumber_data();
    void parseNumber();
    void leadingNumber_data();
    void leadingNumber();
    void quoting_data();
    void quoting();
};

void TestNumbers::numberTexts_data() {
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

void TestNumbers::numberTexts() {
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

void TestNumbers::parseNumber_data() {
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

void TestNumbers::parseNumber() {
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

void TestNumbers::leadingNumber_data() {
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

void TestNumbers::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    // "." whatever the region.
    useLocale(QStringLiteral("de_DE"));
    QCOMPARE(qd::text::leadingNumber(text), value);
    useLocale(QStringLiteral("en_US"));
    QCOMPARE(qd::text::leadingNumber(text), value);
}

void TestNumbers::quoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("doubled");

    QTest::newRow("rock") << "Rock'n'Roll" << "Rock''n''Roll";
    QTest::newRow("injection") << "'); drop table Orders;--" << "''); drop table Orders;--";
    QTest::newRow("plain") << "Smith" << "Smith";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only quotes") << "''" << "''''";
    QTest::newRow("double quote kept") << "say \"hi\"" << "say \"hi\"";
}

void TestNumbers::quoting() {
    QFETCH(QString, text);
    QFETCH(QString, doubled);
    QCOMPARE(apostrophesDoubled(text), doubled);
    QCOMPARE(quoted(text), u'\'' + doubled + u'\'');
    // Between the outer quotes no lone quote is left that could end the literal early.
    const QString inner = quoted(text).mid(1).chopped(1);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] != u'\'') continue;
        QVERIFY(i + 1 < inner.size() && inner[i + 1] == u'\'');
        ++i;
    }
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"
