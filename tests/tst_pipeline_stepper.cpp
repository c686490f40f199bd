#include "gapless_wait_guard.h"
#include "picture_store.h"
#include "pipeline_stepper.h"
#include "player_fixture.h"
#include "test_support.h"

#include <gst/gst.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

// The stepper on real GStreamer pipelines, without a screen: the pictures go to fake sinks.
class TestPipelineStepper : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void catchesThePlayerPipelineMadeMeanwhile();
    void ignoresOtherElementsThreadsAndLaterPipelines();
    void stepsAndSeeksReportTheirArrival();
    void anEarlierPrerollIsNoLandingOfTheNextSeek_data();
    void anEarlierPrerollIsNoLandingOfTheNextSeek();
    void seeksLeaveTheCallerToABusyDecoderInOrder();
    void aSeekRefusedLaterIsTold();
    void theFirstFrameIsToldByItsStampBeforeAnySeek();
    void gaplessQuestionNeverReachesTheBackEnd();
    void pictureIsRefittedToTheSinksNewSize();

private:
    // Made and paused; @p catcher, if any, catches it before its elements are.
    GstElement *makePausedPipeline(const QString &path, PipelineStepper *catcher = nullptr);

    QTemporaryDir dir_;
    QString video_;
};

void TestPipelineStepper::initTestCase()
{
    QVERIFY(gst_init_check(nullptr, nullptr, nullptr));
    QVERIFY(dir_.isValid());
    video_ = dir_.filePath(QStringLiteral("v25.mp4"));
    QString error;
    QVERIFY2(morlek::test::makeVideo(video_,
                                     {QStringLiteral("-f"), QStringLiteral("lavfi"),
                                      QStringLiteral("-i"),
                                      QStringLiteral("testsrc=size=160x120:rate=25:duration=2"),
                                      QStringLiteral("-c:v"), QStringLiteral("libx264"),
                                      QStringLiteral("-g"), QStringLiteral("12")},
                                     &error),
             qPrintable(error));
}

namespace {

// The start of the picture @p sink holds, in the file's time; -1 when it holds none.
qint64 sinkPictureMs(GstElement *sink)
{
    GstSample *sample = nullptr;
    g_object_get(sink, "last-sample", &sample, nullptr);
    const qint64 ms = sample ? sampleStartMs(sample) : -1;
    if (sample)
        gst_sample_unref(sample);
    return ms;
}

} // namespace

GstElement *TestPipelineStepper::makePausedPipeline(const QString &path, PipelineStepper *catcher)
{
    GstElement *pipeline = gst_element_factory_make("playbin", nullptr);
    if (catcher && !catcher->catchPipeline()) {
        gst_object_unref(pipeline);
        return nullptr;
    }
    g_object_set(pipeline, "uri", QUrl::fromLocalFile(path).toEncoded().constData(),
                 "video-sink", gst_element_factory_make("fakesink", nullptr),
                 "audio-sink", gst_element_factory_make("fakesink", nullptr), nullptr);
    // The bus of the back-end emits its messages as signals in the posting thread.
    GstBus *bus = gst_element_get_bus(pipeline);
    gst_bus_enable_sync_message_emission(bus);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    GstState state = GST_STATE_NULL;
    gst_element_get_state(pipeline, &state, nullptr, 10 * GST_SECOND);
    if (state != GST_STATE_PAUSED) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return nullptr;
    }
    return pipeline;
}

void TestPipelineStepper::catchesThePlayerPipelineMadeMeanwhile()
{
    PipelineStepper stepper;
    GstElement *other = gst_element_factory_make("fakesink", nullptr);
    GstElement *pipeline = makePausedPipeline(video_);
    QVERIFY(pipeline);
    QVERIFY(stepper.catchPipeline());
    QVERIFY(stepper.isAttached());
    // The rate comes from the decoded video, not from a guess.
    QCOMPARE(stepper.videoFrameRate(), 25.0);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    gst_object_unref(other);
}

