// The file-system persister: where records are stored, and every way a data folder or a data
// file can be wrong, made for real under a temporary HOME.
#include "file_support.h"
#include "fs_persister.h"
#include "record_support.h"
#include "test_support.h"
#include "video_metadata.pb.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/exception/diagnostic_information.hpp>
#include <boost/exception/exception.hpp>

#include <functional>
#include <string>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using morlek::test::encode;
using morlek::test::errorMessage;
using morlek::test::readFile;
using morlek::test::timingRecord;
using morlek::test::writeFile;

namespace {

const QString fingerprint = QStringLiteral("da39a3ee5e6b4b0d3255bfef95601890afd80709");
const QString otherFingerprint = QStringLiteral("3f786850e387550fdab836ed7e6dc881de23001b");

// Every entry under a folder, relative to it, folders marked with a trailing slash.
QStringList tree(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries << QDir(root).relativeFilePath(path) + (it.fileInfo().isDir() ? "/" : "");
    }
    entries.sort();
    return entries;
}

// The message of the error record thrown by @p action, empty if it throws none.
QString failureOf(const std::function<void()> &action, QString *where = nullptr)
{
    try {
        action();
    } catch (const boost::exception &error) {
        if (where)
            *where = QString::fromStdString(boost::diagnostic_information(error));
        return errorMessage(error);
    }
    return QString();
}

} // namespace

class TestFsPersister : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadWithoutDataFileCreatesNothing();
    void firstSaveCreatesTheFolders();
    void saveReplacesTheRecord();
    void failures_data();
    void failures();
    void malformedHashIsNeverAFileName_data();
    void malformedHashIsNeverAFileName();
    void malformedFingerprintReadsNothing();
    void recordsNotOfTheirFileAreRefused_data();
    void recordsNotOfTheirFileAreRefused();
    void dataFolderWithoutHome();
    void leftoverTemporaryIsNoRecordAndGoesWithNextSave();

private:
    QString dataFile(const QString &name) const { return QDir(home_->dataDir()).filePath(name); }

    std::unique_ptr<morlek::test::TempHome> home_;
};

void TestFsPersister::init()
{
    home_ = std::make_unique<morlek::test::TempHome>();
    QVERIFY(home_->isValid());
}

void TestFsPersister::cleanup()
{
    home_.reset();
}

void TestFsPersister::loadWithoutDataFileCreatesNothing()
{
    const VideoMetadata loaded = FsPersister().load(fingerprint);
    QCOMPARE(QString::fromStdString(loaded.hash()), fingerprint);
    QCOMPARE(loaded.filename_size(), 0);
    QCOMPARE(loaded.time_sequence_size(), 0);
    QCOMPARE(tree(home_->path()), QStringList());
}

void TestFsPersister::firstSaveCreatesTheFolders()
{
    const VideoMetadata metadata = timingRecord(fingerprint, {100, 2000}, {"/videos/a.mp4"});
    FsPersister().save(metadata);
    QCOMPARE(tree(home_->path()),
             (QStringList{"morlek/", "morlek/metadata/", "morlek/metadata/" + fingerprint}));
    QCOMPARE(readFile(dataFile(fingerprint)), encode(metadata));
    QCOMPARE(encode(FsPersister().load(fingerprint)), encode(metadata));
}

void TestFsPersister::saveReplacesTheRecord()
{
    FsPersister persister;
    persister.save(timingRecord(fingerprint, {1, 2, 3, 4, 5, 6, 7, 8}, {"/videos/a.mp4"}));
    persister.save(timingRecord(otherFingerprint, {9}, {"/videos/b.mp4"}));
    const VideoMetadata shorter = timingRecord(fingerprint, {42}, {"/v"});
    persister.save(shorter);

    QCOMPARE(readFile(dataFile(fingerprint)), encode(shorter));
    QCOMPARE(encode(persister.load(fingerprint)), encode(shorter));
    QCOMPARE(persister.load(otherFingerprint).time_sequence(0).timestamp(0), 9);
    QCOMPARE(tree(home_->dataDir()), (QStringList{otherFingerprint, fingerprint}));
}

