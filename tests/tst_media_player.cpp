#include "frame_grid.h"
#include "media_player.h"
#include "media_video_widget.h"
#include "test_support.h"
#include "timer_widget.h"

#include <QActionGroup>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QComboBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <phonon/MediaObject>
#include <phonon/SeekSlider>

#include <memory>

using namespace morlek::test;

// The player window and its video surface: construction, menus, opening and drag and drop.
class TestMediaPlayer : public QObject
{
    Q_OBJECT
public slots:
    void manualRequested(const QUrl &url) { manualUrls_ << url; }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsWithNothingOpen();
    void seekStepMenu_data();
    void seekStepMenu();
    void titleAndFileOpened_data();
    void titleAndFileOpened();
    void openDialogRemembersTheFolder();
    void dragDecisions_data();
    void dragDecisions();
    void dropOpensAndQueues_data();
    void dropOpensAndQueues();
    void surfaceDragAndDrop();
    void surfaceKeysAndClose();
    void fullScreenActionFollowsTheWindow();
    void manualOpensFromTheWorkingFolder();
    void fileMenuOpensTheDeinterlaceDialog();

private:
    QStringList queuedFiles() const;
    /** The player's menu of that title, or null. */
    QMenu *menuTitled(const QString &title) const;
    void answerUnplayable();

    TempHome home_;
    QTemporaryDir dir_;
    QString video_;
    QStringList threeVideos_;
    QString folder_;
    QString emptyFolder_;
    std::unique_ptr<MediaPlayer> player_;
    std::unique_ptr<ModalAnswerer> answerer_;
    QList<QUrl> manualUrls_;
};

void TestMediaPlayer::initTestCase()
{
    // The test answers Qt's own file dialog; a desktop's native one could not be answered.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QCoreApplication::setOrganizationName(QStringLiteral("Tovashel"));
    QCoreApplication::setApplicationName(QStringLiteral("Morlek"));
    QVERIFY(dir_.isValid());
    video_ = dir_.filePath(QStringLiteral("clip.mp4"));
    QString error;
    QVERIFY2(makeVideo(video_, {QStringLiteral("-f"), QStringLiteral("lavfi"),
                                QStringLiteral("-i"),
                                QStringLiteral("testsrc=size=160x120:rate=25:duration=1")},
                       &error),
             qPrintable(error));
    for (const char *name : {"first.mp4", "second.mp4", "third.mp4"}) {
        threeVideos_ << dir_.filePath(QLatin1String(name));
        QVERIFY(QFile::copy(video_, threeVideos_.last()));
    }
    folder_ = dir_.filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder_ + QStringLiteral("/sub")));
    for (const char *name : {"b.mp4", "A.mp4", "c.mp4"})
        QVERIFY(QFile::copy(video_, folder_ + QLatin1Char('/') + QLatin1String(name)));
    emptyFolder_ = dir_.filePath(QStringLiteral("empty"));
    QVERIFY(QDir().mkpath(emptyFolder_ + QStringLiteral("/only a folder")));
}

void TestMediaPlayer::init()
{
    answerer_ = std::make_unique<ModalAnswerer>();
    QSettings().clear();
    // One window at a time: a window holds its video's record while it is open.
    player_.reset();
    player_ = std::make_unique<MediaPlayer>(QString());
    player_->show();
    QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
}

void TestMediaPlayer::cleanup()
{
    player_.reset();
    QVERIFY2(answerer_->unexpected().isEmpty(), qPrintable(answerer_->unexpected().join('\n')));
    answerer_.reset();
}

QStringList TestMediaPlayer::queuedFiles() const
{
    QStringList files;
    const QStringList queue = player_->loader()->queued();
    for (const QString &path : queue)
        files << QFileInfo(path).fileName();
    return files;
}

QMenu *TestMediaPlayer::menuTitled(const QString &title) const
{
    const auto menus = player_->findChildren<QMenu *>();
    for (QMenu *menu : menus) {
        if (menu->title() == title)
            return menu;
    }
    return nullptr;
}

void TestMediaPlayer::answerUnplayable()
{
    answerer_->expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Close); });
}

