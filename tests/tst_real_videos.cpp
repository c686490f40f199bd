// Jumps and steps on the kinds of file phones and camcorders write, each frame read back from
// the screen: a camcorder's MPEG-TS, a variable-rate MP4 with sound, HEVC with open GOPs and
// phone slow motion.

#include "frame_index_probe.h"
#include "kept_picture_view.h"
#include "media_player.h"
#include "media_video_widget.h"
#include "player_fixture.h"
#include "test_support.h"
#include "video_size_probe.h"

#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>

using morlek::test::makeVideo;
using morlek::test::TempHome;

class TestRealVideos : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void jumpsShowTheFrameThatHoldsTheTime_data();
    void jumpsShowTheFrameThatHoldsTheTime();
    void stepsCrossOpenGopKeyframes();
    void leftRunsBackOverALongKeyframeStretch();
    void keptPicturesCoverTheTurnRound();
    void camcorderStreamStepsAtItsOwnRate();
    void openGopLeadingFramesAreListed();
    void aviFramesAreListedWithoutStamps();
    void bFramesInAviShowTheFrameTheMarkNames();
    void camcorderPausesOnTheFrameItShows();
    void camcorderStepsBackThroughKeptPictures();
    void sizeFromTheHeadersIsThePictures_data();
    void sizeFromTheHeadersIsThePictures();

private:
    MediaPlayer *open(const QString &path);
    int shownFrame() const { return morlek::test::shownFrame(*player_); }
    bool waitForFrame(int expected) const { return morlek::test::waitForFrame(*player_, expected); }
    QString make(const QString &name, const QString &rate, const QStringList &encoding);

    TempHome home_;
    QTemporaryDir dir_;
    QHash<QString, QString> videos_;
    std::unique_ptr<MediaPlayer> player_;
};

QString TestRealVideos::make(const QString &name, const QString &rate, const QStringList &encoding)
{
    const QString path = dir_.filePath(name);
    QString error;
    if (!morlek::test::makeCodedVideo(path, rate, 3, encoding, true, &error))
        qWarning() << error;
    return path;
}

void TestRealVideos::initTestCase()
{
    QVERIFY(dir_.isValid());
    // AVCHD: field-coded H.264 in MPEG-TS, whose clock starts well after zero.
    videos_[QStringLiteral("mts")] =
        make(QStringLiteral("camcorder.mts"), QStringLiteral("25"),
             {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-flags"),
              QStringLiteral("+ilme+ildct"), QStringLiteral("-x264-params"),
              QStringLiteral("tff=1"), QStringLiteral("-g"), QStringLiteral("12"),
              QStringLiteral("-c:a"), QStringLiteral("ac3")});
    // x265's own default: open GOPs, where the frame before a keyframe is decoded after it.
    videos_[QStringLiteral("hevc")] =
        make(QStringLiteral("open-gop.mov"), QStringLiteral("30"),
             {QStringLiteral("-c:v"), QStringLiteral("libx265"), QStringLiteral("-tag:v"),
              QStringLiteral("hvc1"), QStringLiteral("-x265-params"),
              QStringLiteral("log-level=error:keyint=12:min-keyint=12:scenecut=0:open-gop=1"),
              QStringLiteral("-c:a"), QStringLiteral("aac")});
    videos_[QStringLiteral("120")] =
        make(QStringLiteral("slow.mp4"), QStringLiteral("120"),
             {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-g"),
              QStringLiteral("60"), QStringLiteral("-c:a"), QStringLiteral("aac")});
    // H.264 with B-frames in AVI, which stores no time for any frame.
    videos_[QStringLiteral("avi")] =
        make(QStringLiteral("bframes.avi"), QStringLiteral("25"),
             {QStringLiteral("-c:v"), QStringLiteral("libx264"),
              QStringLiteral("-c:a"), QStringLiteral("libmp3lame")});
    // A screen recording's or some camera's: one keyframe for all of it.
    videos_[QStringLiteral("longgop")] =
        make(QStringLiteral("long-gop.mkv"), QStringLiteral("25"),
             {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-g"),
              QStringLiteral("250"), QStringLiteral("-c:a"), QStringLiteral("libvorbis")});
    videos_[QStringLiteral("vfr")] = dir_.filePath(QStringLiteral("vfr.mp4"));
    QString error;
    QVERIFY2(morlek::test::makeVariableRateVideo(videos_.value(QStringLiteral("vfr")), 3, true,
                                                 &error),
             qPrintable(error));
    for (const QString &path : qAsConst(videos_))
        QVERIFY2(QFileInfo(path).size() > 0, qPrintable(path));
}

