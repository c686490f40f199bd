#include "video_start_probe.h"

#include "ffprobe_job.h"

#include <QFileInfo>
#include <QVector>
#include <QtMath>

VideoStartProbe::VideoStartProbe(QObject *parent)
    : QObject(parent)
    , job_(new FfprobeJob(this))
{
}

VideoStartProbe::~VideoStartProbe() = default;

void VideoStartProbe::probe(const QString &path)
{
    job_->run({QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
               QStringLiteral("v:0"), QStringLiteral("-show_entries"),
               QStringLiteral("stream=start_time:format=start_time:packet=pts_time,flags"),
               // The first seconds tell the keyframe pattern of the whole file.
               QStringLiteral("-read_intervals"), QStringLiteral("%+20"), QStringLiteral("-of"),
               QStringLiteral("csv=p=0"), QFileInfo(path).absoluteFilePath()},
              [this, path](const QByteArray &output) {
                  qint64 startMs = 0;
                  qint64 keyGapMs = -1;
                  parseVideoProbe(output, &startMs, &keyGapMs);
                  emit probed(path, startMs, keyGapMs);
              });
}

void parseVideoProbe(const QByteArray &output, qint64 *startMs, qint64 *longestKeyGapMs)
{
    *startMs = 0;
    *longestKeyGapMs = -1;
    double lastKey = -1;
    double lastPacket = -1;
    double longest = -1;
    // The stream's start, then the file's: MPEG transport and program streams start their
    // clock anywhere, and the player counts from the file's start.
    QVector<double> starts;
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(',');
        bool ok = false;
        const double seconds = fields.first().toDouble(&ok);
        if (fields.size() == 1 || (fields.size() == 2 && fields.at(1).isEmpty())) {
            if (ok)
                starts << seconds;
            continue;
        }
        if (!ok)
            continue;
        lastPacket = qMax(lastPacket, seconds);
        if (!fields.at(1).contains('K'))
            continue;
        if (lastKey >= 0)
            longest = qMax(longest, seconds - lastKey);
        lastKey = seconds;
    }
    if (!starts.isEmpty()) {
        const double fileStart = starts.size() > 1 ? qMax(0.0, starts.at(1)) : 0.0;
        *startMs = qMax<qint64>(0, qRound64((starts.first() - fileStart) * 1000));
    }
    if (lastKey < 0)
        return;
    // What follows the last keyframe read is a stretch at least that long.
    longest = qMax(longest, lastPacket - lastKey);
    *longestKeyGapMs = qRound64(longest * 1000);
}
