#include "video_file_deinterlacer.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

const QString localEncoder = QStringLiteral("./mencoder");

QStringList codecArguments(int codec)
{
    switch (codec) {
    case 0:
        return {QStringLiteral("-ovc"), QStringLiteral("lavc"), QStringLiteral("-lavcopts"),
                QStringLiteral("vcodec=msmpeg4v2:trell=yes:keyint=10:vbitrate=2160:vhq")};
    case 1:
        return {QStringLiteral("-ovc"), QStringLiteral("x264"), QStringLiteral("-x264encopts"),
                QStringLiteral("subq=1:keyint=10:force-cfr")};
    default:
        return {};
    }
}

QStringList encoderArguments(const QString &inputFile, int frameRate, const QString &outputFile,
                             int codec)
{
    const QString rate = QString::number(2 * frameRate);
    QStringList args{QStringLiteral("-vf"), QStringLiteral("yadif=1:mcdeint=2:denoise3d:harddup")};
    args << codecArguments(codec);
    args << QStringLiteral("-oac") << QStringLiteral("copy")
         << QStringLiteral("-fps") << rate
         << QStringLiteral("-ofps") << rate
         << QStringLiteral("-o") << outputFile
         << inputFile;
    return args;
}

// "./mencoder" in the current directory comes first; distributions install the encoder on
// the PATH, and without that fallback the conversion would only work when the program is
// started from the encoder's folder. With neither, "./mencoder" is started anyway and fails.
QString encoderProgram()
{
    if (QFileInfo(localEncoder).isFile())
        return localEncoder;
    const QString installed = QStandardPaths::findExecutable(QStringLiteral("mencoder"));
    return installed.isEmpty() ? localEncoder : installed;
}

} // namespace

VideoFileDeinterlacer::VideoFileDeinterlacer(QObject *parent)
    : QObject(parent)
{
}

void VideoFileDeinterlacer::deinterlace(const QString &inputFile, int frameRate,
                                        const QString &outputFile, int codec)
{
    if (process_) {
        // The earlier run is superseded: its end must not be reported as the outcome of the
        // new one, so it is cut off before its deferred deletion stops the encoder.
        process_->disconnect(this);
        process_->deleteLater();
    }

    process_ = new QProcess(this);
    connect(process_, &QProcess::errorOccurred, this, &VideoFileDeinterlacer::error);
    connect(process_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &VideoFileDeinterlacer::workerFinished);

    process_->start(encoderProgram(), encoderArguments(inputFile, frameRate, outputFile, codec),
                    QIODevice::ReadWrite);
}

void VideoFileDeinterlacer::workerFinished(int status)
{
    if (status != 0 || !process_ || process_->exitStatus() != QProcess::NormalExit)
        emit error();
    else
        emit finished();
}