void TestPipelineStepper::ignoresOtherElementsThreadsAndLaterPipelines()
{
    {
        PipelineStepper stepper;
        GstElement *sink = gst_element_factory_make("fakesink", nullptr);
        GstElement *elsewhere = nullptr;
        std::thread([&elsewhere] { elsewhere = gst_element_factory_make("playbin", nullptr); })
            .join();
        QVERIFY(elsewhere);
        QVERIFY(!stepper.catchPipeline());
        QVERIFY(!stepper.isAttached());
        QCOMPARE(stepper.videoFrameRate(), 0.0);
        QVERIFY(!stepper.stepFrame(1));
        gst_object_unref(sink);
        gst_object_unref(elsewhere);
    }
    {
        // Once the watch has ended, a new pipeline belongs to somebody else.
        PipelineStepper stepper;
        QVERIFY(!stepper.catchPipeline());
        GstElement *later = gst_element_factory_make("playbin", nullptr);
        QVERIFY(!stepper.catchPipeline());
        gst_object_unref(later);
    }
    {
        // Two watches in turn each get their own.
        PipelineStepper first;
        GstElement *a = gst_element_factory_make("playbin", nullptr);
        QVERIFY(first.catchPipeline());
        PipelineStepper second;
        GstElement *b = gst_element_factory_make("playbin", nullptr);
        QVERIFY(second.catchPipeline());
        gst_object_unref(a);
        gst_object_unref(b);
    }
}

void TestPipelineStepper::stepsAndSeeksReportTheirArrival()
{
    PipelineStepper stepper;
    GstElement *pipeline = makePausedPipeline(video_);
    QVERIFY(pipeline);
    QVERIFY(stepper.catchPipeline());
    QCOMPARE(stepper.landedRequest(), quint64(0));

    const auto position = [pipeline] {
        gint64 ns = -1;
        gst_element_query_position(pipeline, GST_FORMAT_TIME, &ns);
        return ns / GST_MSECOND;
    };
    for (quint64 request = 1; request <= 3; ++request) {
        QVERIFY(stepper.stepFrame(request));
        QTRY_COMPARE(stepper.landedRequest(), request);
        QCOMPARE(position(), gint64(request * 40));
    }

    // A seek is known by the preroll after it; the step's own late reports do not count.
    stepper.beginRequest(4);
    gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            1001 * GST_MSECOND);
    QTRY_COMPARE(stepper.landedRequest(), quint64(4));
    QVERIFY(stepper.stepFrame(5));
    QTRY_COMPARE(stepper.landedRequest(), quint64(5));
    QCOMPARE(position(), gint64(1040));

    // Turned round, steps go to earlier frames; the picture stays until the first of them.
    QVERIFY(!stepper.isReversed());
    QVERIFY(stepper.reverse(6, 1041));
    QVERIFY(stepper.isReversed());
    QTRY_COMPARE(stepper.landedRequest(), quint64(6));
    // Running backwards, the position is the end of the frame on screen: frames 25, 24, 23.
    for (quint64 request = 7; request <= 9; ++request) {
        QVERIFY(stepper.stepFrame(request));
        QTRY_COMPARE(stepper.landedRequest(), request);
        QCOMPARE(position(), gint64(1040 - (request - 7) * 40));
    }

    // Forwards again, past where the backwards run began: its end no longer holds.
    QVERIFY(stepper.forward(10, 1201));
    QVERIFY(!stepper.isReversed());
    QTRY_COMPARE(stepper.landedRequest(), quint64(10));
    for (quint64 request = 11; request <= 12; ++request) {
        QVERIFY(stepper.stepFrame(request));
        QTRY_COMPARE(stepper.landedRequest(), request);
    }
    QCOMPARE(position(), gint64(1280));

    // A move that has not arrived is not reported.
    stepper.beginRequest(13);
    QTest::qWait(200);
    QCOMPARE(stepper.landedRequest(), quint64(12));

    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

// A seek's preroll is told in the streaming thread; told late, after the next seek has set
// its number, it is not that seek's landing (whose picture would be taken as on screen).
void TestPipelineStepper::anEarlierPrerollIsNoLandingOfTheNextSeek_data()
{
    QTest::addColumn<double>("rate");
    // Made in the seeking thread, and in the caller's.
    QTest::newRow("normal speed") << 1.0;
    QTest::newRow("slow motion") << 0.5;
}

