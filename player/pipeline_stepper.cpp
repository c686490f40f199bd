#include "pipeline_stepper.h"

#include "demuxer_stamps.h"
#include "seek_thread.h"

#include <gst/gst.h>
#include <gst/gsttracer.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

struct PipelineStepper::Shared
{
    std::mutex mutex;
    quint64 request = 0;
    // A step is known by its event's number; a seek by the end of the preroll it causes.
    bool requestIsStep = false;
    guint32 stepSeqnum = GST_SEQNUM_INVALID;
    // While a flushing seek of ours is on its way to the picture's sink, a preroll that ends
    // is an earlier move's: its report can come after the seek's number was set.
    bool awaitingFlush = false;
    // Whether the picture's sink tells of the flushes that reach it.
    bool flushWatched = false;
    std::atomic<quint64> landed{0};
    // Told of every landing, in the streaming thread, under the mutex.
    std::function<void()> onLanded;
    // Told of a seek the pipeline refused in the seeking thread, under the mutex.
    std::function<void(quint64, qint64)> onRefused;

    void refused(quint64 number, qint64 positionMs)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (onRefused)
            onRefused(number, positionMs);
    }

    void land()
    {
        landed.store(request);
        if (onLanded)
            onLanded();
    }

    void begin(quint64 number, bool step, guint32 seqnum, bool flushing = false)
    {
        std::lock_guard<std::mutex> lock(mutex);
        request = number;
        requestIsStep = step;
        stepSeqnum = seqnum;
        awaitingFlush = flushing && flushWatched;
    }

    // Just before a flushing seek of ours.
    void beginSeek(quint64 number) { begin(number, false, GST_SEQNUM_INVALID, true); }

    // The seek's flush has passed the sink, or the seek has returned (whose flush would have
    // passed by then): a preroll from now on is the seek's own.
    void flushed()
    {
        std::lock_guard<std::mutex> lock(mutex);
        awaitingFlush = false;
    }
};

// Reached from the tracer hook, which has no access to the class's private part otherwise.
void offerElement(PipelineStepper *stepper, GstElement *element)
{
    stepper->offer(element);
}

namespace {

// The stepper watching in this thread. Elements are made in many threads, but the back-end
// makes its pipeline in the thread of the media object.
thread_local PipelineStepper *watchingStepper = nullptr;

// A tracer is GStreamer's only way to hear of every element made; this one does nothing else.
struct MorlekCatchTracer
{
    GstTracer parent;
};
struct MorlekCatchTracerClass
{
    GstTracerClass parentClass;
};
G_DEFINE_TYPE(MorlekCatchTracer, morlek_catch_tracer, GST_TYPE_TRACER)
void morlek_catch_tracer_class_init(MorlekCatchTracerClass *) {}
void morlek_catch_tracer_init(MorlekCatchTracer *) {}

void elementMade(GstTracer *, GstClockTime, GstElement *element)
{
    if (watchingStepper)
        offerElement(watchingStepper, element);
}

bool installHook()
{
    // Only where the back-end has started GStreamer: another back-end has no pipeline.
    static const bool installed = [] {
        if (!gst_is_initialized())
            return false;
        // The hook list keeps the tracer for the rest of the process.
        auto *tracer = static_cast<GstTracer *>(g_object_new(morlek_catch_tracer_get_type(), nullptr));
        gst_tracing_register_hook(tracer, "element-new", G_CALLBACK(elementMade));
        gst_object_unref(tracer);
        return true;
    }();
    return installed;
}

bool isPlayerPipeline(GstElement *element)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    if (!factory)
        return false;
    const gchar *name = GST_OBJECT_NAME(factory);
    return g_strcmp0(name, "playbin") == 0 || g_strcmp0(name, "playbin3") == 0;
}

void releaseShared(gpointer data, GClosure *)
{
    delete static_cast<std::shared_ptr<PipelineStepper::Shared> *>(data);
}

} // namespace

