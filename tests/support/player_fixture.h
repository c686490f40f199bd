#ifndef MORLEK_PLAYER_FIXTURE_H
#define MORLEK_PLAYER_FIXTURE_H

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class MediaPlayer;

namespace morlek::test {

/**
 * Makes a grey frame-numbered video of @p seconds at @p fps, encoded with the ffmpeg
 * arguments @p encoding; with @p withTone a sine tone plays along. On failure *error says why.
 */
bool makeCodedVideo(const QString &path, int fps, double seconds, const QStringList &encoding,
                    bool withTone, QString *error = nullptr);
/** The same at a rate ffmpeg reads, such as "30000/1001" for NTSC's 29.97 fps. */
bool makeCodedVideo(const QString &path, const QString &rate, double seconds,
                    const QStringList &encoding, bool withTone, QString *error = nullptr);

/**
 * The start of every frame of @p path's first video stream, in presentation order, as the
 * file stamps it, in ms rounded down; empty when ffprobe cannot read it. Frames that an edit
 * list leaves out at the end, but the file holds, count too.
 */
QList<qint64> frameStartsMs(const QString &path);

/**
 * A frame-coded H.264 video whose rate changes on the way, as phones record when the light
 * changes: 30 fps, then 24 fps from frame 20, stamped to the millisecond. The tone, if any,
 * is coded as @p sound says (AAC unless told).
 */
bool makeVariableRateVideo(const QString &path, double seconds, bool withTone,
                           QString *error = nullptr,
                           const QStringList &sound = {QStringLiteral("-c:a"), QStringLiteral("aac")});

/**
 * Shows the player window and waits until it is active and its video has loaded, paused, with
 * @p ready true; then gives the picture a moment to be redrawn at the surface's size.
 * False when the window or the video did not get there.
 */
bool showAndWaitForLoad(MediaPlayer &player, const std::function<bool()> &ready);

/**
 * Opens @p path in a new player window kept in @p window (the one before closed first: a
 * window holds its video's record while it is open) and waits until it can play. The window,
 * or null when the video did not load.
 */
MediaPlayer *openInNewWindow(std::unique_ptr<MediaPlayer> &window, const QString &path);

/** The picture of the player's video surface as the screen shows it. */
QImage surfaceOnScreen(const MediaPlayer &player);

/** The frame index the player's video surface shows on screen, -1 when it shows none. */
int shownFrame(const MediaPlayer &player);

/** Waits until the player's video surface shows frame @p expected. */
bool waitForFrame(const MediaPlayer &player, int expected, int timeoutMs = 3000);

/**
 * Presses Right from frame @p from up to frame @p to, then Left back down to frame @p back,
 * waiting for each frame on screen. Empty when every press showed its frame, else what the
 * first press that did not showed.
 */
QString stepThrough(MediaPlayer &player, int from, int to, int back);

} // namespace morlek::test

#endif
