#ifndef MORLEK_MEDIA_PLAYER_H
#define MORLEK_MEDIA_PLAYER_H

#include <QElapsedTimer>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <phonon/AudioOutput>
#include <phonon/MediaObject>
#include <phonon/Path>

#include "storage.h"

#include <memory>

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenuBar;
class QPushButton;
class QSlider;
class FinishWaitBreaker;
class MediaVideoWidget;
class PipelineStepper;
class StreamEndHold;
class TimerWidget;
class VideoStartProbe;

namespace Phonon {
class SeekSlider;
class VolumeSlider;
} // namespace Phonon

namespace dravenhol::morlek::player {
class FrameGrid;
}

/**
 * The main window: menus, the video, the playback controls and the timing panel.
 *
 * It opens video files (open dialog, command line, drops), steps through them one frame of
 * the chosen rate at a time, and announces every opened file with fileOpened().
 */
class MediaPlayer : public QWidget
{
    Q_OBJECT
public:
    /** Builds the window; a non-empty path is opened at once, as from the open dialog. */
    explicit MediaPlayer(const QString &filePath);
    ~MediaPlayer() override;

    /** Opens one file: title, source, play and pause at once, then fileOpened(path). */
    void openMediaFile(const QString &path);
    /** Opens or queues the local files or the folder carried by a drop, then plays. */
    void openDroppedFiles(QDropEvent *e);

    /**
     * Shows the paused picture again at the surface's present size: a video sink that cannot
     * scale keeps the size it had when the picture was decoded until it decodes one again.
     */
    void refreshPicture();

    /**
     * The playback time of the frame on screen, or about to be: right after a frame step the
     * media object still reports an older time, or 0 while it moves, for a few milliseconds.
     * Further steps go on from here.
     */
    qint64 currentTime() const;
    /**
     * The playback time of the frame that is on screen now: while a step or a seek is still
     * decoding, that of the last one that arrived.
     */
    qint64 shownTime() const;
    /** Forgets the last step, so that the media object's time counts again at once. */
    void forgetStep();
    /**
     * The time the timing panel records: the start of the frame on screen, in whole ms rounded
     * down, as the video's own time stamp gives it.
     */
    qint64 recordingTime() const;
    /** Whether a next-frame step decodes just the next frame instead of seeking to it. */
    bool stepsFrameByFrame() const;

    /** The window's media object (for tests). */
    Phonon::MediaObject *mediaObject() { return &media_; }
    /** The timing panel beside the video. */
    TimerWidget *timerWidget() const { return timerWidget_; }
    /** The video surface. */
    MediaVideoWidget *videoWidget() const { return videoWidget_; }
    /** Length of one frame step of the chosen rate, in ms. */
    int seekStep() const { return seekStep_; }
    /** The frame grid that steps follow: the chosen rate from the current video's first frame. */
    dravenhol::morlek::player::FrameGrid frameGrid() const;

signals:
    /** Emitted once for every file opened through openMediaFile, with the path as given. */
    void fileOpened(const QString &filename);

public slots:
    void openFile();
    void rewind();
    void forward();
    void updateTime();
    void finished();
    void playPause();
    void play();
    void pause();
    void setFPS(int fps);
    /**
     * Moves the picture to a time, as the seek slider and a double click on a recorded time
     * do. When the chosen rate is the video's, it goes to the start of the frame that holds
     * the time, where a mark recorded there returns to the same frame.
     */
    void seekTo(qint64 ms);

private slots:
    void showDeinterlaceDialog();
    void seekMenuTriggered(QAction *action);
    void aboutMenuTriggered(QAction *action);
    void stateChanged(Phonon::State newstate, Phonon::State oldstate);

protected:
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    void buildMenus();
    void showLoadedSource();
    void checkLoad();
    void loadFailed(const QString &detail);
    QString backendError() const;
    void disablePlayback();
    void enqueueFile(const QString &path);
    void clearQueue();
    void videoStartProbed(const QString &path, qint64 startMs, qint64 keyGapMs);
    bool stepPending() const;
    void stepTo(qint64 target);
    void moveTo(qint64 target);
    bool sendStep(qint64 target);
    bool reverseStepsAffordable() const;
    bool stepShowsItsFrame() const;
    bool stepDecoding() const;
    void watchStep();
    void noteMove(qint64 target);
    quint64 landedMove() const;
    bool rateIsVideoRate() const;
    void startPlayback();
    void sliderValueChanged(int value);
    qint64 seekTarget(qint64 ms, bool mark) const;
    qint64 lastFrameStart() const;
    bool atLastFrame() const;
    void watchEnd();

