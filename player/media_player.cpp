#include "media_player.h"

#include "backend_choice.h"
#include "finish_wait_breaker.h"
#include "frame_grid.h"
#include "fs_persister.h"
#include "media_video_widget.h"
#include "pipeline_stepper.h"
#include "reencoding_dialog.h"
#include "stream_end_hold.h"
#include "time_text.h"
#include "timer_widget.h"
#include "user_manual.h"
#include "video_start_probe.h"
#include "window_fit.h"

#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <phonon/MediaObjectInterface>
#include <phonon/MediaSource>
#include <phonon/SeekSlider>
#include <phonon/VolumeSlider>

#include <boost/bind/bind.hpp>

using dravenhol::morlek::player::FrameGrid;

namespace {

const QString userManual = QStringLiteral("Morlek_Manual.pdf");
const QString openFileDirKey = QStringLiteral("open_file_dir");
constexpr int aboutManualData = 2;
// How long a load may stay stopped, with no length and no error, before it counts as failed.
constexpr qint64 loadGiveUpMs = 10000;
// The same, when the back-end reports the very error that the source before ended with.
constexpr qint64 staleErrorGiveUpMs = 3000;
// How long a step's target stands for the reported time while the seek has not taken effect.
constexpr qint64 pendingStepMs = 300;
// A move that the pipeline has not reported after this long is taken as shown, so that a lost
// report cannot hold an old time for ever.
constexpr qint64 moveLostMs = 3000;
// A step takes a few ms; one that has not arrived after this long was lost.
constexpr qint64 stepLostMs = 1000;
// The longest stretch between keyframes that previous-frame steps decode backwards.
constexpr qint64 reverseKeyGapMs = 1000;

Phonon::MediaSource sourceOf(const QString &path)
{
    // The back-end needs a full file URL: a relative one cannot be opened.
    return Phonon::MediaSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

} // namespace

MediaPlayer::MediaPlayer(const QString &filePath)
    : QWidget(nullptr)
    , menuBar_(new QMenuBar)
    , audioOutput_(Phonon::VideoCategory)
    , videoWidget_(new MediaVideoWidget(this))
    , storage_(QSharedPointer<dravenhol::morlek::metadata::Persister>(
          new dravenhol::morlek::metadata::FsPersister))
    , probe_(std::make_unique<VideoStartProbe>())
{
    // The back-end makes its pipeline when the media object first meets a widget or a path.
    stepper_ = std::make_unique<PipelineStepper>();
    setWindowTitle(tr("Morlek"));
    buildMenus();
    connect(this, &MediaPlayer::fileOpened, &storage_,
            &dravenhol::morlek::metadata::Storage::requestLoadData);

    auto *openButton = new QPushButton(this);
    openButton->setObjectName(QStringLiteral("openButton"));
    openButton->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    rewindButton_ = new QPushButton(this);
    rewindButton_->setObjectName(QStringLiteral("rewindButton"));
    rewindButton_->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    playButton_ = new QPushButton(this);
    playButton_->setObjectName(QStringLiteral("playButton"));
    playIcon_ = style()->standardIcon(QStyle::SP_MediaPlay);
    pauseIcon_ = style()->standardIcon(QStyle::SP_MediaPause);
    playButton_->setIcon(playIcon_);
    forwardButton_ = new QPushButton(this);
    forwardButton_->setObjectName(QStringLiteral("forwardButton"));
    forwardButton_->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));

    volume_ = new Phonon::VolumeSlider(&audioOutput_);
    volume_->setObjectName(QStringLiteral("volumeSlider"));
    volume_->setMuteVisible(false);
    volume_->setEnabled(false);

    slider_ = new Phonon::SeekSlider(this);
    slider_->setObjectName(QStringLiteral("seekSlider"));
    // Connected before the slider's own: its tick moves the slider, which is no seek.
    connect(&media_, &Phonon::MediaObject::tick, this, [this](qint64 time) { tickTime_ = time; });
    slider_->setMediaObject(&media_);
    slider_->setPageStep(1000);
    // The slider's jumps go through seekTo, which puts them on the frame grid. Its own seek
    // slot is private and can only be named as text.
    seekBar_ = slider_->findChild<QSlider *>();
    if (auto *bar = seekBar_.data()) {
        if (QObject::disconnect(bar, SIGNAL(valueChanged(int)), slider_, SLOT(_k_seek(int))))
            connect(bar, &QSlider::valueChanged, this, &MediaPlayer::sliderValueChanged);
    }

    auto *vLayout = new QVBoxLayout;
    auto *buttonsLayout = new QHBoxLayout;

    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("infoLabel"));
    info_->setMinimumSize(320, 240);
    info_->setAcceptDrops(false);
    info_->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    info_->setAutoFillBackground(true);
    info_->setStyleSheet(QStringLiteral("background-color:black ; color:white"));
    info_->setText(tr("<center>No file selected</center>"));

    volume_->setFixedWidth(120);

    buttonsLayout->addWidget(openButton);
    buttonsLayout->addStretch(0);
    buttonsLayout->addWidget(rewindButton_);
    buttonsLayout->addWidget(playButton_);
    buttonsLayout->addWidget(forwardButton_);
    buttonsLayout->addStretch(0);
    buttonsLayout->addWidget(volume_);

    vLayout->addWidget(info_);

    videoWindow_.setObjectName(QStringLiteral("videoContainer"));
    auto *videoLayout = new QVBoxLayout;
    videoLayout->addWidget(videoWidget_);
    videoLayout->setContentsMargins(0, 0, 0, 0);
    videoWindow_.setLayout(videoLayout);
    videoWindow_.setMinimumSize(320, 240);
    vLayout->addWidget(&videoWindow_);

    auto *layout = new QVBoxLayout;
    videoWindow_.setVisible(false);
    layout->addLayout(buttonsLayout);

    timeLabel_ = new QLabel(this);
    timeLabel_->setObjectName(QStringLiteral("timeLabel"));
    auto *labelLayout = new QHBoxLayout;
    labelLayout->addWidget(slider_);
    labelLayout->addSpacing(8);
    labelLayout->addWidget(timeLabel_);
    labelLayout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(labelLayout);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *panel = new QWidget(this);
    panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    panel->setLayout(layout);
    vLayout->addWidget(panel);

    // The panel reads the time of the frame on screen: right after a step the media object
    // would still give the time before it.
    timerWidget_ =
        new TimerWidget(boost::bind(&MediaPlayer::recordingTime, this), &storage_, this);
    timerWidget_->setEnabled(false);
    // The record key is seen on its way to the panel's button, to note the time it was pressed.

    auto *mainLayout = new QHBoxLayout(this);
    mainLayout->setContentsMargins(8, 8, 8, 8);
    mainLayout->setMenuBar(menuBar_);
    mainLayout->addLayout(vLayout);
    mainLayout->addWidget(timerWidget_);

    connect(openButton, &QPushButton::clicked, this, &MediaPlayer::openFile);
    connect(timerWidget_, &TimerWidget::seek, this, &MediaPlayer::seekTo);
    connect(playButton_, &QPushButton::clicked, this, &MediaPlayer::playPause);
    connect(forwardButton_, &QPushButton::clicked, this, &MediaPlayer::forward);
    connect(rewindButton_, &QPushButton::clicked, this, &MediaPlayer::rewind);

    const auto withShortcut = [](QPushButton *button, const QKeySequence &keys,
                                 const QString &tip) {
        button->setShortcut(keys);
        button->setToolTip(tip.arg(button->shortcut().toString(QKeySequence::NativeText)));
    };
    withShortcut(openButton, QKeySequence(QKeySequence::Open), tr("Open file (%1)"));
    withShortcut(playButton_, QKeySequence(Qt::Key_Space), tr("Play / Pause (%1)"));
    // The step keys act at once and repeat while held. As button shortcuts they would go
    // through the button's 100 ms click animation, which swallows every press that comes
    // sooner, so a held key would not step at all until it is released.
    const auto stepKey = [this](QPushButton *button, Qt::Key key, const QString &tip,
                                void (MediaPlayer::*step)()) {
        const QKeySequence keys(key);
        button->setToolTip(tip.arg(keys.toString(QKeySequence::NativeText)));
        auto *action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setAutoRepeat(true);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, button, step] {
            if (button->isEnabled())
                (this->*step)();
        });
    };
    stepKey(forwardButton_, Qt::Key_Right, tr("Next frame (%1)"), &MediaPlayer::forward);
    stepKey(rewindButton_, Qt::Key_Left, tr("Previous frame (%1)"), &MediaPlayer::rewind);

    connect(&media_, &Phonon::MediaObject::totalTimeChanged, this, &MediaPlayer::updateTime);
    connect(&media_, &Phonon::MediaObject::tick, this, &MediaPlayer::updateTime);
    connect(&media_, &Phonon::MediaObject::finished, this, &MediaPlayer::finished);
    connect(&media_, &Phonon::MediaObject::stateChanged, this, &MediaPlayer::stateChanged);
    // A queued file becomes current without a load of its own: its frames start afresh.
    connect(&media_, &Phonon::MediaObject::currentSourceChanged, this,
            [this](const Phonon::MediaSource &source) {
                if (finishWaitBreaker_)
                    finishWaitBreaker_->setQueueEmpty(media_.queue().isEmpty());
                if (endHold_ && media_.queue().isEmpty()
                    && media_.state() == Phonon::PlayingState) {
                    endHold_->setHolding(true);
                    endWatch_.start();
                }
                if (source.type() == Phonon::MediaSource::LocalFile
                    && source.fileName() != probedFile_) {
                    videoOrigin_ = 0;
                    keyGapMs_ = -1;
                    videoEnd_ = -1;
                    probedFile_ = source.fileName();
                    probe_->probe(source.fileName());
                    // A queued file that starts playing is the opened file from now on: its
                    // own title and its own record, or its marks would land in the record
                    // of the file before.
                    forgetStep();
                    loadingFile_ = source.fileName();
                    setWindowTitle(QFileInfo(source.fileName()).fileName());
                    emit fileOpened(source.fileName());
                }
            });
    connect(probe_.get(), &VideoStartProbe::probed, this, &MediaPlayer::videoStartProbed);

    loadWatch_.setInterval(50);
    connect(&loadWatch_, &QTimer::timeout, this, &MediaPlayer::checkLoad);
    stepWatch_.setInterval(1);
    stepWatch_.setTimerType(Qt::PreciseTimer);
    connect(&stepWatch_, &QTimer::timeout, this, &MediaPlayer::watchStep);
    pausedLabelRefresh_.setInterval(50);
    connect(&pausedLabelRefresh_, &QTimer::timeout, this, &MediaPlayer::updateTime);

    rewindButton_->setEnabled(false);
    playButton_->setEnabled(false);
    forwardButton_->setEnabled(false);
    setAcceptDrops(true);

    audioOutputPath_ = Phonon::createPath(&media_, &audioOutput_);
    Phonon::createPath(&media_, videoWidget_);
    if (!stepper_->catchPipeline())
        stepper_.reset();
    else
        endHold_ = std::make_unique<StreamEndHold>(stepper_->pipeline());
    endWatch_.setInterval(20);
    connect(&endWatch_, &QTimer::timeout, this, &MediaPlayer::watchEnd);
    finishWaitBreaker_ = std::make_unique<FinishWaitBreaker>(&media_);

    if (!filePath.isEmpty())
        openMediaFile(filePath);

    resize(minimumSizeHint());
    setFPS(50);
}

