// The parts of the column stores: codes keep every value while they widen from one byte to two
// and four, through sets, erasures and growth; the dictionary gives each distinct key one code
// and the same key back, also once its hash table was given back.

#include <QtTest>

#include "text/packedtexts.h"

#include <random>

using namespace qd::text;

class TestPackedTexts : public QObject {
    Q_OBJECT

private slots:
    void codesKeepTheirValuesAsTheyWiden_data() {
        QTest::addColumn<quint32>("largest");
        QTest::addColumn<int>("width");
        QTest::newRow("one byte") << quint32(255) << 1;
        QTest::newRow("two bytes") << quint32(256) << 2;
        QTest::newRow("two bytes, full") << quint32(65535) << 2;
        QTest::newRow("four bytes") << quint32(65536) << 4;
        QTest::newRow("four bytes, full") << quint32(0xffffffffu) << 4;
    }

    void codesKeepTheirValuesAsTheyWiden() {
        QFETCH(quint32, largest);
        QFETCH(int, width);
        std::mt19937 random(11);
        CodeVector codes;
        std::vector<quint32> expected;
        // Rows pushed and set in any order; the largest code comes last, half-way through.
        for (int i = 0; i < 3000; ++i) {
            const quint32 code = random() % (std::min<quint32>(largest, 250) + 1);
            codes.push(code);
            expected.push_back(code);
        }
        codes.resize(4000);
        expected.resize(4000, 0);
        codes.set(1500, largest);
        expected[1500] = largest;
        codes.erase(10);
        expected.erase(expected.begin() + 10);
        codes.push(7);
        expected.push_back(7);
        QCOMPARE(codes.width(), width);
        QCOMPARE(codes.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (codes.at(i) != expected[i]) QFAIL(qPrintable(QStringLiteral("row %1: %2, not %3").arg(i).arg(codes.at(i)).arg(expected[i])));
        QVERIFY(codes.bytes() >= expected.size() * std::size_t(width));
    }

    void dictionaryGivesOneCodeEach() {
        Dictionary dictionary;
        PackedTexts texts;
        std::vector<QByteArray> keys;
        for (int i = 0; i < 5000; ++i) keys.push_back(QByteArray::number(i * 7919 % 3001) + QByteArray(i % 90, 'x'));
        keys.push_back(QByteArray());                 // the empty key is a key too
        keys.push_back(QByteArray("a\0b", 3));        // and one holding a zero byte
        QHash<QByteArray, quint32> seen;
        for (int round = 0; round < 2; ++round) {
            for (const QByteArray& key : keys) {
                bool added = false;
                const quint32 code = dictionary.code(key, &added);
                QCOMPARE(added, !seen.contains(key));
                if (added) {
                    QCOMPARE(code, quint32(seen.size()));
                    seen.insert(key, code);
                    QCOMPARE(texts.push(key), code);
                }
                QCOMPARE(code, seen.value(key));
                QCOMPARE(dictionary.key(code), QByteArrayView(key));
            }
            dictionary.squeeze();  // the table is made again for the second round
        }
        QCOMPARE(dictionary.size(), quint32(seen.size()));
        for (quint32 code = 0; code < texts.size(); ++code) QCOMPARE(texts.at(code), dictionary.key(code));
    }
};

QTEST_GUILESS_MAIN(TestPackedTexts)
#include "test_packedtexts.moc"
