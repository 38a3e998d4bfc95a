// TRadioGroup: the selected index by clicks, keys and code, the signal, the
// column layout and a changing item list.

#include "shell/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace omi;

class RadioGroupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void IndexByClickAndByCode() {
        TRadioGroup group(QStringLiteral("СКОРОСТЬ"), {"1200", "2400", "4800", "9600", "19200"}, 2);
        group.show();
        QSignalSpy changed(&group, &TRadioGroup::ItemIndexChanged);
        QCOMPARE(group.title(), QStringLiteral("СКОРОСТЬ"));
        QCOMPARE(group.ItemIndex(), -1);
        for (int i = 0; i < 5; ++i) {
            QVERIFY(group.Button(i));
            QVERIFY2(group.Button(i)->objectName().isEmpty(), "inner buttons must not be stored on their own");
            QVERIFY(!group.Button(i)->isChecked());
        }
        QVERIFY(!group.Button(5) && !group.Button(-1));

        QTest::mouseClick(group.Button(3), Qt::LeftButton);
        QCOMPARE(group.ItemIndex(), 3);
        QTest::mouseClick(group.Button(3), Qt::LeftButton);  // the same item again: no change
        QTest::mouseClick(group.Button(1), Qt::LeftButton);
        QCOMPARE(group.ItemIndex(), 1);
        QVERIFY(!group.Button(3)->isChecked());

        group.SetItemIndex(4);
        QVERIFY(group.Button(4)->isChecked());
        group.SetItemIndex(99);  // past the end: the last item
        group.SetItemIndex(-1);
        for (int i = 0; i < 5; ++i) QVERIFY(!group.Button(i)->isChecked());
        group.SetItemIndex(-7);
        QCOMPARE(group.ItemIndex(), -1);

        QList<int> indexes;
        for (const QList<QVariant>& args : changed) indexes << args.at(0).toInt();
        QCOMPARE(indexes, QList<int>({3, 1, 4, -1}));
    }

    void ColumnsFilledOneAfterAnother() {
        TRadioGroup group(QStringLiteral("t"), {"a", "b", "c", "d", "e"}, 2);
        auto* grid = qobject_cast<QGridLayout*>(group.layout());
        QVERIFY(grid);
        const auto cell = [&](int i) {
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(grid->indexOf(group.Button(i)), &row, &column, &rowSpan, &columnSpan);
            return QPoint(column, row);
        };
        const QList<QPoint> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}};
        for (int i = 0; i < 5; ++i) QCOMPARE(cell(i), expected[i]);

        group.SetItemIndex(4);
        group.SetColumns(1);
        QCOMPARE(group.Columns(), 1);
        QCOMPARE(group.ItemIndex(), 4);
        QVERIFY(group.Button(4)->isChecked());
        QCOMPARE(cell(4), QPoint(0, 4));
    }

    void NewItemsKeepOrClampTheIndex() {
        TRadioGroup group(QStringLiteral("t"), {"a", "b", "c"});
        QSignalSpy changed(&group, &TRadioGroup::ItemIndexChanged);
        group.SetItemIndex(2);
        group.SetItems({"x", "y", "z", "w"});
        QCOMPARE(group.Items(), QStringList({"x", "y", "z", "w"}));
        QCOMPARE(group.ItemIndex(), 2);
        QVERIFY(group.Button(2)->isChecked());
        QCOMPARE(group.Button(2)->text(), QStringLiteral("z"));
        group.SetItems({"x"});
        QCOMPARE(group.ItemIndex(), 0);
        QVERIFY(group.Button(0)->isChecked());
        group.SetItems({});
        QCOMPARE(group.ItemIndex(), -1);
        group.SetItemIndex(0);  // nothing to select
        QCOMPARE(group.ItemIndex(), -1);
        QCOMPARE(changed.size(), 3);  // 2, then 0, then -1

        // Clicks still work on the rebuilt buttons.
        group.SetItems({"p", "q"});
        group.show();
        QTest::mouseClick(group.Button(1), Qt::LeftButton);
        QCOMPARE(group.ItemIndex(), 1);
    }
};

QTEST_MAIN(RadioGroupTest)
#include "RadioGroupTest.moc"
