#include "frame_grid.h"

#include <QtTest>

using dravenhol::morlek::player::FrameGrid;

Q_DECLARE_METATYPE(FrameGrid)

class TestFrameGrid : public QObject
{
    Q_OBJECT
private slots:
    void seekStep_data();
    void seekStep();
    void stepsVisitEveryFrameOnce_data();
    void stepsVisitEveryFrameOnce();
    void targets_data();
    void targets();
    void unknownTotalDoesNotClamp();
    void marksAreFrameStartsAndComeBack_data();
    void marksAreFrameStartsAndComeBack();
    void listedFramesAreSoughtWithinTheirFirstMillisecond_data();
    void listedFramesAreSoughtWithinTheirFirstMillisecond();
    void secondJumps_data();
    void secondJumps();
};

void TestFrameGrid::seekStep_data()
{
    QTest::addColumn<int>("fps");
    QTest::addColumn<int>("step");
    QTest::addRow("25") << 25 << 40;
    QTest::addRow("30") << 30 << 33;
    QTest::addRow("50") << 50 << 20;
    QTest::addRow("60") << 60 << 17;
    QTest::addRow("100") << 100 << 10;
}

void TestFrameGrid::seekStep()
{
    QFETCH(int, fps);
    QFETCH(int, step);
    QCOMPARE(FrameGrid::seekStep(fps), step);
}

// Whole rates, and NTSC's: a 29.97 fps video's grid is its own, 30000 frames per 1001 s.
static void addRates(bool threeMs)
{
    QTest::addColumn<double>("fps");
    QTest::addColumn<qint64>("origin");
    const double rates[] = {25, 30, 50, 60, 100, 24000.0 / 1001, 30000.0 / 1001, 60000.0 / 1001};
    for (double fps : rates) {
        QTest::addRow("%.3f fps from 0", fps) << fps << qint64(0);
        if (threeMs)
            QTest::addRow("%.3f fps from 3 ms", fps) << fps << qint64(3);
        QTest::addRow("%.3f fps from 23 ms", fps) << fps << qint64(23);
    }
}

void TestFrameGrid::stepsVisitEveryFrameOnce_data()
{
    addRates(true);
}

// Every target must lie inside the frame it is meant to show, the frame of a video of that rate
// whose frame k starts at origin + k * 1000 / fps exactly, and never land on a frame twice.
void TestFrameGrid::stepsVisitEveryFrameOnce()
{
    QFETCH(double, fps);
    QFETCH(qint64, origin);
    const FrameGrid grid = FrameGrid::ofRate(fps, origin);
    const qint64 total = origin + 600 * 1000 / fps;
    const auto realFrame = [&](qint64 t) {
        return t < origin ? qint64(0) : qint64(std::floor((t - origin) * fps / 1000.0 + 1e-9));
    };
    qint64 t = 0;
    for (qint64 frame = 1; frame < 600; ++frame) {
        t = grid.nextFrameTarget(t, total);
        QCOMPARE(realFrame(t), frame);
        // At least half a millisecond after the frame's exact start, past the end of the frame
        // before as a container stamping to the millisecond moves it, and at most one and a
        // half.
        const double late = t - (origin + frame * 1000.0 / fps);
        QVERIFY2(late >= 0.5 - 1e-9 && late <= 1.5 + 1e-9, qPrintable(QString::number(t)));
    }
    for (qint64 frame = 598; frame >= 0; --frame) {
        t = grid.previousFrameTarget(t);
        QCOMPARE(realFrame(t), frame);
    }
    QCOMPARE(grid.previousFrameTarget(t), qint64(0));
}