// These run in the streaming thread right after the picture went to the screen: a report
// queued to the GUI thread could arrive after the user saw the picture and acted on it.
static void stepDone(GstBus *, GstMessage *message, gpointer data)
{
    auto &shared = *static_cast<std::shared_ptr<PipelineStepper::Shared> *>(data);
    std::lock_guard<std::mutex> lock(shared->mutex);
    // The sound's sink reports its part of the step too, under another number.
    if (shared->requestIsStep && gst_message_get_seqnum(message) == shared->stepSeqnum)
        shared->land();
}

static void prerollDone(GstBus *, GstMessage *, gpointer data)
{
    auto &shared = *static_cast<std::shared_ptr<PipelineStepper::Shared> *>(data);
    std::lock_guard<std::mutex> lock(shared->mutex);
    // A step ends with a preroll as well, after its own report.
    if (!shared->requestIsStep && !shared->awaitingFlush)
        shared->land();
}

static GstPadProbeReturn flushReachedSink(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    auto &shared = *static_cast<std::shared_ptr<PipelineStepper::Shared> *>(data);
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP)
        shared->flushed();
    return GST_PAD_PROBE_OK;
}

static void dropShared(gpointer data)
{
    delete static_cast<std::shared_ptr<PipelineStepper::Shared> *>(data);
}

PipelineStepper::PipelineStepper()
    : shared_(std::make_shared<Shared>())
    , seeks_(std::make_unique<SeekThread>())
{
    if (installHook() && !watchingStepper)
        watchingStepper = this;
}

PipelineStepper::~PipelineStepper()
{
    if (watchingStepper == this)
        watchingStepper = nullptr;
    // A seek still running holds the pipeline.
    seeks_.reset();
    setLandedCallback({});
    setRefusedCallback({});
    disconnectBus();
    if (flip_)
        gst_object_unref(flip_);
    if (offered_)
        gst_object_unref(offered_);
    if (pipeline_)
        gst_object_unref(pipeline_);
}

void PipelineStepper::offer(GstElement *element)
{
    if (!offered_ && isPlayerPipeline(element))
        offered_ = static_cast<GstElement *>(gst_object_ref(element));
}

bool PipelineStepper::catchPipeline()
{
    if (watchingStepper == this)
        watchingStepper = nullptr;
    if (pipeline_ || !offered_)
        return pipeline_ != nullptr;
    pipeline_ = offered_;
    offered_ = nullptr;
    dravenhol::morlek::player::mendDemuxerStamps(pipeline_);

    // The back-end has the bus emit its messages as signals in the posting thread.
    GstBus *bus = gst_element_get_bus(pipeline_);
    if (bus) {
        asyncDoneHandler_ = g_signal_connect_data(
            bus, "sync-message::async-done", G_CALLBACK(prerollDone),
            new std::shared_ptr<Shared>(shared_), releaseShared, GConnectFlags(0));
        stepDoneHandler_ = g_signal_connect_data(
            bus, "sync-message::step-done", G_CALLBACK(stepDone),
            new std::shared_ptr<Shared>(shared_), releaseShared, GConnectFlags(0));
        gst_object_unref(bus);
    }
    // A serialized flush reaches the sink only once the streaming thread has left it, and
    // with it any report of a preroll from before the flush.
    for (GstElement *sink : videoSinks()) {
        if (GstPad *pad = gst_element_get_static_pad(sink, "sink")) {
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_FLUSH, flushReachedSink,
                              new std::shared_ptr<Shared>(shared_), dropShared);
            std::lock_guard<std::mutex> lock(shared_->mutex);
            shared_->flushWatched = true;
            gst_object_unref(pad);
        }
        gst_object_unref(sink);
    }
    return true;
}