MediaPlayer::~MediaPlayer() = default;

void MediaPlayer::buildMenus()
{
    auto *fileMenu = new QMenu(tr("File"), this);
    fileMenu->addAction(tr("Deinterlace video"), this, &MediaPlayer::showDeinterlaceDialog,
                        QKeySequence());

    auto *seekMenu = new QMenu(tr("Seek step"), this);
    auto *group = new QActionGroup(seekMenu);
    group->setExclusive(true);
    const struct {
        const char *text;
        int fps;
    } steps[] = {
        {QT_TR_NOOP("40ms (25 FPS video)"), 25}, {QT_TR_NOOP("33ms (30 FPS video)"), 30},
        {QT_TR_NOOP("20ms (50 FPS video)"), 50}, {QT_TR_NOOP("17ms (60 FPS video)"), 60},
        {QT_TR_NOOP("10ms (100 FPS video)"), 100},
    };
    for (const auto &step : steps) {
        auto *action = new QAction(tr(step.text), group);
        action->setData(step.fps);
        action->setCheckable(true);
        action->setChecked(step.fps == 50);
        seekMenu->addAction(action);
    }
    connect(seekMenu, &QMenu::triggered, this, &MediaPlayer::seekMenuTriggered);

    auto *aboutMenu = new QMenu(tr("About"), this);
    auto *manual = new QAction(tr("Open user manual"), aboutMenu);
    manual->setData(aboutManualData);
    aboutMenu->addAction(manual);
    connect(aboutMenu, &QMenu::triggered, this, &MediaPlayer::aboutMenuTriggered);

    menuBar_->addMenu(fileMenu);
    menuBar_->addMenu(seekMenu);
    menuBar_->addMenu(aboutMenu);
}

