// The stored record's encoding: the data files of every user depend on it byte for byte.
#include "file_support.h"
#include "fs_persister.h"
#include "record_support.h"
#include "test_support.h"
#include "video_metadata.pb.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <boost/exception/exception.hpp>

#include <string>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using morlek::test::encode;
using morlek::test::readFile;
using morlek::test::writeFile;

namespace {

const char fingerprint[] = "0123456789abcdef0123456789abcdef01234567";

QByteArray hashField()
{
    return QByteArray::fromHex("0a28") + QByteArray(fingerprint);
}

} // namespace

class TestVideoMetadata : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data();
    void encoding();
    void recordWithoutHashDoesNotParse();
    void unknownFieldsSurviveLoadAndSave();
};

void TestVideoMetadata::encoding_data()
{
    QTest::addColumn<QByteArray>("record"); // a record built through the generated accessors
    QTest::addColumn<QByteArray>("expected");

    VideoMetadata metadata;
    metadata.set_hash(fingerprint);
    QTest::addRow("hash only") << encode(metadata) << hashField();

    metadata.add_filename("/v/a.mp4");
    metadata.add_filename("/w/b\xc3\xad.avi"); // "bí" in UTF-8
    const QByteArray names = QByteArray::fromHex("1208") + "/v/a.mp4"
            + QByteArray::fromHex("120a") + "/w/b\xc3\xad.avi";
    QTest::addRow("two file names") << encode(metadata) << hashField() + names;

    metadata.add_time_sequence();
    QTest::addRow("empty time measure")
            << encode(metadata) << hashField() + names + QByteArray::fromHex("1a00");

    for (const int mark : {0, 1, 127, 128, 300, 86399999})
        metadata.mutable_time_sequence(0)->add_timestamp(mark);
    // Unpacked: every mark is its own field, tag 0x08 and a varint.
    const QByteArray marks = QByteArray::fromHex("1a11"
                                                 "0800" "0801" "087f" "088001" "08ac02"
                                                 "08ffb79929");
    QTest::addRow("marks") << encode(metadata) << hashField() + names + marks;

    metadata.add_time_sequence()->add_timestamp(5);
    QTest::addRow("two time sequences")
            << encode(metadata) << hashField() + names + marks + QByteArray::fromHex("1a020805");
}

void TestVideoMetadata::encoding()
{
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, expected);
    QCOMPARE(record.toHex(), expected.toHex());

    // The file that the persister writes holds that encoding and nothing else.
    const morlek::test::TempHome home;
    QVERIFY(home.isValid());
    VideoMetadata metadata;
    QVERIFY(metadata.ParseFromArray(record.constData(), record.size()));
    FsPersister().save(metadata);
    const QString path = QDir(home.dataDir()).absoluteFilePath(QLatin1String(fingerprint));
    QCOMPARE(readFile(path).toHex(), expected.toHex());
    QCOMPARE(encode(FsPersister().load(QLatin1String(fingerprint))).toHex(), expected.toHex());
}

void TestVideoMetadata::recordWithoutHashDoesNotParse()
{
    const QByteArray bytes = QByteArray::fromHex("1208") + "/v/a.mp4" + QByteArray::fromHex("1a020805");
    VideoMetadata metadata;
    QVERIFY(!metadata.ParseFromArray(bytes.constData(), bytes.size()));

    const morlek::test::TempHome home;
    QVERIFY(QDir().mkpath(home.dataDir()));
    QVERIFY(writeFile(QDir(home.dataDir()).absoluteFilePath(QLatin1String(fingerprint)), bytes));
    QString message;
    try {
        FsPersister().load(QLatin1String(fingerprint));
    } catch (const boost::exception &error) {
        message = morlek::test::errorMessage(error);
    }
    QCOMPARE(message, QStringLiteral("Protobuf reported error while parsing file"));
}

void TestVideoMetadata::unknownFieldsSurviveLoadAndSave()
{
    // Fields written by a newer schema: a varint field 4 and a string field 5 in the record,
    // a varint field 2 inside a time measure. Unknown fields are written after known ones,
    // so a record that has them at its end comes back byte for byte.
    const QByteArray stored = hashField() + QByteArray::fromHex("1208") + "/v/a.mp4"
            + QByteArray::fromHex("1a06" "0801" "0802" "1007") + QByteArray::fromHex("2005")
            + QByteArray::fromHex("2a03") + "abc";

    const morlek::test::TempHome home;
    QVERIFY(QDir().mkpath(home.dataDir()));
    const QString path = QDir(home.dataDir()).absoluteFilePath(QLatin1String(fingerprint));
    QVERIFY(writeFile(path, stored));

    FsPersister persister;
    const VideoMetadata loaded = persister.load(QLatin1String(fingerprint));
    QCOMPARE(loaded.time_sequence(0).timestamp_size(), 2);
    QVERIFY(QFile::remove(path));
    persister.save(loaded);
    QCOMPARE(readFile(path).toHex(), stored.toHex());
}

QTEST_GUILESS_MAIN(TestVideoMetadata)
#include "tst_video_metadata.moc"
