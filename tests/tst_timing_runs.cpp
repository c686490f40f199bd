// Runs, undo and redo, and the run's summary, on the timing panel with a real storage service
// under a temporary HOME: every check reads the record as stored on disk.

#include "file_support.h"
#include "panel_fixture.h"
#include "record_support.h"
#include "storage.h"
#include "test_support.h"
#include "time_format.h"
#include "timer_widget.h"
#include "timing_table.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using dravenhol::morlek::VideoMetadata;
using morlek::test::PanelFixture;
using Runs = QList<QList<qint32>>;

class TestTimingRuns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void runsAreAddedShownEditedAndStored();
    void recordsOfEarlierVersionsShowTheirLastRun();
    void undoAndRedoFollowASimpleModel();
    void undoIsForgottenWhenARecordLoads();
    void summaryOfTheShownRun();

private:
    TimingTable *table() const { return timing_->table(); }
    QComboBox *runChoice() const
    {
        return timing_->panel()->findChild<QComboBox *>(QStringLiteral("runChoice"));
    }
    /** Records @p ms into the cursor cell with Return. */
    void record(qint64 ms);
    /** Every run of the stored record, as stored. */
    Runs storedRuns() const;
    VideoMetadata storedRecord() const
    {
        return morlek::test::onlyStoredRecord(timing_->home()->dataDir());
    }

    QTemporaryDir videos_;
    QString video_;
    qint64 now_ = 0;
    std::unique_ptr<PanelFixture> timing_;
};

void TestTimingRuns::initTestCase()
{
    QVERIFY(videos_.isValid());
    video_ = videos_.filePath(QStringLiteral("routine.avi"));
    QString error;
    QVERIFY2(PanelFixture::makeVideoToTime(video_, &error), qPrintable(error));
}

void TestTimingRuns::init()
{
    now_ = 0;
    timing_ = std::make_unique<PanelFixture>([this] { return now_; });
    QVERIFY(timing_->isValid());
    QVERIFY(timing_->showActive());
    timing_->storage()->requestLoadData(video_);
    QVERIFY(table()->hasRecord());
}

void TestTimingRuns::cleanup()
{
    timing_.reset();
}

void TestTimingRuns::record(qint64 ms)
{
    now_ = ms;
    QTest::keyClick(table(), Qt::Key_Return);
}

Runs TestTimingRuns::storedRuns() const
{
    const VideoMetadata stored = storedRecord();
    Runs runs;
    for (int run = 0; run < stored.time_sequence_size(); ++run)
        runs << morlek::test::marksOf(stored, run);
    return runs;
}

void TestTimingRuns::runsAreAddedShownEditedAndStored()
{
    QComboBox *choice = runChoice();
    QVERIFY(choice);
    QCOMPARE(choice->currentText(), QStringLiteral("Run 1 of 1"));
    record(1000);
    record(2000);
    QCOMPARE(storedRuns(), (Runs{{1000, 2000}}));

    auto *newRun = timing_->panel()->findChild<QPushButton *>(QStringLiteral("newRunButton"));
    QVERIFY(newRun && newRun->isEnabled());
    newRun->click();
    QCOMPARE(storedRuns(), (Runs{{1000, 2000}, {}}));
    QCOMPARE(choice->currentText(), QStringLiteral("Run 2 of 2"));
    QVERIFY(!table()->model()->index(0, timing::StartColumn).data().isValid());
    record(5000);
    record(7500);
    QCOMPARE(storedRuns(), (Runs{{1000, 2000}, {5000, 7500}}));

    // The first run, shown again and re-timed: its end only.
    choice->setCurrentIndex(0);
    emit choice->activated(0);
    QCOMPARE(table()->shownRun(), 0);
    QCOMPARE(table()->model()->index(0, timing::EndColumn).data().toTime(), QTime(0, 0, 2));
    table()->setCurrentIndex(table()->model()->index(0, timing::EndColumn));
    record(2500);
    QCOMPARE(storedRuns(), (Runs{{1000, 2500}, {5000, 7500}}));

    // The bytes on disk are the record as earlier versions wrote it, with a measure per run.
    VideoMetadata expected = morlek::test::timingRecord(
        QString::fromStdString(storedRecord().hash()), {1000, 2500}, {video_});
    auto *second = expected.add_time_sequence();
    second->add_timestamp(5000);
    second->add_timestamp(7500);
    QCOMPARE(morlek::test::readFile(morlek::test::onlyDataFile(timing_->home()->dataDir())),
             morlek::test::encode(expected));

    // Ctrl+N starts a third run.
    timing_->panel()->newRunAction()->trigger();
    QCOMPARE(storedRuns().size(), 3);
    QCOMPARE(choice->count(), 3);
    QCOMPARE(choice->currentText(), QStringLiteral("Run 3 of 3"));
}

