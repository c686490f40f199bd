// The stepping policy on an engine and a clock of the test's own: no window, no media back-end.

#include "frame_stepper.h"
#include "step_engine.h"
#include "step_fakes.h"

#include <QSignalSpy>
#include <QTest>

using dravenhol::morlek::player::FrameStepper;

using morlek::test::FakeClock;
using morlek::test::FakeEngine;

class TestFrameStepper : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rightPressesWhileAStepDecodes_data();
    void rightPressesWhileAStepDecodes();
    void leftPress_data();
    void leftPress();
    void fieldCodedVideoStepsTwoPicturesAFrame();
    void seekThatShowsALaterFrame_data();
    void seekThatShowsALaterFrame();
    void stepThatNeverArrives_data();
    void stepThatNeverArrives();
    void stepThatBroughtAnotherFrame_data();
    void stepThatBroughtAnotherFrame();
    void playPressedWhileStepping();
    void rateOfTheVideo_data();
    void rateOfTheVideo();
    void timesWhileAMoveDecodes();
    void endOfPlayback();
    void firstFrameAsShown_data();
    void firstFrameAsShown();
    void keysBeforeTheFileIsProbed_data();
    void keysBeforeTheFileIsProbed();
    void aMarkIsNeverPastTheLastFrame();
    void frameNumberAtTheVideosOwnRate_data();
    void frameNumberAtTheVideosOwnRate();

private:
    // Lands the last move with the engine reporting @p time, and tells the stepper.
    void land(qint64 time);

    FakeEngine engine_;
    FakeClock *clock_ = nullptr;
    FrameStepper *stepper_ = nullptr;
    quint64 moves_ = 0;
};

void TestFrameStepper::init()
{
    engine_ = FakeEngine();
    clock_ = new FakeClock;
    stepper_ = new FrameStepper(engine_, *clock_);
    stepper_->setRate(25);
    stepper_->setVideoStart(0, 500);
}

void TestFrameStepper::cleanup()
{
    delete stepper_;
    delete clock_;
}

void TestFrameStepper::land(qint64 time)
{
    engine_.landed = engine_.lastMove();
    engine_.now = time;
    stepper_->moveArrived();
}

void TestFrameStepper::rightPressesWhileAStepDecodes_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("end");
    // 25 fps: frame k is sought at floor(k * 40) + 1.
    QTest::addRow("one") << 1 << QStringList{"step 1"} << qint64(41);
    QTest::addRow("two: the second steps once the first has come")
        << 2 << QStringList{"step 1", "step 2"} << qint64(81);
    QTest::addRow("three: the waiting move is the latest, and seeks")
        << 3 << QStringList{"step 1", "seek 2 121"} << qint64(121);
    QTest::addRow("six") << 6 << QStringList{"step 1", "seek 2 241"} << qint64(241);
}

void TestFrameStepper::rightPressesWhileAStepDecodes()
{
    QFETCH(int, presses);
    QFETCH(QStringList, calls);
    QFETCH(qint64, end);
    for (int i = 0; i < presses; ++i)
        stepper_->forward();
    // While the first step decodes, further presses only move where the picture is headed.
    QCOMPARE(engine_.calls, QStringList{"step 1"});
    QCOMPARE(stepper_->currentTime(), end);
    land(41);
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), end);
    // A second step decodes, watched by the deadline; a seek or a landed step needs none.
    const bool second = calls.size() > 1 && calls.last().startsWith(QLatin1String("step"));
    QCOMPARE(stepper_->stepDecoding(), second);
    QCOMPARE(clock_->wakeAt >= 0, second);
}

void TestFrameStepper::leftPress_data()
{
    QTest::addColumn<qint64>("keyGapMs");
    QTest::addColumn<QStringList>("calls");
    // From frame 5 (201) to frame 4 (161); the run back starts half a frame on.
    QTest::addRow("keyframes close: run backwards, then step")
        << qint64(480) << QStringList{"run-back 1 221", "step 2"};
    QTest::addRow("keyframes far: seek") << qint64(5000) << QStringList{"seek 1 161"};
    QTest::addRow("keyframes unknown: seek") << qint64(-1) << QStringList{"seek 1 161"};
}

