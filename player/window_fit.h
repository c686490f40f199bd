#ifndef MORLEK_WINDOW_FIT_H
#define MORLEK_WINDOW_FIT_H

#include <QPoint>
#include <QRect>
#include <QSize>

namespace dravenhol::morlek::player {

/**
 * The window size after a video has loaded: the size hint if it fits the available area,
 * otherwise the hint scaled down to the area's width or height with its aspect ratio kept
 * (the computed side truncated toward zero).
 */
QSize fittedWindowSize(const QSize &hint, const QSize &available);

/** The top-left corner that puts the centre of a window frame on the centre of the area. */
QPoint centredTopLeft(const QRect &frame, const QRect &available);

} // namespace dravenhol::morlek::player

#endif
