#include "file_support.h"
#include "panel_fixture.h"
#include "record_support.h"
#include "storage.h"
#include "test_support.h"
#include "time_format.h"
#include "timer_widget.h"
#include "timing_table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using dravenhol::morlek::VideoMetadata;
using morlek::test::ModalAnswerer;
using morlek::test::PanelFixture;
using morlek::test::marksOf;

namespace {

/** What a message box showed, kept for checks after it was answered. */
struct BoxSeen
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString informativeText;
    bool linksOpen = false;
};

} // namespace

class TestTimerWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refusesTimingBeforeLoad();
    void returnRecordsTimeAndSaves();
    void everyPressIsOneMark_data();
    void everyPressIsOneMark();
    void loadFailure_data();
    void loadFailure();
    void saveFailureKeepsTable();
    void replayWithFailingSavesReportsOnce();
    void clearing_data();
    void clearing();
    void doubleClickSeeks();

private:
    TimingTable *table() const { return timing_->table(); }
    QPushButton *button(const QString &toolTipStart) const { return timing_->button(toolTipStart); }
    /** Presses Return in the table; returns whether it recorded a time. */
    bool pressReturn(int timeoutMs = 3000);
    QString dataFile() const { return morlek::test::onlyDataFile(timing_->home()->dataDir()); }
    QByteArray dataBytes() const { return morlek::test::readFile(dataFile()); }
    VideoMetadata storedRecord() const
    {
        return morlek::test::onlyStoredRecord(timing_->home()->dataDir());
    }
    /** Queues an answer that notes what the box shows and clicks @p button. */
    void expectBox(BoxSeen *seen, QMessageBox::StandardButton button);

    QTemporaryDir videos_;
    QString video_;
    qint64 now_ = 0;
    std::unique_ptr<PanelFixture> timing_;
    std::unique_ptr<ModalAnswerer> answerer_;
};

void TestTimerWidget::initTestCase()
{
    QVERIFY(videos_.isValid());
    video_ = videos_.filePath(QStringLiteral("run.avi"));
    QString error;
    QVERIFY2(PanelFixture::makeVideoToTime(video_, &error), qPrintable(error));
}

void TestTimerWidget::init()
{
    now_ = 0;
    timing_ = std::make_unique<PanelFixture>([this] { return now_; });
    QVERIFY(timing_->isValid());
    answerer_ = std::make_unique<ModalAnswerer>();
    QVERIFY(timing_->showActive());
}

void TestTimerWidget::cleanup()
{
    QVERIFY2(answerer_->unexpected().isEmpty(), qPrintable(answerer_->unexpected().join('\n')));
    QCOMPARE(answerer_->pending(), 0);
    answerer_.reset();
    timing_.reset();
}

bool TestTimerWidget::pressReturn(int timeoutMs)
{
    timing_->panel()->activateWindow();
    if (!QTest::qWaitForWindowActive(timing_->panel()))
        return false;
    QSignalSpy timings(timing_->panel(), &TimerWidget::newTiming);
    QTest::keyClick(table(), Qt::Key_Return);
    return timings.count() == 1 || timings.wait(timeoutMs);
}

void TestTimerWidget::expectBox(BoxSeen *seen, QMessageBox::StandardButton button)
{
    answerer_->expect([seen, button](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            seen->icon = box->icon();
            seen->text = box->text();
            seen->informativeText = box->informativeText();
            if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
                seen->linksOpen = label->openExternalLinks();
        }
        ModalAnswerer::clickButton(modal, button);
    });
}

void TestTimerWidget::refusesTimingBeforeLoad()
{
    QVERIFY(timing_->panel()->isEnabled());
    QVERIFY(!button("Save current time")->isEnabled());
    QVERIFY(!button("Clear timing table")->isEnabled());
    QVERIFY(button("Export data")->isEnabled());

    now_ = 5000;
    QVERIFY(!pressReturn(300));
    QVERIFY(!table()->model()->index(0, timing::StartColumn).data().isValid());
    QVERIFY(!QDir(timing_->home()->dataDir()).exists());
}

void TestTimerWidget::returnRecordsTimeAndSaves()
{
    QSignalSpy timings(timing_->panel(), &TimerWidget::newTiming);
    timing_->storage()->requestLoadData(video_);
    QVERIFY(button("Save current time")->isEnabled());
    QVERIFY(button("Clear timing table")->isEnabled());
    // A video without stored marks is loaded without writing anything.
    QVERIFY(!QDir(timing_->home()->dataDir()).exists());

    now_ = 1240;
    QVERIFY(pressReturn());
    QCOMPARE(timings.count(), 1);
    QCOMPARE(timings.first().first().toLongLong(), qint64(1240));
    QCOMPARE(table()->model()->index(0, timing::StartColumn).data().toTime(),
             QTime(0, 0, 1, 240));
    QCOMPARE(marksOf(storedRecord()), QList<qint32>{1240});
    QCOMPARE(storedRecord().filename_size(), 1);
    QCOMPARE(QString::fromStdString(storedRecord().filename(0)), video_);

    now_ = 4480;
    QVERIFY(pressReturn());
    QCOMPARE(marksOf(storedRecord()), (QList<qint32>{1240, 4480}));
    QCOMPARE(table()->model()->index(0, timing::DurationColumn).data().toTime(),
             QTime(0, 0, 3, 240));

    // Opening the video again shows the same marks, and the load stores them once more whole.
    TimerWidget other([] { return qint64(0); }, timing_->storage());
    timing_->storage()->requestLoadData(video_);
    QCOMPARE(other.findChild<TimingTable *>()->model()->index(0, timing::EndColumn).data().toTime(),
             QTime(0, 0, 4, 480));
    QCOMPARE(marksOf(storedRecord()), (QList<qint32>{1240, 4480}));
}

