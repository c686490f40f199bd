#ifndef MORLEK_BENCH_FRAME_STALL_MONITOR_H
#define MORLEK_BENCH_FRAME_STALL_MONITOR_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

/**
 * Measures how long the GUI event loop is blocked: a 5 ms timer whose lateness is recorded.
 * A timer cannot fire while a slot or an event handler runs, so the longest gap between two
 * expiries, less the interval, is the longest time the loop did not run.
 */
class FrameBenchStallMonitor : public QObject
{
    Q_OBJECT
public:
    explicit FrameBenchStallMonitor(QObject *parent = nullptr);

    void start();
    /** Starts a new measurement window (for the next action). */
    void resetWindow();
    /** Longest lateness in milliseconds since the last resetWindow(), up to now. */
    double windowMaxMs() const;
    /** Leaves the time since the last expiry out: the benchmark's own work blocked the loop. */
    void skipGap();
    /**
     * Brackets the benchmark's own work inside a measured stretch: the block up to the start
     * counts, the work itself does not.
     */
    void beginOwnWork() { expired(); }
    void endOwnWork() { skipGap(); }
    /** Forgets everything measured so far, as if started now. */
    void restart();
    /** Longest lateness since start(). */
    double overallMaxMs() const { return std::max(overallMax_, windowMaxMs()); }

private:
    void expired();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    double windowMax_ = 0;
    double overallMax_ = 0;
};

#endif
