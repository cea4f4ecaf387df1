// The list's store and its sorts: every kind of column shows, sorts and finds rows exactly as
// the plain text rule over the shown texts does, on random data, ascending and descending.

#include "ui/controls/listmodel.h"
#include "ui/controls/textorder.h"
#include "text/dates.h"

#include <QDate>
#include <QtTest>

#include <algorithm>
#include <numeric>
#include <random>

using qd::ui::ListModel;
namespace textorder = qd::ui::textorder;
using Kind = ListModel::ColumnKind;

namespace {

// Texts that share starts, differ in letter case only, hold letters beyond ASCII (ß folds to
// itself, É to é), characters beyond 16 bits, and the empty text.
QString randomText(std::mt19937& random) {
    static const QStringList pieces = {"a", "A", "b", "B", "z", "é", "É", "ß", "0", "1", "9",
                                       " ", "-", "PO-", "Orrin ", "orrin ", "\U0001F600", "ǅ"};
    QString text;
    const int parts = int(random() % 7);
    for (int i = 0; i < parts; ++i) text += pieces[int(random() % pieces.size())];
    return text;
}

// The rows' handles in the order the plain rule gives: stable, descending the rule reversed.
std::vector<int> expectedOrder(const QStringList& texts, bool descending) {
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = textorder::compare(texts[a], texts[b]);
        return descending ? c > 0 : c < 0;
    });
    return order;
}

// Sorts the model by column 0 both ways and holds its rows to the rule.
void checkSorts(ListModel& model) {
    model.flush();
    QStringList texts;
    for (int row = 0; row < model.rows(); ++row) texts << model.text(row, 0);
    for (const bool descending : {false, true}) {
        model.setSort(true, 0, descending ? 1 : 0);
        const std::vector<int> expected = expectedOrder(texts, descending);
        for (int row = 0; row < model.rows(); ++row) {
            QCOMPARE(model.handleOfRow(row), expected[row]);
            QCOMPARE(model.text(row, 0), texts[expected[row]]);
        }
        model.setSort(false, 0, 0);
    }
}

ListModel* listOf(QObject* parent, Kind kind, const QString& format = QString()) {
    auto* model = new ListModel(parent);
    model->addColumn(QStringLiteral("Column"));
    model->setColumnKind(0, kind, format);
    return model;
}

}  // namespace

class TestListOrder : public QObject {
    Q_OBJECT

private slots:
    void compareIsTheRule() {
        QVERIFY(textorder::compare(u"abc", u"ABD") < 0);
        QVERIFY(textorder::compare(u"Abc", u"abc") == 0);
        QVERIFY(textorder::compare(u"ab", u"abc") < 0);
        QVERIFY(textorder::compare(u"10", u"9") < 0);
        QVERIFY(textorder::compare(u"É", u"é") == 0);
        QVERIFY(textorder::compare(u"", u"a") < 0);
    }

    void textColumns() {
        std::mt19937 random(1);
        for (const int rows : {0, 1, 40, 5000, 30000}) {
            ListModel* model = listOf(this, Kind::Text);
            for (int i = 0; i < rows; ++i) model->setCell(model->appendRow(), 0, randomText(random));
            checkSorts(*model);
            delete model;
        }
        // Texts that all differ and share long starts, as PO numbers do.
        ListModel* model = listOf(this, Kind::Text);
        for (int i = 0; i < 20000; ++i)
            model->setUtf8(model->appendRow(), 0,
                           QStringLiteral("PO-%1").arg(random() % 100000).toUtf8());
        checkSorts(*model);
    }

    void repeatingColumns() {
        std::mt19937 random(2);
        ListModel* model = listOf(this, Kind::Repeating);
        QStringList few;
        for (int i = 0; i < 300; ++i) few << randomText(random);
        for (int i = 0; i < 30000; ++i) {
            const int row = model->appendRow();
            if (i % 3 == 0)
                model->setCell(row, 0, few[int(random() % few.size())]);
            else
                model->setUtf8(row, 0, few[int(random() % few.size())].toUtf8());
        }
        checkSorts(*model);
        // Numbers through the column's format: each value's text is the format function's.
        const QLocale us(QStringLiteral("en_US"));
        QLocale::setDefault(us);
        ListModel* rates = listOf(this, Kind::Repeating, QStringLiteral("0.00%"));
        const double values[] = {0, 0.0725, 0.0825, 0.19, 1.5, -0.25, 12.345};
        for (int i = 0; i < 10000; ++i) rates->setNumber(rates->appendRow(), 0, values[random() % 7]);
        rates->flush();
        for (int row = 0; row < 200; ++row)
            QVERIFY(QStringList({"0.00%", "7.25%", "8.25%", "19.00%", "150.00%", "-25.00%", "1234.50%"})
                        .contains(rates->text(row, 0)));
        checkSorts(*rates);
    }

