#ifndef MORLEK_BENCH_FRAME_TARGET_H
#define MORLEK_BENCH_FRAME_TARGET_H

#include <QString>

class QTableView;
class QWidget;

/**
 * A player window that the benchmark drives with key and mouse events.
 *
 * Right and Left step, Space plays and pauses, Return records the current time into the
 * timing table, and a double click on a recorded time seeks there.
 */
class FrameBenchTarget
{
public:
    virtual ~FrameBenchTarget() = default;

    /** The top-level window that receives the keys. */
    virtual QWidget *window() const = 0;
    /** The widget that shows the video. */
    virtual QWidget *videoSurface() const = 0;
    /** Opens a video; it loads and pauses on its first frame through the event loop. */
    virtual void open(const QString &path) = 0;
    /** Chooses the seek step of a frame rate, as the user does in the "Seek step" menu. */
    virtual void selectFrameRate(int fps) = 0;
    /** Moves to a time with the seek slider, as the user drags it there. */
    virtual bool jumpTo(qint64 ms) = 0;
    /** The playback time as the window shows it. */
    virtual QString shownTime() const = 0;
    /** The same in milliseconds, or -1 where the window has no such figure. */
    virtual qint64 shownTimeMs() const = 0;
    /** The table of recorded times, or null while the window has none. */
    virtual QTableView *timingTable() const = 0;
    /**
     * Whether the window moves with Shift/Ctrl+Left/Right, Home and End, and plays slower
     * with "[" and faster with "]".
     */
    virtual bool hasMoveKeys() const { return false; }
};

#endif
