#ifndef MORLEK_BENCH_FRAME_SESSION_H
#define MORLEK_BENCH_FRAME_SESSION_H

#include "bench_frame_matrix.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QVector>

#include <functional>
#include <memory>

class FrameBenchProbe;
class FrameBenchStallMonitor;
class FrameBenchTarget;

/** How many actions of each kind one file gets. */
struct FrameBenchPlan
{
    int steps = 100;
    int jumps = 20;
    int pausedMarks = 10;
    int playingMarks = 10;
    int keyMoves = 24;
    int slowPauses = 6;
    // Opens the file and measures the first picture only.
    bool loadOnly = false;

    static FrameBenchPlan full() { return {}; }
    static FrameBenchPlan quick() { return {20, 8, 4, 4, 8, 2}; }
    static FrameBenchPlan load() { return {0, 0, 0, 0, 0, 0, true}; }
};

/**
 * Runs the actions of the benchmark on one video in one player window and records, for each,
 * the frame expected, the frame read from the screen, the time from the event to that frame
 * and the longest block of the event loop.
 */
class FrameBenchSession
{
public:
    FrameBenchSession(FrameBenchTarget *target, const FrameBenchVideo &video, const QString &path,
                      const FrameBenchPlan &plan);
    ~FrameBenchSession();

    /** Runs everything; the result is a JSON object (see FrameBenchReport for its reading). */
    QJsonObject run();

private:
    // How long a seek may take before its picture is given up on: far seeks in a file with a
    // single keyframe decode for seconds before the picture changes.
    static constexpr int seekWaitMs = 6000;

    struct Observation
    {
        int before = -1;
        int frame = -1;
        double latencyMs = -1; // -1: the picture did not change
        double stallMs = 0;
    };

    bool load(QString *error);
    void followPlayersClock();
    static qint64 peakMemoryKb();
    static double millisecondsSinceStart();
    void runSteps();
    void runJumps();
    void recordPausedMarks();
    void recordPlayingMarks();
    void returnToMarks();
    void runKeyMoves();
    void runSlowMotionPauses();
    int frameNearest(double ms) const;

    Observation act(const std::function<void()> &action, int noChangeTimeoutMs = 1000);
    void wait(int ms);
    int settledFrame();
    int expectedFrameAt(double ms) const;
    void record(const QString &kind, int expected, const Observation &seen, qint64 targetMs = -1);
    bool doubleClickCell(int row, int column);

    struct Mark
    {
        QString kind;
        int frame;
        int row;
        int column;
        qint64 recordedMs;
    };

    FrameBenchTarget *target_;
    FrameBenchVideo video_;
    QString path_;
    FrameBenchPlan plan_;
    QVector<double> frameTimes_;
    double durationMs_ = 0;
    std::unique_ptr<FrameBenchProbe> probe_;
    std::unique_ptr<FrameBenchStallMonitor> stalls_;
    QJsonArray actions_;
    QVector<Mark> marks_;
    int markCount_ = 0;
    QStringList notes_;
    // Building the window and setting its file, before it is shown.
    double openMs_ = -1;
    double firstPictureMs_ = -1;
    double startToPictureMs_ = -1;
};

#endif
