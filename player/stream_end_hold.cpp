#include "stream_end_hold.h"

#include <gst/gst.h>

#include <array>
#include <atomic>

struct StreamEndHold::Shared
{
    struct Stream
    {
        std::atomic<bool> carries{false};
        std::atomic<bool> ended{false};
    };
    std::atomic<bool> holding{false};
    // The picture and the sound.
    std::array<Stream, 2> streams;
};

namespace {

struct ProbeData
{
    std::shared_ptr<StreamEndHold::Shared> shared;
    int stream;
};

// Runs in the streaming thread of the sink's pad.
GstPadProbeReturn sinkEvent(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    const auto *probe = static_cast<ProbeData *>(data);
    auto &stream = probe->shared->streams.at(probe->stream);
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_STOP:
        stream.carries = false;
        stream.ended = false;
        break;
    case GST_EVENT_SEGMENT:
        stream.carries = true;
        stream.ended = false;
        break;
    case GST_EVENT_EOS:
        if (probe->shared->holding) {
            stream.ended = true;
            return GST_PAD_PROBE_DROP;
        }
        break;
    default:
        break;
    }
    return GST_PAD_PROBE_OK;
}

void releaseProbe(gpointer data)
{
    delete static_cast<ProbeData *>(data);
}

// The element that renders: the back-end's sinks are bins with queues in front of the real
// sink, where the end of a stream passes long before its last frame is shown.
GstElement *innermostSink(GstElement *element)
{
    if (!GST_IS_BIN(element))
        return static_cast<GstElement *>(gst_object_ref(element));
    GstElement *found = nullptr;
    GstIterator *sinks = gst_bin_iterate_sinks(GST_BIN(element));
    GValue item = G_VALUE_INIT;
    if (gst_iterator_next(sinks, &item) == GST_ITERATOR_OK) {
        found = innermostSink(static_cast<GstElement *>(g_value_get_object(&item)));
        g_value_unset(&item);
    }
    gst_iterator_free(sinks);
    return found;
}

} // namespace

StreamEndHold::StreamEndHold(GstElement *pipeline)
    : pipeline_(pipeline ? static_cast<GstElement *>(gst_object_ref(pipeline)) : nullptr)
    , shared_(std::make_shared<Shared>())
{
    watchSinks();
}

StreamEndHold::~StreamEndHold()
{
    // The probes stay with the sinks and let every event pass from now on.
    shared_->holding = false;
    if (pipeline_)
        gst_object_unref(pipeline_);
}

void StreamEndHold::watchSinks()
{
    if (watching_ || !pipeline_)
        return;
    const char *properties[] = {"video-sink", "audio-sink"};
    for (int stream = 0; stream < 2; ++stream) {
        GstElement *sink = nullptr;
        g_object_get(pipeline_, properties[stream], &sink, nullptr);

        if (!sink)
            continue;
        GstElement *renderer = innermostSink(sink);
        GstPad *pad = renderer ? gst_element_get_static_pad(renderer, "sink") : nullptr;
        if (renderer)
            gst_object_unref(renderer);
        if (pad) {
            gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                              sinkEvent, new ProbeData{shared_, stream}, releaseProbe);
            gst_object_unref(pad);
            watching_ = true;
        }
        gst_object_unref(sink);
    }
}

void StreamEndHold::setHolding(bool holding)
{
    // The back-end may set its sinks only once the first source is given.
    watchSinks();
    if (holding && !shared_->holding) {
        for (auto &stream : shared_->streams)
            stream.ended = false;
    }
    shared_->holding = holding;
}

bool StreamEndHold::reachedEnd() const
{
    if (!shared_->holding)
        return false;
    bool any = false;
    for (const auto &stream : shared_->streams) {
        if (!stream.carries)
            continue;
        if (!stream.ended)
            return false;
        any = true;
    }
    return any;
}