void TestRealVideos::cleanup()
{
    player_.reset();
}

MediaPlayer *TestRealVideos::open(const QString &path)
{
    return morlek::test::openInNewWindow(player_, path);
}

void TestRealVideos::jumpsShowTheFrameThatHoldsTheTime_data()
{
    QTest::addColumn<QString>("video");
    QTest::addColumn<int>("fps");
    QTest::addColumn<QList<int>>("frames");
    // Times a third into these frames, visited out of order.
    QTest::addRow("camcorder MPEG-TS") << "mts" << 25 << QList<int>{30, 5, 61, 12};
    QTest::addRow("variable rate with sound, every frame")
        << "vfr" << 0 << QList<int>{9, 30, 5, 55};
    // The frames just before keyframes 12, 24 and 48.
    QTest::addRow("HEVC with open GOPs") << "hevc" << 30 << QList<int>{23, 11, 47, 30};
    QTest::addRow("120 fps, every frame") << "120" << 0 << QList<int>{200, 7, 121, 59};
}

// A jump to a time shows the frame whose span holds it, counted from the first frame, and a
// mark taken there is that frame's start.
void TestRealVideos::jumpsShowTheFrameThatHoldsTheTime()
{
    QFETCH(QString, video);
    QFETCH(int, fps);
    QFETCH(QList<int>, frames);
    const QString path = videos_.value(video);
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    QVERIFY(starts.size() > *std::max_element(frames.begin(), frames.end()) + 1);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    player->setFPS(fps);
    if (fps == 0)
        QTRY_VERIFY(player->frameGrid().isFrameList());
    QTRY_VERIFY(player->stepsFrameByFrame());
    // Times count from the first frame where the clock starts well before it (MPEG-TS).
    const qint64 shift = player->stepper()->timeZero() > 0 ? -starts.first() : 0;
    for (const int frame : frames) {
        const qint64 start = starts.at(frame) + shift;
        const qint64 time = start + (starts.at(frame + 1) - starts.at(frame)) / 3;
        player->jumpTo(time);
        QVERIFY2(waitForFrame(frame), qPrintable(QStringLiteral("jump to %1 ms for frame %2, shown %3")
                                                     .arg(time)
                                                     .arg(frame)
                                                     .arg(shownFrame())));
        QTRY_COMPARE(player->recordingTime(), start);
    }
}