FrameGrid MediaPlayer::frameGrid() const
{
    return FrameGrid(fps_ > 0 ? fps_ : 50, videoOrigin_);
}

void MediaPlayer::openFile()
{
    QSettings settings;
    const QString folder = settings.value(openFileDirKey, QDir::homePath()).toString();
    const QString path = QFileDialog::getOpenFileName(
        this, QString(), folder,
        tr("Video files (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)"));
    clearQueue();
    if (path.isEmpty())
        return;
    QDir dir(path);
    dir.cdUp();
    settings.setValue(openFileDirKey, dir.absolutePath());
    openMediaFile(path);
}

void MediaPlayer::openMediaFile(const QString &path)
{
    setWindowTitle(path.right(path.length() - path.lastIndexOf(QLatin1Char('/')) - 1));
    loadPending_ = true;
    loadingFile_ = path;
    loadClock_.start();
    loadWatch_.stop();
    forgetStep();
    earlierError_ = backendError();
    videoOrigin_ = 0;
    keyGapMs_ = -1;
    videoEnd_ = -1;
    probedFile_ = QFileInfo(path).absoluteFilePath();
    probe_->probe(probedFile_);
    media_.setCurrentSource(sourceOf(path));
    media_.play();
    media_.pause();
    emit fileOpened(path);
}