void TestFrameGrid::targets_data()
{
    QTest::addColumn<int>("fps");
    QTest::addColumn<qint64>("origin");
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("next");
    QTest::addColumn<qint64>("previous");
    QTest::addRow("Right at 0") << 50 << qint64(0) << qint64(0) << qint64(10000) << qint64(21)
                                << qint64(0);
    QTest::addRow("Left at 15") << 50 << qint64(0) << qint64(15) << qint64(10000) << qint64(21)
                                << qint64(0);
    QTest::addRow("10 ms before the end") << 50 << qint64(0) << qint64(9990) << qint64(10000)
                                          << qint64(10000) << qint64(9961);
    QTest::addRow("on an exact frame start") << 25 << qint64(0) << qint64(3000) << qint64(10000)
                                             << qint64(3041) << qint64(2961);
    QTest::addRow("30 fps first frames") << 30 << qint64(0) << qint64(0) << qint64(10000)
                                         << qint64(34) << qint64(0);
    QTest::addRow("30 fps, frame 3 starts on a whole ms") << 30 << qint64(0) << qint64(67)
                                                          << qint64(10000) << qint64(101)
                                                          << qint64(34);
    QTest::addRow("inside a frame") << 25 << qint64(0) << qint64(95) << qint64(10000)
                                    << qint64(121) << qint64(41);
    QTest::addRow("late first frame, at 0") << 25 << qint64(23) << qint64(0) << qint64(10000)
                                            << qint64(64) << qint64(0);
    QTest::addRow("late first frame, frame 1") << 25 << qint64(23) << qint64(64)
                                               << qint64(10000) << qint64(104) << qint64(23);
}

void TestFrameGrid::targets()
{
    QFETCH(int, fps);
    QFETCH(qint64, origin);
    QFETCH(qint64, from);
    QFETCH(qint64, total);
    QFETCH(qint64, next);
    QFETCH(qint64, previous);
    const FrameGrid grid(fps, origin);
    QCOMPARE(grid.nextFrameTarget(from, total), next);
    QCOMPARE(grid.previousFrameTarget(from), previous);
}

void TestFrameGrid::unknownTotalDoesNotClamp()
{
    const FrameGrid grid(25);
    QCOMPARE(grid.nextFrameTarget(0, -1), qint64(41));
    QCOMPARE(grid.nextFrameTarget(80, 0), qint64(0));
}

void TestFrameGrid::marksAreFrameStartsAndComeBack_data()
{
    addRates(false);
}

// A mark is its frame's start rounded down; it must lead back to its frame, and so must the
// marks of earlier versions (a millisecond later) and marks a container rounded to the nearest
// millisecond (MKV).
void TestFrameGrid::marksAreFrameStartsAndComeBack()
{
    QFETCH(double, fps);
    QFETCH(qint64, origin);
    const FrameGrid grid = FrameGrid::ofRate(fps, origin);
    for (qint64 frame = 0; frame < 600; ++frame) {
        const double exact = origin + frame * 1000.0 / fps;
        const qint64 mark = grid.markTime(frame);
        QCOMPARE(mark, qint64(std::floor(exact + 1e-9)));
        QCOMPARE(grid.frameOfMark(mark), frame);
        QCOMPARE(grid.frameOfMark(grid.frameStart(frame)), frame);
        QCOMPARE(grid.frameOfMark(qint64(std::lround(exact))), frame);
        // The seek for a mark goes inside its frame.
        QCOMPARE(grid.frameAt(grid.frameStart(grid.frameOfMark(mark))), frame);
    }
    // The values users read: frame 5 at 50 fps, frames 1 and 3 at 30 fps.
    if (origin == 0 && fps == 50)
        QCOMPARE(grid.markTime(5), qint64(100));
    if (origin == 0 && fps == 30) {
        QCOMPARE(grid.markTime(1), qint64(33));
        QCOMPARE(grid.markTime(3), qint64(100));
    }
    // NTSC: frame 3 starts at 100.1 ms, frame 300 at 10010 ms, a frame later than at 30 fps.
    if (origin == 0 && qFuzzyCompare(fps, 30000.0 / 1001)) {
        QCOMPARE(grid.fps(), 30);
        QCOMPARE(grid.markTime(3), qint64(100));
        QCOMPARE(grid.frameStart(3), qint64(101));
        QCOMPARE(grid.markTime(300), qint64(10010));
        QCOMPARE(grid.frameAt(10009), qint64(299));
    }
}

void TestFrameGrid::listedFramesAreSoughtWithinTheirFirstMillisecond_data()
{
    QTest::addColumn<QVector<qint64>>("startsUs");
    // 120 fps slow motion: starts between whole milliseconds.
    QVector<qint64> slowMotion;
    for (int k = 0; k < 240; ++k)
        slowMotion << (k * 1000000LL + 60) / 120;
    QTest::addRow("120 fps") << slowMotion;
    // A variable-rate MP4 stamped to the millisecond: 30 fps, then 24 fps.
    QVector<qint64> variable;
    for (int k = 0; k < 60; ++k)
        variable << (k < 20 ? k * 1000 / 30 : 20 * 1000 / 30 + (k - 20) * 1000 / 24) * 1000;
    QTest::addRow("30 then 24 fps, whole milliseconds") << variable;
    // An MKV's video starting after its sound, stamped to the millisecond.
    QVector<qint64> late;
    for (int k = 0; k < 60; ++k)
        late << 21000 + k * 40000;
    QTest::addRow("25 fps from 21 ms") << late;
}

