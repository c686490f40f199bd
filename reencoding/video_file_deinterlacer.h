#ifndef MORLEK_VIDEO_FILE_DEINTERLACER_H
#define MORLEK_VIDEO_FILE_DEINTERLACER_H

#include "copy_checker.h"
#include "encoder_tools.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

/**
 * Turns an interlaced video into a copy with one frame per field, at twice the input's rate,
 * by running the encoder ffmpeg once per request. The copy is written under a temporary name
 * next to the output and checked before it takes the output's name; the outcome is reported
 * as finished() or error() with one line saying what went wrong.
 */
class VideoFileDeinterlacer : public QObject
{
    Q_OBJECT
public:
    explicit VideoFileDeinterlacer(QObject *parent = nullptr);
    /** A run still in progress is stopped silently and its partial copy removed. */
    ~VideoFileDeinterlacer() override;

    /**
     * Starts one run and returns at once. @p inputRate is the input's frame rate; @p codec
     * selects the video codec: 0 Microsoft MPEG4v2, 1 H.264, anything else ffmpeg's default
     * for AVI. The encoder is the ffmpeg on the PATH, never one in the current folder.
     * A run still in progress is abandoned: its encoder is stopped, its partial copy
     * removed, and it reports nothing more.
     */
    void deinterlace(const QString &inputFile, const morlek::reencoding::FrameRate &inputRate,
                     const QString &outputFile, int codec);
    /** Stops the run in progress, removes its partial copy and reports error(). */
    void cancel();
    bool isRunning() const;

    /** The name the copy has until it has passed its check. */
    static QString partialFileName(const QString &outputFile);

signals:
    /** Percent of the input encoded so far. */
    void progress(int percent);
    /** The copy is complete, checked, and stands under the output name. */
    void finished();
    /** The run failed or was cancelled; no file is left under the output name. */
    void error(const QString &reason);

private:
    void readProgress();
    void readMessages();
    void encoderEnded(int exitCode, QProcess::ExitStatus status);
    void copyPassed();
    void fail(const QString &reason);
    void stop();

    QPointer<QProcess> process_;
    morlek::reencoding::CopyChecker checker_;
    QString input_;
    QString output_;
    QString partial_;
    bool checking_ = false;
    double inputSeconds_ = 0;
    int percent_ = -1;
    QByteArray progressLines_;
    QByteArray messageLines_;
    QString lastMessage_;
};

#endif
