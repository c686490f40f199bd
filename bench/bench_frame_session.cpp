#include "bench_frame_session.h"

#include "bench_frame_probe.h"
#include "bench_frame_stall_monitor.h"
#include "bench_frame_target.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTableView>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace {

constexpr int settleMs = 80; // a frame counts as arrived once it stays this long
constexpr int hardLimitMs = 8000;
constexpr int pollMs = 2;

qint64 cellMilliseconds(const QVariant &value)
{
    QTime time = value.toTime();
    if (!time.isValid())
        time = QTime::fromString(value.toString(), QStringLiteral("m:ss:zzz"));
    return time.isValid() ? QTime(0, 0).msecsTo(time) : -1;
}

} // namespace

FrameBenchSession::FrameBenchSession(FrameBenchTarget *target, const FrameBenchVideo &video,
                                     const QString &path, const FrameBenchPlan &plan)
    : target_(target), video_(video), path_(path), plan_(plan),
      stalls_(std::make_unique<FrameBenchStallMonitor>())
{
}

FrameBenchSession::~FrameBenchSession() = default;

QJsonObject FrameBenchSession::run()
{
    QJsonObject result;
    result[QStringLiteral("file")] = video_.fileName();
    result[QStringLiteral("label")] = video_.label();
    result[QStringLiteral("fps")] = video_.fps;
    result[QStringLiteral("latencyFile")] = video_.isLatencyFile();

    QString error;
    frameTimes_ = FrameBenchMatrix::frameTimes(path_, &error);
    if (frameTimes_.isEmpty()) {
        result[QStringLiteral("error")] = error;
        return result;
    }
    durationMs_ = frameTimes_.last() + 1000.0 / video_.frameRate();
    result[QStringLiteral("frames")] = frameTimes_.size();
    result[QStringLiteral("firstFrameMs")] = frameTimes_.first();
    result[QStringLiteral("framePeriodMs")] = 1000.0 / video_.frameRate();

    stalls_->start();
    if (!load(&error)) {
        result[QStringLiteral("error")] = error;
        return result;
    }
    // Loading is reported apart: the window fits itself to the video then. Building the
    // window and setting its file come before it is shown, where nothing can wait on it.
    result[QStringLiteral("openMs")] = openMs_;
    result[QStringLiteral("loadStallMs")] = stalls_->overallMaxMs();
    result[QStringLiteral("firstPictureMs")] = firstPictureMs_;
    result[QStringLiteral("startToPictureMs")] = startToPictureMs_;
    if (plan_.loadOnly)
        return result;
    followPlayersClock();
    stalls_->restart();
    // Progress goes to the log, which tells where a file that ran out of time got to.
    const auto progress = [this](const char *phase) {
        qInfo("%s: %d actions, picture %d", phase, int(actions_.size()), probe_->read());
    };
    progress("loaded");
    runSteps();
    progress("steps");
    runJumps();
    progress("jumps");
    if (target_->timingTable()) {
        recordPausedMarks();
        progress("paused marks");
        recordPlayingMarks();
        progress("playing marks");
        returnToMarks();
        progress("returns");
    } else {
        notes_ << QStringLiteral("no timing table in the window: marks not measured");
    }
    if (target_->hasMoveKeys()) {
        runKeyMoves();
        progress("key moves");
        runSlowMotionPauses();
    }
    result[QStringLiteral("actions")] = actions_;
    result[QStringLiteral("longestStallMs")] = stalls_->overallMaxMs();
    result[QStringLiteral("longestProbeMs")] = probe_->longestReadMs();
    result[QStringLiteral("notes")] = QJsonArray::fromStringList(notes_);
    result[QStringLiteral("peakMemoryKb")] = peakMemoryKb();
    return result;
}

