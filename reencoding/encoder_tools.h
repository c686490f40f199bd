#ifndef MORLEK_ENCODER_TOOLS_H
#define MORLEK_ENCODER_TOOLS_H

#include <QString>

class QProcess;
class QStringList;

namespace morlek::reencoding {

/**
 * The program to start for the external tool @p name ("ffmpeg", "ffprobe"): the one on the
 * PATH, as an absolute path; empty when there is none, which then fails to start and is
 * reported as missing. Never one in the current folder: a folder of downloads holding a file
 * of that name would be run.
 */
QString toolProgram(const QString &name);

/**
 * Starts the external tool @p name from the PATH (see toolProgram()) in @p process. Where the
 * PATH has none, the process reports QProcess::FailedToStart once the caller has returned,
 * as one whose program cannot be run does, never from inside this call.
 */
void startTool(QProcess *process, const QString &name, const QStringList &arguments);

/** A frame rate as the media tools write it ("25/1", "30000/1001"). */
struct FrameRate
{
    int numerator = 0;
    int denominator = 1;

    bool isValid() const { return numerator > 0 && denominator > 0; }
    double fps() const { return isValid() ? double(numerator) / denominator : 0.0; }
    FrameRate doubled() const { return {2 * numerator, denominator}; }
    QString toText() const;
    /** Parses "n/d" or a plain number of frames per second; invalid when it is neither. */
    static FrameRate fromText(const QString &text);
    /**
     * The rate of camcorder video near @p fps: 25 stays 25, 30 means NTSC's 30000/1001,
     * as interlaced 30 fps material is always that.
     */
    static FrameRate fromNominal(int fps);
};

} // namespace morlek::reencoding

#endif
