#include "record_support.h"
#include "time_format.h"
#include "timing_table.h"
#include "timing_table_delegate.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTextOption>

#include <memory>
#include <vector>

using dravenhol::morlek::VideoMetadata;
using morlek::test::marksOf;

namespace {

const char fingerprint[] = "0123456789abcdef0123456789abcdef01234567";

VideoMetadata record(const QList<QList<qint32>> &sequences)
{
    VideoMetadata metadata;
    metadata.set_hash(fingerprint);
    metadata.add_filename("/videos/run.avi");
    for (const QList<qint32> &marks : sequences) {
        auto *measure = metadata.add_time_sequence();
        for (const qint32 mark : marks)
            measure->add_timestamp(mark);
    }
    return metadata;
}

/** The texts of start, end, duration and sum of every row, as the table shows them. */
QStringList rowTexts(const QAbstractItemModel *model)
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = timing::StartColumn; column <= timing::SumColumn; ++column)
            cells << timing::timeText(model->index(row, column).data(), column);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestTimingTable : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsEmptyAndRefusesTiming();
    void replay_data();
    void replay();
    void entryAdvancesCursor();
    void wrapsAtOneDay_data();
    void wrapsAtOneDay();
    void storedMarksComeBackAsTheyWere_data();
    void storedMarksComeBackAsTheyWere();
    void earlierMarksCountFromTheFirstFrame_data();
    void earlierMarksCountFromTheFirstFrame();
    void durationRule_data();
    void durationRule();
    void retimingEarlierStart();
    void onlyLastMeasureEdited();
    void clearTable_data();
    void clearTable();
    void refusedSelections_data();
    void refusedSelections();
    void discardDropsRecord();
    void endBeforeStartKeepsPairs();
    void randomisedEntriesSurviveReload();
    void delegateGivesNoEditor();
    void delegatePaints_data();
    void delegatePaints();
    void copyKeyWorksAnywhereInWindow();

private:
    void select(int row, int column);
    QModelIndex cursor() const;

    std::unique_ptr<TimingTable> table_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    std::vector<VideoMetadata> updates_;
};

