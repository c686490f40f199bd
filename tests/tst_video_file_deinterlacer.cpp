#include "test_support.h"
#include "video_file_deinterlacer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QStringList words(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList expectedArguments(const QStringList &codecSetup, const QString &rate,
                              const QString &output, const QString &input)
{
    return words("-vf yadif=1:mcdeint=2:denoise3d:harddup") + codecSetup
           + words("-oac copy -fps") + QStringList{rate, QStringLiteral("-ofps"), rate,
                                                   QStringLiteral("-o"), output, input};
}

// A stand-in encoder at path: records its arguments one per line in <recordDir>/args.txt,
// then runs the given shell lines.
bool writeStandIn(const QString &path, const QString &recordDir, const QString &body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("#!/bin/sh\nulimit -c 0\nprintf '%s\\n' \"$@\" > '%1/args.txt'\n%2\n")
                       .arg(recordDir, body)
                       .toUtf8());
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestVideoFileDeinterlacer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void argumentList_data();
    void argumentList();
    void outcome_data();
    void outcome();
    void missingEncoderFails();
    void findsEncoder();
    void secondRunSupersedesFirst();
    void realEncoderDoublesFrameRate();

private:
    QString path(const QString &name) const { return QDir(work_->path()).filePath(name); }
    bool writeLocalStandIn(const QString &body)
    {
        return writeStandIn(path(QStringLiteral("mencoder")), work_->path(), body);
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
    // The runner starts "./mencoder" relative to the current directory.
    QVERIFY(QDir::setCurrent(work_->path()));
}

void TestVideoFileDeinterlacer::cleanup()
{
    QDir::setCurrent(oldCurrent_);
    qputenv("PATH", oldPath_);
    work_.reset();
}

void TestVideoFileDeinterlacer::argumentList_data()
{
    QTest::addColumn<int>("frameRate");
    QTest::addColumn<int>("codec");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("expected");

    const QStringList mpeg4 = words("-ovc lavc -lavcopts vcodec=msmpeg4v2:trell=yes:keyint=10:vbitrate=2160:vhq");
    const QStringList x264 = words("-ovc x264 -x264encopts subq=1:keyint=10:force-cfr");
    QTest::addRow("25 fps, MPEG4v2") << 25 << 0 << "out.avi" << "in.avi"
                                     << expectedArguments(mpeg4, "50", "out.avi", "in.avi");
    QTest::addRow("30 fps, H.264") << 30 << 1 << "/v/out.avi" << "/v/in.mkv"
                                   << expectedArguments(x264, "60", "/v/out.avi", "/v/in.mkv");
    QTest::addRow("codec 2: no codec setup") << 25 << 2 << "out.avi" << "in.avi"
                                             << expectedArguments({}, "50", "out.avi", "in.avi");
    QTest::addRow("codec -1: no codec setup") << 30 << -1 << "out.avi" << "in.avi"
                                              << expectedArguments({}, "60", "out.avi", "in.avi");
    QTest::addRow("names with spaces stay whole and untrimmed")
            << 25 << 1 << "my videos/clip one.avi.deinterlaced.avi" << "  my videos/clip one.avi "
            << expectedArguments(x264, "50", "my videos/clip one.avi.deinterlaced.avi",
                                 "  my videos/clip one.avi ");
}

void TestVideoFileDeinterlacer::argumentList()
{
    QFETCH(int, frameRate);
    QFETCH(int, codec);
    QFETCH(QString, output);
    QFETCH(QString, input);
    QFETCH(QStringList, expected);

    QVERIFY(writeLocalStandIn(QStringLiteral("exit 0")));
    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    runner.deinterlace(input, frameRate, output, codec);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(readLines(path(QStringLiteral("args.txt"))), expected);
}

void TestVideoFileDeinterlacer::outcome_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("finishedCount");
    QTest::addColumn<int>("errorCount");

    QTest::addRow("exit 0") << "exit 0" << 1 << 0;
    QTest::addRow("exit 1") << "exit 1" << 0 << 1;
    // A crash is reported by the process once as an error and once as a crashed finish.
    QTest::addRow("SIGSEGV") << "kill -SEGV $$" << 0 << 2;
}

void TestVideoFileDeinterlacer::outcome()
{
    QFETCH(QString, body);
    QFETCH(int, finishedCount);
    QFETCH(int, errorCount);

    QVERIFY(writeLocalStandIn(body));
    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);
    runner.deinterlace(QStringLiteral("in.avi"), 25, QStringLiteral("out.avi"), 0);

    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + error.count(), finishedCount + errorCount, 10000);
    QTest::qWait(300); // nothing more may follow
    QCOMPARE(finished.count(), finishedCount);
    QCOMPARE(error.count(), errorCount);
}

