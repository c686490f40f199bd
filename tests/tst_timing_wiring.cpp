#include "file_support.h"
#include "frame_grid.h"
#include "media_player.h"
#include "player_fixture.h"
#include "record_support.h"
#include "test_support.h"
#include "timer_widget.h"
#include "time_format.h"
#include "timing_table.h"
#include "video_metadata.pb.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>

#include <phonon/MediaObject>

#include <memory>

using namespace morlek::test;

// The player, the timing panel and the stored record together, on a real video.
class TestTimingWiring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void recordedTimesComeBackForACopy();
    void doubleClickSeeksToTheRecordedFrame();
    void markWhilePlayingIsTheFrameSeen();
    void everyReturnIsTheShownFramesStart_data();
    void everyReturnIsTheShownFramesStart();
    void mainRoadAtFiftyFps();
    void runsAndUndoSurviveARestart();

private:
    MediaPlayer *open(const QString &path);
    int shownFrame() const { return morlek::test::shownFrame(*player_); }
    bool waitForFrame(int expected) const { return morlek::test::waitForFrame(*player_, expected); }
    void stepTo(int frame);
    void doubleClickCell(int row, int column);
    static QList<qint64> storedMarks(const TempHome &home);
    QList<QList<qint64>> tableRows() const;
    // The record of the first video; the test checks that it is the only file written for it.
    dravenhol::morlek::VideoMetadata storedRecord() const
    {
        return morlek::test::onlyStoredRecord(home_.dataDir());
    }

    TempHome home_;
    QTemporaryDir dir_;
    QString video_;
    QString otherVideo_;
    std::unique_ptr<MediaPlayer> player_;
};

void TestTimingWiring::initTestCase()
{
    QVERIFY(home_.isValid());
    QVERIFY(dir_.isValid());
    video_ = dir_.filePath(QStringLiteral("routine.mp4"));
    otherVideo_ = dir_.filePath(QStringLiteral("another routine.mp4"));
    for (const auto &[path, seconds] : {std::pair{video_, 2.0}, std::pair{otherVideo_, 1.6}}) {
        QString error;
        QVERIFY2(morlek::test::makeCodedVideo(path, 25, seconds,
                                              {QStringLiteral("-c:v"), QStringLiteral("libx264"),
                                               QStringLiteral("-g"), QStringLiteral("12")},
                                              false, &error),
                 qPrintable(error));
    }
}

MediaPlayer *TestTimingWiring::open(const QString &path)
{
    // One window at a time: a window holds its video's record while it is open.
    player_.reset();
    player_ = std::make_unique<MediaPlayer>(path);
    // The timing panel opens for timing once the video has loaded and its record is in.
    TimerWidget *panel = player_->timerWidget();
    const bool loaded =
        morlek::test::showAndWaitForLoad(*player_, [panel] { return panel->isEnabled(); });
    player_->setFPS(25);
    return loaded ? player_.get() : nullptr;
}

void TestTimingWiring::stepTo(int frame)
{
    const int from = player_->frameGrid().frameAt(player_->currentTime());
    for (int next = from + 1; next <= frame; ++next) {
        QTest::keyClick(player_.get(), Qt::Key_Right);
        QVERIFY2(waitForFrame(next), qPrintable(QString::number(shownFrame())));
    }
}

QList<QList<qint64>> TestTimingWiring::tableRows() const
{
    const auto *table = player_->timerWidget()->findChild<TimingTable *>();
    const QAbstractItemModel *model = table->model();
    QList<QList<qint64>> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QList<qint64> times;
        for (int column : {1, 2}) {
            const QTime time = model->index(row, column).data().toTime();
            if (time.isValid())
                times << time.msecsSinceStartOfDay();
        }
        if (!times.isEmpty())
            rows << times;
    }
    return rows;
}

