// The store of decoded pictures that steps back show: which picture a frame's span finds,
// what goes when it is full, and the picture and the stamp read from real GStreamer samples.

#include "picture_store.h"

#include <QtTest>

#include <algorithm>

#include <gst/gst.h>
#include <gst/video/video.h>

namespace {

// A raw I420 picture of one colour (Y, U, V), stamped at ptsMs, in a segment from segmentMs.
GstSample *picture(int width, int height, qint64 ptsMs, const QString &par = QStringLiteral("1/1"),
                   int y = 81, int u = 90, int v = 240, qint64 segmentMs = 0,
                   qint64 durationMs = 40)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, guint(width), guint(height));
    const QStringList parts = par.split(QLatin1Char('/'));
    info.par_n = parts.at(0).toInt();
    info.par_d = parts.at(1).toInt();
    info.fps_n = 25;
    info.fps_d = 1;
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, info.size, nullptr);
    GstVideoFrame frame;
    gst_video_frame_map(&frame, &info, buffer, GST_MAP_WRITE);
    const int values[3] = {y, u, v};
    for (guint plane = 0; plane < 3; ++plane) {
        auto *data = static_cast<guint8 *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
        const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane);
        for (int row = 0; row < rows; ++row)
            memset(data + row * stride, values[plane], size_t(stride));
    }
    gst_video_frame_unmap(&frame);
    GST_BUFFER_PTS(buffer) = GstClockTime(ptsMs) * GST_MSECOND;
    GST_BUFFER_DURATION(buffer) = GstClockTime(durationMs) * GST_MSECOND;
    GstCaps *caps = gst_video_info_to_caps(&info);
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = GstClockTime(segmentMs) * GST_MSECOND;
    segment.time = segment.start;
    segment.position = segment.start;
    GstSample *sample = gst_sample_new(buffer, caps, &segment, nullptr);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

// Stores the starts given, each a picture of 64x48 (4,608 bytes).
void keepAll(PictureStore &store, const QList<qint64> &starts)
{
    for (const qint64 start : starts) {
        GstSample *sample = picture(64, 48, start);
        store.keep(start, sample);
        gst_sample_unref(sample);
    }
}

QList<qint64> keptStarts(const PictureStore &store, qint64 upTo)
{
    QList<qint64> starts;
    for (qint64 from = 0; from < upTo;) {
        qint64 start = -1;
        GstSample *sample = store.find(from, upTo, &start);
        if (!sample)
            break;
        gst_sample_unref(sample);
        starts << start;
        from = start + 1;
    }
    return starts;
}

constexpr qint64 pictureBytes = 64 * 48 * 3 / 2;

} // namespace

class TestPictureStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }
    void findsTheFirstPictureOfASpan_data();
    void findsTheFirstPictureOfASpan();
    void fullStoreDropsTheFarthestPictures_data();
    void fullStoreDropsTheFarthestPictures();
    void onePictureAFrame_data();
    void onePictureAFrame();
    void samePictureKeptAgainIsReplaced();
    void clearForgetsEverything();
    void pictureHasTheScreensColoursAndShape_data();
    void pictureHasTheScreensColoursAndShape();
    void noPictureFromASampleWithoutVideo();
    void startOfASampleIsItsStreamTime_data();
    void startOfASampleIsItsStreamTime();
};

void TestPictureStore::findsTheFirstPictureOfASpan_data()
{
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("to");
    QTest::addColumn<qint64>("found");
    // A frame of 40 ms, deinterlaced into two pictures 20 ms apart: the first is the frame's.
    QTest::addRow("a frame's span") << qint64(40) << qint64(80) << qint64(40);
    QTest::addRow("the first of two field pictures") << qint64(120) << qint64(160) << qint64(120);
    QTest::addRow("a span that starts inside a frame") << qint64(41) << qint64(81) << qint64(80);
    QTest::addRow("the span's end is not in it") << qint64(161) << qint64(200) << qint64(-1);
    QTest::addRow("nothing kept there") << qint64(400) << qint64(440) << qint64(-1);
    QTest::addRow("an empty span") << qint64(40) << qint64(40) << qint64(-1);
}

void TestPictureStore::findsTheFirstPictureOfASpan()
{
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(qint64, found);
    PictureStore store(qint64(1) << 20);
    keepAll(store, {0, 40, 80, 120, 140, 200});
    qint64 start = -2;
    GstSample *sample = store.find(from, to, &start);
    if (found < 0) {
        QVERIFY(!sample);
        return;
    }
    QVERIFY(sample);
    QCOMPARE(start, found);
    QCOMPARE(sampleStartMs(sample), found);
    gst_sample_unref(sample);
}

