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
               QStringLiteral("format=start_time:stream=r_frame_rate:packet=pts_time,flags"),
               QStringLiteral("-of"),
               QStringLiteral("compact"), QFileInfo(path).absoluteFilePath()},
              [this, path](const QByteArray &output) {
                  const FrameIndex index = parseFrameIndex(output);
                  emit indexed(path, index.startsUs, index.leadingUs);
              });
}

namespace {

// The text of "<key>=" in a compact line ("packet|pts_time=1.480000|..."); null when absent.
QByteArray fieldOf(const QByteArray &line, const QByteArray &key)
{
    const int at = line.indexOf('|' + key + '=');
    if (at < 0)
        return QByteArray();
    const int from = at + key.size() + 2;
    const int to = line.indexOf('|', from);
    return line.mid(from, to < 0 ? -1 : to - from).trimmed();
}

// The number of "<key>=" in a compact line; false when absent or not a number.
bool valueOf(const QByteArray &line, const QByteArray &key, double *value)
{
    bool ok = false;
    *value = fieldOf(line, key).toDouble(&ok);
    return ok;
}

// The rate of a compact "stream|r_frame_rate=30000/1001" line; 0 when absent or unknown.
double frameRateOf(const QByteArray &line)
{
    const QList<QByteArray> parts = fieldOf(line, "r_frame_rate").split('/');
    const double numerator = parts.value(0).toDouble();
    const double denominator = parts.size() > 1 ? parts.at(1).toDouble() : 1;
    return numerator > 0 && denominator > 0 ? numerator / denominator : 0;
}

} // namespace

FrameIndex parseFrameIndex(const QByteArray &output)
{
    QVector<double> stamps;
    QVector<double> leading;
    double formatStart = 0;
    double keyframe = -1;
    int unstamped = 0;
    double rate = 0;
    const QList<QByteArray> lines = output.split('\n');
    stamps.reserve(lines.size());
    for (const QByteArray &line : lines) {
        double value = 0;
        if (line.startsWith("packet|") && !valueOf(line, "pts_time", &value)) {
            ++unstamped;
        } else if (line.startsWith("packet|")) {
            stamps << value;
            // Packets come in decoding order: one after a keyframe with an earlier stamp
            // leads it.
            if (line.contains("|flags=K"))
                keyframe = value;
            else if (keyframe >= 0 && value < keyframe)
                leading << value;
        } else if (line.startsWith("format|") && valueOf(line, "start_time", &value)) {
            formatStart = value;
        } else if (line.startsWith("stream|")) {
            rate = frameRateOf(line);
        }
    }
    // AVI stamps no packet: a packet a frame, at the stream's fixed rate. (The file's length
    // can be the sound's, longer than its video.)
    if (stamps.isEmpty() && unstamped > 1 && rate > 0) {
        for (int k = 0; k < unstamped; ++k)
            stamps << qMax(0.0, formatStart) + k / rate;
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
