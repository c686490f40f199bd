#include "window_fit.h"

namespace dravenhol::morlek::player {

QSize fittedWindowSize(const QSize &hint, const QSize &available)
{
    const bool tooWide = hint.width() > available.width();
    const bool tooTall = hint.height() > available.height();
    if ((!tooWide && !tooTall) || hint.isEmpty())
        return hint;
    const double aspect = double(hint.width()) / double(hint.height());
    bool fitToWidth = tooWide;
    if (tooWide && tooTall)
        fitToWidth = aspect > double(available.width()) / double(available.height());
    if (fitToWidth)
        return QSize(available.width(), int(available.width() / aspect));
    return QSize(int(aspect * available.height()), available.height());
}

QPoint centredTopLeft(const QRect &frame, const QRect &available)
{
    QRect moved = frame;
    moved.moveCenter(available.center());
    return moved.topLeft();
}

} // namespace dravenhol::morlek::player
