// Moves of several frames: jumps of frames and seconds, the first and the last frame, runs of
// steps over several frames, and the speed of playing.
#include "frame_stepper.h"

#include "step_engine.h"

#include <algorithm>
#include <limits>

namespace dravenhol::morlek::player {

void FrameStepper::jumpFrames(int frames)
{
    moveToFrame(frameGrid().frameAt(currentTime()) + frames);
}

void FrameStepper::jumpSeconds(int seconds)
{
    const FrameGrid grid = frameGrid();
    moveToFrame(grid.frameAfterTime(grid.frameAt(currentTime()), qint64(seconds) * 1000));
}

void FrameStepper::toFirstFrame()
{
    moveToFrame(0);
}

void FrameStepper::toLastFrame()
{
    moveToFrame(std::numeric_limits<qint64>::max());
}

void FrameStepper::moveToFrame(qint64 frame)
{
    const FrameGrid grid = frameGrid();
    const qint64 last = lastFrameStart();
    if (last >= 0)
        frame = qMin(frame, grid.frameOfMark(last));
    else if (frame == std::numeric_limits<qint64>::max())
        return;
    frame = qMax<qint64>(0, frame);
    // Held against the start or the end, the picture stays as it is.
    if (engine_.isPaused() && frame == grid.frameAt(currentTime()))
        return;
    moveTo(grid.frameStart(frame), true);
}

void FrameStepper::setPlaybackRate(double rate)
{
    if (rate <= 0 || rate == playbackRate_)
        return;
    playbackRate_ = rate;
    // Playing goes on from where it is, at the new speed.
    if (engine_.isPlaying())
        seekTo(engine_.time(), true);
}

bool FrameStepper::stepRunTo(qint64 from, qint64 target, bool run)
{
    const FrameGrid grid = frameGrid();
    const qint64 to = grid.frameAt(target);
    if (target != grid.frameStart(to))
        return false;
    const qint64 frames = to - grid.frameAt(from);
    // A step decodes every frame on the way, a seek those from the keyframe before the
    // target: a run of steps is the faster within a keyframe stretch, up to a second.
    qint64 most = 1;
    // Field-coded video can come as a picture per field, or per frame, as the decoder goes:
    // a run of steps over several frames would not know how far it went. So it is where a
    // step has brought another frame than the one it was sent for.
    const bool fieldPictures = qAbs(videoRate() - engine_.videoFrameRate()) > 0.01;
    if (run && !fieldPictures && !stepsMissed_ && keyGapMs_ > 0 && grid.fps() > 0)
        most = qBound<qint64>(1, keyGapMs_ * grid.fps() / 1000, grid.fps());
    // Running backwards, the frames of the stretch are decoded already: presses of Left that
    // came while it decoded go back together, as one step, up to a stretch (or a second).
    if (frames < 0 && engine_.runsBackwards() && !fieldPictures)
        most = std::max({most, qint64(qMax(1, grid.fps())), keyGapMs_ * grid.fps() / 1000});
    if (frames == 0 || qAbs(frames) > most)
        return false;
    // Forwards, but not onto the last frame: a step past the end would never arrive.
    if (frames > 0)
        return !engine_.runsBackwards() && target + seekStep() < engine_.totalTime()
            && sendStep(target, int(frames));
    // Backwards, but not onto the first frame: running backwards, that step never arrives.
    if (!reverseStepsAffordable() || to < 1 || leadsAKeyframe(to))
        return false;
    if (engine_.runsBackwards())
        return sendStep(target, int(-frames));
    // A run backwards never shows a frame that leads a keyframe (it is decoded after it):
    // turned round from one, the first picture would be the frame before, and the step after
    // it one frame too far.
    if (leadsAKeyframe(grid.frameAt(from)))
        return false;
    // Turning round decodes the whole keyframe stretch, which pays off for the single steps
    // back that tend to follow; a longer way back is sought sooner.
    return frames == -1 && turnBackwards(from, target, run);
}

bool FrameStepper::showKeptPicture(qint64 target)
{
    // The kept pictures are told by their stamps, which name frames of the video's own. Only
    // from a picture that has arrived, as a step goes: the engine's own picture must be known.
    if (!engine_.isPaused() || playAsked_ || landed() != moveCount_ || !rateIsVideoRate())
        return false;
    const FrameGrid grid = frameGrid();
    const qint64 frame = grid.frameAt(target);
    if (!engine_.showKeptPicture(moveCount_ + 1, target, grid.markTime(frame),
                                 grid.markTime(frame + 1)))
        return false;
    noteMove(target);
    checkedSeek_ = 0;
    reachTarget_ = -1;
    // The pipeline, and its sound, stay where they were: playing seeks to the picture first.
    soundBehind_ = true;
    emit moved();
    return true;
}

} // namespace dravenhol::morlek::player
