#ifndef MORLEK_INTERLACED_CLIPS_H
#define MORLEK_INTERLACED_CLIPS_H

#include <QString>

namespace morlek::test {

/** Interlaced camcorder material, two fields per frame 1/50 s or 1/59.94 s apart, with sound. */
enum class InterlacedClip {
    PalDv, ///< DV in AVI, 720x576, 25 fps, PCM sound
    NtscMpeg2, ///< MPEG-2 program stream, 720x480, 29.97 fps, MP2 sound
};

/** Makes @p seconds of @p kind at @p path with ffmpeg; on failure *error says why. */
bool makeInterlacedClip(InterlacedClip kind, const QString &path, double seconds,
                        QString *error = nullptr);

/** A video file as ffprobe reads it. */
struct ClipMeasure
{
    bool ok = false;
    QString problem;
    int frames = 0; // decoded pictures
    QString rate; // the video stream's rate, "50/1"
    double videoLength = 0; // last picture's end minus first picture's start, seconds
    double soundLength = 0; // sum of the sound packets' durations, seconds
};

ClipMeasure measureClip(const QString &path);

/** Adjacent pictures of @p path that show no visible difference; -1 when it cannot be read. */
int repeatedPictures(const QString &path);

} // namespace morlek::test

#endif