void TestMediaPlayer::startsWithNothingOpen()
{
    MediaPlayer &player = *player_;
    QCOMPARE(player.windowTitle(), QStringLiteral("Morlek"));
    auto *info = player.findChild<QLabel *>(QStringLiteral("infoLabel"));
    QCOMPARE(info->text(), QStringLiteral("<center>No file selected</center>"));
    QVERIFY(info->isVisible());
    QVERIFY(!player.findChild<QWidget *>(QStringLiteral("videoContainer"))->isVisible());
    for (const char *name : {"rewindButton", "playButton", "forwardButton", "volumeSlider"})
        QVERIFY2(!player.findChild<QWidget *>(QLatin1String(name))->isEnabled(), name);
    QVERIFY(player.findChild<QWidget *>(QStringLiteral("openButton"))->isEnabled());

    const QKeySequence open(QKeySequence::Open);
    QCOMPARE(player.findChild<QPushButton *>(QStringLiteral("openButton"))->toolTip(),
             QStringLiteral("Open file (%1)").arg(open.toString(QKeySequence::NativeText)));
    QCOMPARE(player.findChild<QPushButton *>(QStringLiteral("playButton"))->toolTip(),
             QStringLiteral("Play / Pause (Space)"));
    QCOMPARE(player.findChild<QPushButton *>(QStringLiteral("forwardButton"))->toolTip(),
             QStringLiteral("Next frame (Right)"));
    QCOMPARE(player.findChild<QPushButton *>(QStringLiteral("rewindButton"))->toolTip(),
             QStringLiteral("Previous frame (Left)"));

    auto *bar = player.findChild<QMenuBar *>();
    QVERIFY(bar);
    QStringList titles;
    for (QAction *menu : bar->actions())
        titles << menu->text();
    QCOMPARE(titles, (QStringList{QStringLiteral("File"), QStringLiteral("Edit"),
                                  QStringLiteral("Seek step"), QStringLiteral("Settings"),
                                  QStringLiteral("About")}));
    // The speed list names its keys, and starts at normal speed.
    auto *speed = player.findChild<QComboBox *>(QStringLiteral("rateChoice"));
    QVERIFY(speed);
    QCOMPARE(speed->currentText(), QStringLiteral("1×"));
    QCOMPARE(speed->toolTip(), QStringLiteral("Playback speed (slower: [, faster: ])"));
    // The timing panel stands beside the video, disabled until a video has loaded.
    QVERIFY(player.timerWidget());
    QVERIFY(player.timerWidget()->isVisible());
    QVERIFY(!player.timerWidget()->isEnabled());
    QCOMPARE(player.seekStep(), 20);
    QCOMPARE(player.mediaObject()->tickInterval(), qint32(20));
}

void TestMediaPlayer::seekStepMenu_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("step");
    QTest::addRow("25") << "40ms (25 FPS video)" << 40;
    QTest::addRow("30") << "33ms (30 FPS video)" << 33;
    QTest::addRow("50") << "20ms (50 FPS video)" << 20;
    QTest::addRow("60") << "17ms (60 FPS video)" << 17;
    QTest::addRow("100") << "10ms (100 FPS video)" << 10;
}

void TestMediaPlayer::seekStepMenu()
{
    QFETCH(QString, entry);
    QFETCH(int, step);
    QMenu *menu = menuTitled(QStringLiteral("Seek step"));
    QVERIFY(menu);
    QAction *chosen = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text() == entry)
            chosen = action;
    }
    QVERIFY(chosen);
    menu->popup(QPoint(0, 0));
    chosen->trigger();
    menu->hide();
    QCOMPARE(player_->seekStep(), step);
    QCOMPARE(player_->mediaObject()->tickInterval(), qint32(step));
    QCOMPARE(player_->frameGrid().fps(), chosen->data().toInt());
    const auto *slider = player_->findChild<Phonon::SeekSlider *>();
    QCOMPARE(slider->singleStep(), step);
    int checked = 0;
    for (QAction *action : menu->actions())
        checked += action->isChecked() ? 1 : 0;
    QCOMPARE(checked, 1);
    QVERIFY(chosen->isChecked());
}

void TestMediaPlayer::titleAndFileOpened_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::addRow("folders") << "/no/such/clips/run 1.avi" << "run 1.avi";
    QTest::addRow("drive letter") << "D:/clips/run 1.avi" << "run 1.avi";
    QTest::addRow("backslashes only") << "C:\\clips\\run 1.avi" << "C:\\clips\\run 1.avi";
}

void TestMediaPlayer::titleAndFileOpened()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QSignalSpy opened(player_.get(), &MediaPlayer::fileOpened);
    // None of these files exists: each open is reported, its timing record cannot be read,
    // it cannot be played, and the title still changes.
    for (int round = 1; round <= 2; ++round) {
        answerer_->expect(
            [](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Ok); });
        answerUnplayable();
        player_->openMediaFile(path);
        QCOMPARE(player_->windowTitle(), title);
        QCOMPARE(opened.size(), round);
        QCOMPARE(opened.last().at(0).toString(), path);
        QTRY_COMPARE(answerer_->seen().size(), 2 * round);
        QVERIFY2(answerer_->seen().last().contains(QStringLiteral("cannot be played")),
                 qPrintable(answerer_->seen().last()));
    }
}

