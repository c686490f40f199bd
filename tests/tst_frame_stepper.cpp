// The stepping policy on an engine and a clock of the test's own: no window, no media back-end.

#include "frame_stepper.h"
#include "step_engine.h"

#include <QSignalSpy>
#include <QTest>

using dravenhol::morlek::player::FrameStepper;
using dravenhol::morlek::player::StepClock;
using dravenhol::morlek::player::StepEngine;

namespace {

// Writes down what it is asked as "step 1", "run-back 1 221", "seek 2 121", "pipeline-seek 3
// 961", "play", "pause"; moves land when the test says.
class FakeEngine : public StepEngine
{
public:
    bool paused = true;
    bool playing = false;
    bool loading = false;
    bool stepping = true;
    bool refuseSteps = false;
    qint64 now = 0;
    qint64 total = 10000;
    double rate = 25;
    qint64 shown = -1;
    quint64 landed = 0;
    bool backwards = false;
    QStringList calls;

    bool isPaused() const override { return paused; }
    bool isPlaying() const override { return playing; }
    bool isLoading() const override { return loading; }
    qint64 time() const override { return now; }
    qint64 totalTime() const override { return total; }
    double videoFrameRate() const override { return rate; }
    bool canStep() const override { return stepping; }
    qint64 shownFrameTime() const override { return shown; }
    quint64 landedMove() const override { return landed; }
    bool stepFrames(quint64 move, int frames) override
    {
        if (refuseSteps)
            return false;
        calls << (frames == 1 ? QStringLiteral("step %1").arg(move)
                              : QStringLiteral("step %1 x%2").arg(move).arg(frames));
        return true;
    }
    bool runBackwards(quint64 move, qint64 fromMs) override
    {
        calls << QStringLiteral("run-back %1 %2").arg(move).arg(fromMs);
        backwards = true;
        return true;
    }
    bool runsBackwards() const override { return backwards; }
    void seek(quint64 move, qint64 ms, double speed) override
    {
        calls << (speed == 1.0 ? QStringLiteral("seek %1 %2").arg(move).arg(ms)
                               : QStringLiteral("seek %1 %2 at %3").arg(move).arg(ms).arg(speed));
        backwards = false;
    }
    bool seekPipeline(quint64 move, qint64 ms) override
    {
        calls << QStringLiteral("pipeline-seek %1 %2").arg(move).arg(ms);
        backwards = false;
        return true;
    }
    void play() override
    {
        calls << QStringLiteral("play");
        paused = false;
        playing = true;
    }
    void pause() override { calls << QStringLiteral("pause"); }
};

class FakeClock : public StepClock
{
public:
    qint64 now = 1000;
    qint64 wakeAt = -1;

    qint64 nowMs() const override { return now; }
    void wakeIn(qint64 ms) override { wakeAt = now + ms; }
    void cancelWake() override { wakeAt = -1; }
    void advance(qint64 ms)
    {
        now += ms;
        if (wakeAt >= 0 && now >= wakeAt) {
            wakeAt = -1;
            emit woke();
        }
    }
};

} // namespace

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
    void frameNumberAtTheVideosOwnRate_data();
    void frameNumberAtTheVideosOwnRate();
    void jumps_data();
    void jumps();
    void playbackSpeed();
    void refreshKeepsAMoveUnderWay();
    void marksAreTheFilesOwnStamps_data();
    void marksAreTheFilesOwnStamps();
    void leftOntoAFrameThatLeadsAKeyframe_data();
    void leftOntoAFrameThatLeadsAKeyframe();
    void pausingKeepsTheFrameOnScreen_data();
    void pausingKeepsTheFrameOnScreen();
    void aStepThatMissedEndsRuns();

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
    const QString last = engine_.calls.isEmpty() ? QString() : engine_.calls.last();
    const QStringList words = last.split(QLatin1Char(' '));
    if (words.size() >= 2)
        engine_.landed = words.at(1).toULongLong();
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
    // Pictures per frame vary: 10 frames on are sought, not stepped over.
    clock_->advance(1000);
    stepper_->jumpFrames(10);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 3 441"));
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
    // Without the shown frame's stamp, the engine's time tells.
    QTest::addRow("forwards, the frame after") << false << qint64(81) << qint64(-1)
                                               << QStringList{"step 1", "seek 2 41"};
    QTest::addRow("forwards, the right one") << false << qint64(41) << qint64(-1)
                                             << QStringList{"step 1"};
    // The player's own seek would keep the end of the backwards run: the pipeline seeks.
    QTest::addRow("backwards, two frames back")
        << true << qint64(161) << qint64(-1)
        << QStringList{"run-back 1 221", "step 2", "pipeline-seek 3 161"};
    QTest::addRow("backwards, the right one")
        << true << qint64(201) << qint64(-1) << QStringList{"run-back 1 221", "step 2"};
    // With it, the stamp decides: a file whose frames have no length reports their start
    // running backwards too.
    QTest::addRow("backwards, frame 4's stamp") << true << qint64(161) << qint64(160)
                                                << QStringList{"run-back 1 221", "step 2"};
    QTest::addRow("backwards, frame 3's stamp")
        << true << qint64(161) << qint64(120)
        << QStringList{"run-back 1 221", "step 2", "pipeline-seek 3 161"};
    QTest::addRow("forwards, the next frame's stamp") << false << qint64(41) << qint64(80)
                                                      << QStringList{"step 1", "seek 2 41"};
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
    engine_.shown = stamp;
    land(reported);
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
    stepper_->forget();
    engine_.now = 3000;
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
    stepper_->setRate(chosen);
    QCOMPARE(stepper_->shownFrameNumber(), frame);
}

