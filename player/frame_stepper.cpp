#include "frame_stepper.h"

#include "step_engine.h"

#include <limits>

namespace dravenhol::morlek::player {

namespace {

// How long a move's target stands for the reported time while the move has not taken effect.
constexpr qint64 pendingStepMs = 300;
// A move that the engine has not reported after this long (or after the wait for a lost
// step, where that is longer) is taken as shown, so that a lost report cannot hold an old
// time for ever.
constexpr qint64 moveLostMs = 3000;
// A step takes a few ms; one that has not arrived after this long was lost.
constexpr qint64 stepLostMs = 1000;
// How often, and how far apart, the picture of a move that has landed is looked for where the
// sink does not hold it yet.
constexpr int stampLooks = 5;
constexpr qint64 stampLookMs = 10;

} // namespace

SteadyStepClock::SteadyStepClock(QObject *parent)
    : StepClock(parent)
{
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &StepClock::woke);
}

FrameStepper::FrameStepper(StepEngine &engine, StepClock &clock, QObject *parent)
    : QObject(parent)
    , engine_(engine)
    , clock_(clock)
{
    connect(&clock_, &StepClock::woke, this, [this] {
        // The step's time is up: it arrived unreported, or never will.
        if (phase_ != Phase::Still)
            settle();
        // Or a seek's picture is looked for once more.
        else if (landedSeekToCheck() && engine_.isPaused() && !playAsked_)
            checkSeekLanded();
    });
}

FrameStepper::~FrameStepper() = default;

void FrameStepper::newVideo()
{
    frames_ = FrameGrid();
    framesListed_ = false;
    listedUs_.clear();
    leadingUs_.clear();
    stepsMissed_ = false;
    firstShownMs_ = -1;
    lastPictureStart_ = -1;
    videoOrigin_ = 0;
    originProbed_ = false;
    keyGapMs_ = -1;
    pictureSize_ = QSize();
    videoEnd_ = -1;
    redrawAtPause_ = false;
    awaitingFirstFrame_ = true;
    forget();
}

void FrameStepper::forward()
{
    // Past the last frame there is nothing to show; a seek there would end the streams.
    if (atLastFrame())
        return;
    moveTo(frameGrid().nextFrameTarget(currentTime(), engine_.totalTime()));
}

void FrameStepper::rewind()
{
    // At the very end the last frame is on screen, not a frame after it.
    const qint64 total = engine_.totalTime();
    const qint64 now = currentTime();
    moveTo(frameGrid().previousFrameTarget(total > 0 && now >= total ? total - 1 : now));
}

void FrameStepper::seekToMark(qint64 ms)
{
    moveTo(seekTarget(ms, true));
}

void FrameStepper::jumpTo(qint64 ms)
{
    moveTo(seekTarget(ms, false));
}

void FrameStepper::refresh()
{
    // On the way to a frame that only steps reach (open GOPs), the frame wanted is shown
    // again, not the earlier one sought on the way. Once play is asked, a seek now would undo
    // the speed playing starts at: the redraw waits for the pause. The engine can be paused
    // on a new file's first frame before its load is told: that frame is the file's origin,
    // and a seek then left none held to read it from.
    if (awaitingFirstFrame_)
        return;
    if (engine_.isPaused() && !playAsked_)
        redraw();
    else if (engine_.isPlaying() || playAsked_)
        redrawAtPause_ = true;
}

void FrameStepper::redraw()
{
    // The time can be the very start of a frame held at a pause, where a seek can show the
    // frame before: it is sought as a mark is.
    moveTo(reachTarget_ >= 0 ? reachTarget_ : seekTarget(currentTime(), true));
}

void FrameStepper::forget()
{
    movedAt_ = -1;
    heldFrameStart_ = -1;
    // Moves still under way no longer say what is on screen.
    settledMove_ = moveCount_;
    phase_ = Phase::Still;
    moveWaits_ = false;
    playWaits_ = false;
    playAsked_ = false;
    pauseAsked_ = false;
    checkedSeek_ = 0;
    reachTarget_ = -1;
    reachTries_ = 0;
    reachMoves_ = 0;
    clock_.cancelWake();
}

void FrameStepper::moveArrived()
{
    if (phase_ != Phase::Still && !stepDecoding())
        settle();
    else if (phase_ == Phase::Still && landedSeekToCheck())
        checkSeekLanded();
}

bool FrameStepper::landedSeekToCheck() const
{
    return checkedSeek_ != 0 && checkedSeek_ == moveCount_ && landed() == moveCount_;
}

