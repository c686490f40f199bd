#include "bench_frame_matrix.h"

#include "frame_code.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace {

const QStringList codecs = {QStringLiteral("h264-gop12"), QStringLiteral("h264-1key"),
                            QStringLiteral("mpeg4")};

QStringList x264(const QString &params)
{
    return {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
            QStringLiteral("veryfast"), QStringLiteral("-x264-params"), params};
}

QStringList codecArguments(const FrameBenchVideo &video)
{
    const QString &codec = video.codec;
    if (codec == QLatin1String("h264-gop12"))
        return x264(QStringLiteral("keyint=12:min-keyint=12:scenecut=0"));
    if (codec == QLatin1String("h264-1key"))
        return x264(QStringLiteral("keyint=infinite:scenecut=0"));
    if (codec == QLatin1String("h264-key10s")) {
        // Screen recordings and some cameras: a keyframe every ten seconds.
        const int gap = qRound(video.frameRate() * 10);
        return x264(QStringLiteral("keyint=%1:min-keyint=%1:scenecut=0").arg(gap));
    }
    if (codec == QLatin1String("h264-interlaced"))
        // As a camcorder writes AVCHD: field-coded, top field first.
        return QStringList{QStringLiteral("-flags"), QStringLiteral("+ilme+ildct")}
            + x264(QStringLiteral("tff=1:keyint=12:min-keyint=12:scenecut=0"));
    if (codec == QLatin1String("hevc"))
        // A phone's HEVC: a keyframe a second, tagged as Apple's players want it.
        return {QStringLiteral("-c:v"), QStringLiteral("libx265"), QStringLiteral("-preset"),
                QStringLiteral("ultrafast"), QStringLiteral("-tag:v"), QStringLiteral("hvc1"),
                QStringLiteral("-x265-params"),
                QStringLiteral("log-level=error:keyint=%1:min-keyint=%1:scenecut=0")
                    .arg(qRound(video.frameRate()))};
    return {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"),
            QStringLiteral("3"), QStringLiteral("-g"), QStringLiteral("12")};
}

QStringList audioArguments(const FrameBenchVideo &video)
{
    const QString &container = video.container;
    if (container == QLatin1String("mkv") && video.variableRate)
        // Vorbis carries a codec delay: the video starts a few ms after zero.
        return {QStringLiteral("-c:a"), QStringLiteral("libvorbis"), QStringLiteral("-q:a"),
                QStringLiteral("3")};
    if (container == QLatin1String("avi"))
        // Without it the mp3 priming delay shifts the first video frame late.
        return {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                QStringLiteral("128k"), QStringLiteral("-avoid_negative_ts"),
                QStringLiteral("disabled")};
    if (container == QLatin1String("mts") || container == QLatin1String("ts"))
        return {QStringLiteral("-c:a"), QStringLiteral("ac3"), QStringLiteral("-b:a"),
                QStringLiteral("192k")};
    return {QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
            QStringLiteral("128k")};
}

// The frame code is drawn small (geq is slow), its longer side 64 blocks' worth.
QSize codeSize(const QSize &shown)
{
    if (shown.width() >= shown.height())
        return QSize(64, qMax(2, 2 * qRound(32.0 * shown.height() / shown.width())));
    return QSize(qMax(2, 2 * qRound(32.0 * shown.width() / shown.height())), 64);
}

} // namespace

double FrameBenchVideo::frameRate() const
{
    if (variableRate)
        return 30;
    if (rate.isEmpty())
        return fps;
    const int slash = rate.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return rate.toDouble();
    return rate.left(slash).toDouble() / rate.mid(slash + 1).toDouble();
}