void TestPictureStore::fullStoreDropsTheFarthestPictures_data()
{
    QTest::addColumn<QList<qint64>>("kept");
    QTest::addColumn<QList<qint64>>("left");
    // Room for four: steps forwards drop the earliest, steps back the latest.
    QTest::addRow("forwards") << QList<qint64>{0, 40, 80, 120, 160, 200}
                              << QList<qint64>{80, 120, 160, 200};
    QTest::addRow("backwards") << QList<qint64>{400, 360, 320, 280, 240}
                               << QList<qint64>{240, 280, 320, 360};
    QTest::addRow("back after a jump") << QList<qint64>{0, 40, 80, 120, 1000, 960}
                                       << QList<qint64>{80, 120, 960, 1000};
}

void TestPictureStore::fullStoreDropsTheFarthestPictures()
{
    QFETCH(QList<qint64>, kept);
    QFETCH(QList<qint64>, left);
    PictureStore store(4 * pictureBytes);
    keepAll(store, kept);
    QCOMPARE(keptStarts(store, 10000), left);
    QCOMPARE(store.count(), left.size());
    QCOMPARE(store.bytes(), left.size() * pictureBytes);
}

void TestPictureStore::onePictureAFrame_data()
{
    QTest::addColumn<qint64>("spacing");
    QTest::addColumn<QList<qint64>>("kept");
    QTest::addColumn<QList<qint64>>("left");
    // 50i deinterlaced: two pictures a frame of 40 ms, the second never shown by a step.
    QTest::addRow("fields of 25i") << qint64(30) << QList<qint64>{0, 20, 40, 60, 80, 100}
                                   << QList<qint64>{0, 40, 80};
    QTest::addRow("fields of 25i, kept going back")
        << qint64(30) << QList<qint64>{80, 100, 40, 60} << QList<qint64>{40, 80};
    QTest::addRow("frames of 30 fps rounded to ms") << qint64(25) << QList<qint64>{0, 33, 66, 100}
                                                    << QList<qint64>{0, 33, 66, 100};
    QTest::addRow("every picture") << qint64(0) << QList<qint64>{0, 20, 40}
                                   << QList<qint64>{0, 20, 40};
}

void TestPictureStore::onePictureAFrame()
{
    QFETCH(qint64, spacing);
    QFETCH(QList<qint64>, kept);
    QFETCH(QList<qint64>, left);
    PictureStore store(qint64(1) << 20);
    store.setFrameSpacing(spacing);
    QList<qint64> taken;
    for (const qint64 start : kept) {
        if (store.takes(start))
            taken << start;
        keepAll(store, {start});
    }
    std::sort(taken.begin(), taken.end());
    QCOMPARE(taken, left);
    QCOMPARE(keptStarts(store, 10000), left);
}

void TestPictureStore::samePictureKeptAgainIsReplaced()
{
    PictureStore store(qint64(1) << 20);
    GstSample *first = picture(64, 48, 40, QStringLiteral("1/1"), 16);
    GstSample *again = picture(32, 24, 40, QStringLiteral("1/1"), 235);
    store.keep(40, first);
    store.keep(40, again);
    gst_sample_unref(first);
    gst_sample_unref(again);
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.bytes(), qint64(32 * 24 * 3 / 2));
    GstSample *found = store.find(0, 100);
    QVERIFY(found);
    QCOMPARE(pictureOfSample(found).size(), QSize(32, 24));
    gst_sample_unref(found);
}

void TestPictureStore::clearForgetsEverything()
{
    PictureStore store(qint64(1) << 20);
    keepAll(store, {0, 40, 80});
    store.clear();
    QCOMPARE(store.count(), 0);
    QCOMPARE(store.bytes(), qint64(0));
    QVERIFY(!store.find(0, 1000));
}

