#ifndef MORLEK_VIDEO_START_PROBE_H
#define MORLEK_VIDEO_START_PROBE_H

#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;

/**
 * Finds when a file's first video frame starts, with ffprobe, in the background.
 *
 * Most files start at 0, but MKV files often start their video a few milliseconds later;
 * frame steps must count from there or the first step shows the first frame again.
 * Without ffprobe on the PATH nothing is reported and the player counts from 0.
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
    /** The start of the file's first video frame, in ms (0 when the file does not say). */
    void probed(const QString &path, qint64 startMs);

private:
    QPointer<QProcess> process_;
};

#endif