void TestTimerWidget::everyPressIsOneMark_data()
{
    QTest::addColumn<int>("gapMs");
    QTest::addRow("two fingers") << 0;
    QTest::addRow("10 ms apart") << 10;
    QTest::addRow("60 ms apart") << 60;
}

// Presses come faster than a button's click animation; none may be merged or lost, and the
// key held down (auto-repeat) records nothing more.
void TestTimerWidget::everyPressIsOneMark()
{
    QFETCH(int, gapMs);
    timing_->storage()->requestLoadData(video_);
    timing_->panel()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(timing_->panel()));
    const QList<qint32> marks{100, 120, 140, 300};
    for (qint32 mark : marks) {
        now_ = mark;
        QTest::keyClick(table(), Qt::Key_Return);
        if (gapMs > 0)
            QTest::qWait(gapMs);
    }
    QCOMPARE(marksOf(storedRecord()), marks);

    now_ = 500;
    // As the keyboard delivers a held key: shortcut lookup first, then the press.
    QTest::simulateEvent(table(), true, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QTest::qWait(150);
    QCOMPARE(marksOf(storedRecord()), marks);

    // A click on the button is one mark too; so is the keypad's Enter.
    QTest::mouseClick(button("Save current time"), Qt::LeftButton);
    QTest::keyClick(table(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(marksOf(storedRecord()), (QList<qint32>{100, 120, 140, 300, 500, 500}));
}

void TestTimerWidget::loadFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");

    QTest::addRow("missing video") << "missing"
                                   << "Can't open video file for hash calculation";
    QTest::addRow("empty video") << "empty"
                                 << "I can't work with empty video files, give me some data";
    QTest::addRow("broken data file") << "broken" << "Protobuf reported error while parsing file";
}

void TestTimerWidget::loadFailure()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    // A video with a stored mark is on screen when the next one fails to load.
    timing_->storage()->requestLoadData(video_);
    now_ = 700;
    QVERIFY(pressReturn());
    QCOMPARE(marksOf(storedRecord()), QList<qint32>{700});

    QTemporaryDir dir;
    QString failing = dir.filePath(QStringLiteral("missing.avi"));
    if (kind == QLatin1String("empty")) {
        failing = dir.filePath(QStringLiteral("empty.avi"));
        QFile empty(failing);
        QVERIFY(empty.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("broken")) {
        failing = video_;
        QFile broken(dataFile());
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    const QByteArray storedBefore = dataBytes();

    BoxSeen seen;
    expectBox(&seen, QMessageBox::Ok);
    timing_->storage()->requestLoadData(failing);
    QCOMPARE(answerer_->seen().size(), 1);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.text, QStringLiteral("Error occured while loading data"));
    QVERIFY2(seen.informativeText.startsWith(
                 "We are sorry.We may advise you to reports this problem to <a href=\"mailto:"),
             qPrintable(seen.informativeText));
    QVERIFY2(seen.informativeText.endsWith(", and ask for assistance.<br><br>Error message:<br>"
                                           + message),
             qPrintable(seen.informativeText));
    QVERIFY(seen.linksOpen);

    // The table is reset and refuses timing: nothing reaches the other video's record.
    QCOMPARE(table()->model()->rowCount(), 1);
    QVERIFY(!table()->model()->index(0, timing::StartColumn).data().isValid());
    QVERIFY(!button("Save current time")->isEnabled());
    QVERIFY(!button("Clear timing table")->isEnabled());
    now_ = 900;
    QVERIFY(!pressReturn(300));
    QVERIFY(!table()->model()->index(0, timing::StartColumn).data().isValid());
    QCOMPARE(dataBytes(), storedBefore);
    QCOMPARE(answerer_->seen().size(), 1);
}

void TestTimerWidget::saveFailureKeepsTable()
{
    // A plain file where the data folder belongs: every save fails.
    QVERIFY(QDir(timing_->home()->path()).mkpath(QStringLiteral("morlek")));
    QFile blocker(timing_->home()->dataDir());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    timing_->storage()->requestLoadData(video_);

    BoxSeen first;
    expectBox(&first, QMessageBox::Ok);
    now_ = 2500;
    QVERIFY(pressReturn());
    QCOMPARE(answerer_->seen().size(), 1);
    QCOMPARE(first.icon, QMessageBox::Critical);
    QCOMPARE(first.text, QStringLiteral("Error occured while saving data"));
    QVERIFY2(first.informativeText.startsWith(
                 "We are sorry. Please backup your data manually. Then we may advise you to "
                 "reports this problem to <a href=\"mailto:"),
             qPrintable(first.informativeText));
    QVERIFY2(first.informativeText.contains(", and ask for assistance.<br><br>Error message:<br>"),
             qPrintable(first.informativeText));
    QVERIFY(first.linksOpen);

    // The table keeps the time and the next change asks for a save, and fails, again.
    QCOMPARE(table()->model()->index(0, timing::StartColumn).data().toTime(), QTime(0, 0, 2, 500));
    BoxSeen second;
    expectBox(&second, QMessageBox::Ok);
    now_ = 3000;
    QVERIFY(pressReturn());
    QCOMPARE(answerer_->seen().size(), 2);
    QCOMPARE(second.text, first.text);
    QCOMPARE(table()->model()->index(0, timing::DurationColumn).data().toTime(),
             QTime(0, 0, 0, 500));
}

void TestTimerWidget::replayWithFailingSavesReportsOnce()
{
    // A record whose fingerprint names no data file: its saves fail.
    const VideoMetadata metadata =
        morlek::test::timingRecord(QStringLiteral("not a fingerprint"), {1000, 2000, 3500});

    BoxSeen seen;
    expectBox(&seen, QMessageBox::Ok);
    emit timing_->storage()->dataLoaded(metadata);
    QCOMPARE(answerer_->seen().size(), 1);
    QCOMPARE(seen.text, QStringLiteral("Error occured while saving data"));
    QCOMPARE(table()->model()->index(0, timing::EndColumn).data().toTime(), QTime(0, 0, 2));
    QCOMPARE(table()->model()->index(1, timing::StartColumn).data().toTime(),
             QTime(0, 0, 3, 500));
}

void TestTimerWidget::clearing_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addRow("cancel") << false;
    QTest::addRow("ok") << true;
}