// Left and Right across the keyframes of open GOPs show every frame, the ones decoded after
// their keyframe included.
void TestRealVideos::stepsCrossOpenGopKeyframes()
{
    MediaPlayer *player = open(videos_.value(QStringLiteral("hevc")));
    QVERIFY(player);
    player->setFPS(30);
    QTRY_VERIFY(player->stepsFrameByFrame());
    const QString failure = morlek::test::stepThrough(*player, 0, 26, 8);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

// Keyframes seconds apart: Left runs backwards through the stretch, which the decoder
// decodes at once; presses that come while it does go back together, and every frame shows.
void TestRealVideos::leftRunsBackOverALongKeyframeStretch()
{
    const QString path = videos_.value(QStringLiteral("longgop"));
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    QCOMPARE(starts.size(), 75);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    player->setFPS(25);
    QTRY_VERIFY(player->stepsFrameByFrame());
    player->jumpTo(starts.at(60) + 10);
    QVERIFY(waitForFrame(60));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(player, Qt::Key_Left);
    QVERIFY2(waitForFrame(57), qPrintable(QStringLiteral("shown %1").arg(shownFrame())));
    QTRY_COMPARE(player->recordingTime(), starts.at(57));
    const QString failure = morlek::test::stepThrough(*player, 57, 57, 45);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QTRY_COMPARE(player->recordingTime(), starts.at(45));
    // And on again from there.
    const QString onwards = morlek::test::stepThrough(*player, 45, 48, 48);
    QVERIFY2(onwards.isEmpty(), qPrintable(onwards));
}

// The first Left there turns round, which decodes the whole stretch first: the picture kept
// from the steps before shows the frame pressed at once, and the pipeline's own picture of
// the same frame takes over once it has it. The encoder puts I-frames into the stretch where it
// sees a scene cut, and frames after them still refer back: running backwards, none is broken.
void TestRealVideos::keptPicturesCoverTheTurnRound()
{
    const QString path = videos_.value(QStringLiteral("longgop"));
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    player->setFPS(25);
    QTRY_VERIFY(player->stepsFrameByFrame());
    const auto *kept = player->findChild<KeptPictureView *>();
    QVERIFY(kept);
    const QString failure = morlek::test::stepThrough(*player, 0, 30, 30);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // A seek there may have been covered by a picture decoded ahead; it has landed since.
    QTRY_VERIFY(!kept->isVisible());
    QVERIFY(!player->engine()->runsBackwards());

    // The first press shows its frame at once, and a mark names it, while the pipeline turns.
    QTest::keyClick(player, Qt::Key_Left);
    QVERIFY(kept->isVisible());
    QCOMPARE(player->recordingTime(), starts.at(29));
    // Two more at once, during the turn or (on a quick machine) after it.
    QTest::keyClick(player, Qt::Key_Left);
    QTest::keyClick(player, Qt::Key_Left);
    QTRY_VERIFY(!kept->isVisible());
    QVERIFY(player->engine()->runsBackwards());
    // The surface beneath draws its picture again once the cover is gone.
    QVERIFY2(waitForFrame(27), qPrintable(QStringLiteral("shown %1").arg(shownFrame())));
    QCOMPARE(player->recordingTime(), starts.at(27));
    // Running backwards, steps go on from the pipeline's own picture.
    const QString back = morlek::test::stepThrough(*player, 27, 27, 24);
    QVERIFY2(back.isEmpty(), qPrintable(back));
    QTRY_VERIFY(!kept->isVisible());
    QVERIFY(player->engine()->runsBackwards());
}

// A camcorder's 50i as the user meets it, with the "Seek step" the player chose: every Right
// and Left shows the next and the previous frame.
void TestRealVideos::camcorderStreamStepsAtItsOwnRate()
{
    MediaPlayer *player = open(videos_.value(QStringLiteral("mts")));
    QVERIFY(player);
    QTRY_COMPARE(player->frameGrid().fps(), 25);
    QTRY_VERIFY(player->stepsFrameByFrame());
    const QString failure = morlek::test::stepThrough(*player, 0, 14, 1);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

// The frames an open GOP shows before its keyframe are told apart from the file's packets;
// H.264 as encoders write it by default has none.
void TestRealVideos::openGopLeadingFramesAreListed()
{
    FrameIndexProbe probe;
    QSignalSpy indexed(&probe, &FrameIndexProbe::indexed);
    probe.probe(videos_.value(QStringLiteral("hevc")));
    QVERIFY(indexed.wait(10000));
    const auto starts = indexed.at(0).at(1).value<QVector<qint64>>();
    const auto leading = indexed.at(0).at(2).value<QVector<qint64>>();
    QCOMPARE(starts.size(), 90);
    QVERIFY(!leading.isEmpty());
    // Each is a frame of the file, and the keyframes of 12 frames are not among them.
    for (const qint64 us : leading) {
        const int frame = int(starts.indexOf(us));
        QVERIFY2(frame > 0, qPrintable(QString::number(us)));
        QVERIFY(frame % 12 != 0);
    }
    probe.probe(videos_.value(QStringLiteral("120")));
    QVERIFY(indexed.wait(10000));
    QVERIFY(!indexed.at(1).at(1).value<QVector<qint64>>().isEmpty());
    QVERIFY(indexed.at(1).at(2).value<QVector<qint64>>().isEmpty());
}

// H.264 in AVI stamps no packet; its frames are listed from their count at the stream's rate,
// so that the last frame is known where the sound outlasts the picture.
void TestRealVideos::aviFramesAreListedWithoutStamps()
{
    const QString path = dir_.filePath(QStringLiteral("longer-sound.avi"));
    QString error;
    QVERIFY2(morlek::test::makeVideo(
                 path,
                 {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=s=160x120:r=25:d=2"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=d=2.6"),
                  QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-c:a"),
                  QStringLiteral("libmp3lame")},
                 &error),
             qPrintable(error));
    FrameIndexProbe probe;
    QSignalSpy indexed(&probe, &FrameIndexProbe::indexed);
    probe.probe(path);
    QVERIFY(indexed.wait(10000));
    const auto starts = indexed.at(0).at(1).value<QVector<qint64>>();
    QCOMPARE(starts.size(), 50);
    QCOMPARE(starts.first(), qint64(0));
    QCOMPARE(starts.last(), qint64(1960000));
}

// Frame k of an AVI is shown at k / rate: a jump, a step and End show the frame a mark then
// names, up to the last frame.
void TestRealVideos::bFramesInAviShowTheFrameTheMarkNames()
{
    MediaPlayer *player = open(videos_.value(QStringLiteral("avi")));
    QVERIFY(player);
    player->setFPS(25);
    QTRY_VERIFY(player->stepsFrameByFrame());
    const auto expect = [&](int frame, const QString &how) {
        if (!waitForFrame(frame))
            return QStringLiteral("%1: frame %2 wanted, %3 shown").arg(how).arg(frame).arg(shownFrame());
        if (!QTest::qWaitFor([&] { return player->recordingTime() == frame * 40; }, 2000))
            return QStringLiteral("%1: frame %2 shown, marked %3 ms")
                .arg(how)
                .arg(frame)
                .arg(player->recordingTime());
        return QString();
    };
    for (const int frame : {5, 40, 12, 61, 73}) {
        player->jumpTo(frame * 40 + 13);
        const QString failure = expect(frame, QStringLiteral("jump"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    QTest::keyClick(player, Qt::Key_Right);
    QString failure = expect(74, QStringLiteral("Right onto the last frame"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    for (const int frame : {73, 72, 71}) {
        QTest::keyClick(player, Qt::Key_Left);
        failure = expect(frame, QStringLiteral("Left"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    QTest::keyClick(player, Qt::Key_End);
    failure = expect(74, QStringLiteral("End"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QTest::keyClick(player, Qt::Key_Home);
    failure = expect(0, QStringLiteral("Home"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    for (const int frame : {1, 2, 3}) {
        QTest::keyClick(player, Qt::Key_Right);
        failure = expect(frame, QStringLiteral("Right"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
}

// Paused in slow motion, a camcorder's stream keeps the frame that was on screen; the time
// names it and Right goes one frame on from it.
void TestRealVideos::camcorderPausesOnTheFrameItShows()
{
    const QString path = videos_.value(QStringLiteral("mts"));
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    QTRY_COMPARE(player->frameGrid().fps(), 25);
    QTRY_VERIFY(player->stepsFrameByFrame());
    const qint64 shift = player->stepper()->timeZero() > 0 ? -starts.first() : 0;
    const qint64 clockShift = player->frameGrid().origin() - starts.first();
    QTest::keyClick(player, Qt::Key_BracketLeft);
    QTest::keyClick(player, Qt::Key_BracketLeft);
    QCOMPARE(player->playbackRate(), 0.25);
    for (const int from : {3, 20, 37, 50}) {
        player->jumpTo(starts.at(from) + shift);
        QVERIFY(waitForFrame(from));
        QTest::keyClick(player, Qt::Key_Space);
        QTRY_VERIFY(player->engine()->isPlaying());
        QTest::qWait(500 + from * 7);
        const qint64 clock = player->mediaObject()->currentTime() - clockShift;
        QTest::keyClick(player, Qt::Key_Space);
        QTRY_VERIFY(player->engine()->isPaused());
        QTest::qWait(300);
        const int paused = shownFrame();
        // Not before the frame the clock was in at the key; the pause takes effect a moment
        // later, with the frame the sink then holds.
        const int running = int(std::upper_bound(starts.begin(), starts.end(), clock)
                                - starts.begin()) - 1;
        QVERIFY2(paused >= running && paused <= running + 2,
                 qPrintable(QStringLiteral("paused in frame %1, %2 shown").arg(running).arg(paused)));
        QTest::qWait(500);
        QCOMPARE(shownFrame(), paused);
        QTRY_COMPARE(player->recordingTime(), starts.at(paused) + shift);
        QTest::keyClick(player, Qt::Key_Right);
        QVERIFY2(waitForFrame(paused + 1), qPrintable(QStringLiteral("Right from %1 showed %2")
                                                          .arg(paused)
                                                          .arg(shownFrame())));
    }
}

// MPEG-TS cannot run backwards: Left shows the pictures decoded on the way forward, over the
// surface, while the pipeline stays on its own; a mark, Right and playing go on from the
// picture shown, and a frame never decoded yet is sought.
void TestRealVideos::camcorderStepsBackThroughKeptPictures()
{
    const QString path = videos_.value(QStringLiteral("mts"));
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    QTRY_COMPARE(player->frameGrid().fps(), 25);
    QTRY_VERIFY(player->stepsFrameByFrame());
    const auto *kept = player->findChild<KeptPictureView *>();
    QVERIFY(kept);
    const qint64 shift = player->stepper()->timeZero() > 0 ? -starts.first() : 0;

    QString failure = morlek::test::stepThrough(*player, 0, 12, 12);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // Each Left from a picture that has arrived (a busy machine can show a step's picture
    // before it tells of it) shows the kept picture of the frame before, at once.
    for (int frame = 11; frame >= 6; --frame) {
        QTRY_VERIFY(player->stepsFrameByFrame());
        QTest::keyClick(player, Qt::Key_Left);
        QVERIFY(kept->isVisible());
        QVERIFY2(waitForFrame(frame), qPrintable(QStringLiteral("shown %1").arg(shownFrame())));
    }
    QTRY_COMPARE(player->recordingTime(), starts.at(6) + shift);
    // On to the pipeline's own picture, which shows again, and past it by its steps.
    failure = morlek::test::stepThrough(*player, 6, 14, 14);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QTRY_VERIFY(!kept->isVisible());
    QVERIFY2(waitForFrame(14), qPrintable(QStringLiteral("shown %1").arg(shownFrame())));

    // Playing from a kept picture starts from it, not from the pipeline's picture.
    failure = morlek::test::stepThrough(*player, 14, 14, 9);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(kept->isVisible());
    QTest::keyClick(player, Qt::Key_Space);
    QTRY_VERIFY(player->engine()->isPlaying());
    QVERIFY(!kept->isVisible());
    QTest::qWait(120);
    QTest::keyClick(player, Qt::Key_Space);
    QTRY_VERIFY(player->engine()->isPaused());
    QTest::qWait(300);
    const int paused = shownFrame();
    QVERIFY2(paused >= 9 && paused < 14, qPrintable(QStringLiteral("paused on %1").arg(paused)));

    // Frames never decoded are sought: a jump, then Left before it.
    player->jumpTo(starts.at(50) + shift);
    QVERIFY(waitForFrame(50));
    QTest::keyClick(player, Qt::Key_Left);
    QVERIFY2(waitForFrame(49), qPrintable(QStringLiteral("shown %1").arg(shownFrame())));
    QTRY_COMPARE(player->recordingTime(), starts.at(49) + shift);
}

void TestRealVideos::sizeFromTheHeadersIsThePictures_data()
{
    QTest::addColumn<QString>("video");
    QTest::addColumn<QSize>("size");
    QTest::addRow("camcorder MPEG-TS") << "mts" << QSize(160, 120);
    QTest::addRow("portrait phone video, HEVC") << "portrait" << QSize(120, 160);
    QTest::addRow("PAL with wide pixels") << "anamorphic" << QSize(1024, 576);
}

// The window takes the size read from the file's headers before the first picture is made:
// it must be the size the back-end then shows, or the window fits itself twice.
void TestRealVideos::sizeFromTheHeadersIsThePictures()
{
    QFETCH(QString, video);
    QFETCH(QSize, size);
    if (!videos_.contains(QStringLiteral("portrait"))) {
        const QString portrait = dir_.filePath(QStringLiteral("portrait.mov"));
        const QString wide = dir_.filePath(QStringLiteral("anamorphic.mkv"));
        QString error;
        QVERIFY2(morlek::test::rotatedCopy(videos_.value(QStringLiteral("hevc")), portrait, 90,
                                           &error),
                 qPrintable(error));
        QVERIFY2(makeVideo(wide, {"-f", "lavfi", "-i", "testsrc2=s=720x576:r=25:d=1", "-vf",
                                  "setsar=64/45", "-c:v", "libx264", "-pix_fmt", "yuv420p"},
                           &error),
                 qPrintable(error));
        videos_[QStringLiteral("portrait")] = portrait;
        videos_[QStringLiteral("anamorphic")] = wide;
    }
    const QString path = videos_.value(video);
    VideoSizeProbe probe;
    QSignalSpy probed(&probe, &VideoSizeProbe::probed);
    probe.probe(path);
    QVERIFY(probed.wait(10000));
    QCOMPARE(probed.first().at(1).toSize(), size);

    MediaPlayer *player = open(path);
    QVERIFY(player);
    QTRY_COMPARE(player->engine()->pictureSize(), size);
    QCOMPARE(player->videoWidget()->sizeHint(), size);
}

QTEST_MAIN(TestRealVideos)
#include "tst_real_videos.moc"
