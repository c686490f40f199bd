#include "encoder_tools.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

namespace morlek::reencoding {

QString toolProgram(const QString &name)
{
    // A bare name would make the process look in the current folder when the PATH has none.
    const QString installed = QStandardPaths::findExecutable(name);
    return QFileInfo(installed).isAbsolute() ? installed : QString();
}

void startTool(QProcess *process, const QString &name, const QStringList &arguments)
{
    const QString program = toolProgram(name);
    if (!program.isEmpty()) {
        process->start(program, arguments);
        return;
    }
    // QProcess reports an empty program from inside start(), while its caller is still
    // setting up: the failure comes from the event loop instead.
    process->setProgram(name);
    QTimer::singleShot(0, process, [process] { emit process->errorOccurred(QProcess::FailedToStart); });
}

QString FrameRate::toText() const
{
    return QStringLiteral("%1/%2").arg(numerator).arg(denominator);
}

FrameRate FrameRate::fromText(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    bool numOk = false;
    bool denOk = parts.size() == 1;
    FrameRate rate;
    rate.numerator = parts.value(0).toInt(&numOk);
    if (parts.size() == 2)
        rate.denominator = parts.at(1).toInt(&denOk);
    if (!numOk || !denOk || parts.size() > 2 || !rate.isValid())
        return {};
    return rate;
}

FrameRate FrameRate::fromNominal(int fps)
{
    if (fps == 30)
        return {30000, 1001};
    return {fps, 1};
}

} // namespace morlek::reencoding
