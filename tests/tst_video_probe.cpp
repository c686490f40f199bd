#include "video_start_probe.h"

#include <QtTest>

// What the player reads from ffprobe about a video: where its first frame starts and how far
// apart its keyframes lie.
class TestVideoProbe : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
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

QTEST_GUILESS_MAIN(TestVideoProbe)
#include "tst_video_probe.moc"