void FrameBenchSession::followPlayersClock()
{
    // A camcorder's MPEG-TS starts its clock well after zero, and the player counts from its
    // first frame: the frame due at a time is then found on the player's clock.
    const qint64 shown = target_->shownTimeMs();
    const double shift = shown - frameTimes_.first();
    if (shown < 0 || std::abs(shift) <= 50)
        return;
    for (double &t : frameTimes_)
        t += shift;
    durationMs_ += shift;
    notes_ << QStringLiteral("the player counts from the first frame: frame times moved by %1 ms")
                  .arg(shift, 0, 'f', 1);
}

qint64 FrameBenchSession::peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // Read whole: files under /proc report no size.
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

double FrameBenchSession::millisecondsSinceStart()
{
    // The process's start in clock ticks since boot, against the time since boot.
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command's closing parenthesis; the start time is field 22.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startSeconds = fields.at(19).toDouble() / sysconf(_SC_CLK_TCK);
    const double upSeconds = uptime.readAll().split(' ').first().toDouble();
    return (upSeconds - startSeconds) * 1000.0;
}

bool FrameBenchSession::load(QString *error)
{
    // As the program starts with a file named on the command line: open, then show.
    QElapsedTimer opening;
    opening.start();
    target_->open(path_);
    openMs_ = opening.nsecsElapsed() / 1e6;
    QWidget *window = target_->window();
    stalls_->restart();
    window->show();
    window->activateWindow();
    probe_ = std::make_unique<FrameBenchProbe>(target_->videoSurface(), video_.size);
    stalls_->skipGap();
    // The first picture: the first frame's code readable on screen.
    const auto readOnScreen = [this] {
        stalls_->beginOwnWork();
        const int frame = probe_->readFull();
        stalls_->endOwnWork();
        return frame;
    };
    while (opening.elapsed() < 10000 && readOnScreen() < 0)
        wait(5);
    if (readOnScreen() >= 0) {
        firstPictureMs_ = opening.nsecsElapsed() / 1e6;
        startToPictureMs_ = millisecondsSinceStart();
    }
    if (!QTest::qWaitForWindowActive(window, 5000))
        notes_ << QStringLiteral("window did not become active");
    if (video_.fps != 0)
        target_->selectFrameRate(video_.fps);

    // Loading shows the first frame and may resize and move the window: wait for a picture
    // that stays put.
    QElapsedTimer clock;
    clock.start();
    int stable = 0;
    QRect lastGeometry;
    while (clock.elapsed() < 20000) {
        wait(50);
        const QRect geometry(target_->videoSurface()->mapToGlobal(QPoint()),
                             target_->videoSurface()->size());
        const int frame = readOnScreen();
        stable = (frame >= 0 && geometry == lastGeometry) ? stable + 1 : 0;
        lastGeometry = geometry;
        if (stable >= 10)
            break;
    }
    if (stable < 10) {
        *error = QStringLiteral("no frame code on screen 20 s after opening");
        return false;
    }
    probe_->locate();
    stalls_->skipGap();
    return true;
}

void FrameBenchSession::wait(int ms)
{
    QTest::qWait(ms);
}

