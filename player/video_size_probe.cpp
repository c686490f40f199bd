#include "video_size_probe.h"

#include "ffprobe_job.h"

#include <QFileInfo>
#include <QList>

#include <cmath>
#include <utility>

VideoSizeProbe::VideoSizeProbe(QObject *parent)
    : QObject(parent)
    , job_(new FfprobeJob(this))
{
}

VideoSizeProbe::~VideoSizeProbe() = default;

void VideoSizeProbe::probe(const QString &path)
{
    job_->run({QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
               QStringLiteral("v:0"), QStringLiteral("-show_entries"),
               QStringLiteral("stream=width,height,sample_aspect_ratio:"
                              "stream_disposition=attached_pic:stream_side_data=rotation"),
               // It runs beside the decoder's first frame: the headers are enough, and a
               // stream without them (MPEG-TS) is not worth decoding frames for here.
               QStringLiteral("-probesize"), QStringLiteral("1000000"),
               QStringLiteral("-of"), QStringLiteral("csv=p=0"),
               QFileInfo(path).absoluteFilePath()},
              [this, path](const QByteArray &output) {
                  const QSize size = parseVideoSize(output);
                  if (size.isValid())
                      emit probed(path, size);
              });
}

QSize parseVideoSize(const QByteArray &output)
{
    // A transport stream lists its streams once more under their program, without the
    // disposition: the stream's own line is the first with all fields.
    QList<QByteArray> fields;
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray &line : lines) {
        fields = line.trimmed().split(',');
        if (fields.size() >= 4)
            break;
    }
    if (fields.size() < 4)
        return QSize();
    bool widthOk = false;
    bool heightOk = false;
    int width = fields.at(0).toInt(&widthOk);
    int height = fields.at(1).toInt(&heightOk);
    if (!widthOk || !heightOk || width <= 0 || height <= 0 || fields.at(3).trimmed() == "1")
        return QSize();
    // "N/A" or "0:1" where the file does not say: square pixels, as the back-end takes them.
    qint64 aspectN = 1;
    qint64 aspectD = 1;
    const QList<QByteArray> aspect = fields.at(2).split(':');
    if (aspect.size() == 2 && aspect.at(0).toLongLong() > 0 && aspect.at(1).toLongLong() > 0) {
        aspectN = aspect.at(0).toLongLong();
        aspectD = aspect.at(1).toLongLong();
    }
    bool rotationOk = false;
    const double rotation = fields.value(4).trimmed().toDouble(&rotationOk);
    if (rotationOk && std::lround(std::abs(rotation)) % 180 == 90) {
        // Turned upright, the rows become columns and the pixels' shape turns with them.
        std::swap(width, height);
        std::swap(aspectN, aspectD);
    }
    return QSize(int(width * aspectN / aspectD), height);
}
