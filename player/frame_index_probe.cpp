#include "frame_index_probe.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

FrameIndexProbe::FrameIndexProbe(QObject *parent)
    : QObject(parent)
{
}

FrameIndexProbe::~FrameIndexProbe()
{
    dropRunning();
}

void FrameIndexProbe::dropRunning()
{
    QProcess *running = process_.data();
    process_.clear();
    if (!running)
        return;
    // Killed, it ends at once; nothing waits for it: it goes when it has ended.
    running->disconnect(this);
    if (running->state() == QProcess::NotRunning) {
        running->deleteLater();
        return;
    }
    connect(running, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), running,
            &QObject::deleteLater);
    running->kill();
}

void FrameIndexProbe::probe(const QString &path)
{
    dropRunning();
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return;
    auto *process = new QProcess(this);
    process_ = process;
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process, path](int exitCode, QProcess::ExitStatus status) {
                process->deleteLater();
                if (status == QProcess::NormalExit && exitCode == 0)
                    emit indexed(path, parseFrameIndex(process->readAllStandardOutput()));
            });
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(ffprobe, {QStringLiteral("-v"), QStringLiteral("error"),
                             QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                             QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time"),
                             QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                             QFileInfo(path).absoluteFilePath()});
}

QVector<qint64> parseFrameIndex(const QByteArray &output)
{
    QVector<qint64> starts;
    const QList<QByteArray> lines = output.split('\n');
    starts.reserve(lines.size());
    for (const QByteArray &line : lines) {
        bool ok = false;
        const double seconds = line.trimmed().toDouble(&ok);
        // Frames before 0 are decoded only to build the first one, never shown.
        if (ok && seconds >= 0)
            starts << std::llround(seconds * 1e6);
    }
    // Packets come in decoding order; frames are shown in the order of their stamps.
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}
