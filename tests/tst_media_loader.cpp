// Loading files: queued files that come on, and loads that fail or take too long.

#include "file_support.h"
#include "frame_code.h"
#include "media_player.h"
#include "player_fixture.h"
#include "record_support.h"
#include "test_support.h"
#include "timer_widget.h"
#include "video_metadata.pb.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <phonon/MediaObject>

#include <memory>

using namespace morlek::test;
using dravenhol::morlek::player::PlayerState;

class TestMediaLoader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void queuedFileComesOnWithItsOwnRecord();
    void loadThatFails_data();
    void loadThatFails();

private:
    // The marks stored for the record that names @p path.
    QList<qint32> storedMarks(const QString &path) const;

    TempHome home_;
    QTemporaryDir dir_;
    QString first_;
    QString second_;
    std::unique_ptr<MediaPlayer> player_;
    std::unique_ptr<ModalAnswerer> answerer_;
};

void TestMediaLoader::initTestCase()
{
    QVERIFY(home_.isValid());
    QVERIFY(dir_.isValid());
    first_ = dir_.filePath(QStringLiteral("first.mp4"));
    second_ = dir_.filePath(QStringLiteral("second.mp4"));
    QString error;
    // Different pictures, so that each file has a fingerprint of its own.
    QVERIFY2(makeVideo(first_, {"-f", "lavfi", "-i", "color=c=gray:s=160x120:r=25:d=1", "-vf",
                                frameCodeFilter(), "-c:v", "libx264", "-g", "12"},
                       &error),
             qPrintable(error));
    QVERIFY2(makeVideo(second_, {"-f", "lavfi", "-i", "color=c=white:s=160x120:r=25:d=3", "-vf",
                                 frameCodeFilter(), "-c:v", "libx264", "-g", "12"},
                       &error),
             qPrintable(error));
}

void TestMediaLoader::init()
{
    QDir(home_.dataDir()).removeRecursively();
    answerer_ = std::make_unique<ModalAnswerer>();
    player_ = std::make_unique<MediaPlayer>(QString());
    player_->show();
    QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
}

void TestMediaLoader::cleanup()
{
    player_.reset();
    QVERIFY2(answerer_->unexpected().isEmpty(), qPrintable(answerer_->unexpected().join('\n')));
    answerer_.reset();
}

QList<qint32> TestMediaLoader::storedMarks(const QString &path) const
{
    const QDir data(home_.dataDir());
    const QStringList files = data.entryList(QDir::Files);
    for (const QString &name : files) {
        QFile file(data.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        dravenhol::morlek::VideoMetadata record;
        if (!record.ParseFromString(file.readAll().toStdString()))
            continue;
        for (const std::string &recorded : record.filename()) {
            if (QFileInfo(QString::fromStdString(recorded)).fileName()
                == QFileInfo(path).fileName())
                return marksOf(record);
        }
    }
    return {};
}

void TestMediaLoader::queuedFileComesOnWithItsOwnRecord()
{
    QSignalSpy opened(player_.get(), &MediaPlayer::fileOpened);
    player_->openDroppedFiles({QUrl::fromLocalFile(first_), QUrl::fromLocalFile(second_)});
    QCOMPARE(player_->loader()->queued(), QStringList{second_});
    QTRY_COMPARE(opened.size(), 1);
    // The first file plays to its end, and the second one follows as if it had been opened.
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, 8000);
    QCOMPARE(opened.last().at(0).toString(), second_);
    QCOMPARE(player_->windowTitle(), QStringLiteral("second.mp4"));
    QTRY_VERIFY(player_->timerWidget()->isEnabled());
    QTRY_VERIFY(player_->mediaObject()->currentTime() > 0);
    player_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(player_.get()));
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTest::qWait(200);
    QTest::keyClick(player_.get(), Qt::Key_Return);
    QTRY_COMPARE(storedMarks(second_).size(), 2);
    QVERIFY(storedMarks(first_).isEmpty());
    // The second file's marks lie within the second file, after its start.
    const QList<qint32> marks = storedMarks(second_);
    QVERIFY2(marks.first() < 3000 && marks.last() > marks.first(),
             qPrintable(QStringLiteral("%1 %2").arg(marks.first()).arg(marks.last())));
}

void TestMediaLoader::loadThatFails_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("giveUpMs");
    QTest::addColumn<QString>("told");
    QTest::addRow("not a video") << QByteArray(4096, 'x') << qint64(10000)
                                 << QStringLiteral("cannot be played");
    // A load that outlasts the watch, as on a slow network share: told, and ended for good.
    QTest::addRow("too slow") << QByteArray() << qint64(0)
                              << QStringLiteral("open it again once the storage answers");
}

void TestMediaLoader::loadThatFails()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, giveUpMs);
    QFETCH(QString, told);
    QString path = first_;
    if (!bytes.isEmpty()) {
        path = dir_.filePath(QStringLiteral("broken.mp4"));
        QVERIFY(writeFile(path, bytes));
    }
    player_->loader()->setGiveUpMs(giveUpMs);
    answerer_->expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Close); });
    player_->openMediaFile(path);
    QTRY_COMPARE_WITH_TIMEOUT(answerer_->seen().size(), 1, 15000);
    QVERIFY2(answerer_->seen().first().contains(told), qPrintable(answerer_->seen().first()));
    // Never half set up: nothing is loaded, nothing plays, nothing can be recorded, and a
    // load that would have finished later does not come in behind the message.
    QTest::qWait(1500);
    QCOMPARE(player_->engine()->state(), PlayerState::Empty);
    QVERIFY(!player_->timerWidget()->isEnabled());
    QVERIFY(!player_->findChild<QPushButton *>(QStringLiteral("playButton"))->isEnabled());
    QVERIFY(!player_->findChild<QWidget *>(QStringLiteral("videoContainer"))->isVisible());
    QVERIFY(player_->findChild<QWidget *>(QStringLiteral("infoLabel"))->isVisible());
    // The next file opens as usual.
    player_->loader()->setGiveUpMs(10000);
    player_->openMediaFile(second_);
    QTRY_COMPARE(player_->engine()->state(), PlayerState::Paused);
    QTRY_VERIFY(player_->timerWidget()->isEnabled());
}

QTEST_MAIN(TestMediaLoader)
#include "tst_media_loader.moc"
