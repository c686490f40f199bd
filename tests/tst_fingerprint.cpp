// The video fingerprint, seen through the storage service: the hash of the record it loads.
#include "file_support.h"
#include "fs_persister.h"
#include "record_support.h"
#include "storage.h"
#include "test_support.h"
#include "video_metadata.pb.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <boost/exception/diagnostic_information.hpp>
#include <boost/exception/exception.hpp>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;
using morlek::test::writeFile;

namespace {

constexpr qint64 piece = 131072;

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray bytes(static_cast<int>(size), Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

// The digest as the standard tool prints it.
QString sha1sum(const QString &path)
{
    const morlek::test::ProgramResult result =
            morlek::test::runProgram(QStringLiteral("sha1sum"), {path});
    return result.ok() ? QString::fromLatin1(result.output.left(40)) : QString();
}

struct Outcome
{
    int loads = 0;
    QString hash;
    QStringList failures;
    QString where; // throw location of the last failure
};

Outcome loadThroughStorage(const QString &path)
{
    Storage storage(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    Outcome outcome;
    QObject::connect(&storage, &Storage::dataLoaded, &storage, [&outcome](const VideoMetadata &m) {
        ++outcome.loads;
        outcome.hash = QString::fromStdString(m.hash());
    });
    QObject::connect(&storage, &Storage::dataLoadFailed, &storage,
                     [&outcome](const QString &, const boost::exception &error) {
                         outcome.failures << morlek::test::errorMessage(error);
                         outcome.where = QString::fromStdString(boost::diagnostic_information(error));
                     });
    storage.requestLoadData(path);
    return outcome;
}

} // namespace

class TestFingerprint : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wholeFile_data();
    void wholeFile();
    void fivePieces_data();
    void fivePieces();
    void bytesOutsideThePiecesDoNotCount_data();
    void bytesOutsideThePiecesDoNotCount();
    void failures_data();
    void failures();

private:
    std::unique_ptr<morlek::test::TempHome> home_;
    std::unique_ptr<QTemporaryDir> videos_;
};

void TestFingerprint::init()
{
    home_ = std::make_unique<morlek::test::TempHome>();
    videos_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    QVERIFY(videos_->isValid());
}

void TestFingerprint::cleanup()
{
    videos_.reset();
    home_.reset();
}

void TestFingerprint::wholeFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addRow("1 byte") << qint64(1);
    QTest::addRow("4 KiB") << qint64(4096);
    QTest::addRow("655,359 bytes") << qint64(655359);
    QTest::addRow("655,360 bytes") << qint64(655360);
}

void TestFingerprint::wholeFile()
{
    QFETCH(qint64, size);
    const QString path = videos_->filePath(QStringLiteral("video.bin"));
    QVERIFY(writeFile(path, randomBytes(size, quint32(size))));

    const QString expected = sha1sum(path);
    QCOMPARE(expected.size(), 40);
    const Outcome outcome = loadThroughStorage(path);
    QCOMPARE(outcome.failures, QStringList());
    QCOMPARE(outcome.loads, 1);
    QCOMPARE(outcome.hash, expected);
}

void TestFingerprint::fivePieces_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<qint64>>("offsets");
    QTest::addRow("655,361 bytes")
            << qint64(655361) << QList<qint64>{0, 131072, 262144, 393216, 524289};
    QTest::addRow("3 MiB + 7")
            << qint64(3145735) << QList<qint64>{0, 629147, 1258294, 1887441, 3014663};
    QTest::addRow("7 MiB - 3")
            << qint64(7340029) << QList<qint64>{0, 1468005, 2936011, 4404017, 7208957};
}

void TestFingerprint::fivePieces()
{
    QFETCH(qint64, size);
    QFETCH(QList<qint64>, offsets);
    const QByteArray video = randomBytes(size, quint32(size));
    const QString path = videos_->filePath(QStringLiteral("video.bin"));
    QVERIFY(writeFile(path, video));

    QByteArray pieces;
    for (const qint64 offset : offsets)
        pieces += video.mid(int(offset), int(piece));
    QCOMPARE(pieces.size(), 655360);
    const QString piecesPath = videos_->filePath(QStringLiteral("pieces.bin"));
    QVERIFY(writeFile(piecesPath, pieces));

    const Outcome outcome = loadThroughStorage(path);
    QCOMPARE(outcome.failures, QStringList());
    QCOMPARE(outcome.hash, sha1sum(piecesPath));
}