void TestPipelineStepper::anEarlierPrerollIsNoLandingOfTheNextSeek()
{
    QFETCH(double, rate);
    struct ReportHold
    {
        std::mutex mutex;
        std::condition_variable released;
        bool held = false;
        std::atomic<bool> holding{false};
    } hold;
    const auto holdReport = +[](GstBus *, GstMessage *, gpointer data) {
        auto *h = static_cast<ReportHold *>(data);
        std::unique_lock<std::mutex> lock(h->mutex);
        if (!h->held)
            return;
        h->holding = true;
        h->released.wait_for(lock, std::chrono::seconds(5), [h] { return !h->held; });
        h->holding = false;
    };
    const auto flushStarts = +[](GstPad *, GstPadProbeInfo *info, gpointer data) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_START)
            static_cast<std::atomic<int> *>(data)->fetch_add(1);
        return GST_PAD_PROBE_OK;
    };

    PipelineStepper stepper;
    GstElement *pipeline = makePausedPipeline(video_);
    QVERIFY(pipeline);
    GstBus *bus = gst_element_get_bus(pipeline);
    // Ahead of the stepper's own handler of the report, which runs after it.
    const gulong handler
        = g_signal_connect(bus, "sync-message::async-done", G_CALLBACK(holdReport), &hold);
    QVERIFY(stepper.catchPipeline());
    GstElement *sink = nullptr;
    g_object_get(pipeline, "video-sink", &sink, nullptr);
    QVERIFY(sink);
    std::atomic<int> flushes{0};
    GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_EVENT_FLUSH, flushStarts, &flushes, nullptr);
    const auto shown = [sink] { return sinkPictureMs(sink); };

    // What the sink holds at each landing, as it is told.
    std::mutex landingsMutex;
    std::vector<std::pair<quint64, qint64>> landings;
    stepper.setLandedCallback([&] {
        std::lock_guard<std::mutex> lock(landingsMutex);
        landings.emplace_back(stepper.landedRequest(), shown());
    });
    {
        std::lock_guard<std::mutex> lock(hold.mutex);
        hold.held = true;
    }
    // The first seek's preroll ends, and its report waits in the streaming thread.
    QVERIFY(stepper.forward(1, 400));
    QTRY_VERIFY(hold.holding);
    QCOMPARE(shown(), qint64(400));
    // The next seek waits for that thread; once its flush has started, the report goes on.
    std::atomic<bool> secondSent{false};
    std::thread second([&] { secondSent = stepper.forward(2, 1000, rate); });
    QTRY_VERIFY(flushes.load() >= 2);
    {
        std::lock_guard<std::mutex> lock(hold.mutex);
        hold.held = false;
    }
    hold.released.notify_all();
    second.join();
    QVERIFY(secondSent);
    QTRY_COMPARE(stepper.landedRequest(), quint64(2));
    QCOMPARE(shown(), qint64(1000));
    stepper.setLandedCallback({});
    {
        std::lock_guard<std::mutex> lock(landingsMutex);
        QVERIFY(!landings.empty());
        for (const auto &landing : landings) {
            if (landing.first == 2)
                QCOMPARE(landing.second, qint64(1000));
        }
    }

    g_signal_handler_disconnect(bus, handler);
    gst_object_unref(bus);
    gst_object_unref(sinkPad);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

namespace {

// Holds the picture's streaming thread in the video sink's pad while held, as a decoder busy
// with a 2160p picture does: a flushing seek then waits for the thread to let go.
struct SinkHold
{
    std::mutex mutex;
    std::condition_variable released;
    bool held = false;
    std::atomic<bool> holding{false};
    std::atomic<bool> timedOut{false};

    static GstPadProbeReturn probe(GstPad *, GstPadProbeInfo *, gpointer data)
    {
        auto *hold = static_cast<SinkHold *>(data);
        std::unique_lock<std::mutex> lock(hold->mutex);
        if (!hold->held)
            return GST_PAD_PROBE_OK;
        hold->holding = true;
        if (!hold->released.wait_for(lock, std::chrono::seconds(5), [hold] { return !hold->held; }))
            hold->timedOut = true;
        hold->holding = false;
        return GST_PAD_PROBE_OK;
    }

