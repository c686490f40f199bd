#include "video_start_probe.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtMath>

VideoStartProbe::VideoStartProbe(QObject *parent)
    : QObject(parent)
{
}

VideoStartProbe::~VideoStartProbe()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
    }
}

void VideoStartProbe::probe(const QString &path)
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(500);
        process_->deleteLater();
    }
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return;
    auto *process = new QProcess(this);
    process_ = process;
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process, path](int exitCode, QProcess::ExitStatus status) {
                process->deleteLater();
                if (status != QProcess::NormalExit || exitCode != 0)
                    return;
                bool ok = false;
                const double seconds =
                    QString::fromLatin1(process->readAllStandardOutput()).trimmed().toDouble(&ok);
                emit probed(path, ok && seconds > 0 ? qRound64(seconds * 1000) : 0);
            });
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(ffprobe, {QStringLiteral("-v"), QStringLiteral("error"),
                             QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                             QStringLiteral("-show_entries"), QStringLiteral("stream=start_time"),
                             QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                             QFileInfo(path).absoluteFilePath()});
}