void TestFingerprint::bytesOutsideThePiecesDoNotCount_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("changedByte");
    QTest::addColumn<bool>("sameFingerprint");
    QTest::addRow("655,361: gap before the last piece") << qint64(655361) << qint64(524288) << true;
    QTest::addRow("655,361: first byte of the last piece") << qint64(655361) << qint64(524289) << false;
    QTest::addRow("655,361: first byte") << qint64(655361) << qint64(0) << false;
    QTest::addRow("655,361: last byte") << qint64(655361) << qint64(655360) << false;
    QTest::addRow("655,360: any byte") << qint64(655360) << qint64(524288) << false;
    QTest::addRow("3 MiB: inside the first gap") << qint64(3145728) << qint64(400000) << true;
    QTest::addRow("3 MiB: end of the first gap") << qint64(3145728) << qint64(629144) << true;
    QTest::addRow("3 MiB: start of the second piece") << qint64(3145728) << qint64(629145) << false;
    QTest::addRow("3 MiB: byte before the last piece") << qint64(3145728) << qint64(3014655) << true;
}

void TestFingerprint::bytesOutsideThePiecesDoNotCount()
{
    QFETCH(qint64, size);
    QFETCH(qint64, changedByte);
    QFETCH(bool, sameFingerprint);

    QByteArray video = randomBytes(size, 7);
    const QString original = videos_->filePath(QStringLiteral("original.bin"));
    QVERIFY(writeFile(original, video));
    video[int(changedByte)] = char(video.at(int(changedByte)) ^ 0x5a);
    const QString changed = videos_->filePath(QStringLiteral("changed.bin"));
    QVERIFY(writeFile(changed, video));

    const Outcome first = loadThroughStorage(original);
    const Outcome second = loadThroughStorage(changed);
    QCOMPARE(first.hash.size(), 40);
    QCOMPARE(second.hash.size(), 40);
    QCOMPARE(first.hash == second.hash, sameFingerprint);
}

void TestFingerprint::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString cannotOpen = QStringLiteral("Can't open video file for hash calculation");
    const QString empty = QStringLiteral("I can't work with empty video files, give me some data");
    // Only a regular file has contents to fingerprint; anything else is told as what it is,
    // before it is opened (a FIFO would block the open until a writer came).
    const QString notAFile =
        QStringLiteral("Only a video file can be timed: this is a device, a pipe or a folder");
    QTest::addRow("missing file") << "missing" << cannotOpen;
    QTest::addRow("folder") << "folder" << notAFile;
    QTest::addRow("empty file") << "empty" << empty;
    QTest::addRow("FIFO") << "fifo" << notAFile;
    QTest::addRow("character device") << "device" << notAFile;
}

void TestFingerprint::failures()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    QString path = videos_->filePath(QStringLiteral("video"));
    int fifoKeeper = -1;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(writeFile(path, QByteArray()));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // Held open read-write so that opening the FIFO for reading does not wait for a writer.
        fifoKeeper = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(fifoKeeper >= 0);
        QCOMPARE(::write(fifoKeeper, "data", 4), ssize_t(4));
    } else if (kind == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    }

    const Outcome outcome = loadThroughStorage(path);
    if (fifoKeeper >= 0)
        ::close(fifoKeeper);
    QCOMPARE(outcome.loads, 0);
    QCOMPARE(outcome.failures, QStringList{message});
    QVERIFY2(outcome.where.contains(QLatin1String("storage.cpp")), qPrintable(outcome.where));
    QVERIFY2(outcome.where.contains(QLatin1String("calcHash")), qPrintable(outcome.where));
    QVERIFY(!QFileInfo::exists(home_->dataDir()));
}

QTEST_GUILESS_MAIN(TestFingerprint)
#include "tst_fingerprint.moc"
