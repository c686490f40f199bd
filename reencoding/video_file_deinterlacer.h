#ifndef MORLEK_VIDEO_FILE_DEINTERLACER_H
#define MORLEK_VIDEO_FILE_DEINTERLACER_H

#include <QObject>
#include <QPointer>

class QProcess;
class QString;

/**
 * Runs the external encoder mencoder once per request to turn an interlaced video into a
 * deinterlaced copy at twice its frame rate, and reports the outcome as finished() or error().
 */
class VideoFileDeinterlacer : public QObject
{
    Q_OBJECT
public:
    explicit VideoFileDeinterlacer(QObject *parent = nullptr);

    /**
     * Starts one encoder run and returns at once. @p frameRate is the input's frame rate in
     * frames per second; @p codec selects the output video codec: 0 Microsoft MPEG4v2,
     * 1 H.264, anything else leaves the codec to the encoder. The encoder is "./mencoder"
     * in the current directory, or else the mencoder on the PATH. A run still in progress
     * is abandoned: its encoder is stopped and it reports nothing more.
     */
    void deinterlace(const QString &inputFile, int frameRate, const QString &outputFile,
                     int codec);

signals:
    /** The encoder exited normally with exit code 0. */
    void finished();
    /** The encoder could not be started, crashed or exited with a non-zero code. */
    void error();

private slots:
    void workerFinished(int status);

private:
    QPointer<QProcess> process_;
};

#endif