void TestTimingTable::init()
{
    table_ = std::make_unique<TimingTable>();
    tester_ = std::make_unique<QAbstractItemModelTester>(
        table_->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    updates_.clear();
    // The record cannot travel through QSignalSpy (it has no meta-type), so keep copies.
    connect(table_.get(), &TimingTable::dataUpdated, table_.get(),
            [this](const VideoMetadata &metadata) { updates_.push_back(metadata); });
}

void TestTimingTable::cleanup()
{
    tester_.reset();
    table_.reset();
}

void TestTimingTable::select(int row, int column)
{
    table_->selectionModel()->setCurrentIndex(table_->model()->index(row, column),
                                              QItemSelectionModel::ClearAndSelect);
}

QModelIndex TestTimingTable::cursor() const
{
    const QModelIndexList selected = table_->selectionModel()->selectedIndexes();
    return selected.size() == 1 ? selected.first() : QModelIndex();
}

void TestTimingTable::startsEmptyAndRefusesTiming()
{
    QCOMPARE(table_->model()->rowCount(), 1);
    QCOMPARE(table_->model()->index(0, timing::LabelColumn).data().toString(),
             QStringLiteral("Element 1"));
    QCOMPARE(cursor(), table_->model()->index(0, timing::StartColumn));
    QVERIFY(!table_->hasRecord());
    QVERIFY(!table_->isSelectionEditable());
    QVERIFY(table_->isColumnHidden(timing::LabelColumn));
    QCOMPARE(table_->sizeHint().width(), 430);

    // No record yet: nothing may be recorded, and clearing has nothing to store.
    table_->setSelectionTime(1000);
    table_->clearTable();
    QCOMPARE(rowTexts(table_->model()), QStringList{QStringLiteral("|||")});
    QVERIFY(updates_.empty());
}

void TestTimingTable::replay_data()
{
    QTest::addColumn<QList<qint32>>("marks");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("cursorRow");
    QTest::addColumn<int>("cursorColumn");

    QTest::addRow("one element")
        << QList<qint32>{1000, 4500}
        << QStringList{"0:01:000|0:04:500|03:500|0:03:500", "|||"} << 1
        << int(timing::StartColumn);
    QTest::addRow("second element open")
        << QList<qint32>{1000, 4500, 6000}
        << QStringList{"0:01:000|0:04:500|03:500|0:03:500", "0:06:000|||"} << 1
        << int(timing::EndColumn);
    QTest::addRow("sums run on")
        << QList<qint32>{1000, 2000, 5000, 8000, 10000, 10500}
        << QStringList{"0:01:000|0:02:000|01:000|0:01:000", "0:05:000|0:08:000|03:000|0:04:000",
                       "0:10:000|0:10:500|00:500|0:04:500", "|||"}
        << 3 << int(timing::StartColumn);
    QTest::addRow("no marks") << QList<qint32>{} << QStringList{"|||"} << 0
                              << int(timing::StartColumn);
}

void TestTimingTable::replay()
{
    QFETCH(QList<qint32>, marks);
    QFETCH(QStringList, rows);
    QFETCH(int, cursorRow);
    QFETCH(int, cursorColumn);

    QSignalSpy editable(table_.get(), &TimingTable::selectionEditable);
    QSignalSpy loaded(table_.get(), &TimingTable::recordLoaded);
    table_->setData(record({marks}));

    QCOMPARE(rowTexts(table_->model()), rows);
    QCOMPARE(cursor(), table_->model()->index(cursorRow, cursorColumn));
    QVERIFY(table_->isSelectionEditable());
    QCOMPARE(editable.last().first().toBool(), true);
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.first().first().toBool(), true);

    // One announcement of the whole record at the end, not one per mark.
    QCOMPARE(updates_.size(), std::size_t(1));
    QCOMPARE(marksOf(updates_.front()), marks);
    QCOMPARE(updates_.front().filename_size(), 1);
    QCOMPARE(updates_.front().hash(), std::string(fingerprint));
}

void TestTimingTable::entryAdvancesCursor()
{
    // An empty time sequence is loaded silently.
    table_->setData(record({}));
    QVERIFY(updates_.empty());
    QVERIFY(table_->isSelectionEditable());

    table_->setSelectionTime(1000);
    QCOMPARE(cursor(), table_->model()->index(0, timing::EndColumn));
    QCOMPARE(updates_.size(), std::size_t(1));
    QCOMPARE(marksOf(updates_.back()), (QList<qint32>{1000}));

    table_->setSelectionTime(4500);
    QCOMPARE(table_->model()->rowCount(), 2);
    QCOMPARE(table_->model()->index(1, timing::LabelColumn).data().toString(),
             QStringLiteral("Element 2"));
    QCOMPARE(cursor(), table_->model()->index(1, timing::StartColumn));
    // The new row comes after the save, so the record announced for the end holds no more.
    QCOMPARE(updates_.size(), std::size_t(2));
    QCOMPARE(marksOf(updates_.back()), (QList<qint32>{1000, 4500}));
    QCOMPARE(rowTexts(table_->model()),
             (QStringList{"0:01:000|0:04:500|03:500|0:03:500", "|||"}));
}

void TestTimingTable::wrapsAtOneDay_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<qint32>("stored");

    QTest::addRow("beyond a day") << qint64(90000000) << QTime(1, 0) << qint32(3600000);
    QTest::addRow("before zero") << qint64(-1) << QTime(23, 59, 59, 999) << qint32(86399999);
}

void TestTimingTable::wrapsAtOneDay()
{
    QFETCH(qint64, ms);
    QFETCH(QTime, time);
    QFETCH(qint32, stored);

    table_->setData(record({}));
    table_->setSelectionTime(ms);
    QCOMPARE(table_->model()->index(0, timing::StartColumn).data().toTime(), time);
    QCOMPARE(marksOf(updates_.back()), QList<qint32>{stored});
}

