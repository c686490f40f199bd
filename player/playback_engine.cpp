#include "playback_engine.h"

#include "backend_choice.h"
#include "gapless_wait_guard.h"
#include "kept_pictures.h"
#include "keyframe_guard.h"
#include "pipeline_stepper.h"
#include "stream_end_hold.h"

#include <QFileInfo>
#include <QUrl>

#include <phonon/MediaObjectInterface>
#include <phonon/MediaSource>
#include <phonon/VideoWidget>

namespace dravenhol::morlek::player {

namespace {

// How often playing looks whether every stream has ended.
constexpr int endWatchMs = 20;

Phonon::MediaSource sourceOf(const QString &path)
{
    // The back-end needs a full file URL: a relative one cannot be opened.
    return Phonon::MediaSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

} // namespace

PlaybackEngine::PlaybackEngine(QObject *parent)
    : QObject(parent)
    , audio_(Phonon::VideoCategory)
{
    qRegisterMetaType<PlayerState>();
    // The back-end makes its pipeline when the media object first meets a path: the catch
    // must be watching by then.
    pipeline_ = std::make_unique<PipelineStepper>();
    connect(&media_, &Phonon::MediaObject::stateChanged, this, &PlaybackEngine::backendChanged);
    connect(&media_, &Phonon::MediaObject::tick, this, &PlaybackEngine::tick);
    connect(&media_, &Phonon::MediaObject::totalTimeChanged, this,
            &PlaybackEngine::totalTimeChanged);
    endWatch_.setInterval(endWatchMs);
    connect(&endWatch_, &QTimer::timeout, this, &PlaybackEngine::watchEnd);
}

PlaybackEngine::~PlaybackEngine()
{
    if (pipeline_) {
        pipeline_->setLandedCallback({});
        pipeline_->setRefusedCallback({});
    }
}

void PlaybackEngine::attachVideo(Phonon::VideoWidget *surface)
{
    audioPath_ = Phonon::createPath(&media_, &audio_);
    Phonon::createPath(&media_, surface);
    if (!pipeline_->catchPipeline()) {
        pipeline_.reset();
        return;
    }
    if (pipeline_->followRotationFlags())
        kept_ = std::make_unique<KeptPictures>(*pipeline_, surface);
    endHold_ = std::make_unique<StreamEndHold>(pipeline_->pipeline());
    keyframeGuard_ = std::make_unique<KeyframeGuard>(pipeline_->pipeline());
    gaplessGuard_ = std::make_unique<GaplessWaitGuard>(pipeline_->pipeline());
    // The landing is learnt in the streaming thread; the report goes to this thread.
    pipeline_->setLandedCallback([this] {
        QMetaObject::invokeMethod(this, &PlaybackEngine::moveLanded, Qt::QueuedConnection);
    });
    connect(this, &PlaybackEngine::moveLanded, this, &PlaybackEngine::pipelineLanded);
    pipeline_->setRefusedCallback([this](quint64 move, qint64 ms) {
        QMetaObject::invokeMethod(
            this, [this, move, ms] { seekRefused(move, ms); }, Qt::QueuedConnection);
    });
}

void PlaybackEngine::setFile(const QString &path)
{
    finishMoves();
    if (kept_)
        kept_->newFile();
    loading_ = true;
    hasSeekWhenPaused_ = false;
    const PlayerState before = state_;
    state_ = PlayerState::Loading;
    if (before != state_)
        emit stateChanged(state_, before);
    media_.setCurrentSource(sourceOf(path));
    // Loaded to its first frame, paused.
    media_.play();
    media_.pause();
}

void PlaybackEngine::clear()
{
    finishMoves();
    if (kept_)
        kept_->newFile();
    loading_ = false;
    hasSeekWhenPaused_ = false;
    holdEnd(false);
    media_.setCurrentSource(Phonon::MediaSource());
    const PlayerState before = state_;
    state_ = PlayerState::Empty;
    if (before != state_)
        emit stateChanged(state_, before);
}

QString PlaybackEngine::currentFile() const
{
    const Phonon::MediaSource source = media_.currentSource();
    return source.type() == Phonon::MediaSource::LocalFile ? source.fileName() : QString();
}

QSize PlaybackEngine::pictureSize() const
{
    return pipeline_ ? pipeline_->shownPictureSize() : QSize();
}

void PlaybackEngine::refitPicture()
{
    if (pipeline_)
        pipeline_->refitPicture();
}

bool PlaybackEngine::pictureFitsSurface() const
{
    return !pipeline_ || pipeline_->pictureFitsSink();
}

bool PlaybackEngine::hasVideo() const
{
    return media_.hasVideo();
}

QString PlaybackEngine::backendError() const
{
    Phonon::MediaObjectInterface *backend = backendOf(&media_);
    if (!backend || backend->errorType() == Phonon::NoError)
        return QString();
    return QString::number(backend->errorType()) + QLatin1Char('\n') + backend->errorString();
}

QString PlaybackEngine::errorText() const
{
    return media_.errorString();
}

bool PlaybackEngine::errorIsFatal() const
{
    return media_.errorType() == Phonon::FatalError;
}

void PlaybackEngine::setTickInterval(int ms)
{
    media_.setTickInterval(ms);
}

void PlaybackEngine::setFramePeriod(double ms)
{
    if (kept_)
        kept_->setFramePeriod(ms);
}

void PlaybackEngine::setSoundMuted(bool muted)
{
    audio_.setMuted(muted);
}

bool PlaybackEngine::isPaused() const
{
    return media_.state() == Phonon::PausedState;
}

bool PlaybackEngine::isPlaying() const
{
    // The back-end passes through buffering while playing starts and after a seek made while
    // playing; the window shows it as playing, and a press of pause then must pause.
    const Phonon::State state = media_.state();
    return state == Phonon::PlayingState || state == Phonon::BufferingState;
}

qint64 PlaybackEngine::time() const
{
    if (showsKeptPicture())
        return kept_->time();
    finishMoves();
    return media_.currentTime();
}

qint64 PlaybackEngine::totalTime() const
{
    return media_.totalTime();
}

double PlaybackEngine::videoFrameRate() const
{
    return pipeline_ ? pipeline_->videoFrameRate() : 0;
}

bool PlaybackEngine::canStep() const
{
    return pipeline_ != nullptr;
}

qint64 PlaybackEngine::shownFrameTime() const
{
    if (kept_ && kept_->isShown() && (showsKeptPicture() || !pipelineCaughtUp()))
        return kept_->start();
    return pipeline_ ? pipeline_->shownFrameTime() : -1;
}

qint64 PlaybackEngine::shownFrameStamp() const
{
    // A kept picture is known by its start alone.
    if (kept_ && kept_->isShown() && (showsKeptPicture() || !pipelineCaughtUp()))
        return kept_->start();
    return pipeline_ ? pipeline_->shownFrameStamp() : -1;
}

qint64 PlaybackEngine::ownFrameStamp() const
{
    return pipeline_ ? pipeline_->shownFrameStamp() : -1;
}

bool PlaybackEngine::pictureFlushed() const
{
    if (kept_ && kept_->isShown() && (showsKeptPicture() || !pipelineCaughtUp()))
        return false;
    return pipeline_ && pipeline_->pictureFlushed();
}

quint64 PlaybackEngine::landedMove() const
{
    if (!pipeline_)
        return 0;
    // Moves are numbered in order; a kept picture's took effect when it was asked.
    return kept_ ? qMax(pipeline_->landedRequest(), kept_->instantMove())
                 : pipeline_->landedRequest();
}

bool PlaybackEngine::stepFrames(quint64 move, int frames)
{
    // A step goes on from the pipeline's own picture, not from a kept one shown as a move.
    if (!pipeline_ || showsKeptPicture())
        return false;
    lastMove_ = move;
    return pipeline_->stepFrame(move, frames);
}

bool PlaybackEngine::runBackwards(quint64 move, qint64 fromMs)
{
    if (!pipeline_ || showsKeptPicture())
        return false;
    lastMove_ = move;
    if (pipeline_->reverse(move, fromMs)) {
        turnMove_ = move;
        return true;
    }
    if (kept_)
        kept_->backwardsRefused();
    return false;
}

bool PlaybackEngine::showKeptPicture(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs)
{
    // Not while a move of the pipeline's own is under way: its picture is not known yet.
    if (!pipeline_ || !kept_ || media_.state() != Phonon::PausedState || landedMove() < lastMove_)
        return false;
    if (!kept_->show(move, targetMs, fromMs, toMs, pipeline_->shownFrameTime()))
        return false;
    lastMove_ = move;
    return true;
}

bool PlaybackEngine::showsKeptPicture() const
{
    return kept_ && kept_->shows(lastMove_);
}

bool PlaybackEngine::coverMove(qint64 fromMs, qint64 toMs)
{
    // Once the pipeline's picture is there, a cover would outstay it.
    if (!pipeline_ || !kept_ || media_.state() != Phonon::PausedState || showsKeptPicture()
        || pipelineCaughtUp())
        return false;
    return kept_->cover(fromMs, toMs);
}

bool PlaybackEngine::pipelineCaughtUp() const
{
    const quint64 landed = pipeline_ ? pipeline_->landedRequest() : 0;
    return landed >= lastMove_ && landed != turnMove_;
}

void PlaybackEngine::pipelineLanded()
{
    // The picture of a later move of the pipeline's own has arrived beneath the kept one.
    if (kept_ && kept_->isShown() && !showsKeptPicture() && pipelineCaughtUp())
        kept_->hide();
}

bool PlaybackEngine::runsBackwards() const
{
    return pipeline_ && pipeline_->isReversed();
}

void PlaybackEngine::seek(quint64 move, qint64 ms, double rate)
{
    // Stopped, the pipeline holds no stream to seek in: the seek is made once it has paused.
    if (media_.state() == Phonon::StoppedState && !loading_) {
        seekWhenPaused_ = {move, ms, rate};
        hasSeekWhenPaused_ = true;
        return;
    }
    lastMove_ = move;
    // The pipeline's own exact seek. The back-end's refuses where it knows no length yet, and
    // on a camcorder's MPEG-TS, whose clock starts late, it did not move the picture at all.
    if (pipeline_ && pipeline_->forward(move, ms, rate))
        return;
    if (pipeline_)
        pipeline_->beginRequest(move);
    media_.seek(ms);
}

void PlaybackEngine::seekRefused(quint64 move, qint64 ms)
{
    // A later move has taken its place; a file set since has its own moves.
    if (move != lastMove_ || loading_ || media_.state() == Phonon::StoppedState)
        return;
    pipeline_->beginRequest(move);
    media_.seek(ms);
}

bool PlaybackEngine::seekPipeline(quint64 move, qint64 ms)
{
    if (!pipeline_ || !pipeline_->forward(move, ms))
        return false;
    lastMove_ = move;
    return true;
}

void PlaybackEngine::play()
{
    if (kept_)
        kept_->hide();
    if (endHold_ && holdsEnd_)
        endHold_->setHolding(true);
    pauseOncePlaying_ = false;
    finishMoves();
    media_.play();
}

void PlaybackEngine::pause()
{
    // While playing is still starting (a seek at a slow speed can take a second), the back-end
    // drops a pause: it is made as soon as playing begins.
    finishMoves();
    if (media_.state() == Phonon::BufferingState)
        pauseOncePlaying_ = true;
    media_.pause();
}

void PlaybackEngine::backendChanged(Phonon::State now)
{
    if (gaplessGuard_)
        gaplessGuard_->refresh();
    if (now == Phonon::PlayingState)
        holdEnd(true);
    else if (now != Phonon::BufferingState)
        holdEnd(false);
    if (now == Phonon::PausedState && hasSeekWhenPaused_) {
        hasSeekWhenPaused_ = false;
        seek(seekWhenPaused_.move, seekWhenPaused_.ms, seekWhenPaused_.rate);
    } else if (now != Phonon::StoppedState) {
        hasSeekWhenPaused_ = false;
    }
    if (now == Phonon::PlayingState && pauseOncePlaying_) {
        pauseOncePlaying_ = false;
        media_.pause();
    } else if (now != Phonon::BufferingState) {
        pauseOncePlaying_ = false;
    }

    // The end of the file can slip past the hold (its end came before the hold was set, as a
    // machine under load can make it): the back-end then stops, back at the start, and a
    // pause would have shown the frame after its start. It is the end, as if held: told
    // before the state, so that the pause that follows knows it.
    const auto source = media_.currentSource().type();
    const bool fileSet = source != Phonon::MediaSource::Invalid
        && source != Phonon::MediaSource::Empty;
    if (now == Phonon::StoppedState && state_ == PlayerState::Playing && !loading_ && fileSet)
        emit endReached(-1);
    PlayerState next = state_;
    switch (now) {
    case Phonon::LoadingState:
        next = PlayerState::Loading;
        break;
    case Phonon::StoppedState: {
        // Phonon 4 for Qt 5 starts on an empty source rather than an invalid one: neither plays.
        if (!fileSet)
            next = PlayerState::Empty;
        else
            next = loading_ ? PlayerState::Loading : PlayerState::Paused;
        break;
    }
    case Phonon::PausedState:
        next = PlayerState::Paused;
        break;
    case Phonon::PlayingState:
    case Phonon::BufferingState:
        next = PlayerState::Playing;
        break;
    case Phonon::ErrorState:
        next = PlayerState::Error;
        break;
    }
    if (kept_) {
        if (loading_ && next == PlayerState::Paused)
            kept_->fileLoaded();
        kept_->setPaused(next == PlayerState::Paused);
    }
    if (next != PlayerState::Loading && next != PlayerState::Empty)
        loading_ = false;
    const PlayerState before = state_;
    state_ = next;
    if (before != next)
        emit stateChanged(next, before);
    emit backendStateChanged(now);
}

void PlaybackEngine::setHoldsEnd(bool holds)
{
    holdsEnd_ = holds;
    if (!holds)
        holdEnd(false);
}

void PlaybackEngine::finishMoves() const
{
    if (pipeline_)
        pipeline_->finishMoves();
}

void PlaybackEngine::holdEnd(bool hold)
{
    hold = hold && holdsEnd_;
    if (!endHold_)
        return;
    endHold_->setHolding(hold);
    if (hold)
        endWatch_.start();
    else
        endWatch_.stop();
}

void PlaybackEngine::watchEnd()
{
    if (!endHold_ || !endHold_->reachedEnd() || media_.state() != Phonon::PlayingState)
        return;
    endWatch_.stop();
    // The sink still holds the last frame it showed: the video's last. The hold stays until
    // the pause has taken effect: the end's seek of the last frame is made while the pipeline
    // still plays, and the end that follows it must not reach the back-end either.
    const qint64 last = pipeline_->shownFrameTime();
    emit endReached(last);
}

} // namespace dravenhol::morlek::player