void TestFsPersister::failures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("loadFailure"); // empty: the load succeeds
    QTest::addColumn<QString>("saveFailure");

    const QString parse = QStringLiteral("Protobuf reported error while parsing file");
    const QString cannotWrite = QStringLiteral("Can't open data file for writing");
    QTest::addRow("plain file where the data folder should be") << "fileAsDataDir" << "" << cannotWrite;
    QTest::addRow("plain file where the morlek folder should be")
            << "fileAsMorlekDir" << "" << "Can't create root folder for storing metadata";
    QTest::addRow("folder where the data file should be")
            << "dirAsDataFile" << "Can't open data file for reading" << cannotWrite;
    QTest::addRow("empty data file") << "empty" << parse << "";
    QTest::addRow("garbage data file") << "garbage" << parse << "";
    QTest::addRow("record cut short") << "truncated" << parse << "";
}

void TestFsPersister::failures()
{
    QFETCH(QString, setup);
    QFETCH(QString, loadFailure);
    QFETCH(QString, saveFailure);

    const QDir home(home_->path());
    const VideoMetadata stored = timingRecord(fingerprint, {10, 20, 30}, {"/videos/a.mp4"});
    if (setup == QLatin1String("fileAsDataDir")) {
        QVERIFY(home.mkpath("morlek"));
        QVERIFY(writeFile(home_->dataDir(), "not a folder"));
    } else if (setup == QLatin1String("fileAsMorlekDir")) {
        QVERIFY(writeFile(home.filePath("morlek"), "not a folder"));
    } else if (setup == QLatin1String("dirAsDataFile")) {
        QVERIFY(home.mkpath(dataFile(fingerprint)));
    } else {
        QVERIFY(home.mkpath(home_->dataDir()));
        QByteArray bytes;
        if (setup == QLatin1String("garbage"))
            bytes = QByteArray::fromHex("ffffffffffffffffffff0b0c0d");
        else if (setup == QLatin1String("truncated"))
            bytes = encode(stored).chopped(2);
        QVERIFY(writeFile(dataFile(fingerprint), bytes));
    }
    const QStringList before = tree(home_->path());
    QByteArray contents = readFile(dataFile(fingerprint));

    FsPersister persister;
    VideoMetadata loaded;
    QString where;
    QCOMPARE(failureOf([&] { loaded = persister.load(fingerprint); }, &where), loadFailure);
    if (loadFailure.isEmpty()) {
        QCOMPARE(QString::fromStdString(loaded.hash()), fingerprint);
        QCOMPARE(loaded.filename_size(), 0);
    } else {
        QVERIFY2(where.contains("fs_persister.cpp"), qPrintable(where));
    }
    QCOMPARE(tree(home_->path()), before);

    QCOMPARE(failureOf([&] { persister.save(stored); }), saveFailure);
    if (saveFailure.isEmpty()) {
        contents = encode(stored); // a sound save mends a broken data file
    } else {
        QCOMPARE(tree(home_->path()), before);
    }
    QCOMPARE(readFile(dataFile(fingerprint)), contents);
}

void TestFsPersister::malformedHashIsNeverAFileName_data()
{
    QTest::addColumn<QByteArray>("hash");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("parent folders") << QByteArray("../../.profile");
    QTest::addRow("parent folder, 40 characters")
            << QByteArray("../0123456789abcdef0123456789abcdef01234");
    QTest::addRow("absolute path") << QByteArray("<absolute>"); // a file in HOME, made below
    QTest::addRow("upper case") << fingerprint.toUpper().toLatin1();
    QTest::addRow("39 characters") << fingerprint.left(39).toLatin1();
    QTest::addRow("41 characters") << (fingerprint + "0").toLatin1();
    QTest::addRow("fingerprint, zero byte, more") << fingerprint.toLatin1() + QByteArray("\0/x", 3);
}

void TestFsPersister::malformedHashIsNeverAFileName()
{
    QFETCH(QByteArray, hash);
    if (hash == "<absolute>")
        hash = QFile::encodeName(QDir(home_->path()).filePath("written-here"));
    VideoMetadata metadata = timingRecord(fingerprint, {1}, {"/videos/a.mp4"});
    metadata.set_hash(hash.toStdString());

    QCOMPARE(failureOf([&] { FsPersister().save(metadata); }),
             QStringLiteral("Can't open data file for writing"));
    // The folder is made as for any save; nothing else is written anywhere.
    QCOMPARE(tree(home_->path()), (QStringList{"morlek/", "morlek/metadata/"}));
}

