// The storage service's answers to load and save requests, as its signals carry them.
#include "file_support.h"
#include "fs_persister.h"
#include "record_support.h"
#include "storage.h"
#include "test_support.h"
#include "video_metadata.pb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <QtTest>

#include <boost/exception/exception.hpp>
#include <boost/throw_exception.hpp>

#include <memory>
#include <stdexcept>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;
using morlek::test::encode;
using morlek::test::readFile;
using morlek::test::writeFile;

// Only so that the spies can hold the records they see; the program never needs this.
Q_DECLARE_METATYPE(dravenhol::morlek::VideoMetadata)

namespace {

QStringList pathsOf(const VideoMetadata &metadata)
{
    QStringList paths;
    for (int i = 0; i < metadata.filename_size(); ++i)
        paths << QString::fromStdString(metadata.filename(i));
    return paths;
}

// Files and folders under @p root with their contents, to see that nothing was written.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, it.fileInfo().isDir() ? QByteArray("<dir>") : readFile(path));
    }
    return files;
}

// Every signal of one storage service. The error record cannot be held by a spy (it lives only
// during the emission), so its message is taken by a receiver of its own.
struct Signals
{
    explicit Signals(Storage &storage)
        : warningsIgnored(ignoreErrorArgument())
        , loaded(&storage, &Storage::dataLoaded)
        , saved(&storage, &Storage::dataSaved)
        , loadFailed(&storage, &Storage::dataLoadFailed)
        , saveFailed(&storage, &Storage::dataSaveFailed)
    {
        const auto remember = [this](const boost::exception &error) {
            messages << morlek::test::errorMessage(error);
        };
        QObject::connect(&storage, &Storage::dataLoadFailed, &storage,
                         [remember](const QString &, const boost::exception &e) { remember(e); });
        QObject::connect(&storage, &Storage::dataSaveFailed, &storage,
                         [remember](const VideoMetadata &, const boost::exception &e) { remember(e); });
    }

    // The spies on the two failure signals warn that they cannot hold the error argument.
    static bool ignoreErrorArgument()
    {
        for (int i = 0; i < 2; ++i) {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("QSignalSpy: Unable to handle parameter 'error'"));
        }
        return true;
    }

    VideoMetadata loadedRecord(int i = 0) const { return loaded.at(i).at(0).value<VideoMetadata>(); }

    bool warningsIgnored;
    QSignalSpy loaded;
    QSignalSpy saved;
    QSignalSpy loadFailed;
    QSignalSpy saveFailed;
    QStringList messages;
};

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadOfNewVideoWritesNothing();
    void copyElsewhereAppendsItsPathOnce();
    void unchangedRecordIsNeverRewritten();
    void otherSpellingIsAnotherPath_data();
    void otherSpellingIsAnotherPath();
    void loadFailures_data();
    void loadFailures();
    void saveFailureCarriesTheUnchangedRecord();
    void receiverFailureIsReportedByTheRequest();

private:
    QString makeVideo(const QString &relativePath, qint64 size = 2000000);
    QString dataFile(const QString &hash) const { return QDir(home_->dataDir()).filePath(hash); }

    std::unique_ptr<morlek::test::TempHome> home_;
    std::unique_ptr<QTemporaryDir> videos_;
    std::unique_ptr<Storage> storage_;
    QByteArray content_;
};

void TestStorage::initTestCase()
{
    qRegisterMetaType<VideoMetadata>("dravenhol::morlek::VideoMetadata");
}

