// The stepping policy's moves of several frames and its speeds, on an engine and a clock of the
// test's own: jumps, the first and the last frame, playing slower, pausing, and the frames
// that decoders show only one way.

#include "frame_stepper.h"
#include "step_fakes.h"

#include <QTest>

using dravenhol::morlek::player::FrameGrid;
using dravenhol::morlek::player::FrameStepper;
using morlek::test::FakeClock;
using morlek::test::FakeEngine;

class TestFrameStepperMoves : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void jumps_data();
    void jumps();
    void playbackSpeed();
    void refreshKeepsAMoveUnderWay();
    void refreshWhileAFileLoadsKeepsItsFirstFrame();
    void marksAreTheFilesOwnStamps_data();
    void marksAreTheFilesOwnStamps();
    void leftOntoAFrameThatLeadsAKeyframe_data();
    void leftOntoAFrameThatLeadsAKeyframe();
    void aSeeksPictureThatComesLateIsChecked();
    void leftOnLongKeyframeStretches_data();
    void leftOnLongKeyframeStretches();
    void pausingKeepsTheFrameOnScreen_data();
    void pausingKeepsTheFrameOnScreen();
    void movesGoOnFromTheFrameHeldAtAPause_data();
    void aSecondPressBeforePlayingBeganPauses();
    void movesGoOnFromTheFrameHeldAtAPause();
    void aStepThatMissedEndsRuns();
    void pressesFasterThanTheEnginesReports();
    void aPressGoesOnFromThePictureOnScreen_data();
    void aPressGoesOnFromThePictureOnScreen();
    void aResizeWhilePlayingRedrawsAtThePause_data();
    void aResizeWhilePlayingRedrawsAtThePause();
    void playAfterStepsBackGoesOnFromThePicture();

private:
    // Lands the last move with the engine reporting @p time, and tells the stepper.
    void land(qint64 time);

    FakeEngine engine_;
    FakeClock *clock_ = nullptr;
    FrameStepper *stepper_ = nullptr;
};

void TestFrameStepperMoves::init()
{
    engine_ = FakeEngine();
    clock_ = new FakeClock;
    stepper_ = new FrameStepper(engine_, *clock_);
    stepper_->setRate(25);
    stepper_->setVideoStart(0, 500);
}

void TestFrameStepperMoves::cleanup()
{
    delete stepper_;
    delete clock_;
}

void TestFrameStepperMoves::land(qint64 time)
{
    engine_.landed = engine_.lastMove();
    engine_.now = time;
    stepper_->moveArrived();
}

void TestFrameStepperMoves::jumps_data()
{
    QTest::addColumn<qint64>("keyGapMs");
    QTest::addColumn<qint64>("from");
    QTest::addColumn<QString>("jump");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("end");
    // 25 fps, 10 s: frame k is sought at k * 40 + 1, the last frame (249) at 9961.
    QTest::addRow("10 on, keyframes 480 ms apart: one step over 10 frames")
        << qint64(480) << qint64(0) << "+10f" << QStringList{"step 1 x10"} << qint64(401);
    QTest::addRow("10 on, keyframes unknown: a seek")
        << qint64(-1) << qint64(0) << "+10f" << QStringList{"seek 1 401"} << qint64(401);
    QTest::addRow("a second on, keyframes 480 ms apart: a seek")
        << qint64(480) << qint64(41) << "+1s" << QStringList{"seek 1 1041"} << qint64(1041);
    QTest::addRow("a second on, keyframes 10 s apart: one step over 25 frames")
        << qint64(10000) << qint64(41) << "+1s" << QStringList{"step 1 x25"} << qint64(1041);
    QTest::addRow("10 back: a seek, sooner than turning round")
        << qint64(480) << qint64(801) << "-10f" << QStringList{"seek 1 401"} << qint64(401);
    QTest::addRow("10 back, running backwards already: one step over 10 frames")
        << qint64(480) << qint64(-801) << "-10f" << QStringList{"step 1 x10"} << qint64(401);
    QTest::addRow("10 back near the start: the first frame is sought")
        << qint64(480) << qint64(161) << "-10f" << QStringList{"seek 1 0"} << qint64(0);
    QTest::addRow("a second back, keyframes 10 s apart: a seek (no run backwards)")
        << qint64(10000) << qint64(2001) << "-1s" << QStringList{"seek 1 1001"}
        << qint64(1001);
    QTest::addRow("End") << qint64(480) << qint64(41) << "end" << QStringList{"seek 1 9961"}
                         << qint64(9961);
    QTest::addRow("10 on from the last frame: nothing") << qint64(480) << qint64(9961)
                                                        << "+10f" << QStringList{} << qint64(9961);
    QTest::addRow("Home") << qint64(480) << qint64(2001) << "home" << QStringList{"seek 1 0"}
                          << qint64(0);
    QTest::addRow("Home on the first frame: nothing")
        << qint64(480) << qint64(0) << "home" << QStringList{} << qint64(0);
}

