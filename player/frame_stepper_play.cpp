// Playing and pausing: where playing starts and at what speed, a press before it has begun,
// and the frame a pause leaves on screen.
#include "frame_stepper.h"

#include "step_engine.h"

namespace dravenhol::morlek::player {

void FrameStepper::play()
{
    if (!engine_.isPlaying())
        startPlayback();
}

void FrameStepper::playPause()
{
    // Playing at a slow speed starts with a seek, which takes a second or more on a file with
    // keyframes far apart; the back-end ignores a pause until it plays. A press meanwhile is
    // kept: playing pauses as soon as it begins, and a further press takes that back.
    constexpr qint64 playStartsWithinMs = 5000;
    if (playAsked_ && clock_.nowMs() - playAskedAt_ > playStartsWithinMs)
        playAsked_ = false;
    if (engine_.isPlaying()) {
        // The back-end's report that playing began can still be on its way: this press is
        // the pause of that playing, and the next one plays again.
        engine_.pause();
        playAsked_ = false;
        pauseAsked_ = false;
    } else if (playAsked_)
        pauseAsked_ = !pauseAsked_;
    else if (playWaits_)
        playWaits_ = false;
    else
        startPlayback();
}

void FrameStepper::playingStarted()
{
    const bool pauseNow = pauseAsked_;
    forget();
    soundBehind_ = false;
    if (pauseNow)
        engine_.pause();
}

void FrameStepper::pausedFromPlaying()
{
    playAsked_ = false;
    if (pausedAtEnd_) {
        // The end's own seek of the last frame redraws it.
        redrawAtPause_ = false;
        return;
    }
    const quint64 movesBefore = moveCount_;
    holdFrameOfPause();
    // The surface changed size while playing: the sink can go on drawing at the old size,
    // and paused, only a picture decoded again fills the new one.
    if (redrawAtPause_ && moveCount_ == movesBefore)
        redraw();
    redrawAtPause_ = false;
}

void FrameStepper::holdFrameOfPause()
{
    // Paused playback can keep the next frame on screen while the time still lies in the one
    // before. The picture's stamp says which frame it is (a camcorder's field-coded frames
    // are stamped per field, and a transport stream's on the player's clock): the time, and
    // so the steps from here, are then that frame's start, without a seek, which would decode
    // from a keyframe up to seconds back only to show the same frame again. A step goes on
    // from the picture the sink holds. Without a stamp, the next frame is sought.
    const FrameGrid grid = frameGrid();
    const qint64 now = engine_.time();
    const qint64 stamp = engine_.canStep() ? shownStamp() : -1;
    if (stamp >= 0 && rateIsVideoRate()) {
        const qint64 frame = grid.frameOfMark(stamp);
        if (grid.frameAt(now) != frame) {
            heldFrameStart_ = grid.frameStart(frame);
            emit moved();
        }
        return;
    }
    const qint64 shown = grid.nextFrameTarget(now, engine_.totalTime());
    if (shown != now) {
        seekTo(shown);
        // The seek takes the picture's stamp away until it lands: meanwhile the time shown is
        // that of the frame it keeps on screen.
        timeBeforeMoves_ = shown;
        emit moved();
    }
}

void FrameStepper::reachedEnd(qint64 lastFrameMs)
{
    if (lastFrameMs >= 0)
        videoEnd_ = lastFrameMs;
    engine_.pause();
    // Pausing needs a picture to settle on, and none comes after the end: the last frame is
    // decoded once more, which leaves the picture as it is.
    const qint64 target = seekTarget(lastFrameStart(), true);
    noteMove(target);
    phase_ = Phase::Still;
    soundBehind_ = false;
    if (!engine_.seekPipeline(moveCount_, target))
        engine_.seek(moveCount_, target, 1.0);
    pausedAtEnd_ = true;
    emit moved();
}

void FrameStepper::startPlayback()
{
    if (phase_ != Phase::Still && !stepDecoding())
        settle();
    if (stepDecoding()) {
        playWaits_ = true;
        return;
    }
    // Running backwards, the engine's time is no place on screen (it can even read as the
    // start): the picture's stamp says where playing goes on from.
    const qint64 stamp = engine_.runsBackwards() ? shownStamp() : -1;
    const qint64 from = stamp >= 0 ? seekTarget(stamp, true) : currentTime();
    const FrameGrid grid = frameGrid();
    const qint64 last = lastFrameStart();
    const bool onLastFrame = last >= 0 && grid.frameAt(from) >= grid.frameOfMark(last);
    // From the last frame, playing starts again from the beginning.
    if ((!engine_.runsBackwards() && engine_.time() == engine_.totalTime()) || onLastFrame)
        seekTo(0, true);
    else if (soundBehind_ || playbackRate_ != 1.0 || engine_.runsBackwards()
             || engine_.showsKeptPicture())
        seekTo(from, true);
    soundBehind_ = false;
    // Playing moves on from any seek whose picture was still to be checked.
    checkedSeek_ = 0;
    engine_.play();
    playAsked_ = true;
    playAskedAt_ = clock_.nowMs();
}

} // namespace dravenhol::morlek::player
