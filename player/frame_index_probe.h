#ifndef MORLEK_FRAME_INDEX_PROBE_H
#define MORLEK_FRAME_INDEX_PROBE_H

#include <QObject>
#include <QString>
#include <QVector>

class FfprobeJob;

/**
 * Lists when every frame of a file's video starts, with ffprobe, in the background: the file's
 * own stamps, which stepping through "every frame of the video" follows (slow motion, rates
 * that change on the way). Reading the stamps needs no decoding, about a second for an hour of
 * video. Without ffprobe nothing is reported.
 */
class FrameIndexProbe : public QObject
{
    Q_OBJECT
public:
    explicit FrameIndexProbe(QObject *parent = nullptr);
    ~FrameIndexProbe() override;

    /** Starts listing a file's frames; a listing of an earlier file still running is dropped. */
    void probe(const QString &path);

signals:
    /**
     * The start of every frame of @p path's first video stream, in µs, in presentation order,
     * and of the frames among them that lead a keyframe (see FrameIndex).
     */
    void indexed(const QString &path, const QVector<qint64> &startsUs,
                 const QVector<qint64> &leadingUs);

private:
    FfprobeJob *const job_;
};

/** A video's frames as its file lists them. */
struct FrameIndex
{
    /** The start of every frame in µs from the file's start, in presentation order. */
    QVector<qint64> startsUs;
    /**
     * The starts of the frames that come after a keyframe in the file but are shown before it
     * (the leading frames of HEVC's open GOPs). They need the keyframe stretch before theirs,
     * so a decoder that starts at their keyframe, as running backwards does, never shows them.
     */
    QVector<qint64> leadingUs;
};

/**
 * Reads ffprobe's compact lines ("packet|pts_time=<s>|flags=K__", "stream|r_frame_rate=<n/d>",
 * "format|start_time=<s>"), packets in decoding order, into the file's frame index.
 */
FrameIndex parseFrameIndex(const QByteArray &output);

#endif
