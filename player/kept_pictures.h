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
 * The pictures decoded on the way to the screen while paused, kept to be shown again at once
 * over the surface. Where the file's demuxer cannot run backwards (MPEG-TS), a step back to
 * one of them shows it while the pipeline stays on its own picture. On every file, one covers
 * the wait while the pipeline turns round or seeks to its frame. Part of the playback engine;
 * GUI thread only.
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
    /** The file has loaded: where its demuxer cannot run backwards, steps back use the store. */
    void fileLoaded();
    /** The pipeline refused to run backwards: every Left would seek. */
    void backwardsRefused();
    /** The length of the video's frames, for one picture a frame. */
    void setFramePeriod(double ms);
    /** Pictures are kept while paused only: playing would churn through the store. */
    void setPaused(bool paused);

    /** See StepEngine::showKeptPicture(); @p pipelineStart is the pipeline's own picture. */
    bool show(quint64 move, qint64 targetMs, qint64 fromMs, qint64 toMs, qint64 pipelineStart);
    /**
     * Shows the kept picture of the frame that starts in [fromMs, toMs) as a cover, while the
     * pipeline moves to that frame; false when none is kept (what is shown then stays).
     */
    bool cover(qint64 fromMs, qint64 toMs);
    /** Whether a kept picture is on screen, as a move of its own or as a cover. */
    bool isShown() const { return shown_; }
    /** Whether the kept picture on screen is the picture of @p move. */
    bool shows(quint64 move) const { return keptMove_ != 0 && keptMove_ == move; }
    /** The time and the frame start of the kept picture shown as a move; the start of a cover. */
    qint64 time() const { return time_; }
    qint64 start() const { return start_; }
    /** The latest move that took effect at once. */
    quint64 instantMove() const { return instantMove_; }
    /** The pipeline's own picture shows again (a later move of it arrived, or playing). */
    void hide();

private:
    bool showPicture(qint64 fromMs, qint64 toMs);

    PipelineStepper &pipeline_;
    std::shared_ptr<PictureStore> store_;
    QPointer<KeptPictureView> view_;
    // Steps back show kept pictures as moves of their own.
    bool instant_ = false;
    bool paused_ = false;
    bool shown_ = false;
    quint64 keptMove_ = 0;
    quint64 instantMove_ = 0;
    qint64 time_ = 0;
    qint64 start_ = -1;
};

} // namespace dravenhol::morlek::player

#endif