    void set(bool on)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            held = on;
        }
        released.notify_all();
    }
};

GstPadProbeReturn countFlushes(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP)
        static_cast<std::atomic<int> *>(data)->fetch_add(1);
    return GST_PAD_PROBE_OK;
}

} // namespace

// A seek on the paused pipeline returns to the caller at once, even while the streaming
// thread is busy, and the moves asked after it (seeks and steps) still come in the order
// asked. A seek that changes the rate, which playing follows, is made before it returns.
void TestPipelineStepper::seeksLeaveTheCallerToABusyDecoderInOrder()
{
    PipelineStepper stepper;
    GstElement *pipeline = makePausedPipeline(video_);
    QVERIFY(pipeline);
    QVERIFY(stepper.catchPipeline());
    GstElement *sink = nullptr;
    g_object_get(pipeline, "video-sink", &sink, nullptr);
    QVERIFY(sink);
    GstPad *pad = gst_element_get_static_pad(sink, "sink");
    SinkHold hold;
    std::atomic<int> flushes{0};
    const auto shown = [sink] { return sinkPictureMs(sink); };
    const gulong probe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &SinkHold::probe,
                                           &hold, nullptr);
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_FLUSH, countFlushes, &flushes, nullptr);

    hold.set(true);
    QVERIFY(stepper.forward(1, 400));
    QTRY_VERIFY(hold.holding);
    // The thread is held: this seek could not be made before the hold ends.
    QVERIFY(stepper.forward(2, 1000));
    QVERIFY(hold.holding);
    QVERIFY(!hold.timedOut);
    QCOMPARE(stepper.landedRequest(), quint64(0));
    // The picture still in the sink is the one the seek will flush: it names no frame.
    QCOMPARE(stepper.shownFrameTime(), qint64(-1));
    hold.set(false);
    QTRY_COMPARE(stepper.landedRequest(), quint64(2));
    QCOMPARE(shown(), qint64(1000));
    QCOMPARE(stepper.shownFrameTime(), qint64(1000));
    QVERIFY(!hold.timedOut);

    // Moves asked at once, without waiting for any to arrive, come in the order asked.
    QVERIFY(stepper.forward(3, 200));
    QVERIFY(stepper.stepFrame(4));
    QTRY_COMPARE(stepper.landedRequest(), quint64(4));
    QCOMPARE(shown(), qint64(240));
    QVERIFY(stepper.forward(5, 1600));
    QVERIFY(stepper.forward(6, 800));
    QVERIFY(stepper.reverse(7, 801));
    QTRY_COMPARE(stepper.landedRequest(), quint64(7));
    QVERIFY(stepper.stepFrame(8));
    QTRY_COMPARE(stepper.landedRequest(), quint64(8));
    // Running backwards from frame 20 (800 ms), one step shows frame 19.
    QCOMPARE(shown(), qint64(760));

    // A slow seek has flushed the sink when it returns, after the seek asked before it.
    QVERIFY(stepper.forward(9, 1200));
    const int before = flushes.load();
    QVERIFY(stepper.forward(10, 600, 0.5));
    QVERIFY(flushes.load() >= before + 1);
    QTRY_COMPARE(stepper.landedRequest(), quint64(10));
    QCOMPARE(shown(), qint64(600));

    gst_pad_remove_probe(pad, probe);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