void FrameStepper::checkSeekLanded()
{
    const FrameGrid grid = frameGrid();
    const qint64 frame = grid.frameAt(lastTarget());
    const qint64 shown = shownStamp();
    // The sink can hold the seek's picture a moment after the seek's report: without its
    // stamp, a seek onto a frame that leads a keyframe would be left showing the keyframe.
    // On the way to such a frame, the frame before it was sought, which the decoder cuts at
    // the seek and stamps with none: the step on goes at once (a press that came meanwhile
    // would start from the frame before), and puts itself right should it not be that.
    if (shown < 0 && engine_.canStep() && reachTarget_ < 0 && lookAgainForPicture())
        return;
    checkedSeek_ = 0;
    // Open GOPs (HEVC as encoders write it by default) decode the frames just before a
    // keyframe after it; a seek to one of them starts at that keyframe and shows it instead.
    // An earlier frame is sought (1, 2, 4, then 8 frames before), and steps decode on to the
    // frame wanted. After that the picture stays where the last seek put it.
    if (shown >= 0 && frame >= 1 && rateIsVideoRate() && grid.frameOfMark(shown) > frame) {
        const qint64 wanted = reachTarget_ >= 0 ? reachTarget_ : lastTarget();
        constexpr int reachTries = 4;
        if (reachTries_ >= reachTries) {
            reachTarget_ = -1;
            return;
        }
        const qint64 back = qint64(1) << reachTries_;
        const int tries = reachTries_ + 1;
        seekTo(grid.frameStart(qMax<qint64>(0, grid.frameAt(wanted) - back)));
        reachTarget_ = wanted;
        reachTries_ = tries;
        return;
    }
    // The back-end stops a seek at the length it reports, which falls short of the last
    // frames where its clock starts late (MPEG-TS): steps go on to the frame wanted.
    constexpr qint64 framesStepped = 100;
    const qint64 at = shown >= 0 ? grid.frameOfMark(shown) : frame;
    if (reachTarget_ < 0 && rateIsVideoRate() && at < frame && frame - at <= framesStepped)
        reachTarget_ = lastTarget();
    continueReach();
}

bool FrameStepper::continueReach()
{
    // Bounded, whatever the back-end does with the moves.
    constexpr int reachMoves = 128;
    if (reachTarget_ < 0 || reachMoves_ >= reachMoves || !stepsFrameByFrame()
        || engine_.runsBackwards()) {
        reachTarget_ = -1;
        return false;
    }
    // On from the picture on screen: the engine's time lags behind it for a moment.
    const FrameGrid grid = frameGrid();
    const qint64 shown = shownStamp();
    const qint64 at = shown >= 0 ? grid.frameOfMark(shown) : grid.frameAt(currentTime());
    if (at >= grid.frameAt(reachTarget_)) {
        reachTarget_ = -1;
        return false;
    }
    ++reachMoves_;
    return sendStep(grid.frameStart(at + 1));
}

void FrameStepper::moveTo(qint64 target, bool run)
{
    reachTarget_ = -1;
    reachTries_ = 0;
    reachMoves_ = 0;
    // A step that has arrived unreported is checked first, as its report would have.
    if (phase_ != Phase::Still && !stepDecoding())
        settle();
    // A seek sent while a step is still decoding can leave the picture where the step began,
    // and a second step would cut the first short: the move waits for the step to arrive.
    if (stepDecoding()) {
        moveWaits_ = true;
        waitingTarget_ = target;
        waitingRun_ = run;
        // Turning round keeps the picture, and the step that follows goes to the latest press:
        // a kept picture of it can show meanwhile. Behind a step, it would give way to the
        // step's own frame when that came, and a mark then would name that frame.
        if (phase_ == Phase::Turning)
            coverWait(target);
        emit moved();
        return;
    }
    phase_ = Phase::Still;
    moveWaits_ = false;
    clock_.cancelWake();
    if (showKeptPicture(target))
        return;
    const qint64 from = currentTime();
    // The engine must agree on where the picture is, or a step would go on from elsewhere.
    // (Running backwards it reports the end of the frame on screen.) A frame held by its
    // picture's stamp, or the picture's own, is where the picture is.
    const bool agreed = heldFrameStart_ >= 0 || frameGrid().frameAt(from) == settledFrame()
        || qAbs(engine_.time() - from) <= seekStep();
    if (stepsFrameByFrame() && agreed && stepRunTo(from, target, run))
        return;
    seekTo(target);
}

bool FrameStepper::sendStep(qint64 target, int frames)
{
    noteMove(target);
    const bool backwards = engine_.runsBackwards();
    if (!engine_.stepFrames(moveCount_, frames))
        return false;
    stepFrames_ = frames;
    startPhase(backwards ? Phase::SteppingBack : Phase::Stepping);
    emit moved();
    return true;
}

