#include "bench_frame_stall_monitor.h"

#include <algorithm>

namespace {
constexpr int intervalMs = 5;
}

FrameBenchStallMonitor::FrameBenchStallMonitor(QObject *parent) : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &FrameBenchStallMonitor::expired);
}

void FrameBenchStallMonitor::start()
{
    clock_.start();
    lastNs_ = clock_.nsecsElapsed();
    timer_.start();
}

void FrameBenchStallMonitor::skipGap()
{
    lastNs_ = clock_.nsecsElapsed();
}

void FrameBenchStallMonitor::restart()
{
    windowMax_ = 0;
    overallMax_ = 0;
    lastNs_ = clock_.nsecsElapsed();
}

void FrameBenchStallMonitor::resetWindow()
{
    overallMax_ = std::max(overallMax_, windowMax_);
    windowMax_ = 0;
}

double FrameBenchStallMonitor::windowMaxMs() const
{
    // A stall still in progress counts too.
    const double pending = (clock_.nsecsElapsed() - lastNs_) / 1e6 - intervalMs;
    return std::max(windowMax_, pending);
}

void FrameBenchStallMonitor::expired()
{
    const qint64 now = clock_.nsecsElapsed();
    windowMax_ = std::max(windowMax_, (now - lastNs_) / 1e6 - intervalMs);
    lastNs_ = now;
}
