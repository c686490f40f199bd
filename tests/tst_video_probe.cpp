#include "test_support.h"
#include "video_size_probe.h"
#include "video_start_probe.h"

#include <QTemporaryDir>
#include <QtTest>

// What the player reads from ffprobe about a video: where its first frame starts, how far
// apart its keyframes lie, and the size its picture is shown at.
class TestVideoProbe : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void parseSize_data();
    void parseSize();
    void sizeOfRealFiles_data();
    void sizeOfRealFiles();
    void noSizeWhereTheFileHasNoPicture_data();
    void noSizeWhereTheFileHasNoPicture();

private:
    QTemporaryDir dir_;
};

void TestVideoProbe::parse_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<qint64>("startMs");
    QTest::addColumn<qint64>("keyGapMs");
    QTest::addRow("keyframe every 480 ms, video from 21 ms")
        << QByteArray("0.021000,K__\n0.061000,___\n0.501000,K__\n0.541000,___\n0.981000,K__\n"
                      "1.021000,___\n0.021000\n")
        << qint64(21) << qint64(480);
    QTest::addRow("uneven keyframes: the longest counts")
        << QByteArray("0.000000,K_\n0.500000,K_\n2.000000,K_\n2.040000,__\n0.000000\n")
        << qint64(0) << qint64(1500);
    QTest::addRow("a single keyframe: the stretch read")
        << QByteArray("0.021000,K__\n0.041000,___\n19.981000,___\n0.021000\n")
        << qint64(21) << qint64(19960);
    QTest::addRow("a long tail after the last keyframe")
        << QByteArray("0.0,K\n0.4,K\n0.44,_\n3.4,_\n0.0\n") << qint64(0) << qint64(3000);
    QTest::addRow("no packets") << QByteArray("0.023000\n") << qint64(23) << qint64(-1);
    QTest::addRow("nothing") << QByteArray() << qint64(0) << qint64(-1);
    QTest::addRow("no start time")
        << QByteArray("N/A,K_\n0.5,K_\n1.0,__\nN/A\n") << qint64(0) << qint64(500);
}

void TestVideoProbe::parse()
{
    QFETCH(QByteArray, output);
    QFETCH(qint64, startMs);
    QFETCH(qint64, keyGapMs);
    qint64 start = -99;
    qint64 gap = -99;
    parseVideoProbe(output, &start, &gap);
    QCOMPARE(start, startMs);
    QCOMPARE(gap, keyGapMs);
}

void TestVideoProbe::parseSize_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QSize>("size");
    QTest::addRow("square pixels") << QByteArray("1280,720,1:1,0\n") << QSize(1280, 720);
    QTest::addRow("PAL widescreen") << QByteArray("720,576,64:45,0\n") << QSize(1024, 576);
    QTest::addRow("no pixel shape told") << QByteArray("640,480,N/A,0\n") << QSize(640, 480);
    QTest::addRow("pixel shape 0:1") << QByteArray("640,480,0:1,0\n") << QSize(640, 480);
    QTest::addRow("portrait phone video") << QByteArray("1920,1080,1:1,0,-90\n")
                                          << QSize(1080, 1920);
    QTest::addRow("turned a half") << QByteArray("1920,1080,1:1,0,180\n") << QSize(1920, 1080);
    QTest::addRow("turned three quarters") << QByteArray("1920,1080,1:1,0,270.000000\n")
                                           << QSize(1080, 1920);
    // The pixels' shape turns with the picture: its new width is scaled.
    QTest::addRow("turned, pixels not square") << QByteArray("720,576,16:15,0,90\n")
                                               << QSize(540, 720);
    QTest::addRow("transport stream: program line first")
        << QByteArray("1920,1080,1:1\n\n1920,1080,1:1,0\n") << QSize(1920, 1080);
    QTest::addRow("cover picture of a sound file") << QByteArray("600,600,1:1,1\n") << QSize();
    QTest::addRow("nothing") << QByteArray() << QSize();
    QTest::addRow("no size") << QByteArray("N/A,N/A,N/A,0\n") << QSize();
}

