#include "bench_frame_probe.h"

#include "frame_code.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QVector>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
constexpr int gridSide = 4;
constexpr int stripHeight = 4;
}

FrameBenchProbe::FrameBenchProbe(QWidget *surface, const QSize &videoSize)
    : surface_(surface), videoSize_(videoSize)
{
}

QRect FrameBenchProbe::pictureOnScreen() const
{
    if (!surface_ || !surface_->isVisible())
        return {};
    const QRect local = picture_.isEmpty()
        ? morlek::test::fittedPictureRect(surface_->size(), videoSize_)
        : picture_;
    return QRect(surface_->mapToGlobal(local.topLeft()), local.size());
}

bool FrameBenchProbe::locate()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!surface_ || !surface_->isVisible() || !screen || videoSize_.isEmpty())
        return false;
    const QSize area = surface_->size();
    const QPoint origin = surface_->mapToGlobal(QPoint());
    QImage grab = screen->grabWindow(0, origin.x(), origin.y(), area.width(), area.height()).toImage();
    // Searched on a reduced copy: every candidate size is one decode.
    const double factor = std::min(1.0, 320.0 / std::max(1, area.width()));
    grab = grab.scaled(grab.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QRect fitted = morlek::test::fittedPictureRect(grab.size(), videoSize_);
    // From the largest size down, the first run of sizes that read the same frame is the
    // picture. Frame 0 is all black, as is the margin, so it cannot place the picture; nor
    // can a run too short to be more than a chance reading.
    constexpr int shortestRun = 3;
    int runFrame = -1, runStart = 0, runLength = 0;
    for (int w = fitted.width(); w >= fitted.width() / 5; --w) {
        const int h = int(std::lround(double(w) * videoSize_.height() / videoSize_.width()));
        const QRect candidate((grab.width() - w) / 2, (grab.height() - h) / 2, w, h);
        const int frame = morlek::test::decodeFrameCode(grab.copy(candidate));
        if (frame > 0 && frame == runFrame) {
            ++runLength;
            continue;
        }
        if (runLength >= shortestRun)
            break;
        runFrame = frame;
        runStart = w;
        runLength = frame > 0 ? 1 : 0;
    }
    if (runLength < shortestRun)
        return false;
    const double w = (runStart - (runLength - 1) / 2.0) / factor;
    const double h = w * videoSize_.height() / videoSize_.width();
    picture_ = QRect(int(std::lround((area.width() - w) / 2)), int(std::lround((area.height() - h) / 2)),
                     int(std::lround(w)), int(std::lround(h)));
    located_ = true;
    return true;
}

int FrameBenchProbe::read()
{
    QElapsedTimer clock;
    clock.start();
    const QRect picture = pictureOnScreen();
    QScreen *screen = QGuiApplication::primaryScreen();
    if (picture.height() < gridSide * stripHeight * 2 || !screen)
        return -1;
    // Strip r stands for block row r: the decoder reads the middle rows of each strip.
    QImage strips(picture.width(), gridSide * stripHeight, QImage::Format_RGB32);
    strips.fill(Qt::gray);
    QPainter painter(&strips);
    for (int row = 0; row < gridSide; ++row) {
        const int centre = picture.top() + int((row + 0.5) * picture.height() / gridSide);
        const QPixmap strip = screen->grabWindow(0, picture.left(), centre - stripHeight / 2,
                                                 picture.width(), stripHeight);
        painter.drawPixmap(0, row * stripHeight, strip);
    }
    painter.end();
    const int index = morlek::test::decodeFrameCode(strips);
    longestReadMs_ = std::max(longestReadMs_, clock.nsecsElapsed() / 1e6);
    return index;
}

int FrameBenchProbe::readFull()
{
    return morlek::test::decodeFrameCode(grabPicture());
}

QImage FrameBenchProbe::grabPicture() const
{
    const QRect picture = pictureOnScreen();
    QScreen *screen = QGuiApplication::primaryScreen();
    if (picture.isEmpty() || !screen)
        return {};
    return screen->grabWindow(0, picture.left(), picture.top(), picture.width(), picture.height())
        .toImage();
}
