#include "media_loader.h"

#include "playback_engine.h"
#include "frame_index_probe.h"
#include "video_size_probe.h"
#include "video_start_probe.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace dravenhol::morlek::player {

namespace {

// How long a load may stay stopped, with no length and no error, before it counts as failed.
constexpr qint64 loadGiveUpMs = 10000;
// The same, when the back-end reports the very error that the source before ended with.
constexpr qint64 staleErrorGiveUpMs = 3000;

// The name the back-end gives a file: absolute, as its URL carries it.
QString backendName(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toLocalFile();
}

} // namespace

MediaLoader::MediaLoader(PlaybackEngine &engine, QObject *parent)
    : QObject(parent)
    , engine_(engine)
    , probe_(new VideoStartProbe(this))
    , size_(new VideoSizeProbe(this))
    , index_(new FrameIndexProbe(this))
    , giveUpMs_(loadGiveUpMs)
{
    watch_.setInterval(50);
    connect(&watch_, &QTimer::timeout, this, &MediaLoader::checkLoad);
    connect(&engine_, &PlaybackEngine::backendStateChanged, this, &MediaLoader::backendChanged);
    connect(probe_, &VideoStartProbe::probed, this,
            [this](const QString &path, qint64 startMs, qint64 keyGapMs) {
                if (path == current_)
                    emit probed(startMs, keyGapMs);
            });
    connect(size_, &VideoSizeProbe::probed, this, [this](const QString &path, const QSize &size) {
        if (path == current_ && pending_)
            emit sizeProbed(size);
    });
    connect(index_, &FrameIndexProbe::indexed, this,
            [this](const QString &path, const QVector<qint64> &startsUs,
                   const QVector<qint64> &leadingUs) {
                if (path == current_)
                    emit framesListed(startsUs, leadingUs);
            });
}

MediaLoader::~MediaLoader() = default;

void MediaLoader::open(const QString &path)
{
    queue_.clear();
    playWhenLoaded_ = false;
    start(path);
    earlierError_ = engine_.backendError();
    // Leaving a file that plays, the back-end first pauses it: that is no load of this one.
    const Phonon::State before = engine_.backendState();
    passedStop_ = before == Phonon::StoppedState || before == Phonon::LoadingState
        || before == Phonon::ErrorState;
    pending_ = true;
    clock_.start();
    engine_.setFile(path);
    // Only the headers: it reads beside the decoder's first frame.
    size_->probe(current_);
    // The back-end may stay stopped from the file before, and then reports no change at all.
    watch_.start();
    emit opening(path);
}

void MediaLoader::start(const QString &path)
{
    current_ = backendName(path);
    given_ = path;
}

void MediaLoader::openDropped(const QList<QUrl> &urls)
{
    // Only local files can be opened; a web address has no local path, and an empty path
    // would name the working folder.
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return;
    const QDir folder(paths.first());
    if (folder.exists()) {
        paths.clear();
        const QStringList entries = folder.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString &entry : entries)
            paths << folder.filePath(entry);
        if (paths.isEmpty())
            return;
    }
    open(paths.takeFirst());
    queue_ = paths;
    // A play asked for while the file still loads can be lost in the back-end's own pause.
    playWhenLoaded_ = true;
}

bool MediaLoader::playNext()
{
    if (queue_.isEmpty())
        return false;
    // Opened as if by hand: its own title, record, frames and load watch.
    const QStringList rest = queue_;
    open(rest.first());
    queue_ = rest.mid(1);
    playWhenLoaded_ = true;
    return true;
}

void MediaLoader::backendChanged(Phonon::State now)
{
    if (!pending_)
        return;
    if (now == Phonon::StoppedState || now == Phonon::LoadingState)
        passedStop_ = true;
    if (!passedStop_)
        return;
    if (now == Phonon::PausedState || now == Phonon::PlayingState
        || now == Phonon::BufferingState || now == Phonon::ErrorState) {
        pending_ = false;
        watch_.stop();
        // The probes read the file beside the decoder: started once the first picture is
        // there, they do not hold it up on a machine with few cores.
        probe_->probe(current_);
        index_->probe(current_);
        emit loaded(engine_.hasVideo());
        if (playWhenLoaded_ && now == Phonon::PausedState)
            engine_.play();
        playWhenLoaded_ = false;
    } else if (now == Phonon::StoppedState) {
        checkLoad();
        if (pending_)
            watch_.start();
    }
}

void MediaLoader::checkLoad()
{
    if (!pending_ || !engine_.isStopped()) {
        watch_.stop();
        return;
    }
    // One box at a time: the timing panel may be telling that the file's record could not be
    // read. The watch comes back here once that box is answered.
    if (QApplication::activeModalWidget())
        return;
    const QString error = engine_.backendError();
    // An error that the back-end kept from the source before is only believed once the load
    // has had time to get past the stopped state it always passes through.
    const qint64 giveUp = error.isEmpty() ? giveUpMs_ : staleErrorGiveUpMs;
    if (!error.isEmpty() && error != earlierError_)
        fail(error.section(QLatin1Char('\n'), 1), false);
    else if (clock_.elapsed() > giveUp && engine_.totalTime() < 0 && !engine_.hasVideo())
        fail(error.section(QLatin1Char('\n'), 1), error.isEmpty());
}

void MediaLoader::fail(const QString &detail, bool gaveUp)
{
    pending_ = false;
    watch_.stop();
    // A load given up is ended for good: one that came in later would find a window that
    // had told the user it failed.
    engine_.clear();
    emit failed(given_, detail, gaveUp);
}

} // namespace dravenhol::morlek::player
