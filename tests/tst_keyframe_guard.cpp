// Running backwards through the frames after an I-frame that an encoder put into a keyframe
// stretch (at a scene cut; frames after it still refer to pictures before it): with the guard
// on the pipeline, every frame decodes whole. The pipeline is GStreamer's own decodebin, fed
// files made by ffmpeg, its parser added after the guard.

#include "frame_code.h"
#include "keyframe_guard.h"
#include "player_fixture.h"
#include "test_support.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

#include <gst/gst.h>

using dravenhol::morlek::player::KeyframeGuard;

namespace {

// The frames ffprobe calls I-frames without being keyframes.
int midStretchIFrames(const QString &path)
{
    const auto result = morlek::test::runProgram(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
         QStringLiteral("v"), QStringLiteral("-show_entries"),
         QStringLiteral("frame=key_frame,pict_type"), QStringLiteral("-of"),
         QStringLiteral("csv=p=0"), path});
    return result.ok() ? int(result.output.count("0,I")) : -1;
}

struct Decoded
{
    std::mutex mutex;
    QList<int> frames;
};

void pictureArrived(GstElement *, GstBuffer *buffer, GstPad *, gpointer data)
{
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    // Grey 160 x 120: rows of 160 bytes.
    const QImage picture(map.data, 160, 120, 160, QImage::Format_Grayscale8);
    const int frame = morlek::test::decodeFrameCode(picture);
    gst_buffer_unmap(buffer, &map);
    auto *decoded = static_cast<Decoded *>(data);
    std::lock_guard<std::mutex> lock(decoded->mutex);
    decoded->frames << frame;
}

} // namespace

class TestKeyframeGuard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void backwardsFramesDecodeWhole_data();
    void backwardsFramesDecodeWhole();

private:
    QTemporaryDir dir_;
};

void TestKeyframeGuard::initTestCase()
{
    gst_init(nullptr, nullptr);
    QVERIFY(dir_.isValid());
    // One keyframe for the three seconds; scene cuts get I-frames only.
    const QStringList encoding{QStringLiteral("-c:v"), QStringLiteral("libx264"),
                               QStringLiteral("-x264-params"),
                               QStringLiteral("keyint=250:min-keyint=250:scenecut=100")};
    for (const QString name : {QStringLiteral("cuts.mkv"), QStringLiteral("cuts.mp4")}) {
        const QString path = dir_.filePath(name);
        QString error;
        QVERIFY2(morlek::test::makeCodedVideo(path, 25, 3, encoding, false, &error),
                 qPrintable(error));
        // Else the files would not have what the test is about.
        QVERIFY2(midStretchIFrames(path) > 0, qPrintable(name));
    }
}

void TestKeyframeGuard::backwardsFramesDecodeWhole_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("from");
    QTest::addRow("MKV, from frame 30") << "cuts.mkv" << 30;
    QTest::addRow("MP4, from frame 60") << "cuts.mp4" << 60;
}

void TestKeyframeGuard::backwardsFramesDecodeWhole()
{
    QFETCH(QString, file);
    QFETCH(int, from);
    const QByteArray description =
        QStringLiteral("filesrc location=\"%1\" ! decodebin ! videoconvert ! "
                       "video/x-raw,format=GRAY8,width=160,height=120 ! "
                       "fakesink name=sink signal-handoffs=true sync=false")
            .arg(dir_.filePath(file))
            .toUtf8();
    GstElement *pipeline = gst_parse_launch(description.constData(), nullptr);
    QVERIFY(pipeline);
    Decoded decoded;
    {
        const KeyframeGuard guard(pipeline);
        GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
        g_signal_connect(sink, "handoff", G_CALLBACK(pictureArrived), &decoded);
        gst_object_unref(sink);
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        QCOMPARE(gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND),
                 GST_STATE_CHANGE_SUCCESS);
        // Paused on frame `from`, then backwards from its end to the start, as a segment.
        const gint64 end = (from * 40 + 30) * GST_MSECOND;
        QVERIFY(gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                        end - 20 * GST_MSECOND));
        QCOMPARE(gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND),
                 GST_STATE_CHANGE_SUCCESS);
        QVERIFY(gst_element_seek(
            pipeline, -1.0, GST_FORMAT_TIME,
            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE | GST_SEEK_FLAG_SEGMENT),
            GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_SET, end));
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        // The demuxer tells the segment done once it has sent it all, before the decoder has
        // decoded it: the pictures are counted instead.
        const auto count = [&decoded] {
            std::lock_guard<std::mutex> lock(decoded.mutex);
            return decoded.frames.size();
        };
        QTest::qWaitFor([&] { return count() > from; }, 20000);
        GstBus *bus = gst_element_get_bus(pipeline);
        GstMessage *error = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        QVERIFY(!error);
    }
    gst_object_unref(pipeline);

    QList<int> expected;
    for (int frame = from; frame >= 0; --frame)
        expected << frame;
    // A broken picture decodes to -1 or another number.
    QCOMPARE(decoded.frames, expected);
}

QTEST_GUILESS_MAIN(TestKeyframeGuard)
#include "tst_keyframe_guard.moc"
