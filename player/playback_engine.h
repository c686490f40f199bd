#ifndef MORLEK_PLAYBACK_ENGINE_H
#define MORLEK_PLAYBACK_ENGINE_H

#include "step_engine.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <phonon/AudioOutput>
#include <phonon/MediaObject>
#include <phonon/Path>

#include <memory>

class PipelineStepper;
class StreamEndHold;

namespace Phonon {
class VideoWidget;
}

namespace dravenhol::morlek::player {

class GaplessWaitGuard;
class KeptPictures;
class KeyframeGuard;

/** The player's states, as the program sees them. */
enum class PlayerState { Empty, Loading, Paused, Playing, Error };

/**
 * The media back-end: the media object, its sound and picture, the GStreamer pipeline behind
 * them and the guards at the end of a file. It is the only code that touches Phonon's or
 * GStreamer's objects, and it must live in the GUI thread.
 */
class PlaybackEngine : public QObject, public StepEngine
{
    Q_OBJECT
public:
    explicit PlaybackEngine(QObject *parent = nullptr);
    ~PlaybackEngine() override;

    /** Shows the picture on @p surface; call it once, before any file is set. */
    void attachVideo(Phonon::VideoWidget *surface);

    PlayerState state() const { return state_; }
    /** Whether the back-end is stopped: loading, or failed to load without saying so. */
    bool isStopped() const { return media_.state() == Phonon::StoppedState; }
    /** The back-end's own state. */
    Phonon::State backendState() const { return media_.state(); }
    /** Sets the file to play; the engine loads it, paused on its first frame. */
    void setFile(const QString &path);
    /** Drops the file: nothing is set any more. */
    void clear();
    /** The file that is on now (absolute), or empty. */
    QString currentFile() const;
    bool hasVideo() const;
    /** The size the picture on screen is meant to be seen at (upright, square pixels). */
    QSize pictureSize() const;
    /**
     * Makes the next picture that reaches the surface come at its present size (call it once
     * the surface has settled after a resize).
     */
    void refitPicture();
    /** Whether the picture on screen is drawn at the size the surface asks for now. */
    bool pictureFitsSurface() const;
    /** The back-end's error of the file on now, as "<kind>\n<text>"; empty when none. */
    QString backendError() const;
    QString errorText() const;
    bool errorIsFatal() const;
    void setTickInterval(int ms);
    /** The length of the video's own frames in ms (not of its fields), once known. */
    void setFramePeriod(double ms);
    /** Silences the sound without touching its volume: played faster or slower it garbles. */
    void setSoundMuted(bool muted);
    /**
     * Whether the end of each stream is held while playing, so that the last frame stays on
     * screen and the end is told at once (on by default). Off, the end comes as the back-end
     * stops, as it does where the end slips past the hold; tests turn it off to check that.
     */
    void setHoldsEnd(bool holds);

    /** For the seek and volume sliders, which work on them directly, and for tests. */
    Phonon::MediaObject *mediaObject() { return &media_; }
    Phonon::AudioOutput *audioOutput() { return &audio_; }

    bool isPaused() const override;
    bool isPlaying() const override;
    bool isLoading() const override { return state_ == PlayerState::Loading; }
    qint64 time() const override;
    qint64 totalTime() const override;
    double videoFrameRate() const override;
    bool canStep() const override;
    qint64 shownFrameTime() const override;
    qint64 shownFrameStamp() const override;
    bool pictureFlushed() const override;
    qint64 ownFrameStamp() const override;
    quint64 landedMove() const override;
    bool stepFrames(quint64 move, int frames) override;
    bool runBackwards(quint64 move, qint64 fromMs) override;
    bool runsBackwards() const override;
    bool showKeptPicture(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs) override;
    bool showsKeptPicture() const override;
    bool coverMove(qint64 fromMs, qint64 toMs) override;
    void seek(quint64 move, qint64 ms, double rate) override;
    bool seekPipeline(quint64 move, qint64 ms) override;
    void play() override;
    void pause() override;

signals:
    void stateChanged(dravenhol::morlek::player::PlayerState now,
                      dravenhol::morlek::player::PlayerState before);
    /** A raw state of the back-end; the load watch needs its stopped state. */
    void backendStateChanged(Phonon::State now);
    void tick(qint64 ms);
    void totalTimeChanged(qint64 ms);
    /** A move of the picture may have arrived. */
    void moveLanded();
    /** Playing reached the end of every stream; the last frame, from its stamp, or -1. */
    void endReached(qint64 lastFrameMs);

private:
    void backendChanged(Phonon::State now);
    void holdEnd(bool hold);
    // The pipeline's seeks asked so far are made before the back-end is asked or read.
    void finishMoves() const;
    // A seek the pipeline refused after it was asked: the back-end's own is made instead.
    void seekRefused(quint64 move, qint64 ms);
    void watchEnd();
    // A kept picture stays over the pipeline's until the picture of a later move arrives.
    void pipelineLanded();
    // Whether the pipeline's own picture of the latest move has arrived: a picture kept over
    // it is about to go.
    bool pipelineCaughtUp() const;

    Phonon::MediaObject media_;
    Phonon::AudioOutput audio_;
    Phonon::Path audioPath_;
    // After media_: it lets go of the back-end's pipeline before the media object ends it.
    std::unique_ptr<PipelineStepper> pipeline_;
    std::unique_ptr<StreamEndHold> endHold_;
    std::unique_ptr<GaplessWaitGuard> gaplessGuard_;
    std::unique_ptr<KeptPictures> kept_;
    std::unique_ptr<KeyframeGuard> keyframeGuard_;
    // The latest move asked of the engine, and the latest turn round to run backwards (which
    // keeps the picture, so a cover over it stays).
    quint64 lastMove_ = 0;
    quint64 turnMove_ = 0;
    QTimer endWatch_;
    PlayerState state_ = PlayerState::Empty;
    // Set with a file until the back-end has paused, played or failed with it.
    bool loading_ = false;
    bool pauseOncePlaying_ = false;
    bool holdsEnd_ = true;
    // A seek asked while the back-end was stopped (after an end that passed the hold).
    struct Seek
    {
        quint64 move;
        qint64 ms;
        double rate;
    };
    Seek seekWhenPaused_{0, 0, 1.0};
    bool hasSeekWhenPaused_ = false;
};

} // namespace dravenhol::morlek::player

Q_DECLARE_METATYPE(dravenhol::morlek::player::PlayerState)

#endif