void TestTimingRuns::recordsOfEarlierVersionsShowTheirLastRun()
{
    // Three runs, as an earlier version stored them without showing the first two.
    VideoMetadata earlier = morlek::test::timingRecord(
        QStringLiteral("0123456789abcdef0123456789abcdef01234567"), {100, 200}, {video_});
    for (const QList<qint32> &marks : {QList<qint32>{300, 400}, QList<qint32>{500, 600, 700}}) {
        auto *run = earlier.add_time_sequence();
        for (qint32 mark : marks)
            run->add_timestamp(mark);
    }
    int saved = 0;
    connect(table(), &TimingTable::dataUpdated, this, [&saved] { ++saved; });
    table()->setData(earlier);
    QCOMPARE(runChoice()->currentText(), QStringLiteral("Run 3 of 3"));
    QCOMPARE(table()->model()->index(1, timing::StartColumn).data().toTime(),
             QTime(0, 0, 0, 700));
    // The record is announced once, and stored with the bytes it came with.
    QCOMPARE(saved, 1);
    QCOMPARE(morlek::test::readFile(morlek::test::onlyDataFile(timing_->home()->dataDir())),
             morlek::test::encode(earlier));
    // The earlier runs are there to be shown.
    emit runChoice()->activated(0);
    QCOMPARE(table()->model()->index(0, timing::EndColumn).data().toTime(), QTime(0, 0, 0, 200));
}

// A random sequence of records, re-timings, clearings, new runs, undos and redos: after each
// step the stored record must be the model's. The model is only a list of the records each
// change left, and where undo and redo stand in it.
void TestTimingRuns::undoAndRedoFollowASimpleModel()
{
    QAction *undo = timing_->panel()->undoAction();
    QAction *redo = timing_->panel()->redoAction();
    QVERIFY(undo && redo);
    QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(redo->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QVERIFY(!undo->isEnabled());

    QList<Runs> states{Runs{}};
    int at = 0;
    QRandomGenerator random(20261208);
    for (int step = 0; step < 160; ++step) {
        const int op = int(random.bounded(10));
        const QString what = QStringLiteral("step %1, operation %2").arg(step).arg(op);
        if (op <= 5) {
            if (op == 5) {
                // Re-time a start or end of the shown run.
                const int rows = table()->model()->rowCount();
                table()->setCurrentIndex(table()->model()->index(
                    int(random.bounded(rows)),
                    random.bounded(2) ? timing::StartColumn : timing::EndColumn));
            } else if (op == 4 && random.bounded(4) == 0) {
                table()->clearTable();
            } else if (op == 4) {
                timing_->panel()->newRunAction()->trigger();
            }
            if (op != 4)
                record(qint64(random.bounded(1000, 600000)));
            const Runs now = storedRuns();
            if (now != states.at(at)) {
                states = states.mid(0, at + 1);
                states << now;
                ++at;
            }
        } else if (op <= 7) {
            QCOMPARE(undo->isEnabled(), at > 0);
            if (at > 0) {
                undo->trigger();
                --at;
            }
        } else {
            QCOMPARE(redo->isEnabled(), at + 1 < states.size());
            if (at + 1 < states.size()) {
                redo->trigger();
                ++at;
            }
        }
        // An empty record and one not yet written look alike to the model.
        const Runs stored = storedRuns();
        const Runs expected = states.at(at);
        QVERIFY2(stored == expected || (expected.isEmpty() && stored == Runs{{}}),
                 qPrintable(what));
    }
    QVERIFY(states.size() > 20);
}

void TestTimingRuns::undoIsForgottenWhenARecordLoads()
{
    record(1000);
    QVERIFY(timing_->panel()->undoAction()->isEnabled());
    // The same panel, another video's record.
    table()->setData(morlek::test::timingRecord(
        QStringLiteral("fedcba9876543210fedcba9876543210fedcba98"), {400, 900}));
    QVERIFY(!timing_->panel()->undoAction()->isEnabled());
    QVERIFY(!timing_->panel()->redoAction()->isEnabled());
}

void TestTimingRuns::summaryOfTheShownRun()
{
    auto *summary = timing_->panel()->findChild<QLabel *>(QStringLiteral("runSummary"));
    QVERIFY(summary);
    QCOMPARE(summary->text(), QStringLiteral("No element timed in this run yet"));
    for (qint64 ms : {1000, 4500, 6000, 7000, 9000})
        record(ms);
    // Durations 3.5 s and 1 s; the open third element does not count.
    QCOMPARE(summary->text(), QStringLiteral("Elements: 2, total 0:04:500, mean 0:02:250, "
                                             "fastest 0:01:000, slowest 0:03:500"));
    timing_->panel()->newRunAction()->trigger();
    QCOMPARE(summary->text(), QStringLiteral("No element timed in this run yet"));
    timing_->panel()->undoAction()->trigger();
    QCOMPARE(summary->text().left(12), QStringLiteral("Elements: 2,"));
}

QTEST_MAIN(TestTimingRuns)
#include "tst_timing_runs.moc"
