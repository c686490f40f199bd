// The keys a coach moves through a video with, pressed on the real window and read back from
// the screen: jumps of 10 frames and of a second, the first and the last frame, slow motion,
// and a step key given another key in the shortcuts dialog.

#include "media_player.h"
#include "player_fixture.h"
#include "shortcuts_dialog.h"
#include "test_support.h"
#include "timer_widget.h"
#include "timing_table.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QElapsedTimer>
#include <QKeySequenceEdit>
#include <QMenuBar>
#include <QtTest>

#include <phonon/AudioOutput>

#include <memory>

using dravenhol::morlek::shortcuts::ShortcutsDialog;
using morlek::test::TempHome;

namespace {

// The frame whose start lies nearest to @p ms among @p starts (the earlier on a tie).
int nearestFrame(const QList<qint64> &starts, qint64 ms)
{
    int best = 0;
    for (int i = 1; i < starts.size(); ++i) {
        if (qAbs(starts.at(i) - ms) < qAbs(starts.at(best) - ms))
            best = i;
    }
    return best;
}

} // namespace

class TestJumpsAndSpeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void jumpKeysShowTheirFrames_data();
    void jumpKeysShowTheirFrames();
    void slowMotionPlaysAtTheChosenSpeed_data();
    void slowMotionPlaysAtTheChosenSpeed();
    void remappedStepKeySurvivesARestart();

private:
    MediaPlayer *open(const QString &path);
    int shownFrame() const { return morlek::test::shownFrame(*player_); }
    bool waitForFrame(int expected) const { return morlek::test::waitForFrame(*player_, expected); }
    ShortcutsDialog *openShortcutsDialog();
    // Records a key in the dialog's editor of @p id as a user does: a click, the key, a pause.
    void recordKey(ShortcutsDialog *dialog, const QString &id, Qt::Key key);

    TempHome home_;
    QTemporaryDir dir_;
    QHash<QString, QString> videos_;
    std::unique_ptr<MediaPlayer> player_;
};

void TestJumpsAndSpeed::initTestCase()
{
    QVERIFY(home_.isValid());
    QVERIFY(dir_.isValid());
    const auto make = [this](const QString &key, const QString &name, const QString &rate,
                             int gop) {
        const QString path = dir_.filePath(name);
        QString error;
        QVERIFY2(morlek::test::makeCodedVideo(
                     path, rate, 4,
                     {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-g"),
                      QString::number(gop), QStringLiteral("-c:a"), QStringLiteral("aac")},
                     true, &error),
                 qPrintable(error));
        videos_[key] = path;
    };
    make(QStringLiteral("25"), QStringLiteral("pal.mp4"), QStringLiteral("25"), 12);
    make(QStringLiteral("29.97"), QStringLiteral("ntsc.mkv"), QStringLiteral("30000/1001"), 15);
    make(QStringLiteral("50"), QStringLiteral("fifty.mp4"), QStringLiteral("50"), 25);
    videos_[QStringLiteral("vfr")] = dir_.filePath(QStringLiteral("vfr.mp4"));
    QString error;
    QVERIFY2(morlek::test::makeVariableRateVideo(videos_.value(QStringLiteral("vfr")), 4, true,
                                                 &error),
             qPrintable(error));
}

void TestJumpsAndSpeed::cleanup()
{
    player_.reset();
    // Keys a failed test changed must not reach the next one.
    QSettings().remove(QStringLiteral("shortcuts"));
}

MediaPlayer *TestJumpsAndSpeed::open(const QString &path)
{
    MediaPlayer *player = morlek::test::openInNewWindow(player_, path);
    if (!player)
        return nullptr;
    QDeadlineTimer deadline(5000);
    while (!player->stepsFrameByFrame() && !deadline.hasExpired())
        QTest::qWait(20);
    return player->stepsFrameByFrame() ? player : nullptr;
}

void TestJumpsAndSpeed::jumpKeysShowTheirFrames_data()
{
    QTest::addColumn<QString>("video");
    QTest::addColumn<int>("fps");
    QTest::addRow("25 fps MP4") << "25" << 25;
    QTest::addRow("29.97 fps MKV, 30 FPS chosen") << "29.97" << 30;
    QTest::addRow("50 fps MP4") << "50" << 50;
    QTest::addRow("variable rate, every frame") << "vfr" << 0;
}

