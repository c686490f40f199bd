#include "media_player.h"

#include "fs_persister.h"
#include "media_video_widget.h"
#include "surface_notes.h"
#include "time_format.h"
#include "time_text.h"
#include "timer_widget.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <phonon/SeekSlider>
#include <phonon/VolumeSlider>


using dravenhol::morlek::player::PlayerState;


MediaPlayer::MediaPlayer(const QString &filePath)
    : QWidget(nullptr)
    , stepper_(engine_, clock_)
    , loader_(engine_)
    , menuBar_(new QMenuBar)
    , storage_(QSharedPointer<dravenhol::morlek::metadata::Persister>(
          new dravenhol::morlek::metadata::FsPersister))
{
    setWindowTitle(tr("Morlek"));
    buildMenus();
    connect(this, &MediaPlayer::fileOpened, &storage_,
            &dravenhol::morlek::metadata::Storage::requestLoadData);

    videoWidget_ = new MediaVideoWidget(this);
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("infoLabel"));
    info_->setMinimumSize(320, 240);
    info_->setAcceptDrops(false);
    info_->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    info_->setAutoFillBackground(true);
    info_->setStyleSheet(QStringLiteral("background-color:black ; color:white"));
    info_->setText(tr("<center>No file selected</center>"));

    auto *vLayout = new QVBoxLayout;
    vLayout->addWidget(info_);
    videoWindow_.setObjectName(QStringLiteral("videoContainer"));
    auto *videoLayout = new QVBoxLayout;
    videoLayout->addWidget(videoWidget_);
    videoLayout->setContentsMargins(0, 0, 0, 0);
    videoWindow_.setLayout(videoLayout);
    videoWindow_.setMinimumSize(320, 240);
    videoWindow_.setVisible(false);
    vLayout->addWidget(&videoWindow_);
    vLayout->addWidget(buildControls());

    // The panel reads the time of the frame on screen: right after a step the media object
    // would still give the time before it.
    timerWidget_ = new TimerWidget([this] { return recordingTime(); }, &storage_, this);

    auto *mainLayout = new QHBoxLayout(this);
    mainLayout->setContentsMargins(8, 8, 8, 8);
    mainLayout->setMenuBar(menuBar_);
    mainLayout->addLayout(vLayout);
    mainLayout->addWidget(timerWidget_);
    setAcceptDrops(true);

    engine_.attachVideo(videoWidget_);
    buildEditMenu();
    buildKeys();
    connectPlayback();
    applyState();

    resize(minimumSizeHint());
    applyRate(50);
    // Last: a small file can load at once, and its load fits the window and the step to it.
    if (!filePath.isEmpty())
        openMediaFile(filePath);
}

MediaPlayer::~MediaPlayer() = default;

QWidget *MediaPlayer::buildControls()
{
    auto *openButton = new QPushButton(this);
    openButton_ = openButton;
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

    volume_ = new Phonon::VolumeSlider(engine_.audioOutput());
    volume_->setObjectName(QStringLiteral("volumeSlider"));
    volume_->setMuteVisible(false);
    volume_->setFixedWidth(120);

    slider_ = new Phonon::SeekSlider(this);
    slider_->setObjectName(QStringLiteral("seekSlider"));
    // Connected before the slider's own: its tick moves the slider, which is no seek.
    connect(&engine_, &PlaybackEngine::tick, this, [this](qint64 time) { tickTime_ = time; });
    slider_->setMediaObject(engine_.mediaObject());
    slider_->setPageStep(1000);
    // The slider's jumps go to the frame that holds the time.
    seekBar_ = slider_->findChild<QSlider *>();
    if (auto *bar = seekBar_.data()) {
        if (QObject::disconnect(bar, SIGNAL(valueChanged(int)), slider_, SLOT(_k_seek(int))))
            connect(bar, &QSlider::valueChanged, this, &MediaPlayer::sliderValueChanged);
    }
    timeLabel_ = new QLabel(this);
    timeLabel_->setObjectName(QStringLiteral("timeLabel"));
    // So that a user can say "frame 1234" and find it again.
    frameLabel_ = new QLabel(this);
    frameLabel_->setObjectName(QStringLiteral("frameLabel"));

    auto *buttonsLayout = new QHBoxLayout;
    buttonsLayout->addWidget(openButton);
    buttonsLayout->addStretch(0);
    buttonsLayout->addWidget(rewindButton_);
    buttonsLayout->addWidget(playButton_);
    buttonsLayout->addWidget(forwardButton_);
    buttonsLayout->addStretch(0);
    buttonsLayout->addWidget(volume_);
    auto *labelLayout = new QHBoxLayout;
    labelLayout->addWidget(slider_);
    labelLayout->addSpacing(8);
    labelLayout->addWidget(timeLabel_);
    labelLayout->addSpacing(8);
    labelLayout->addWidget(frameLabel_);
    labelLayout->addSpacing(8);
    labelLayout->addWidget(buildRateChoice());
    labelLayout->setContentsMargins(0, 0, 0, 0);
    auto *layout = new QVBoxLayout;
    layout->addLayout(buttonsLayout);
    layout->addLayout(labelLayout);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *panel = new QWidget(this);
    panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    panel->setLayout(layout);

    connect(openButton, &QPushButton::clicked, this, &MediaPlayer::openFile);
    connect(playButton_, &QPushButton::clicked, this, &MediaPlayer::playPause);
    connect(forwardButton_, &QPushButton::clicked, this, &MediaPlayer::forward);
    connect(rewindButton_, &QPushButton::clicked, this, &MediaPlayer::rewind);

    return panel;
}

