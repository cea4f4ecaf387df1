// The list control every window uses: the column-click sort rule, text order, selection that
// follows the rows, widths in twips, and the item click that only the user's choice raises.

#include "core/error.h"
#include "ui/controls/contrast.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"
#include "ui/controls/twips.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using qd::ui::ListView;

namespace {

// A list with an "ID" and a "Name" column holding the given rows.
void fill(ListView& list, const QList<QPair<QString, QString>>& rows) {
    if (list.columnCount() == 0) {
        list.addColumn(QStringLiteral("ID"));
        list.addColumn(QStringLiteral("Name"));
    }
    for (const auto& [id, name] : rows) list.setSubItem(list.addItem(id), 1, name);
    list.listModel()->flush();
}

QStringList column(const ListView& list, int position) {
    QStringList texts;
    for (int i = 1; i <= list.count(); ++i)
        texts << (position == 1 ? list.itemText(i) : list.subItemText(i, position - 1));
    return texts;
}

}  // namespace

class TestListView : public QObject {
    Q_OBJECT
private slots:
    // First click ascending, the same column again reverses, another column starts ascending;
    // the rows follow the key column's text.
    void columnClickRule() {
        ListView list;
        fill(list, {{"9", "beta"}, {"10", "Alpha"}, {"2", "gamma"}});
        QCOMPARE(list.sorted(), false);
        list.sortByColumnClick(2);
        QCOMPARE(list.sortKey(), 1);
        QCOMPARE(list.sortOrder(), 0);
        QCOMPARE(column(list, 2), (QStringList{"Alpha", "beta", "gamma"}));  // case ignored
        list.sortByColumnClick(2);
        QCOMPARE(list.sortOrder(), 1);
        QCOMPARE(column(list, 2), (QStringList{"gamma", "beta", "Alpha"}));
        list.sortByColumnClick(2);
        QCOMPARE(list.sortOrder(), 0);
        list.sortByColumnClick(2);
        list.sortByColumnClick(1);
        QCOMPARE(list.sortKey(), 0);
        QCOMPARE(list.sortOrder(), 0);
        QCOMPARE(column(list, 1), (QStringList{"10", "2", "9"}));  // as text, not as numbers
    }

    // The ID column is key 0 before any click, yet an unsorted list's first click on it still
    // sorts ascending: the current key only counts while the list is sorted.
    void firstClickOnKeyZeroIsAscending() {
        ListView list;
        fill(list, {{"b", "x"}, {"c", "y"}, {"a", "z"}});
        list.sortByColumnClick(1);
        QCOMPARE(list.sortOrder(), 0);
        QCOMPARE(column(list, 1), (QStringList{"a", "b", "c"}));
        // An order that is neither ascending nor descending is left alone by a click.
        list.setSortOrder(5);
        list.sortByColumnClick(1);
        QCOMPARE(list.sortOrder(), 5);
    }

    // Rows added to a sorted list (a refill) take their sorted places; the row the user had
    // selected stays selected when the list re-sorts.
    void refillAndResortKeepOrderAndSelection() {
        ListView list;
        fill(list, {{"1", "m"}, {"2", "a"}, {"3", "z"}});
        list.sortByColumnClick(2);
        list.selectIndex(3);
        QCOMPARE(list.selectedText(), QStringLiteral("3"));  // "z" is last
        list.sortByColumnClick(2);                             // descending: "z" first
        QCOMPARE(list.selectedIndex(), 1);
        QCOMPARE(list.selectedText(), QStringLiteral("3"));
        list.clear();
        fill(list, {{"4", "b"}, {"5", "y"}, {"6", "c"}});
        QCOMPARE(column(list, 2), (QStringList{"y", "c", "b"}));
        // A refilled list selects its first row.
        QCOMPARE(list.selectedIndex(), 1);
        QCOMPARE(list.selectedText(), QStringLiteral("5"));
    }

