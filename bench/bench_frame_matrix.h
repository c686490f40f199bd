#ifndef MORLEK_BENCH_FRAME_MATRIX_H
#define MORLEK_BENCH_FRAME_MATRIX_H

#include <QList>
#include <QSize>
#include <QString>
#include <QVector>

/** One video of the benchmark: frame rate, container, codec and picture size. */
struct FrameBenchVideo
{
    int fps = 25;
    QString container; // "mkv", "mp4" or "avi"
    QString codec;     // "h264-gop12", "h264-1key" or "mpeg4"
    QSize size;
    int seconds = 20;

    /** True for the 1280x720 files, whose figures count for latency. */
    bool isLatencyFile() const { return size.width() >= 1280; }
    QString fileName() const;
    QString label() const;
};

/**
 * The matrix of frame-numbered videos and their making.
 *
 * Videos are cached in a folder between runs: a file is made again only when it is missing.
 * Beside each video lies "<file>.pts", the presentation time of every frame as ffprobe reads it,
 * which says which frame a seek to a given time must show.
 */
class FrameBenchMatrix
{
public:
    /** The full matrix, or a small one for a quick run. */
    static QList<FrameBenchVideo> videos(bool quick);

    /** Makes the video (and its frame times) in the folder unless it is there; returns its path. */
    static QString ensure(const FrameBenchVideo &video, const QString &folder, QString *error);

    /** Presentation times in milliseconds of every frame, in frame order; empty on failure. */
    static QVector<double> frameTimes(const QString &videoPath, QString *error);

private:
    static bool storeFrameTimes(const FrameBenchVideo &video, const QString &probed,
                                const QString &path, QString *error);
};

#endif