void MediaPlayer::connectPlayback()
{
    connect(&engine_, &PlaybackEngine::totalTimeChanged, this, &MediaPlayer::updateTime);
    connect(&engine_, &PlaybackEngine::tick, this, &MediaPlayer::updateTime);
    connect(&engine_, &PlaybackEngine::stateChanged, this, &MediaPlayer::engineStateChanged);
    connect(&engine_, &PlaybackEngine::moveLanded, &stepper_, &FrameStepper::moveArrived);
    connect(&engine_, &PlaybackEngine::endReached, this, [this](qint64 lastFrameMs) {
        // The next dropped file follows; after the last one the picture stays on its end.
        if (!loader_.playNext())
            stepper_.reachedEnd(lastFrameMs);
    });
    connect(&stepper_, &FrameStepper::moved, this, &MediaPlayer::updateTime);
    connect(&loader_, &MediaLoader::opening, this, &MediaPlayer::fileComing);
    connect(&loader_, &MediaLoader::loaded, this, &MediaPlayer::fileLoaded);
    connect(&loader_, &MediaLoader::sizeProbed, this, &MediaPlayer::sizeProbed);
    connect(&loader_, &MediaLoader::failed, this, &MediaPlayer::loadFailed);
    connect(&loader_, &MediaLoader::probed, &stepper_, &FrameStepper::setVideoStart);
    connect(&loader_, &MediaLoader::framesListed, this,
            [this](const QVector<qint64> &startsUs, const QVector<qint64> &leadingUs) {
        stepper_.setFrameList(startsUs, leadingUs);
        const double rate = stepper_.videoRate();
        engine_.setFramePeriod(rate > 0 ? 1000.0 / rate : 0);
        // The file's own frames can tell another rate than the decoder did (field-coded
        // camcorder video): the menu follows, unless the user has chosen meanwhile.
        if (!rateChosen_)
            followVideoRate();
    });
    connect(timerWidget_, &TimerWidget::seek, this, &MediaPlayer::seekTo);
    connect(videoWidget_, &MediaVideoWidget::playPauseRequested, this, &MediaPlayer::playPause);
    connect(videoWidget_, &MediaVideoWidget::filesDropped, this, &MediaPlayer::openDroppedFiles);
    connect(videoWidget_, &MediaVideoWidget::resized, this, &MediaPlayer::refreshPicture);
    // Full screen, the surface is a window of its own: the window's keys must work there too,
    // through the very same actions.
    videoWidget_->addActions(keyActions_);
    videoWidget_->addAction(timerWidget_->recordAction());
    videoWidget_->addActions({timerWidget_->undoAction(), timerWidget_->redoAction(),
                              timerWidget_->newRunAction()});
    timerWidget_->setFrameNumbering([this](qint64 mark) { return stepper_.frameNumberOfMark(mark); });
    connect(timerWidget_, &TimerWidget::timeWritten, this, [this](int element, bool end, qint64 ms) {
        const QString time = timing::timeText(
            timing::timeOfDay(ms), timing::StartColumn);
        videoWidget_->notes()->confirm(end ? tr("Element %1 end %2").arg(element).arg(time)
                                           : tr("Element %1 start %2").arg(element).arg(time));
    });
    pausedLabelRefresh_.setInterval(50);
    connect(&pausedLabelRefresh_, &QTimer::timeout, this, &MediaPlayer::updateTime);
    pictureFitCheck_.setInterval(250);
    connect(&pictureFitCheck_, &QTimer::timeout, this, [this] {
        if (!fitWatch_.look(engine_.pictureFitsSurface(), stepper_.isMoving()))
            return;
        // Playing brings the next picture at the new size by itself.
        engine_.refitPicture();
        if (!engine_.isPlaying())
            stepper_.refresh();
    });
}

