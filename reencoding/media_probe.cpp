#include "media_probe.h"

#include <QMap>
#include <QProcess>

namespace morlek::reencoding {

namespace {

double seconds(const QByteArray &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : -1;
}

} // namespace

const StreamFacts *MediaFacts::first(const QString &type) const
{
    for (const StreamFacts &stream : streams) {
        if (stream.type == type)
            return &stream;
    }
    return nullptr;
}

double MediaFacts::lengthOf(const StreamFacts &stream) const
{
    return stream.duration >= 0 ? stream.duration : formatDuration;
}

MediaFacts MediaFacts::parse(const QByteArray &compact)
{
    MediaFacts facts;
    QMap<int, StreamFacts> packets;
    for (const QByteArray &line : compact.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('|');
        QMap<QByteArray, QByteArray> values;
        for (int i = 1; i < fields.size(); ++i) {
            const int eq = fields.at(i).indexOf('=');
            if (eq > 0)
                values.insert(fields.at(i).left(eq), fields.at(i).mid(eq + 1));
        }
        const QByteArray &section = fields.first();
        if (section == "packet") {
            StreamFacts &sum = packets[values.value("stream_index").toInt()];
            const double duration = qMax(0.0, seconds(values.value("duration_time")));
            if (values.value("size").toInt() > 0)
                ++sum.filledPackets;
            sum.packetTime += duration;
            sum.longestPacket = qMax(sum.longestPacket, duration);
        } else if (section == "stream") {
            StreamFacts stream;
            stream.index = values.value("index").toInt();
            stream.type = QString::fromUtf8(values.value("codec_type"));
            stream.rate = FrameRate::fromText(QString::fromUtf8(values.value("r_frame_rate")));
            stream.duration = seconds(values.value("duration"));
            facts.streams << stream;
        } else if (section == "format") {
            facts.formatDuration = seconds(values.value("duration"));
        }
    }
    for (StreamFacts &stream : facts.streams) {
        const StreamFacts sum = packets.value(stream.index);
        stream.filledPackets = sum.filledPackets;
        stream.packetTime = sum.packetTime;
        stream.longestPacket = sum.longestPacket;
    }
    return facts;
}

MediaProbe::MediaProbe(QObject *parent)
    : QObject(parent)
{
}

MediaProbe::~MediaProbe()
{
    abort();
}

void MediaProbe::probe(const QString &file, bool packets)
{
    abort();
    QString entries = QStringLiteral("stream=index,codec_type,r_frame_rate,duration:format=duration");
    if (packets)
        entries += QStringLiteral(":packet=stream_index,size,duration_time");

    output_.clear();
    process_ = new QProcess(this);
    connect(process_, &QProcess::readyReadStandardOutput, this,
            [this] { output_ += process_->readAllStandardOutput(); });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash also ends in finished()
        process_->deleteLater();
        process_ = nullptr;
        emit failed(tr("The probe ffprobe could not be started."));
    });
    connect(process_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this](int exitCode, QProcess::ExitStatus status) {
                processEnded(status == QProcess::NormalExit ? exitCode : -1);
            });
    startTool(process_, QStringLiteral("ffprobe"),
              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
               entries, QStringLiteral("-of"), QStringLiteral("compact"), file});
}

void MediaProbe::abort()
{
    if (!process_)
        return;
    process_->disconnect(this);
    process_->kill();
    process_->waitForFinished(3000);
    process_->deleteLater();
    process_ = nullptr;
}

void MediaProbe::processEnded(int exitCode)
{
    output_ += process_->readAllStandardOutput();
    const QString problem = QString::fromUtf8(process_->readAllStandardError()).trimmed()
                                    .section(QLatin1Char('\n'), -1);
    process_->deleteLater();
    process_ = nullptr;
    if (exitCode != 0) {
        emit failed(problem.isEmpty() ? tr("The probe ffprobe failed.") : problem);
        return;
    }
    emit probed(MediaFacts::parse(output_));
}

} // namespace morlek::reencoding
