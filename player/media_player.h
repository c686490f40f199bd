#ifndef MORLEK_MEDIA_PLAYER_H
#define MORLEK_MEDIA_PLAYER_H

#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "frame_stepper.h"
#include "media_loader.h"
#include "picture_fit_watch.h"
#include "playback_engine.h"
#include "shortcut_store.h"
#include "storage.h"

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenuBar;
class QPushButton;
class QSlider;
class MediaVideoWidget;
class TimerWidget;

namespace Phonon {
class MediaObject;
class SeekSlider;
class VolumeSlider;
} // namespace Phonon

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
    using PlaybackEngine = dravenhol::morlek::player::PlaybackEngine;
    using FrameStepper = dravenhol::morlek::player::FrameStepper;
    using MediaLoader = dravenhol::morlek::player::MediaLoader;
    using PlayerState = dravenhol::morlek::player::PlayerState;

    /** Builds the window; a non-empty path is opened at once, as from the open dialog. */
    explicit MediaPlayer(const QString &filePath);
    ~MediaPlayer() override;

    /** Opens one file: title, source, play and pause at once, then fileOpened(path). */
    void openMediaFile(const QString &path);
    /** Opens or queues the local files or the folder carried by a drop, then plays. */
    void openDroppedFiles(const QList<QUrl> &urls);

    /**
     * Shows the picture at the surface's present size: a video sink that cannot scale keeps
     * the size it had when the picture was decoded until it decodes one again.
     */
    void refreshPicture();
    /**
     * Moves the picture to the frame that holds a time from the first frame, as the seek
     * slider's jumps do.
     */
    void jumpTo(qint64 ms) { stepper_.jumpTo(ms + stepper_.timeZero()); }

    /** The player's time of the frame on screen, or about to be: further steps go on from here. */
    qint64 currentTime() const { return stepper_.currentTime(); }
    /** The player's time of the frame on screen now; while a move decodes, the last one's. */
    qint64 shownTime() const { return stepper_.shownTime(); }
    /** Forgets the last step, so that the media object's time counts again at once. */
    void forgetStep() { stepper_.forget(); }
    /**
     * The time the timing panel records and the label shows: the start of the frame on
     * screen, in whole ms from the first frame (see FrameStepper::timeZero()).
     */
    qint64 recordingTime() const { return stepper_.recordingTime() - stepper_.timeZero(); }
    /** Whether a next-frame step decodes just the next frame instead of seeking to it. */
    bool stepsFrameByFrame() const { return stepper_.stepsFrameByFrame(); }

    /** The playback engine, the stepping policy and the loader behind the window. */
    PlaybackEngine *engine() { return &engine_; }
    const FrameStepper *stepper() const { return &stepper_; }
    MediaLoader *loader() { return &loader_; }
    /** The window's media object (for tests). */
    Phonon::MediaObject *mediaObject() { return engine_.mediaObject(); }
    /** The timing panel beside the video. */
    TimerWidget *timerWidget() const { return timerWidget_; }
    /** The video surface. */
    MediaVideoWidget *videoWidget() const { return videoWidget_; }
    /** The keys of the window's actions, as the user set them. */
    dravenhol::morlek::shortcuts::ShortcutStore *shortcuts() { return &shortcuts_; }
    /** The speed playing runs at: 1 normal, 0.5 half speed. */
    double playbackRate() const { return stepper_.playbackRate(); }
    /** Length of one frame step of the chosen rate, in ms. */
    int seekStep() const { return stepper_.seekStep(); }
    /** The frame grid that steps follow: the chosen rate from the current video's first frame. */
    dravenhol::morlek::player::FrameGrid frameGrid() const { return stepper_.frameGrid(); }

signals:
    /** Emitted once for every file that comes on, with the path as given. */
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
    /** Steps at this rate (0: every frame of the video) until the next file loads. */
    void setFPS(int fps);
    /**
     * Moves the picture to a recorded time, as a double click on it does. When the chosen
     * rate is the video's, it goes to the frame whose mark the time is.
     */
    void seekTo(qint64 ms);
    /** Plays slower or faster by one of the speeds offered (1/8 to 2). */
    void slower();
    void faster();
    /** Jumps of 10 frames and of a second, and to the first and the last frame. */
    void tenFramesOn();
    void tenFramesBack();
    void secondOn();
    void secondBack();
    void toFirstFrame();
    void toLastFrame();
    /** Opens the dialog in which the keys are changed. */
    void showShortcutsDialog();