void PipelineStepper::disconnectBus()
{
    if (!pipeline_)
        return;
    GstBus *bus = gst_element_get_bus(pipeline_);
    if (!bus)
        return;
    if (asyncDoneHandler_)
        g_signal_handler_disconnect(bus, asyncDoneHandler_);
    if (stepDoneHandler_)
        g_signal_handler_disconnect(bus, stepDoneHandler_);
    asyncDoneHandler_ = stepDoneHandler_ = 0;
    gst_object_unref(bus);
}

void PipelineStepper::beginRequest(quint64 request)
{
    finishMoves();
    reversed_ = false;
    shared_->begin(request, false, GST_SEQNUM_INVALID);
}

void PipelineStepper::setLandedCallback(std::function<void()> callback)
{
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->onLanded = std::move(callback);
}

void PipelineStepper::setRefusedCallback(std::function<void(quint64, qint64)> callback)
{
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->onRefused = std::move(callback);
}

void PipelineStepper::finishMoves() const
{
    if (seeks_)
        seeks_->waitIdle();
}

quint64 PipelineStepper::landedRequest() const
{
    return shared_->landed.load();
}

bool PipelineStepper::reverse(quint64 request, qint64 positionMs)
{
    if (!pipeline_ || positionMs <= 0)
        return false;
    // Its answer tells whether the file runs backwards at all: it is made here, in order.
    finishMoves();
    shared_->beginSeek(request);
    // As a segment: reaching the start then ends the segment instead of the stream, which the
    // back-end would take for the end of the file and wait on for a next one.
    reversed_ = gst_element_seek(pipeline_, -1.0, GST_FORMAT_TIME,
                                 GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE
                                              | GST_SEEK_FLAG_SEGMENT),
                                 GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_SET,
                                 positionMs * GST_MSECOND);
    shared_->flushed();
    return reversed_;
}

namespace {

bool seekForward(GstElement *pipeline, qint64 positionMs, double rate)
{
    return gst_element_seek(pipeline, rate, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            GST_SEEK_TYPE_SET, qMax<qint64>(0, positionMs) * GST_MSECOND,
                            GST_SEEK_TYPE_SET, GST_CLOCK_TIME_NONE);
}

// Paused and staying so: a seek there only moves the picture, and nothing the back-end does
// next (playing, a new file) can start before the caller has waited for it.
bool staysPaused(GstElement *pipeline)
{
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline, &current, &pending, 0);
    return current == GST_STATE_PAUSED && GST_STATE_TARGET(pipeline) == GST_STATE_PAUSED
        && (pending == GST_STATE_VOID_PENDING || pending == GST_STATE_PAUSED);
}

} // namespace

bool PipelineStepper::forward(quint64 request, qint64 positionMs, double rate)
{
    if (!pipeline_ || rate <= 0)
        return false;
    // A flushing seek waits for the decoder to finish the picture it is on: 50 to 120 ms at
    // 2160p, which the window must not wait for.
    if (rate == 1.0 && staysPaused(pipeline_)) {
        reversed_ = false;
        // The seek numbers its request when it is made: a move before it may land meanwhile.
        seeks_->postReplacing([pipeline = pipeline_, shared = shared_, request, positionMs] {
            shared->beginSeek(request);
            const bool sent = seekForward(pipeline, positionMs, 1.0);
            shared->flushed();
            if (!sent)
                shared->refused(request, positionMs);
        });
        return true;
    }
    finishMoves();
    shared_->beginSeek(request);
    const bool sent = seekForward(pipeline_, positionMs, rate);
    shared_->flushed();
    if (sent)
        reversed_ = false;
    return sent;
}

bool PipelineStepper::stepFrame(quint64 request, int frames)
{
    if (!pipeline_ || frames < 1)
        return false;
    finishMoves();
    // The flag would end a step still under way: the caller waits for it to arrive first.
    GstEvent *step = gst_event_new_step(GST_FORMAT_BUFFERS, guint64(frames), 1.0, TRUE, FALSE);
    shared_->begin(request, true, gst_event_get_seqnum(step));
    return gst_element_send_event(pipeline_, step);
}