void TestStorage::init()
{
    home_ = std::make_unique<morlek::test::TempHome>();
    videos_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    QVERIFY(videos_->isValid());
    storage_ = std::make_unique<Storage>(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
}

void TestStorage::cleanup()
{
    storage_.reset();
    videos_.reset();
    home_.reset();
}

QString TestStorage::makeVideo(const QString &relativePath, qint64 size)
{
    if (content_.size() != size) {
        content_ = QByteArray(int(size), Qt::Uninitialized);
        QRandomGenerator generator(11);
        for (char &byte : content_)
            byte = static_cast<char>(generator.bounded(256));
    }
    const QString path = videos_->filePath(relativePath);
    if (!QDir().mkpath(QFileInfo(path).path()) || !writeFile(path, content_))
        return QString();
    return path;
}

void TestStorage::loadOfNewVideoWritesNothing()
{
    const QString video = makeVideo("video.bin", 1000);
    QVERIFY(!video.isEmpty());
    Signals spies(*storage_);
    storage_->requestLoadData(video);

    QCOMPARE(spies.loaded.count(), 1);
    QCOMPARE(spies.loadFailed.count(), 0);
    const VideoMetadata record = spies.loadedRecord();
    QCOMPARE(QString::fromStdString(record.hash()),
             QString::fromLatin1(QCryptographicHash::hash(content_, QCryptographicHash::Sha1).toHex()));
    QCOMPARE(pathsOf(record), QStringList{video});
    QCOMPARE(record.time_sequence_size(), 0);
    QCOMPARE(snapshot(home_->path()), (QMap<QString, QByteArray>()));
}

void TestStorage::copyElsewhereAppendsItsPathOnce()
{
    const QString original = makeVideo("show.mkv");
    const QString copy = makeVideo("elsewhere/deeper/renamed copy \xc3\xa9.avi");
    QVERIFY(!copy.isEmpty());
    Signals spies(*storage_);

    storage_->requestLoadData(original);
    VideoMetadata record = spies.loadedRecord();
    record.add_time_sequence()->add_timestamp(700);
    storage_->requestSaveData(record);
    QCOMPARE(spies.saved.count(), 1);
    QCOMPARE(encode(spies.saved.at(0).at(0).value<VideoMetadata>()), encode(record));
    const QString stored = dataFile(QString::fromStdString(record.hash()));
    const QByteArray before = readFile(stored);
    QCOMPARE(before, encode(record));

    storage_->requestLoadData(copy);
    QCOMPARE(spies.loaded.count(), 2);
    const VideoMetadata fromCopy = spies.loadedRecord(1);
    QCOMPARE(pathsOf(fromCopy), (QStringList{original, copy}));
    QCOMPARE(fromCopy.filename(1), std::string(copy.toUtf8().constData()));
    QCOMPARE(fromCopy.time_sequence(0).timestamp(0), 700);
    QCOMPARE(readFile(stored), before); // the new path waits for the next save

    // Once stored, both paths come back unchanged from either file.
    storage_->requestSaveData(fromCopy);
    storage_->requestLoadData(copy);
    storage_->requestLoadData(original);
    QCOMPARE(encode(spies.loadedRecord(2)), encode(fromCopy));
    QCOMPARE(encode(spies.loadedRecord(3)), encode(fromCopy));
    QCOMPARE(spies.loadFailed.count() + spies.saveFailed.count(), 0);
}

// Each save writes a new file and renames it over the record: a new inode tells of a write.
static quint64 inodeOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? quint64(info.st_ino) : 0;
}

void TestStorage::unchangedRecordIsNeverRewritten()
{
    const QString video = makeVideo("known.mp4");
    Signals spies(*storage_);
    storage_->requestLoadData(video);
    VideoMetadata record = spies.loadedRecord();
    record.add_time_sequence()->add_timestamp(700);
    storage_->requestSaveData(record);
    const QString stored = dataFile(QString::fromStdString(record.hash()));
    const quint64 written = inodeOf(stored);
    QVERIFY(written != 0);

    // Opening the video again once the first window has closed, as the panel does: the record
    // comes back and is announced unchanged. Nothing is written (a read-only home must not
    // fail here).
    storage_.reset();
    Storage reopened(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    Signals again(reopened);
    reopened.requestLoadData(video);
    QCOMPARE(again.loaded.count(), 1);
    reopened.requestSaveData(again.loadedRecord());
    QCOMPARE(again.saved.count(), 1);
    QCOMPARE(inodeOf(stored), written);
    QCOMPARE(readFile(stored), encode(record));

    // A change is written.
    VideoMetadata changed = again.loadedRecord();
    changed.mutable_time_sequence(0)->add_timestamp(900);
    reopened.requestSaveData(changed);
    QVERIFY(inodeOf(stored) != written);
    QCOMPARE(readFile(stored), encode(changed));
    QCOMPARE(again.saveFailed.count() + again.loadFailed.count(), 0);
}

void TestStorage::otherSpellingIsAnotherPath_data()
{
    QTest::addColumn<QString>("spelling"); // "%1" is the folder of the videos
    QTest::addRow("doubled separator") << "%1//video.bin";
    QTest::addRow("dot folder") << "%1/./video.bin";
    QTest::addRow("other letter case") << "%1/VIDEO.bin";
}

void TestStorage::otherSpellingIsAnotherPath()
{
    QFETCH(QString, spelling);
    const QString video = makeVideo("video.bin");
    const QString other = spelling.arg(videos_->path());
    if (!QFile::exists(other))
        QVERIFY(QFile::copy(video, other));
    Signals spies(*storage_);
    storage_->requestLoadData(video);
    storage_->requestSaveData(spies.loadedRecord());
    storage_->requestLoadData(other);
    QCOMPARE(spies.loaded.count(), 2);
    QCOMPARE(pathsOf(spies.loadedRecord(1)), (QStringList{video, other}));
}

void TestStorage::loadFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::addRow("missing video") << "missing" << "Can't open video file for hash calculation";
    QTest::addRow("empty video") << "empty" << "I can't work with empty video files, give me some data";
    QTest::addRow("garbage data file") << "garbage" << "Protobuf reported error while parsing file";
    QTest::addRow("a device given as the video")
        << "device" << "Only a video file can be timed: this is a device, a pipe or a folder";
    QTest::addRow("a folder given as the video")
        << "folder" << "Only a video file can be timed: this is a device, a pipe or a folder";
    QTest::addRow("a name the locale cannot read")
        << "name" << "The video's file name holds characters this system cannot read; rename the file";
}