bool FrameStepper::turnBackwards(qint64 from, qint64 target, bool run)
{
    // Turning round keeps the picture; the step follows once it has arrived. The run starts
    // half a frame on: a frame stamped at the very millisecond of the time here would
    // otherwise fall out of it (60 fps MKV frames lie on whole ms).
    noteMove(from);
    if (!engine_.runBackwards(moveCount_, from + qMax(1, seekStep() / 2)))
        return false;
    startPhase(Phase::Turning);
    moveWaits_ = true;
    waitingRun_ = run;
    waitingTarget_ = target;
    coverWait(target);
    emit moved();
    return true;
}

void FrameStepper::coverWait(qint64 target)
{
    // The engine keeps pictures by the video's own frames, while paused.
    if (!engine_.isPaused() || playAsked_ || !rateIsVideoRate())
        return;
    const FrameGrid grid = frameGrid();
    const qint64 frame = grid.frameAt(target);
    engine_.coverMove(grid.markTime(frame), grid.markTime(frame + 1));
}

void FrameStepper::startPhase(Phase phase)
{
    phase_ = phase;
    stampLooks_ = 0;
    soundBehind_ = true;
    clock_.wakeIn(lostAfterMs());
}

void FrameStepper::seekTo(qint64 target, bool toPlay)
{
    const bool backwards = engine_.runsBackwards();
    noteMove(target);
    soundBehind_ = false;
    // Where the picture landed is checked once it has, as steps are.
    checkedSeek_ = engine_.isPaused() && !toPlay ? moveCount_ : 0;
    stampLooks_ = 0;
    // A seek sets the speed of the playing that follows it; paused, steps want the normal one.
    const double rate = toPlay || engine_.isPlaying() ? playbackRate_ : 1.0;
    // The player's seek keeps the end of a backwards run, which would stop everything after it.
    if (rate != 1.0 || !backwards || !engine_.seekPipeline(moveCount_, target))
        engine_.seek(moveCount_, target, rate);
    if (!toPlay)
        coverWait(target);
    emit moved();
}

void FrameStepper::settle()
{
    clock_.cancelWake();
    const Phase was = phase_;
    // A step backwards can report its end a moment before the sink holds its picture, and
    // running backwards the time says nothing of it: the picture is looked for once more
    // rather than taken as missing (which would seek and decode the stretch again).
    if (was == Phase::SteppingBack && landed() == moveCount_ && shownStamp() < 0
        && lookAgainForPicture())
        return;
    phase_ = Phase::Still;
    // (Running backwards from just before a keyframe also skips frames, of any video.)
    if (was == Phase::Stepping && landed() == moveCount_ && !stepShowsItsFrame(was))
        stepsMissed_ = true;
    // Field-coded video can come as a picture per field: a step that brought the other
    // picture of the frame it left goes one picture further.
    if (landed() == moveCount_ && !stepShowsItsFrame(was) && !stepRepeated_
        && broughtTheFrameItLeft(was)) {
        stepRepeated_ = true;
        if (sendStep(lastTarget(), 1))
            return;
    }
    stepRepeated_ = false;
    // Turned round, the picture can be a frame before the one turned at (GStreamer 1.26 leaves
    // out the frame the run's end cuts): steps go on from the picture, and where it is the
    // frame wanted, the move is done.
    const qint64 held = was == Phase::Turning && landed() == moveCount_ ? heldFrame() : -1;
    if (held >= 0 && held != frameGrid().frameAt(lastTarget())) {
        heldFrameStart_ = frameGrid().frameStart(held);
        moveTargets_[moveCount_ % movesKept] = heldFrameStart_;
        if (moveWaits_ && held == frameGrid().frameAt(waitingTarget_)) {
            moveWaits_ = false;
            emit moved();
        }
    }
    // The step never arrived (a preroll that ended just then can swallow it), or brought
    // another frame than the one it was sent for (running backwards from just before a
    // keyframe skips frames): a seek puts it right.
    if (landed() != moveCount_ || !stepShowsItsFrame(was))
        seekTo(lastTarget());
    else if (!moveWaits_ && !playWaits_)
        continueReach();
    if (moveWaits_) {
        moveWaits_ = false;
        moveTo(waitingTarget_, waitingRun_);
    }
    if (playWaits_) {
        playWaits_ = false;
        startPlayback();
    }
}

bool FrameStepper::broughtTheFrameItLeft(Phase step) const
{
    if (step != Phase::Stepping && step != Phase::SteppingBack)
        return false;
    // Without the picture's stamp, the time a forward step leaves is in the frame it shows.
    qint64 shown = shownStamp();
    if (shown < 0 && step == Phase::Stepping)
        shown = engine_.time();
    if (shown < 0)
        return false;
    const FrameGrid grid = frameGrid();
    const qint64 left =
        grid.frameAt(lastTarget()) + (step == Phase::Stepping ? -stepFrames_ : stepFrames_);
    return grid.frameOfMark(shown) == left;
}

