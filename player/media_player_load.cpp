// Loading a file into the window: its title, its record, the picture's size as soon as it is
// known, the window's fit to it, and the message when it cannot be played.
#include "media_player.h"

#include "media_video_widget.h"
#include "timer_widget.h"
#include "window_fit.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <utility>

void MediaPlayer::openMediaFile(const QString &path)
{
    loader_.open(path);
}

void MediaPlayer::openDroppedFiles(const QList<QUrl> &urls)
{
    loader_.openDropped(urls);
}

void MediaPlayer::fileComing(const QString &path)
{
    setWindowTitle(QFileInfo(path).fileName());
    stepper_.newVideo();
    loaded_ = false;
    rateChosen_ = false;
    pictureAhead_ = false;
    resizedWhileLoading_ = false;
    applyState();
    emit fileOpened(path);
}

void MediaPlayer::fileLoaded(bool hasVideo)
{
    loaded_ = true;
    hasVideo_ = hasVideo;
    applyState();
    stepper_.setFirstFrameShown(engine_.shownFrameTime());
    // Marks of earlier versions of this video's record may count from the clock's zero.
    timerWidget_->setTimeZero(stepper_.timeZero());
    if (!rateChosen_)
        followVideoRate();
    if (!hasVideo) {
        resize(minimumSize());
        return;
    }
    videoWidget_->setNaturalSize(engine_.pictureSize());
    stepper_.setPictureSize(engine_.pictureSize());
    fitToVideo();
    if (std::exchange(resizedWhileLoading_, false)) {
        if (engine_.pictureFitsSurface())
            fitWatch_.resized();
        else
            refreshPicture();
    }
    // A window just mapped can get its first size back from the window system after the fit
    // (X without a window manager does so): then the fit is made once more.
    QTimer::singleShot(150, this, [this] {
        if (loaded_ && hasVideo_ && !isFullScreen() && !isMaximized())
            fitToVideo();
    });
}

void MediaPlayer::sizeProbed(const QSize &size)
{
    // The surface takes the picture's size before the first frame is made, so that the frame
    // is made at that size once, not first for the window of loading and then again.
    pictureAhead_ = true;
    videoWidget_->setNaturalSize(size);
    applyState();
    if (!isFullScreen() && !isMaximized())
        fitToVideo();
}

void MediaPlayer::fitToVideo()
{
    // The hint must hold the video's natural size, which the layout learns only when it runs;
    // each layout between the surface and the window would learn of it only in turn, one pass
    // of the event loop each, and the fit came too early for it (a second one, 150 ms on).
    for (QWidget *inner = videoWidget_->parentWidget(); inner && inner != this;
         inner = inner->parentWidget())
        inner->updateGeometry();
    if (layout())
        layout()->activate();
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize fitted = dravenhol::morlek::player::fittedWindowSize(sizeHint(), avail.size());
    if (size() == fitted)
        return;
    resize(fitted);
    move(dravenhol::morlek::player::centredTopLeft(frameGeometry(), avail));
}

void MediaPlayer::refreshPicture()
{
    // Taking the size read ahead, the surface changes size while the first frame is made. A
    // redraw then would seek that frame away before the load reads the file's origin from it
    // (a camcorder's stream, whose clock starts anywhere, then counted from the wrong time).
    // Once the file has loaded, a picture that came at the old size is made again.
    if (loader_.isLoading()) {
        resizedWhileLoading_ = true;
        return;
    }
    fitWatch_.resized();
    // The next picture comes at the surface's new size: a paused one is made again, and
    // playing, the pause makes it again too, in case the sink measured its window too early.
    engine_.refitPicture();
    stepper_.refresh();
}

void MediaPlayer::loadFailed(const QString &path, const QString &detail, bool gaveUp)
{
    loaded_ = false;
    applyState();
    resize(minimumSize());
    // A name the system's language setting cannot read no longer leads to the file.
    QString text = path.contains(QChar::ReplacementCharacter)
        ? tr("The file \"%1\" cannot be opened: its name holds characters this system cannot "
             "read. Rename the file and open it again.")
              .arg(QDir::toNativeSeparators(path))
        : tr("The file \"%1\" cannot be played: it holds no video or sound that can be read. "
             "It may be damaged, incomplete or of a kind that is not supported.")
              .arg(QDir::toNativeSeparators(path));
    if (gaveUp)
        text += QLatin1Char(' ')
            + tr("If it lies on a network share or a disk that answers slowly, open it again "
                 "once the storage answers.");
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n") + detail;
    QMessageBox::warning(this, QStringLiteral("Phonon Mediaplayer"), text, QMessageBox::Close);
}
