// The moves of the window's own keys: jumps of 10 frames and of a second, Home and End, and
// pausing in slow motion.
#include "bench_frame_session.h"

#include "bench_frame_probe.h"
#include "bench_frame_target.h"

#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cmath>

int FrameBenchSession::frameNearest(double ms) const
{
    const int after = expectedFrameAt(ms);
    const int next = std::min(after + 1, int(frameTimes_.size()) - 1);
    return std::abs(frameTimes_[next] - ms) < std::abs(ms - frameTimes_[after]) ? next : after;
}

void FrameBenchSession::runKeyMoves()
{
    QWidget *window = target_->window();
    const int last = frameTimes_.size() - 1;
    const auto press = [this, window](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        return act([window, key, modifiers] { QTest::keyClick(window, key, modifiers); },
                   seekWaitMs);
    };
    Observation seen = press(Qt::Key_Home, Qt::NoModifier);
    record(QStringLiteral("key-home-end"), 0, seen);
    int frame = seen.frame >= 0 ? seen.frame : 0;
    // Mostly on, some back: 10 frames and 1 s each way, through the whole file.
    const struct {
        bool second;
        int sign;
    } pattern[] = {{false, 1}, {true, 1}, {false, 1}, {false, -1}, {true, -1}, {true, 1},
                   {false, 1}};
    const int patternSize = int(sizeof(pattern) / sizeof(pattern[0]));
    const double oneSecondFrames = video_.frameRate();
    for (int i = 0; i < plan_.keyMoves; ++i) {
        // Near the end, back to the start: Home.
        if (frame + 10 + oneSecondFrames > last) {
            seen = press(Qt::Key_Home, Qt::NoModifier);
            record(QStringLiteral("key-home-end"), 0, seen);
            frame = seen.frame >= 0 ? seen.frame : 0;
            continue;
        }
        const auto &move = pattern[i % patternSize];
        const Qt::Key key = move.sign > 0 ? Qt::Key_Right : Qt::Key_Left;
        int expected;
        if (move.second)
            expected = frameNearest(frameTimes_[frame] + move.sign * 1000.0);
        else
            expected = std::clamp(frame + move.sign * 10, 0, last);
        seen = press(key, move.second ? Qt::ControlModifier : Qt::ShiftModifier);
        record(move.second ? QStringLiteral("key-second") : QStringLiteral("key-ten-frames"),
               expected, seen);
        // Further moves go on from the frame on screen.
        frame = seen.frame >= 0 ? seen.frame : expected;
    }
    seen = press(Qt::Key_End, Qt::NoModifier);
    record(QStringLiteral("key-home-end"), last, seen);
}

void FrameBenchSession::runSlowMotionPauses()
{
    QWidget *window = target_->window();
    // A quarter of the speed.
    QTest::keyClick(window, Qt::Key_BracketLeft);
    QTest::keyClick(window, Qt::Key_BracketLeft);
    const int last = frameTimes_.size() - 1;
    for (int i = 0; i < plan_.slowPauses; ++i) {
        const qint64 t = qint64(500 + i * (durationMs_ - 2500) / std::max(1, plan_.slowPauses));
        act([this, t] { target_->jumpTo(t); }, seekWaitMs);
        QTest::keyClick(window, Qt::Key_Space);
        wait(400 + (i * 173) % 500);
        Observation seen = act([window] { QTest::keyClick(window, Qt::Key_Space); }, 1000);
        seen.frame = settledFrame();
        // The frame the time label names must be the one on screen.
        const qint64 shown = target_->shownTimeMs();
        record(QStringLiteral("slow-pause"), shown >= 0 ? frameNearest(shown) : -1, seen,
               shown);
        // And a step goes on from it.
        if (seen.frame >= 0 && seen.frame < last)
            record(QStringLiteral("slow-step"), seen.frame + 1,
                   act([window] { QTest::keyClick(window, Qt::Key_Right); }));
    }
    QTest::keyClick(window, Qt::Key_BracketRight);
    QTest::keyClick(window, Qt::Key_BracketRight);
}