// Files without frame lengths (variable-rate MP4) give each frame a millisecond: the seek for a
// frame must lie in the first millisecond from its stamp, and a mark must lead back to it.
void TestFrameGrid::listedFramesAreSoughtWithinTheirFirstMillisecond()
{
    QFETCH(QVector<qint64>, startsUs);
    const FrameGrid grid = FrameGrid::ofFrames(startsUs);
    QVERIFY(grid.isFrameList());
    for (int frame = 0; frame < startsUs.size(); ++frame) {
        const qint64 seek = grid.frameStart(frame) * 1000;
        QVERIFY2(seek >= startsUs.at(frame) && seek < startsUs.at(frame) + 1000,
                 qPrintable(QStringLiteral("frame %1 sought at %2 us, stamped %3 us")
                                .arg(frame)
                                .arg(seek)
                                .arg(startsUs.at(frame))));
        QCOMPARE(grid.frameAt(grid.frameStart(frame)), qint64(frame));
        const qint64 mark = grid.markTime(frame);
        QCOMPARE(mark, startsUs.at(frame) / 1000);
        QCOMPARE(grid.frameOfMark(mark), qint64(frame));
    }
}

void TestFrameGrid::secondJumps_data()
{
    QTest::addColumn<FrameGrid>("grid");
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<qint64>("to");
    QTest::addRow("25 fps: 25 frames") << FrameGrid(25, 0) << qint64(10) << qint64(1000)
                                       << qint64(35);
    QTest::addRow("25 fps, back past the start") << FrameGrid(25, 0) << qint64(10)
                                                 << qint64(-1000) << qint64(0);
    // Frame 30 starts 1001 ms after frame 0, nearer one second on than frame 29 (967.6 ms).
    QTest::addRow("29.97 fps on") << FrameGrid::ofRate(30000.0 / 1001, 0) << qint64(0)
                                  << qint64(1000) << qint64(30);
    QTest::addRow("29.97 fps back from there") << FrameGrid::ofRate(30000.0 / 1001, 0)
                                               << qint64(30) << qint64(-1000) << qint64(0);
    QTest::addRow("29.97 fps, a minute in") << FrameGrid::ofRate(30000.0 / 1001, 0)
                                            << qint64(1798) << qint64(1000) << qint64(1828);
    QTest::addRow("59.94 fps from an MKV's origin")
        << FrameGrid::ofRate(60000.0 / 1001, 21) << qint64(5) << qint64(1000) << qint64(65);
    // 30 fps for 20 frames (0 .. 633.3 ms), then 24 fps: 1 s after frame 10 (333.3 ms) is
    // 1333.3 ms, the start of frame 36.
    QVector<qint64> variable;
    for (int k = 0; k < 20; ++k)
        variable << k * 1000000LL / 30;
    for (int k = 0; k < 60; ++k)
        variable << 20 * 1000000LL / 30 + k * 1000000LL / 24;
    QTest::addRow("variable rate, across the change")
        << FrameGrid::ofFrames(variable) << qint64(10) << qint64(1000) << qint64(36);
    QTest::addRow("variable rate, back across it")
        << FrameGrid::ofFrames(variable) << qint64(36) << qint64(-1000) << qint64(10);
}

// A second on or back lands on the frame that starts nearest to it, so that there and back
// returns to the frame it left.
void TestFrameGrid::secondJumps()
{
    QFETCH(FrameGrid, grid);
    QFETCH(qint64, from);
    QFETCH(qint64, ms);
    QFETCH(qint64, to);
    QCOMPARE(grid.frameAfterTime(from, ms), to);
    if (to > 0)
        QCOMPARE(grid.frameAfterTime(to, -ms), from);
}

QTEST_GUILESS_MAIN(TestFrameGrid)
#include "tst_frame_grid.moc"