// Jumps go to frame starts of the grid, by a run of steps where the decoder gets there sooner
// than a seek would, never past the first or the last frame.
void TestFrameStepperMoves::jumps()
{
    QFETCH(qint64, keyGapMs);
    QFETCH(qint64, from);
    QFETCH(QString, jump);
    QFETCH(QStringList, calls);
    QFETCH(qint64, end);
    stepper_->setVideoStart(0, keyGapMs);
    // A negative start: the pipeline runs backwards there.
    engine_.now = qAbs(from);
    engine_.backwards = from < 0;
    if (jump == QLatin1String("+10f"))
        stepper_->jumpFrames(10);
    else if (jump == QLatin1String("-10f"))
        stepper_->jumpFrames(-10);
    else if (jump == QLatin1String("+1s"))
        stepper_->jumpSeconds(1);
    else if (jump == QLatin1String("-1s"))
        stepper_->jumpSeconds(-1);
    else if (jump == QLatin1String("end"))
        stepper_->toLastFrame();
    else
        stepper_->toFirstFrame();
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), end);
}

// Playing starts at the chosen speed from the frame on screen, a change while playing goes on
// at once, and pausing puts the picture on a frame at normal speed, for steps.
void TestFrameStepperMoves::playbackSpeed()
{
    engine_.now = 401;
    stepper_->setPlaybackRate(0.5);
    QVERIFY(engine_.calls.isEmpty());
    stepper_->playPause();
    QCOMPARE(engine_.calls, (QStringList{"seek 1 401 at 0.5", "play"}));
    stepper_->playingStarted();
    engine_.now = 1234;
    stepper_->setPlaybackRate(0.125);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 2 1234 at 0.125"));
    stepper_->setPlaybackRate(0.125);
    QCOMPARE(engine_.calls.size(), 3);
    engine_.playing = false;
    engine_.paused = true;
    engine_.now = 1250;
    stepper_->pausedFromPlaying();
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 3 1281"));
    // Back at normal speed, playing needs no seek of its own.
    stepper_->setPlaybackRate(1.0);
    land(1281);
    clock_->advance(1000);
    engine_.calls.clear();
    stepper_->playPause();
    QCOMPARE(engine_.calls, QStringList{"play"});
}

// The surface's new size asks for the picture again: on the way to a frame that only steps
// reach, that frame is sought again, not the earlier one the way went through.
void TestFrameStepperMoves::refreshKeepsAMoveUnderWay()
{
    stepper_->jumpTo(367);
    QCOMPARE(engine_.calls, QStringList{"seek 1 361"});
    // The keyframe after it came: an earlier frame is sought, to step on from.
    engine_.shown = 400;
    land(400);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 2 321"));
    stepper_->refresh();
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 3 361"));
    // The way there again, and a refresh while a step decodes waits for it.
    land(400);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 4 321"));
    engine_.shown = 320;
    land(320);
    QCOMPARE(engine_.calls.last(), QStringLiteral("step 5"));
    stepper_->refresh();
    QCOMPARE(engine_.calls.size(), 5);
    engine_.shown = 360;
    land(361);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 6 361"));
}