void TestFsPersister::malformedFingerprintReadsNothing()
{
    // A record that a fingerprint of the shape "../name" would reach.
    const QDir home(home_->path());
    QVERIFY(home.mkpath(home_->dataDir()));
    const QString outside = QStringLiteral("outside0123456789abcdef0123456789abcdef0");
    QVERIFY(writeFile(home.filePath("morlek/" + outside),
                      encode(timingRecord(fingerprint, {1}, {"/secret"}))));
    const QStringList before = tree(home_->path());

    for (const QString &hash : {"../" + outside, fingerprint.toUpper(), QString()}) {
        const VideoMetadata loaded = FsPersister().load(hash);
        QCOMPARE(QString::fromStdString(loaded.hash()), hash);
        QCOMPARE(loaded.filename_size(), 0);
    }
    QCOMPARE(tree(home_->path()), before);
}

void TestFsPersister::recordsNotOfTheirFileAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("failure");
    // A copied or hand-edited record would have this video's table saved into another's file.
    QTest::addRow("another video's fingerprint")
        << "other" << QStringLiteral("The data file belongs to another video");
    QTest::addRow("empty fingerprint") << "empty" << QStringLiteral("The data file names no video");
    // A FIFO would block the open for ever.
    QTest::addRow("FIFO in the record's place")
        << "fifo" << QStringLiteral("Can't open data file for reading");
}

void TestFsPersister::recordsNotOfTheirFileAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, failure);
    QVERIFY(QDir().mkpath(home_->dataDir()));
    const QByteArray other = encode(timingRecord(otherFingerprint, {5, 6}, {"/videos/b.mp4"}));
    QVERIFY(writeFile(dataFile(otherFingerprint), other));
    QByteArray stored;
    if (kind == QLatin1String("other")) {
        stored = other;
    } else if (kind == QLatin1String("empty")) {
        stored = encode(timingRecord(QString(), {5, 6}, {"/videos/a.mp4"}));
    } else {
        QVERIFY(::mkfifo(QFile::encodeName(dataFile(fingerprint)).constData(), 0600) == 0);
    }
    if (!stored.isEmpty())
        QVERIFY(writeFile(dataFile(fingerprint), stored));
    const QStringList before = tree(home_->path());

    QCOMPARE(failureOf([] { FsPersister().load(fingerprint); }), failure);
    QCOMPARE(tree(home_->path()), before);
    QCOMPARE(readFile(dataFile(otherFingerprint)), other);
    if (!stored.isEmpty())
        QCOMPARE(readFile(dataFile(fingerprint)), stored);
}

void TestFsPersister::dataFolderWithoutHome()
{
    const QByteArray home = qgetenv("HOME");
    qunsetenv("HOME");
    const QString folder = FsPersister::dataFolder();
    qputenv("HOME", home);
    const passwd *user = ::getpwuid(::getuid());
    QVERIFY(user);
    QCOMPARE(folder, QDir(QFile::decodeName(user->pw_dir)).filePath(QStringLiteral("morlek/metadata")));
    QCOMPARE(FsPersister::dataFolder(), home_->dataDir());
}

void TestFsPersister::leftoverTemporaryIsNoRecordAndGoesWithNextSave()
{
    FsPersister persister;
    const VideoMetadata saved = timingRecord(fingerprint, {1, 2}, {"/videos/a.mp4"});
    persister.save(saved);

    // What a process killed in the middle of a save leaves behind, and names that are not
    // such leftovers of this record.
    const QByteArray partial =
            encode(timingRecord(fingerprint, {1, 2, 3}, {"/videos/a.mp4"})).left(9);
    const QString leftover = fingerprint + ".saving-aZ09bY";
    QVERIFY(writeFile(dataFile(leftover), partial));
    // A user's copy of the record, whatever its name, is never the program's to delete.
    const QStringList kept{otherFingerprint + ".saving-aZ09bY", fingerprint + ".backup",
                           fingerprint + ".aZ0_-9", fingerprint + ".notours", fingerprint + "x"};
    for (const QString &name : kept)
        QVERIFY(writeFile(dataFile(name), "keep"));

    QCOMPARE(encode(persister.load(fingerprint)), encode(saved));

    const VideoMetadata next = timingRecord(fingerprint, {1, 2, 3}, {"/videos/a.mp4"});
    persister.save(next);
    QVERIFY(!QFile::exists(dataFile(leftover)));
    for (const QString &name : kept)
        QCOMPARE(readFile(dataFile(name)), QByteArray("keep"));
    QCOMPARE(readFile(dataFile(fingerprint)), encode(next));
}

QTEST_GUILESS_MAIN(TestFsPersister)
#include "tst_fs_persister.moc"
