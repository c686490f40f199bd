// A save never costs the stored record: not when the disk fills up during the write, not when
// the process is killed at any moment of it. Both are made for real in a child process.
#include "file_support.h"
#include "fs_persister.h"
#include "storage.h"
#include "record_support.h"
#include "test_support.h"
#include "video_metadata.pb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;
using morlek::test::readFile;

namespace {

constexpr int growStep = 16; // as in persister_child.cpp

// Why @p bytes is not one complete state of the child's loop; empty if it is.
QString stateProblem(const QByteArray &bytes, const QString &hash, const QString &video, int *marks)
{
    VideoMetadata metadata;
    if (!metadata.ParseFromArray(bytes.constData(), bytes.size()))
        return QStringLiteral("the data file does not parse (%1 bytes)").arg(bytes.size());
    if (QString::fromStdString(metadata.hash()) != hash)
        return QStringLiteral("wrong hash");
    if (metadata.filename_size() != 1 || QString::fromStdString(metadata.filename(0)) != video)
        return QStringLiteral("wrong path list");
    if (metadata.time_sequence_size() != 1)
        return QStringLiteral("%1 time sequences").arg(metadata.time_sequence_size());
    const auto &sequence = metadata.time_sequence(0);
    if (sequence.timestamp_size() % growStep != 0)
        return QStringLiteral("%1 marks, not a whole step").arg(sequence.timestamp_size());
    for (int i = 0; i < sequence.timestamp_size(); ++i) {
        if (sequence.timestamp(i) != i * 3)
            return QStringLiteral("mark %1 is %2").arg(i).arg(sequence.timestamp(i));
    }
    *marks = sequence.timestamp_size();
    return QString();
}

} // namespace

class TestSaveSafety : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fullDiskKeepsTheOldRecord();
    void killedSavesLeaveOneCompleteState();
    void openRecordIsNotOpenedTwice();

private:
    QString dataFile() const { return QDir(home_->dataDir()).filePath(hash_); }
    QStringList dataDirEntries() const
    {
        return QDir(home_->dataDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                | QDir::NoDotAndDotDot);
    }
    VideoMetadata initialRecord(int marks) const;

    std::unique_ptr<morlek::test::TempHome> home_;
    std::unique_ptr<QTemporaryDir> videos_;
    QString video_;
    QString hash_;
};

void TestSaveSafety::init()
{
    home_ = std::make_unique<morlek::test::TempHome>();
    videos_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    QVERIFY(videos_->isValid());
    video_ = videos_->filePath(QStringLiteral("video.bin"));
    QByteArray content(5000, Qt::Uninitialized);
    for (char &byte : content)
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    QFile file(video_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), qint64(content.size()));
    file.close();
    hash_ = QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex());
}

void TestSaveSafety::cleanup()
{
    videos_.reset();
    home_.reset();
}

VideoMetadata TestSaveSafety::initialRecord(int marks) const
{
    QList<qint32> times;
    for (int i = 0; i < marks; ++i)
        times << i * 3;
    return morlek::test::timingRecord(hash_, times, {video_});
}

void TestSaveSafety::fullDiskKeepsTheOldRecord()
{
    FsPersister().save(initialRecord(growStep));
    const QByteArray old = readFile(dataFile());
    QVERIFY(old.size() > 0 && old.size() < 1000);

    // 20,000 marks take about 75 KB, far beyond the limit.
    const auto full = morlek::test::runProgram(
            PERSISTER_CHILD, {"limit", "16384", video_, "20000"}, 60000);
    QVERIFY(full.started && !full.crashed);
    QCOMPARE(QString::fromLatin1(full.output).trimmed(), QStringLiteral("save: Can't write data file"));
    QCOMPARE(full.exitCode, 1);
    QCOMPARE(readFile(dataFile()), old);
    QCOMPARE(dataDirEntries(), QStringList{hash_});

    // The same save within the limit succeeds: the limit was what made it fail.
    const auto roomy = morlek::test::runProgram(
            PERSISTER_CHILD, {"limit", "1048576", video_, "20000"}, 60000);
    QVERIFY2(roomy.ok(), roomy.output.constData());
    QCOMPARE(FsPersister().load(hash_).time_sequence(0).timestamp_size(), 20000);
}