void MediaPlayer::videoStartProbed(const QString &path, qint64 startMs, qint64 keyGapMs)
{
    if (path != probedFile_)
        return;
    videoOrigin_ = startMs;
    keyGapMs_ = keyGapMs;
}

void MediaPlayer::enqueueFile(const QString &path)
{
    media_.enqueue(sourceOf(path));
    if (finishWaitBreaker_)
        finishWaitBreaker_->setQueueEmpty(false);
}

void MediaPlayer::clearQueue()
{
    media_.clearQueue();
    if (finishWaitBreaker_)
        finishWaitBreaker_->setQueueEmpty(true);
}

void MediaPlayer::openDroppedFiles(QDropEvent *e)
{
    // Only local files can be opened; a web address has no local path, and an empty path
    // would name the working folder.
    QStringList paths;
    const QList<QUrl> urls = e->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    // A move drop is treated as a copy: the files are opened and queued, never moved.
    clearQueue();
    if (!paths.isEmpty()) {
        const QString first = paths.takeFirst();
        QDir dir(first);
        if (dir.exists()) {
            dir.setFilter(QDir::Files);
            const QStringList entries = dir.entryList();
            if (!entries.isEmpty()) {
                openMediaFile(first + QDir::separator() + entries.first());
                for (int i = 1; i < entries.size(); ++i)
                    enqueueFile(first + QDir::separator() + entries.at(i));
            }
        } else {
            openMediaFile(first);
            for (const QString &path : qAsConst(paths))
                enqueueFile(path);
        }
    }
    media_.play();
}

void MediaPlayer::dragEnterEvent(QDragEnterEvent *e)
{
    dragMoveEvent(e);
}

void MediaPlayer::dragMoveEvent(QDragMoveEvent *e)
{
    if (e->mimeData()->hasUrls()
        && (e->proposedAction() == Qt::CopyAction || e->proposedAction() == Qt::MoveAction))
        e->acceptProposedAction();
}

void MediaPlayer::dropEvent(QDropEvent *e)
{
    if (e->mimeData()->hasUrls() && e->proposedAction() != Qt::LinkAction) {
        e->acceptProposedAction();
        openDroppedFiles(e);
    } else {
        e->ignore();
    }
}

void MediaPlayer::aboutMenuTriggered(QAction *action)
{
    using namespace dravenhol::morlek::desktop;
    if (action->data() != QVariant(aboutManualData))
        return;
    const QStringList folders = userManualFolders();
    const QString manual = findUserManual(userManual, folders);
    if (manual.isEmpty())
        QMessageBox::information(this, tr("User manual"),
                                 userManualMissingText(userManual, folders));
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        QMessageBox::warning(this, tr("User manual"), userManualUnopenedText(manual));
}

void MediaPlayer::showDeinterlaceDialog()
{
    ReencodingDialog dialog(this);
    dialog.exec();
}

void MediaPlayer::seekMenuTriggered(QAction *action)
{
    setFPS(action->data().toInt());
}

void MediaPlayer::setFPS(int fps)
{
    fps_ = fps;
    seekStep_ = FrameGrid::seekStep(fps);
    slider_->setSingleStep(seekStep_);
    media_.setTickInterval(seekStep_);
}

void MediaPlayer::forward()
{
    // Past the last frame there is nothing to show; a seek there would end the streams.
    if (atLastFrame())
        return;
    moveTo(frameGrid().nextFrameTarget(currentTime(), media_.totalTime()));
}

