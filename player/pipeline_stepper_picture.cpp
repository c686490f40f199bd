// What the pipeline shows: the picture's time, size and rate, the sinks that draw it, the
// rotation filter and the copies kept of its pictures.
#include "pipeline_stepper.h"

#include "picture_store.h"
#include "seek_thread.h"

#include <gst/gst.h>

#include <memory>
#include <vector>

double PipelineStepper::videoFrameRate() const
{
    if (!pipeline_)
        return 0;
    GstPad *pad = nullptr;
    g_signal_emit_by_name(pipeline_, "get-video-pad", 0, &pad);
    if (!pad)
        return 0;
    GstCaps *caps = gst_pad_get_current_caps(pad);
    gst_object_unref(pad);
    if (!caps)
        return 0;
    int numerator = 0;
    int denominator = 0;
    const GstStructure *structure = gst_caps_get_structure(caps, 0);
    const bool known = structure
        && gst_structure_get_fraction(structure, "framerate", &numerator, &denominator)
        && numerator > 0 && denominator > 0;
    gst_caps_unref(caps);
    return known ? double(numerator) / denominator : 0;
}

qint64 PipelineStepper::shownFrameTime() const
{
    return shownStart(false);
}

qint64 PipelineStepper::shownFrameStamp() const
{
    return shownStart(true);
}

bool PipelineStepper::pictureFlushed() const
{
    if (!pipeline_)
        return false;
    if (seeks_ && !seeks_->isIdle())
        return true;
    GstSample *sample = nullptr;
    g_object_get(pipeline_, "sample", &sample, nullptr);
    if (sample)
        gst_sample_unref(sample);
    return !sample;
}

qint64 PipelineStepper::shownStart(bool asStamped) const
{
    // A seek asked flushes the sink's picture as it is made; until it lands there is none.
    if (seeks_ && !seeks_->isIdle())
        return -1;
    if (!pipeline_)
        return -1;
    GstSample *sample = nullptr;
    g_object_get(pipeline_, "sample", &sample, nullptr);
    if (!sample)
        return -1;
    const qint64 ms = sampleStartMs(sample, asStamped);
    gst_sample_unref(sample);
    return ms;
}

namespace {

// A copy of every picture that leaves the filter, for the store: the decoder's own buffers
// go back to its pool, which may hold only a few.
GstPadProbeReturn keepPicture(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    const auto &store = *static_cast<std::shared_ptr<PictureStore> *>(data);
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!store->isKeeping() || !buffer)
        return GST_PAD_PROBE_OK;
    GstCaps *caps = gst_pad_get_current_caps(pad);
    GstEvent *segmentEvent = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    const GstSegment *segment = nullptr;
    if (segmentEvent)
        gst_event_parse_segment(segmentEvent, &segment);
    // Not while running backwards: the stretch decoded for it is the decoder's to hold, and
    // steps back through it are as fast as a kept picture.
    if (caps && segment && segment->rate > 0) {
        // The stamp first: a picture the store does not take is not copied.
        GstSample *original = gst_sample_new(buffer, caps, segment, nullptr);
        const qint64 start = sampleStartMs(original);
        gst_sample_unref(original);
        if (store->takes(start)) {
            GstBuffer *copy = gst_buffer_copy_deep(buffer);
            GstSample *sample = gst_sample_new(copy, caps, segment, nullptr);
            store->keep(start, sample);
            gst_sample_unref(sample);
            gst_buffer_unref(copy);
        }
    }
    if (segmentEvent)
        gst_event_unref(segmentEvent);
    if (caps)
        gst_caps_unref(caps);
    return GST_PAD_PROBE_OK;
}

void releaseStore(gpointer data)
{
    delete static_cast<std::shared_ptr<PictureStore> *>(data);
}

} // namespace

bool PipelineStepper::keepPictures(const std::shared_ptr<PictureStore> &store)
{
    GstPad *pad = flip_ ? gst_element_get_static_pad(flip_, "src") : nullptr;
    if (!pad || !store) {
        if (pad)
            gst_object_unref(pad);
        return false;
    }
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, keepPicture,
                      new std::shared_ptr<PictureStore>(store), releaseStore);
    gst_object_unref(pad);
    return true;
}

bool PipelineStepper::demuxerRunsBackwards() const
{
    if (!pipeline_)
        return false;
    // MPEG's transport and program streams refuse to play backwards; every Left would seek.
    bool backwards = true;
    GstIterator *it = gst_bin_iterate_recurse(GST_BIN(pipeline_));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto *element = static_cast<GstElement *>(g_value_get_object(&item));
        GstElementFactory *factory = gst_element_get_factory(element);
        const gchar *name = factory ? GST_OBJECT_NAME(factory) : nullptr;
        if (g_strcmp0(name, "tsdemux") == 0 || g_strcmp0(name, "mpegpsdemux") == 0)
            backwards = false;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return backwards;
}

