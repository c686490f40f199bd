#include "demuxer_stamps.h"

#include <gst/gst.h>

namespace dravenhol::morlek::player {

namespace {

// What one demuxer pad has pushed; touched only in its streaming thread.
struct PadStamps
{
    bool started = false;
    GstClockTime firstPts = GST_CLOCK_TIME_NONE;
    GstClockTime firstDts = GST_CLOCK_TIME_NONE;
    bool flushed = false;
    GstClockTime shift = 0;
    GstClockTime lastDts = GST_CLOCK_TIME_NONE;
};

void dropStamps(gpointer data)
{
    delete static_cast<PadStamps *>(data);
}

GstPadProbeReturn mendStamps(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    auto &state = *static_cast<PadStamps *>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) {
            state.flushed = true;
            state.shift = 0;
            state.lastDts = GST_CLOCK_TIME_NONE;
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer)
        return GST_PAD_PROBE_OK;
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const GstClockTime dts = GST_BUFFER_DTS(buffer);
    if (!state.started) {
        // The file's start, read before any seek: its true stamps.
        state.started = true;
        state.firstPts = pts;
        state.firstDts = dts;
    } else if (state.flushed) {
        state.flushed = false;
        const bool firstDecodedAtZero = state.firstDts == 0 && GST_CLOCK_TIME_IS_VALID(state.firstPts)
                                        && state.firstPts > 0;
        const bool keyframe = !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
        if (firstDecodedAtZero && keyframe && GST_CLOCK_TIME_IS_VALID(dts)
            && GST_CLOCK_DIFF(dts, state.firstPts) < GST_MSECOND
            && GST_CLOCK_DIFF(state.firstPts, dts) < GST_MSECOND)
            state.shift = state.firstPts - state.firstDts;
    } else if (state.shift > 0 && GST_CLOCK_TIME_IS_VALID(dts)
               && GST_CLOCK_TIME_IS_VALID(state.lastDts) && dts < state.lastDts) {
        // The next fragment: stamped from its own decoding time.
        state.shift = 0;
    }
    if (GST_CLOCK_TIME_IS_VALID(dts))
        state.lastDts = dts;
    if (state.shift == 0)
        return GST_PAD_PROBE_OK;
    buffer = gst_buffer_make_writable(buffer);
    if (GST_CLOCK_TIME_IS_VALID(pts) && pts >= state.shift)
        GST_BUFFER_PTS(buffer) = pts - state.shift;
    if (GST_CLOCK_TIME_IS_VALID(dts) && dts >= state.shift)
        GST_BUFFER_DTS(buffer) = dts - state.shift;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

void padAdded(GstElement *, GstPad *pad, gpointer)
{
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC)
        return;
    gst_pad_add_probe(pad,
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      mendStamps, new PadStamps, dropStamps);
}

GstPadProbeReturn alignSegment(GstPad *, GstPadProbeInfo *info, gpointer)
{
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event || GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT)
        return GST_PAD_PROBE_OK;
    const GstSegment *segment = nullptr;
    gst_event_parse_segment(event, &segment);
    if (!segment || segment->format != GST_FORMAT_TIME || segment->time != 0
        || segment->start == 0 || !GST_CLOCK_TIME_IS_VALID(segment->start))
        return GST_PAD_PROBE_OK;
    GstSegment aligned;
    gst_segment_copy_into(segment, &aligned);
    aligned.time = aligned.start;
    GstEvent *replaced = gst_event_new_segment(&aligned);
    gst_event_set_seqnum(replaced, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = replaced;
    return GST_PAD_PROBE_OK;
}

void matroskaPadAdded(GstElement *, GstPad *pad, gpointer)
{
    if (GST_PAD_DIRECTION(pad) == GST_PAD_SRC)
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, alignSegment, nullptr,
                          nullptr);
}

void elementAdded(GstBin *, GstBin *, GstElement *element, gpointer)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    const gchar *name = factory ? GST_OBJECT_NAME(factory) : nullptr;
    if (g_strcmp0(name, "qtdemux") == 0)
        g_signal_connect(element, "pad-added", G_CALLBACK(padAdded), nullptr);
    else if (g_strcmp0(name, "matroskademux") == 0)
        g_signal_connect(element, "pad-added", G_CALLBACK(matroskaPadAdded), nullptr);
}

} // namespace

void mendDemuxerStamps(GstElement *pipeline)
{
    if (pipeline && GST_IS_BIN(pipeline))
        g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(elementAdded), nullptr);
}

} // namespace dravenhol::morlek::player