// A file read from a pipe cannot be sought in; the refusal comes after forward() has returned.
void TestPipelineStepper::aSeekRefusedLaterIsTold()
{
    // Matroska, which is read as it comes; MP4 keeps its index at the end.
    const QString video = dir_.filePath(QStringLiteral("v25.mkv"));
    QString error;
    QVERIFY2(morlek::test::makeVideo(video,
                                     {QStringLiteral("-f"), QStringLiteral("lavfi"),
                                      QStringLiteral("-i"),
                                      QStringLiteral("testsrc=size=160x120:rate=25:duration=2"),
                                      QStringLiteral("-c:v"), QStringLiteral("libx264")},
                                     &error),
             qPrintable(error));
    int ends[2];
    QVERIFY(::pipe(ends) == 0);
    // The pipe's reader may stop before the whole file is written.
    std::signal(SIGPIPE, SIG_IGN);
    std::thread feed([path = video, writeEnd = ends[1]] {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            qint64 done = 0;
            while (done < bytes.size()) {
                const ssize_t n
                    = ::write(writeEnd, bytes.constData() + done, size_t(bytes.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
        }
        ::close(writeEnd);
    });

    PipelineStepper stepper;
    GstElement *pipeline = gst_element_factory_make("playbin", nullptr);
    QVERIFY(stepper.catchPipeline());
    g_object_set(pipeline, "uri", QByteArray("fd://" + QByteArray::number(ends[0])).constData(),
                 "video-sink", gst_element_factory_make("fakesink", nullptr), "audio-sink",
                 gst_element_factory_make("fakesink", nullptr), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    GstState state = GST_STATE_NULL;
    gst_element_get_state(pipeline, &state, nullptr, 10 * GST_SECOND);
    QCOMPARE(state, GST_STATE_PAUSED);

    std::mutex mutex;
    std::vector<std::pair<quint64, qint64>> refused;
    stepper.setRefusedCallback([&](quint64 request, qint64 ms) {
        std::lock_guard<std::mutex> lock(mutex);
        refused.emplace_back(request, ms);
    });
    QVERIFY(stepper.forward(1, 1000));
    stepper.finishMoves();
    QVERIFY(stepper.forward(2, 1200));
    stepper.finishMoves();
    {
        std::lock_guard<std::mutex> lock(mutex);
        QCOMPARE(int(refused.size()), 2);
        QCOMPARE(refused[0], std::make_pair(quint64(1), qint64(1000)));
        QCOMPARE(refused[1], std::make_pair(quint64(2), qint64(1200)));
    }
    stepper.setRefusedCallback({});

    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    ::close(ends[0]);
    feed.join();
}

// Matroska with AAC sound starts its video a priming after zero (ffmpeg 5.1): before any seek
// the demuxer told the first frame at 0, and after one at its stamp, 23 ms. It is told at its
// stamp from the start, as the file has it.
void TestPipelineStepper::theFirstFrameIsToldByItsStampBeforeAnySeek()
{
    const QString video = dir_.filePath(QStringLiteral("primed.mkv"));
    QString error;
    QVERIFY2(morlek::test::makeVideo(
                 video,
                 {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=160x120:rate=25:duration=1"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=d=1"),
                  QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-c:a"),
                  QStringLiteral("aac")},
                 &error),
             qPrintable(error));
    const QList<qint64> starts = morlek::test::frameStartsMs(video);
    QVERIFY(starts.size() > 2);

    PipelineStepper stepper;
    GstElement *pipeline = makePausedPipeline(video, &stepper);
    QVERIFY(pipeline);
    QCOMPARE(stepper.shownFrameStamp(), starts.first());
    QVERIFY(stepper.forward(1, 0));
    stepper.finishMoves();
    QTRY_COMPARE(stepper.shownFrameStamp(), starts.first());

    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

// The back-end answers the pipeline's question for a next source by waiting up to seconds in
// the streaming thread; the player never has one to give, so the question must not arrive.
void TestPipelineStepper::gaplessQuestionNeverReachesTheBackEnd()
{
    GstElement *playbin = gst_element_factory_make("playbin", nullptr);
    QVERIFY(playbin);
    gst_object_ref_sink(playbin);
    int early = 0;
    int late = 0;
    const auto count = +[](GstElement *, gpointer counter) { ++*static_cast<int *>(counter); };
    g_signal_connect(playbin, "about-to-finish", G_CALLBACK(count), &early);
    {
        dravenhol::morlek::player::GaplessWaitGuard guard(playbin);
        QVERIFY(guard.isGuarding());
        // A handler connected later is kept back once the guard looks again.
        g_signal_connect(playbin, "about-to-finish", G_CALLBACK(count), &late);
        guard.refresh();
        g_signal_emit_by_name(playbin, "about-to-finish");
        QCOMPARE(early, 0);
        QCOMPARE(late, 0);
    }
    // Gone, the guard leaves the handlers as it found them.
    g_signal_emit_by_name(playbin, "about-to-finish");
    QCOMPARE(early, 1);
    QCOMPARE(late, 1);
    gst_object_unref(playbin);
}



// A sink that cannot scale (X without Xv) names its window's size first among the sizes it
// takes; the size is agreed once, and the sink draws every later picture at it. An app sink
// restricted to one size first stands for it here, its window growing by a change of caps.
void TestPipelineStepper::pictureIsRefittedToTheSinksNewSize()
{
    const auto wanting = [](int width, int height) {
        return gst_caps_from_string(
            QStringLiteral("video/x-raw, format=BGRx, width=%1, height=%2, "
                           "pixel-aspect-ratio=1/1; video/x-raw, format=BGRx")
                .arg(width)
                .arg(height)
                .toUtf8()
                .constData());
    };
    GstElement *sinkBin = gst_parse_bin_from_description(
        "videoconvert ! videoscale ! appsink name=window sync=false", TRUE, nullptr);
    QVERIFY(sinkBin);
    GstElement *window = gst_bin_get_by_name(GST_BIN(sinkBin), "window");
    GstCaps *small = wanting(200, 150);
    g_object_set(window, "caps", small, nullptr);
    gst_caps_unref(small);

    PipelineStepper stepper;
    GstElement *pipeline = gst_element_factory_make("playbin", nullptr);
    QVERIFY(stepper.catchPipeline());
    g_object_set(pipeline, "uri", QUrl::fromLocalFile(video_).toEncoded().constData(),
                 "video-sink", sinkBin, "audio-sink",
                 gst_element_factory_make("fakesink", nullptr), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    QCOMPARE(gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND),
             GST_STATE_CHANGE_SUCCESS);
    const auto pictureSize = [window] {
        GstSample *sample = nullptr;
        g_object_get(window, "last-sample", &sample, nullptr);
        QSize size;
        if (sample) {
            const GstStructure *s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
            int width = 0, height = 0;
            gst_structure_get_int(s, "width", &width);
            gst_structure_get_int(s, "height", &height);
            size = QSize(width, height);
            gst_sample_unref(sample);
        }
        return size;
    };
    const auto redraw = [pipeline](qint64 ms) {
        gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                ms * GST_MSECOND);
        return gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND);
    };
    QCOMPARE(pictureSize(), QSize(200, 150));
    QVERIFY(stepper.pictureFitsSink());

    // The window grows: the picture no longer fits, and a picture made again without a refit
    // keeps the old size.
    GstCaps *large = wanting(320, 240);
    g_object_set(window, "caps", large, nullptr);
    gst_caps_unref(large);
    QVERIFY(!stepper.pictureFitsSink());
    QCOMPARE(redraw(400), GST_STATE_CHANGE_SUCCESS);
    QCOMPARE(pictureSize(), QSize(200, 150));
    QVERIFY(!stepper.pictureFitsSink());

    // Refitted, the next picture comes at the window's size, steps as well as seeks.
    QVERIFY(stepper.refitPicture());
    QCOMPARE(redraw(400), GST_STATE_CHANGE_SUCCESS);
    QCOMPARE(pictureSize(), QSize(320, 240));
    QVERIFY(stepper.pictureFitsSink());
    GstCaps *wide = wanting(400, 150);
    g_object_set(window, "caps", wide, nullptr);
    gst_caps_unref(wide);
    QVERIFY(stepper.refitPicture());
    QVERIFY(stepper.stepFrame(1));
    QTRY_COMPARE(pictureSize(), QSize(400, 150));
    QVERIFY(stepper.pictureFitsSink());

    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(window);
    gst_object_unref(pipeline);
}

QTEST_GUILESS_MAIN(TestPipelineStepper)
#include "tst_pipeline_stepper.moc"
