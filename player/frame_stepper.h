#ifndef MORLEK_FRAME_STEPPER_H
#define MORLEK_FRAME_STEPPER_H

#include "frame_grid.h"

#include <QObject>
#include <QSize>

namespace dravenhol::morlek::player {

class StepClock;
class StepEngine;

/**
 * What a key press, a jump or a return to a mark does to the picture.
 *
 * Moves go to the frames of the chosen rate. Where that rate is the video's own, the next
 * frame is decoded by a single step and earlier frames by running backwards, which is much
 * faster than a seek; otherwise, and whenever a step cannot be trusted, it seeks.
 *
 * A step cannot be cut short safely: while one decodes, one further move (the latest asked
 * for) and a press of play wait for it. A step that never arrives, or brings another frame
 * than the one it was sent for, is put right by a seek.
 */
class FrameStepper : public QObject
{
    Q_OBJECT
public:
    FrameStepper(StepEngine &engine, StepClock &clock, QObject *parent = nullptr);
    ~FrameStepper() override;

    /** The chosen rate of steps, in frames per second; 0 for every frame of the video. */
    void setRate(int fps);
    int rate() const { return fps_; }
    /** Length of one step at the chosen rate, in ms. */
    int seekStep() const;
    /** A new video is on: its start, keyframes and end are not known yet. */
    void newVideo();
    /** The time of the video's first frame, and its longest keyframe stretch (-1 unknown). */
    void setVideoStart(qint64 originMs, qint64 keyGapMs);
    /** The size of the decoded picture, which bounds what a run backwards may hold. */
    void setPictureSize(const QSize &size);
    /**
     * The start of every frame of the video in µs, as the file stamps it, and of those that
     * lead a keyframe (open GOPs): running backwards never shows them, so they are sought.
     */
    void setFrameList(const QVector<qint64> &startsUs,
                      const QVector<qint64> &leadingUs = QVector<qint64>());
    /** The stamp of the first frame as the engine showed it when the video loaded. */
    void setFirstFrameShown(qint64 ms);
    /**
     * The frames that steps go to, from the video's first frame: the video's own rate where
     * the chosen rate is within half a per cent of it, else the chosen rate.
     */
    FrameGrid frameGrid() const;
    /** Whether the chosen rate is the video's (within half a per cent). */
    bool rateIsVideoRate() const;

    void forward();
    void rewind();
    /** Moves to the frame of a recorded mark. */
    void seekToMark(qint64 ms);
    /** Moves to the frame that holds a time (the seek slider's jumps). */
    void jumpTo(qint64 ms);
    /** Moves @p frames frames of the chosen rate on, or back where negative, within the video. */
    void jumpFrames(int frames);
    /**
     * Moves @p seconds on or back, to the frame that starts nearest that far from the frame on
     * screen: a jump there and back returns to it, at any rate.
     */
    void jumpSeconds(int seconds);
    void toFirstFrame();
    void toLastFrame();
    /** The speed playing runs at (1 normal, 0.5 half, 2 double); applied at once while playing. */
    void setPlaybackRate(double rate);
    double playbackRate() const { return playbackRate_; }
    /**
     * Shows the picture on screen once more (after the surface changed size). Not while a new
     * video loads: a seek then would take away the first frame it is about to be told of.
     */
    void refresh();
    /** Plays from the frame on screen (from the start, on the last frame). */
    void play();
    void playPause();

    /** Playing began: the last move no longer tells where the picture is. */
    void playingStarted();
    /** Playing paused by the user: the time is put on the frame on screen. */
    void pausedFromPlaying();
    /** Playback reached the end of every stream; pauses on the last frame. */
    void reachedEnd(qint64 lastFrameMs);
    /** Whether the picture is paused on the last frame by the end of playback. */
    bool pausedAtEnd() const { return pausedAtEnd_; }

    /** Forgets the moves under way: the engine's time counts again at once. */
    void forget();
    /** A move may have arrived (the engine's report). */
    void moveArrived();

    /** The time of the frame on screen or about to be; further steps go on from here. */
    qint64 currentTime() const;
    /** The time of the frame on screen now: while a move decodes, of the last that came. */
    qint64 shownTime() const;
    /** The start of the frame on screen, in whole ms rounded down, on the player's clock. */
    qint64 recordingTime() const;
    /**
     * Where the user's time 0 lies on the player's clock: the first frame's start where it
     * lies more than a frame and more than 30 ms after the clock's zero (MPEG-TS and -PS
     * clocks start anywhere; B-frames start an MP4 without an edit list a few frames late),
     * else 0, so that files whose first frame is stamped a codec delay after zero (MKV and
     * WebM with Vorbis, Opus or AAC) keep their stamps, and the marks of earlier versions
     * with them.
     */
    qint64 timeZero() const;
    /**
     * The number of the frame on screen, counted from the video's first frame at the video's
     * own rate, whatever rate is chosen; -1 where the video has no fixed rate.
     */
    qint64 shownFrameNumber() const;
    /**
     * The video's frame rate: the decoder's, or the file's own where the decoder counts fields;
     * 0 while unknown.
     */
    double videoRate() const;
    /** The number of the frame a mark stands for, counted as shownFrameNumber() counts. */
    qint64 frameNumberOfMark(qint64 mark) const;
    /** Whether a next-frame step decodes just the next frame instead of seeking to it. */
    bool stepsFrameByFrame() const;
    /** Whether the move that is under way is a step still decoding. */
    bool stepDecoding() const;
    /** Whether a move of the picture is under way. */
    bool isMoving() const { return phase_ != Phase::Still || movePending(); }
    /** Where a move for ms goes: to a mark's frame, or to the frame holding a time. */
    qint64 seekTarget(qint64 ms, bool mark) const;
    qint64 lastFrameStart() const;
    bool atLastFrame() const;

signals:
    /** The picture moved, or will: the time shown may have changed. */
    void moved();

private:
    // A step sent (forwards or backwards), or a backwards run being turned that a step follows.
    enum class Phase { Still, Stepping, SteppingBack, Turning };