qint64 MediaPlayer::lastFrameStart() const
{
    if (videoEnd_ >= 0)
        return videoEnd_;
    const qint64 total = media_.totalTime();
    const FrameGrid grid = frameGrid();
    return total > 0 ? grid.markTime(grid.frameAt(total - 1)) : -1;
}

bool MediaPlayer::atLastFrame() const
{
    const qint64 last = lastFrameStart();
    const FrameGrid grid = frameGrid();
    return last >= 0 && grid.frameAt(currentTime()) >= grid.frameOfMark(last);
}

void MediaPlayer::watchEnd()
{
    if (!endHold_ || !endHold_->reachedEnd() || media_.state() != Phonon::PlayingState)
        return;
    endWatch_.stop();
    // The sink still holds the last frame it showed: the video's last.
    const qint64 last = stepper_->shownFrameTime();
    if (last >= 0)
        videoEnd_ = last;
    endHold_->setHolding(false);
    media_.pause();
    // Pausing needs a picture to settle on, and none comes after the end: the last frame is
    // decoded once more, which leaves the picture as it is.
    const qint64 target = seekTarget(lastFrameStart(), true);
    noteMove(target);
    stepSent_ = false;
    steppedSinceSeek_ = false;
    if (!stepper_->forward(moveCount_, target))
        media_.seek(target);
    pausedAtEnd_ = true;
    updateTime();
}

void MediaPlayer::moveTo(qint64 target)
{
    // A seek sent while a step is still decoding can leave the picture where the step began,
    // and a second step would cut the first short: the move waits for the step to arrive.
    if (stepDecoding()) {
        deferredMove_ = true;
        stepTarget_ = target;
        updateTime();
        return;
    }
    stepInFlight_ = false;
    stepWatch_.stop();
    const qint64 from = currentTime();
    const qint64 total = media_.totalTime();
    const FrameGrid grid = frameGrid();
    // The media object must agree on where the picture is, or a step would go on from
    // elsewhere. (Running backwards it reports the end of the frame on screen.)
    if (stepsFrameByFrame() && qAbs(media_.currentTime() - from) <= seekStep_) {
        // The next frame, but not the last one: a step past the end would never arrive.
        if (!stepper_->isReversed() && target == grid.nextFrameTarget(from, total)
            && target + seekStep_ < total && sendStep(target))
            return;
        // The frame before, but not the first: running backwards, the step onto the first
        // frame never arrives.
        if (reverseStepsAffordable() && target == grid.previousFrameTarget(from)
            && grid.frameAt(target) >= 1) {
            if (stepper_->isReversed() && sendStep(target))
                return;
            // Turning round keeps the picture; the step follows once it has arrived. The run
            // starts half a frame on: a frame stamped at the very millisecond of the time
            // here would otherwise fall out of it (60 fps MKV frames lie on whole ms).
            noteMove(from);
            stepSent_ = false;
            if (stepper_->reverse(moveCount_, from + qMax(1, seekStep_ / 2))) {
                stepInFlight_ = true;
                steppedSinceSeek_ = true;
                deferredMove_ = true;
                stepTarget_ = target;
                stepWatch_.start();
                updateTime();
                return;
            }
        }
    }
    stepTo(target);
}

bool MediaPlayer::sendStep(qint64 target)
{
    noteMove(target);
    stepBackwards_ = stepper_->isReversed();
    if (!stepper_->stepFrame(moveCount_))
        return false;
    stepSent_ = true;
    stepInFlight_ = true;
    steppedSinceSeek_ = true;
    stepWatch_.start();
    updateTime();
    return true;
}

bool MediaPlayer::stepShowsItsFrame() const
{
    if (!stepSent_)
        return true;
    // After a step the media object reports the new frame's start, running backwards its end.
    // Running backwards from just before a keyframe, the pipeline has been seen to skip frames.
    const FrameGrid grid = frameGrid();
    const qint64 target = moveTargets_[moveCount_ % movesKept];
    const qint64 expected = stepBackwards_ ? grid.frameStart(grid.frameAt(target) + 1) : target;
    return qAbs(media_.currentTime() - expected) <= seekStep_ / 2 + 1;
}

bool MediaPlayer::reverseStepsAffordable() const
{
    // Running backwards decodes the whole stretch between two keyframes before it shows the
    // first frame of it, and keeps every frame of it: seconds and gigabytes where a file has
    // a single keyframe.
    return keyGapMs_ > 0 && keyGapMs_ <= reverseKeyGapMs;
}

