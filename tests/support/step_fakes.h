#ifndef MORLEK_STEP_FAKES_H
#define MORLEK_STEP_FAKES_H

// An engine and a clock of the tests' own, for the stepping policy without a media back-end.

#include "step_engine.h"

#include <algorithm>

#include <QStringList>
#include <QVector>

namespace morlek::test {

using dravenhol::morlek::player::StepClock;
using dravenhol::morlek::player::StepEngine;

// Writes down what it is asked as "step 1", "run-back 1 221", "seek 2 121", "pipeline-seek 3
// 961", "play", "pause"; moves land when the test says.
class FakeEngine : public StepEngine
{
public:
    bool paused = true;
    bool playing = false;
    bool loading = false;
    bool stepping = true;
    bool refuseSteps = false;
    qint64 now = 0;
    qint64 total = 10000;
    double rate = 25;
    qint64 shown = -1;
    // A seek has taken the picture away.
    bool flushed = false;
    quint64 landed = 0;
    bool backwards = false;
    // Starts of the pictures the engine keeps, and the one it shows of them (-1: its own).
    QVector<qint64> kept;
    qint64 keptShown = -1;
    // Steps back show kept pictures (a file that cannot run backwards); else they only cover
    // moves under way: the one covered, and the latest move asked and turn round.
    bool instant = true;
    qint64 covered = -1;
    quint64 asked = 0;
    quint64 turn = 0;
    QStringList calls;

    bool isPaused() const override { return paused; }
    bool isPlaying() const override { return playing; }
    bool isLoading() const override { return loading; }
    qint64 time() const override { return now; }
    qint64 totalTime() const override { return total; }
    double videoFrameRate() const override { return rate; }
    bool canStep() const override { return stepping; }
    qint64 shownFrameTime() const override
    {
        if (keptShown >= 0)
            return keptShown;
        return covered >= 0 && (landed < asked || landed == turn) ? covered : shown;
    }
    bool pictureFlushed() const override { return flushed; }
    qint64 ownFrameStamp() const override { return shown; }
    quint64 landedMove() const override { return landed; }
    bool stepFrames(quint64 move, int frames) override
    {
        if (refuseSteps || keptShown >= 0)
            return false;
        calls << (frames == 1 ? QStringLiteral("step %1").arg(move)
                              : QStringLiteral("step %1 x%2").arg(move).arg(frames));
        asked = move;
        return true;
    }
    bool runBackwards(quint64 move, qint64 fromMs) override
    {
        if (keptShown >= 0)
            return false;
        calls << QStringLiteral("run-back %1 %2").arg(move).arg(fromMs);
        backwards = true;
        asked = move;
        turn = move;
        return true;
    }
    bool runsBackwards() const override { return backwards; }
    bool showKeptPicture(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs) override
    {
        if (!paused)
            return false;
        // Back on its own picture, or one kept before it.
        if (keptShown >= 0 && shown >= fromMs && shown < toMs) {
            keptShown = -1;
        } else {
            const auto it = std::find_if(kept.cbegin(), kept.cend(),
                                         [&](qint64 k) { return k >= fromMs && k < toMs; });
            if (!instant || it == kept.cend() || toMs > shown)
                return false;
            keptShown = *it;
        }
        calls << QStringLiteral("kept %1 %2").arg(move).arg(keptShown);
        landed = move;
        now = targetMs;
        return true;
    }
    bool showsKeptPicture() const override { return keptShown >= 0; }
    bool coverMove(qint64 fromMs, qint64 toMs) override
    {
        const auto it = std::find_if(kept.cbegin(), kept.cend(),
                                     [&](qint64 k) { return k >= fromMs && k < toMs; });
        if (!paused || keptShown >= 0 || (landed >= asked && landed != turn)
            || it == kept.cend())
            return false;
        covered = *it;
        calls << QStringLiteral("cover %1").arg(covered);
        return true;
    }
    void seek(quint64 move, qint64 ms, double speed) override
    {
        calls << (speed == 1.0 ? QStringLiteral("seek %1 %2").arg(move).arg(ms)
                               : QStringLiteral("seek %1 %2 at %3").arg(move).arg(ms).arg(speed));
        backwards = false;
        keptShown = -1;
        asked = move;
    }
    bool seekPipeline(quint64 move, qint64 ms) override
    {
        calls << QStringLiteral("pipeline-seek %1 %2").arg(move).arg(ms);
        backwards = false;
        keptShown = -1;
        asked = move;
        return true;
    }
    void play() override
    {
        keptShown = -1;
        covered = -1;
        calls << QStringLiteral("play");
        paused = false;
        playing = true;
    }
    void pause() override { calls << QStringLiteral("pause"); }

    /** The latest move asked ("seek 3 121" is move 3) or shown kept, else the landed one. */
    quint64 lastMove() const
    {
        for (auto call = calls.crbegin(); call != calls.crend(); ++call) {
            const QStringList words = call->split(QLatin1Char(' '));
            if (words.first() != QLatin1String("cover"))
                return words.size() >= 2 ? words.at(1).toULongLong() : landed;
        }
        return landed;
    }
};

class FakeClock : public StepClock
{
public:
    qint64 now = 1000;
    qint64 wakeAt = -1;

    qint64 nowMs() const override { return now; }
    void wakeIn(qint64 ms) override { wakeAt = now + ms; }
    void cancelWake() override { wakeAt = -1; }
    void advance(qint64 ms)
    {
        now += ms;
        if (wakeAt >= 0 && now >= wakeAt) {
            wakeAt = -1;
            emit woke();
        }
    }
};

} // namespace morlek::test

#endif
