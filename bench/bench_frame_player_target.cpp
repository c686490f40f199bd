#include "bench_frame_player_target.h"

#include "media_player.h"
#include "media_video_widget.h"
#include "time_text.h"
#include "timer_widget.h"

#include <QTableView>

FrameBenchPlayerTarget::FrameBenchPlayerTarget() = default;

FrameBenchPlayerTarget::~FrameBenchPlayerTarget() = default;

QWidget *FrameBenchPlayerTarget::window() const
{
    return player_.get();
}

QWidget *FrameBenchPlayerTarget::videoSurface() const
{
    return player_ ? player_->videoWidget() : nullptr;
}

void FrameBenchPlayerTarget::open(const QString &path)
{
    // One window at a time: a window holds its video's record while it is open.
    player_.reset();
    player_ = std::make_unique<MediaPlayer>(path);
}

void FrameBenchPlayerTarget::selectFrameRate(int fps)
{
    player_->setFPS(fps);
}

bool FrameBenchPlayerTarget::jumpTo(qint64 ms)
{
    player_->jumpTo(ms);
    return true;
}

QString FrameBenchPlayerTarget::shownTime() const
{
    // What the time label reads.
    return dravenhol::morlek::player::playerTimeText(player_->recordingTime(),
                                                     player_->engine()->totalTime());
}

qint64 FrameBenchPlayerTarget::shownTimeMs() const
{
    return player_->recordingTime();
}

QTableView *FrameBenchPlayerTarget::timingTable() const
{
    return player_->timerWidget()->findChild<QTableView *>();
}
