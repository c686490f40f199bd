// The kinds of file users bring that a test matrix easily misses, each frame read back from
// the screen: the picture, the time it is labelled with and a mark taken on it must agree,
// and the first frame is time 0 wherever the file's clock starts.

#include "media_player.h"
#include "player_fixture.h"
#include "test_support.h"

#include <QtTest>

#include <memory>

using morlek::test::makeVideo;

class TestUsersFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void stepsAndMarksFollowThePicture_data();
    void stepsAndMarksFollowThePicture();

private:
    bool waitForFrame(int expected) const { return morlek::test::waitForFrame(*player_, expected); }

    morlek::test::TempHome home_;
    QTemporaryDir dir_;
    QHash<QString, QString> videos_;
    std::unique_ptr<MediaPlayer> player_;
};

void TestUsersFiles::initTestCase()
{
    QVERIFY(dir_.isValid());
    QString error;
    const QStringList h264{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-g"),
                           QStringLiteral("12")};
    // Millisecond stamps, a rate that changes and Vorbis' codec delay.
    videos_[QStringLiteral("mkv")] = dir_.filePath(QStringLiteral("variable.mkv"));
    QVERIFY2(morlek::test::makeVariableRateVideo(
                 videos_[QStringLiteral("mkv")], 3, true, &error,
                 {QStringLiteral("-c:a"), QStringLiteral("libvorbis")}),
             qPrintable(error));
    // A screen recorder's: fragments and no global index; B-frames start it two frames late.
    videos_[QStringLiteral("frag")] = dir_.filePath(QStringLiteral("fragmented.mp4"));
    QVERIFY2(morlek::test::makeCodedVideo(
                 videos_[QStringLiteral("frag")], 30, 3,
                 h264 + QStringList{QStringLiteral("-c:a"), QStringLiteral("aac"),
                                    QStringLiteral("-movflags"),
                                    QStringLiteral("frag_keyframe+empty_moov+default_base_moof")},
                 true, &error),
             qPrintable(error));
    // A broadcast capture's clock, ten hours in.
    videos_[QStringLiteral("ts")] = dir_.filePath(QStringLiteral("ten-hours.ts"));
    QVERIFY2(morlek::test::makeCodedVideo(
                 videos_[QStringLiteral("ts")], 25, 3,
                 h264 + QStringList{QStringLiteral("-c:a"), QStringLiteral("mp2"),
                                    QStringLiteral("-output_ts_offset"), QStringLiteral("36000")},
                 true, &error),
             qPrintable(error));
}

void TestUsersFiles::cleanup()
{
    player_.reset();
}

void TestUsersFiles::stepsAndMarksFollowThePicture_data()
{
    QTest::addColumn<QString>("video");
    QTest::addColumn<int>("fps");
    // Whether the first frame lies so far after the file's zero that times count from it.
    QTest::addColumn<bool>("fromFirstFrame");
    QTest::addRow("variable-rate MKV, every frame") << "mkv" << 0 << false;
    QTest::addRow("fragmented MP4") << "frag" << 30 << true;
    QTest::addRow("MPEG-TS from ten hours") << "ts" << 25 << true;
}

void TestUsersFiles::stepsAndMarksFollowThePicture()
{
    QFETCH(QString, video);
    QFETCH(int, fps);
    QFETCH(bool, fromFirstFrame);
    const QList<qint64> starts = morlek::test::frameStartsMs(videos_.value(video));
    QVERIFY(starts.size() > 40);
    const qint64 zero = fromFirstFrame ? starts.first() : 0;
    MediaPlayer *player = morlek::test::openInNewWindow(player_, videos_.value(video));
    QVERIFY(player);
    player->setFPS(fps);
    QTRY_VERIFY(player->stepsFrameByFrame());
    QVERIFY(waitForFrame(0));
    QTRY_COMPARE(player->recordingTime(), starts.first() - zero);

    // Across the change of rate (frame 20 of the variable one) and back over keyframes.
    const auto check = [&](int frame, const char *how) {
        const bool shown = waitForFrame(frame);
        const QString where = QStringLiteral("%1 to frame %2: shown %3, time %4")
                                  .arg(QLatin1String(how))
                                  .arg(frame)
                                  .arg(morlek::test::shownFrame(*player))
                                  .arg(player->recordingTime());
        QVERIFY2(shown, qPrintable(where));
        QTRY_VERIFY2(player->recordingTime() == starts.at(frame) - zero, qPrintable(where));
    };
    for (int frame = 1; frame <= 26; ++frame) {
        QTest::keyClick(player, Qt::Key_Right);
        check(frame, "Right");
    }
    for (int frame = 25; frame >= 10; --frame) {
        QTest::keyClick(player, Qt::Key_Left);
        check(frame, "Left");
    }
    // A mark leads back to its frame from anywhere; the slider's jump shows the frame that
    // holds the time.
    const qint64 mark = player->recordingTime();
    player->jumpTo(starts.at(35) - zero + 5);
    check(35, "jump");
    player->seekTo(mark);
    check(10, "return to mark");
    QTest::keyClick(player, Qt::Key_End);
    check(starts.size() - 1, "End");
    QTest::keyClick(player, Qt::Key_Home);
    check(0, "Home");
}

QTEST_MAIN(TestUsersFiles)
#include "tst_users_files.moc"