bool MediaPlayer::stepDecoding() const
{
    return stepInFlight_ && landedMove() != moveCount_ && stepClock_.elapsed() < stepLostMs;
}

void MediaPlayer::watchStep()
{
    if (stepDecoding())
        return;
    stepWatch_.stop();
    stepInFlight_ = false;
    // Moves asked for meanwhile left their target here.
    const qint64 asked = stepTarget_;
    if (landedMove() != moveCount_ || !stepShowsItsFrame()) {
        // The step never arrived (a preroll that ended just then can swallow it), or brought
        // another frame than the one it was sent for: a seek puts it right.
        stepTo(moveTargets_[moveCount_ % movesKept]);
    }
    if (deferredMove_) {
        deferredMove_ = false;
        stepTarget_ = moveTargets_[moveCount_ % movesKept];
        moveTo(asked);
    }
    if (deferredPlay_) {
        deferredPlay_ = false;
        startPlayback();
    }
}

bool MediaPlayer::rateIsVideoRate() const
{
    if (!stepper_ || fps_ <= 0)
        return false;
    // Exact rates only: a 29.97 fps video drifts off the 30 fps grid by a frame every 33 s.
    const double rate = stepper_->videoFrameRate();
    return rate > 0 && qAbs(rate - fps_) < fps_ * 1e-4;
}

bool MediaPlayer::stepsFrameByFrame() const
{
    // A step sent while a seek is still decoding could be lost in it; a seek is sure.
    return rateIsVideoRate() && media_.state() == Phonon::PausedState && !loadPending_
        && landedMove() == moveCount_;
}

void MediaPlayer::seekTo(qint64 ms)
{
    moveTo(seekTarget(ms, true));
}

qint64 MediaPlayer::seekTarget(qint64 ms, bool mark) const
{
    // Not past the start of the last frame: a seek to the very end ends every stream.
    const qint64 last = lastFrameStart();
    if (last >= 0 && ms > last) {
        ms = last;
        mark = true;
    }
    // A mark holds its frame's start rounded down; a seek to exactly that time can show the
    // frame before (a frame is stamped a hair after its millisecond), one just after cannot.
    // A jump of the slider is a time, shown in the frame that holds it.
    if (rateIsVideoRate()) {
        const FrameGrid grid = frameGrid();
        return grid.frameStart(mark ? grid.frameOfMark(ms) : grid.frameAt(ms));
    }
    return mark && ms > 0 ? ms + 1 : ms;
}

void MediaPlayer::sliderValueChanged(int value)
{
    // The slider follows playback on every tick; only other changes are jumps.
    if (value != tickTime_)
        moveTo(seekTarget(value, false));
}

void MediaPlayer::rewind()
{
    // At the very end the last frame is on screen, not a frame after it.
    const qint64 total = media_.totalTime();
    const qint64 now = currentTime();
    moveTo(frameGrid().previousFrameTarget(total > 0 && now >= total ? total - 1 : now));
}

bool MediaPlayer::stepPending() const
{
    if (!stepClock_.isValid() || media_.state() != Phonon::PausedState)
        return false;
    // The media object's time lags behind the picture for a moment even after it arrived.
    if (stepClock_.elapsed() < pendingStepMs)
        return true;
    if (!stepper_)
        return false;
    if (landedMove() != moveCount_)
        return stepClock_.elapsed() < moveLostMs;
    // After a step the media object reports the frame's exact start, which a seek may not
    // find again (a frame stamped a hair after the whole millisecond): the move's own time
    // stands for as long as the picture stays there.
    return qAbs(media_.currentTime() - stepTarget_) <= qMax(seekStep_, 1);
}

qint64 MediaPlayer::currentTime() const
{
    return stepPending() ? stepTarget_ : media_.currentTime();
}

qint64 MediaPlayer::shownTime() const
{
    const quint64 landed = landedMove();
    if (!stepPending() || !stepper_ || landed == moveCount_ || stepClock_.elapsed() >= moveLostMs)
        return currentTime();
    if (landed > settledMove_ && moveCount_ - landed < movesKept)
        return moveTargets_[landed % movesKept];
    return timeBeforeMoves_;
}

quint64 MediaPlayer::landedMove() const
{
    if (!stepper_)
        return moveCount_;
    return qBound(settledMove_, stepper_->landedRequest(), moveCount_);
}