bool PipelineStepper::followRotationFlags()
{
    if (!pipeline_ || !g_object_class_find_property(G_OBJECT_GET_CLASS(pipeline_), "video-filter"))
        return false;
    GstElement *flip = gst_element_factory_make("videoflip", nullptr);
    if (!flip)
        return false;
    // "auto" turns each picture as its stream's orientation tag says; without one it passes
    // the picture on untouched.
    gst_util_set_object_arg(G_OBJECT(flip), "video-direction", "auto");
    flip_ = static_cast<GstElement *>(gst_object_ref_sink(flip));
    g_object_set(pipeline_, "video-filter", flip_, nullptr);
    return true;
}

namespace {

bool capsSize(const GstCaps *caps, int *width, int *height)
{
    const GstStructure *structure
        = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    return structure && gst_structure_get_int(structure, "width", width)
        && gst_structure_get_int(structure, "height", height);
}

} // namespace

QSize PipelineStepper::shownPictureSize() const
{
    if (!pipeline_)
        return QSize();
    // The picture as decoded and turned upright, before the sink scales it to its window.
    GstPad *pad = flip_ ? gst_element_get_static_pad(flip_, "src") : nullptr;
    if (!pad)
        g_signal_emit_by_name(pipeline_, "get-video-pad", 0, &pad);
    if (!pad)
        return QSize();
    GstCaps *caps = gst_pad_get_current_caps(pad);
    gst_object_unref(pad);
    if (!caps)
        return QSize();
    QSize size;
    int width = 0;
    int height = 0;
    if (capsSize(caps, &width, &height) && width > 0 && height > 0) {
        int parN = 1;
        int parD = 1;
        // Pixels that are not square (DV, anamorphic camcorder video) are shown at their width.
        if (!gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "pixel-aspect-ratio",
                                        &parN, &parD)
            || parN <= 0 || parD <= 0)
            parN = parD = 1;
        size = QSize(int(qint64(width) * parN / parD), height);
    }
    gst_caps_unref(caps);
    return size;
}

std::vector<GstElement *> PipelineStepper::videoSinks() const
{
    std::vector<GstElement *> sinks;
    if (!pipeline_ || !g_object_class_find_property(G_OBJECT_GET_CLASS(pipeline_), "video-sink"))
        return sinks;
    GstElement *videoSink = nullptr;
    g_object_get(pipeline_, "video-sink", &videoSink, nullptr);
    if (!videoSink)
        return sinks;
    // The back-end's sink is a bin; the elements that draw are the sinks inside it.
    if (GST_IS_BIN(videoSink)) {
        GstIterator *it = gst_bin_iterate_sinks(GST_BIN(videoSink));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            sinks.push_back(static_cast<GstElement *>(gst_object_ref(g_value_get_object(&item))));
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        gst_object_unref(videoSink);
    } else {
        sinks.push_back(videoSink);
    }
    return sinks;
}

bool PipelineStepper::refitPicture()
{
    bool sent = false;
    for (GstElement *sink : videoSinks()) {
        if (GstPad *pad = gst_element_get_static_pad(sink, "sink")) {
            sent = gst_pad_push_event(pad, gst_event_new_reconfigure()) || sent;
            gst_object_unref(pad);
        }
        gst_object_unref(sink);
    }
    return sent;
}

bool PipelineStepper::pictureFitsSink() const
{
    bool fits = true;
    for (GstElement *sink : videoSinks()) {
        GstPad *pad = gst_element_get_static_pad(sink, "sink");
        GstCaps *current = pad ? gst_pad_get_current_caps(pad) : nullptr;
        GstCaps *wanted = current ? gst_pad_query_caps(pad, nullptr) : nullptr;
        int width = 0, height = 0, wantedWidth = 0, wantedHeight = 0;
        // A sink that cannot scale names its window's size first among the sizes it takes;
        // one that scales takes any size.
        if (capsSize(current, &width, &height) && capsSize(wanted, &wantedWidth, &wantedHeight))
            fits = fits && width == wantedWidth && height == wantedHeight;
        if (wanted)
            gst_caps_unref(wanted);
        if (current)
            gst_caps_unref(current);
        if (pad)
            gst_object_unref(pad);
        gst_object_unref(sink);
    }
    return fits;
}
