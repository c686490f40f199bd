// Steps back through pictures the engine kept (files whose demuxer cannot run backwards), on
// an engine and a clock of the test's own: which moves show a kept picture, which go back to
// the engine's own, and what marks and playing go on from.

#include "frame_stepper.h"
#include "step_fakes.h"

#include <QSignalSpy>
#include <QTest>

using dravenhol::morlek::player::FrameStepper;
using morlek::test::FakeClock;
using morlek::test::FakeEngine;

class TestFrameStepperKept : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void moves_data();
    void moves();
    void marksNameTheKeptPicture();
    void playingSeeksToTheKeptPictureFirst();
    void noKeptPictureWhileAMoveIsUnderWay();

private:
    void land(qint64 time);

    FakeEngine engine_;
    FakeClock *clock_ = nullptr;
    FrameStepper *stepper_ = nullptr;
};

void TestFrameStepperKept::init()
{
    engine_ = FakeEngine();
    clock_ = new FakeClock;
    stepper_ = new FrameStepper(engine_, *clock_);
    stepper_->setRate(25);
    stepper_->setVideoStart(0, 500);
    // Paused on frame 12, its picture arrived; frames 8 to 11 were decoded on the way.
    engine_.now = 480;
    engine_.shown = 480;
    engine_.kept = {320, 360, 400, 440};
}

void TestFrameStepperKept::cleanup()
{
    delete stepper_;
    delete clock_;
}

void TestFrameStepperKept::land(qint64 time)
{
    engine_.landed = engine_.lastMove();
    engine_.now = time;
    engine_.shown = time;
    stepper_->moveArrived();
    clock_->advance(400);
}

void TestFrameStepperKept::moves_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("time");
    QTest::addRow("Left twice") << "LL" << QStringList{"kept 1 440", "kept 2 400"} << qint64(401);
    // Back to the engine's own picture, then on by its steps.
    QTest::addRow("Left, Right, Right")
        << "LRR" << QStringList{"kept 1 440", "kept 2 -1", "step 3"} << qint64(521);
    QTest::addRow("Left past what is kept")
        << "LLLLL"
        << QStringList{"kept 1 440", "kept 2 400", "kept 3 360", "kept 4 320", "seek 6 281"}
        << qint64(281);
    // A jump from a kept picture past the engine's own is sought: the engine refuses a step,
    // which would go on from its own picture.
    QTest::addRow("ten frames on from a kept picture")
        << "LJ" << QStringList{"kept 1 440", "seek 3 841"} << qint64(841);
}

void TestFrameStepperKept::moves()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, calls);
    QFETCH(qint64, time);
    QSignalSpy moved(stepper_, &FrameStepper::moved);
    for (const QChar key : keys) {
        const int before = engine_.calls.size();
        if (key == QLatin1Char('L'))
            stepper_->rewind();
        else if (key == QLatin1Char('R'))
            stepper_->forward();
        else
            stepper_->jumpFrames(10);
        QVERIFY(engine_.calls.size() > before);
        // A kept picture shows at once; a step or a seek lands when the engine has it.
        if (!engine_.calls.last().startsWith(QLatin1String("kept")))
            land(stepper_->currentTime());
        else
            clock_->advance(400);
    }
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), time);
    QCOMPARE(moved.count(), keys.size());
}

void TestFrameStepperKept::marksNameTheKeptPicture()
{
    stepper_->rewind();
    stepper_->rewind();
    clock_->advance(400);
    QCOMPARE(engine_.keptShown, qint64(400));
    QCOMPARE(stepper_->recordingTime(), qint64(400));
    QCOMPARE(stepper_->shownFrameNumber(), qint64(10));
    QCOMPARE(stepper_->shownTime(), qint64(401));
}

void TestFrameStepperKept::playingSeeksToTheKeptPictureFirst()
{
    stepper_->rewind();
    stepper_->rewind();
    clock_->advance(400);
    stepper_->playPause();
    QCOMPARE(engine_.calls,
             (QStringList{"kept 1 440", "kept 2 400", "seek 3 401", "play"}));
}

void TestFrameStepperKept::noKeptPictureWhileAMoveIsUnderWay()
{
    // A seek that has not landed: the engine's own picture is not known, so Left waits on it.
    engine_.kept.clear();
    stepper_->jumpTo(2000);
    engine_.kept = {1920, 1960};
    stepper_->rewind();
    QVERIFY(!engine_.calls.join(QLatin1Char(' ')).contains(QLatin1String("kept")));
    land(stepper_->currentTime());
    stepper_->rewind();
    QVERIFY2(engine_.calls.last().startsWith(QLatin1String("kept")),
             qPrintable(engine_.calls.join(QLatin1String(", "))));
}

QTEST_GUILESS_MAIN(TestFrameStepperKept)
#include "tst_frame_stepper_kept.moc"