    // A run may step over several frames at once; other moves step one frame or seek.
    void moveTo(qint64 target, bool run = false);
    void moveToFrame(qint64 frame);
    bool stepRunTo(qint64 from, qint64 target, bool run);
    void seekTo(qint64 target, bool toPlay = false);
    bool sendStep(qint64 target, int frames = 1);
    // Shows the target's frame from the pictures the engine keeps, at once; false if none.
    bool showKeptPicture(qint64 target);
    bool turnBackwards(qint64 from, qint64 target, bool run);
    // Shows a picture of the target's frame decoded earlier while a slow move gets there.
    void coverWait(qint64 target);
    void settle();
    void checkSeekLanded();
    bool continueReach();
    void startPlayback();
    void holdFrameOfPause();
    void redraw();
    qint64 startOfShownFrame() const;
    // The start of the picture on screen as the engine tells it, checked against the file's
    // frame index; -1 when none is held.
    qint64 shownStamp() const;
    // The frame of the pipeline's own picture, paused with no move under way; -1 unknown.
    qint64 heldFrame() const;
    // The frame of the picture on screen once every move has landed; -1 else.
    qint64 settledFrame() const;
    // The start of that frame where it is not the frame of @p time; else @p time.
    qint64 onPictureShown(qint64 time) const;
    // Puts the moves under way on the frames of a grid that replaces @p before.
    void moveOntoFrames(const FrameGrid &before);
    void noteMove(qint64 target);
    void startPhase(Phase phase);
    qint64 origin() const;
    void buildFrames();
    qint64 lastTarget() const;
    qint64 sinceMove() const;
    bool movePending() const;
    quint64 landed() const;
    bool reverseStepsAffordable() const;
    qint64 lostAfterMs() const;
    qint64 moveLostAfterMs() const;
    // The last move is a seek that has landed and whose picture is still to be checked.
    bool landedSeekToCheck() const;
    // Schedules one more look for a landed move's picture; false once looked often enough.
    bool lookAgainForPicture();
    bool leadsAKeyframe(qint64 frame) const;
    bool stepShowsItsFrame(Phase step) const;
    bool broughtTheFrameItLeft(Phase step) const;

    StepEngine &engine_;
    StepClock &clock_;
    int fps_ = 50;
    qint64 videoOrigin_ = 0;
    bool originProbed_ = false;
    qint64 keyGapMs_ = -1;
    QSize pictureSize_;
    // The video's own frames, once listed, and as listed.
    FrameGrid frames_;
    bool framesListed_ = false;
    QVector<qint64> listedUs_;
    QVector<qint64> leadingUs_;
    // The first frame as shown, -1 until known.
    qint64 firstShownMs_ = -1;
    // The start of the last picture read from the engine, which the screen keeps while a
    // seek has taken it from the engine; -1 for none of this video yet.
    mutable qint64 lastPictureStart_ = -1;
    // The start of the video's last frame, once playback has reached it; -1 until then.
    qint64 videoEnd_ = -1;

    // Moves of the picture are numbered; the engine tells which one is on screen.
    static constexpr int movesKept = 16;
    quint64 moveCount_ = 0;
    // Moves up to this one no longer tell what is on screen (playing or a new file came).
    quint64 settledMove_ = 0;
    qint64 moveTargets_[movesKept] = {};
    // On screen when the moves under way began.
    qint64 timeBeforeMoves_ = 0;
    // Paused on a frame the engine's time has not reached yet: its start; -1 otherwise.
    qint64 heldFrameStart_ = -1;
    // Play was asked of the engine, which has not begun yet; and the user has asked to pause
    // again meanwhile.
    bool playAsked_ = false;
    qint64 playAskedAt_ = 0;
    bool pauseAsked_ = false;
    // The surface changed size while playing, when a redraw would have undone the speed.
    bool redrawAtPause_ = false;
    // A new video is on and its first frame not yet told.
    bool awaitingFirstFrame_ = false;
    // The clock's time of the last move; -1 once forgotten.
    qint64 movedAt_ = -1;

    // The one queued-move state: what is decoding, at most one move waiting for it (a later
    // request replaces it) and whether play waits for it.
    Phase phase_ = Phase::Still;
    bool moveWaits_ = false;
    qint64 waitingTarget_ = 0;
    bool waitingRun_ = false;
    bool playWaits_ = false;
    // The paused seek whose picture is checked when it lands, 0 for none; and a frame that a
    // seek could not show, reached by a step from the frame before, -1 for none.
    quint64 checkedSeek_ = 0;
    qint64 reachTarget_ = -1;
    int reachTries_ = 0;
    int reachMoves_ = 0;
    // How often the picture of the move under way was looked for without a stamp.
    int stampLooks_ = 0;
    // The step under way is the second picture of a frame that came as two.
    bool stepRepeated_ = false;
    // How many frames the step under way goes.
    int stepFrames_ = 1;
    // A forward step of this video brought another frame than it was sent for: no runs of
    // steps.
    bool stepsMissed_ = false;
    double playbackRate_ = 1.0;

    // Steps leave the sound where the last seek put it; playing needs a seek first.
    bool soundBehind_ = false;
    bool pausedAtEnd_ = false;
};

} // namespace dravenhol::morlek::player

#endif