void TestSaveSafety::killedSavesLeaveOneCompleteState()
{
    FsPersister().save(initialRecord(growStep));
    int marks = growStep;
    const int initialMarks = marks;
    const QRegularExpression leftover(QStringLiteral("^%1\\.saving-[A-Za-z0-9]{6}$").arg(hash_));

    constexpr int kills = 200;
    QRandomGenerator random(20261208);
    int advances = 0;
    int leftoversSeen = 0;
    for (int round = 0; round < kills; ++round) {
        QProcess child;
        child.start(PERSISTER_CHILD, {"grow", video_});
        QVERIFY(child.waitForStarted(10000));
        QVERIFY2(child.waitForReadyRead(10000), "the child did not start saving");
        const QByteArray ready = child.readLine();
        QVERIFY2(ready.startsWith("ready "), ready.constData());
        QThread::usleep(random.bounded(25000));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        int now = 0;
        const QString problem = stateProblem(readFile(dataFile()), hash_, video_, &now);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("after kill %1: %2").arg(round).arg(problem)));
        QVERIFY2(now >= marks, qPrintable(QStringLiteral("after kill %1 the record went back from "
                                                         "%2 to %3 marks").arg(round).arg(marks).arg(now)));
        if (now > marks)
            ++advances;
        marks = now;
        for (const QString &entry : dataDirEntries()) {
            if (entry == hash_)
                continue;
            QVERIFY2(leftover.match(entry).hasMatch(), qPrintable("unexpected entry " + entry));
            ++leftoversSeen;
        }
        // What the program would load now is what the file holds.
        QCOMPARE(FsPersister().load(hash_).time_sequence(0).timestamp_size(), marks);
    }
    qInfo("%d kills, the record advanced after %d of them, from %d to %d marks; "
          "%d temporaries left behind",
          kills, advances, initialMarks, marks, leftoversSeen);
    QVERIFY2(advances > 0, "no kill came after a save: the child never saved");

    VideoMetadata next = FsPersister().load(hash_);
    next.mutable_time_sequence(0)->add_timestamp(marks * 3);
    FsPersister().save(next);
    QCOMPARE(dataDirEntries(), QStringList{hash_});
}

// Two windows on one video: the last to save would drop the other's marks without a word.
void TestSaveSafety::openRecordIsNotOpenedTwice()
{
    FsPersister().save(initialRecord(growStep));
    const QByteArray stored = readFile(dataFile());
    const auto loadHere = [this](Storage &storage, QString *failure) {
        bool loaded = false;
        const auto ok = QObject::connect(&storage, &Storage::dataLoaded, &storage,
                                         [&loaded](const VideoMetadata &) { loaded = true; });
        const auto failed = QObject::connect(
            &storage, &Storage::dataLoadFailed, &storage,
            [failure](const QString &, const boost::exception &error) {
                *failure = morlek::test::errorMessage(error);
            });
        storage.requestLoadData(video_);
        QObject::disconnect(ok);
        QObject::disconnect(failed);
        return loaded;
    };

    QProcess other;
    other.start(PERSISTER_CHILD, {"hold", video_});
    QVERIFY(other.waitForStarted(10000));
    QVERIFY(other.waitForReadyRead(10000));
    QCOMPARE(other.readLine(), QByteArray("held\n"));

    // Held by another process: refused, with the reason, and nothing is written.
    Storage second(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    QString failure;
    QVERIFY(!loadHere(second, &failure));
    QVERIFY2(failure.contains(QStringLiteral("open in another window")), qPrintable(failure));
    QCOMPARE(readFile(dataFile()), stored);

    // A window killed with its record open leaves its lock behind; the next one takes it over.
    other.kill();
    QVERIFY(other.waitForFinished(10000));
    failure.clear();
    QVERIFY2(loadHere(second, &failure), qPrintable(failure));

    // Within one process too, until the window that holds it moves on to another video.
    Storage third(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    QVERIFY(!loadHere(third, &failure));
    const QString elsewhere = videos_->filePath(QStringLiteral("other.bin"));
    QVERIFY(morlek::test::writeFile(elsewhere, QByteArray(4096, 'o')));
    second.requestLoadData(elsewhere);
    failure.clear();
    QVERIFY2(loadHere(third, &failure), qPrintable(failure));
}

QTEST_GUILESS_MAIN(TestSaveSafety)
#include "tst_save_safety.moc"
