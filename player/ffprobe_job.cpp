#include "ffprobe_job.h"

#include <QProcess>
#include <QStandardPaths>

FfprobeJob::FfprobeJob(QObject *parent)
    : QObject(parent)
{
}

FfprobeJob::~FfprobeJob()
{
    dropRunning();
}

void FfprobeJob::dropRunning()
{
    QProcess *running = process_.data();
    process_.clear();
    if (!running)
        return;
    running->disconnect(this);
    if (running->state() == QProcess::NotRunning) {
        running->deleteLater();
        return;
    }
    connect(running, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), running,
            &QObject::deleteLater);
    running->kill();
}

void FfprobeJob::run(const QStringList &arguments, Done done)
{
    dropRunning();
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return;
    auto *process = new QProcess(this);
    process_ = process;
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [process, done](int exitCode, QProcess::ExitStatus status) {
                process->deleteLater();
                if (status == QProcess::NormalExit && exitCode == 0)
                    done(process->readAllStandardOutput());
            });
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(ffprobe, arguments);
}
