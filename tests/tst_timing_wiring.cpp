#include "frame_grid.h"
#include "media_player.h"
#include "player_fixture.h"
#include "record_support.h"
#include "test_support.h"
#include "timer_widget.h"
#include "timing_table.h"
#include "video_metadata.pb.h"

#include <QAbstractItemModel>
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

private:
    MediaPlayer *open(const QString &path);
    int shownFrame() const { return morlek::test::shownFrame(*player_); }
    bool waitForFrame(int expected) const { return morlek::test::waitForFrame(*player_, expected); }
    void stepTo(int frame);
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
    const qint64 start = player_->currentTime();
    QTest::keyClick(player_.get(), Qt::Key_Return);
    // The panel's button takes the time a moment after the key; the user looks before stepping.
    QTRY_COMPARE(tableRows(), (QList<QList<qint64>>{{start}}));
    stepTo(11);
    const qint64 end = player_->currentTime();
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTRY_COMPARE(tableRows(), (QList<QList<qint64>>{{start, end}}));
    QCOMPARE(start, qint64(161));
    QCOMPARE(end, qint64(441));

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
    QTRY_COMPARE(tableRows(), (QList<QList<qint64>>{{161}}));
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
    QTest::keyClick(player_.get(), Qt::Key_Space);
    QTRY_COMPARE(player_->mediaObject()->state(), Phonon::PlayingState);
    QTest::qWait(500);
    const int seen = shownFrame();
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTRY_COMPARE(tableRows().size(), rowsBefore + 1);
    const qint64 recorded = tableRows().last().first();
    const qint64 frame = player_->frameGrid().frameAt(recorded);
    QVERIFY2(qAbs(frame - seen) <= 1, qPrintable(QStringLiteral("seen %1, recorded %2 (frame %3)")
                                                      .arg(seen)
                                                      .arg(recorded)
                                                      .arg(frame)));
}

QTEST_MAIN(TestTimingWiring)
#include "tst_timing_wiring.moc"