void TestVideoProbe::parseSize()
{
    QFETCH(QByteArray, output);
    QFETCH(QSize, size);
    QCOMPARE(parseVideoSize(output), size);
}

void TestVideoProbe::sizeOfRealFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QSize>("size");
    const QStringList h264 = {"-c:v", "libx264", "-pix_fmt", "yuv420p"};
    QTest::addRow("MP4") << "square.mp4"
                         << (QStringList{"-f", "lavfi", "-i", "testsrc2=s=640x360:r=25:d=1"} + h264)
                         << QSize(640, 360);
    QTest::addRow("anamorphic PAL in MKV")
        << "anamorphic.mkv"
        << (QStringList{"-f", "lavfi", "-i", "testsrc2=s=720x576:r=25:d=1", "-vf", "setsar=16/15"}
            + h264)
        << QSize(768, 576);
    QTest::addRow("camcorder MPEG-TS, interlaced")
        << "camcorder.mts"
        << (QStringList{"-f", "lavfi", "-i", "testsrc2=s=1440x1080:r=25:d=1", "-vf",
                        "setsar=4/3", "-flags", "+ilme+ildct", "-x264-params", "tff=1"}
            + h264 + QStringList{"-f", "mpegts"})
        << QSize(1920, 1080);
}

void TestVideoProbe::sizeOfRealFiles()
{
    QFETCH(QString, name);
    QFETCH(QStringList, arguments);
    QFETCH(QSize, size);
    QVERIFY(dir_.isValid());
    const QString path = dir_.filePath(name);
    QString error;
    QVERIFY2(morlek::test::makeVideo(path, arguments, &error), qPrintable(error));
    VideoSizeProbe probe;
    QSignalSpy probed(&probe, &VideoSizeProbe::probed);
    probe.probe(path);
    QVERIFY(probed.wait(10000));
    QCOMPARE(probed.count(), 1);
    QCOMPARE(probed.first().at(0).toString(), path);
    QCOMPARE(probed.first().at(1).toSize(), size);
}

void TestVideoProbe::noSizeWhereTheFileHasNoPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("arguments");
    QTest::addRow("sound only") << "sound.m4a"
                                << QStringList{"-f", "lavfi", "-i", "sine=d=1", "-c:a", "aac"};
    QTest::addRow("sound with a cover picture")
        << "cover.mp3"
        << QStringList{"-f", "lavfi", "-i", "sine=d=1", "-f", "lavfi", "-i",
                       "color=c=red:s=300x300:d=0.04", "-frames:v", "1", "-map", "0", "-map", "1",
                       "-c:a", "libmp3lame", "-c:v", "mjpeg", "-disposition:v", "attached_pic"};
    QTest::addRow("not a video") << "notes.mp4" << QStringList();
}

void TestVideoProbe::noSizeWhereTheFileHasNoPicture()
{
    QFETCH(QString, name);
    QFETCH(QStringList, arguments);
    QVERIFY(dir_.isValid());
    const QString path = dir_.filePath(name);
    if (arguments.isEmpty()) {
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        QVERIFY(text.write("Not a video at all, only a few words.\n") > 0);
    } else {
        QString error;
        QVERIFY2(morlek::test::makeVideo(path, arguments, &error), qPrintable(error));
    }
    // A probe of a file with a picture, made after it, tells when the first one has ended.
    const QString picture = dir_.filePath(QStringLiteral("after-") + name + ".mkv");
    QString error;
    QVERIFY2(morlek::test::makeVideo(picture, {"-f", "lavfi", "-i", "testsrc2=s=320x240:d=1"},
                                     &error),
             qPrintable(error));
    VideoSizeProbe probe;
    QSignalSpy probed(&probe, &VideoSizeProbe::probed);
    probe.probe(path);
    VideoSizeProbe next;
    QSignalSpy nextProbed(&next, &VideoSizeProbe::probed);
    next.probe(picture);
    QVERIFY(nextProbed.wait(10000));
    // Both ran at once; the first had the shorter file to read.
    QTest::qWait(500);
    QCOMPARE(probed.count(), 0);
}

QTEST_GUILESS_MAIN(TestVideoProbe)
#include "tst_video_probe.moc"