void TestTimingTable::storedMarksComeBackAsTheyWere_data()
{
    QTest::addColumn<QList<qint32>>("marks");
    // A time of day cannot show these; the record must still hold them after the load.
    QTest::addRow("outside one day") << QList<qint32>{-1, 86400000};
    QTest::addRow("open start past a day") << QList<qint32>{100, 200, 90000000};
    // Long records load in one pass (a mark at a time took minutes for a million).
    QList<qint32> many;
    for (int i = 0; i < 20001; ++i)
        many << i * 7;
    QTest::addRow("20,001 marks") << many;
}

void TestTimingTable::storedMarksComeBackAsTheyWere()
{
    QFETCH(QList<qint32>, marks);
    table_->setData(record({marks}));
    QCOMPARE(updates_.size(), std::size_t(1));
    QCOMPARE(marksOf(updates_.back()), marks);
    const int rows = marks.size() / 2 + 1;
    QCOMPARE(table_->model()->rowCount(), rows);
    QCOMPARE(cursor(), table_->model()->index(rows - 1, marks.size() % 2 == 1
                                                          ? timing::EndColumn
                                                          : timing::StartColumn));
    QCOMPARE(table_->model()->index(rows - 1, timing::LabelColumn).data().toString(),
             QStringLiteral("Element %1").arg(rows));
    // A new entry goes on after them and keeps them as they were.
    table_->setSelectionTime(5);
    QCOMPARE(marksOf(updates_.back()).mid(0, marks.size()), marks);
}

void TestTimingTable::earlierMarksCountFromTheFirstFrame_data()
{
    QTest::addColumn<bool>("counted");
    QTest::addColumn<qint64>("zero");
    QTest::addColumn<QList<qint32>>("expected");
    // An MPEG-TS whose first frame lies 780 ms into the player's clock.
    QTest::addRow("earlier version, clock from 780 ms") << false << qint64(780)
                                                      << QList<qint32>{220, 720, 1220};
    QTest::addRow("earlier version, first frame at zero") << false << qint64(0)
                                                        << QList<qint32>{1000, 1500, 2000};
    QTest::addRow("counted from the first frame already") << true << qint64(780)
                                                        << QList<qint32>{1000, 1500, 2000};
}

void TestTimingTable::earlierMarksCountFromTheFirstFrame()
{
    QFETCH(bool, counted);
    QFETCH(qint64, zero);
    QFETCH(QList<qint32>, expected);
    VideoMetadata stored = record({{1000, 1500, 2000}});
    if (counted)
        stored.set_marks_from_first_frame(true);
    // Through its bytes, as the file holds it.
    VideoMetadata loaded;
    QVERIFY(loaded.ParseFromString(stored.SerializeAsString()));
    table_->setData(loaded);
    const std::size_t before = updates_.size();
    table_->setTimeZero(zero);
    table_->setTimeZero(zero); // once only
    // Saved at once only where the marks moved; otherwise with the next change.
    const bool moved = !counted && zero > 0;
    QCOMPARE(updates_.size(), before + (moved ? 1 : 0));
    QCOMPARE(marksOf(updates_.back()), expected);
    table_->setSelectionTime(3000);
    QVERIFY(updates_.back().marks_from_first_frame());
    QCOMPARE(rowTexts(table_->model()).first().section(QLatin1Char('|'), 0, 0),
             QTime(0, 0).addMSecs(expected.first()).toString(QStringLiteral("m:ss:zzz")));
}

void TestTimingTable::durationRule_data()
{
    QTest::addColumn<qint32>("end");
    QTest::addColumn<QStringList>("rows");

    // Row 0 is entered with start 5000 and the given end; row 1 has a duration of its own.
    QTest::addRow("end before start")
        << qint32(4000) << QStringList{"0:05:000|0:04:000||", "0:07:000|0:08:000|01:000|", "|||"};
    QTest::addRow("end equal to start")
        << qint32(5000)
        << QStringList{"0:05:000|0:05:000|00:000|0:00:000", "0:07:000|0:08:000|01:000|0:01:000",
                       "|||"};
    QTest::addRow("end after start")
        << qint32(6500)
        << QStringList{"0:05:000|0:06:500|01:500|0:01:500", "0:07:000|0:08:000|01:000|0:02:500",
                       "|||"};
}