void TestStorage::loadFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QString video = videos_->filePath("no such video.mp4");
    if (kind == QLatin1String("empty")) {
        QVERIFY(writeFile(video, QByteArray()));
    } else if (kind == QLatin1String("garbage")) {
        video = makeVideo("video.bin", 1000); // small enough to be hashed whole
        const QString hash =
                QString::fromLatin1(QCryptographicHash::hash(content_, QCryptographicHash::Sha1).toHex());
        QVERIFY(QDir().mkpath(home_->dataDir()));
        QVERIFY(writeFile(dataFile(hash), "\x0a\x28not forty bytes"));
    } else if (kind == QLatin1String("device")) {
        video = QStringLiteral("/dev/zero");
    } else if (kind == QLatin1String("folder")) {
        video = videos_->path();
    } else if (kind == QLatin1String("name")) {
        // Made by its bytes; given as the command line gives it to the program.
        const QByteArray name = QFile::encodeName(videos_->path()) + "/run \xff\xfe.mp4";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        QVERIFY(::write(fd, "video", 5) == 5);
        ::close(fd);
        video = QString::fromLocal8Bit(name);
        if (!video.contains(QChar::ReplacementCharacter))
            QSKIP("this locale carries the name's bytes: nothing to refuse");
    }
    const auto before = snapshot(home_->path());

    Signals spies(*storage_);
    storage_->requestLoadData(video);
    QCOMPARE(spies.loaded.count(), 0);
    QCOMPARE(spies.loadFailed.count(), 1);
    QCOMPARE(spies.loadFailed.at(0).at(0).toString(), video);
    QCOMPARE(spies.messages, QStringList{message});
    QCOMPARE(snapshot(home_->path()), before);
}

void TestStorage::saveFailureCarriesTheUnchangedRecord()
{
    const QString video = makeVideo("video.bin");
    Signals spies(*storage_);
    storage_->requestLoadData(video);
    VideoMetadata record = spies.loadedRecord();
    record.add_time_sequence()->add_timestamp(40);
    record.mutable_time_sequence(0)->add_timestamp(80);

    QVERIFY(QDir(home_->path()).mkpath("morlek"));
    QVERIFY(writeFile(home_->dataDir(), "a plain file where the data folder should be"));
    storage_->requestSaveData(record);
    QCOMPARE(spies.saved.count(), 0);
    QCOMPARE(spies.saveFailed.count(), 1);
    QCOMPARE(encode(spies.saveFailed.at(0).at(0).value<VideoMetadata>()), encode(record));
    QCOMPARE(spies.messages, QStringList{"Can't open data file for writing"});

    // The failure leaves the service as it was: once the folder is sound the same record saves.
    QVERIFY(QFile::remove(home_->dataDir()));
    storage_->requestSaveData(record);
    QCOMPARE(spies.saved.count(), 1);
    QCOMPARE(readFile(dataFile(QString::fromStdString(record.hash()))), encode(record));
}

void TestStorage::receiverFailureIsReportedByTheRequest()
{
    const QString video = makeVideo("video.bin");
    Signals spies(*storage_);
    // A receiver of dataLoaded that itself fails with an error record, as a save inside it would.
    const auto connection = connect(storage_.get(), &Storage::dataLoaded, this, [] {
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't open data file for writing"));
    });
    storage_->requestLoadData(video);
    disconnect(connection);
    QCOMPARE(spies.loaded.count(), 1);
    QCOMPARE(spies.loadFailed.count(), 1);
    QCOMPARE(spies.loadFailed.at(0).at(0).toString(), video);
    QCOMPARE(spies.messages, QStringList{"Can't open data file for writing"});
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