    // IDs sort as their texts do ("10" before "9"); numbers beyond 17 digits, negative ones
    // and empty cells too.
    void integerColumns() {
        std::mt19937_64 random(3);
        for (const bool wide : {false, true}) {
            ListModel* model = listOf(this, Kind::Integer);
            for (int i = 0; i < 30000; ++i) {
                const int row = model->appendRow();
                const int shape = int(random() % 10);
                if (shape == 0) continue;  // empty
                qint64 v = shape < 5 ? qint64(random() % 1000) : qint64(random() % 10000000);
                if (wide && shape == 9) v = (random() % 2) ? -qint64(random() % 1000) : qint64(random() >> 1);
                model->setInteger(row, 0, v);
            }
            checkSorts(*model);
            delete model;
        }
    }

    // Dates sort by the text they show, under the regional settings of the fill.
    void dateColumns() {
        std::mt19937 random(4);
        for (const char* locale : {"en_US", "de_DE", "ja_JP"}) {
            QLocale::setDefault(QLocale(QLatin1String(locale)));
            ListModel* model = listOf(this, Kind::Date);
            const qint64 first = QDate(1995, 1, 1).toJulianDay();
            std::vector<qint64> days;
            for (int i = 0; i < 20000; ++i) {
                const int row = model->appendRow();
                days.push_back(random() % 20 == 0 ? -1 : first + random() % 12000);
                if (days.back() >= 0) model->setDay(row, 0, days.back());
            }
            model->flush();
            for (int row = 0; row < 500; ++row)
                QCOMPARE(model->text(row, 0), days[row] < 0 ? QString()
                                                             : qd::text::shortDate(QDate::fromJulianDay(days[row])));
            checkSorts(*model);
            delete model;
        }
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    }

    // A value a column's kind cannot hold keeps the column's texts as shown.
    void valuesBeyondTheKind() {
        ListModel* ids = listOf(this, Kind::Integer);
        ids->setInteger(ids->appendRow(), 0, 42);
        ids->setCell(ids->appendRow(), 0, QStringLiteral("007"));
        ids->setCell(ids->appendRow(), 0, QStringLiteral("9"));
        ids->flush();
        QCOMPARE(ids->text(0, 0), QStringLiteral("42"));
        QCOMPARE(ids->text(1, 0), QStringLiteral("007"));
        ids->setSort(true, 0, 0);
        QCOMPARE(ids->text(0, 0), QStringLiteral("007"));
        QCOMPARE(ids->text(2, 0), QStringLiteral("9"));
        ListModel* dates = listOf(this, Kind::Date);
        dates->setDay(dates->appendRow(), 0, QDate(2026, 3, 7).toJulianDay());
        dates->setCell(dates->appendRow(), 0, QStringLiteral("someday"));
        dates->flush();
        QCOMPARE(dates->text(0, 0), qd::text::shortDate(QDate(2026, 3, 7)));
        QCOMPARE(dates->text(1, 0), QStringLiteral("someday"));
    }

    // The search finds the first row from a given one, round the list, whose shown texts hold
    // the needle, case ignored, across every kind of column; as a plain search over the texts
    // does.
    void findRows() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        std::mt19937 random(5);
        ListModel model;
        const Kind kinds[] = {Kind::Integer, Kind::Repeating, Kind::Date, Kind::Text};
        for (int c = 0; c < 4; ++c) {
            model.addColumn(QString::number(c));
            model.setColumnKind(c, kinds[c]);
        }
        const qint64 first = QDate(2019, 1, 1).toJulianDay();
        for (int i = 0; i < 5000; ++i) {
            const int row = model.appendRow();
            model.setInteger(row, 0, 1 + random() % 100000);
            model.setUtf8(row, 1, randomText(random).toUtf8());
            model.setDay(row, 2, first + random() % 3000);
            model.setCell(row, 3, randomText(random));
        }
        model.setSort(true, 1, 1);
        const QStringList needles = {"", "7", "12", "orrin", "ÉA", "ß", "/20", "2021", "😀",
                                     "PO-", "-", "nothing like it"};
        for (const QString& needle : needles) {
            for (const int from : {0, 1, 2500, 4999, 6000}) {
                int expected = -1;
                const int start = from < model.rows() ? from : 0;
                for (int step = 0; step < model.rows() && expected < 0; ++step) {
                    const int row = (start + step) % model.rows();
                    for (int c = 0; c < 4; ++c)
                        if (model.text(row, c).contains(needle, Qt::CaseInsensitive)) {
                            expected = row;
                            break;
                        }
                }
                QCOMPARE(model.findRow(needle, from), expected);
            }
        }
    }
};

QTEST_MAIN(TestListOrder)
#include "test_listorder.moc"