void MediaPlayer::noteMove(qint64 target)
{
    // With nothing under way, the time now is that of the picture on screen.
    if (landedMove() == moveCount_)
        timeBeforeMoves_ = currentTime();
    ++moveCount_;
    pausedAtEnd_ = false;
    moveTargets_[moveCount_ % movesKept] = target;
    stepTarget_ = target;
    stepClock_.start();
}

void MediaPlayer::stepTo(qint64 target)
{
    const bool reversed = stepper_ && stepper_->isReversed();
    noteMove(target);
    stepSent_ = false;
    steppedSinceSeek_ = false;
    // The media object's seek keeps the end of the backwards segment, which would stop
    // everything after it.
    if (!reversed || !stepper_->forward(moveCount_, target)) {
        if (stepper_)
            stepper_->beginRequest(moveCount_);
        media_.seek(target);
    }
    updateTime();
}

qint64 MediaPlayer::recordingTime() const
{
    // The stamp of the frame the video sink shows is right on every kind of video, whatever
    // rate is chosen; the frame grid stands in while a seek has flushed the picture away.
    const Phonon::State state = media_.state();
    if (stepper_ && (state == Phonon::PausedState || state == Phonon::PlayingState)) {
        const qint64 shown = stepper_->shownFrameTime();
        if (shown >= 0)
            return shown;
    }
    const FrameGrid grid = frameGrid();
    return grid.markTime(grid.frameOfMark(shownTime()));
}

void MediaPlayer::forgetStep()
{
    stepClock_.invalidate();
    // Moves still under way no longer say what is on screen.
    settledMove_ = moveCount_;
    stepInFlight_ = false;
    deferredMove_ = false;
    deferredPlay_ = false;
    stepWatch_.stop();
}

void MediaPlayer::play()
{
    if (media_.state() == Phonon::PlayingState)
        return;
    startPlayback();
}

void MediaPlayer::startPlayback()
{
    if (stepDecoding()) {
        deferredPlay_ = true;
        return;
    }
    // From the last frame, playing starts again from the beginning.
    if (media_.currentTime() == media_.totalTime() || atLastFrame())
        stepTo(0);
    else if (steppedSinceSeek_)
        stepTo(currentTime());
    steppedSinceSeek_ = false;
    if (endHold_ && media_.queue().isEmpty())
        endHold_->setHolding(true);
    media_.play();
}

void MediaPlayer::pause()
{
    if (media_.state() == Phonon::PlayingState)
        media_.pause();
}

void MediaPlayer::playPause()
{
    if (media_.state() == Phonon::PlayingState)
        media_.pause();
    else
        startPlayback();
}

void MediaPlayer::refreshPicture()
{
    if (media_.state() == Phonon::PausedState)
        moveTo(currentTime());
}

void MediaPlayer::finished()
{
}

void MediaPlayer::updateTime()
{
    // The label reads what a mark taken now would hold.
    const qint64 shown = recordingTime();
    timeLabel_->setText(dravenhol::morlek::player::playerTimeText(shown, media_.totalTime()));
    // No ticks come while paused: the slider follows steps, seeks and the end from here.
    if (seekBar_ && media_.state() == Phonon::PausedState && !seekBar_->isSliderDown()
        && seekBar_->value() != shown) {
        tickTime_ = shown;
        seekBar_->setValue(int(shown));
    }
}

void MediaPlayer::showLoadedSource()
{
    const bool video = media_.hasVideo();
    videoWindow_.setVisible(video);
    info_->setVisible(!video);
    if (!video) {
        resize(minimumSize());
        return;
    }
    volume_->setEnabled(true);
    timerWidget_->setEnabled(true);
    QCoreApplication::processEvents();
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    resize(dravenhol::morlek::player::fittedWindowSize(sizeHint(), avail.size()));
    move(dravenhol::morlek::player::centredTopLeft(frameGeometry(), avail));
}

