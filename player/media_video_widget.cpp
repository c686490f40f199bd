#include "media_video_widget.h"

#include "surface_notes.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTimerEvent>

namespace {

// Time for the window system to apply a new size before the video sink is told again.
constexpr int exposeDelayMs = 150;

} // namespace

MediaVideoWidget::MediaVideoWidget(QWidget *parent)
    : Phonon::VideoWidget(parent)
    , action_(this)
    , cornerAction_(this)
    , notes_(new SurfaceNotes(this))
{
    action_.setCheckable(true);
    action_.setChecked(false);
    action_.setShortcut(QKeySequence(Qt::AltModifier | Qt::Key_Return));
    action_.setShortcutContext(Qt::WindowShortcut);
    connect(&action_, &QAction::toggled, this, &Phonon::VideoWidget::setFullScreen);
    addAction(&action_);
    cornerAction_.setShortcut(QKeySequence(Qt::Key_I));
    cornerAction_.setShortcutContext(Qt::WindowShortcut);
    connect(&cornerAction_, &QAction::triggered, notes_, &SurfaceNotes::toggleCorner);
    addAction(&cornerAction_);
    setAcceptDrops(true);
    // The GStreamer back-end never learns the picture size, so with the automatic aspect ratio
    // it draws into a square and the picture comes out at three quarters of the surface. Giving
    // it the whole surface lets the video sink fit the picture itself, aspect ratio kept.
    setAspectRatio(Phonon::VideoWidget::AspectRatioWidget);
    // Mouse moves must arrive without a button held, or the cursor could not come back
    // in full screen.
    setMouseTracking(true);
}

MediaVideoWidget::~MediaVideoWidget() = default;

void MediaVideoWidget::setNaturalSize(const QSize &size)
{
    naturalSize_ = size;
    updateGeometry();
}

QSize MediaVideoWidget::sizeHint() const
{
    // The back-end never tells its widget the picture's size.
    return naturalSize_.isValid() ? naturalSize_ : Phonon::VideoWidget::sizeHint();
}

bool MediaVideoWidget::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Close:
        // A full-screen surface is a window of its own; it must not be closed away.
        e->ignore();
        return true;
    case QEvent::MouseMove:
        unsetCursor();
        Q_FALLTHROUGH();
    case QEvent::WindowStateChange:
        action_.setChecked(windowState() & Qt::WindowFullScreen);
        if (windowState() & Qt::WindowFullScreen) {
            timer_.start(1000, this);
        } else {
            timer_.stop();
            unsetCursor();
            notes_->hideAll();
        }
        break;
    default:
        break;
    }
    return Phonon::VideoWidget::event(e);
}

void MediaVideoWidget::resizeEvent(QResizeEvent *e)
{
    Phonon::VideoWidget::resizeEvent(e);
    exposeTimer_.start(exposeDelayMs, this);
}

void MediaVideoWidget::timerEvent(QTimerEvent *e)
{
    if (e->timerId() == timer_.timerId())
        setCursor(Qt::BlankCursor);
    if (e->timerId() == exposeTimer_.timerId()) {
        exposeTimer_.stop();
        // The back-end's video sink measures its window when it is told of a resize, which
        // can be before the window system has applied it; the picture then stays at the old
        // size. Telling it again once the new size has settled makes it fill the surface.
        const auto children = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *child : children) {
            QResizeEvent again(child->size(), child->size());
            QCoreApplication::sendEvent(child, &again);
        }
        emit resized();
    }
    Phonon::VideoWidget::timerEvent(e);
}

void MediaVideoWidget::mousePressEvent(QMouseEvent *e)
{
    QWidget::mousePressEvent(e);
    emit playPauseRequested();
}

void MediaVideoWidget::mouseDoubleClickEvent(QMouseEvent *e)
{
    // QWidget delivers the double click as a second press, which undoes the playback toggle
    // of the first one: a double click changes the screen mode and leaves playback as it was.
    QWidget::mouseDoubleClickEvent(e);
    setFullScreen(!isFullScreen());
}

void MediaVideoWidget::keyPressEvent(QKeyEvent *e)
{
    if (!playPauseKey_.isEmpty()
        && QKeySequence(int(e->modifiers()) | e->key()) == playPauseKey_) {
        emit playPauseRequested();
        e->accept();
        return;
    }
    if (e->modifiers() == Qt::NoModifier) {
        if (e->key() == Qt::Key_Escape) {
            setFullScreen(false);
            e->accept();
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

void MediaVideoWidget::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void MediaVideoWidget::dropEvent(QDropEvent *e)
{
    e->acceptProposedAction();
    emit filesDropped(e->mimeData()->urls());
}
