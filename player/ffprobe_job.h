#ifndef MORLEK_FFPROBE_JOB_H
#define MORLEK_FFPROBE_JOB_H

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QProcess;

/**
 * One ffprobe run in the background at a time. A new run drops the one before: it is killed
 * and goes once it has ended, and nothing waits for it, so the GUI thread never blocks.
 */
class FfprobeJob : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const QByteArray &output)>;

    explicit FfprobeJob(QObject *parent = nullptr);
    ~FfprobeJob() override;

    /**
     * Runs ffprobe with @p arguments; @p done gets its standard output if it ends well.
     * Without ffprobe on the PATH nothing runs and done is never called.
     */
    void run(const QStringList &arguments, Done done);

private:
    void dropRunning();

    QPointer<QProcess> process_;
};

#endif
