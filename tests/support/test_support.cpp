#include "test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QWidget>

namespace morlek::test {

TempHome::TempHome()
    : oldHome_(qgetenv("HOME"))
    , hadHome_(qEnvironmentVariableIsSet("HOME"))
    , oldRunDir_(qgetenv("XDG_RUNTIME_DIR"))
    , hadRunDir_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
{
    if (dir_.isValid())
        qputenv("HOME", QFile::encodeName(dir_.path()));
    if (runDir_.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runDir_.path()));
}

TempHome::~TempHome()
{
    if (hadHome_)
        qputenv("HOME", oldHome_);
    else
        qunsetenv("HOME");
    if (hadRunDir_)
        qputenv("XDG_RUNTIME_DIR", oldRunDir_);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

QString TempHome::dataDir() const
{
    return QDir(path()).absoluteFilePath(QStringLiteral("morlek/metadata"));
}

ProgramResult runProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    ProgramResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    result.started = process.waitForStarted(30000);
    if (!result.started)
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.crashed = true;
    }
    result.output = process.readAll();
    result.crashed = result.crashed || process.exitStatus() != QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

bool makeVideo(const QString &output, const QStringList &arguments, QString *error)
{
    QStringList args{QStringLiteral("-y"), QStringLiteral("-nostdin"),
                     QStringLiteral("-loglevel"), QStringLiteral("error")};
    args << arguments << output;
    const ProgramResult result = runProgram(QStringLiteral("ffmpeg"), args);
    if (result.ok() && QFileInfo(output).size() > 0)
        return true;
    if (error) {
        *error = result.started ? QStringLiteral("ffmpeg failed (%1): %2")
                                          .arg(result.exitCode)
                                          .arg(QString::fromLocal8Bit(result.output))
                                : QStringLiteral("ffmpeg could not be started");
    }
    return false;
}

bool rotatedCopy(const QString &input, const QString &output, int degrees, QString *error)
{
    const auto flagged = [&output] {
        const ProgramResult probe = runProgram(
            QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
             QStringLiteral("v:0"), QStringLiteral("-show_entries"),
             QStringLiteral("stream_side_data=rotation"), QStringLiteral("-of"),
             QStringLiteral("csv=p=0"), output});
        const QByteArray said = probe.output.trimmed();
        return probe.ok() && !said.isEmpty() && said.toInt() != 0;
    };
    const QStringList copy{QStringLiteral("-map"), QStringLiteral("0"), QStringLiteral("-c"),
                           QStringLiteral("copy")};
    QString first;
    if (makeVideo(output,
                  QStringList{QStringLiteral("-i"), input} + copy
                      + QStringList{QStringLiteral("-metadata:s:v:0"),
                                    QStringLiteral("rotate=%1").arg(degrees)},
                  &first)
        && flagged())
        return true;
    // ffmpeg 7 sets the display matrix instead; the same number makes the same matrix as the
    // rotate tag of 5.1 (GStreamer reads both as "rotate-270" for 90).
    QString second;
    if (makeVideo(output,
                  QStringList{QStringLiteral("-display_rotation:v:0"), QString::number(degrees),
                              QStringLiteral("-i"), input}
                      + copy,
                  &second)
        && flagged())
        return true;
    if (error)
        *error = QStringLiteral("ffmpeg sets no rotation flag: %1 / %2").arg(first, second);
    return false;
}

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer_.start();
}

void ModalAnswerer::expect(Answer answer)
{
    answers_.enqueue(std::move(answer));
}

void ModalAnswerer::clickButton(QWidget *modal, int standardButton)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box)
        return;
    if (QAbstractButton *button = box->button(QMessageBox::StandardButton(standardButton)))
        button->click();
}

QString ModalAnswerer::describe(const QWidget *modal)
{
    QString text = QString::fromLatin1(modal->metaObject()->className());
    if (const auto *box = qobject_cast<const QMessageBox *>(modal))
        text += QLatin1Char(' ') + box->text() + QLatin1Char(' ') + box->informativeText();
    return text;
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == handled_)
        return;
    if (!answers_.isEmpty()) {
        handled_ = modal;
        seen_ << describe(modal);
        const Answer answer = answers_.dequeue();
        answer(modal);
        return;
    }
    // Nobody expects this one: give a late expect() a moment, then close it.
    if (modal != stray_) {
        stray_ = modal;
        strayTicks_ = 0;
        return;
    }
    if (++strayTicks_ < 40)
        return;
    unexpected_ << describe(modal);
    handled_ = modal;
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

} // namespace morlek::test