// The window can take a new file's size before its first frame is shown, and the surface's
// resize then asks for the picture again while the engine already holds that frame but the
// load is not yet told: a seek then took the frame away, and the file's origin (a camcorder's
// clock starts anywhere) was read from the time of the seek under way instead.
void TestFrameStepperMoves::refreshWhileAFileLoadsKeepsItsFirstFrame()
{
    stepper_->newVideo();
    engine_.shown = 780;
    engine_.now = 780;
    stepper_->refresh();
    QCOMPARE(engine_.calls, QStringList());
    stepper_->setFirstFrameShown(engine_.shownFrameTime());
    QCOMPARE(stepper_->frameGrid().origin(), qint64(780));
    // Loaded, a resize redraws the frame on screen.
    stepper_->refresh();
    QCOMPARE(engine_.calls, QStringList{"seek 1 780"});
    engine_.calls.clear();
    // And the next file waits for its own first frame.
    stepper_->newVideo();
    stepper_->refresh();
    QCOMPARE(engine_.calls, QStringList());
}

void TestFrameStepperMoves::marksAreTheFilesOwnStamps_data()
{
    QTest::addColumn<qint64>("shown");
    QTest::addColumn<qint64>("mark");
    // 29.97 fps in MKV from 23 ms: frame 10 starts at 356.67 ms, stamped 357.
    QTest::addRow("as stamped") << qint64(357) << qint64(357);
    QTest::addRow("a cut frame, worked out a millisecond short") << qint64(356) << qint64(357);
    QTest::addRow("the frame before, as stamped") << qint64(323) << qint64(323);
    QTest::addRow("no picture held: the frame the move went to") << qint64(-1) << qint64(357);
}

// With the file's frames listed, a mark is the stamp the file gives the frame on screen.
void TestFrameStepperMoves::marksAreTheFilesOwnStamps()
{
    QFETCH(qint64, shown);
    QFETCH(qint64, mark);
    engine_.rate = 30000.0 / 1001;
    stepper_->setRate(30);
    QVector<qint64> starts;
    for (int k = 0; k < 120; ++k)
        starts << (23 + qRound64(k * 1001 / 30.0)) * 1000;
    stepper_->setVideoStart(23, 500);
    stepper_->setFrameList(starts);
    stepper_->jumpTo(360);
    land(358);
    engine_.shown = shown;
    QCOMPARE(stepper_->recordingTime(), mark);
    QCOMPARE(stepper_->shownFrameNumber(), qint64(shown == 323 ? 9 : 10));
}

void TestFrameStepperMoves::leftOntoAFrameThatLeadsAKeyframe_data()
{
    QTest::addColumn<QVector<qint64>>("leadingUs");
    QTest::addColumn<QString>("call");
    // 25 fps from 0; Left from frame 5 (201) to frame 4 (161).
    QTest::addRow("an ordinary frame: run backwards") << QVector<qint64>{} << "run-back 1 221";
    QTest::addRow("frame 4 leads the keyframe at 5: sought")
        << QVector<qint64>{120000, 160000} << "seek 1 161";
    QTest::addRow("frames before it lead: run backwards") << QVector<qint64>{80000, 120000}
                                                          << "run-back 1 221";
    // Before, it ran backwards from frame 5, which that run never shows: its first picture
    // was frame 4, and the step after it showed frame 3 (open-GOP HEVC).
    QTest::addRow("frame 5, on screen, leads the keyframe at 6: sought")
        << QVector<qint64>{200000} << "seek 1 161";
}

// An open GOP's leading frames are never shown running backwards: Left onto one seeks at once
// instead of waiting for a step that never comes.
void TestFrameStepperMoves::leftOntoAFrameThatLeadsAKeyframe()
{
    QFETCH(QVector<qint64>, leadingUs);
    QFETCH(QString, call);
    QVector<qint64> starts;
    for (int k = 0; k < 250; ++k)
        starts << k * 40000;
    stepper_->setVideoStart(0, 480);
    stepper_->setFrameList(starts, leadingUs);
    engine_.now = 201;
    stepper_->rewind();
    QCOMPARE(engine_.calls, QStringList{call});
}