void TestFrameStepper::jumps_data()
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
void TestFrameStepper::jumps()
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
void TestFrameStepper::playbackSpeed()
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
void TestFrameStepper::refreshKeepsAMoveUnderWay()
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

void TestFrameStepper::marksAreTheFilesOwnStamps_data()
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
void TestFrameStepper::marksAreTheFilesOwnStamps()
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

void TestFrameStepper::leftOntoAFrameThatLeadsAKeyframe_data()
{
    QTest::addColumn<QVector<qint64>>("leadingUs");
    QTest::addColumn<QString>("call");
    // 25 fps from 0; Left from frame 5 (201) to frame 4 (161).
    QTest::addRow("an ordinary frame: run backwards") << QVector<qint64>{} << "run-back 1 221";
    QTest::addRow("frame 4 leads the keyframe at 5: sought")
        << QVector<qint64>{120000, 160000} << "seek 1 161";
    QTest::addRow("frames before it lead: run backwards") << QVector<qint64>{80000, 120000}
                                                          << "run-back 1 221";
}

// An open GOP's leading frames are never shown running backwards: Left onto one seeks at once
// instead of waiting for a step that never comes.
void TestFrameStepper::leftOntoAFrameThatLeadsAKeyframe()
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

void TestFrameStepper::pausingKeepsTheFrameOnScreen_data()
{
    QTest::addColumn<qint64>("time");
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<qint64>("after");
    // 25 fps: frame 70 spans 2800 to 2840 ms.
    QTest::addRow("the time in the frame on screen: it stays")
        << qint64(2806) << qint64(2800) << QStringList{} << qint64(2806);
    QTest::addRow("a field's stamp, half a frame on: it stays")
        << qint64(2806) << qint64(2820) << QStringList{} << qint64(2806);
    QTest::addRow("the time still in the frame before: onto the frame on screen")
        << qint64(2790) << qint64(2800) << QStringList{"seek 1 2801"} << qint64(2801);
    QTest::addRow("no stamp: the next frame") << qint64(2806) << qint64(-1)
                                              << QStringList{"seek 1 2841"} << qint64(2841);
}

// Pausing leaves the time, and so the steps that follow, on the frame the picture shows.
void TestFrameStepper::pausingKeepsTheFrameOnScreen()
{
    QFETCH(qint64, time);
    QFETCH(qint64, stamp);
    QFETCH(QStringList, calls);
    QFETCH(qint64, after);
    engine_.now = time;
    engine_.shown = stamp;
    stepper_->pausedFromPlaying();
    QCOMPARE(engine_.calls, calls);
    QCOMPARE(stepper_->currentTime(), after);
}

// Once a step of a video has brought another frame than it was sent for (a camcorder's
// field-coded video, whose decoder hands out pictures per field or per frame), jumps of 10
// frames seek instead of stepping over them.
void TestFrameStepper::aStepThatMissedEndsRuns()
{
    stepper_->forward();
    engine_.shown = 80;
    land(81);
    QCOMPARE(engine_.calls, (QStringList{"step 1", "seek 2 41"}));
    engine_.shown = 40;
    land(41);
    stepper_->jumpFrames(10);
    QCOMPARE(engine_.calls.last(), QStringLiteral("seek 3 441"));
    // A new video starts trusting runs again.
    stepper_->newVideo();
    stepper_->setVideoStart(0, 500);
    engine_.calls.clear();
    engine_.now = 41;
    engine_.landed = 3;
    clock_->advance(1000);
    stepper_->jumpFrames(10);
    QCOMPARE(engine_.calls, QStringList{"step 4 x10"});
}

QTEST_GUILESS_MAIN(TestFrameStepper)
#include "tst_frame_stepper.moc"
