#include "bench_frame_matrix.h"

#include "frame_code.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace {

const QStringList codecs = {QStringLiteral("h264-gop12"), QStringLiteral("h264-1key"),
                            QStringLiteral("mpeg4")};

QStringList codecArguments(const QString &codec)
{
    if (codec == QLatin1String("h264-gop12"))
        return {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                QStringLiteral("veryfast"), QStringLiteral("-x264-params"),
                QStringLiteral("keyint=12:min-keyint=12:scenecut=0")};
    if (codec == QLatin1String("h264-1key"))
        return {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                QStringLiteral("veryfast"), QStringLiteral("-x264-params"),
                QStringLiteral("keyint=infinite:scenecut=0")};
    return {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"),
            QStringLiteral("3"), QStringLiteral("-g"), QStringLiteral("12")};
}

QStringList audioArguments(const QString &container)
{
    if (container == QLatin1String("avi"))
        // Without it the mp3 priming delay shifts the first video frame late.
        return {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                QStringLiteral("128k"), QStringLiteral("-avoid_negative_ts"),
                QStringLiteral("disabled")};
    return {QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
            QStringLiteral("128k")};
}

} // namespace

QString FrameBenchVideo::fileName() const
{
    return QStringLiteral("frames_%1fps_%2_%3x%4.%5")
        .arg(fps)
        .arg(codec)
        .arg(size.width())
        .arg(size.height())
        .arg(container);
}

QString FrameBenchVideo::label() const
{
    return QStringLiteral("%1 fps %2 %3 %4x%5")
        .arg(fps)
        .arg(container.toUpper(), codec)
        .arg(size.width())
        .arg(size.height());
}

QList<FrameBenchVideo> FrameBenchMatrix::videos(bool quick)
{
    QList<FrameBenchVideo> list;
    const auto add = [&list](int fps, const QString &container, const QString &codec, QSize size) {
        FrameBenchVideo v;
        v.fps = fps;
        v.container = container;
        v.codec = codec;
        v.size = size;
        list.append(v);
    };
    const QSize small(320, 240), large(1280, 720);
    if (quick) {
        add(25, QStringLiteral("mkv"), codecs[0], small);
        add(60, QStringLiteral("avi"), codecs[2], small);
        add(50, QStringLiteral("mp4"), codecs[1], large);
        return list;
    }
    // Every frame rate meets every container once, each container meets all three codecs,
    // and the 720p files count for accuracy too.
    const QString gop12 = codecs[0], oneKey = codecs[1], mpeg4 = codecs[2];
    add(25, QStringLiteral("mkv"), gop12, large);
    add(50, QStringLiteral("mp4"), gop12, large);
    add(50, QStringLiteral("mkv"), oneKey, large);
    add(30, QStringLiteral("avi"), mpeg4, large);
    add(25, QStringLiteral("mp4"), oneKey, small);
    add(25, QStringLiteral("avi"), mpeg4, small);
    add(30, QStringLiteral("mkv"), oneKey, small);
    add(30, QStringLiteral("mp4"), mpeg4, small);
    add(50, QStringLiteral("avi"), oneKey, small);
    add(60, QStringLiteral("mkv"), gop12, small);
    add(60, QStringLiteral("mp4"), oneKey, small);
    add(60, QStringLiteral("avi"), mpeg4, small);
    add(100, QStringLiteral("mkv"), mpeg4, small);
    add(100, QStringLiteral("mp4"), oneKey, small);
    add(100, QStringLiteral("avi"), gop12, small);
    return list;
}

QString FrameBenchMatrix::ensure(const FrameBenchVideo &video, const QString &folder,
                                 QString *error)
{
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(video.fileName());
    if (QFileInfo::exists(path) && QFileInfo::exists(path + QStringLiteral(".pts")))
        return path;
    if (QFileInfo::exists(path))
        return storeFrameTimes(video, path, path, error) ? path : QString();

    // The code is drawn small (geq is slow) and scaled up without blurring the blocks.
    const QSize base = video.isLatencyFile() ? QSize(64, 36) : QSize(64, 48);
    QString filter = morlek::test::frameCodeFilter()
        + QStringLiteral(",scale=%1:%2:flags=neighbor").arg(video.size.width()).arg(video.size.height());
    if (video.isLatencyFile())
        // Noise gives the decoder the work of a real picture; the blocks stay readable.
        filter += QStringLiteral(",noise=alls=10:allf=t");
    const QString seconds = QString::number(video.seconds);
    QStringList args = {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("color=c=black:s=%1x%2:r=%3:d=%4")
                            .arg(base.width())
                            .arg(base.height())
                            .arg(video.fps)
                            .arg(seconds),
                        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds),
                        QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"),
                        QStringLiteral("1:a"), QStringLiteral("-vf"), filter,
                        QStringLiteral("-r"), QString::number(video.fps),
                        QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};
    args << codecArguments(video.codec) << audioArguments(video.container);
    const QString partial = QDir(folder).filePath(QStringLiteral("partial_") + video.fileName());
    if (!morlek::test::makeVideo(partial, args, error))
        return {};
    if (!storeFrameTimes(video, partial, path, error))
        return {};
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        *error = QStringLiteral("cannot store %1").arg(path);
        return {};
    }
    return path;
}

bool FrameBenchMatrix::storeFrameTimes(const FrameBenchVideo &video, const QString &probed,
                                       const QString &path, QString *error)
{
    QVector<double> times = frameTimes(probed, error);
    if (times.isEmpty())
        return false;
    // AVI has no presentation times: frame k is shown at k / fps, and a B-frame stream only
    // gets guessed times from ffprobe.
    if (video.container == QLatin1String("avi"))
        for (int k = 0; k < times.size(); ++k)
            times[k] = k * 1000.0 / video.fps;
    QSaveFile pts(path + QStringLiteral(".pts"));
    if (!pts.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot write %1").arg(pts.fileName());
        return false;
    }
    QTextStream out(&pts);
    for (double t : times)
        out << QString::number(t, 'f', 3) << '\n';
    out.flush();
    if (!pts.commit()) {
        *error = QStringLiteral("cannot write %1").arg(pts.fileName());
        return false;
    }
    return true;
}

QVector<double> FrameBenchMatrix::frameTimes(const QString &videoPath, QString *error)
{
    QVector<double> times;
    QFile cached(videoPath + QStringLiteral(".pts"));
    if (cached.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!cached.atEnd())
            times.append(QString::fromLatin1(cached.readLine()).trimmed().toDouble());
        return times;
    }
    const morlek::test::ProgramResult probe = morlek::test::runProgram(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
         QStringLiteral("v:0"), QStringLiteral("-show_entries"),
         QStringLiteral("frame=best_effort_timestamp_time"), QStringLiteral("-of"),
         QStringLiteral("csv=p=0"), videoPath});
    if (!probe.ok()) {
        *error = QStringLiteral("ffprobe failed on %1: %2")
                     .arg(videoPath, QString::fromLocal8Bit(probe.output));
        return {};
    }
    for (const QByteArray &line : probe.output.split('\n')) {
        bool ok = false;
        // Side data can add fields after the time: only the first one counts.
        const double seconds = line.split(',').first().trimmed().toDouble(&ok);
        if (ok)
            times.append(seconds * 1000.0);
    }
    std::sort(times.begin(), times.end());
    if (times.isEmpty())
        *error = QStringLiteral("ffprobe found no frames in %1").arg(videoPath);
    return times;
}