void TestFrameStepper::leftPress()
{
    QFETCH(qint64, keyGapMs);
    QFETCH(QStringList, calls);
    stepper_->setVideoStart(0, keyGapMs);
    engine_.now = 201;
    stepper_->rewind();
    QCOMPARE(stepper_->currentTime(), qint64(161));
    // Turned round, the engine reports the end of the frame on screen.
    land(240);
    if (calls.size() > 1)
        land(201);
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), qint64(161));
    // The next press goes on backwards from there.
    stepper_->rewind();
    QCOMPARE(stepper_->currentTime(), qint64(121));
}

// A camcorder's 50i: the decoder reports 50 pictures a second, the file's stamps 25 frames.
void TestFrameStepper::fieldCodedVideoStepsTwoPicturesAFrame()
{
    engine_.rate = 50;
    QVector<qint64> frames;
    for (int k = 0; k < 100; ++k)
        frames << k * 40000;
    stepper_->setFrameList(frames);
    QCOMPARE(stepper_->videoRate(), 25.0);
    QVERIFY(stepper_->stepsFrameByFrame());
    stepper_->forward();
    // The first picture is the frame's second field, stamped half a frame on: one step more.
    engine_.shown = 20;
    land(20);
    QCOMPARE(engine_.calls, (QStringList{"step 1", "step 2"}));
    engine_.shown = 40;
    land(40);
    QCOMPARE(engine_.calls.size(), 2);
    // A mark now is frame 1's start.
    QCOMPARE(stepper_->recordingTime(), qint64(40));
    // A picture without a stamp: the time, half a frame short of frame 2, tells the field.
    engine_.shown = -1;
    stepper_->forward();
    land(60);
    QCOMPARE(engine_.calls.mid(2), (QStringList{"step 3", "step 4"}));
    land(80);
    QCOMPARE(engine_.calls.size(), 4);
    // Pictures per frame vary: 10 frames on are sought, not stepped over.
    clock_->advance(1000);
    stepper_->jumpFrames(10);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 5 481"));
    // A video really at 50 frames a second steps a picture a frame.
    QVector<qint64> fifty;
    for (int k = 0; k < 100; ++k)
        fifty << k * 20000;
    stepper_->setFrameList(fifty);
    QCOMPARE(stepper_->videoRate(), 50.0);
}

void TestFrameStepper::seekThatShowsALaterFrame_data()
{
    QTest::addColumn<QList<qint64>>("landings");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("endsAt");
    // Frame 9 (360-400 ms) is wanted; each move lands on the frame stamped as listed.
    QTest::addRow("its own frame") << QList<qint64>{360} << QStringList{"seek 1 361"}
                                   << qint64(361);
    // An open GOP's frame before a keyframe: the frame before, then a step.
    QTest::addRow("the keyframe after it")
        << QList<qint64>{400, 320, 360} << QStringList{"seek 1 361", "seek 2 321", "step 3"}
        << qint64(361);
    // Two frames decoded after their keyframe: two frames back, then two steps.
    QTest::addRow("two frames before the keyframe")
        << QList<qint64>{400, 400, 280, 320, 360}
        << QStringList{"seek 1 361", "seek 2 321", "seek 3 281", "step 4", "step 5"}
        << qint64(361);
    // Out of reach whatever is sought: no endless seeking.
    QTest::addRow("out of reach")
        << QList<qint64>{400, 400, 400, 400, 400}
        << QStringList{"seek 1 361", "seek 2 321", "seek 3 281", "seek 4 201", "seek 5 41"}
        << qint64(400);
}

void TestFrameStepper::seekThatShowsALaterFrame()
{
    QFETCH(QList<qint64>, landings);
    QFETCH(QStringList, calls);
    QFETCH(qint64, endsAt);
    stepper_->jumpTo(370);
    for (const qint64 time : landings) {
        engine_.shown = time;
        land(time);
    }
    QCOMPARE(engine_.calls, calls);
    // Once the moves are old, the time is that of the picture on screen.
    clock_->advance(500);
    QCOMPARE(stepper_->currentTime(), endsAt);
}

void TestFrameStepper::stepThatNeverArrives_data()
{
    QTest::addColumn<bool>("arrivedUnreported");
    QTest::addColumn<QStringList>("calls");
    QTest::addRow("lost: a seek makes it good") << false << QStringList{"step 1", "seek 2 41"};
    QTest::addRow("arrived, report lost: nothing more")
        << true << QStringList{"step 1"};
}

