#ifndef MORLEK_VIDEO_START_PROBE_H
#define MORLEK_VIDEO_START_PROBE_H

#include <QObject>
#include <QPointer>
#include <QString>

class FfprobeJob;

/**
 * Finds when a file's first video frame starts, and how far apart its keyframes lie, with
 * ffprobe, in the background.
 *
 * Most files start at 0, but MKV files often start their video a few milliseconds later;
 * frame steps must count from there or the first step shows the first frame again.
 * Stepping backwards decodes a whole stretch between keyframes at once, which is only
 * affordable where they are close. Without ffprobe on the PATH nothing is reported and the
 * player counts from 0.
 */
class VideoStartProbe : public QObject
{
    Q_OBJECT
public:
    explicit VideoStartProbe(QObject *parent = nullptr);
    ~VideoStartProbe() override;

    /** Starts probing a file; a probe of an earlier file still running is dropped. */
    void probe(const QString &path);

signals:
    /**
     * The start of the file's first video frame, in ms (0 when the file does not say), and
     * the longest stretch from a keyframe to the next in the first seconds of the video, in ms
     * (-1 when unknown; as long as what was read when there is a single keyframe).
     */
    void probed(const QString &path, qint64 startMs, qint64 longestKeyGapMs);

private:
    FfprobeJob *const job_;
};

/**
 * Reads ffprobe's CSV lines, "<pts>,<flags>" for each video packet, then "<start>" for the
 * stream: the stream's start in ms and the longest keyframe stretch in ms, as probed() has them.
 */
void parseVideoProbe(const QByteArray &output, qint64 *startMs, qint64 *longestKeyGapMs);

#endif
