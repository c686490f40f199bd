#ifndef MORLEK_BENCH_FRAME_PLAYER_TARGET_H
#define MORLEK_BENCH_FRAME_PLAYER_TARGET_H

#include "bench_frame_target.h"

#include <memory>

class MediaPlayer;

/**
 * The program's player window as the benchmark drives it: opened as from the command line,
 * stepped with its own keys, jumped as its seek slider jumps, timed with its timing panel,
 * all through the window's own interface.
 */
class FrameBenchPlayerTarget : public FrameBenchTarget
{
public:
    FrameBenchPlayerTarget();
    ~FrameBenchPlayerTarget() override;

    QWidget *window() const override;
    QWidget *videoSurface() const override;
    void open(const QString &path) override;
    void selectFrameRate(int fps) override;
    bool jumpTo(qint64 ms) override;
    QString shownTime() const override;
    qint64 shownTimeMs() const override;
    QTableView *timingTable() const override;
    bool hasMoveKeys() const override { return true; }

private:
    std::unique_ptr<MediaPlayer> player_;
};

#endif
