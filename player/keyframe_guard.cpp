#include "keyframe_guard.h"

#include <gst/gst.h>

#include <memory>
#include <mutex>
#include <set>

namespace dravenhol::morlek::player {

namespace {

// The stamps of the frames the container marked as keyframes, as they went into one parser.
struct ContainerKeys
{
    std::mutex mutex;
    std::set<GstClockTime> stamps;
};

using Keys = std::shared_ptr<ContainerKeys>;

void releaseKeys(gpointer data)
{
    delete static_cast<Keys *>(data);
}

GstPadProbeReturn noteKeyframe(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer || GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT)
        || !GST_BUFFER_PTS_IS_VALID(buffer))
        return GST_PAD_PROBE_OK;
    auto &keys = **static_cast<Keys *>(data);
    std::lock_guard<std::mutex> lock(keys.mutex);
    keys.stamps.insert(GST_BUFFER_PTS(buffer));
    return GST_PAD_PROBE_OK;
}

bool runsBackwards(GstPad *pad)
{
    GstEvent *event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event)
        return false;
    const GstSegment *segment = nullptr;
    gst_event_parse_segment(event, &segment);
    const bool backwards = segment && segment->rate < 0;
    gst_event_unref(event);
    return backwards;
}

GstPadProbeReturn restoreDelta(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    // Forwards, a decoder starts where the demuxer's seek put it: the parser's word is harmless.
    if (!buffer || GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT)
        || !GST_BUFFER_PTS_IS_VALID(buffer) || !runsBackwards(pad))
        return GST_PAD_PROBE_OK;
    auto &keys = **static_cast<Keys *>(data);
    {
        std::lock_guard<std::mutex> lock(keys.mutex);
        // A container that marks nothing (an elementary stream) leaves every frame a key.
        if (keys.stamps.count(GST_BUFFER_PTS(buffer)))
            return GST_PAD_PROBE_OK;
    }
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

void elementAdded(GstBin *, GstBin *, GstElement *element, gpointer)
{
    KeyframeGuard::guard(element);
}

bool parsesVideo(GstElement *element)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    const gchar *klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    return klass && g_strrstr(klass, "Parser") && g_strrstr(klass, "Video");
}

} // namespace

KeyframeGuard::KeyframeGuard(GstElement *pipeline)
{
    if (!pipeline || !GST_IS_BIN(pipeline))
        return;
    pipeline_ = static_cast<GstElement *>(gst_object_ref(pipeline));
    added_ = g_signal_connect(pipeline_, "deep-element-added", G_CALLBACK(elementAdded), nullptr);
    GstIterator *it = gst_bin_iterate_recurse(GST_BIN(pipeline_));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        guard(static_cast<GstElement *>(g_value_get_object(&item)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}

KeyframeGuard::~KeyframeGuard()
{
    if (!pipeline_)
        return;
    g_signal_handler_disconnect(pipeline_, added_);
    gst_object_unref(pipeline_);
}

void KeyframeGuard::guard(GstElement *element)
{
    if (!element || !parsesVideo(element))
        return;
    GstPad *sink = gst_element_get_static_pad(element, "sink");
    GstPad *src = gst_element_get_static_pad(element, "src");
    if (sink && src) {
        const Keys keys = std::make_shared<ContainerKeys>();
        gst_pad_add_probe(sink, GST_PAD_PROBE_TYPE_BUFFER, noteKeyframe, new Keys(keys),
                          releaseKeys);
        gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, restoreDelta, new Keys(keys),
                          releaseKeys);
    }
    if (sink)
        gst_object_unref(sink);
    if (src)
        gst_object_unref(src);
}

} // namespace dravenhol::morlek::player
