#ifndef MORLEK_VIDEO_SIZE_PROBE_H
#define MORLEK_VIDEO_SIZE_PROBE_H

#include <QObject>
#include <QSize>
#include <QString>

class FfprobeJob;

/**
 * Reads the size a file's picture is shown at from its headers, with ffprobe, while the
 * back-end is still decoding its first frame.
 *
 * The window can then take the picture's size before that frame is made: a video sink that
 * cannot scale (X without XVideo) gets its pictures made at its window's size, and a first
 * picture made for the small window of loading has to be made once more after the fit.
 * Without ffprobe, or for a file whose headers do not tell, nothing is reported and the
 * window fits itself to the first picture as before.
 */
class VideoSizeProbe : public QObject
{
    Q_OBJECT
public:
    explicit VideoSizeProbe(QObject *parent = nullptr);
    ~VideoSizeProbe() override;

    /** Starts probing a file; a probe of an earlier file still running is dropped. */
    void probe(const QString &path);

signals:
    /** The display size of the file's picture, as the back-end will show it. */
    void probed(const QString &path, const QSize &size);

private:
    FfprobeJob *const job_;
};

/**
 * Reads ffprobe's CSV line "<width>,<height>,<sample aspect>,<attached picture>[,<rotation>]"
 * of the first video stream, the first line with all of them: the size shown, upright and with the pixels' shape applied as
 * the back-end applies them (a turn first, then the width scaled). Empty for a cover picture
 * of a sound file and where the line does not tell.
 */
QSize parseVideoSize(const QByteArray &output);

#endif