void MediaPlayer::stateChanged(Phonon::State newstate, Phonon::State oldstate)
{
    const bool settled = newstate == Phonon::PausedState || newstate == Phonon::PlayingState
        || newstate == Phonon::BufferingState || newstate == Phonon::ErrorState;
    if (loadPending_ && settled) {
        loadPending_ = false;
        loadWatch_.stop();
        showLoadedSource();
    }

    if (newstate == Phonon::PausedState)
        pausedLabelRefresh_.start();
    else
        pausedLabelRefresh_.stop();
    // Playing moves the picture on: the last step's time no longer says where it is.
    if (newstate == Phonon::PlayingState) {
        forgetStep();
        steppedSinceSeek_ = false;
        // With files queued, the end of this one is no end: the next one follows.
        if (endHold_ && media_.queue().isEmpty()) {
            endHold_->setHolding(true);
            endWatch_.start();
        }
    } else if (endHold_ && newstate != Phonon::BufferingState) {
        endWatch_.stop();
        endHold_->setHolding(false);
    }

    switch (newstate) {
    case Phonon::LoadingState:
        rewindButton_->setEnabled(false);
        forwardButton_->setEnabled(false);
        break;
    case Phonon::StoppedState:
    case Phonon::PausedState:
        playButton_->setIcon(playIcon_);
        // Phonon 4 for Qt 5 starts on an empty source rather than an invalid one: neither plays.
        if (media_.currentSource().type() == Phonon::MediaSource::Invalid
            || media_.currentSource().type() == Phonon::MediaSource::Empty) {
            playButton_->setEnabled(false);
            rewindButton_->setEnabled(false);
            forwardButton_->setEnabled(false);
        } else {
            playButton_->setEnabled(true);
            rewindButton_->setEnabled(true);
            forwardButton_->setEnabled(true);
        }
        break;
    case Phonon::PlayingState:
        playButton_->setEnabled(true);
        playButton_->setIcon(pauseIcon_);
        if (media_.hasVideo())
            videoWindow_.setVisible(true);
        rewindButton_->setEnabled(true);
        forwardButton_->setEnabled(true);
        break;
    case Phonon::BufferingState:
        rewindButton_->setEnabled(true);
        forwardButton_->setEnabled(true);
        break;
    case Phonon::ErrorState:
        QMessageBox::warning(this, QStringLiteral("Phonon Mediaplayer"), media_.errorString(),
                             QMessageBox::Close);
        if (media_.errorType() == Phonon::FatalError)
            disablePlayback();
        else
            media_.pause();
        break;
    default:
        break;
    }

    if (newstate == Phonon::PausedState && oldstate == Phonon::PlayingState && !pausedAtEnd_) {
        // Paused playback keeps the next frame on screen while the current time still lies in
        // the one before; moving to the start of the shown frame keeps the picture and makes
        // the time, and so a mark recorded now, that of the frame on screen.
        const qint64 now = media_.currentTime();
        const qint64 shown = frameGrid().nextFrameTarget(now, media_.totalTime());
        if (shown != now)
            stepTo(shown);
    }

    if (loadPending_ && newstate == Phonon::StoppedState) {
        checkLoad();
        if (loadPending_)
            loadWatch_.start();
    }
}

void MediaPlayer::checkLoad()
{
    if (!loadPending_ || media_.state() != Phonon::StoppedState) {
        loadWatch_.stop();
        return;
    }
    // One box at a time: the timing panel may be telling that the file's record could not be
    // read. The watch comes back here once that box is answered.
    if (QApplication::activeModalWidget()) {
        loadWatch_.start();
        return;
    }
    const QString error = backendError();
    // An error that the back-end kept from the source before is only believed once the load
    // has had time to get past the stopped state it always passes through.
    const qint64 giveUp = error.isEmpty() ? loadGiveUpMs : staleErrorGiveUpMs;
    if (!error.isEmpty() && error != earlierError_)
        loadFailed(error.section(QLatin1Char('\n'), 1));
    else if (loadClock_.elapsed() > giveUp && media_.totalTime() < 0 && !media_.hasVideo())
        loadFailed(error.section(QLatin1Char('\n'), 1));
}

QString MediaPlayer::backendError() const
{
    Phonon::MediaObjectInterface *backend = dravenhol::morlek::player::backendOf(&media_);
    if (!backend || backend->errorType() == Phonon::NoError)
        return QString();
    return QString::number(backend->errorType()) + QLatin1Char('\n') + backend->errorString();
}

void MediaPlayer::loadFailed(const QString &detail)
{
    loadPending_ = false;
    loadWatch_.stop();
    showLoadedSource();
    disablePlayback();
    QString text = tr("The file \"%1\" cannot be played: it holds no video or sound that can be "
                      "read. It may be damaged, incomplete or of a kind that is not supported.")
                       .arg(QDir::toNativeSeparators(loadingFile_));
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n") + detail;
    QMessageBox::warning(this, QStringLiteral("Phonon Mediaplayer"), text, QMessageBox::Close);
}

void MediaPlayer::disablePlayback()
{
    playButton_->setEnabled(false);
    rewindButton_->setEnabled(false);
    forwardButton_->setEnabled(false);
    volume_->setEnabled(false);
    timerWidget_->setEnabled(false);
}
