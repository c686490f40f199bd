#include "frame_index_probe.h"

#include "ffprobe_job.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

FrameIndexProbe::FrameIndexProbe(QObject *parent)
    : QObject(parent)
    , job_(new FfprobeJob(this))
{
}

FrameIndexProbe::~FrameIndexProbe() = default;

void FrameIndexProbe::probe(const QString &path)
{
    job_->run({QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
               QStringLiteral("v:0"), QStringLiteral("-show_entries"),
               QStringLiteral("format=start_time:packet=pts_time,flags"), QStringLiteral("-of"),
               QStringLiteral("compact"), QFileInfo(path).absoluteFilePath()},
              [this, path](const QByteArray &output) {
                  const FrameIndex index = parseFrameIndex(output);
                  emit indexed(path, index.startsUs, index.leadingUs);
              });
}

namespace {

// The value of "<key>=" in a compact line ("packet|pts_time=1.480000|..."); false when absent.
bool valueOf(const QByteArray &line, const QByteArray &key, double *value)
{
    const int at = line.indexOf('|' + key + '=');
    if (at < 0)
        return false;
    const int from = at + key.size() + 2;
    const int to = line.indexOf('|', from);
    bool ok = false;
    *value = line.mid(from, to < 0 ? -1 : to - from).trimmed().toDouble(&ok);
    return ok;
}

} // namespace

FrameIndex parseFrameIndex(const QByteArray &output)
{
    QVector<double> stamps;
    QVector<double> leading;
    double formatStart = 0;
    double keyframe = -1;
    const QList<QByteArray> lines = output.split('\n');
    stamps.reserve(lines.size());
    for (const QByteArray &line : lines) {
        double value = 0;
        if (line.startsWith("packet|") && valueOf(line, "pts_time", &value)) {
            stamps << value;
            // Packets come in decoding order: one after a keyframe with an earlier stamp
            // leads it.
            if (line.contains("|flags=K"))
                keyframe = value;
            else if (keyframe >= 0 && value < keyframe)
                leading << value;
        } else if (line.startsWith("format|") && valueOf(line, "start_time", &value)) {
            formatStart = value;
        }
    }
    // MPEG transport and program streams start their clock anywhere; the player counts from
    // the file's start.
    const double offset = qMax(0.0, formatStart);
    const auto fromStart = [offset](const QVector<double> &seconds) {
        QVector<qint64> us;
        us.reserve(seconds.size());
        // Frames before the start are decoded only to build the first one, never shown.
        for (const double s : seconds) {
            if (s - offset >= 0)
                us << std::llround((s - offset) * 1e6);
        }
        // Frames are shown in the order of their stamps.
        std::sort(us.begin(), us.end());
        us.erase(std::unique(us.begin(), us.end()), us.end());
        return us;
    };
    return {fromStart(stamps), fromStart(leading)};
}