    QPointer<QMenuBar> menuBar_;
    QIcon playIcon_;
    QIcon pauseIcon_;
    QPushButton *playButton_ = nullptr;
    QPushButton *rewindButton_ = nullptr;
    QPushButton *forwardButton_ = nullptr;
    Phonon::SeekSlider *slider_ = nullptr;
    QPointer<QSlider> seekBar_;
    QLabel *timeLabel_ = nullptr;
    Phonon::VolumeSlider *volume_ = nullptr;
    QLabel *info_ = nullptr;
    QWidget videoWindow_;
    Phonon::MediaObject media_;
    Phonon::AudioOutput audioOutput_;
    MediaVideoWidget *videoWidget_ = nullptr;
    Phonon::Path audioOutputPath_;
    TimerWidget *timerWidget_ = nullptr;
    dravenhol::morlek::metadata::Storage storage_;
    int fps_ = 0;
    int seekStep_ = 0;

    // Loading: the back-end passes through the stopped state on every load, and stays there
    // without an error state when the file cannot be played; the load counts as finished when
    // playback is paused or playing, and as failed when the back-end reports an error then.
    bool loadPending_ = false;
    QString loadingFile_;
    // The back-end keeps the error of an earlier source; only a new one tells of this load.
    QString earlierError_;
    QTimer loadWatch_;
    // The back-end sends no ticks while paused: the time label follows steps and seeks by this.
    QTimer pausedLabelRefresh_;
    QElapsedTimer loadClock_;
    qint64 videoOrigin_ = 0;
    // The longest stretch between keyframes of the current video, -1 until probed.
    qint64 keyGapMs_ = -1;
    QString probedFile_;
    std::unique_ptr<VideoStartProbe> probe_;
    // A step's seek takes effect a moment later; until then the media object reports an
    // earlier time, or 0 while it moves, so the step's target stands for the current time.
    qint64 stepTarget_ = 0;
    QElapsedTimer stepClock_;
    std::unique_ptr<FinishWaitBreaker> finishWaitBreaker_;
    // After media_: it lets go of the back-end's pipeline before the media object ends it.
    std::unique_ptr<PipelineStepper> stepper_;
    // Moves of the paused picture are numbered; the stepper tells which one is on screen.
    static constexpr int movesKept = 16;
    quint64 moveCount_ = 0;
    // Moves up to this one no longer tell what is on screen (playing or a new file came).
    quint64 settledMove_ = 0;
    qint64 moveTargets_[movesKept] = {};
    // On screen when the moves under way began.
    qint64 timeBeforeMoves_ = 0;
    // Steps leave the sound where the last seek put it; playing needs a seek first.
    bool steppedSinceSeek_ = false;
    // A step cannot be interrupted safely: moves and playing asked for meanwhile wait for it.
    bool stepInFlight_ = false;
    bool deferredMove_ = false;
    bool deferredPlay_ = false;
    // The last move was a step (stepSent_), and which way it went.
    bool stepSent_ = false;
    bool stepBackwards_ = false;
    QTimer stepWatch_;
    // Holds the end of the streams back while playing, so that the last frame stays.
    std::unique_ptr<StreamEndHold> endHold_;
    QTimer endWatch_;
    // The start of the video's last frame, once playback has reached it; -1 until then.
    qint64 videoEnd_ = -1;
    // Paused on the last frame by the end of playback; any move ends it.
    bool pausedAtEnd_ = false;
    // The seek slider's last position set by the media object's tick, not by the user.
    qint64 tickTime_ = -1;
};

#endif
