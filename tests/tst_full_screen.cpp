// A whole element timed without leaving full screen.

#include "media_player.h"
#include "media_video_widget.h"
#include "player_fixture.h"
#include "record_support.h"
#include "surface_notes.h"
#include "test_support.h"
#include "timer_widget.h"

#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>

#include <phonon/MediaObject>

#include <memory>

using namespace morlek::test;

class TestFullScreen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void timingAnElementInFullScreen();

private:
    // Whether the screen shows light text on the dark note where @p label lies.
    static bool noteOnScreen(const QLabel *label);

    TempHome home_;
    QTemporaryDir dir_;
    QString video_;
};

void TestFullScreen::initTestCase()
{
    QVERIFY(home_.isValid());
    QVERIFY(dir_.isValid());
    video_ = dir_.filePath(QStringLiteral("full.mp4"));
    QString error;
    QVERIFY2(makeCodedVideo(video_, 25, 3, {"-c:v", "libx264", "-g", "12"}, false, &error),
             qPrintable(error));
}

bool TestFullScreen::noteOnScreen(const QLabel *label)
{
    if (!label->isVisible())
        return false;
    const QRect area = label->geometry();
    const QImage shot = label->screen()
                            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                            .toImage();
    int light = 0;
    int dark = 0;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            const int grey = qGray(shot.pixel(x, y));
            light += grey > 200 ? 1 : 0;
            dark += grey < 60 ? 1 : 0;
        }
    }
    return light > 10 && dark > light;
}

void TestFullScreen::timingAnElementInFullScreen()
{
    MediaPlayer player(video_);
    QVERIFY(showAndWaitForLoad(player, [&] { return player.timerWidget()->isEnabled(); }));
    player.setFPS(25);
    MediaVideoWidget *surface = player.videoWidget();
    QTest::keyClick(&player, Qt::Key_Return, Qt::AltModifier);
    QTRY_VERIFY(surface->isFullScreen());
    // Without a window manager the full-screen window does not take the focus by itself.
    QApplication::setActiveWindow(surface);
    QTRY_COMPARE(QApplication::activeWindow(), surface);

    auto *label = player.findChild<QLabel *>(QStringLiteral("timeLabel"));
    QVERIFY(label);
    const auto seen = [&] {
        return QStringLiteral("shown %1, label %2").arg(shownFrame(player)).arg(label->text());
    };

    // The window's own keys, pressed on the full-screen surface.
    QTest::keyClick(surface, Qt::Key_Right);
    QTest::keyClick(surface, Qt::Key_Right);
    QVERIFY2(waitForFrame(player, 2), qPrintable(seen()));
    QTest::keyClick(surface, Qt::Key_Left);
    QVERIFY2(waitForFrame(player, 1), qPrintable(seen()));
    QTest::keyClick(surface, Qt::Key_Return);
    QLabel *note = surface->notes()->confirmation();
    QTRY_VERIFY(noteOnScreen(note));
    QCOMPARE(note->text(), QStringLiteral("Element 1 start 0:00:040"));
    QTest::keyClick(surface, Qt::Key_Right);
    QTest::keyClick(surface, Qt::Key_Right);
    QVERIFY2(waitForFrame(player, 3), qPrintable(seen()));
    QTest::keyClick(surface, Qt::Key_Return);
    QTRY_COMPARE(note->text(), QStringLiteral("Element 1 end 0:00:120"));
    QTRY_VERIFY(noteOnScreen(note));
    QTest::qWait(2000);
    QVERIFY(!note->isVisible());

    // I shows the paused picture's time in a corner, and hides it again.
    QLabel *corner = surface->notes()->corner();
    QTest::keyClick(surface, Qt::Key_I);
    QTRY_VERIFY(corner->isVisible());
    QVERIFY2(corner->text().contains(QStringLiteral("0:120")), qPrintable(corner->text()));
    QTest::keyClick(surface, Qt::Key_I);
    QTRY_VERIFY(!corner->isVisible());

    // Back in the window: the table holds both marks and its cursor waits on the next start.
    QTest::keyClick(surface, Qt::Key_Escape);
    QTRY_VERIFY(!surface->isFullScreen());
    auto *table = player.timerWidget()->findChild<QTableView *>();
    QVERIFY(table);
    QCOMPARE(table->model()->index(0, 1).data().toTime(), QTime(0, 0, 0, 40));
    QCOMPARE(table->model()->index(0, 2).data().toTime(), QTime(0, 0, 0, 120));
    QCOMPARE(table->currentIndex(), table->model()->index(1, 1));
    QTRY_COMPARE(marksOf(onlyStoredRecord(home_.dataDir())), (QList<qint32>{40, 120}));
}

QTEST_MAIN(TestFullScreen)
#include "tst_full_screen.moc"