// The sink can hold a seek's picture a moment after the seek's report. A seek onto a frame
// that leads a keyframe shows the keyframe instead (open GOPs); looked at too early, with no
// stamp, the seek was taken as landed right and the keyframe stayed on screen. The frame
// before, sought on the way, is stepped on from at once.
void TestFrameStepperMoves::aSeeksPictureThatComesLateIsChecked()
{
    QVector<qint64> starts;
    for (int k = 0; k < 250; ++k)
        starts << k * 40000;
    stepper_->setVideoStart(0, 480);
    // Frame 11 (440 ms) is decoded after the keyframe at 12.
    stepper_->setFrameList(starts, {440000});
    engine_.now = 481;
    stepper_->rewind();
    engine_.shown = -1;
    land(441);
    QCOMPARE(engine_.calls, QStringList{"seek 1 441"});
    // Then the picture comes: the keyframe, frame 12. The frame before 11 is sought, to step
    // on from.
    engine_.shown = 480;
    clock_->advance(10);
    QCOMPARE(engine_.calls, (QStringList{"seek 1 441", "seek 2 401"}));
    // That frame comes cut by the seek, without a stamp: the step on to 11 goes at once, or a
    // press meanwhile would go on from frame 10.
    engine_.shown = -1;
    land(401);
    QCOMPARE(engine_.calls, (QStringList{"seek 1 441", "seek 2 401", "step 3"}));
}

void TestFrameStepperMoves::leftOnLongKeyframeStretches_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QStringList>("calls");
    // 30 fps, keyframes 10 s apart: a stretch is 300 pictures. Left from frame 100 (3334),
    // four or 44 more times while the first move decodes, then once more.
    const QStringList seeks{"seek 1 3301", "seek 2 3268", "seek 3 3234", "seek 4 3201",
                            "seek 5 3168", "seek 6 3134"};
    QTest::addRow("1080p: 0.9 GB decoded, run backwards")
        << QSize(1920, 1080) << 5 << QStringList{"run-back 1 3350", "step 2 x5", "step 3"};
    // Pictures kept from earlier show the presses at once: they come faster, and further.
    QTest::addRow("1080p, 45 presses: within the stretch, one step")
        << QSize(1920, 1080) << 45 << QStringList{"run-back 1 3350", "step 2 x45", "step 3"};
    QTest::addRow("2160p: 3.7 GB, sought each time") << QSize(3840, 2160) << 5 << seeks;
    QTest::addRow("size unknown: sought each time") << QSize() << 5 << seeks;
}

// Where keyframes lie seconds apart, Left runs backwards if the decoded stretch fits the
// memory bound: turning round takes seconds there and is not taken for a lost step, the
// presses that come meanwhile (over more than the 3 s after which a move is taken as lost)
// go back together, and the next is a step of its own.
void TestFrameStepperMoves::leftOnLongKeyframeStretches()
{
    QFETCH(QSize, picture);
    QFETCH(int, presses);
    QFETCH(QStringList, calls);
    engine_.rate = 30;
    stepper_->setRate(30);
    stepper_->setVideoStart(0, 10000);
    stepper_->setPictureSize(picture);
    engine_.now = 3334;
    stepper_->rewind();
    for (int i = 1; i < presses; ++i) {
        clock_->advance(4000 / (presses - 1));
        stepper_->rewind();
    }
    clock_->advance(500);
    const FrameGrid grid = FrameGrid::ofRate(30, 0);
    if (engine_.backwards) {
        // Turned round at frame 100, then the presses' step back (to frame 95 for five).
        land(3334);
        engine_.shown = grid.markTime(100 - presses);
        land(grid.frameStart(101 - presses));
    } else {
        land(3168);
    }
    clock_->advance(400);
    stepper_->rewind();
    QCOMPARE(engine_.calls, calls);
}

