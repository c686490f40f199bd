#include "interlaced_clips.h"
#include "test_support.h"
#include "video_file_deinterlacer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using morlek::reencoding::FrameRate;
using morlek::test::InterlacedClip;

namespace {

const FrameRate pal{25, 1};

// A stand-in encoder "ffmpeg" in @p folder, the PATH's first: finds its output (the last
// argument) and runs body, with that folder off the PATH again so that body reaches the real one.
bool writeStandIn(const QString &body, const QString &folder = QStringLiteral("bin"))
{
    QFile file(QDir(folder).filePath(QStringLiteral("ffmpeg")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("#!/bin/sh\nulimit -c 0\nPATH=${PATH#*:}\n"
                              "for out; do :; done\n"
                              "input=; prev=; for a; do [ \"$prev\" = -i ] && input=$a; prev=$a; done\n"
                              "%1\n")
                       .arg(body)
                       .toUtf8());
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class TestVideoFileDeinterlacer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void progressRisesToDone();
    void failureLeavesNoFile_data();
    void failureLeavesNoFile();
    void cancelStopsRealEncoder();
    void secondRunSupersedesFirst();
    void destroyingStopsEncoder();

private:
    QString path(const QString &name) const { return QDir(work_->path()).filePath(name); }
    // Neither the copy nor its partial file is left.
    bool noCopyLeft(const QString &output) const
    {
        return !QFileInfo::exists(output)
               && !QFileInfo::exists(VideoFileDeinterlacer::partialFileName(output));
    }

    std::unique_ptr<QTemporaryDir> work_;
    QString oldCurrent_;
    QByteArray oldPath_;
};

void TestVideoFileDeinterlacer::init()
{
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    oldCurrent_ = QDir::currentPath();
    oldPath_ = qgetenv("PATH");
    // Stand-ins lie in a folder of their own at the head of the PATH.
    QVERIFY(QDir::setCurrent(work_->path()));
    QVERIFY(QDir().mkpath(path(QStringLiteral("bin"))));
    qputenv("PATH", QFile::encodeName(path(QStringLiteral("bin"))) + ':' + oldPath_);
}

void TestVideoFileDeinterlacer::cleanup()
{
    QDir::setCurrent(oldCurrent_);
    qputenv("PATH", oldPath_);
    work_.reset();
}

void TestVideoFileDeinterlacer::progressRisesToDone()
{
    // Long enough for the encoder to report on its way.
    const QString input = path(QStringLiteral("long clip.avi"));
    QString problem;
    QVERIFY2(morlek::test::makeInterlacedClip(InterlacedClip::PalDv, input, 6, &problem),
             qPrintable(problem));
    const QString output = input + QStringLiteral(".deinterlaced.avi");

    VideoFileDeinterlacer runner;
    QSignalSpy progress(&runner, &VideoFileDeinterlacer::progress);
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);
    runner.deinterlace(input, pal, output, 0);
    QVERIFY(runner.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + error.count(), 1, 120000);
    QVERIFY2(error.isEmpty(), error.isEmpty() ? "" : qPrintable(error.first().first().toString()));
    QVERIFY(!runner.isRunning());

    QList<int> percents;
    for (const QList<QVariant> &args : progress)
        percents << args.first().toInt();
    QVERIFY2(std::any_of(percents.cbegin(), percents.cend(), [](int p) { return p > 0 && p < 100; }),
             qPrintable(QStringLiteral("no progress on the way: %1").arg(percents.size())));
    QVERIFY(std::is_sorted(percents.cbegin(), percents.cend()));
    QCOMPARE(percents.last(), 100);
    QVERIFY(QFileInfo(output).size() > 0);
    QVERIFY(!QFileInfo::exists(VideoFileDeinterlacer::partialFileName(output)));
}

void TestVideoFileDeinterlacer::failureLeavesNoFile_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("reason");

    QTest::addRow("no encoder anywhere") << QString() << "could not be started";
    QTest::addRow("encoder exits with 1")
            << "echo half > \"$out\"\necho 'Invalid data found when processing input' >&2\nexit 1"
            << "Invalid data found when processing input";
    QTest::addRow("encoder killed mid-run")
            << "echo half > \"$out\"\nkill -KILL $$" << "stopped before the end";
    QTest::addRow("encoder crashes") << "echo half > \"$out\"\nkill -SEGV $$"
                                     << "stopped before the end";
    // A real copy at the input's rate: the encoder is content, the check is not.
    QTest::addRow("copy not doubled")
            << "exec ffmpeg -nostdin -v error -i \"$input\" -c copy -f avi -y \"$out\""
            << "frames instead of 100";
    QTest::addRow("exit 0 and no copy") << "exit 0" << "No such file";
}

