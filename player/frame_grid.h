#ifndef MORLEK_FRAME_GRID_H
#define MORLEK_FRAME_GRID_H

#include <QSharedPointer>
#include <QVector>
#include <QtGlobal>

namespace dravenhol::morlek::player {

/**
 * The frames of the chosen seek-step rate laid over a video's time line.
 *
 * Frame k of a video of that rate starts exactly k * 1000 / fps ms after the origin, the time
 * of the video's first frame (0 for most files; MKV files often start a few ms later). Steps
 * go to the whole millisecond at or after half a millisecond past a frame's exact start, and
 * never drift into a repeated or a skipped frame as whole-millisecond steps do. Where the
 * start is itself a whole millisecond that is the next one: the back-end's nanosecond time
 * stamps can put such a frame a hair after it (frame 3 of a 30 fps MP4 lies just after
 * 100 ms). The half millisecond is needed where the container stamps to the millisecond (MKV):
 * the frame before can then reach up to half a millisecond into the exact start, and a seek
 * there would show it. Before the origin the first frame is on screen.
 *
 * A grid can also be the video's own frames, from the start of each as the file stamps it:
 * then any rate (slow motion at 120 or 240, 23.976) and a rate that changes on the way are
 * exact.
 */
class FrameGrid
{
public:
    /** fps must be positive; origin is clamped to 0 and above. */
    explicit FrameGrid(int fps = 50, qint64 originMs = 0);
    /**
     * The grid of a rate of @p frames per @p seconds (30000 per 1001 for NTSC's 29.97), so
     * that frames of such a video never drift off it.
     */
    FrameGrid(qint64 frames, qint64 seconds, qint64 originMs);
    /** The grid of a video's own rate as the decoder gives it (NTSC rates exact). */
    static FrameGrid ofRate(double rate, qint64 originMs);
    /**
     * The grid of a video's own frames: the start of each in µs, in presentation order.
     * Needs at least two frames; otherwise the grid is that of 50 fps.
     */
    static FrameGrid ofFrames(const QVector<qint64> &startsUs);
    /** Whether the grid is a video's own frames rather than a rate. */
    bool isFrameList() const { return !starts_.isNull(); }

    /** The rate rounded to whole frames per second. */
    int fps() const;
    qint64 origin() const { return origin_; }

    /**
     * Where frame k is sought: its exact start plus half a millisecond, rounded up to the
     * millisecond; frame 0 at the origin.
     * A listed frame is sought at the first whole millisecond from its stamp on.
     */
    qint64 frameStart(qint64 frame) const;
    /** The frame whose exact span holds time t (0 before the origin). */
    qint64 frameAt(qint64 t) const;

    /**
     * The time a mark of frame k holds: its exact start rounded down to the millisecond,
     * origin + floor(k * 1000 / fps). This is what the user reads and exports.
     */
    qint64 markTime(qint64 frame) const;
    /**
     * The frame a mark stands for. A mark may lie up to a millisecond before its frame's exact
     * start (rounded down, or stamped to the nearest millisecond by the container) or one after
     * it (marks of earlier versions, which took the seek's time).
     */
    qint64 frameOfMark(qint64 mark) const;

    /**
     * Where the next-frame step goes from t: the start of the first frame after t, never past
     * a known (non-negative) total.
     */
    qint64 nextFrameTarget(qint64 t, qint64 total) const;
    /** Where the previous-frame step goes from t; never below 0. */
    qint64 previousFrameTarget(qint64 t) const;

    /** The exact start of frame k in µs (rounded down), from the origin or the file's list. */
    qint64 exactStartUs(qint64 frame) const;
    /** The frame whose exact start lies nearest to @p us (the earlier on a tie); 0 at least. */
    qint64 frameNearestUs(qint64 us) const;
    /**
     * The frame a jump of @p ms from frame k goes to: the one that starts nearest to k's start
     * moved by @p ms, so that a jump there and back returns to k at any rate. Never below 0.
     */
    qint64 frameAfterTime(qint64 frame, qint64 ms) const;

    /** The seek step of a frame rate: 1000 / fps rounded half away from zero. */
    static int seekStep(int fps);

private:
    // The rate as a fraction: frames_ frames every seconds_ seconds.
    qint64 frames_;
    qint64 seconds_;
    qint64 origin_;
    // The video's own frame starts in µs, shared by the copies of the grid; null for a rate.
    QSharedPointer<const QVector<qint64>> starts_;
};

} // namespace dravenhol::morlek::player

#endif
