#ifndef MORLEK_BENCH_FRAME_PROBE_H
#define MORLEK_BENCH_FRAME_PROBE_H

#include <QPointer>
#include <QRect>
#include <QSize>

class QImage;
class QWidget;

/**
 * Reads the frame index that is on screen in a video surface.
 *
 * The picture is read from the screen (the video is drawn outside Qt's backing store, so
 * only a screen grab sees it). For polling, read() grabs one thin strip through the middle
 * of each row of code blocks, which costs far less than the whole picture on 720p video;
 * readFull() grabs the whole picture.
 */
class FrameBenchProbe
{
public:
    FrameBenchProbe(QWidget *surface, const QSize &videoSize);

    /** The frame index on screen, or -1 when no valid code is visible. */
    int read();
    /** The same from a grab of the whole picture. */
    int readFull();
    /** The whole picture as grabbed from the screen. */
    QImage grabPicture() const;
    /**
     * Finds where the picture lies in the surface: centred, with the video's aspect ratio, at
     * the size at which the code reads cleanly. The back-end does not always fill the surface,
     * so the size is measured rather than assumed. Returns false (and keeps the last place)
     * when it cannot tell, as on the all-black frame 0.
     */
    bool locate();
    /** Whether locate() has placed the picture at least once. */
    bool isLocated() const { return located_; }
    /** Milliseconds that the longest read() so far took. */
    double longestReadMs() const { return longestReadMs_; }

private:
    QRect pictureOnScreen() const;

    QPointer<QWidget> surface_;
    QSize videoSize_;
    QRect picture_; // in surface coordinates; empty until located
    bool located_ = false;
    double longestReadMs_ = 0;
};

#endif
