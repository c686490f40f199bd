#ifndef MORLEK_MEDIA_LOADER_H
#define MORLEK_MEDIA_LOADER_H

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVector>

#include <phonon/phononnamespace.h>

class FrameIndexProbe;
class VideoSizeProbe;
class VideoStartProbe;

namespace dravenhol::morlek::player {

class PlaybackEngine;

/**
 * Opens files: one at a time, or a drop of several files or a folder, which play one after
 * the other. Each file, a queued one too, is opened alike: announced with opening(), probed
 * for its first frame and keyframes, and its load watched to its end.
 */
class MediaLoader : public QObject
{
    Q_OBJECT
public:
    explicit MediaLoader(PlaybackEngine &engine, QObject *parent = nullptr);
    ~MediaLoader() override;

    /** Opens one file, paused on its first frame; the queue is dropped. */
    void open(const QString &path);
    /**
     * Opens the local files of a drop and queues the rest of them, or, where the first is a
     * folder, its files in name order; then plays.
     */
    void openDropped(const QList<QUrl> &urls);
    /** Opens and plays the next queued file; false when none is left. */
    bool playNext();
    /** The files still to come after the one on. */
    QStringList queued() const { return queue_; }
    /** Whether a file is set and not yet loaded or failed. */
    bool isLoading() const { return pending_; }
    /** How long a load may stay stopped, with no length and no error, before it fails. */
    void setGiveUpMs(qint64 ms) { giveUpMs_ = ms; }

signals:
    /** A file comes on, with its path as given. */
    void opening(const QString &path);
    /** The file on has loaded; hasVideo tells whether it shows a picture. */
    void loaded(bool hasVideo);
    /**
     * The file could not be loaded, and nothing is set any more; detail is the back-end's
     * word on it, gaveUp whether the load ended only because it took too long.
     */
    void failed(const QString &path, const QString &detail, bool gaveUp);
    /**
     * The display size of the picture of the file on, read from its headers while it loads
     * (before loaded()); not sent when the headers do not tell.
     */
    void sizeProbed(const QSize &size);
    /** The first frame's time and the longest keyframe stretch of the file on (-1 unknown). */
    void probed(qint64 originMs, qint64 keyGapMs);
    /**
     * The start of every frame of the file on, in µs, as the file stamps it, and of the
     * frames that lead a keyframe (open GOPs).
     */
    void framesListed(const QVector<qint64> &startsUs, const QVector<qint64> &leadingUs);

private:
    void start(const QString &path);
    void backendChanged(Phonon::State now);
    void checkLoad();
    void fail(const QString &detail, bool gaveUp);

    PlaybackEngine &engine_;
    VideoStartProbe *probe_ = nullptr;
    VideoSizeProbe *size_ = nullptr;
    FrameIndexProbe *index_ = nullptr;
    // The file on, as the back-end names it, and as it was given.
    QString current_;
    QString given_;
    // Loading: the back-end passes through the stopped state on every load, and stays there
    // without an error state when the file cannot be played; the load counts as finished when
    // playback is paused or playing, and as failed when the back-end reports an error then.
    bool pending_ = false;
    // Whether the back-end has left the file before: only then do its states tell of this one.
    bool passedStop_ = false;
    QStringList queue_;
    // A drop plays once its first file has loaded.
    bool playWhenLoaded_ = false;
    QTimer watch_;
    QElapsedTimer clock_;
    qint64 giveUpMs_;
    // The back-end keeps the error of an earlier source; only a new one tells of this load.
    QString earlierError_;
};

} // namespace dravenhol::morlek::player

#endif
