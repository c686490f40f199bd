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
    /** The start of every frame of @p path's first video stream, in µs, in presentation order. */
    void indexed(const QString &path, const QVector<qint64> &startsUs);

private:
    FfprobeJob *const job_;
};

/**
 * Reads ffprobe's compact lines ("packet|pts_time=<s>", "format|start_time=<s>") into sorted
 * frame starts in µs from the file's start.
 */
QVector<qint64> parseFrameIndex(const QByteArray &output);

#endif