void TestVideoFileDeinterlacer::missingEncoderFails()
{
    QTemporaryDir emptyBin;
    qputenv("PATH", QFile::encodeName(emptyBin.path()));

    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);
    runner.deinterlace(QStringLiteral("in.avi"), 25, QStringLiteral("out.avi"), 0);

    QTRY_COMPARE_WITH_TIMEOUT(error.count(), 1, 10000);
    QTest::qWait(300);
    QCOMPARE(error.count(), 1);
    QCOMPARE(finished.count(), 0);
}

void TestVideoFileDeinterlacer::findsEncoder()
{
    // An encoder on the PATH that fails and records elsewhere than the local one.
    QTemporaryDir bin;
    QVERIFY(writeStandIn(QDir(bin.path()).filePath(QStringLiteral("mencoder")), bin.path(),
                         QStringLiteral("exit 1")));
    qputenv("PATH", QFile::encodeName(bin.path()));
    const QString onPathRecord = QDir(bin.path()).filePath(QStringLiteral("args.txt"));

    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);

    // With none in the current directory, the one on the PATH runs with the same arguments.
    runner.deinterlace(QStringLiteral("in file.avi"), 25, QStringLiteral("out.avi"), 2);
    QTRY_COMPARE_WITH_TIMEOUT(error.count(), 1, 10000);
    QCOMPARE(readLines(onPathRecord), expectedArguments({}, "50", "out.avi", "in file.avi"));

    // "./mencoder" comes first when there is one.
    QVERIFY(QFile::remove(onPathRecord));
    QVERIFY(writeLocalStandIn(QStringLiteral("exit 0")));
    runner.deinterlace(QStringLiteral("in.avi"), 25, QStringLiteral("out.avi"), 2);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(error.count(), 1);
    QVERIFY(QFileInfo::exists(path(QStringLiteral("args.txt"))));
    QVERIFY(!QFileInfo::exists(onPathRecord));
}

void TestVideoFileDeinterlacer::secondRunSupersedesFirst()
{
    // The run named "first" takes its time, so that the second starts while it still runs.
    QVERIFY(writeLocalStandIn(QStringLiteral("for last; do :; done\n"
                                             "echo \"start $last\" >> log.txt\n"
                                             "if [ \"$last\" = first ]; then sleep 1.5; fi\n"
                                             "echo \"end $last\" >> log.txt")));
    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);

    runner.deinterlace(QStringLiteral("first"), 25, QStringLiteral("first.avi"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(readLines(path(QStringLiteral("log.txt"))),
                              QStringList{QStringLiteral("start first")}, 10000);
    runner.deinterlace(QStringLiteral("second"), 25, QStringLiteral("second.avi"), 0);

    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QTest::qWait(2000); // past the end the first encoder would have reached
    QCOMPARE(finished.count(), 1);
    QCOMPARE(error.count(), 0); // the stopped first run is not reported
    const QStringList log = readLines(path(QStringLiteral("log.txt")));
    QVERIFY2(log.contains(QStringLiteral("end second")), qPrintable(log.join(QLatin1Char('|'))));
    QVERIFY2(!log.contains(QStringLiteral("end first")), qPrintable(log.join(QLatin1Char('|'))));
}

void TestVideoFileDeinterlacer::realEncoderDoublesFrameRate()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("mencoder")).isEmpty(),
             "mencoder is not installed");
    const QString input = path(QStringLiteral("interlaced clip.mkv"));
    QString problem;
    QVERIFY2(morlek::test::makeVideo(input,
                                     words("-f lavfi -i testsrc=size=320x240:rate=50 -t 2 "
                                           "-vf tinterlace=mode=interleave_top -c:v libx264 "
                                           "-flags +ildct+ilme -pix_fmt yuv420p"),
                                     &problem),
             qPrintable(problem));
    const QString output = input + QStringLiteral(".deinterlaced.avi");

    VideoFileDeinterlacer runner;
    QSignalSpy finished(&runner, &VideoFileDeinterlacer::finished);
    QSignalSpy error(&runner, &VideoFileDeinterlacer::error);
    runner.deinterlace(input, 25, output, 1);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + error.count(), 1, 90000);
    QCOMPARE(finished.count(), 1);
    QVERIFY(QFileInfo(output).size() > 0);

    const morlek::test::ProgramResult probe = morlek::test::runProgram(
            QStringLiteral("ffprobe"),
            words("-v error -select_streams v:0 -show_entries stream=codec_type,r_frame_rate "
                  "-of default=noprint_wrappers=1") << output);
    QVERIFY2(probe.ok(), probe.output.constData());
    const QStringList fields = QString::fromUtf8(probe.output).split(QLatin1Char('\n'));
    QVERIFY2(fields.contains(QStringLiteral("codec_type=video")), probe.output.constData());
    QVERIFY2(fields.contains(QStringLiteral("r_frame_rate=50/1")), probe.output.constData());
}

QTEST_GUILESS_MAIN(TestVideoFileDeinterlacer)
#include "tst_video_file_deinterlacer.moc"