void TestMediaPlayer::openDialogRemembersTheFolder()
{
    QSignalSpy opened(player_.get(), &MediaPlayer::fileOpened);
    QString startedIn;
    const auto choose = [&startedIn](const QString &file) {
        return [&startedIn, file](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            startedIn = dialog->directory().absolutePath();
            if (file.isEmpty()) {
                dialog->reject();
                return;
            }
            // Typed as a user would: the dialog's folder listing is still being read.
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setText(file);
            static_cast<QDialog *>(dialog)->accept();
        };
    };
    answerer_->expect(choose(video_));
    player_->openFile();
    QCOMPARE(startedIn, QDir::homePath());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(QFileInfo(opened.at(0).at(0).toString()), QFileInfo(video_));
    QCOMPARE(player_->windowTitle(), QStringLiteral("clip.mp4"));
    QCOMPARE(QSettings().value(QStringLiteral("open_file_dir")).toString(), dir_.path());

    // A cancelled dialog starts where the last file was and changes nothing.
    answerer_->expect(choose(QString()));
    player_->openFile();
    QCOMPARE(startedIn, dir_.path());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(player_->windowTitle(), QStringLiteral("clip.mp4"));
    QCOMPARE(QSettings().value(QStringLiteral("open_file_dir")).toString(), dir_.path());

    // The folder is kept for the next start of the program.
    // One window at a time: a window holds its video's record while it is open.
    player_.reset();
    player_ = std::make_unique<MediaPlayer>(QString());
    answerer_->expect(choose(QString()));
    player_->openFile();
    QCOMPARE(startedIn, dir_.path());
}

void TestMediaPlayer::dragDecisions_data()
{
    QTest::addColumn<bool>("withUrls");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("files, copy") << true << int(Qt::CopyAction) << true;
    QTest::addRow("files, move") << true << int(Qt::MoveAction) << true;
    QTest::addRow("files, link") << true << int(Qt::LinkAction) << false;
    QTest::addRow("text only") << false << int(Qt::CopyAction) << false;
}

