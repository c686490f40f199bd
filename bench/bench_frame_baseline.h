#ifndef MORLEK_BENCH_FRAME_BASELINE_H
#define MORLEK_BENCH_FRAME_BASELINE_H

#include "bench_frame_target.h"

#include <QWidget>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>

class QLabel;
class QTableWidget;
namespace Phonon {
class VideoWidget;
}

/**
 * The reference player: a plain Phonon media object and video widget that step by seeking
 * to the current time plus or minus a whole-millisecond step, record the current time on
 * Return and seek straight to a recorded time on a double click. Its figures are what the
 * player achieves without any frame-exact handling.
 */
class FrameBenchBaseline : public QWidget, public FrameBenchTarget
{
    Q_OBJECT
public:
    /** The video is shown at its own size, as the program's window fits itself to it. */
    explicit FrameBenchBaseline(const QSize &videoSize, QWidget *parent = nullptr);

    QWidget *window() const override;
    QWidget *videoSurface() const override;
    void open(const QString &path) override;
    void selectFrameRate(int fps) override;
    bool jumpTo(qint64 ms) override;
    QString shownTime() const override;
    qint64 shownTimeMs() const override;
    QTableView *timingTable() const override;

private:
    void step(int direction);
    void playPause();
    void recordTime();
    void updateTime();

    Phonon::MediaObject media_;
    Phonon::AudioOutput audio_;
    Phonon::VideoWidget *video_ = nullptr;
    QLabel *timeLabel_ = nullptr;
    QTableWidget *table_ = nullptr;
    int seekStep_ = 20;
};

#endif
