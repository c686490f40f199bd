#ifndef MORLEK_PIPELINE_STEPPER_H
#define MORLEK_PIPELINE_STEPPER_H

#include <QSize>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

// GStreamer's own declaration, repeated so that users of this header need no GStreamer headers.
typedef struct _GstElement GstElement;

class PictureStore;
class SeekThread;

/**
 * Steps the paused picture of the media back-end's GStreamer pipeline by one decoded frame.
 *
 * Phonon moves the picture only by seeking, and a paused seek decodes again from the last
 * keyframe: on 720p H.264 that is 20 ms at a keyframe and grows with every frame after it, to
 * seconds in files with a single keyframe. A step event decodes just the next frame. Phonon
 * does not hand out its pipeline, so the pipeline is caught as it is made: a PipelineStepper
 * built while the back-end creates the media graph (before the first Phonon::createPath) takes
 * the player pipeline that appears meanwhile in the same thread.
 *
 * It also tells which seek or step has last put its picture on screen (landedRequest()),
 * which Phonon does not report while paused.
 */
class PipelineStepper
{
public:
    /**
     * Starts watching for a player pipeline made in this thread; catch() ends the watch.
     * Without GStreamer initialised (another back-end) nothing is ever caught.
     */
    PipelineStepper();
    ~PipelineStepper();
    PipelineStepper(const PipelineStepper &) = delete;
    PipelineStepper &operator=(const PipelineStepper &) = delete;

    /** Ends the watch and keeps the pipeline made since construction; false when none was. */
    bool catchPipeline();
    /** Whether a pipeline was caught. */
    bool isAttached() const { return pipeline_ != nullptr; }
    /** The caught pipeline, or null; it lives as long as this object. */
    GstElement *pipeline() const { return pipeline_; }

    /** The frame rate of the video being played, from the decoder's output; 0 when unknown. */
    double videoFrameRate() const;

    /**
     * The stream time of the picture on screen, in ms rounded down: the time stamp of the last
     * frame the video sink showed. -1 when the sink holds none (nothing shown yet, or the
     * picture was flushed by a seek still under way), or a seek asked is still to be made.
     */
    qint64 shownFrameTime() const;
    /** The same, but a frame that a seek cut tells the seek's position (see sampleStartMs()). */
    qint64 shownFrameStamp() const;
    /** A seek has taken the sink's picture and its own has not come yet. */
    bool pictureFlushed() const;

    /**
     * Keeps a copy of every picture that reaches the screen's filter in @p store, while the
     * store is keeping. Needs followRotationFlags() first; false without the filter.
     */
    bool keepPictures(const std::shared_ptr<PictureStore> &store);
    /** Whether the file's demuxer can play it backwards (false for MPEG-TS and MPEG-PS). */
    bool demuxerRunsBackwards() const;

    /**
     * Makes the pipeline show every picture upright as its stream's rotation flag asks (how
     * phones store portrait video). Call it before a file is set. False when it cannot.
     */
    bool followRotationFlags();
    /** The display size of the picture on screen (rotation and pixel shape applied), or empty. */
    QSize shownPictureSize() const;
    /**
     * Asks the elements before the video sink to agree its picture size again, as after its
     * window changed size: a sink that cannot scale (X without Xv) gets pictures made at its
     * window's size, agreed on once, so it goes on drawing them at the old size otherwise. The
     * next picture that reaches the sink comes at the new size. False without a video sink.
     */
    bool refitPicture();
    /** Whether the sink draws pictures of the size it asks for now (false: refit them). */
    bool pictureFitsSink() const;

    /**
     * Sends a step of @p frames frames to the paused pipeline, numbered request: on to the
     * frames-th next frame, or back once reverse() has turned the pipeline round. Only the
     * frame it ends on is shown. False when there is no
     * pipeline or it refused the step; then nothing moved.
     */
    bool stepFrame(quint64 request, int frames = 1);

    /**
     * Turns the paused pipeline round at @p positionMs, numbered request: it plays backwards
     * from there, so that steps go to earlier frames, each decoded with the stretch from its
     * keyframe at once. The picture becomes the last frame that starts before that time.
     * False when refused.
     */
    bool reverse(quint64 request, qint64 positionMs);
    /**
     * Turns the paused pipeline forwards again with a seek to @p positionMs, numbered request,
     * for the whole rest of the file, to play at @p rate. False when refused. On a pipeline
     * that is paused (not on its way to playing) a seek at the normal rate is made in a
     * thread of its own, after the seeks asked before it, and true is returned at once: a
     * refusal then goes to the refused callback. A seek still waiting to be made when the
     * next one is asked is not made (nor told as landed).
     */
    bool forward(quint64 request, qint64 positionMs, double rate = 1.0);
    /**
     * Calls @p callback in the seeking thread with the request and the position of each seek
     * the pipeline refused after forward() returned; an empty one ends the calls.
     */
    void setRefusedCallback(std::function<void(quint64, qint64)> callback);
    /**
     * Returns once the seeks asked so far have been made. The other moves of this class
     * wait for them first; what the back-end is asked next (playing, pausing, another file)
     * or asked for (its time) must come after them too.
     */
    void finishMoves() const;
    /** Whether the pipeline runs backwards since reverse(); any other seek ends it. */
    bool isReversed() const { return reversed_; }

    /**
     * Numbers the moves of the picture: a seek made after this call lands as request. Call it
     * just before the seek; the media object's seeks turn the pipeline forwards again.
     */
    void beginRequest(quint64 request);

    /**
     * The request current when the pipeline last finished a seek or a step: its picture is
     * on screen. Read at any time; it is written from the pipeline's streaming thread.
     */
    quint64 landedRequest() const;
    /**
     * Calls @p callback in the streaming thread each time a request lands; an empty one ends
     * the calls. Once this returns, the callback before is no longer running or called.
     */
    void setLandedCallback(std::function<void()> callback);

    /** What the bus callbacks share with the stepper; they may outlive it for a moment. */
    struct Shared;

private:
    qint64 shownStart(bool asStamped) const;
    void offer(GstElement *element);
    /** The elements that draw the picture, each with a reference the caller drops. */
    std::vector<GstElement *> videoSinks() const;
    void disconnectBus();

    GstElement *pipeline_ = nullptr;
    GstElement *offered_ = nullptr;
    GstElement *flip_ = nullptr;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<SeekThread> seeks_;
    unsigned long asyncDoneHandler_ = 0;
    unsigned long stepDoneHandler_ = 0;
    bool reversed_ = false;

    friend void offerElement(PipelineStepper *stepper, GstElement *element);
};

#endif