    // Without a selected row the selection accessors are errors, as are indexes outside the
    // list; nothing crashes and the error can be reported by the caller's trap.
    void errorsWithoutSelection() {
        ListView list;
        fill(list, {});
        QCOMPARE(list.selectedIndex(), 0);
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.selectedText());
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.selectedSubItem(1));
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.selectIndex(1));
        fill(list, {{"1", "a"}});
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.subItemText(1, 2));
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.itemText(2));
        list.removeItem(1);
        QCOMPARE(list.count(), 0);
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.selectedText());
    }

    // Widths are kept in twips exactly as set (pixels are only how they are shown); the first
    // column of the main lists is 1 twip wide and must stay 1, not round to 0 or 15.
    void widthsInTwips() {
        ListView list;
        fill(list, {});
        QCOMPARE(list.columnWidth(1), 1440.0);
        list.setColumnWidth(1, 1);
        list.setColumnWidth(2, 1439.811);
        QCOMPARE(list.columnWidth(1), 1.0);
        QCOMPARE(list.columnWidth(2), 1439.811);
        QCOMPARE(list.header()->sectionSize(1), qd::ui::toPixels(1439.811));
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.setColumnWidth(2, -5));
        QVERIFY_THROWS_EXCEPTION(qd::Error, list.setColumnWidth(3, 100));
        // A drag by the user is what the next save stores.
        list.header()->resizeSection(1, 200);
        QCOMPARE(list.columnWidth(2), qd::ui::toTwips(200));
    }

    // The item click is the user's: the keyboard raises it, selecting from code does not.
    void itemClickComesFromTheUser() {
        ListView list;
        fill(list, {{"1", "a"}, {"2", "b"}, {"3", "c"}});
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy clicks(&list, &ListView::itemClick);
        list.selectIndex(2);
        QCOMPARE(clicks.count(), 0);
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(list.selectedText(), QStringLiteral("3"));
        // A handler of the click sees the row the user clicked as the selected one.
        QStringList seen;
        connect(&list, &ListView::itemClick, &list, [&] { seen << list.selectedText(); });
        const QRect first = list.visualRect(list.model()->index(0, 1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(seen, QStringList{"1"});
        QCOMPARE(clicks.count(), 2);
        QSignalSpy columnClicks(&list, &ListView::columnClick);
        emit list.header()->sectionClicked(1);
        QCOMPARE(columnClicks.count(), 1);
        QCOMPARE(columnClicks.first().first().toInt(), 2);
    }

    void findRow_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("found");
        // Rows as shown after the sort below: 4 Ärger Ltd, 3 gamma, 2 Beta Freight,
        // 1 Omega freight.
        QTest::newRow("first column") << "3" << 0 << 1;
        QTest::newRow("letter case ignored") << "FREIGHT" << 0 << 2;
        QTest::newRow("from a later row") << "freight" << 3 << 3;
        QTest::newRow("round past the end") << "beta" << 3 << 2;
        QTest::newRow("start past the end") << "freight" << 4 << 2;
        QTest::newRow("the row itself") << "gamma" << 1 << 1;
        QTest::newRow("inside a text") << "mega" << 0 << 3;
        QTest::newRow("other scripts fold too") << "äRGER" << 1 << 0;
        QTest::newRow("whole text only") << "freight!" << 0 << -1;
        QTest::newRow("nothing has it") << "delta" << 0 << -1;
        QTest::newRow("empty needle: the start row") << "" << 2 << 2;
        QTest::newRow("outside the list") << "gamma" << -7 << 1;
    }
    // The next row from a row on, round the list, whose text in any column holds the needle,
    // in the order the list shows its rows.
    void findRow() {
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(int, found);
        ListView list;
        fill(list, {{"1", "Omega freight"}, {"2", "Beta Freight"}, {"3", "gamma"}, {"4", "Ärger Ltd"}});
        list.sortByColumnClick(1);
        list.sortByColumnClick(1);  // by ID, descending
        QCOMPARE(column(list, 2), (QStringList{"Ärger Ltd", "gamma", "Beta Freight", "Omega freight"}));
        QCOMPARE(list.listModel()->findRow(needle, from), found);
    }

    // A selected row's highlight is darkened (or lightened) just enough for its text to read
    // at 4.5:1; one that reads already is left as the palette has it.
    void readableSelection_data() {
        QTest::addColumn<QColor>("back");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<bool>("kept");
        QTest::newRow("Fusion blue under white") << QColor("#308cc6") << QColor(Qt::white) << false;
        QTest::newRow("light blue under black") << QColor("#1d4e8f") << QColor(Qt::black) << false;
        QTest::newRow("dark blue under white") << QColor("#1d4e8f") << QColor(Qt::white) << true;
        QTest::newRow("yellow under black") << QColor("#ffd700") << QColor(Qt::black) << true;
        QTest::newRow("grey under grey") << QColor("#777777") << QColor("#888888") << false;
    }
    void readableSelection() {
        QFETCH(QColor, back);
        QFETCH(QColor, text);
        QFETCH(bool, kept);
        const QColor made = qd::ui::readableBehind(back, text);
        QVERIFY(qd::ui::contrastRatio(made, text) >= 4.5);
        QCOMPARE(made == back, kept);
        if (!kept && made != QColor(Qt::black) && made != QColor(Qt::white))
            QVERIFY(qAbs(made.toHsl().hslHue() - back.toHsl().hslHue()) <= 2);  // the same hue
        QCOMPARE(qRound(qd::ui::contrastRatio(Qt::black, Qt::white)), 21);
        QCOMPARE(qd::ui::contrastRatio(back, back), 1.0);
    }

    // Rows taken in place, as the book changes under a shown list: a new row goes where the
    // sort puts it, a changed one moves there, a gone one leaves; the selected row stays
    // selected and the row at the top stays in sight.
    void rowsTakenInPlace_data() {
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<QString>("change");  // +ID NAME, =ID NAME, -ID
        QTest::addColumn<QString>("order");   // IDs afterwards, in the order shown
        // Rows 1..60 named "N 01".."N 60" (sorted by name: by ID); row 40 selected, 30 on top.
        QTest::newRow("added, sorted") << true << "+61 N 10a" << "...9 10 61 11...";
        QTest::newRow("added, unsorted") << false << "+61 N 10a" << "...59 60 61";
        QTest::newRow("moved up") << true << "=55 N 02a" << "...2 55 3...";
        QTest::newRow("moved down") << true << "=5 N 45a" << "...45 5 46...";
        QTest::newRow("selected moved") << true << "=40 N 00" << "40 1 2...";
        QTest::newRow("gone above") << true << "-3" << "...2 4...";
        QTest::newRow("selected gone") << true << "-40" << "...39 41...";  // 41 in its place
    }
    void rowsTakenInPlace() {
        QFETCH(bool, sorted);
        QFETCH(QString, change);
        QFETCH(QString, order);
        ListView list;
        list.addColumn(QStringLiteral("ID"));
        list.addColumn(QStringLiteral("Name"));
        qd::ui::ListModel& model = *list.listModel();
        model.setColumnKind(0, qd::ui::ListModel::ColumnKind::Integer);
        for (int i = 1; i <= 60; ++i) {
            const int row = model.appendRow();
            model.setInteger(row, 0, i);
            model.setUtf8(row, 1, QStringLiteral("N %1").arg(i, 2, 10, QLatin1Char('0')).toUtf8());
        }
        if (sorted) list.sortByColumnClick(2);
        model.flush();
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.selectIndex(40);
        list.scrollTo(model.index(29, 0), QAbstractItemView::PositionAtTop);
        const QString top = model.text(list.indexAt(QPoint(1, 1)).row(), 0);
        QCOMPARE(top, QStringLiteral("30"));

        const qint64 id = change.mid(1).section(u' ', 0, 0).toLongLong();
        const QByteArray name = change.section(u' ', 1).toUtf8();
        if (change.startsWith(u'+')) {
            const int row = model.addRowInPlace();
            model.setInteger(row, 0, id);
            model.setUtf8(row, 1, name);
            model.showNewRow(row);
        } else if (change.startsWith(u'=')) {
            const int row = model.handleOfKey(id);
            model.setUtf8(row, 1, name);
            model.rowChanged(row);
        } else {
            model.removeHandle(model.handleOfKey(id));
        }
        QCoreApplication::processEvents();

        QString shown = column(list, 1).join(u' ');
        const QString expected = QString(order).remove(QStringLiteral("..."));
        QVERIFY2(order.startsWith(QStringLiteral("...")) ? shown.contains(u' ' + expected + u' ') ||
                                                               shown.endsWith(u' ' + expected)
                                                         : shown.startsWith(expected),
                 qPrintable(shown));
        QCOMPARE(list.count(), 60 + (change.startsWith(u'+') ? 1 : change.startsWith(u'-') ? -1 : 0));
        // The selected order is still the selected one; when it went, the one in its place is.
        QCOMPARE(list.selectedText(), change == QLatin1String("-40") ? QStringLiteral("41") : QStringLiteral("40"));
        // The row that was at the top is still there, unless the change was in sight.
        QCOMPARE(model.text(list.indexAt(QPoint(1, 1)).row(), 0), top);
    }

    // A list refilled in full keeps its rows shown until every new row is read, then the same
    // selected row and the same row at the top, found by their item texts.
    void replacingFillKeepsWhatIsInSight() {
        ListView list;
        list.addColumn(QStringLiteral("ID"));
        list.addColumn(QStringLiteral("Name"));
        for (int i = 1; i <= 300; ++i) list.setSubItem(list.addItem(QString::number(i)), 1, QStringLiteral("N"));
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.selectIndex(40);
        list.scrollTo(list.listModel()->index(29, 0), QAbstractItemView::PositionAtTop);

        // The new rows: the first ten gone, so every row moves up by ten.
        class Rows : public qd::ui::ListFill {
        public:
            bool addRows(qd::ui::ListModel& model, int rows) override {
                for (int n = 0; n < rows && m_next <= 300; ++n, ++m_next)
                    model.setCell(model.appendRow(QString::number(m_next)), 1, QStringLiteral("N"));
                return m_next <= 300;
            }
            void failed(const std::exception&) override {}
            int m_next = 11;
        };
        QSignalSpy clicks(&list, &ListView::itemClick);
        list.listModel()->startFill(std::make_unique<Rows>(), qd::ui::ListModel::FillMode::Replace);
        QCOMPARE(list.listModel()->rowCount(), 300);  // the old rows, while the new are read
        QCOMPARE(list.listModel()->index(0, 0).data().toString(), QStringLiteral("1"));
        list.listModel()->flush();
        QCOMPARE(list.count(), 290);
        QCOMPARE(list.selectedText(), QStringLiteral("40"));
        QCOMPARE(list.listModel()->text(list.indexAt(QPoint(1, 1)).row(), 0), QStringLiteral("30"));
        QCOMPARE(clicks.count(), 0);
    }

    // A big list fills and sorts without losing or duplicating rows.
    void manyRows() {
        ListView list;
        list.addColumn(QStringLiteral("ID"));
        list.addColumn(QStringLiteral("Name"));
        const int n = 20000;
        for (int i = 0; i < n; ++i)
            list.setSubItem(list.addItem(QString::number(i)), 1,
                            QStringLiteral("Name %1").arg((i * 7919) % n, 5, 10, QLatin1Char('0')));
        list.sortByColumnClick(2);
        list.listModel()->flush();
        QCOMPARE(list.count(), n);
        QCOMPARE(list.subItemText(1, 1), QStringLiteral("Name 00000"));
        QCOMPARE(list.subItemText(n, 1), QStringLiteral("Name %1").arg(n - 1));
        QCOMPARE(list.itemText(1), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestListView)
#include "test_listview.moc"
