// Where the frames of the video lie: the grid of the chosen rate or of the video's own
// frames, its origin, its end, which frame the picture and a mark stand for, and where a move
// for a time or a mark goes.
#include "frame_stepper.h"

#include "step_engine.h"

#include <algorithm>
#include <cmath>

namespace dravenhol::morlek::player {

namespace {

// Running backwards, the decoder decodes a whole stretch between keyframes at once and keeps
// every frame of it, whatever the run's start (10 s at 1080p: 300 pictures, 0.9 GB, 2 to 4 s).
// Previous-frame steps run backwards where the pictures of the longest stretch fit this;
// elsewhere they seek, which decodes from the keyframe before to the frame wanted each time.
constexpr qint64 reverseStretchBytes = qint64(1) << 30;
// Without the picture's size, the longest stretch run backwards.
constexpr qint64 reverseKeyGapMs = 1000;

} // namespace

void FrameStepper::setRate(int fps)
{
    fps_ = qMax(0, fps);
}

int FrameStepper::seekStep() const
{
    return FrameGrid::seekStep(fps_ > 0 ? fps_ : qMax(1, frameGrid().fps()));
}

void FrameStepper::setVideoStart(qint64 originMs, qint64 keyGapMs)
{
    videoOrigin_ = originMs;
    originProbed_ = true;
    keyGapMs_ = keyGapMs;
    buildFrames();
}

void FrameStepper::setPictureSize(const QSize &size)
{
    pictureSize_ = size;
}

void FrameStepper::setFirstFrameShown(qint64 ms)
{
    firstShownMs_ = ms;
    awaitingFirstFrame_ = false;
    buildFrames();
}

qint64 FrameStepper::origin() const
{
    // MPEG transport streams count their clock from anywhere, and the player's clock does not
    // start where the file's does: the first frame as shown is then the authority. Elsewhere
    // the two agree to the millisecond, and the file's stamp is the finer.
    // Until the file is probed, the first frame as shown is all there is: keys pressed that
    // early must not count from 0 where the first frame starts later (23 ms into an MKV).
    constexpr qint64 clockOffsetMs = 50;
    if (firstShownMs_ >= 0 && (!originProbed_ || firstShownMs_ > videoOrigin_ + clockOffsetMs))
        return firstShownMs_;
    return videoOrigin_;
}

qint64 FrameStepper::timeZero() const
{
    // A codec delay or an encoder's priming is a few tens of ms; a clock that starts elsewhere
    // puts the first frame half a second and more after zero.
    constexpr qint64 codecDelayMs = 30;
    const double rate = videoRate();
    const qint64 frameMs = rate > 0 ? qint64(std::ceil(1000 / rate)) : 0;
    // The first frame's mark as marks are made (see startOfShownFrame()): it reads 0.
    const qint64 start = framesListed_ ? frames_.markTime(0) : frameGrid().markTime(0);
    return start > qMax(codecDelayMs, frameMs) ? start : 0;
}

void FrameStepper::buildFrames()
{
    framesListed_ = listedUs_.size() >= 2;
    if (!framesListed_) {
        frames_ = FrameGrid();
        return;
    }
    // The list counts from the file's start; the player's clock may start elsewhere.
    const qint64 shiftUs = origin() * 1000 - listedUs_.first();
    if (qAbs(shiftUs) < 50000) {
        frames_ = FrameGrid::ofFrames(listedUs_);
        return;
    }
    QVector<qint64> shifted = listedUs_;
    for (qint64 &start : shifted)
        start += shiftUs;
    frames_ = FrameGrid::ofFrames(shifted);
}

void FrameStepper::setFrameList(const QVector<qint64> &startsUs,
                                const QVector<qint64> &leadingUs)
{
    const FrameGrid before = frameGrid();
    listedUs_ = startsUs;
    leadingUs_ = leadingUs;
    buildFrames();
    moveOntoFrames(before);
}

void FrameStepper::moveOntoFrames(const FrameGrid &before)
{
    // Until the file's frames are listed, frames are laid at the decoder's rate from the
    // first: a move under way went to a frame of that grid, which the list puts a ms or more
    // off (further where the rate changes). Each goes to the listed frame nearest it, so that
    // a press now goes on from that frame and not from the one its time falls in.
    if (!rateIsVideoRate() || !framesListed_)
        return;
    const FrameGrid after = frameGrid();
    const auto onto = [&](qint64 &time) {
        if (time >= 0)
            time = after.frameStart(after.frameNearestUs(before.exactStartUs(before.frameAt(time))));
    };
    for (qint64 &target : moveTargets_)
        onto(target);
    onto(waitingTarget_);
    onto(timeBeforeMoves_);
    onto(heldFrameStart_);
}

qint64 FrameStepper::settledFrame() const
{
    // Once every move has landed, the picture says where the next goes on from: a move's time
    // can lie in another frame (a frame that came other than asked, a grid that changed).
    // Not while a kept picture is shown or covers the pipeline's own.
    // Before the file's frames are listed the grid is laid at the decoder's rate, which can
    // be far from the frames (a variable rate): the picture is not read against it.
    if (!framesListed_ || phase_ != Phase::Still || moveWaits_ || checkedSeek_ != 0
        || reachTarget_ >= 0 || playAsked_ || !engine_.canStep() || !engine_.isPaused() || !rateIsVideoRate()
        || landed() != moveCount_ || engine_.showsKeptPicture() || engine_.pictureFlushed())
        return -1;
    const qint64 stamp = shownStamp();
    const qint64 own = engine_.ownFrameStamp();
    if (stamp < 0 || own < 0)
        return -1;
    // The file's list names the frame exactly; the grid laid from a whole ms can put a stamp
    // a hair under a frame's start (66.67 ms laid from 67) in the frame before.
    const qint64 frame = frames_.frameOfMark(stamp);
    return frame == frames_.frameOfMark(own) ? frame : -1;
}

qint64 FrameStepper::onPictureShown(qint64 time) const
{
    const qint64 frame = settledFrame();
    const FrameGrid grid = frameGrid();
    return frame < 0 || frame == grid.frameAt(time) ? time : grid.frameStart(frame);
}

bool FrameStepper::leadsAKeyframe(qint64 frame) const
{
    if (leadingUs_.isEmpty() || listedUs_.isEmpty())
        return false;
    // On the file's clock, as listed (see buildFrames()), within a millisecond of the start.
    const qint64 shiftUs = origin() * 1000 - listedUs_.first();
    const qint64 us = frameGrid().exactStartUs(frame) - (qAbs(shiftUs) < 50000 ? 0 : shiftUs);
    const auto near = std::lower_bound(leadingUs_.cbegin(), leadingUs_.cend(), us - 1000);
    return near != leadingUs_.cend() && *near <= us + 1000;
}

FrameGrid FrameStepper::frameGrid() const
{
    // Every frame of the video: its own list, its own rate until the list is in.
    if (fps_ == 0) {
        if (framesListed_)
            return frames_;
        const double rate = engine_.canStep() ? videoRate() : 0;
        return rate > 0 ? FrameGrid::ofRate(rate, origin()) : FrameGrid(50, origin());
    }
    // Where the chosen rate is the video's, the video's own: "30 FPS" on a 29.97 fps video
    // would drift a frame off every 33 s.
    if (rateIsVideoRate())
        return FrameGrid::ofRate(videoRate(), origin());
    return FrameGrid(fps_, origin());
}

double FrameStepper::videoRate() const
{
    const double reported = engine_.videoFrameRate();
    if (!framesListed_ || reported <= 0 || listedUs_.last() <= listedUs_.first())
        return reported;
    // Field-coded H.264 (a camcorder's 50i and 60i) is reported at its field rate, while its
    // frames come at half that: the file's own stamps tell.
    const double listed = (listedUs_.size() - 1) * 1e6 / (listedUs_.last() - listedUs_.first());
    return qAbs(reported - 2 * listed) < 2 * listed * 0.01 ? listed : reported;
}

qint64 FrameStepper::recordingTime() const
{
    // While a seek has taken the picture away the screen still shows the last one: the
    // label and a mark keep to it, not to where the seek goes. (Asked once: each asking
    // reads the sink.)
    const bool flushed = engine_.pictureFlushed();
    if (flushed && lastPictureStart_ >= 0)
        return lastPictureStart_;
    // The sound can outlast the picture, and the engine's time with it: no frame follows the
    // last, and a mark never names one.
    const qint64 start = startOfShownFrame();
    const qint64 last = lastFrameStart();
    const qint64 shown = last >= 0 && start > last ? last : start;
    if (engine_.canStep() && !flushed)
        lastPictureStart_ = shown;
    return shown;
}

qint64 FrameStepper::heldFrame() const
{
    if (!engine_.canStep() || !engine_.isPaused() || landed() != moveCount_
        || engine_.pictureFlushed() || !rateIsVideoRate())
        return -1;
    const qint64 stamp = engine_.ownFrameStamp();
    return stamp >= 0 ? frameGrid().frameOfMark(stamp) : -1;
}

qint64 FrameStepper::shownStamp() const
{
    // A frame a seek cut is told by its start worked out from its length, which a container
    // that gives every frame a millisecond's length (variable-rate MKV) gets a frame wrong
    // when the seek went to the frame's own stamp. A stamp that is a listed frame's own start
    // names that frame whole; any other is a cut frame's seek position.
    const qint64 start = engine_.shownFrameTime();
    if (!framesListed_)
        return start;
    const qint64 stamp = engine_.shownFrameStamp();
    if (stamp >= 0 && stamp != start && frames_.markTime(frames_.frameOfMark(stamp)) == stamp)
        return stamp;
    return start;
}

qint64 FrameStepper::startOfShownFrame() const
{
    // The file's own frame stamps, once listed, name a frame as the file does (MKV's are
    // rounded to the millisecond); the stamp of the frame on screen says which frame it is.
    const bool listed = framesListed_ && rateIsVideoRate();
    if (engine_.canStep() && (engine_.isPaused() || engine_.isPlaying())) {
        // The file's own index names the frame whatever rate steps go at.
        const qint64 shown = shownStamp();
        if (shown >= 0 && framesListed_)
            return frames_.markTime(frames_.frameOfMark(shown));
        // Where the player's clock is not the file's (MPEG-TS), a frame that a seek landed in
        // keeps the seek's time as its stamp; the grid, exact on the stream's 90 kHz clock,
        // holds its start.
        if (shown >= 0 && origin() != videoOrigin_ && rateIsVideoRate()) {
            const FrameGrid grid = frameGrid();
            return grid.markTime(grid.frameOfMark(shown));
        }
        if (shown >= 0)
            return shown;
    }
    // While a seek has flushed the picture away, or the frame it cut names none, the frame
    // it goes to.
    const FrameGrid grid = frameGrid();
    const qint64 frame = grid.frameOfMark(shownTime());
    return listed ? frames_.markTime(frame) : grid.markTime(frame);
}

qint64 FrameStepper::shownFrameNumber() const
{
    return frameNumberOfMark(recordingTime());
}

qint64 FrameStepper::frameNumberOfMark(qint64 mark) const
{
    if (framesListed_)
        return frames_.frameOfMark(mark);
    const double rate = engine_.canStep() ? videoRate() : 0;
    if (rate <= 0)
        return -1;
    return FrameGrid::ofRate(rate, origin()).frameOfMark(mark);
}

bool FrameStepper::rateIsVideoRate() const
{
    if (!engine_.canStep())
        return false;
    // Every frame of the video is its own rate, whatever it is.
    if (fps_ == 0)
        return true;
    // Within half a per cent: "30 FPS" is meant for 29.97 fps (NTSC) videos too.
    const double rate = videoRate();
    return rate > 0 && qAbs(rate - fps_) < fps_ * 0.005;
}

bool FrameStepper::reverseStepsAffordable() const
{
    // Where the keyframes lie too far apart (or are not known yet), the frame before is sought.
    if (keyGapMs_ <= 0)
        return false;
    const double rate = videoRate() > 0 ? videoRate() : frameGrid().fps();
    if (pictureSize_.isEmpty() || rate <= 0)
        return keyGapMs_ <= reverseKeyGapMs;
    // Decoded pictures of 8-bit video: 12 bits a pixel.
    const double pictureBytes = 1.5 * pictureSize_.width() * pictureSize_.height();
    return keyGapMs_ / 1000.0 * rate * pictureBytes <= double(reverseStretchBytes);
}

qint64 FrameStepper::seekTarget(qint64 ms, bool mark) const
{
    // Not past the start of the last frame: a seek to the very end ends every stream.
    const qint64 last = lastFrameStart();
    if (last >= 0 && ms > last) {
        ms = last;
        mark = true;
    }
    // A mark holds its frame's start rounded down; a seek to exactly that time can show the
    // frame before (a frame is stamped a hair after its millisecond), one just after cannot.
    // A jump is a time, shown in the frame that holds it.
    if (rateIsVideoRate()) {
        const FrameGrid grid = frameGrid();
        return grid.frameStart(mark ? grid.frameOfMark(ms) : grid.frameAt(ms));
    }
    return mark && ms > 0 ? ms + 1 : ms;
}

qint64 FrameStepper::lastFrameStart() const
{
    if (videoEnd_ >= 0)
        return videoEnd_;
    // The listed frames end where the file does; the length the back-end reports does not
    // where its clock starts late (MPEG-TS).
    if (framesListed_)
        return frames_.markTime(listedUs_.size() - 1);
    const qint64 total = engine_.totalTime();
    const FrameGrid grid = frameGrid();
    return total > 0 ? grid.markTime(grid.frameAt(total - 1)) : -1;
}

bool FrameStepper::atLastFrame() const
{
    const qint64 last = lastFrameStart();
    const FrameGrid grid = frameGrid();
    return last >= 0 && grid.frameAt(currentTime()) >= grid.frameOfMark(last);
}

} // namespace dravenhol::morlek::player
