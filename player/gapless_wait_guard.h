#ifndef MORLEK_GAPLESS_WAIT_GUARD_H
#define MORLEK_GAPLESS_WAIT_GUARD_H

#include <QVector>

typedef struct _GstElement GstElement;

namespace dravenhol::morlek::player {

/**
 * Keeps frame steps and seeks near the end of a file from freezing the window.
 *
 * When the demuxer reaches the end of the file (which happens after every seek in the last
 * seconds, even while paused), the pipeline asks for a next source to play without a gap, and
 * the back-end's answer blocks the streaming thread for up to 1.5 s while it asks the GUI
 * thread. A seek from the GUI thread meanwhile waits for the streaming thread, so the window
 * hangs for the whole wait. The player hands the back-end no next source (files dropped
 * together are opened one by one), so the guard keeps the question from the back-end. It only
 * acts in the thread that owns the player.
 */
class GaplessWaitGuard
{
public:
    /** Guards @p pipeline, a playbin; a null pipeline guards nothing. */
    explicit GaplessWaitGuard(GstElement *pipeline);
    ~GaplessWaitGuard();
    GaplessWaitGuard(const GaplessWaitGuard &) = delete;
    GaplessWaitGuard &operator=(const GaplessWaitGuard &) = delete;

    /** Keeps back the question from handlers the back-end connected since; call it often. */
    void refresh();
    /** Whether the question is kept back from some handler now. */
    bool isGuarding() const { return !blocked_.isEmpty(); }

private:
    GstElement *pipeline_ = nullptr;
    unsigned int signal_ = 0;
    QVector<unsigned long> blocked_;
};

} // namespace dravenhol::morlek::player

#endif
