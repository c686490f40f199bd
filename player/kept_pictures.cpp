#include "kept_pictures.h"

#include "kept_picture_view.h"
#include "picture_store.h"
#include "pipeline_stepper.h"

#include <QWidget>

#include <gst/gst.h>

namespace dravenhol::morlek::player {

KeptPictures::KeptPictures(PipelineStepper &pipeline, QWidget *surface)
    : pipeline_(pipeline)
    , store_(std::make_shared<PictureStore>(capacityBytes))
    , view_(new KeptPictureView(surface))
{
    pipeline_.keepPictures(store_);
}

KeptPictures::~KeptPictures()
{
    store_->setKeeping(false);
}

void KeptPictures::newFile()
{
    hide();
    instant_ = false;
    store_->setKeeping(false);
    store_->setFrameSpacing(0);
    store_->clear();
}

void KeptPictures::fileLoaded()
{
    if (!pipeline_.demuxerRunsBackwards())
        backwardsRefused();
}

void KeptPictures::backwardsRefused()
{
    instant_ = true;
}

void KeptPictures::setFramePeriod(double ms)
{
    // A frame's pictures lie less than a frame apart; a frame's start can stray from the
    // nominal rate by a rounded millisecond or a changing spacing.
    store_->setFrameSpacing(ms > 0 ? qint64(ms * 0.75) : 0);
}

void KeptPictures::setPaused(bool paused)
{
    paused_ = paused;
    store_->setKeeping(paused);
    if (!paused)
        hide();
}

bool KeptPictures::show(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs,
                        qint64 pipelineStart)
{
    if (!view_ || !paused_ || pipelineStart < 0)
        return false;
    // Back on the pipeline's own picture: the kept one over it goes.
    if (isShown() && pipelineStart >= fromMs && pipelineStart < toMs) {
        hide();
        instantMove_ = move;
        return true;
    }
    // Only pictures before the pipeline's own: those after it (decoded ahead while paused)
    // are reached faster by its steps, which go on from its own picture. Where the pipeline
    // runs backwards, its steps back are as fast, and the pictures only cover its turns.
    if (!instant_ || toMs > pipelineStart || !showPicture(fromMs, toMs))
        return false;
    keptMove_ = move;
    instantMove_ = move;
    time_ = targetMs;
    return true;
}

bool KeptPictures::cover(qint64 fromMs, qint64 toMs)
{
    if (!view_ || !paused_ || !showPicture(fromMs, toMs))
        return false;
    // No move of its own: the pipeline's, under way, brings the same frame.
    keptMove_ = 0;
    return true;
}

bool KeptPictures::showPicture(qint64 fromMs, qint64 toMs)
{
    qint64 start = -1;
    GstSample *sample = store_->find(fromMs, toMs, &start);
    if (!sample)
        return false;
    // At most the surface's size in pixels: larger would only be scaled down again.
    const QWidget *surface = view_->parentWidget();
    const QSize box = surface ? surface->size() * surface->devicePixelRatioF() : QSize();
    const QImage picture = pictureOfSample(sample, box);
    gst_sample_unref(sample);
    if (picture.isNull())
        return false;
    view_->showPicture(picture);
    shown_ = true;
    start_ = start;
    return true;
}

void KeptPictures::hide()
{
    shown_ = false;
    keptMove_ = 0;
    start_ = -1;
    if (view_)
        view_->hidePicture();
}

} // namespace dravenhol::morlek::player