void TestTimingTable::durationRule()
{
    QFETCH(qint32, end);
    QFETCH(QStringList, rows);

    table_->setData(record({}));
    for (const qint64 ms : {qint64(5000), qint64(end), qint64(7000), qint64(8000)})
        table_->setSelectionTime(ms);
    QCOMPARE(rowTexts(table_->model()), rows);
    QCOMPARE(marksOf(updates_.back()), (QList<qint32>{5000, end, 7000, 8000}));
}

void TestTimingTable::retimingEarlierStart()
{
    table_->setData(record({{1000, 4500, 6000, 9000}}));
    updates_.clear();

    select(0, timing::StartColumn);
    table_->setSelectionTime(2500);
    QCOMPARE(rowTexts(table_->model()),
             (QStringList{"0:02:500|0:04:500|02:000|0:02:000", "0:06:000|0:09:000|03:000|0:05:000",
                          "|||"}));
    QCOMPARE(cursor(), table_->model()->index(0, timing::EndColumn));
    QCOMPARE(updates_.size(), std::size_t(1));
    QCOMPARE(marksOf(updates_.back()), (QList<qint32>{2500, 4500, 6000, 9000}));

    // Re-timing an end moves on to the start of the next, existing row.
    table_->setSelectionTime(5000);
    QCOMPARE(cursor(), table_->model()->index(1, timing::StartColumn));
    QCOMPARE(table_->model()->rowCount(), 3);
}

void TestTimingTable::onlyLastMeasureEdited()
{
    table_->setData(record({{1, 2, 3}, {1000}}));
    QCOMPARE(updates_.size(), std::size_t(1));

    table_->setSelectionTime(2000);
    const VideoMetadata &entered = updates_.back();
    QCOMPARE(entered.time_sequence_size(), 2);
    QCOMPARE(marksOf(entered, 0), (QList<qint32>{1, 2, 3}));
    QCOMPARE(marksOf(entered, 1), (QList<qint32>{1000, 2000}));

    table_->clearTable();
    const VideoMetadata &cleared = updates_.back();
    QCOMPARE(cleared.time_sequence_size(), 2);
    QCOMPARE(marksOf(cleared, 0), (QList<qint32>{1, 2, 3}));
    QVERIFY(marksOf(cleared, 1).isEmpty());
}

void TestTimingTable::clearTable_data()
{
    QTest::addColumn<QList<QList<qint32>>>("sequences");
    QTest::addColumn<int>("sequenceCount");

    QTest::addRow("no measure") << QList<QList<qint32>>{} << 0;
    QTest::addRow("one empty measure") << QList<QList<qint32>>{{}} << 1;
    QTest::addRow("one measure") << QList<QList<qint32>>{{1000, 4500, 6000}} << 1;
}

void TestTimingTable::clearTable()
{
    QFETCH(QList<QList<qint32>>, sequences);
    QFETCH(int, sequenceCount);

    table_->setData(record(sequences));
    updates_.clear();
    table_->clearTable();

    QCOMPARE(rowTexts(table_->model()), QStringList{"|||"});
    QCOMPARE(cursor(), table_->model()->index(0, timing::StartColumn));
    QCOMPARE(updates_.size(), std::size_t(1));
    QCOMPARE(updates_.back().time_sequence_size(), sequenceCount);
    if (sequenceCount > 0)
        QVERIFY(marksOf(updates_.back()).isEmpty());
    QCOMPARE(updates_.back().hash(), std::string(fingerprint));
}