void TestMediaPlayer::dragDecisions()
{
    QFETCH(bool, withUrls);
    QFETCH(int, action);
    QFETCH(bool, accepted);
    QMimeData data;
    if (withUrls)
        data.setUrls({QUrl::fromLocalFile(video_)});
    else
        data.setText(QStringLiteral("just text"));
    const auto proposed = Qt::DropAction(action);
    QDragEnterEvent enter(QPoint(5, 5), proposed, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(player_.get(), &enter);
    QCOMPARE(enter.isAccepted(), accepted);

    QSignalSpy opened(player_.get(), &MediaPlayer::fileOpened);
    QDropEvent drop(QPointF(5, 5), proposed, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(player_.get(), &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    QCOMPARE(opened.size(), accepted ? 1 : 0);
}

void TestMediaPlayer::dropOpensAndQueues_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("queued");
    const QStringList three = threeVideos_;
    QTest::addRow("three files") << three << int(Qt::CopyAction) << "first.mp4"
                                 << QStringList{"second.mp4", "third.mp4"};
    QTest::addRow("three files moved") << three << int(Qt::MoveAction) << "first.mp4"
                                       << QStringList{"second.mp4", "third.mp4"};
    QTest::addRow("a folder, by name ignoring case") << QStringList{folder_} << int(Qt::CopyAction)
                                                     << "A.mp4"
                                                     << QStringList{"b.mp4", "c.mp4"};
    QTest::addRow("a folder without files") << QStringList{emptyFolder_} << int(Qt::CopyAction)
                                            << "Morlek" << QStringList{};
    QTest::addRow("a web address") << QStringList{QStringLiteral("https://example.org/a.mp4")}
                                   << int(Qt::CopyAction) << "Morlek" << QStringList{};
}

void TestMediaPlayer::dropOpensAndQueues()
{
    QFETCH(QStringList, dropped);
    QFETCH(int, action);
    QFETCH(QString, title);
    QFETCH(QStringList, queued);
    QList<QUrl> urls;
    for (const QString &item : dropped)
        urls << (item.startsWith(QLatin1String("https:")) ? QUrl(item) : QUrl::fromLocalFile(item));
    QMimeData data;
    data.setUrls(urls);
    QSignalSpy opened(player_.get(), &MediaPlayer::fileOpened);
    // A drop always follows the drag's entry into the window.
    QDragEnterEvent enter(QPoint(5, 5), Qt::DropAction(action), &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(player_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::DropAction(action), &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(player_.get(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(player_->windowTitle(), title);
    QCOMPARE(opened.size(), title == QLatin1String("Morlek") ? 0 : 1);
    QCOMPARE(queuedFiles(), queued);
    // Every file is still where it was: a move drop moves nothing.
    for (const QString &item : dropped) {
        if (!item.startsWith(QLatin1String("https:")))
            QVERIFY(QFileInfo::exists(item));
    }
}

void TestMediaPlayer::surfaceDragAndDrop()
{
    MediaVideoWidget *surface = player_->videoWidget();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(video_)});
    QDragEnterEvent link(QPoint(5, 5), Qt::LinkAction, &files, Qt::LeftButton, Qt::NoModifier);
    link.setAccepted(false);
    QCoreApplication::sendEvent(surface, &link);
    QVERIFY(link.isAccepted());
    QCOMPARE(link.dropAction(), Qt::LinkAction);

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent plain(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    plain.setAccepted(false);
    QCoreApplication::sendEvent(surface, &plain);
    QVERIFY(!plain.isAccepted());

    // Unlike the window, the surface hands a link drop on to be opened.
    QSignalSpy opened(player_.get(), &MediaPlayer::fileOpened);
    QDropEvent drop(QPointF(5, 5), Qt::LinkAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(surface, &drop);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(player_->windowTitle(), QStringLiteral("clip.mp4"));
}

void TestMediaPlayer::surfaceKeysAndClose()
{
    MediaVideoWidget *surface = player_->videoWidget();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    escape.setAccepted(false);
    QCoreApplication::sendEvent(surface, &escape);
    QVERIFY(escape.isAccepted());
    QVERIFY(!surface->isFullScreen());

    for (const auto &[key, modifiers] : {std::pair{Qt::Key_Escape, Qt::ShiftModifier},
                                         std::pair{Qt::Key_Space, Qt::ControlModifier}}) {
        QKeyEvent other(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(surface, &other);
        QVERIFY2(!other.isAccepted(), qPrintable(QKeySequence(key | modifiers).toString()));
    }

    QCloseEvent close;
    QCoreApplication::sendEvent(surface, &close);
    QVERIFY(!close.isAccepted());
}

void TestMediaPlayer::fullScreenActionFollowsTheWindow()
{
    MediaVideoWidget *surface = player_->videoWidget();
    QAction *action = surface->fullScreenAction();
    QCOMPARE(action->shortcut(), QKeySequence(Qt::AltModifier | Qt::Key_Return));
    QVERIFY(!action->isChecked());

    surface->setFullScreen(true);
    QTRY_VERIFY(surface->isFullScreen());
    QTRY_VERIFY(action->isChecked());
    // A close request leaves the full-screen surface open.
    surface->close();
    QVERIFY(surface->isVisible());
    QVERIFY(surface->isFullScreen());

    QTest::keyClick(surface, Qt::Key_Escape);
    QTRY_VERIFY(!surface->isFullScreen());
    QTRY_VERIFY(!action->isChecked());

    action->toggle();
    QTRY_VERIFY(surface->isFullScreen());
    action->toggle();
    QTRY_VERIFY(!surface->isFullScreen());
    QVERIFY(!action->isChecked());
}

void TestMediaPlayer::manualOpensFromTheWorkingFolder()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
    QFile manual(QStringLiteral("Morlek_Manual.pdf"));
    QVERIFY(manual.open(QIODevice::WriteOnly));
    manual.close();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "manualRequested");
    QMenu *about = menuTitled(QStringLiteral("About"));
    QVERIFY(about);
    QCOMPARE(about->actions().size(), 1);
    QCOMPARE(about->actions().first()->text(), QStringLiteral("Open user manual"));
    about->actions().first()->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(manualUrls_.size(), 1);
    QCOMPARE(manualUrls_.first(),
             QUrl::fromLocalFile(QDir::current().absoluteFilePath(
                 QStringLiteral("Morlek_Manual.pdf"))));
}

void TestMediaPlayer::fileMenuOpensTheDeinterlaceDialog()
{
    QMenu *file = menuTitled(QStringLiteral("File"));
    QVERIFY(file);
    QCOMPARE(file->actions().size(), 1);
    QAction *entry = file->actions().first();
    QCOMPARE(entry->text(), QStringLiteral("Deinterlace video"));
    QVERIFY(entry->shortcut().isEmpty());
    QVERIFY(!entry->isCheckable());
    QString title;
    QWidget *parent = nullptr;
    answerer_->expect([&](QWidget *modal) {
        title = modal->windowTitle();
        parent = modal->parentWidget();
        qobject_cast<QDialog *>(modal)->reject();
    });
    entry->trigger();
    QCOMPARE(title, QStringLiteral("Deinterlace video"));
    QCOMPARE(parent, player_.get());
    // The dialog lived only while it was open.
    QVERIFY(player_->findChildren<QDialog *>().isEmpty());
}

QTEST_MAIN(TestMediaPlayer)
#include "tst_media_player.moc"