bool FrameStepper::stepShowsItsFrame(Phase step) const
{
    if (step != Phase::Stepping && step != Phase::SteppingBack)
        return true;
    const FrameGrid grid = frameGrid();
    const qint64 target = lastTarget();
    // The stamp of the frame on screen says which frame came, whichever way the step went.
    const qint64 shown = shownStamp();
    if (shown >= 0)
        return grid.frameOfMark(shown) == grid.frameAt(target);
    // Without it, the engine's time: after a step a time in the new frame (a field picture of
    // the frame before is half a frame short of it), running backwards the frame's end.
    if (step == Phase::Stepping)
        return grid.frameOfMark(engine_.time()) == grid.frameAt(target);
    const qint64 expected = grid.frameStart(grid.frameAt(target) + 1);
    return qAbs(engine_.time() - expected) <= seekStep() / 2 + 1;
}

void FrameStepper::noteMove(qint64 target)
{
    // The picture on screen now stays there while a seek for this move takes it away.
    recordingTime();
    // With nothing under way, the time now is that of the picture on screen.
    if (landed() == moveCount_)
        timeBeforeMoves_ = currentTime();
    heldFrameStart_ = -1;
    ++moveCount_;
    pausedAtEnd_ = false;
    moveTargets_[moveCount_ % movesKept] = target;
    movedAt_ = clock_.nowMs();
}

qint64 FrameStepper::lastTarget() const
{
    return moveTargets_[moveCount_ % movesKept];
}

qint64 FrameStepper::sinceMove() const
{
    return movedAt_ < 0 ? std::numeric_limits<qint64>::max() : clock_.nowMs() - movedAt_;
}

quint64 FrameStepper::landed() const
{
    if (!engine_.canStep())
        return moveCount_;
    return qBound(settledMove_, engine_.landedMove(), moveCount_);
}

bool FrameStepper::stepDecoding() const
{
    return phase_ != Phase::Still && landed() != moveCount_ && sinceMove() < lostAfterMs();
}

qint64 FrameStepper::lostAfterMs() const
{
    // Running backwards, the first picture of a keyframe stretch comes once the decoder has
    // decoded all of it: seconds where keyframes lie seconds apart.
    const bool decodesStretch = phase_ == Phase::Turning || phase_ == Phase::SteppingBack;
    return decodesStretch && keyGapMs_ > 0 ? stepLostMs + 2 * keyGapMs_ : stepLostMs;
}

bool FrameStepper::lookAgainForPicture()
{
    if (stampLooks_ >= stampLooks)
        return false;
    ++stampLooks_;
    clock_.wakeIn(stampLookMs);
    return true;
}

qint64 FrameStepper::moveLostAfterMs() const
{
    return qMax(moveLostMs, lostAfterMs());
}

bool FrameStepper::movePending() const
{
    if (movedAt_ < 0 || !engine_.isPaused())
        return false;
    // The engine's time lags behind the picture for a moment even after it arrived.
    if (sinceMove() < pendingStepMs)
        return true;
    if (!engine_.canStep())
        return false;
    if (landed() != moveCount_)
        return sinceMove() < moveLostAfterMs();
    // After a step the engine reports the frame's exact start, which a seek may not find
    // again (a frame stamped a hair after the whole millisecond): the move's own time stands
    // for as long as the picture stays there.
    const qint64 aimed = moveWaits_ ? waitingTarget_ : lastTarget();
    return qAbs(engine_.time() - aimed) <= qMax(seekStep(), 1);
}

qint64 FrameStepper::currentTime() const
{
    const bool held = heldFrameStart_ >= 0 && engine_.isPaused();
    if (movePending())
        return onPictureShown(moveWaits_ ? waitingTarget_ : lastTarget());
    return onPictureShown(held ? heldFrameStart_ : engine_.time());
}

qint64 FrameStepper::shownTime() const
{
    const quint64 landedMove = landed();
    if (!movePending() || !engine_.canStep() || landedMove == moveCount_
        || sinceMove() >= moveLostAfterMs())
        return currentTime();
    if (landedMove > settledMove_ && moveCount_ - landedMove < movesKept)
        return moveTargets_[landedMove % movesKept];
    return timeBeforeMoves_;
}

bool FrameStepper::stepsFrameByFrame() const
{
    // A step sent while a seek is still decoding could be lost in it; a seek is sure.
    return rateIsVideoRate() && engine_.isPaused() && !engine_.isLoading()
        && landed() == moveCount_;
}

} // namespace dravenhol::morlek::player
