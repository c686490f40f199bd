#ifndef MORLEK_BENCH_FRAME_MATRIX_H
#define MORLEK_BENCH_FRAME_MATRIX_H

#include <QList>
#include <QSize>
#include <QString>
#include <QVector>

/** One video of the benchmark: frame rate, container, codec and picture size. */
struct FrameBenchVideo
{
    /** The "Seek step" entry chosen, as frames per second; 0 for "Every frame of the video". */
    int fps = 25;
    /** The video's own rate as ffmpeg takes it ("30000/1001") where it is not fps. */
    QString rate;
    QString container; // "mkv", "mp4", "avi", "mov", "mts" or "ts"
    QString codec;     // "h264-gop12", "h264-1key", "h264-key10s", "h264-interlaced", "hevc", "mpeg4"
    QSize size;        // as shown: upright, rotation applied
    int seconds = 20;
    int rotation = 0;          // the rotation flag in degrees, as phones store portrait video
    bool variableRate = false; // 30 fps, then 24 fps from the middle of the file
    bool fragmented = false;   // MP4 in fragments without a global index, as screen recorders write
    int clockStartSeconds = 0; // where an MPEG-TS clock starts, as camcorders start theirs anywhere

    /** The video's rate in frames per second (its first rate where it changes). */
    double frameRate() const;
    /** The rate as the file name and label give it: "25", "29.97", "30-24". */
    QString rateText() const;
    /** True for the files of 720p and more, whose figures count for latency. */
    bool isLatencyFile() const { return qMax(size.width(), size.height()) >= 1280; }
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
    /** The video stream's packets, one per frame in AVI; 0 on failure. */
    static int packetCount(const QString &videoPath, QString *error);
};

#endif