void TestTimerWidget::clearing()
{
    QFETCH(bool, confirm);

    timing_->storage()->requestLoadData(video_);
    for (const qint64 time : {1000, 2000, 3000}) {
        now_ = time;
        QVERIFY(pressReturn());
    }
    const QByteArray before = dataBytes();
    QCOMPARE(marksOf(storedRecord()), (QList<qint32>{1000, 2000, 3000}));

    BoxSeen seen;
    expectBox(&seen, confirm ? QMessageBox::Ok : QMessageBox::Cancel);
    button("Clear timing table")->click();
    QCOMPARE(answerer_->seen().size(), 1);
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.text, QStringLiteral("Delete all timing data?"));
    QCOMPARE(seen.informativeText,
             QStringLiteral("If you will proceed, all timing data for this video will be deleted"));

    if (!confirm) {
        QCOMPARE(table()->model()->rowCount(), 2);
        QCOMPARE(dataBytes(), before);
        return;
    }
    QCOMPARE(table()->model()->rowCount(), 1);
    QVERIFY(!table()->model()->index(0, timing::StartColumn).data().isValid());
    const VideoMetadata cleared = storedRecord();
    QCOMPARE(cleared.time_sequence_size(), 1);
    QVERIFY(marksOf(cleared).isEmpty());
    QCOMPARE(cleared.filename_size(), 1);
}

void TestTimerWidget::doubleClickSeeks()
{
    timing_->storage()->requestLoadData(video_);
    for (const qint64 time : {12345, 20000}) {
        now_ = time;
        QVERIFY(pressReturn());
    }
    QSignalSpy seeks(timing_->panel(), &TimerWidget::seek);
    const auto doubleClick = [this](int row, int column) {
        TimingTable *view = table();
        const QPoint at = view->visualRect(view->model()->index(row, column)).center();
        // The events of a real double click: a click, then the double click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    };

    doubleClick(0, timing::SumColumn);
    doubleClick(0, timing::DurationColumn);
    doubleClick(1, timing::StartColumn); // empty
    QCOMPARE(seeks.count(), 0);

    doubleClick(0, timing::EndColumn);
    QCOMPARE(seeks.count(), 1);
    QCOMPARE(seeks.last().first().toLongLong(), qint64(20000));
    doubleClick(0, timing::StartColumn);
    QCOMPARE(seeks.count(), 2);
    QCOMPARE(seeks.last().first().toLongLong(), qint64(12345));

    // The double-clicked cell is the cursor: the next recorded time replaces it.
    now_ = 12300;
    QVERIFY(pressReturn());
    QCOMPARE(marksOf(storedRecord()), (QList<qint32>{12300, 20000}));
}

QTEST_MAIN(TestTimerWidget)
#include "tst_timer_widget.moc"