void TestTimingWiring::recordedTimesComeBackForACopy()
{
    QVERIFY(open(video_));
    stepTo(4);
    const qint64 start = player_->recordingTime();
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QCOMPARE(tableRows(), (QList<QList<qint64>>{{start}}));
    stepTo(11);
    const qint64 end = player_->recordingTime();
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QCOMPARE(tableRows(), (QList<QList<qint64>>{{start, end}}));
    QCOMPARE(start, qint64(160));
    QCOMPARE(end, qint64(440));

    // Both marks are on disk, and nothing else is.
    QTRY_COMPARE(storedRecord().time_sequence_size(), 1);
    QTRY_COMPARE(storedRecord().time_sequence(0).timestamp_size(), 2);
    const auto record = storedRecord();
    QVERIFY(record.IsInitialized());
    QCOMPARE(qint64(record.time_sequence(0).timestamp(0)), start);
    QCOMPARE(qint64(record.time_sequence(0).timestamp(1)), end);
    QCOMPARE(record.filename_size(), 1);
    QCOMPARE(QString::fromStdString(record.filename(0)), video_);
    QCOMPARE(tableRows(), (QList<QList<qint64>>{{start, end}}));

    // The same video under another name in another folder brings the same rows back.
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(QStringLiteral("renamed copy.mp4"));
    QVERIFY(QFile::copy(video_, copy));
    QVERIFY(open(copy));
    QCOMPARE(tableRows(), (QList<QList<qint64>>{{start, end}}));
    QTRY_COMPARE(storedRecord().filename_size(), 2);
    QCOMPARE(QString::fromStdString(storedRecord().filename(1)), copy);
    QCOMPARE(storedRecord().time_sequence(0).timestamp_size(), 2);
}

void TestTimingWiring::doubleClickSeeksToTheRecordedFrame()
{
    QVERIFY(open(otherVideo_));
    stepTo(4);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTRY_COMPARE(tableRows(), (QList<QList<qint64>>{{160}}));
    const QList<QList<qint64>> rows = tableRows();
    stepTo(20);
    auto *table = player_->timerWidget()->findChild<TimingTable *>();
    const QModelIndex startCell = table->model()->index(0, 1);
    const QRect cell = table->visualRect(startCell);
    QSignalSpy seeks(player_->timerWidget(), &TimerWidget::seek);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QCOMPARE(seeks.size(), 1);
    QCOMPARE(seeks.first().first().toLongLong(), rows.first().first());
    QVERIFY2(waitForFrame(4), qPrintable(QString::number(shownFrame())));
    QCOMPARE(player_->mediaObject()->state(), Phonon::PausedState);
    // Stepping goes on from the recorded frame.
    QTest::keyClick(player_.get(), Qt::Key_Right);
    QVERIFY(waitForFrame(5));
}

void TestTimingWiring::markWhilePlayingIsTheFrameSeen()
{
    QVERIFY(open(video_));
    const int rowsBefore = tableRows().size();
    // The window fits itself once more 150 ms after loading: playing starts once it has
    // settled, as a user's would.
    QTest::qWait(300);
    QTest::keyClick(player_.get(), Qt::Key_Space);
    QTRY_COMPARE(player_->mediaObject()->state(), Phonon::PlayingState);
    QTest::qWait(500);
    // A picture caught while it is drawn reads as no frame: read again, for up to a second
    // (a loaded machine can leave several pictures in a row half drawn).
    int seen = -1;
    QVERIFY2(QTest::qWaitFor([&] { return (seen = shownFrame()) >= 0; }, 1000),
             "no frame could be read while playing");
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTRY_COMPARE(tableRows().size(), rowsBefore + 1);
    const qint64 recorded = tableRows().last().first();
    const qint64 frame = player_->frameGrid().frameAt(recorded);
    QVERIFY2(qAbs(frame - seen) <= 1, qPrintable(QStringLiteral("seen %1, recorded %2 (frame %3)")
                                                      .arg(seen)
                                                      .arg(recorded)
                                                      .arg(frame)));
}