void TestVideoFileDeinterlacer::failureLeavesNoFile()
{
    QFETCH(QString, body);
    QFETCH(QString, reason);

    const QString input = path(QStringLiteral("clip.avi"));
    QString problem;
    QVERIFY2(morlek::test::makeInterlacedClip(InterlacedClip::PalDv, input, 2, &problem),
             qPrintable(problem));
    QTemporaryDir emptyBin;
    if (body.isEmpty()) {
        qputenv("PATH", QFile::encodeName(emptyBin.path()));
        // One in the current folder is never run, not even with none on the PATH.
        QVERIFY(writeStandIn(QStringLiteral("touch ran-from-current-folder"), QStringLiteral(".")));
    } else {
        QVERIFY(writeStandIn(body));
    }
    const QString output = input + QStringLiteral(".deinterlaced.avi");

    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);
    runner.deinterlace(input, pal, output, 0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + error.count(), 1, 30000);
    QTest::qWait(300); // nothing more may follow

    QCOMPARE(finished.count(), 0);
    QCOMPARE(error.count(), 1);
    const QString said = error.first().first().toString();
    QVERIFY2(said.contains(reason), qPrintable(said));
    QVERIFY2(!said.contains(QLatin1Char('\n')), qPrintable(said));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("ran-from-current-folder"))));
    QVERIFY(noCopyLeft(output));
    QVERIFY(!runner.isRunning());
}

void TestVideoFileDeinterlacer::cancelStopsRealEncoder()
{
    const QString input = path(QStringLiteral("clip.avi"));
    QString problem;
    QVERIFY2(morlek::test::makeInterlacedClip(InterlacedClip::PalDv, input, 6, &problem),
             qPrintable(problem));
    const QString output = input + QStringLiteral(".deinterlaced.avi");

    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);
    // Cancelled once the encoder has written part of the copy.
    connect(&runner, &VideoFileDeinterlacer::progress, &runner, [&](int percent) {
        if (percent > 0 && percent < 100) {
            QVERIFY(QFileInfo::exists(VideoFileDeinterlacer::partialFileName(output)));
            runner.cancel();
        }
    });
    runner.deinterlace(input, pal, output, 1);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + error.count(), 1, 120000);
    QTest::qWait(500); // a living encoder would write on

    QCOMPARE(finished.count(), 0);
    QCOMPARE(error.count(), 1);
    QVERIFY2(error.first().first().toString().contains(QStringLiteral("cancelled")),
             qPrintable(error.first().first().toString()));
    QVERIFY(noCopyLeft(output));
}

void TestVideoFileDeinterlacer::secondRunSupersedesFirst()
{
    QVERIFY(writeStandIn(QStringLiteral(
            "echo half > \"$out\"\n"
            "if [ \"$input\" = first ]; then sleep 1.5; touch first-ended; fi\n"
            "echo 'second refused' >&2; exit 1")));
    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);

    runner.deinterlace(QStringLiteral("first"), pal, path(QStringLiteral("first.avi")), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(path(QStringLiteral("first.avi.part"))), 10000);
    runner.deinterlace(QStringLiteral("second"), pal, path(QStringLiteral("second.avi")), 0);

    QTRY_COMPARE_WITH_TIMEOUT(error.count(), 1, 10000);
    QTest::qWait(2000); // past the end the first encoder would have reached
    QCOMPARE(error.count(), 1); // only the second run's own outcome
    QCOMPARE(error.first().first().toString(), QStringLiteral("The encoder failed: second refused"));
    QCOMPARE(finished.count(), 0);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("first-ended"))));
    QVERIFY(noCopyLeft(path(QStringLiteral("first.avi"))));
    QVERIFY(noCopyLeft(path(QStringLiteral("second.avi"))));
}

void TestVideoFileDeinterlacer::destroyingStopsEncoder()
{
    QVERIFY(writeStandIn(QStringLiteral("echo half > \"$out\"\nsleep 1.5\ntouch ended")));
    const QString output = path(QStringLiteral("clip.avi.deinterlaced.avi"));
    {
        VideoFileDeinterlacer runner;
        runner.deinterlace(QStringLiteral("clip.avi"), pal, output, 0);
        QTRY_VERIFY_WITH_TIMEOUT(
                QFileInfo::exists(VideoFileDeinterlacer::partialFileName(output)), 10000);
    }
    QTest::qWait(2000);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("ended"))));
    QVERIFY(noCopyLeft(output));
}

QTEST_GUILESS_MAIN(TestVideoFileDeinterlacer)
#include "tst_video_file_deinterlacer.moc"
