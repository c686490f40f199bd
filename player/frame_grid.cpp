#include "frame_grid.h"

#include <QtMath>

#include <algorithm>

namespace dravenhol::morlek::player {

FrameGrid::FrameGrid(int fps, qint64 originMs)
    : FrameGrid(qMax(1, fps), 1, originMs)
{
}

FrameGrid::FrameGrid(qint64 frames, qint64 seconds, qint64 originMs)
    : frames_(qMax<qint64>(1, frames))
    , seconds_(qMax<qint64>(1, seconds))
    , origin_(qMax<qint64>(0, originMs))
{
}

FrameGrid FrameGrid::ofRate(double rate, qint64 originMs)
{
    // NTSC's rates are whole rates slowed by 1000/1001; any other rate is taken to the
    // thousandth of a frame.
    const double ntsc = rate * 1001.0 / 1000.0;
    if (qAbs(ntsc - qRound64(ntsc)) < 1e-6)
        return FrameGrid(qRound64(ntsc) * 1000, 1001, originMs);
    return FrameGrid(qRound64(rate * 1000), 1000, originMs);
}

FrameGrid FrameGrid::ofFrames(const QVector<qint64> &startsUs)
{
    if (startsUs.size() < 2)
        return FrameGrid(50, 0);
    // The average rate, for the step's length in ms; the frames themselves are exact.
    const qint64 span = qMax<qint64>(1, startsUs.last() - startsUs.first());
    FrameGrid grid(qint64(startsUs.size() - 1) * 1000000, span, startsUs.first() / 1000);
    grid.starts_ = QSharedPointer<const QVector<qint64>>::create(startsUs);
    return grid;
}

int FrameGrid::fps() const
{
    return int((frames_ + seconds_ / 2) / seconds_);
}

qint64 FrameGrid::frameStart(qint64 frame) const
{
    if (frame <= 0)
        return frame == 0 ? origin_ : 0;
    // The first whole millisecond from the listed start on. Files that stamp no frame lengths
    // (variable-rate MP4) give each frame a millisecond, so one past a whole-millisecond
    // start already lies in the next frame.
    if (starts_ && frame < starts_->size())
        return (starts_->at(int(frame)) + 999) / 1000;
    // Half a millisecond after the exact start, rounded up: containers that stamp to the
    // millisecond (MKV) can move a frame's start half a millisecond either way, and the
    // frame before then reaches up to half a millisecond into this one, where a seek would
    // still show it. Where the start is itself a whole millisecond this is the next one.
    return (exactStartUs(frame) + 500 + 999) / 1000;
}

qint64 FrameGrid::frameAt(qint64 t) const
{
    // The frame whose exact span holds t; a step's target lies inside the frame it aims at.
    if (t <= origin_)
        return 0;
    if (starts_) {
        const auto after = std::upper_bound(starts_->cbegin(), starts_->cend(), t * 1000);
        return qMax<qint64>(0, (after - starts_->cbegin()) - 1);
    }
    return (t - origin_) * frames_ / (1000 * seconds_);
}

qint64 FrameGrid::markTime(qint64 frame) const
{
    // floor(frame * 1000 / rate): the exact start rounded down.
    if (frame <= 0)
        return origin_;
    if (starts_) {
        // Past the last frame listed, frames go on at the average rate.
        const qint64 last = starts_->size() - 1;
        if (frame <= last)
            return starts_->at(int(frame)) / 1000;
        return starts_->at(int(last)) / 1000 + (frame - last) * 1000 * seconds_ / frames_;
    }
    return origin_ + frame * 1000 * seconds_ / frames_;
}

qint64 FrameGrid::frameOfMark(qint64 mark) const
{
    return frameAt(mark + 1);
}

qint64 FrameGrid::nextFrameTarget(qint64 t, qint64 total) const
{
    const qint64 target = frameStart(frameAt(t) + 1);
    // A negative total means the length is not known yet: no clamp to it.
    return total >= 0 && target > total ? total : target;
}

qint64 FrameGrid::previousFrameTarget(qint64 t) const
{
    const qint64 frame = frameAt(t);
    return frame <= 0 ? 0 : frameStart(frame - 1);
}

qint64 FrameGrid::exactStartUs(qint64 frame) const
{
    if (frame <= 0)
        return origin_ * 1000;
    if (starts_) {
        const qint64 last = starts_->size() - 1;
        if (frame <= last)
            return starts_->at(int(frame));
        return starts_->at(int(last)) + (frame - last) * 1000000 * seconds_ / frames_;
    }
    return origin_ * 1000 + frame * 1000000 * seconds_ / frames_;
}

qint64 FrameGrid::frameNearestUs(qint64 us) const
{
    if (us <= exactStartUs(0))
        return 0;
    qint64 before;
    if (starts_ && us <= starts_->last()) {
        const auto after = std::upper_bound(starts_->cbegin(), starts_->cend(), us);
        before = qMax<qint64>(0, (after - starts_->cbegin()) - 1);
    } else if (starts_) {
        const qint64 last = starts_->size() - 1;
        before = last + (us - starts_->last()) * frames_ / (1000000 * seconds_);
    } else {
        before = (us - origin_ * 1000) * frames_ / (1000000 * seconds_);
    }
    // The frame holding the time, or the next one where that starts nearer.
    const qint64 toBefore = us - exactStartUs(before);
    const qint64 toNext = exactStartUs(before + 1) - us;
    return toNext < toBefore ? before + 1 : before;
}

qint64 FrameGrid::frameAfterTime(qint64 frame, qint64 ms) const
{
    return frameNearestUs(exactStartUs(qMax<qint64>(0, frame)) + ms * 1000);
}

int FrameGrid::seekStep(int fps)
{
    return qRound(1000.0 / fps);
}

} // namespace dravenhol::morlek::player