// Each key shows the frame it names, counted on the file's own frame stamps, and a mark taken
// there holds that frame's start. Keys pressed faster than the picture follows add up.
void TestJumpsAndSpeed::jumpKeysShowTheirFrames()
{
    QFETCH(QString, video);
    QFETCH(int, fps);
    const QString path = videos_.value(video);
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    QVERIFY(starts.size() > 60);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    player->setFPS(fps);
    if (fps == 0)
        QTRY_VERIFY(player->frameGrid().isFrameList());
    // The file's first frame time (23 ms into an MKV) is read beside the first picture.
    QTRY_COMPARE(player->frameGrid().origin(), starts.first());
    QVERIFY(waitForFrame(0));
    const qint64 shift = player->frameGrid().origin() - starts.first();
    const int last = starts.size() - 1;

    int frame = 0;
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers, int expected,
                           const char *what) {
        QTest::keyClick(player, key, modifiers);
        frame = expected;
        QVERIFY2(waitForFrame(frame), qPrintable(QStringLiteral("%1: frame %2 due, %3 shown")
                                                     .arg(QLatin1String(what))
                                                     .arg(frame)
                                                     .arg(shownFrame())));
        QTRY_COMPARE(player->recordingTime(), starts.at(frame) + shift);
    };
    press(Qt::Key_Right, Qt::ShiftModifier, 10, "Shift+Right");
    press(Qt::Key_Right, Qt::ControlModifier,
          nearestFrame(starts, starts.at(10) + 1000), "Ctrl+Right");
    press(Qt::Key_Left, Qt::ShiftModifier, frame - 10, "Shift+Left");
    press(Qt::Key_Left, Qt::ControlModifier,
          nearestFrame(starts, starts.at(frame) - 1000), "Ctrl+Left");
    press(Qt::Key_End, Qt::NoModifier, last, "End");
    // Past the end nothing moves, and a jump back lands 10 before the last frame.
    press(Qt::Key_Right, Qt::ShiftModifier, last, "Shift+Right at the end");
    press(Qt::Key_Left, Qt::ShiftModifier, last - 10, "Shift+Left from the end");
    press(Qt::Key_Home, Qt::NoModifier, 0, "Home");
    press(Qt::Key_Left, Qt::ControlModifier, 0, "Ctrl+Left at the start");

    // Three presses in a row, as a held key repeats them, go 30 frames.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(player, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY2(waitForFrame(30), qPrintable(QStringLiteral("held Shift+Right: %1").arg(shownFrame())));
    QTRY_COMPARE(player->recordingTime(), starts.at(30) + shift);
    // A mark taken now is the frame's start.
    QTest::keyClick(player, Qt::Key_Return);
    const auto *table = player->timerWidget()->findChild<TimingTable *>();
    QTRY_COMPARE(table->runMarks(table->shownRun()).value(0), starts.at(30) + shift);
}

void TestJumpsAndSpeed::slowMotionPlaysAtTheChosenSpeed_data()
{
    QTest::addColumn<QString>("video");
    QTest::addColumn<int>("fps");
    QTest::addColumn<int>("slower");
    QTest::addColumn<double>("speed");
    QTest::addRow("25 fps at 1/2") << "25" << 25 << 1 << 0.5;
    QTest::addRow("25 fps at 1/4") << "25" << 25 << 2 << 0.25;
    QTest::addRow("29.97 fps at 1/8") << "29.97" << 30 << 3 << 0.125;
    QTest::addRow("50 fps at 1/4") << "50" << 50 << 2 << 0.25;
    QTest::addRow("variable rate at 1/2") << "vfr" << 0 << 1 << 0.5;
}

// Frames per second of the clock, counted on the screen, match the speed; the sound is
// silent meanwhile; Return records the frame on screen; and paused, the picture is a whole
// frame whose start the time label and a mark give.
void TestJumpsAndSpeed::slowMotionPlaysAtTheChosenSpeed()
{
    QFETCH(QString, video);
    QFETCH(int, fps);
    QFETCH(int, slower);
    QFETCH(double, speed);
    const QString path = videos_.value(video);
    MediaPlayer *player = open(path);
    QVERIFY(player);
    player->setFPS(fps);
    if (fps == 0)
        QTRY_VERIFY(player->frameGrid().isFrameList());
    const QList<qint64> starts = morlek::test::frameStartsMs(path);
    QTRY_COMPARE(player->frameGrid().origin(), starts.first());
    const qint64 shift = player->frameGrid().origin() - starts.first();
    for (int i = 0; i < slower; ++i)
        QTest::keyClick(player, Qt::Key_BracketLeft);
    QCOMPARE(player->playbackRate(), speed);
    QCOMPARE(player->findChild<QComboBox *>(QStringLiteral("rateChoice"))->currentData().toDouble(),
             speed);
    QVERIFY(player->engine()->audioOutput()->isMuted());

    QTest::keyClick(player, Qt::Key_Space);
    QTRY_VERIFY(player->engine()->isPlaying());
    // Once it runs, count the frames that pass in 1.5 s.
    QTest::qWait(300);
    const int first = shownFrame();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(1500);
    const int later = shownFrame();
    QVERIFY(first >= 0 && later > first);
    // Frames per second of the clock, against the file's own frames in the stretch played.
    const double measured = (later - first) * 1000.0 / clock.elapsed();
    const double due = (later - first) * 1000.0 / (starts.at(later) - starts.at(first)) * speed;
    QVERIFY2(qAbs(measured - due) <= due * 0.25 + 0.7,
             qPrintable(QStringLiteral("%1 frames a second, %2 due").arg(measured).arg(due)));

    // Return while it plays slowly records the frame on screen.
    int before = -1;
    int after = -2;
    for (int tries = 0; tries < 5 && before != after; ++tries) {
        before = shownFrame();
        QTest::keyClick(player, Qt::Key_Return);
        after = shownFrame();
    }
    QCOMPARE(before, after);
    const auto *table = player->timerWidget()->findChild<TimingTable *>();
    QTRY_VERIFY(!table->runMarks(table->shownRun()).isEmpty());
    QCOMPARE(table->runMarks(table->shownRun()).last(), starts.at(before) + shift);

    QTest::keyClick(player, Qt::Key_Space);
    QTRY_VERIFY(player->engine()->isPaused());
    QTest::qWait(400);
    const int paused = shownFrame();
    QVERIFY(paused >= 0);
    QTRY_COMPARE(player->recordingTime(), starts.at(paused) + shift);
    QTest::qWait(300);
    QCOMPARE(shownFrame(), paused);
    // A step from there goes one frame on, and normal speed brings the sound back.
    QTest::keyClick(player, Qt::Key_Right);
    QVERIFY(waitForFrame(paused + 1));
    for (int i = 0; i < slower; ++i)
        QTest::keyClick(player, Qt::Key_BracketRight);
    QCOMPARE(player->playbackRate(), 1.0);
    QVERIFY(!player->engine()->audioOutput()->isMuted());
}

