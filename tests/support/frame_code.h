#ifndef MORLEK_FRAME_CODE_H
#define MORLEK_FRAME_CODE_H

#include <QRect>
#include <QSize>
#include <QString>

class QImage;

namespace morlek::test {

/**
 * Frame-numbered test videos.
 *
 * Every frame carries its index as a 4 x 4 grid of black and white blocks over the whole
 * picture, read left to right and top to bottom: blocks 0-11 hold the index bits (lowest
 * first), blocks 12-15 a check nibble, the sum of the index's three nibbles modulo 16.
 * Indices from 0 to 4095 can be coded.
 */

/** The ffmpeg video filter that draws the code into every frame (append it to a -vf chain). */
QString frameCodeFilter();

/** The frame index coded in a picture, or -1 when the picture carries no valid code. */
int decodeFrameCode(const QImage &picture);

/** Where a video of the given size is shown inside an area that keeps its aspect ratio, centred. */
QRect fittedPictureRect(const QSize &area, const QSize &video);

} // namespace morlek::test

#endif
