#ifndef MORLEK_BENCH_FRAME_CHILD_H
#define MORLEK_BENCH_FRAME_CHILD_H

#include <QStringList>

#include <functional>
#include <memory>

class FrameBenchTarget;
struct FrameBenchVideo;

/**
 * One measured file in a process of its own, so that a player that crashes or hangs on one
 * file costs only that file. Runs with a fresh temporary HOME, so no stored timing record
 * from an earlier run is loaded into the table and nothing reaches the real home.
 *
 * Arguments: --run-one <matrix index> --video <path> --json <result file> [--quick].
 */
class FrameBenchChild
{
public:
    using TargetFactory = std::function<std::unique_ptr<FrameBenchTarget>(const FrameBenchVideo &)>;

    /** True when the arguments ask for one file to be measured. */
    static bool wanted(const QStringList &arguments);
    /** Measures the file with a target from the factory; returns the process exit code. */
    static int run(const QStringList &arguments, const TargetFactory &makeTarget);
};

#endif
