#include "video_file_deinterlacer.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <filesystem>
#include <system_error>

using morlek::reencoding::FrameRate;
using morlek::reencoding::startTool;

namespace {

// The codec setups of the two choices; keyframes every 10 pictures keep stepping back fast.
QStringList codecArguments(int codec)
{
    switch (codec) {
    case 0:
        return {QStringLiteral("-c:v"), QStringLiteral("msmpeg4v2"), QStringLiteral("-b:v"),
                QStringLiteral("2160k"), QStringLiteral("-g"), QStringLiteral("10"),
                QStringLiteral("-trellis"), QStringLiteral("1"), QStringLiteral("-mbd"),
                QStringLiteral("rd")};
    case 1:
        // AVI keeps no presentation times, so no B-frames; the common 4:2:0 plays everywhere.
        return {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                QStringLiteral("yuv420p"), QStringLiteral("-x264-params"),
                QStringLiteral("subq=1:keyint=10:bframes=0")};
    default:
        return {};
    }
}

QStringList encoderArguments(const QString &input, const FrameRate &rate, const QString &partial,
                             int codec)
{
    // One picture per field in the input's field order. The video starts at zero like the
    // sound, so that a constant rate adds no picture in front of the first one.
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                     QStringLiteral("-nostats"), QStringLiteral("-progress"),
                     QStringLiteral("pipe:1"), QStringLiteral("-i"), input,
                     QStringLiteral("-map"), QStringLiteral("0:v:0"),
                     QStringLiteral("-map"), QStringLiteral("0:a:0?"),
                     QStringLiteral("-vf"),
                     QStringLiteral("setpts=PTS-STARTPTS,yadif=mode=send_field:parity=auto:deint=all")};
    args << codecArguments(codec);
    args << QStringLiteral("-r") << rate.doubled().toText() << QStringLiteral("-fps_mode")
         << QStringLiteral("cfr") << QStringLiteral("-c:a") << QStringLiteral("copy")
         << QStringLiteral("-f") << QStringLiteral("avi") << QStringLiteral("-y") << partial;
    return args;
}

} // namespace

VideoFileDeinterlacer::VideoFileDeinterlacer(QObject *parent)
    : QObject(parent)
{
    connect(&checker_, &morlek::reencoding::CopyChecker::passed, this,
            &VideoFileDeinterlacer::copyPassed);
    connect(&checker_, &morlek::reencoding::CopyChecker::failed, this,
            &VideoFileDeinterlacer::fail);
}

VideoFileDeinterlacer::~VideoFileDeinterlacer()
{
    stop();
}

QString VideoFileDeinterlacer::partialFileName(const QString &outputFile)
{
    return outputFile + QStringLiteral(".part");
}

bool VideoFileDeinterlacer::isRunning() const
{
    return process_ || checking_;
}

void VideoFileDeinterlacer::deinterlace(const QString &inputFile, const FrameRate &inputRate,
                                        const QString &outputFile, int codec)
{
    stop();
    input_ = inputFile;
    output_ = outputFile;
    partial_ = partialFileName(outputFile);
    inputSeconds_ = 0;
    percent_ = -1;
    progressLines_.clear();
    messageLines_.clear();
    lastMessage_.clear();

    process_ = new QProcess(this);
    connect(process_, &QProcess::readyReadStandardOutput, this,
            &VideoFileDeinterlacer::readProgress);
    connect(process_, &QProcess::readyReadStandardError, this,
            &VideoFileDeinterlacer::readMessages);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Any other error ends in finished(), which reports it.
        if (error == QProcess::FailedToStart)
            fail(tr("The encoder ffmpeg could not be started."));
    });
    connect(process_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &VideoFileDeinterlacer::encoderEnded);
    startTool(process_, QStringLiteral("ffmpeg"),
              encoderArguments(inputFile, inputRate, partial_, codec));
}

void VideoFileDeinterlacer::cancel()
{
    if (isRunning())
        fail(tr("The conversion was cancelled."));
}

void VideoFileDeinterlacer::readProgress()
{
    progressLines_ += process_->readAllStandardOutput();
    const int end = progressLines_.lastIndexOf('\n');
    if (end < 0)
        return;
    const QList<QByteArray> lines = progressLines_.left(end).split('\n');
    progressLines_.remove(0, end + 1);
    for (const QByteArray &line : lines) {
        if (!line.startsWith("out_time_us=") || inputSeconds_ <= 0)
            continue;
        const double done = line.mid(12).toDouble() / 1e6;
        const int percent = qBound(0, int(100 * done / inputSeconds_), 99);
        if (percent != percent_) {
            percent_ = percent;
            emit progress(percent);
        }
    }
}

void VideoFileDeinterlacer::readMessages()
{
    static const QRegularExpression duration(
            QStringLiteral("Duration: (\\d+):(\\d\\d):(\\d\\d(?:\\.\\d+)?)"));
    messageLines_ += process_->readAllStandardError();
    const int end = messageLines_.lastIndexOf('\n');
    if (end < 0)
        return;
    const QStringList lines = QString::fromUtf8(messageLines_.left(end)).split(QLatin1Char('\n'));
    messageLines_.remove(0, end + 1);
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = duration.match(line);
        if (match.hasMatch() && inputSeconds_ <= 0) {
            inputSeconds_ = match.captured(1).toDouble() * 3600 + match.captured(2).toDouble() * 60
                            + match.captured(3).toDouble();
        }
        if (!line.trimmed().isEmpty())
            lastMessage_ = line.trimmed();
    }
}

void VideoFileDeinterlacer::encoderEnded(int exitCode, QProcess::ExitStatus status)
{
    readMessages();
    const QString message = lastMessage_;
    process_->deleteLater();
    process_ = nullptr;

    if (status != QProcess::NormalExit) {
        fail(tr("The encoder was stopped before the end."));
    } else if (exitCode != 0) {
        fail(message.isEmpty() ? tr("The encoder failed with exit code %1.").arg(exitCode)
                               : tr("The encoder failed: %1").arg(message));
    } else {
        checking_ = true;
        checker_.check(input_, partial_);
    }
}

void VideoFileDeinterlacer::copyPassed()
{
    checking_ = false;
    // A rename replaces an earlier copy under the output name in one step.
    std::error_code failure;
    std::filesystem::rename(QFile::encodeName(partial_).toStdString(),
                            QFile::encodeName(output_).toStdString(), failure);
    if (failure) {
        fail(tr("The copy could not be named %1: %2")
                     .arg(output_, QString::fromStdString(failure.message())));
        return;
    }
    emit progress(100);
    emit finished();
}

void VideoFileDeinterlacer::fail(const QString &reason)
{
    stop();
    emit error(reason);
}

void VideoFileDeinterlacer::stop()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(3000);
        process_->deleteLater();
        process_ = nullptr;
    }
    checker_.abort();
    checking_ = false;
    if (!partial_.isEmpty())
        QFile::remove(partial_);
}