void TestFrameStepper::stepThatNeverArrives()
{
    QFETCH(bool, arrivedUnreported);
    QFETCH(QStringList, calls);
    stepper_->forward();
    if (arrivedUnreported) {
        engine_.landed = 1;
        engine_.now = 41;
    }
    clock_->advance(999);
    QCOMPARE(engine_.calls, QStringList{"step 1"});
    clock_->advance(1);
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), qint64(41));
}

void TestFrameStepper::stepThatBroughtAnotherFrame_data()
{
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<qint64>("reported");
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("stampLater");
    // Without the shown frame's stamp, the engine's time tells.
    QTest::addRow("forwards, the frame after") << false << qint64(81) << qint64(-1)
                                               << QStringList{"step 1", "seek 2 41"} << qint64(-1);
    QTest::addRow("forwards, the right one") << false << qint64(41) << qint64(-1)
                                             << QStringList{"step 1"} << qint64(-1);
    // The player's own seek would keep the end of the backwards run: the pipeline seeks.
    QTest::addRow("backwards, two frames back")
        << true << qint64(161) << qint64(-1)
        << QStringList{"run-back 1 221", "step 2", "pipeline-seek 3 161"} << qint64(-1);
    QTest::addRow("backwards, the right one")
        << true << qint64(201) << qint64(-1) << QStringList{"run-back 1 221", "step 2"} << qint64(-1);
    // With it, the stamp decides: a file whose frames have no length reports their start
    // running backwards too.
    QTest::addRow("backwards, frame 4's stamp") << true << qint64(161) << qint64(160)
                                                << QStringList{"run-back 1 221", "step 2"} << qint64(-1);
    QTest::addRow("backwards, frame 3's stamp")
        << true << qint64(161) << qint64(120)
        << QStringList{"run-back 1 221", "step 2", "pipeline-seek 3 161"} << qint64(-1);
    QTest::addRow("forwards, the next frame's stamp") << false << qint64(41) << qint64(80)
                                                      << QStringList{"step 1", "seek 2 41"} << qint64(-1);
    // Running backwards the sink can take a moment after the step's report to hold its
    // picture: the stamp that comes then decides, and a right one needs no seek (which would
    // decode the whole stretch again).
    QTest::addRow("backwards, frame 4's stamp a moment after the report")
        << true << qint64(240) << qint64(-1) << QStringList{"run-back 1 221", "step 2"}
        << qint64(160);
    QTest::addRow("backwards, frame 3's stamp a moment after the report")
        << true << qint64(240) << qint64(-1)
        << QStringList{"run-back 1 221", "step 2", "pipeline-seek 3 161"} << qint64(120);
}

void TestFrameStepper::stepThatBroughtAnotherFrame()
{
    QFETCH(bool, backwards);
    QFETCH(qint64, reported);
    QFETCH(qint64, stamp);
    QFETCH(QStringList, calls);
    if (backwards) {
        engine_.now = 201;
        stepper_->rewind();
        land(240);
    } else {
        stepper_->forward();
    }
    QFETCH(qint64, stampLater);
    engine_.shown = stamp;
    land(reported);
    if (stampLater >= 0)
        engine_.shown = stampLater;
    // Long enough for every look for a picture that is late.
    for (int i = 0; i < 10; ++i)
        clock_->advance(10);
    QCOMPARE(engine_.calls, calls);
}

void TestFrameStepper::playPressedWhileStepping()
{
    stepper_->forward();
    stepper_->playPause();
    QCOMPARE(engine_.calls, QStringList{"step 1"});
    land(41);
    // The sound stays where the last seek left it: playing starts with a seek to the picture.
    QCOMPARE(engine_.calls, (QStringList{"step 1", "seek 2 41", "play"}));
}

void TestFrameStepper::rateOfTheVideo_data()
{
    QTest::addColumn<double>("videoRate");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("mark");
    QTest::addRow("the video's rate: steps, marks to frame starts")
        << 25.0 << 25 << "step 1" << "seek 2 161";
    // "30 FPS" on an NTSC video: its own frames, 30000 per 1001 s; the mark lies in frame 4
    // (133.5 to 166.8 ms).
    QTest::addRow("29.97 with 30 chosen: steps on the video's own frames")
        << 30000.0 / 1001 << 30 << "step 1" << "seek 2 134";
    QTest::addRow("59.94 with 60 chosen") << 60000.0 / 1001 << 60 << "step 1" << "seek 2 151";
    QTest::addRow("24 with 25 chosen: seeks, marks one ms on")
        << 24.0 << 25 << "seek 1 41" << "seek 2 162";
    QTest::addRow("50 with 25 chosen") << 50.0 << 25 << "seek 1 41" << "seek 2 162";
    QTest::addRow("rate unknown") << 0.0 << 25 << "seek 1 41" << "seek 2 162";
}