void TestFrameStepperMoves::pausingKeepsTheFrameOnScreen_data()
{
    QTest::addColumn<qint64>("firstShown");
    QTest::addColumn<qint64>("time");
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("after");
    QTest::addColumn<qint64>("mark");
    // 25 fps: frame 70 spans 2800 to 2840 ms.
    QTest::addRow("the time in the frame on screen: it stays")
        << qint64(0) << qint64(2806) << qint64(2800) << QStringList{} << qint64(2806)
        << qint64(2800);
    QTest::addRow("a field's stamp, half a frame on: it stays")
        << qint64(0) << qint64(2806) << qint64(2820) << QStringList{} << qint64(2806)
        << qint64(2800);
    // The sink holds the next frame: the time is its start, without a seek.
    QTest::addRow("the time still in the frame before: the frame on screen's")
        << qint64(0) << qint64(2790) << qint64(2800) << QStringList{} << qint64(2801)
        << qint64(2800);
    QTest::addRow("no stamp: the next frame") << qint64(0) << qint64(2806) << qint64(-1)
                                              << QStringList{"seek 1 2841"} << qint64(2841)
                                              << qint64(2840);
    // A transport stream's clock starts at its first frame (780 ms): frame 7 spans 1060 to
    // 1100, its second field stamped 1080.
    QTest::addRow("a transport stream, the time in the frame on screen: it stays")
        << qint64(780) << qint64(1065) << qint64(1080) << QStringList{} << qint64(1065)
        << qint64(1060);
    QTest::addRow("a transport stream, the time in the frame before: the frame on screen's")
        << qint64(780) << qint64(2486) << qint64(2500) << QStringList{} << qint64(2501)
        << qint64(2500);
}

// Pausing leaves the time, and so the steps that follow, on the frame the picture shows, and
// a mark names it.
void TestFrameStepperMoves::pausingKeepsTheFrameOnScreen()
{
    QFETCH(qint64, firstShown);
    QFETCH(qint64, time);
    QFETCH(qint64, stamp);
    QFETCH(QStringList, calls);
    QFETCH(qint64, after);
    QFETCH(qint64, mark);
    stepper_->setFirstFrameShown(firstShown);
    engine_.now = time;
    engine_.shown = stamp;
    stepper_->pausedFromPlaying();
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), after);
    engine_.shown = -1;
    QCOMPARE(stepper_->recordingTime(), mark);
}

void TestFrameStepperMoves::movesGoOnFromTheFrameHeldAtAPause_data()
{
    QTest::addColumn<QString>("move");
    QTest::addColumn<QStringList>("calls");
    QTest::addRow("Right: a step") << "right" << QStringList{"step 1"};
    // Running backwards from the middle of frame 70 (not of 69), to step onto 69.
    QTest::addRow("Left: turning round") << "left" << QStringList{"run-back 1 2821"};
    QTest::addRow("a second back") << "-1s" << QStringList{"seek 1 1801"};
    QTest::addRow("playing slowly") << "slow" << QStringList{"seek 1 2801 at 0.25", "play"};
}

// Paused on a frame the time has not reached, every move goes on from that frame.
void TestFrameStepperMoves::movesGoOnFromTheFrameHeldAtAPause()
{
    QFETCH(QString, move);
    QFETCH(QStringList, calls);
    // Frame 70 (2800 to 2840 ms) is on screen, the time still in frame 69.
    clock_->advance(1000);
    engine_.now = 2790;
    engine_.shown = 2800;
    stepper_->pausedFromPlaying();
    QCOMPARE(stepper_->currentTime(), qint64(2801));
    if (move == QLatin1String("right")) {
        stepper_->forward();
    } else if (move == QLatin1String("left")) {
        stepper_->rewind();
    } else if (move == QLatin1String("-1s")) {
        stepper_->jumpSeconds(-1);
    } else {
        stepper_->setPlaybackRate(0.25);
        stepper_->playPause();
    }
    QCOMPARE(engine_.calls, calls);
}

