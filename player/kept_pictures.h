#ifndef MORLEK_KEPT_PICTURES_H
#define MORLEK_KEPT_PICTURES_H

#include <QPointer>
#include <QtGlobal>

#include <memory>

class KeptPictureView;
class PictureStore;
class PipelineStepper;
class QWidget;

namespace dravenhol::morlek::player {

/**
 * Steps back without decoding, where the file's demuxer cannot run backwards (MPEG-TS): the
 * pictures decoded on the way to the screen are kept while paused, and a step back to one of
 * them shows it over the surface, while the pipeline stays on its own picture. Part of the
 * playback engine; GUI thread only.
 */
class KeptPictures
{
public:
    /** The store's bound: about 80 pictures of 1080p, 20 of 2160p. */
    static constexpr qint64 capacityBytes = qint64(256) << 20;

    KeptPictures(PipelineStepper &pipeline, QWidget *surface);
    ~KeptPictures();
    KeptPictures(const KeptPictures &) = delete;
    KeptPictures &operator=(const KeptPictures &) = delete;

    /** A new file is set: nothing is kept, and nothing shown. */
    void newFile();
    /** The file has loaded: pictures are kept where its demuxer cannot run backwards. */
    void fileLoaded();
    /** The pipeline refused to run backwards: every Left would seek. */
    void backwardsRefused();
    /** The length of the video's frames, for one picture a frame. */
    void setFramePeriod(double ms);
    /** Pictures are kept while paused only: playing would churn through the store. */
    void setPaused(bool paused);

    /** See StepEngine::showKeptPicture(); @p pipelineStart is the pipeline's own picture. */
    bool show(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs, qint64 pipelineStart);
    /** Whether a kept picture is on screen. */
    bool isShown() const { return keptMove_ != 0; }
    /** Whether the kept picture on screen is the picture of @p move. */
    bool shows(quint64 move) const { return keptMove_ != 0 && keptMove_ == move; }
    /** The time and the frame start of the kept picture on screen. */
    qint64 time() const { return time_; }
    qint64 start() const { return start_; }
    /** The latest move that took effect at once. */
    quint64 instantMove() const { return instantMove_; }
    /** The pipeline's own picture shows again (a later move of it arrived, or playing). */
    void hide();

private:
    PipelineStepper &pipeline_;
    std::shared_ptr<PictureStore> store_;
    QPointer<KeptPictureView> view_;
    bool wanted_ = false;
    bool paused_ = false;
    quint64 keptMove_ = 0;
    quint64 instantMove_ = 0;
    qint64 time_ = 0;
    qint64 start_ = -1;
};

} // namespace dravenhol::morlek::player

#endif
