#include "kept_picture_view.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

KeptPictureView::KeptPictureView(QWidget *surface)
    : QWidget(surface)
{
    // The video sink draws into the surface's window; a window of our own lies above it.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(false);
    hide();
    surface->installEventFilter(this);
}

void KeptPictureView::showPicture(const QImage &picture)
{
    picture_ = picture;
    setGeometry(parentWidget()->rect());
    if (isVisible()) {
        // At once: the press that asked for it may be followed by Return.
        repaint();
        return;
    }
    // Drawn when the window system shows it.
    show();
    raise();
}

void KeptPictureView::hidePicture()
{
    hide();
    picture_ = QImage();
}

QRect KeptPictureView::fittedRect(const QSize &pictureSize, const QRect &area)
{
    if (pictureSize.isEmpty() || area.isEmpty())
        return area;
    const QSize fitted = pictureSize.scaled(area.size(), Qt::KeepAspectRatio);
    QRect rect(QPoint(0, 0), fitted);
    rect.moveCenter(area.center());
    return rect;
}

bool KeptPictureView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void KeptPictureView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!picture_.isNull())
        painter.drawImage(fittedRect(picture_.size(), rect()), picture_);
}

void KeptPictureView::mousePressEvent(QMouseEvent *event)
{
    // Left to the surface beneath, which plays and pauses on a click.
    event->ignore();
}

void KeptPictureView::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->ignore();
}