// Playing at a slow speed starts with a seek, which can take a second: a second press of the
// key meanwhile pauses as soon as playing begins, and a third takes that back.
void TestFrameStepperMoves::aSecondPressBeforePlayingBeganPauses()
{
    clock_->advance(1000);
    stepper_->setPlaybackRate(0.25);
    stepper_->playPause();
    QCOMPARE(engine_.calls, (QStringList{"seek 1 0 at 0.25", "play"}));
    // The engine is still on its way.
    engine_.playing = false;
    engine_.paused = true;
    // The window's new size asks for the picture again: playing will draw it.
    stepper_->refresh();
    stepper_->playPause();
    QCOMPARE(engine_.calls.size(), 2);
    stepper_->playingStarted();
    QCOMPARE(engine_.calls.last(), QStringLiteral("pause"));

    engine_.calls.clear();
    stepper_->pausedFromPlaying();
    stepper_->playPause();
    engine_.playing = false;
    stepper_->playPause();
    stepper_->playPause();
    stepper_->playingStarted();
    QVERIFY(!engine_.calls.contains(QStringLiteral("pause")));
    QCOMPARE(engine_.calls.count(QStringLiteral("play")), 1);
}

// Once a step of a video has brought another frame than it was sent for (a camcorder's
// field-coded video, whose decoder hands out pictures per field or per frame), jumps of 10
// frames seek instead of stepping over them.
void TestFrameStepperMoves::aStepThatMissedEndsRuns()
{
    stepper_->forward();
    engine_.shown = 80;
    land(81);
    QCOMPARE(engine_.calls, (QStringList{"step 1", "seek 2 41"}));
    engine_.shown = 40;
    land(41);
    stepper_->jumpFrames(10);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 3 441"));
    // A new video starts trusting runs again; a step back that skipped a frame (running
    // backwards from just before a keyframe does) is no reason to distrust them.
    stepper_->newVideo();
    stepper_->setVideoStart(0, 500);
    engine_.calls.clear();
    engine_.now = 201;
    engine_.shown = 200;
    engine_.landed = 3;
    clock_->advance(1000);
    stepper_->rewind();
    QCOMPARE(engine_.calls, QStringList{"run-back 4 221"});
    land(201);
    QCOMPARE(engine_.calls.last(), QStringLiteral("step 5"));
    engine_.shown = 120;
    land(121);
    QCOMPARE(engine_.calls.last(), QStringLiteral("pipeline-seek 6 161"));
    engine_.shown = 160;
    land(161);
    stepper_->jumpFrames(10);
    QCOMPARE(engine_.calls.last(), QStringLiteral("step 7 x10"));
}

// Running backwards the engine's time tells nothing of the picture, and may read as the start:
// playing goes on from the frame on screen, by its stamp.
void TestFrameStepperMoves::playAfterStepsBackGoesOnFromThePicture()
{
    engine_.now = 801;
    stepper_->rewind();
    QCOMPARE(engine_.calls, QStringList{"run-back 1 821"});
    land(801);
    QCOMPARE(engine_.calls.last(), QStringLiteral("step 2"));
    engine_.shown = 760;
    land(800);
    clock_->advance(1000);
    engine_.now = 0;
    stepper_->playPause();
    QCOMPARE(engine_.calls.mid(2), (QStringList{"pipeline-seek 3 761", "play"}));
}

void TestFrameStepperMoves::aPressGoesOnFromThePictureOnScreen_data()
{
    QTest::addColumn<bool>("listedUnderTheStep");
    QTest::addColumn<qint64>("engineTime");
    QTest::addColumn<qint64>("next");
    // Every frame of a file whose first lies 3 ms in: the step went to 34 on the decoder's
    // 30 fps grid, the list came meanwhile, and the step brought the frame at 36.
    QTest::addRow("list came under the step") << true << qint64(36) << qint64(69);
    // The step's frame is on screen, and the engine's time still tells the last seek's.
    QTest::addRow("engine's time behind the picture") << false << qint64(0) << qint64(69);
}

