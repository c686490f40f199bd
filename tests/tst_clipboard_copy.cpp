#include "panel_fixture.h"
#include "record_support.h"
#include "time_format.h"
#include "timer_widget.h"
#include "timing_table.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <memory>

using morlek::test::PanelFixture;

class TestClipboardCopy : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void copiesSelection_data();
    void copiesSelection();
    void selectAllIncludesLabelColumn();
    void emptySelectionKeepsClipboard();

private:
    TimingTable *table() const { return timing_->table(); }
    void pressCopy();

    std::unique_ptr<PanelFixture> timing_;
};

void TestClipboardCopy::init()
{
    timing_ = std::make_unique<PanelFixture>([] { return qint64(0); });
    timing_->panel()->show();
    timing_->panel()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(timing_->panel()));

    // Three elements and the open row: durations 3.5 s, 3 s and 2 s.
    table()->setData(morlek::test::timingRecord(
        QStringLiteral("0123456789abcdef0123456789abcdef01234567"),
        {1000, 4500, 6000, 9000, 10000, 12000}));
    QCOMPARE(table()->model()->rowCount(), 4);
    QApplication::clipboard()->setText(QStringLiteral("before"));
}

void TestClipboardCopy::cleanup()
{
    timing_.reset();
}

void TestClipboardCopy::pressCopy()
{
    QTest::keySequence(table(), QKeySequence::Copy);
}

void TestClipboardCopy::copiesSelection_data()
{
    QTest::addColumn<QList<QPoint>>("cells"); // (column, row), in the order they are selected
    QTest::addColumn<QString>("text");

    QTest::addRow("starts and ends of two rows")
        << QList<QPoint>{{1, 0}, {2, 0}, {1, 1}, {2, 1}}
        << QStringLiteral("0:01:000\t0:04:500\n0:06:000\t0:09:000");
    QTest::addRow("selected bottom up") << QList<QPoint>{{2, 1}, {1, 1}, {2, 0}, {1, 0}}
                                        << QStringLiteral("0:01:000\t0:04:500\n0:06:000\t0:09:000");
    QTest::addRow("start of row 1 and sum of row 3")
        << QList<QPoint>{{1, 0}, {4, 2}} << QStringLiteral("0:01:000\n0:08:500");
    QTest::addRow("duration and sum") << QList<QPoint>{{3, 0}, {4, 0}}
                                      << QStringLiteral("03:500\t0:03:500");
    QTest::addRow("single empty cell") << QList<QPoint>{{1, 3}} << QString();
    QTest::addRow("empty cells keep their places")
        << QList<QPoint>{{2, 2}, {1, 3}, {2, 3}} << QStringLiteral("0:12:000\n\t");
}

void TestClipboardCopy::copiesSelection()
{
    QFETCH(QList<QPoint>, cells);
    QFETCH(QString, text);

    table()->selectionModel()->clearSelection();
    for (const QPoint &cell : cells)
        table()->selectionModel()->select(table()->model()->index(cell.y(), cell.x()),
                                          QItemSelectionModel::Select);
    pressCopy();
    QCOMPARE(QApplication::clipboard()->text(), text);
}

void TestClipboardCopy::selectAllIncludesLabelColumn()
{
    table()->selectAll();
    pressCopy();
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("\t0:01:000\t0:04:500\t03:500\t0:03:500\n"
                            "\t0:06:000\t0:09:000\t03:000\t0:06:500\n"
                            "\t0:10:000\t0:12:000\t02:000\t0:08:500\n"
                            "\t\t\t\t"));
}

void TestClipboardCopy::emptySelectionKeepsClipboard()
{
    table()->selectionModel()->clearSelection();
    pressCopy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
}

QTEST_MAIN(TestClipboardCopy)
#include "tst_clipboard_copy.moc"