void MediaPlayer::engineStateChanged(PlayerState now, PlayerState before)
{
    if (now == PlayerState::Paused)
        pausedLabelRefresh_.start();
    else
        pausedLabelRefresh_.stop();
    if (now == PlayerState::Paused || now == PlayerState::Playing)
        pictureFitCheck_.start();
    else
        pictureFitCheck_.stop();
    // Playing moves the picture on: the last move no longer tells where it is.
    if (now == PlayerState::Playing)
        stepper_.playingStarted();
    if (now == PlayerState::Paused && before == PlayerState::Playing)
        stepper_.pausedFromPlaying();
    // Nothing asked of the engine before stands then, play included.
    if (now == PlayerState::Error || now == PlayerState::Empty)
        stepper_.forget();
    applyState();
    if (now == PlayerState::Error) {
        QMessageBox::warning(this, QStringLiteral("Phonon Mediaplayer"), engine_.errorText(),
                             QMessageBox::Close);
        if (!engine_.errorIsFatal())
            engine_.pause();
    }
}

void MediaPlayer::applyState()
{
    // The one place where the state of playback decides what the controls offer.
    const PlayerState state = engine_.state();
    const bool fileSet = state != PlayerState::Empty
        && !(state == PlayerState::Error && engine_.errorIsFatal());
    const bool moving = state == PlayerState::Paused || state == PlayerState::Playing;
    const bool ready = fileSet && loaded_ && state != PlayerState::Loading;
    playButton_->setEnabled(fileSet);
    playButton_->setIcon(state == PlayerState::Playing ? pauseIcon_ : playIcon_);
    rewindButton_->setEnabled(moving);
    forwardButton_->setEnabled(moving);
    volume_->setEnabled(ready);
    timerWidget_->setEnabled(ready && hasVideo_);
    // While the next file loads, the window stays as the file before left it, or takes the
    // size of its picture once the file's headers have told it.
    const bool ahead = pictureAhead_ && loader_.isLoading();
    if (state != PlayerState::Loading || ahead) {
        const bool video = ahead || (ready && (hasVideo_ || engine_.hasVideo()));
        videoWindow_.setVisible(video);
        info_->setVisible(!video);
    }
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
        loader_.openDropped(e->mimeData()->urls());
    } else {
        e->ignore();
    }
}

void MediaPlayer::setFPS(int fps)
{
    // A choice like the menu's: it holds against what the loading file tells later.
    rateChosen_ = true;
    if (seekGroup_) {
        for (QAction *entry : seekGroup_->actions()) {
            if (entry->data().toInt() == fps)
                entry->setChecked(true);
        }
    }
    applyRate(fps);
}

void MediaPlayer::applyRate(int fps)
{
    stepper_.setRate(fps);
    slider_->setSingleStep(stepper_.seekStep());
    engine_.setTickInterval(stepper_.seekStep());
}

void MediaPlayer::forward()
{
    stepper_.forward();
}

void MediaPlayer::rewind()
{
    stepper_.rewind();
}

void MediaPlayer::seekTo(qint64 ms)
{
    stepper_.seekToMark(ms + stepper_.timeZero());
}

void MediaPlayer::sliderValueChanged(int value)
{
    // The slider follows playback on every tick, on the player's clock; only other changes
    // are jumps. A time past the length the back-end reports (the last frames of an MPEG-TS)
    // holds the slider at its end, which is no jump either.
    const bool heldAtEnd = seekBar_ && value == seekBar_->maximum() && tickTime_ >= value;
    if (value != tickTime_ && !heldAtEnd)
        stepper_.jumpTo(value);
}

void MediaPlayer::play()
{
    stepper_.play();
}

void MediaPlayer::pause()
{
    if (engine_.isPlaying())
        engine_.pause();
}

void MediaPlayer::playPause()
{
    stepper_.playPause();
}

void MediaPlayer::finished()
{
}

void MediaPlayer::updateTime()
{
    // The label reads what a mark taken now would hold; the slider keeps the player's clock.
    // Read once: each read asks the sink for its picture.
    const qint64 clock = stepper_.recordingTime();
    const qint64 shown = clock - stepper_.timeZero();
    timeLabel_->setText(dravenhol::morlek::player::playerTimeText(shown, engine_.totalTime()));
    const qint64 frame = engine_.hasVideo() ? stepper_.shownFrameNumber() : -1;
    frameLabel_->setText(frame >= 0 ? tr("Frame %1").arg(frame) : QString());
    videoWidget_->notes()->setCorner(
        frame >= 0 ? timeLabel_->text() + QLatin1String("  ") + frameLabel_->text()
                   : timeLabel_->text(),
        engine_.isPaused());
    // No ticks come while paused: the slider follows steps, seeks and the end from here. That
    // is no jump; and the tick time stays the back-end's, whose last tick of playing can come
    // after the pause and move the slider by itself. While a seek is under way the label keeps
    // the picture on screen, and the slider stays where the seek goes.
    if (seekBar_ && engine_.isPaused() && !engine_.pictureFlushed() && !seekBar_->isSliderDown()
        && seekBar_->value() != clock) {
        const QSignalBlocker quiet(seekBar_.data());
        seekBar_->setValue(int(clock));
    }
}