// Once a move has landed, the next press goes on from the frame on screen, whatever time the
// move went to or the engine tells: each press shows a new frame.
void TestFrameStepperMoves::aPressGoesOnFromThePictureOnScreen()
{
    QFETCH(bool, listedUnderTheStep);
    QFETCH(qint64, engineTime);
    QFETCH(qint64, next);
    const QVector<qint64> starts{3000, 36000, 69000, 103000, 136000, 169000};
    engine_.rate = 30;
    stepper_->setRate(0);
    if (!listedUnderTheStep)
        stepper_->setFrameList(starts);
    engine_.now = 3;
    engine_.shown = 3;
    stepper_->forward();
    QCOMPARE(engine_.calls, QStringList{"step 1"});
    if (listedUnderTheStep)
        stepper_->setFrameList(starts);
    engine_.shown = 36;
    land(engineTime);
    clock_->advance(400);
    QCOMPARE(stepper_->currentTime(), qint64(36));
    stepper_->forward();
    QCOMPARE(engine_.calls, (QStringList{"step 1", "step 2"}));
    QCOMPARE(stepper_->currentTime(), next);
}

// Play, pause and play again, each press after the engine has acted on the one before but
// before its reports have come: the third press plays. (It was taken for a pause asked before
// playing began, and the picture stayed paused.)
void TestFrameStepperMoves::pressesFasterThanTheEnginesReports()
{
    stepper_->playPause();
    engine_.playing = true;
    engine_.paused = false;
    stepper_->playPause();
    QCOMPARE(engine_.calls, (QStringList{"play", "pause"}));
    engine_.playing = false;
    engine_.paused = true;
    stepper_->playPause();
    QCOMPARE(engine_.calls, (QStringList{"play", "pause", "play"}));
    // The reports of the first play and pause come now, then the second play's.
    stepper_->playingStarted();
    stepper_->pausedFromPlaying();
    engine_.playing = true;
    engine_.paused = false;
    stepper_->playingStarted();
    QCOMPARE(engine_.calls.count(QStringLiteral("pause")), 1);
}

void TestFrameStepperMoves::aResizeWhilePlayingRedrawsAtThePause_data()
{
    QTest::addColumn<bool>("resized");
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<QStringList>("atPause");
    // 25 fps, paused at 705 ms: frame 17 (680), sought at 681; frame 18 at 721, as a seek to
    // its very start could show frame 17.
    QTest::addRow("no resize: the frame held, no seek") << false << qint64(680) << QStringList();
    QTest::addRow("resized: the frame on screen again") << true << qint64(680)
                                                        << QStringList{"seek 1 681"};
    // The sink holds the next frame: that one is drawn again, not the one the time is in.
    QTest::addRow("resized, the next frame held") << true << qint64(720)
                                                  << QStringList{"seek 1 721"};
    // Without a stamp the pause seeks the next frame anyway: once is enough.
    QTest::addRow("resized, no stamp") << true << qint64(-1) << QStringList{"seek 1 721"};
}

// The video sink can go on drawing at the surface's old size after a resize while playing;
// the redraw that a resize asks for waits for the pause instead of undoing the speed.
void TestFrameStepperMoves::aResizeWhilePlayingRedrawsAtThePause()
{
    QFETCH(bool, resized);
    QFETCH(qint64, stamp);
    QFETCH(QStringList, atPause);
    engine_.paused = false;
    engine_.playing = true;
    stepper_->playingStarted();
    if (resized)
        stepper_->refresh();
    QCOMPARE(engine_.calls, QStringList());
    engine_.playing = false;
    engine_.paused = true;
    engine_.now = 705;
    engine_.shown = stamp;
    stepper_->pausedFromPlaying();
    QCOMPARE(engine_.calls, atPause);
    // Asked once, made once.
    land(stamp >= 0 ? stamp : 720);
    engine_.calls.clear();
    engine_.playing = true;
    engine_.paused = false;
    stepper_->playingStarted();
    engine_.playing = false;
    engine_.paused = true;
    stepper_->pausedFromPlaying();
    QVERIFY2(engine_.calls.isEmpty() || stamp < 0, qPrintable(engine_.calls.join(", ")));
}

QTEST_GUILESS_MAIN(TestFrameStepperMoves)
#include "tst_frame_stepper_moves.moc"
