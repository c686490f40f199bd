#ifndef MORLEK_GAPLESS_WAIT_GUARD_H
#define MORLEK_GAPLESS_WAIT_GUARD_H

typedef struct _GstElement GstElement;

namespace dravenhol::morlek::player {

/**
 * Keeps frame steps and seeks near the end of a file from freezing the window.
 *
 * When the demuxer reaches the end of the file (which happens after every seek in the last
 * seconds, even while paused), the pipeline asks for a next source to play without a gap, and
 * the back-end's answer blocks the streaming thread for up to 1.5 s while it asks the GUI
 * thread. A seek from the GUI thread meanwhile waits for the streaming thread, so the window
 * hangs for the whole wait. With no next file queued there is nothing to ask for: the guard
 * keeps the question from the back-end then, and lets it through while files are queued.
 * It only ever acts in the thread that owns the player, never while the back-end is at work.
 */
class GaplessWaitGuard
{
public:
    /** Guards @p pipeline, a playbin; a null pipeline guards nothing. */
    explicit GaplessWaitGuard(GstElement *pipeline);
    ~GaplessWaitGuard();
    GaplessWaitGuard(const GaplessWaitGuard &) = delete;
    GaplessWaitGuard &operator=(const GaplessWaitGuard &) = delete;

    /** Lets the question through while a next file is queued; keeps it back otherwise. */
    void setQueueEmpty(bool empty);
    /** Whether the question is kept back now. */
    bool isGuarding() const { return blocked_; }

private:
    void setBlocked(bool blocked);

    GstElement *pipeline_ = nullptr;
    unsigned int signal_ = 0;
    bool blocked_ = false;
};

} // namespace dravenhol::morlek::player

#endif
