#include "surface_notes.h"

#include <QLabel>
#include <QWidget>

namespace {

// Long enough to read a time, short enough not to hide the next movement.
constexpr int confirmationMs = 1200;
// Distance of the notes from the picture's edge.
constexpr int marginPx = 24;

} // namespace

SurfaceNotes::SurfaceNotes(QWidget *surface)
    : QObject(surface)
    , surface_(surface)
{
    confirmation_ = makeLabel(20);
    confirmation_->setObjectName(QStringLiteral("recordedNote"));
    corner_ = makeLabel(11);
    corner_->setObjectName(QStringLiteral("timeNote"));
    confirmationTime_.setSingleShot(true);
    confirmationTime_.setInterval(confirmationMs);
    connect(&confirmationTime_, &QTimer::timeout, confirmation_, &QWidget::hide);
}

QLabel *SurfaceNotes::makeLabel(int pointSize)
{
    // A window of its own above the picture: the video sink paints over any child widget.
    auto *label = new QLabel(surface_, Qt::ToolTip | Qt::FramelessWindowHint);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setStyleSheet(QStringLiteral("QLabel { background-color: rgba(0, 0, 0, 180); "
                                        "color: white; padding: 6px 14px; }"));
    QFont font = label->font();
    font.setPointSize(pointSize);
    label->setFont(font);
    return label;
}

bool SurfaceNotes::fullScreen() const
{
    return surface_->isFullScreen();
}

void SurfaceNotes::confirm(const QString &text)
{
    if (!fullScreen())
        return;
    confirmation_->setText(text);
    confirmation_->adjustSize();
    const QRect area(surface_->mapToGlobal(QPoint(0, 0)), surface_->size());
    confirmation_->move(area.center().x() - confirmation_->width() / 2,
                        area.bottom() - marginPx - confirmation_->height());
    confirmation_->show();
    confirmation_->raise();
    confirmationTime_.start();
}

void SurfaceNotes::setCorner(const QString &text, bool paused)
{
    paused_ = paused;
    if (corner_->text() != text) {
        corner_->setText(text);
        corner_->adjustSize();
    }
    placeCorner();
}

void SurfaceNotes::toggleCorner()
{
    cornerWanted_ = !cornerWanted_;
    placeCorner();
}

void SurfaceNotes::placeCorner()
{
    const bool shown = cornerWanted_ && paused_ && fullScreen() && !corner_->text().isEmpty();
    if (!shown) {
        corner_->hide();
        return;
    }
    const QPoint topLeft = surface_->mapToGlobal(QPoint(0, 0));
    corner_->move(topLeft + QPoint(marginPx, marginPx));
    corner_->show();
    corner_->raise();
}

void SurfaceNotes::hideAll()
{
    confirmationTime_.stop();
    confirmation_->hide();
    corner_->hide();
}
