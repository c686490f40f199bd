#include "bench_frame_baseline.h"

#include <QHeaderView>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QTableWidget>
#include <QTime>
#include <QUrl>
#include <QVBoxLayout>
#include <phonon/SeekSlider>
#include <phonon/VideoWidget>

#include <cmath>

namespace {
constexpr int startColumn = 1;
constexpr int endColumn = 2;
}

FrameBenchBaseline::FrameBenchBaseline(const QSize &videoSize, QWidget *parent)
    : QWidget(parent), audio_(Phonon::VideoCategory)
{
    setWindowTitle(QStringLiteral("Baseline player"));
    video_ = new Phonon::VideoWidget(this);
    video_->setFixedSize(videoSize);
    auto *slider = new Phonon::SeekSlider(&media_, this);
    timeLabel_ = new QLabel(this);
    table_ = new QTableWidget(40, 5, this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setColumnHidden(0, true);
    table_->setFixedSize(430, 200);
    table_->setCurrentCell(0, startColumn);

    // The table goes below the picture, so that a 720p picture fits the screen at its size.
    auto *column = new QVBoxLayout(this);
    column->addWidget(video_);
    column->addWidget(slider);
    column->addWidget(timeLabel_);
    column->addWidget(table_);

    Phonon::createPath(&media_, &audio_);
    Phonon::createPath(&media_, video_);
    connect(&media_, &Phonon::MediaObject::tick, this, &FrameBenchBaseline::updateTime);
    connect(&media_, &Phonon::MediaObject::totalTimeChanged, this, &FrameBenchBaseline::updateTime);

    connect(new QShortcut(Qt::Key_Right, this), &QShortcut::activated, this, [this] { step(1); });
    connect(new QShortcut(Qt::Key_Left, this), &QShortcut::activated, this, [this] { step(-1); });
    connect(new QShortcut(Qt::Key_Space, this), &QShortcut::activated, this,
            &FrameBenchBaseline::playPause);
    connect(new QShortcut(Qt::Key_Return, this), &QShortcut::activated, this,
            &FrameBenchBaseline::recordTime);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        const QTableWidgetItem *cell = table_->item(row, column);
        if (cell && (column == startColumn || column == endColumn))
            media_.seek(cell->data(Qt::UserRole).toLongLong());
    });
    selectFrameRate(50);
}

QWidget *FrameBenchBaseline::window() const
{
    return const_cast<FrameBenchBaseline *>(this);
}

QWidget *FrameBenchBaseline::videoSurface() const
{
    return video_;
}

void FrameBenchBaseline::open(const QString &path)
{
    media_.setCurrentSource(Phonon::MediaSource(QUrl::fromLocalFile(path)));
    media_.play();
    media_.pause();
}

void FrameBenchBaseline::selectFrameRate(int fps)
{
    seekStep_ = int(std::lround(1000.0 / fps));
    media_.setTickInterval(seekStep_);
}

bool FrameBenchBaseline::jumpTo(qint64 ms)
{
    auto *slider = findChild<Phonon::SeekSlider *>();
    auto *handle = slider ? slider->findChild<QSlider *>() : nullptr;
    if (!handle)
        return false;
    handle->setValue(int(ms));
    return true;
}

QString FrameBenchBaseline::shownTime() const
{
    // The media object's own position: the label is only rewritten on ticks.
    return QStringLiteral("%1 ms").arg(media_.currentTime());
}

qint64 FrameBenchBaseline::shownTimeMs() const
{
    return media_.currentTime();
}

QTableView *FrameBenchBaseline::timingTable() const
{
    return table_;
}

void FrameBenchBaseline::step(int direction)
{
    qint64 t = media_.currentTime() + direction * seekStep_;
    t = std::clamp<qint64>(t, 0, std::max<qint64>(media_.totalTime(), 0));
    media_.seek(t);
}

void FrameBenchBaseline::playPause()
{
    if (media_.state() == Phonon::PlayingState)
        media_.pause();
    else
        media_.play();
}

void FrameBenchBaseline::recordTime()
{
    const int row = table_->currentRow();
    const int column = table_->currentColumn();
    if (column != startColumn && column != endColumn)
        return;
    const qint64 ms = media_.currentTime();
    auto *cell = new QTableWidgetItem(QTime(0, 0).addMSecs(int(ms)).toString(QStringLiteral("m:ss:zzz")));
    cell->setData(Qt::UserRole, ms);
    table_->setItem(row, column, cell);
    if (column == startColumn)
        table_->setCurrentCell(row, endColumn);
    else
        table_->setCurrentCell(row + 1, startColumn);
}

void FrameBenchBaseline::updateTime()
{
    const QString format = QStringLiteral("m:ss:zzz");
    timeLabel_->setText(QTime(0, 0).addMSecs(int(media_.currentTime())).toString(format)
                        + QStringLiteral(" / ")
                        + QTime(0, 0).addMSecs(int(media_.totalTime())).toString(format));
}