FrameBenchSession::Observation FrameBenchSession::act(const std::function<void()> &action,
                                                      int noChangeTimeoutMs)
{
    Observation seen;
    if (!probe_->isLocated() || probe_->read() < 0)
        probe_->locate();
    seen.before = probe_->read();
    // What ran since the last expiry was the benchmark's own reading, not the player.
    stalls_->skipGap();
    stalls_->resetWindow();
    QElapsedTimer clock;
    clock.start();
    action();
    // A back-end that blocks inside the event handler must not eat the waiting time.
    const double actionMs = clock.nsecsElapsed() / 1e6;

    int current = seen.before;
    qint64 currentSince = 0;
    bool changed = false;
    bool relocated = false;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        // A read waits on the X server, which may be busy drawing video: that is not the
        // player blocking its event loop.
        stalls_->beginOwnWork();
        const int frame = probe_->read();
        stalls_->endOwnWork();
        const qint64 now = clock.nsecsElapsed();
        if (frame >= 0 && frame != current) {
            current = frame;
            currentSince = now;
            changed = changed || frame != seen.before;
        }
        const double nowMs = now / 1e6;
        // The picture cannot be placed on frame 0 (all black, like the margin): place it on
        // the first other frame, should the guess from the surface size be wrong.
        if (!changed && !relocated && !probe_->isLocated() && nowMs - actionMs >= 150) {
            relocated = true;
            probe_->locate();
            stalls_->skipGap();
        }
        if ((changed && (now - currentSince) / 1e6 >= settleMs)
            || (!changed && nowMs - actionMs >= noChangeTimeoutMs)
            || nowMs - actionMs >= hardLimitMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    seen.frame = current;
    seen.latencyMs = current != seen.before ? currentSince / 1e6 : -1;
    seen.stallMs = stalls_->windowMaxMs();
    return seen;
}

int FrameBenchSession::settledFrame()
{
    // The frame that is there to be recorded: unchanged for a good while, whatever late
    // seek the back-end may still be finishing.
    QElapsedTimer clock;
    clock.start();
    int frame = probe_->read();
    qint64 since = 0;
    while (clock.elapsed() < 8000 && clock.elapsed() - since < 250) {
        wait(pollMs * 5);
        const int now = probe_->read();
        if (now != frame) {
            frame = now;
            since = clock.elapsed();
        }
    }
    return frame >= 0 ? frame : probe_->readFull();
}

int FrameBenchSession::expectedFrameAt(double ms) const
{
    const auto after = std::upper_bound(frameTimes_.begin(), frameTimes_.end(), ms + 1e-6);
    return std::max(0, int(after - frameTimes_.begin()) - 1);
}

void FrameBenchSession::record(const QString &kind, int expected, const Observation &seen,
                               qint64 targetMs)
{
    QJsonObject entry;
    entry[QStringLiteral("kind")] = kind;
    entry[QStringLiteral("expected")] = expected;
    entry[QStringLiteral("frame")] = seen.frame;
    entry[QStringLiteral("before")] = seen.before;
    entry[QStringLiteral("latencyMs")] = seen.latencyMs;
    entry[QStringLiteral("stallMs")] = seen.stallMs;
    entry[QStringLiteral("shownTime")] = target_->shownTime();
    if (targetMs >= 0)
        entry[QStringLiteral("targetMs")] = targetMs;
    actions_.append(entry);
}

void FrameBenchSession::runSteps()
{
    QWidget *window = target_->window();
    const int last = frameTimes_.size() - 1;
    int expected = probe_->readFull();
    if (expected != 0)
        notes_ << QStringLiteral("first frame on screen after loading: %1").arg(expected);
    expected = std::max(expected, 0);
    for (int i = 0; i < plan_.steps; ++i) {
        expected = std::min(expected + 1, last);
        record(QStringLiteral("step-forward"), expected,
               act([window] { QTest::keyClick(window, Qt::Key_Right); }));
    }
    for (int i = 0; i < plan_.steps; ++i) {
        expected = std::max(expected - 1, 0);
        record(QStringLiteral("step-back"), expected,
               act([window] { QTest::keyClick(window, Qt::Key_Left); }));
    }
}

void FrameBenchSession::runJumps()
{
    // Spread over the file off the frame boundaries, the last two seconds and the last
    // frame included, visited out of order.
    const double period = 1000.0 / video_.frameRate();
    QVector<qint64> targets;
    const int spread = std::max(1, plan_.jumps - 3);
    for (int i = 0; i < spread; ++i)
        targets << qint64(300 + i * (durationMs_ - 2300) / spread + std::fmod(i * 7.3, period));
    targets << qint64(durationMs_ - 1700) << qint64(durationMs_ - 650)
            << qint64(frameTimes_.last() + 1);
    QVector<qint64> order;
    for (int i = 0; i < targets.size(); ++i)
        order << targets[(i * 7) % targets.size()];
    if (targets.size() % 7 == 0)
        order = targets;
    for (qint64 t : order) {
        bool ok = true;
        const Observation seen = act([this, t, &ok] { ok = target_->jumpTo(t); }, seekWaitMs);
        if (!ok)
            notes_ << QStringLiteral("no seek slider to jump with");
        record(QStringLiteral("jump"), expectedFrameAt(t), seen, t);
    }
}

void FrameBenchSession::recordPausedMarks()
{
    QWidget *window = target_->window();
    for (int i = 0; i < plan_.pausedMarks; ++i) {
        const qint64 t = qint64((i + 0.5) * (durationMs_ - 1000) / plan_.pausedMarks + i * 3);
        act([this, t] { target_->jumpTo(t); }, seekWaitMs);
        for (int s = 0; s < i % 3; ++s)
            act([window] { QTest::keyClick(window, Qt::Key_Right); });
        const int frame = settledFrame();
        const int row = markCount_ / 2;
        const int column = 1 + markCount_ % 2;
        const Observation seen = act([window] { QTest::keyClick(window, Qt::Key_Return); }, 150);
        ++markCount_;
        const qint64 ms = cellMilliseconds(target_->timingTable()->model()->index(row, column).data());
        record(QStringLiteral("mark-paused"), frame, seen, ms);
        marks_.append({QStringLiteral("return-paused"), frame, row, column, ms});
    }
}

void FrameBenchSession::recordPlayingMarks()
{
    QWidget *window = target_->window();
    act([this] { target_->jumpTo(1000); }, seekWaitMs);
    QTest::keyClick(window, Qt::Key_Space);
    wait(600);
    for (int i = 0; i < plan_.playingMarks; ++i) {
        wait(250 + (i * 137) % 400);
        const int row = markCount_ / 2;
        const int column = 1 + markCount_ % 2;
        Observation seen;
        stalls_->resetWindow();
        seen.before = probe_->read();
        QTest::keyClick(window, Qt::Key_Return);
        seen.frame = probe_->read();
        seen.stallMs = stalls_->windowMaxMs();
        ++markCount_;
        const qint64 ms = cellMilliseconds(target_->timingTable()->model()->index(row, column).data());
        // A frame caught while being drawn reads as no code: then the one read just after
        // the key is the one that was on screen, or the one before it. Where the picture
        // changed between the two reads, either frame was on screen at the key. Where the
        // mark names one of those, that is the frame a return must show (a mark is a
        // millisecond: it names the frame that starts within it).
        int onScreen = seen.before >= 0 ? seen.before : seen.frame;
        const int named = expectedFrameAt(double(ms) + 0.999);
        const bool changed = seen.before >= 0 && seen.frame >= 0 && seen.before != seen.frame;
        const bool unread = seen.before < 0 && seen.frame >= 0;
        if ((changed && (named == seen.before || named == seen.frame))
            || (unread && (named == seen.frame || named == seen.frame - 1)))
            onScreen = named;
        record(QStringLiteral("mark-playing"), onScreen, seen, ms);
        marks_.append({QStringLiteral("return-playing"), onScreen, row, column, ms});
    }
    QTest::keyClick(window, Qt::Key_Space);
    wait(500);
}

bool FrameBenchSession::doubleClickCell(int row, int column)
{
    QTableView *table = target_->timingTable();
    const QModelIndex index = table->model()->index(row, column);
    table->scrollTo(index);
    const QRect cell = table->visualRect(index);
    if (!cell.isValid())
        return false;
    // As the window system delivers it: a click, then the second press as a double click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    return true;
}

void FrameBenchSession::returnToMarks()
{
    for (const Mark &mark : qAsConst(marks_)) {
        const Observation seen =
            act([this, &mark] { doubleClickCell(mark.row, mark.column); }, seekWaitMs);
        record(mark.kind, mark.frame, seen, mark.recordedMs);
    }
}