void TestFrameStepper::rateOfTheVideo()
{
    QFETCH(double, videoRate);
    QFETCH(int, chosen);
    QFETCH(QString, right);
    QFETCH(QString, mark);
    engine_.rate = videoRate;
    stepper_->setRate(chosen);
    stepper_->forward();
    QCOMPARE(engine_.calls.value(0), right);
    land(stepper_->frameGrid().frameStart(1));
    clock_->advance(400);
    // A mark one ms after frame 4's start, as earlier versions took them: at the video's rate
    // it leads to frame 4's seek point; else the mark's time + 1.
    stepper_->seekToMark(161);
    QCOMPARE(engine_.calls.value(1), mark);
}

void TestFrameStepper::timesWhileAMoveDecodes()
{
    QSignalSpy moved(stepper_, &FrameStepper::moved);
    engine_.now = 81;
    stepper_->jumpTo(1000);
    QCOMPARE(engine_.calls, QStringList{"seek 1 1001"});
    QVERIFY(!moved.isEmpty());
    // The engine still tells the time before: steps go on from the target, the picture shown
    // is still the old one.
    engine_.now = 0;
    QCOMPARE(stepper_->currentTime(), qint64(1001));
    QCOMPARE(stepper_->shownTime(), qint64(81));
    QVERIFY(!stepper_->stepsFrameByFrame());
    land(1001);
    QCOMPARE(stepper_->shownTime(), qint64(1001));
    QVERIFY(stepper_->stepsFrameByFrame());
    // Marks read the frame the engine shows, or the frame grid when none is held.
    QCOMPARE(stepper_->recordingTime(), qint64(1000));
    engine_.shown = 1000;
    QCOMPARE(stepper_->recordingTime(), qint64(1000));
    // A jump's seek takes the picture away: a mark meanwhile is the frame still on screen,
    // not the one the jump goes to; its picture, once come, is.
    stepper_->jumpTo(2000);
    engine_.flushed = true;
    engine_.shown = -1;
    QCOMPARE(stepper_->recordingTime(), qint64(1000));
    land(2001);
    engine_.flushed = false;
    engine_.shown = 2000;
    QCOMPARE(stepper_->recordingTime(), qint64(2000));
    stepper_->forget();
    engine_.now = 3000;
    engine_.shown = 3000;
    QCOMPARE(stepper_->currentTime(), qint64(3000));
}

void TestFrameStepper::endOfPlayback()
{
    engine_.paused = false;
    engine_.playing = true;
    engine_.total = 2000;
    stepper_->reachedEnd(1960);
    QCOMPARE(engine_.calls, (QStringList{"pause", "pipeline-seek 1 1961"}));
    QVERIFY(stepper_->pausedAtEnd());
    engine_.paused = true;
    engine_.playing = false;
    land(1961);
    QVERIFY(stepper_->atLastFrame());
    stepper_->forward();
    QCOMPARE(engine_.calls.size(), 2);
    // Play on the last frame starts again from the beginning.
    stepper_->play();
    QCOMPARE(engine_.calls.mid(2), (QStringList{"seek 2 0", "play"}));
    QVERIFY(!stepper_->pausedAtEnd());
}

void TestFrameStepper::firstFrameAsShown_data()
{
    QTest::addColumn<qint64>("probed");
    QTest::addColumn<qint64>("shown");
    QTest::addColumn<qint64>("origin");
    QTest::addRow("MKV: the file's stamp") << qint64(21) << qint64(21) << qint64(21);
    QTest::addRow("MP4 from 0") << qint64(0) << qint64(0) << qint64(0);
    // An MPEG transport stream: the player's clock starts elsewhere than the file's.
    QTest::addRow("MPEG-TS: as shown") << qint64(6) << qint64(780) << qint64(780);
}