void TestTimingWiring::doubleClickCell(int row, int column)
{
    auto *table = player_->timerWidget()->findChild<TimingTable *>();
    const QPoint centre = table->visualRect(table->model()->index(row, column)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

QList<qint64> TestTimingWiring::storedMarks(const TempHome &home)
{
    QList<qint64> marks;
    for (qint32 mark : morlek::test::marksOf(morlek::test::onlyStoredRecord(home.dataDir())))
        marks << mark;
    return marks;
}

void TestTimingWiring::everyReturnIsTheShownFramesStart_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("fps");
    QTest::addColumn<QString>("container");
    for (int fps : {25, 30, 50}) {
        for (const char *container : {"mp4", "mkv"})
            QTest::addRow("%d fps %s", fps, container)
                << QString::number(fps) << fps << QString::fromLatin1(container);
    }
    // NTSC videos with "30 FPS" and "60 FPS" chosen.
    QTest::addRow("29.97 fps mp4") << "30000/1001" << 30 << "mp4";
    QTest::addRow("59.94 fps mkv") << "60000/1001" << 60 << "mkv";
    // Phone slow motion, with "Every frame of the video" (0).
    QTest::addRow("120 fps mp4, every frame") << "120" << 0 << "mp4";
    // A rate that changes on the way (30 fps, then 24), with sound as phones record it.
    QTest::addRow("variable rate mp4, every frame") << "vfr" << 0 << "mp4";
}

// Each Return is one mark, however quick, holding the start of the frame on screen as the file
// stamps it (MKV stamps frames to the nearest millisecond); a double click on a mark shows its
// frame again, and so do the marks of earlier versions, a millisecond later.
void TestTimingWiring::everyReturnIsTheShownFramesStart()
{
    QFETCH(QString, rate);
    QFETCH(int, fps);
    QFETCH(QString, container);
    const QString path = dir_.filePath(
        QStringLiteral("marks%1.%2").arg(QString(rate).replace(QLatin1Char('/'), QLatin1Char('_')),
                                          container));
    QString error;
    const bool made = rate == QLatin1String("vfr")
        ? morlek::test::makeVariableRateVideo(path, 1.2, true, &error)
        : morlek::test::makeCodedVideo(path, rate, 1.2,
                                       {QStringLiteral("-c:v"), QStringLiteral("libx264"),
                                        QStringLiteral("-g"), QStringLiteral("12"),
                                        QStringLiteral("-c:a"), QStringLiteral("aac")},
                                       true, &error);
    QVERIFY2(made, qPrintable(error));
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    QVERIFY(starts.size() > 20);
    TempHome home;
    QVERIFY(open(path));
    player_->setFPS(fps);
    QTRY_VERIFY(player_->frameGrid().origin() == starts.first());
    if (fps == 0)
        QTRY_VERIFY(player_->frameGrid().isFrameList());

    const QList<int> frames{5, 6, 8, 9};
    QList<qint64> expected;
    const auto *frameLabel = player_->findChild<QLabel *>(QStringLiteral("frameLabel"));
    QVERIFY(frameLabel);
    for (int frame : frames) {
        stepTo(frame);
        // The frame on screen, by its number in the file.
        QTRY_COMPARE(frameLabel->text(), QStringLiteral("Frame %1").arg(frame));
        QTest::keyClick(player_.get(), Qt::Key_Return);
        expected << starts.at(frame);
    }
    // Four presses 10 ms apart on the same frame, as two fingers or a quick hand make them.
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(player_.get(), Qt::Key_Return);
        QTest::qWait(10);
        expected << starts.at(9);
    }
    QCOMPARE(storedMarks(home), expected);

    for (int i = 0; i < frames.size(); ++i) {
        stepTo(12);
        doubleClickCell(i / 2, 1 + i % 2);
        QVERIFY2(waitForFrame(frames.at(i)), qPrintable(QStringLiteral("mark %1 shows %2")
                                                            .arg(expected.at(i))
                                                            .arg(shownFrame())));
    }

    // A record of an earlier version: every mark a millisecond after its frame's start.
    player_.reset();
    auto record = morlek::test::onlyStoredRecord(home.dataDir());
    for (int i = 0; i < record.time_sequence(0).timestamp_size(); ++i)
        record.mutable_time_sequence(0)->set_timestamp(i, record.time_sequence(0).timestamp(i) + 1);
    QVERIFY(morlek::test::writeFile(morlek::test::onlyDataFile(home.dataDir()),
                                    morlek::test::encode(record)));
    QVERIFY(open(path));
    player_->setFPS(fps);
    if (fps == 0)
        QTRY_VERIFY(player_->frameGrid().isFrameList());
    for (int i = 0; i < frames.size(); ++i) {
        stepTo(12);
        doubleClickCell(i / 2, 1 + i % 2);
        QVERIFY2(waitForFrame(frames.at(i)), qPrintable(QStringLiteral("old mark %1 shows %2")
                                                            .arg(expected.at(i) + 1)
                                                            .arg(shownFrame())));
    }
}