private slots:
    void showDeinterlaceDialog();
    void seekMenuTriggered(QAction *action);
    void aboutMenuTriggered(QAction *action);

protected:
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    QWidget *buildControls();
    void buildMenus();
    void buildEditMenu();
    void buildSettingsMenu();
    void buildKeys();
    QWidget *buildRateChoice();
    void setRateIndex(int index);
    // An action of the window whose keys the user can change, shared with the full-screen
    // surface; it acts while the button (or, without one, the window) is enabled.
    QAction *addKeyAction(const QString &id, const QString &name, const QKeySequence &keys,
                          QPushButton *button, void (MediaPlayer::*act)(), bool repeat = true);
    void bindKeys(const QString &id, const QString &name, const QList<QKeySequence> &defaults,
                  std::function<void(const QList<QKeySequence> &)> apply);
    void applyKeys(const QString &id);
    void fitToVideo();
    void connectPlayback();
    void applyState();
    void engineStateChanged(PlayerState now, PlayerState before);
    void fileComing(const QString &path);
    void fileLoaded(bool hasVideo);
    void sizeProbed(const QSize &size);
    void followVideoRate();
    void applyRate(int fps);
    void loadFailed(const QString &path, const QString &detail, bool gaveUp);
    void sliderValueChanged(int value);

    // Goes last, with the surface in it: the media object ends before the surface does.
    QWidget videoWindow_;
    // Made before the surface: it must be watching when its pipeline is made.
    PlaybackEngine engine_;
    dravenhol::morlek::player::SteadyStepClock clock_;
    FrameStepper stepper_;
    MediaLoader loader_;
    QPointer<QMenuBar> menuBar_;
    QPointer<QActionGroup> seekGroup_;
    // The window's key actions, which the full-screen surface shares.
    QList<QAction *> keyActions_;
    QIcon playIcon_;
    QIcon pauseIcon_;
    QPushButton *playButton_ = nullptr;
    QPushButton *rewindButton_ = nullptr;
    QPushButton *forwardButton_ = nullptr;
    QPushButton *openButton_ = nullptr;
    QPointer<QComboBox> rateChoice_;
    dravenhol::morlek::shortcuts::ShortcutStore shortcuts_;
    QHash<QString, std::function<void(const QList<QKeySequence> &)>> keyAppliers_;
    Phonon::SeekSlider *slider_ = nullptr;
    QPointer<QSlider> seekBar_;
    QLabel *timeLabel_ = nullptr;
    QLabel *frameLabel_ = nullptr;
    Phonon::VolumeSlider *volume_ = nullptr;
    QLabel *info_ = nullptr;
    MediaVideoWidget *videoWidget_ = nullptr;
    TimerWidget *timerWidget_ = nullptr;
    dravenhol::morlek::metadata::Storage storage_;
    // The file on has loaded, and shows a picture.
    // The user chose a "Seek step" entry since the file came.
    bool rateChosen_ = false;
    bool loaded_ = false;
    bool hasVideo_ = false;
    // The file loading has a picture of a size read from its headers, shown at that size
    // while its first frame is made.
    bool pictureAhead_ = false;
    // The surface changed size while the file loaded: its picture is looked at once loaded.
    bool resizedWhileLoading_ = false;
    // The back-end sends no ticks while paused: the time label follows steps and seeks by this.
    QTimer pausedLabelRefresh_;
    // A resize can reach the video sink after the picture was made for the old size: it is
    // looked for while a file is paused or playing.
    QTimer pictureFitCheck_;
    dravenhol::morlek::player::PictureFitWatch fitWatch_;
    // The seek slider's last position set by the media object's tick, not by the user.
    qint64 tickTime_ = -1;
};

#endif
