#ifndef MORLEK_PICTURE_STORE_H
#define MORLEK_PICTURE_STORE_H

#include <QImage>
#include <QSize>
#include <QtGlobal>

#include <atomic>
#include <map>
#include <mutex>

// GStreamer's own declaration, repeated so that users of this header need no GStreamer headers.
typedef struct _GstSample GstSample;

/**
 * Decoded pictures kept as they passed on their way to the screen, by the start of their
 * frame, so that a step back to one of them shows it without decoding again.
 *
 * Where the demuxer cannot play backwards (MPEG transport streams), the frame before is
 * otherwise sought, and a seek there decodes a second or more of video. Kept from the
 * streaming thread, read from the GUI thread. Bounded by the bytes of the pictures: the
 * pictures farthest from the last one kept go first.
 */
class PictureStore
{
public:
    explicit PictureStore(qint64 capacityBytes);
    ~PictureStore();
    PictureStore(const PictureStore &) = delete;
    PictureStore &operator=(const PictureStore &) = delete;

    /** Whether keep() takes pictures (off while playing, and for files that run backwards). */
    void setKeeping(bool keeping) { keeping_.store(keeping); }
    bool isKeeping() const { return keeping_.load(); }
    /**
     * Keeps one picture a frame: a picture that starts less than @p ms after a kept one is
     * the second of a frame deinterlaced into two (a camcorder's 50i), which a step never
     * shows. 0 keeps every picture.
     */
    void setFrameSpacing(qint64 ms) { spacing_.store(ms); }

    /** Whether keep() would take a picture that starts at @p startMs. */
    bool takes(qint64 startMs) const;
    /**
     * Keeps @p sample (its buffer must not be used by anyone else: a copy), whose frame starts
     * at startMs; takes a reference of its own. A picture kept for the same start is replaced.
     */
    void keep(qint64 startMs, GstSample *sample);
    /**
     * The kept picture with the earliest start in [fromMs, toMs), with a reference the caller
     * drops, and its start in @p startMs; null when none is kept there.
     */
    GstSample *find(qint64 fromMs, qint64 toMs, qint64 *startMs = nullptr) const;
    /** Forgets every picture (another file). */
    void clear();

    int count() const;
    qint64 bytes() const;

private:
    bool takesLocked(qint64 startMs) const;
    void evict(qint64 nearMs);

    const qint64 capacity_;
    std::atomic<bool> keeping_{false};
    std::atomic<qint64> spacing_{0};
    mutable std::mutex mutex_;
    std::map<qint64, GstSample *> pictures_;
    qint64 bytes_ = 0;
};

/**
 * The picture of a decoded video sample as the screen shows it: RGB, its width stretched by
 * the pixels' shape, and made smaller to fit @p box where that is given and smaller. A null
 * image for a sample that holds no raw video.
 */
QImage pictureOfSample(GstSample *sample, const QSize &box = QSize());

/**
 * The start of the frame that @p sample holds, in ms of stream time rounded down, as the
 * media object reports times; -1 when its buffer has no stamp. A frame that a seek cut is
 * told by its uncut start, worked out from its length, unless @p asStamped asks for the
 * stamp the buffer carries.
 */
qint64 sampleStartMs(GstSample *sample, bool asStamped = false);

#endif