// The README's first use: five steps, Return, ten steps, Return, at 50 fps.
void TestTimingWiring::mainRoadAtFiftyFps()
{
    const QString path = dir_.filePath(QStringLiteral("road.mp4"));
    QString error;
    QVERIFY2(morlek::test::makeCodedVideo(path, 50, 1,
                                          {QStringLiteral("-c:v"), QStringLiteral("libx264")},
                                          false, &error),
             qPrintable(error));
    TempHome home;
    QVERIFY(open(path));
    player_->setFPS(50);
    stepTo(5);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    stepTo(15);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QCOMPARE(storedMarks(home), (QList<qint64>{100, 300}));
    const auto *table = player_->timerWidget()->findChild<TimingTable *>();
    const QString csv = timing::modelToCsv(*table->model(), QStringLiteral(","));
    QVERIFY2(csv.section(QLatin1Char('\n'), 1, 1, QString::SectionIncludeTrailingSep)
                 == QStringLiteral("\"'0:00:100\",\"'0:00:300\",\"'00:200\",\"'0:00:200\",\n"),
             qPrintable(csv));
}

// A second run on a real video and a wrong press undone: the record on disk shows both runs
// without the undone mark, and the window opened again shows them.
void TestTimingWiring::runsAndUndoSurviveARestart()
{
    TempHome home;
    QVERIFY(open(otherVideo_));
    stepTo(3);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    stepTo(6);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTest::keyClick(player_.get(), Qt::Key_N, Qt::ControlModifier);
    stepTo(8);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    stepTo(10);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTRY_COMPARE(morlek::test::marksOf(morlek::test::onlyStoredRecord(home.dataDir()), 1),
                 (QList<qint32>{320, 400}));
    // The wrong press undone with the Edit menu's key.
    QTest::keyClick(player_.get(), Qt::Key_Z, Qt::ControlModifier);
    const dravenhol::morlek::VideoMetadata stored = morlek::test::onlyStoredRecord(home.dataDir());
    QCOMPARE(stored.time_sequence_size(), 2);
    QCOMPARE(morlek::test::marksOf(stored, 0), (QList<qint32>{120, 240}));
    QCOMPARE(morlek::test::marksOf(stored, 1), QList<qint32>{320});

    // Closed and opened again: the last run is shown, the first is there to choose.
    player_.reset();
    QVERIFY(open(otherVideo_));
    auto *choice = player_->timerWidget()->findChild<QComboBox *>(QStringLiteral("runChoice"));
    QVERIFY(choice);
    QTRY_COMPARE(choice->currentText(), QStringLiteral("Run 2 of 2"));
    QCOMPARE(tableRows(), (QList<QList<qint64>>{{320}}));
    choice->setCurrentIndex(0);
    emit choice->activated(0);
    QCOMPARE(tableRows(), (QList<QList<qint64>>{{120, 240}}));
    // The window holds the record's lock: it goes before the HOME it lies in.
    player_.reset();
}

QTEST_MAIN(TestTimingWiring)
#include "tst_timing_wiring.moc"
