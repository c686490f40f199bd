#include "frame_code.h"
#include "media_player.h"
#include "player_fixture.h"
#include "record_support.h"
#include "test_support.h"
#include "timer_widget.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include <phonon/MediaObject>
#include <phonon/SeekSlider>

#include <memory>

using namespace morlek::test;

// Performances often end where the recording ends: the last frame must stay, and be timed right.
class TestVideoEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void playingToTheEndKeepsTheLastFrame_data();
    void playingToTheEndKeepsTheLastFrame();

private:
    bool waitForFrame(int expected) const { return morlek::test::waitForFrame(*player_, expected); }
    int shownFrame() const { return morlek::test::shownFrame(*player_); }

    TempHome home_;
    QTemporaryDir dir_;
    std::unique_ptr<MediaPlayer> player_;
};

void TestVideoEnd::initTestCase()
{
    QVERIFY(home_.isValid());
    QVERIFY(dir_.isValid());
}

void TestVideoEnd::playingToTheEndKeepsTheLastFrame_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("pictureSeconds");
    QTest::addColumn<double>("soundSeconds");
    QTest::addColumn<QStringList>("codec");
    // Whether the player holds the ends of the streams; where an end slips past the hold
    // (as a loaded machine made it), the back-end stops back at the start.
    QTest::addColumn<bool>("held");
    const QStringList h264{"-c:v", "libx264", "-g", "12", "-c:a", "aac"};
    const QStringList avi{"-c:v", "mpeg4", "-q:v", "3", "-c:a", "libmp3lame",
                          "-avoid_negative_ts", "disabled"};
    QTest::addRow("mp4") << "end.mp4" << 2.0 << 2.0 << h264 << true;
    QTest::addRow("mkv") << "end.mkv" << 2.0 << 2.0 << h264 << true;
    QTest::addRow("avi") << "end.avi" << 2.0 << 2.0 << avi << true;
    QTest::addRow("no sound") << "silent.mp4" << 2.0 << 0.0 << QStringList{"-c:v", "libx264"}
                              << true;
    QTest::addRow("sound longer") << "longsound.mkv" << 2.0 << 3.0 << h264 << true;
    QTest::addRow("picture longer") << "longpicture.mp4" << 2.4 << 1.2 << h264 << true;
    // Before, the player paused on frame 1, or stayed stopped on frame 0.
    QTest::addRow("avi, end past the hold") << "end.avi" << 2.0 << 2.0 << avi << false;
    QTest::addRow("sound longer, end past the hold")
        << "longsound.mkv" << 2.0 << 3.0 << h264 << false;
}

void TestVideoEnd::playingToTheEndKeepsTheLastFrame()
{
    QFETCH(QString, name);
    QFETCH(double, pictureSeconds);
    QFETCH(double, soundSeconds);
    QFETCH(QStringList, codec);
    QFETCH(bool, held);
    const QString path = dir_.filePath(name);
    QStringList args{"-f", "lavfi", "-i",
                     QStringLiteral("color=c=gray:s=160x120:r=25:d=%1").arg(pictureSeconds)};
    if (soundSeconds > 0)
        args << "-f" << "lavfi" << "-i" << QStringLiteral("sine=f=440:d=%1").arg(soundSeconds);
    args << "-vf" << frameCodeFilter() << codec;
    QString error;
    QVERIFY2(makeVideo(path, args, &error), qPrintable(error));
    const QList<qint64> starts = frameStartsMs(path);
    const int last = starts.size() - 1;
    QCOMPARE(last, int(pictureSeconds * 25) - 1);

    // One window at a time: a window holds its video's record while it is open.

    player_.reset();

    player_ = std::make_unique<MediaPlayer>(path);
    TimerWidget *panel = player_->timerWidget();
    QVERIFY(showAndWaitForLoad(*player_, [panel] { return panel->isEnabled(); }));
    player_->setFPS(25);
    player_->engine()->setHoldsEnd(held);
    Phonon::MediaObject *media = player_->mediaObject();
    auto *play = player_->findChild<QPushButton *>(QStringLiteral("playButton"));
    auto *label = player_->findChild<QLabel *>(QStringLiteral("timeLabel"));
    auto *slider = player_->findChild<Phonon::SeekSlider *>()->findChild<QSlider *>();

    player_->seekTo(starts.at(last - 12));
    QVERIFY(waitForFrame(last - 12));
    QTest::keyClick(player_.get(), Qt::Key_Space);
    QTRY_COMPARE(media->state(), Phonon::PlayingState);
    // Played out: paused on the last frame, which stays on screen; nothing went black.
    QTRY_VERIFY_WITH_TIMEOUT(media->state() == Phonon::PausedState, 5000);
    QVERIFY2(waitForFrame(last), qPrintable(QStringLiteral("shown %1, label %2, state %3")
                                                .arg(shownFrame())
                                                .arg(label->text())
                                                .arg(int(media->state()))));
    QTest::qWait(300);
    QCOMPARE(shownFrame(), last);
    QCOMPARE(media->state(), Phonon::PausedState);
    QCOMPARE(play->icon().pixmap(16).toImage(),
             player_->style()->standardIcon(QStyle::SP_MediaPlay).pixmap(16).toImage());
    QVERIFY2(label->text().startsWith(QTime(0, 0).addMSecs(int(starts.at(last))).toString(
                 QStringLiteral("m:ss:zzz"))),
             qPrintable(label->text()));
    QVERIFY2(slider->value() >= starts.at(last), qPrintable(QString::number(slider->value())));

    // Return there is the last frame's start, never 0.
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QCOMPARE(marksOf(onlyStoredRecord(home_.dataDir())).last(), qint32(starts.at(last)));

    // Right has nowhere to go; Left shows the frame before.
    QTest::keyClick(player_.get(), Qt::Key_Right);
    QTest::qWait(200);
    QCOMPARE(shownFrame(), last);
    QTest::keyClick(player_.get(), Qt::Key_Left);
    QVERIFY2(waitForFrame(last - 1), qPrintable(QString::number(shownFrame())));

    // Back at the end, Space starts again from the beginning.
    QTest::keyClick(player_.get(), Qt::Key_Right);
    QVERIFY(waitForFrame(last));
    QTest::keyClick(player_.get(), Qt::Key_Space);
    QTRY_COMPARE(media->state(), Phonon::PlayingState);
    QTest::keyClick(player_.get(), Qt::Key_Space);
    QTRY_COMPARE(media->state(), Phonon::PausedState);
    QTest::qWait(300);
    QVERIFY2(shownFrame() >= 0 && shownFrame() < 25, qPrintable(QString::number(shownFrame())));
    player_.reset();
    QFile::remove(onlyDataFile(home_.dataDir()));
}

QTEST_MAIN(TestVideoEnd)
#include "tst_video_end.moc"
