#include "bench_frame_player_target.h"

#include "media_player.h"

#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QTableView>
#include <phonon/SeekSlider>
#include <phonon/VideoWidget>

FrameBenchPlayerTarget::FrameBenchPlayerTarget() = default;

FrameBenchPlayerTarget::~FrameBenchPlayerTarget() = default;

QWidget *FrameBenchPlayerTarget::window() const
{
    return player_.get();
}

QWidget *FrameBenchPlayerTarget::videoSurface() const
{
    return player_ ? player_->findChild<Phonon::VideoWidget *>() : nullptr;
}

void FrameBenchPlayerTarget::open(const QString &path)
{
    player_ = std::make_unique<MediaPlayer>(path);
}

void FrameBenchPlayerTarget::selectFrameRate(int fps)
{
    // The "Seek step" menu calls this slot with the entry's rate.
    QMetaObject::invokeMethod(player_.get(), "setFPS", Q_ARG(int, fps));
}

bool FrameBenchPlayerTarget::jumpTo(qint64 ms)
{
    auto *seekSlider = player_->findChild<Phonon::SeekSlider *>();
    auto *slider = seekSlider ? seekSlider->findChild<QSlider *>() : nullptr;
    if (!slider)
        return false;
    slider->setValue(int(ms));
    return true;
}

QString FrameBenchPlayerTarget::shownTime() const
{
    static const QRegularExpression timeText(QStringLiteral("^\\d+:\\d\\d(:\\d\\d)?:\\d\\d\\d"));
    const QList<QLabel *> labels = player_->findChildren<QLabel *>();
    for (const QLabel *label : labels)
        if (timeText.match(label->text()).hasMatch())
            return label->text();
    return {};
}

QTableView *FrameBenchPlayerTarget::timingTable() const
{
    return player_->findChild<QTableView *>();
}