void TestTimingTable::refusedSelections_data()
{
    QTest::addColumn<QList<QPoint>>("cells"); // (column, row)

    QTest::addRow("duration cell") << QList<QPoint>{{timing::DurationColumn, 0}};
    QTest::addRow("sum cell") << QList<QPoint>{{timing::SumColumn, 1}};
    QTest::addRow("label cell") << QList<QPoint>{{timing::LabelColumn, 0}};
    QTest::addRow("start and end") << QList<QPoint>{{timing::StartColumn, 1},
                                                    {timing::EndColumn, 1}};
    QTest::addRow("two starts") << QList<QPoint>{{timing::StartColumn, 0},
                                                 {timing::StartColumn, 1}};
    QTest::addRow("nothing") << QList<QPoint>{};
}

void TestTimingTable::refusedSelections()
{
    QFETCH(QList<QPoint>, cells);

    table_->setData(record({{1000, 4500, 6000}}));
    updates_.clear();
    const QStringList before = rowTexts(table_->model());

    QSignalSpy editable(table_.get(), &TimingTable::selectionEditable);
    table_->selectionModel()->clearSelection();
    for (const QPoint &cell : cells)
        table_->selectionModel()->select(table_->model()->index(cell.y(), cell.x()),
                                         QItemSelectionModel::Select);
    QVERIFY(!editable.isEmpty());
    QCOMPARE(editable.last().first().toBool(), false);
    QVERIFY(!table_->isSelectionEditable());

    table_->setSelectionTime(7777);
    QCOMPARE(rowTexts(table_->model()), before);
    QVERIFY(updates_.empty());
}

void TestTimingTable::discardDropsRecord()
{
    table_->setData(record({{1000, 4500}}));
    updates_.clear();
    QSignalSpy loaded(table_.get(), &TimingTable::recordLoaded);

    table_->discardData();
    QCOMPARE(rowTexts(table_->model()), QStringList{"|||"});
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.first().first().toBool(), false);
    QVERIFY(!table_->hasRecord());

    // Nothing may now be stored into the dropped record, neither a time nor a clearing.
    table_->setSelectionTime(2000);
    table_->clearTable();
    QCOMPARE(rowTexts(table_->model()), QStringList{"|||"});
    QVERIFY(updates_.empty());
}

void TestTimingTable::endBeforeStartKeepsPairs()
{
    table_->setData(record({}));
    // The user records an end into the open row before any start, then goes on normally.
    select(0, timing::EndColumn);
    table_->setSelectionTime(3000);
    QCOMPARE(cursor(), table_->model()->index(1, timing::StartColumn));
    table_->setSelectionTime(5000);
    table_->setSelectionTime(6000);
    QCOMPARE(rowTexts(table_->model()),
             (QStringList{"|0:03:000||", "0:05:000|0:06:000|01:000|", "|||"}));

    // The lone end is kept as an element lasting no time, and later marks stay in their rows.
    const VideoMetadata stored = updates_.back();
    QCOMPARE(marksOf(stored), (QList<qint32>{3000, 3000, 5000, 6000}));
    table_->setData(stored);
    QCOMPARE(rowTexts(table_->model()),
             (QStringList{"0:03:000|0:03:000|00:000|0:00:000", "0:05:000|0:06:000|01:000|0:01:000",
                          "|||"}));
}

void TestTimingTable::randomisedEntriesSurviveReload()
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 60; ++round) {
        table_->setData(record({}));
        updates_.clear();
        qint64 now = 0;
        const int steps = random.bounded(1, 40);
        for (int step = 0; step < steps; ++step) {
            now += random.bounded(1, 5000);
            const int rows = table_->model()->rowCount();
            // Now and then the user goes back to a recorded start or end and times it again.
            if (rows > 1 && random.bounded(5) == 0) {
                select(random.bounded(rows - 1),
                       random.bounded(2) ? timing::StartColumn : timing::EndColumn);
            }
            table_->setSelectionTime(random.bounded(2) ? now : random.bounded(100000));
        }
        const QStringList entered = rowTexts(table_->model());
        QVERIFY(!updates_.empty());
        const VideoMetadata stored = updates_.back();
        QCOMPARE(stored.time_sequence_size(), 1);

        TimingTable reloaded;
        reloaded.setData(stored);
        QCOMPARE(rowTexts(reloaded.model()), entered);
    }
}

