#include "frame_grid.h"

#include <QtMath>

namespace dravenhol::morlek::player {

FrameGrid::FrameGrid(int fps, qint64 originMs)
    : fps_(qMax(1, fps))
    , origin_(qMax<qint64>(0, originMs))
{
}

qint64 FrameGrid::frameStart(qint64 frame) const
{
    if (frame <= 0)
        return frame == 0 ? origin_ : 0;
    // floor(frame * 1000 / fps) + 1 in integers: the first whole millisecond after the start.
    return origin_ + frame * 1000 / fps_ + 1;
}

qint64 FrameGrid::frameAt(qint64 t) const
{
    // The frame whose exact span holds t; a step's target lies inside the frame it aims at.
    return t <= origin_ ? 0 : (t - origin_) * fps_ / 1000;
}

qint64 FrameGrid::markTime(qint64 frame) const
{
    return frame <= 0 ? origin_ : origin_ + frame * 1000 / fps_;
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

int FrameGrid::seekStep(int fps)
{
    return qRound(1000.0 / fps);
}

} // namespace dravenhol::morlek::player