void TestFrameStepper::firstFrameAsShown()
{
    QFETCH(qint64, probed);
    QFETCH(qint64, shown);
    QFETCH(qint64, origin);
    stepper_->setVideoStart(probed, 480);
    stepper_->setFirstFrameShown(shown);
    QCOMPARE(stepper_->frameGrid().origin(), origin);
    // A list of the file's frames, counted from the file's start, moves with it.
    stepper_->setRate(0);
    stepper_->setFrameList({probed * 1000, probed * 1000 + 40000, probed * 1000 + 80000});
    QVERIFY(stepper_->frameGrid().isFrameList());
    QCOMPARE(stepper_->frameGrid().markTime(1), origin + 40);
}

void TestFrameStepper::keysBeforeTheFileIsProbed_data()
{
    QTest::addColumn<qint64>("shown");
    QTest::addColumn<qint64>("probed");
    QTest::addColumn<qint64>("origin");
    // 25 fps. Before, a first frame 23 ms into an MKV counted from 0: Right sought 41, which
    // is still frame 0, and the mark said 0 for a frame starting at 23.
    QTest::addRow("MKV") << qint64(23) << qint64(23) << qint64(23);
    QTest::addRow("MP4 from 0") << qint64(0) << qint64(0) << qint64(0);
    QTest::addRow("MPEG-TS") << qint64(780) << qint64(6) << qint64(780);
}

// The probe of the file's first frame comes a few hundred ms after the picture; keys pressed
// meanwhile count from the first frame as shown.
void TestFrameStepper::keysBeforeTheFileIsProbed()
{
    QFETCH(qint64, shown);
    QFETCH(qint64, probed);
    QFETCH(qint64, origin);
    stepper_->newVideo();
    engine_.now = shown;
    stepper_->setFirstFrameShown(shown);
    QCOMPARE(stepper_->recordingTime(), shown);
    stepper_->forward();
    QCOMPARE(stepper_->currentTime(), shown + 41);
    land(shown + 41);
    QCOMPARE(stepper_->recordingTime(), shown + 40);
    QCOMPARE(stepper_->shownFrameNumber(), qint64(1));
    stepper_->setVideoStart(probed, 480);
    QCOMPARE(stepper_->frameGrid().origin(), origin);
    QCOMPARE(stepper_->recordingTime(), origin + 40);
}

// The sound of a file can outlast its picture: with the engine's time past the last frame
// and no picture stamp to go by (a seek has just flushed it), the mark is still the last
// frame's start. (It was the start of a frame after it, 2000 ms in a 2 s file at 25 fps.)
void TestFrameStepper::aMarkIsNeverPastTheLastFrame()
{
    QVector<qint64> startsUs;
    for (int k = 0; k < 50; ++k)
        startsUs << k * 40000;
    stepper_->setFrameList(startsUs);
    engine_.total = 2037;
    engine_.now = 2010;
    engine_.shown = -1;
    QCOMPARE(stepper_->recordingTime(), qint64(1960));
    QCOMPARE(stepper_->shownFrameNumber(), qint64(49));
    engine_.now = 1975;
    QCOMPARE(stepper_->recordingTime(), qint64(1960));
    engine_.now = 1950;
    QCOMPARE(stepper_->recordingTime(), qint64(1920));
}

void TestFrameStepper::frameNumberAtTheVideosOwnRate_data()
{
    QTest::addColumn<double>("videoRate");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<qint64>("shown");
    QTest::addColumn<qint64>("frame");
    QTest::addRow("25 fps, 25 chosen") << 25.0 << 25 << qint64(160) << qint64(4);
    // The number is the video's own frame, whatever step is chosen.
    QTest::addRow("25 fps, 50 chosen") << 25.0 << 50 << qint64(160) << qint64(4);
    QTest::addRow("29.97 fps, frame 300") << 30000.0 / 1001 << 30 << qint64(10010) << qint64(300);
    QTest::addRow("no fixed rate") << 0.0 << 30 << qint64(160) << qint64(-1);
}

void TestFrameStepper::frameNumberAtTheVideosOwnRate()
{
    QFETCH(double, videoRate);
    QFETCH(int, chosen);
    QFETCH(qint64, shown);
    QFETCH(qint64, frame);
    engine_.rate = videoRate;
    engine_.shown = shown;
    engine_.total = 20000;
    stepper_->setRate(chosen);
    QCOMPARE(stepper_->shownFrameNumber(), frame);
}

QTEST_GUILESS_MAIN(TestFrameStepper)
#include "tst_frame_stepper.moc"