ShortcutsDialog *TestJumpsAndSpeed::openShortcutsDialog()
{
    auto *action = player_->findChild<QAction *>(QStringLiteral("shortcutsAction"));
    if (!action)
        return nullptr;
    action->trigger();
    auto *dialog = player_->findChild<ShortcutsDialog *>(QStringLiteral("shortcutsDialog"));
    return dialog && QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
}

void TestJumpsAndSpeed::recordKey(ShortcutsDialog *dialog, const QString &id, Qt::Key key)
{
    QKeySequenceEdit *edit = dialog->editor(id);
    QVERIFY(edit);
    QSignalSpy finished(edit, &QKeySequenceEdit::editingFinished);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, key);
    // The editor takes the key as recorded after a second without another.
    QVERIFY(finished.wait(3000));
}

// D given to the next-frame step in the dialog steps at once, and Right no longer does; a key
// that is taken is refused with a message; both hold after a restart, until the defaults are
// restored.
void TestJumpsAndSpeed::remappedStepKeySurvivesARestart()
{
    const QString path = videos_.value(QStringLiteral("25"));
    MediaPlayer *player = open(path);
    QVERIFY(player);
    player->setFPS(25);
    QVERIFY(waitForFrame(0));

    ShortcutsDialog *dialog = openShortcutsDialog();
    QVERIFY(dialog);
    recordKey(dialog, QStringLiteral("next_frame"), Qt::Key_D);
    QVERIFY(dialog->message().isEmpty());
    // D is now taken: the step back keeps Left.
    recordKey(dialog, QStringLiteral("previous_frame"), Qt::Key_D);
    QVERIFY(dialog->message().contains(QStringLiteral("Next frame")));
    QCOMPARE(dialog->editor(QStringLiteral("previous_frame"))->keySequence(),
             QKeySequence(Qt::Key_Left));
    dialog->close();
    QTRY_VERIFY(!player->findChild<ShortcutsDialog *>());
    player->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(player));
    QCOMPARE(player->findChild<QPushButton *>(QStringLiteral("forwardButton"))->toolTip(),
             QStringLiteral("Next frame (D)"));

    QTest::keyClick(player, Qt::Key_D);
    QVERIFY(waitForFrame(1));
    QTest::keyClick(player, Qt::Key_Right);
    QTest::qWait(500);
    QCOMPARE(shownFrame(), 1);
    QTest::keyClick(player, Qt::Key_Left);
    QVERIFY(waitForFrame(0));

    // On disk, where the next start of the program reads them.
    {
        QSettings settings;
        settings.sync();
        QFile stored(settings.fileName());
        QVERIFY2(stored.open(QIODevice::ReadOnly), qPrintable(settings.fileName()));
        const QByteArray text = stored.readAll();
        QVERIFY2(text.contains("[shortcuts]") && text.contains("next_frame=D"), text.constData());
    }
    // The next window reads the keys back.
    player = open(path);
    QVERIFY(player);
    player->setFPS(25);
    QVERIFY(waitForFrame(0));
    QTest::keyClick(player, Qt::Key_Right);
    QTest::qWait(500);
    QCOMPARE(shownFrame(), 0);
    QTest::keyClick(player, Qt::Key_D);
    QVERIFY(waitForFrame(1));

    dialog = openShortcutsDialog();
    QVERIFY(dialog);
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    buttons->button(QDialogButtonBox::RestoreDefaults)->click();
    QCOMPARE(dialog->editor(QStringLiteral("next_frame"))->keySequence(),
             QKeySequence(Qt::Key_Right));
    dialog->close();
    player->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(player));
    QTest::keyClick(player, Qt::Key_Right);
    QVERIFY(waitForFrame(2));
    QVERIFY(!QSettings().contains(QStringLiteral("shortcuts/next_frame")));
}

QTEST_MAIN(TestJumpsAndSpeed)
#include "tst_jumps_and_speed.moc"