void TestPictureStore::pictureHasTheScreensColoursAndShape_data()
{
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<QString>("par");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("v");
    QTest::addColumn<QColor>("colour");
    // BT.601 limited range, as the decoder gives standard-definition pictures.
    QTest::addRow("red, square pixels") << QSize(320, 240) << "1/1" << QSize() << QSize(320, 240)
                                        << 81 << 90 << 240 << QColor(255, 0, 0);
    QTest::addRow("blue, PAL widescreen") << QSize(720, 576) << "64/45" << QSize()
                                          << QSize(1024, 576) << 41 << 240 << 110
                                          << QColor(0, 0, 255);
    QTest::addRow("white, HDV's narrow pixels") << QSize(1440, 1080) << "4/3" << QSize()
                                                << QSize(1920, 1080) << 235 << 128 << 128
                                                << QColor(255, 255, 255);
    // Made at the size of the surface it is shown on, not larger.
    QTest::addRow("2160p on a smaller surface") << QSize(3840, 2160) << "1/1" << QSize(1600, 1000)
                                                << QSize(1600, 900) << 235 << 128 << 128
                                                << QColor(255, 255, 255);
    QTest::addRow("HDV on a smaller surface") << QSize(1440, 1080) << "4/3" << QSize(960, 720)
                                              << QSize(960, 540) << 235 << 128 << 128
                                              << QColor(255, 255, 255);
    QTest::addRow("a surface larger than the picture") << QSize(320, 240) << "1/1"
                                                       << QSize(1600, 1000) << QSize(320, 240)
                                                       << 41 << 240 << 110 << QColor(0, 0, 255);
}

void TestPictureStore::pictureHasTheScreensColoursAndShape()
{
    QFETCH(QSize, decoded);
    QFETCH(QString, par);
    QFETCH(QSize, box);
    QFETCH(QSize, shown);
    QFETCH(int, y);
    QFETCH(int, u);
    QFETCH(int, v);
    QFETCH(QColor, colour);
    GstSample *sample = picture(decoded.width(), decoded.height(), 0, par, y, u, v);
    const QImage image = pictureOfSample(sample, box);
    gst_sample_unref(sample);
    QCOMPARE(image.size(), shown);
    for (const QPoint &at : {QPoint(0, 0), QPoint(shown.width() / 2, shown.height() / 2),
                             QPoint(shown.width() - 1, shown.height() - 1)}) {
        const QColor got = image.pixelColor(at);
        QVERIFY2(qAbs(got.red() - colour.red()) <= 8 && qAbs(got.green() - colour.green()) <= 8
                     && qAbs(got.blue() - colour.blue()) <= 8,
                 qPrintable(QStringLiteral("%1 at %2,%3").arg(got.name()).arg(at.x()).arg(at.y())));
    }
}

void TestPictureStore::noPictureFromASampleWithoutVideo()
{
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, 4096, nullptr);
    GstCaps *caps = gst_caps_from_string("audio/x-raw,format=S16LE,rate=48000,channels=2");
    GstSample *sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    QVERIFY(pictureOfSample(sample).isNull());
    QVERIFY(pictureOfSample(nullptr).isNull());
    gst_sample_unref(sample);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
}

void TestPictureStore::startOfASampleIsItsStreamTime_data()
{
    QTest::addColumn<qint64>("pts");
    QTest::addColumn<qint64>("duration");
    QTest::addColumn<qint64>("segmentStart");
    QTest::addColumn<qint64>("start");
    QTest::addRow("a whole frame") << qint64(400) << qint64(40) << qint64(0) << qint64(400);
    // A seek to 410 cuts the frame of 400 to 410..440: its start lies before the segment,
    // worked out from a nominal rate that a variable-rate video does not keep: none is told.
    QTest::addRow("the frame a seek cut") << qint64(410) << qint64(30) << qint64(410)
                                          << qint64(-1);
    // MKV stamps to the millisecond and may give every frame a millisecond's length: the
    // first frame after a codec delay keeps its stamp; sought at its own stamp, a frame reads
    // as cut (the stepper checks it against the file's index), but never before zero.
    QTest::addRow("a first frame of a millisecond's length") << qint64(3) << qint64(1)
                                                             << qint64(0) << qint64(3);
    QTest::addRow("a frame of a millisecond's length sought at its stamp near zero")
        << qint64(3) << qint64(1) << qint64(3) << qint64(-1);
    QTest::addRow("a frame cut at the end of a segment") << qint64(400) << qint64(20)
                                                         << qint64(0) << qint64(400);
    QTest::addRow("a whole frame at a seek's start") << qint64(400) << qint64(40) << qint64(400)
                                                     << qint64(400);
}

void TestPictureStore::startOfASampleIsItsStreamTime()
{
    QFETCH(qint64, pts);
    QFETCH(qint64, duration);
    QFETCH(qint64, segmentStart);
    QFETCH(qint64, start);
    GstSample *sample = picture(64, 48, pts, QStringLiteral("1/1"), 81, 90, 240, segmentStart,
                                duration);
    QCOMPARE(sampleStartMs(sample), start);
    gst_sample_unref(sample);
}

QTEST_GUILESS_MAIN(TestPictureStore)
#include "tst_picture_store.moc"