QString FrameBenchVideo::rateText() const
{
    if (variableRate)
        return QStringLiteral("30-24");
    if (rate.isEmpty())
        return QString::number(fps);
    return QString::number(frameRate(), 'f', 3).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QString FrameBenchVideo::fileName() const
{
    return QStringLiteral("frames_%1fps_%2_%3x%4%5.%6")
        .arg(rateText(), codec)
        .arg(size.width())
        .arg(size.height())
        .arg(rotation ? QStringLiteral("_rot%1").arg(rotation)
                      : fragmented ? QStringLiteral("_frag")
                      : clockStartSeconds ? QStringLiteral("_clock%1").arg(clockStartSeconds)
                                          : QString(),
             container);
}

QString FrameBenchVideo::label() const
{
    QString text = QStringLiteral("%1 fps %2 %3 %4x%5")
                       .arg(rateText(), container.toUpper(), codec)
                       .arg(size.width())
                       .arg(size.height());
    if (rotation)
        text += QStringLiteral(", rotation flag %1°").arg(rotation);
    if (variableRate)
        text += QStringLiteral(", variable rate");
    if (fragmented)
        text += QStringLiteral(", fragmented");
    if (clockStartSeconds)
        text += QStringLiteral(", clock from %1 s").arg(clockStartSeconds);
    text += fps ? QStringLiteral(", \"%1 FPS\" chosen").arg(fps)
                : QStringLiteral(", every frame of the video");
    return text;
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

    // What phones and camcorders record. The "Seek step" entry is the one the player chooses
    // on load: the whole rate within 0.5 %, otherwise every frame of the video.
    const auto addReal = [&list](int fps, const QString &rate, const QString &container,
                                 const QString &codec, QSize size, int seconds) -> FrameBenchVideo & {
        FrameBenchVideo v;
        v.fps = fps;
        v.rate = rate;
        v.container = container;
        v.codec = codec;
        v.size = size;
        v.seconds = seconds;
        list.append(v);
        return list.last();
    };
    const QString mp4 = QStringLiteral("mp4");
    addReal(0, QStringLiteral("24000/1001"), mp4, gop12, small, 20);
    addReal(30, QStringLiteral("30000/1001"), mp4, gop12, small, 20);
    addReal(60, QStringLiteral("60000/1001"), QStringLiteral("mkv"), gop12, small, 20);
    addReal(0, QStringLiteral("120"), mp4, gop12, small, 10);
    addReal(0, QStringLiteral("240"), mp4, gop12, small, 6);
    addReal(0, QString(), mp4, gop12, small, 20).variableRate = true;
    addReal(30, QString(), QStringLiteral("mov"), QStringLiteral("hevc"), QSize(720, 1280), 20)
        .rotation = 90;
    addReal(25, QString(), QStringLiteral("mts"), QStringLiteral("h264-interlaced"),
            QSize(1920, 1080), 20);
    addReal(30, QString(), mp4, gop12, QSize(1920, 1080), 20);
    addReal(30, QString(), mp4, gop12, QSize(3840, 2160), 8);
    addReal(30, QString(), QStringLiteral("mkv"), QStringLiteral("h264-key10s"), QSize(1920, 1080), 25);
    // What users bring beside them: a variable rate in MKV (millisecond stamps, Vorbis), a
    // screen recorder's fragmented MP4, an MPEG-TS whose clock starts at ten hours.
    addReal(0, QString(), QStringLiteral("mkv"), gop12, small, 10).variableRate = true;
    addReal(30, QString(), mp4, gop12, small, 10).fragmented = true;
    addReal(25, QString(), QStringLiteral("ts"), gop12, small, 10).clockStartSeconds = 36000;
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

    const QSize base = codeSize(video.size);
    QString filter = morlek::test::frameCodeFilter()
        + QStringLiteral(",scale=%1:%2:flags=neighbor").arg(video.size.width()).arg(video.size.height());
    if (video.isLatencyFile())
        // Noise gives the decoder the work of a real picture; the blocks stay readable.
        filter += QStringLiteral(",noise=alls=10:allf=t");
    if (video.rotation == 90)
        // Stored lying on its side, as a phone stores portrait video.
        filter += QStringLiteral(",transpose=clock");
    const QString rate = video.variableRate ? QStringLiteral("30")
                         : video.rate.isEmpty() ? QString::number(video.fps)
                                                : video.rate;
    if (video.variableRate) {
        // Stamps that change their spacing half way: 30 fps, then 24 fps.
        const int change = video.seconds * 30 / 2;
        filter += QStringLiteral(",settb=1/1000,setpts='if(lt(N,%1),N/30,%1/30+(N-%1)/24)/TB'")
                      .arg(change);
    }
    const QString seconds = QString::number(video.seconds);
    QStringList args = {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("color=c=black:s=%1x%2:r=%3:d=%4")
                            .arg(base.width())
                            .arg(base.height())
                            .arg(rate, seconds),
                        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds),
                        QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"),
                        QStringLiteral("1:a"), QStringLiteral("-vf"), filter};
    if (video.variableRate)
        args << QStringLiteral("-fps_mode") << QStringLiteral("passthrough")
             << QStringLiteral("-enc_time_base:v") << QStringLiteral("1/1000");
    else
        args << QStringLiteral("-r") << rate;
    args << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    args << codecArguments(video) << audioArguments(video);
    if (video.fragmented)
        args << QStringLiteral("-movflags") << QStringLiteral("frag_keyframe+empty_moov+default_base_moof");
    if (video.clockStartSeconds)
        args << QStringLiteral("-output_ts_offset") << QString::number(video.clockStartSeconds);
    const QString partial = QDir(folder).filePath(QStringLiteral("partial_") + video.fileName());
    if (!morlek::test::makeVideo(partial, args, error))
        return {};
    if (video.rotation) {
        // The flag is taken when the stream is copied, not while it is encoded.
        const QString lying = partial + QStringLiteral(".lying.") + video.container;
        QFile::remove(lying);
        if (!QFile::rename(partial, lying)
            || !morlek::test::rotatedCopy(lying, partial, video.rotation, error))
            return {};
        QFile::remove(lying);
    }
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
    // AVI has no presentation times: frame k is shown at k / fps. A B-frame stream only gets
    // guessed times from ffprobe, and none for its last frames: its packets count them.
    if (video.container == QLatin1String("avi")) {
        const int count = packetCount(probed, error);
        if (count <= 0)
            return false;
        times.resize(count);
        for (int k = 0; k < count; ++k)
            times[k] = k * 1000.0 / video.frameRate();
    }
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

int FrameBenchMatrix::packetCount(const QString &videoPath, QString *error)
{
    const morlek::test::ProgramResult probe = morlek::test::runProgram(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
         QStringLiteral("v:0"), QStringLiteral("-count_packets"), QStringLiteral("-show_entries"),
         QStringLiteral("stream=nb_read_packets"), QStringLiteral("-of"),
         QStringLiteral("csv=p=0"), videoPath});
    bool ok = false;
    const int count = probe.ok() ? probe.output.trimmed().toInt(&ok) : 0;
    if (!ok || count <= 0)
        *error = QStringLiteral("ffprobe could not count the frames of %1: %2")
                     .arg(videoPath, QString::fromLocal8Bit(probe.output));
    return ok ? count : 0;
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
