#ifndef MORLEK_FINISH_WAIT_BREAKER_H
#define MORLEK_FINISH_WAIT_BREAKER_H

#include <QObject>
#include <QThread>

#include <atomic>

namespace Phonon {
class MediaObject;
class MediaObjectInterface;
} // namespace Phonon

/**
 * Keeps frame steps and seeks near the end of a file from freezing the window.
 *
 * When the GStreamer back-end's demuxer reaches the end of the file (which happens after
 * every seek in the last seconds, even while paused), the back-end blocks its streaming
 * thread for up to 1.5 s waiting for a next source to play without a gap. A seek issued by
 * the GUI thread meanwhile waits for that thread, and the back-end's question reaches the
 * GUI thread only through its event loop, so the window hangs for the whole wait. The
 * back-end ends the wait, and skips it for the rest of the source, when a state is
 * requested while it waits.
 *
 * This object watches from a thread of its own while such a wait may last; when the GUI
 * thread stops answering (it is stuck in a seek) it re-requests the state the media object
 * is in, which changes nothing else. While the GUI thread answers it does nothing, so it
 * never races the user's own play and pause. It stays away while the queue holds a next
 * source, which the media object hands over itself.
 */
class FinishWaitBreaker : public QObject
{
    Q_OBJECT
public:
    /** Watches the back-end of media; does nothing if that is not the GStreamer back-end. */
    explicit FinishWaitBreaker(Phonon::MediaObject *media, QObject *parent = nullptr);
    ~FinishWaitBreaker() override;

    /** Whether the back-end was recognised and is watched. */
    bool isActive() const { return backend_ != nullptr; }
    /** Tells whether the media queue is empty; only then is a wait ended. */
    void setQueueEmpty(bool empty) { queueEmpty_ = empty; }
    /** How many waits this object has ended. */
    int answered() const { return answered_; }

private slots:
    // Called in the back-end's streaming thread, so it only hands the work on.
    void backendAboutToFinish();

private:
    void watch();
    bool guiAnswers(int withinMs);
    void requestCurrentState();

    Phonon::MediaObjectInterface *backend_ = nullptr;
    QObject *backendObject_ = nullptr;
    QThread thread_;
    QObject worker_;
    std::atomic<bool> queueEmpty_{true};
    std::atomic<bool> closing_{false};
    std::atomic<bool> watching_{false};
    std::atomic<qint64> watchUntil_{0};
    std::atomic<int> pings_{0};
    std::atomic<int> pongs_{0};
    std::atomic<int> answered_{0};
};

#endif
