#ifndef MORLEK_STEP_ENGINE_H
#define MORLEK_STEP_ENGINE_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace dravenhol::morlek::player {

/**
 * What the frame stepper asks of the playback engine. Moves of the picture are numbered by
 * the stepper; the engine tells which of them last put its picture on screen.
 */
class StepEngine
{
public:
    virtual ~StepEngine() = default;

    /** Paused with a picture (not loading, not stopped). */
    virtual bool isPaused() const = 0;
    /** Playing, or buffering on the way to play (a press of pause must pause it). */
    virtual bool isPlaying() const = 0;
    /** A file is set and has not yet come to pause or play. */
    virtual bool isLoading() const = 0;
    /** The playback time the engine reports, in ms. */
    virtual qint64 time() const = 0;
    /** The length of the file in ms, or -1 while unknown. */
    virtual qint64 totalTime() const = 0;
    /** The video's own frame rate, 0 when unknown. */
    virtual double videoFrameRate() const = 0;
    /** Whether the engine can step single frames and run backwards at all. */
    virtual bool canStep() const = 0;
    /** The start of the frame on screen as the video stamps it, in ms; -1 when none is held. */
    virtual qint64 shownFrameTime() const = 0;
    /**
     * The stamp the picture on screen carries, in ms: for a frame that a seek cut, the seek's
     * position rather than the start worked out from its length (which a container that
     * gives every frame a millisecond's length gets wrong). -1 when none is held.
     */
    virtual qint64 shownFrameStamp() const { return shownFrameTime(); }
    /**
     * Whether a seek has taken the picture from the sink and the one it goes to has not come:
     * the screen still shows the last picture, which the engine no longer holds.
     */
    virtual bool pictureFlushed() const { return false; }
    /** The stamp of the pipeline's own picture, beneath a kept picture covering a move. */
    virtual qint64 ownFrameStamp() const { return shownFrameStamp(); }
    /**
     * The number of the last move whose picture is on screen. May be read at any time: the
     * engine learns it in another thread, and a report of it can come after the user acted.
     */
    virtual quint64 landedMove() const = 0;

    /**
     * Decodes on to the @p frames-th next frame (or earlier frame, running backwards) and shows
     * only that one; false when refused.
     */
    virtual bool stepFrames(quint64 move, int frames) = 0;
    /** Turns the paused picture round to run backwards from fromMs; false when refused. */
    virtual bool runBackwards(quint64 move, qint64 fromMs) = 0;
    /** Whether a backwards run is under way; any seek ends it. */
    virtual bool runsBackwards() const = 0;
    /**
     * Shows at once, as move, a picture decoded earlier whose frame starts in [fromMs, toMs)
     * and lies before the pipeline's own picture, or the pipeline's own again where that is
     * the frame; the engine's time is then targetMs. False when it keeps no such picture.
     */
    virtual bool showKeptPicture(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs) = 0;
    /** Whether the picture on screen is one kept from earlier: playing must seek to it. */
    virtual bool showsKeptPicture() const = 0;
    /**
     * While a move of the pipeline (a seek, a turn round) is under way to the frame that
     * starts in [fromMs, toMs), shows a picture of that frame decoded earlier over the wait, at
     * once; it goes when the pipeline's picture of a later move than the turn arrives. The
     * engine's time stays the pipeline's. False when it keeps no such picture.
     */
    virtual bool coverMove(qint64 fromMs, qint64 toMs) = 0;
    /** Seeks to ms, exactly, as move; playing from there runs at @p rate (1 is normal speed). */
    virtual void seek(quint64 move, qint64 ms, double rate) = 0;
    /** Seeks the pipeline itself, past the player's own seek; false when it cannot. */
    virtual bool seekPipeline(quint64 move, qint64 ms) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
};

/**
 * The stepper's clock: the time now and one wake-up call at a time. Tests run the stepper on
 * a clock they move themselves.
 */
class StepClock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    /** A monotonic time in ms. */
    virtual qint64 nowMs() const = 0;
    /** Emits woke() once, ms from now; replaces a wake-up still to come. */
    virtual void wakeIn(qint64 ms) = 0;
    virtual void cancelWake() = 0;

signals:
    void woke();
};

/** The real clock, with a precise timer. */
class SteadyStepClock : public StepClock
{
    Q_OBJECT
public:
    explicit SteadyStepClock(QObject *parent = nullptr);
    qint64 nowMs() const override { return clock_.elapsed(); }
    void wakeIn(qint64 ms) override { timer_.start(int(ms)); }
    void cancelWake() override { timer_.stop(); }

private:
    QElapsedTimer clock_;
    QTimer timer_;
};

} // namespace dravenhol::morlek::player

#endif