void TestTimingTable::delegateGivesNoEditor()
{
    table_->setData(record({{1000, 4500}}));
    table_->show();
    QVERIFY(QTest::qWaitForWindowExposed(table_.get()));

    const QModelIndex start = table_->model()->index(0, timing::StartColumn);
    QSignalSpy doubleClicks(table_.get(), &TimingTable::doubleClicked);
    const QPoint at = table_->visualRect(start).center();
    QTest::mouseClick(table_->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table_->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(doubleClicks.count(), 1);
    // An editor would be a child of the viewport.
    QVERIFY(table_->viewport()->findChildren<QWidget *>().isEmpty());
    QCOMPARE(start.data().toTime(), QTime(0, 0, 1));
    table_->edit(table_->model()->index(0, timing::SumColumn));
    QVERIFY(table_->viewport()->findChildren<QWidget *>().isEmpty());

    const TimingTableDelegate delegate;
    QWidget parent;
    QVERIFY(!delegate.createEditor(&parent, QStyleOptionViewItem(), start));
    QWidget *labelEditor = delegate.createEditor(
        &parent, QStyleOptionViewItem(), table_->model()->index(0, timing::LabelColumn));
    QVERIFY(labelEditor);
    delete labelEditor;
}

void TestTimingTable::delegatePaints_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("text");

    const auto ms = [](int value) { return QVariant(QTime(0, 0).addMSecs(value)); };
    QTest::addRow("zero start") << ms(0) << int(timing::StartColumn) << false
                                << QStringLiteral("0:00:000");
    QTest::addRow("duration") << ms(61250) << int(timing::DurationColumn) << false
                              << QStringLiteral("01:250");
    QTest::addRow("start past an hour") << ms(3723004) << int(timing::StartColumn) << false
                                        << QStringLiteral("2:03:004");
    QTest::addRow("selected sum") << ms(83456) << int(timing::SumColumn) << true
                                  << QStringLiteral("1:23:456");
    QTest::addRow("invalid sum") << QVariant(QTime()) << int(timing::SumColumn) << true
                                 << QString();
}

void TestTimingTable::delegatePaints()
{
    QFETCH(QVariant, value);
    QFETCH(int, column);
    QFETCH(bool, selected);
    QFETCH(QString, text);

    QStandardItemModel model(1, timing::ColumnCount);
    model.setData(model.index(0, column), value);
    const QModelIndex index = model.index(0, column);

    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 120, 24);
    option.palette = table_->palette();
    option.font = table_->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.state = QStyle::State_Enabled;
    if (selected)
        option.state |= QStyle::State_Selected;

    const auto canvas = [] {
        QImage image(120, 24, QImage::Format_ARGB32);
        image.fill(Qt::white);
        return image;
    };
    QImage painted = canvas();
    {
        QPainter painter(&painted);
        painter.setFont(option.font);
        TimingTableDelegate().paint(&painter, option, index);
    }

    QImage expected = canvas();
    {
        QPainter painter(&expected);
        painter.setFont(option.font);
        if (text.isEmpty()) {
            QStyledItemDelegate().paint(&painter, option, index);
        } else {
            if (selected)
                painter.fillRect(option.rect, option.palette.brush(QPalette::Highlight));
            painter.drawText(QRectF(option.rect), text, QTextOption(Qt::AlignCenter));
        }
    }
    QCOMPARE(painted, expected);
    if (!text.isEmpty())
        QVERIFY(painted != canvas());
}

void TestTimingTable::copyKeyWorksAnywhereInWindow()
{
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    auto *table = new TimingTable(&window);
    auto *button = new QPushButton(QStringLiteral("Play"), &window);
    layout->addWidget(table);
    layout->addWidget(button);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy copies(table, &TimingTable::copyRequest);
    button->setFocus();
    QTest::keySequence(button, QKeySequence::Copy);
    QCOMPARE(copies.count(), 1);
    table->setFocus();
    QTest::keySequence(table, QKeySequence::Copy);
    QCOMPARE(copies.count(), 2);
}

QTEST_MAIN(TestTimingTable)
#include "tst_timing_table.moc"
