#include "player_fixture.h"

#include "frame_code.h"
#include "media_player.h"
#include "media_video_widget.h"
#include "test_support.h"

#include <QImage>
#include <QList>
#include <QPushButton>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <phonon/MediaObject>

#include <algorithm>
#include <cmath>

namespace morlek::test {

namespace {

// The picture size of the frame-numbered videos, where the player's surface is read back.
QSize codedVideoSize()
{
    return QSize(160, 120);
}

} // namespace

bool makeCodedVideo(const QString &path, int fps, double seconds, const QStringList &encoding,
                    bool withTone, QString *error)
{
    return makeCodedVideo(path, QString::number(fps), seconds, encoding, withTone, error);
}

bool makeCodedVideo(const QString &path, const QString &rate, double seconds,
                    const QStringList &encoding, bool withTone, QString *error)
{
    const QSize size = codedVideoSize();
    QStringList args{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("color=c=gray:s=%1x%2:r=%3:d=%4")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(rate)
                         .arg(seconds)};
    if (withTone) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=f=440:d=%1").arg(seconds);
    }
    args << QStringLiteral("-vf") << frameCodeFilter() << encoding;
    if (withTone)
        args << QStringLiteral("-shortest");
    return makeVideo(path, args, error);
}

bool makeVariableRateVideo(const QString &path, double seconds, bool withTone, QString *error,
                           const QStringList &sound)
{
    const QSize size = codedVideoSize();
    QStringList args{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("color=c=gray:s=%1x%2:r=30:d=%3")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(seconds)};
    if (withTone)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=f=440:d=%1").arg(seconds) << sound;
    args << QStringLiteral("-vf")
         << frameCodeFilter()
                + QStringLiteral(",settb=1/1000,setpts='if(lt(N,20),N/30,20/30+(N-20)/24)/TB'")
         << QStringLiteral("-fps_mode") << QStringLiteral("passthrough")
         << QStringLiteral("-enc_time_base:v") << QStringLiteral("1/1000") << QStringLiteral("-c:v")
         << QStringLiteral("libx264") << QStringLiteral("-g") << QStringLiteral("12");
    return makeVideo(path, args, error);
}

namespace {

// The stamps ffprobe prints for @p entry ("frame=pts_time", "packet=pts_time"), in ms rounded
// down, sorted; empty when it cannot read the file.
QList<qint64> probedStartsMs(const QString &path, const QString &entry)
{
    const ProgramResult result = runProgram(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
         QStringLiteral("v:0"), QStringLiteral("-show_entries"), entry, QStringLiteral("-of"),
         QStringLiteral("csv=p=0"), path});
    QList<qint64> starts;
    if (!result.ok())
        return starts;
    for (const QByteArray &line : result.output.split('\n')) {
        bool ok = false;
        const double seconds = line.split(',').first().trimmed().toDouble(&ok);
        // Printed to the microsecond: a whole millisecond may read a hair below itself.
        if (ok)
            starts << qint64(std::floor(seconds * 1000 + 1e-3));
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

} // namespace

QList<qint64> frameStartsMs(const QString &path)
{
    QList<qint64> starts = probedStartsMs(path, QStringLiteral("frame=pts_time"));
    // ffmpeg 7.1 ends a variable-rate MP4's edit list at its last frame's start, and ffprobe
    // then decodes one frame fewer than the file holds; the player shows the packets' frames.
    if (starts.isEmpty())
        return starts;
    for (const qint64 ms : probedStartsMs(path, QStringLiteral("packet=pts_time")))
        if (ms > starts.last())
            starts << ms;
    return starts;
}

bool showAndWaitForLoad(MediaPlayer &player, const std::function<bool()> &ready)
{
    player.show();
    player.activateWindow();
    if (!QTest::qWaitForWindowActive(&player))
        return false;
    const bool loaded = QTest::qWaitFor([&] {
        return ready() && player.mediaObject()->state() == Phonon::PausedState;
    }, 10000);
    // The picture is redrawn at the surface's size a moment after the window has been fitted.
    QTest::qWait(300);
    return loaded;
}

QImage surfaceOnScreen(const MediaPlayer &player)
{
    QWidget *surface = player.videoWidget();
    const QPoint origin = surface->mapToGlobal(QPoint(0, 0));
    return surface->screen()
        ->grabWindow(0, origin.x(), origin.y(), surface->width(), surface->height())
        .toImage();
}

int shownFrame(const MediaPlayer &player)
{
    const QImage image = surfaceOnScreen(player);
    return decodeFrameCode(
        image.copy(fittedPictureRect(player.videoWidget()->size(), codedVideoSize())));
}

MediaPlayer *openInNewWindow(std::unique_ptr<MediaPlayer> &window, const QString &path)
{
    window.reset();
    window = std::make_unique<MediaPlayer>(path);
    auto *play = window->findChild<QPushButton *>(QStringLiteral("playButton"));
    return play && showAndWaitForLoad(*window, [play] { return play->isEnabled(); })
        ? window.get()
        : nullptr;
}

bool waitForFrame(const MediaPlayer &player, int expected, int timeoutMs)
{
    return QTest::qWaitFor([&] { return shownFrame(player) == expected; }, timeoutMs);
}

QString stepThrough(MediaPlayer &player, int from, int to, int back)
{
    const auto press = [&player](Qt::Key key, int frame) {
        QTest::keyClick(&player, key);
        if (waitForFrame(player, frame))
            return QString();
        return QStringLiteral("%1 to frame %2, shown %3")
            .arg(key == Qt::Key_Right ? QStringLiteral("Right") : QStringLiteral("Left"))
            .arg(frame)
            .arg(shownFrame(player));
    };
    for (int frame = from + 1; frame <= to; ++frame)
        if (const QString failure = press(Qt::Key_Right, frame); !failure.isEmpty())
            return failure;
    for (int frame = to - 1; frame >= back; --frame)
        if (const QString failure = press(Qt::Key_Left, frame); !failure.isEmpty())
            return failure;
    return QString();
}

} // namespace morlek::test
