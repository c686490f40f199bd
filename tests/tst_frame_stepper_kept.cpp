// Pictures the engine kept, on an engine and a clock of the test's own: steps back through
// them (files whose demuxer cannot run backwards), which moves show a kept picture, which go
// back to the engine's own, what marks and playing go on from; and, on files that run
// backwards, kept pictures over the slow moves of the pipeline.

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
    void keptPicturesCoverATurnRound();
    void turnedRoundOntoTheFrameBefore_data();
    void turnedRoundOntoTheFrameBefore();
    void noKeptPictureBehindAStep();
    void keptPictureCoversASeek_data();
    void keptPictureCoversASeek();

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

// Turning round to run backwards decodes a whole keyframe stretch (seconds on a long one):
// the pictures kept from the steps before cover it, each press meanwhile shows its frame at
// once, and the cover stays until the pipeline's step back brings that same frame.
void TestFrameStepperKept::keptPicturesCoverATurnRound()
{
    engine_.instant = false;
    stepper_->rewind();
    QCOMPARE(engine_.calls, (QStringList{"run-back 1 500", "cover 440"}));
    QCOMPARE(stepper_->recordingTime(), qint64(440));
    for (int press = 0; press < 2; ++press) {
        clock_->advance(100);
        stepper_->rewind();
    }
    QCOMPARE(engine_.calls,
             (QStringList{"run-back 1 500", "cover 440", "cover 400", "cover 360"}));
    QCOMPARE(stepper_->recordingTime(), qint64(360));
    QCOMPARE(stepper_->shownFrameNumber(), qint64(9));

    // Turned round on its own frame, still beneath the cover; the three presses go back as one.
    land(480);
    QCOMPARE(engine_.calls.last(), QStringLiteral("step 2 x3"));
    QCOMPARE(stepper_->recordingTime(), qint64(360));
    land(360);
    QCOMPARE(stepper_->recordingTime(), qint64(360));

    // Running backwards, a step is as fast as a kept picture: nothing covers it.
    stepper_->rewind();
    QCOMPARE(engine_.calls.last(), QStringLiteral("step 3"));
}

void TestFrameStepperKept::turnedRoundOntoTheFrameBefore_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<QStringList>("after");
    QTest::addRow("one press: that is the frame wanted") << 1 << QStringList();
    QTest::addRow("three: two steps on from it") << 3 << QStringList{"step 2 x2"};
}

// GStreamer 1.26 can turn round onto the frame before the one it was turned at (frame 11 from
// 12): the steps that follow count from the pipeline's own picture, not from the turn's.
void TestFrameStepperKept::turnedRoundOntoTheFrameBefore()
{
    QFETCH(int, presses);
    QFETCH(QStringList, after);
    engine_.instant = false;
    for (int press = 0; press < presses; ++press) {
        stepper_->rewind();
        clock_->advance(100);
    }
    const int before = engine_.calls.size();
    engine_.landed = 1;
    engine_.now = 480;
    engine_.shown = 440;
    stepper_->moveArrived();
    QCOMPARE(engine_.calls.mid(before), after);
    QCOMPARE(stepper_->currentTime(), qint64(480 - 40 * presses + 1));
}

// A press that comes while a step decodes waits for it with no kept picture: the step's own
// frame would replace one when it came, and a mark taken then would name that frame.
void TestFrameStepperKept::noKeptPictureBehindAStep()
{
    engine_.instant = false;
    // Frames 13 and 14 were decoded ahead.
    engine_.kept << 520 << 560;
    stepper_->forward();
    stepper_->forward();
    QCOMPARE(engine_.calls, QStringList{"step 1"});
    QCOMPARE(stepper_->recordingTime(), qint64(480));
    engine_.shown = 520;
    land(520);
    QCOMPARE(engine_.calls, (QStringList{"step 1", "step 2"}));
}

void TestFrameStepperKept::keptPictureCoversASeek_data()
{
    QTest::addColumn<bool>("instant");
    QTest::addColumn<qint64>("jump");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("shownBeforeLanding");
    QTest::addRow("a kept frame") << false << qint64(370) << QStringList{"seek 1 361", "cover 360"}
                                  << qint64(360);
    QTest::addRow("a frame not kept: the picture stays")
        << false << qint64(130) << QStringList{"seek 1 121"} << qint64(480);
    // Where steps back show kept pictures, a jump to one shows it as a move of its own.
    QTest::addRow("steps back through kept pictures")
        << true << qint64(370) << QStringList{"kept 1 360"} << qint64(360);
}

void TestFrameStepperKept::keptPictureCoversASeek()
{
    QFETCH(bool, instant);
    QFETCH(qint64, jump);
    QFETCH(QStringList, calls);
    QFETCH(qint64, shownBeforeLanding);
    engine_.instant = instant;
    stepper_->jumpTo(jump);
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->recordingTime(), shownBeforeLanding);
    // The seek's own picture of the frame wanted (whose frame starts a ms before) takes over.
    const qint64 frameStart = jump / 40 * 40;
    if (!calls.first().startsWith(QLatin1String("kept")))
        land(frameStart);
    QCOMPARE(stepper_->recordingTime(), frameStart);
}

QTEST_GUILESS_MAIN(TestFrameStepperKept)
#include "tst_frame_stepper_kept.moc"
