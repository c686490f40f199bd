#include "picture_store.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cmath>

PictureStore::PictureStore(qint64 capacityBytes)
    : capacity_(capacityBytes)
{
}

PictureStore::~PictureStore()
{
    clear();
}

namespace {

qint64 sizeOf(GstSample *sample)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    return buffer ? qint64(gst_buffer_get_size(buffer)) : 0;
}

} // namespace

bool PictureStore::takes(qint64 startMs) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return takesLocked(startMs);
}

bool PictureStore::takesLocked(qint64 startMs) const
{
    if (startMs < 0)
        return false;
    // Not the second picture of a frame kept already.
    const auto it = pictures_.lower_bound(startMs - spacing_.load() + 1);
    return it == pictures_.end() || it->first >= startMs;
}

void PictureStore::keep(qint64 startMs, GstSample *sample)
{
    if (!sample)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!takesLocked(startMs))
        return;
    gst_sample_ref(sample);
    auto it = pictures_.find(startMs);
    if (it != pictures_.end()) {
        bytes_ -= sizeOf(it->second);
        gst_sample_unref(it->second);
        it->second = sample;
    } else {
        pictures_.emplace(startMs, sample);
    }
    bytes_ += sizeOf(sample);
    evict(startMs);
}

void PictureStore::evict(qint64 nearMs)
{
    // Steps go on from the picture just kept, either way: the farthest is the least likely.
    while (bytes_ > capacity_ && pictures_.size() > 1) {
        auto first = pictures_.begin();
        auto last = std::prev(pictures_.end());
        auto far = nearMs - first->first >= last->first - nearMs ? first : last;
        bytes_ -= sizeOf(far->second);
        gst_sample_unref(far->second);
        pictures_.erase(far);
    }
}

GstSample *PictureStore::find(qint64 fromMs, qint64 toMs, qint64 *startMs) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pictures_.lower_bound(fromMs);
    if (it == pictures_.end() || it->first >= toMs)
        return nullptr;
    if (startMs)
        *startMs = it->first;
    return gst_sample_ref(it->second);
}

void PictureStore::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &picture : pictures_)
        gst_sample_unref(picture.second);
    pictures_.clear();
    bytes_ = 0;
}

int PictureStore::count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(pictures_.size());
}

qint64 PictureStore::bytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

namespace {

// The nominal length of one frame of the sample's video, or 0 when its rate is not fixed.
GstClockTime framePeriod(GstSample *sample)
{
    GstCaps *caps = gst_sample_get_caps(sample);
    const GstStructure *structure = caps ? gst_caps_get_structure(caps, 0) : nullptr;
    int numerator = 0;
    int denominator = 0;
    if (!structure || !gst_structure_get_fraction(structure, "framerate", &numerator, &denominator)
        || numerator <= 0 || denominator <= 0)
        return 0;
    return gst_util_uint64_scale_int(GST_SECOND, denominator, numerator);
}

} // namespace

qint64 sampleStartMs(GstSample *sample, bool asStamped)
{
    GstBuffer *buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer))
        return -1;
    const GstSegment *segment = gst_sample_get_segment(sample);
    GstClockTime start = GST_BUFFER_PTS(buffer);
    // The decoder cuts the first frame after a seek to the seek's position: its stamp is
    // then that position, and its real start lies one frame before its (uncut) end.
    const GstClockTime period = framePeriod(sample);
    if (!asStamped && segment && segment->format == GST_FORMAT_TIME && start == segment->start
        && period > 0
        && GST_BUFFER_DURATION_IS_VALID(buffer) && GST_BUFFER_DURATION(buffer) < period)
        // A length shorter than a frame from the very start can make no start before it.
        start = start + GST_BUFFER_DURATION(buffer) >= period
            ? start + GST_BUFFER_DURATION(buffer) - period
            : GST_CLOCK_TIME_NONE;
    // The media object reports stream time; a frame's stamp is in its segment's terms. A cut
    // frame whose start, worked out from the nominal rate, lies before its segment has none:
    // where the rate changes on the way, that start can name the frame before.
    if (segment && segment->format == GST_FORMAT_TIME)
        start = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, start);
    // A microsecond's grace: a stamp scaled from the container's clock can fall a nanosecond
    // short of a whole millisecond.
    if (!GST_CLOCK_TIME_IS_VALID(start))
        return -1;
    return qint64((start + GST_USECOND) / GST_MSECOND);
}

QImage pictureOfSample(GstSample *sample, const QSize &box)
{
    GstCaps *caps = sample ? gst_sample_get_caps(sample) : nullptr;
    GstBuffer *buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstVideoInfo in;
    if (!caps || !buffer || !gst_video_info_from_caps(&in, caps) || in.width <= 0 || in.height <= 0)
        return QImage();
    // The screen stretches the width by the pixels' shape (PAL widescreen, HDV).
    int width = in.width;
    if (in.par_n > 0 && in.par_d > 0 && in.par_n != in.par_d)
        width = int(std::lround(double(in.width) * in.par_n / in.par_d));
    int height = in.height;
    // Made at the size it is shown: a 2160p picture converted whole held the window 20 to 28 ms.
    if (box.isValid() && (width > box.width() || height > box.height())) {
        const QSize fitted = QSize(width, height).scaled(box, Qt::KeepAspectRatio);
        width = qMax(1, fitted.width());
        height = qMax(1, fitted.height());
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();

    GstVideoInfo out;
    // QImage's RGB32 is BGRx in memory on a little-endian machine.
    gst_video_info_set_format(&out, G_BYTE_ORDER == G_LITTLE_ENDIAN ? GST_VIDEO_FORMAT_BGRx
                                                                    : GST_VIDEO_FORMAT_xRGB,
                              guint(width), guint(height));
    // The converter changes the format and the size, nothing else.
    out.fps_n = in.fps_n;
    out.fps_d = in.fps_d;
    out.interlace_mode = in.interlace_mode;
    out.stride[0] = image.bytesPerLine();
    out.size = gsize(image.sizeInBytes());
    GstBuffer *target = gst_buffer_new_wrapped_full(GstMemoryFlags(0), image.bits(),
                                                    gsize(image.sizeInBytes()), 0,
                                                    gsize(image.sizeInBytes()), nullptr, nullptr);
    GstVideoFrame from;
    GstVideoFrame to;
    bool made = false;
    if (gst_video_frame_map(&from, &in, buffer, GST_MAP_READ)) {
        if (gst_video_frame_map(&to, &out, target, GST_MAP_WRITE)) {
            // Both cores: the picture is wanted at once, by a key press. Made half the size or
            // less (2160p on a window), every pixel read for it would cost the window 20 ms more.
            const bool muchSmaller = 2 * width <= in.width && 2 * height <= in.height;
            GstStructure *config = gst_structure_new(
                "GstVideoConverter", GST_VIDEO_CONVERTER_OPT_THREADS, G_TYPE_UINT, 2u,
                GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
                muchSmaller ? GST_VIDEO_RESAMPLER_METHOD_NEAREST
                            : GST_VIDEO_RESAMPLER_METHOD_LINEAR,
                nullptr);
            if (GstVideoConverter *converter = gst_video_converter_new(&in, &out, config)) {
                gst_video_converter_frame(converter, &from, &to);
                gst_video_converter_free(converter);
                made = true;
            }
            gst_video_frame_unmap(&to);
        }
        gst_video_frame_unmap(&from);
    }
    gst_buffer_unref(target);
    return made ? image : QImage();
}
