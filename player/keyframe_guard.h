#ifndef MORLEK_KEYFRAME_GUARD_H
#define MORLEK_KEYFRAME_GUARD_H

#include <glib.h>

typedef struct _GstElement GstElement;

namespace dravenhol::morlek::player {

/**
 * Keeps the file's own word on which frames are keyframes while the video runs backwards.
 *
 * The H.264 parser marks every I-frame as a keyframe, also those after which frames still
 * refer to pictures before them (an encoder puts them at scene cuts). Running backwards, the
 * decoder decodes each stretch from its last keyframe: from such an I-frame, the frames after
 * it come out broken. Where the container did not mark a frame as a keyframe, the guard marks
 * it as a delta frame again, on every video parser of the pipeline, present or to come.
 */
class KeyframeGuard
{
public:
    explicit KeyframeGuard(GstElement *pipeline);
    ~KeyframeGuard();
    KeyframeGuard(const KeyframeGuard &) = delete;
    KeyframeGuard &operator=(const KeyframeGuard &) = delete;

    /** Watches @p element if it parses video; called for every element of the pipeline. */
    static void guard(GstElement *element);

private:
    GstElement *pipeline_ = nullptr;
    gulong added_ = 0;
};

} // namespace dravenhol::morlek::player

#endif
