#ifndef MORLEK_STREAM_END_HOLD_H
#define MORLEK_STREAM_END_HOLD_H

#include <memory>

typedef struct _GstElement GstElement;

/**
 * Keeps the last frame on screen when playback reaches the end of a file.
 *
 * At the end of its streams the GStreamer back-end declares the source stopped and takes the
 * pipeline down, which blanks the picture and forgets the position. While holding, this object
 * keeps the end-of-stream from the pipeline's sinks, so that the back-end never hears of it,
 * and tells the player that every stream has ended; the player then pauses on the last frame.
 * It holds only while playing: a paused seek past the end of one stream (a file whose sound
 * outlasts its picture) must preroll on that stream's end.
 */
class StreamEndHold
{
public:
    /** Watches the sinks of @p pipeline, a playbin; a null pipeline holds nothing. */
    explicit StreamEndHold(GstElement *pipeline);
    ~StreamEndHold();
    StreamEndHold(const StreamEndHold &) = delete;
    StreamEndHold &operator=(const StreamEndHold &) = delete;

    /** Starts or stops holding the ends back; starting forgets ends seen before. */
    void setHolding(bool holding);
    /** Whether every stream that carried data since the last seek has ended while holding. */
    bool reachedEnd() const;

    /** What the pad probes share with this object; they may outlive it for a moment. */
    struct Shared;

private:
    void watchSinks();

    GstElement *pipeline_ = nullptr;
    std::shared_ptr<Shared> shared_;
    bool watching_ = false;
};

#endif
