// The window's menus and the dialogs they open.
#include "media_player.h"
#include "timer_widget.h"

#include "reencoding_dialog.h"
#include "user_manual.h"

#include <QActionGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

namespace {

const QString userManual = QStringLiteral("Morlek_Manual.pdf");
const QString openFileDirKey = QStringLiteral("open_file_dir");
constexpr int aboutManualData = 2;

} // namespace

void MediaPlayer::buildMenus()
{
    auto *fileMenu = new QMenu(tr("File"), this);
    fileMenu->addAction(tr("Deinterlace video"), this, &MediaPlayer::showDeinterlaceDialog,
                        QKeySequence());

    auto *seekMenu = new QMenu(tr("Seek step"), this);
    auto *group = new QActionGroup(seekMenu);
    seekGroup_ = group;
    group->setExclusive(true);
    const struct {
        const char *text;
        int fps;
    } steps[] = {
        {QT_TR_NOOP("40ms (25 FPS video)"), 25}, {QT_TR_NOOP("33ms (30 FPS video)"), 30},
        {QT_TR_NOOP("20ms (50 FPS video)"), 50}, {QT_TR_NOOP("17ms (60 FPS video)"), 60},
        {QT_TR_NOOP("10ms (100 FPS video)"), 100},
        // Slow motion (120, 240), film (23.976) and rates that change on the way.
        {QT_TR_NOOP("Every frame of the video"), 0},
    };
    for (const auto &step : steps) {
        auto *action = new QAction(tr(step.text), group);
        action->setData(step.fps);
        action->setCheckable(true);
        action->setChecked(step.fps == 50);
        seekMenu->addAction(action);
    }
    connect(seekMenu, &QMenu::triggered, this, &MediaPlayer::seekMenuTriggered);

    auto *aboutMenu = new QMenu(tr("About"), this);
    auto *manual = new QAction(tr("Open user manual"), aboutMenu);
    manual->setData(aboutManualData);
    aboutMenu->addAction(manual);
    connect(aboutMenu, &QMenu::triggered, this, &MediaPlayer::aboutMenuTriggered);

    menuBar_->addMenu(fileMenu);
    menuBar_->addMenu(seekMenu);
    menuBar_->addMenu(aboutMenu);
}

void MediaPlayer::buildEditMenu()
{
    // The timing panel's own actions, so that their keys and states stay the panel's.
    auto *editMenu = new QMenu(tr("Edit"), this);
    editMenu->addAction(timerWidget_->undoAction());
    editMenu->addAction(timerWidget_->redoAction());
    editMenu->addSeparator();
    editMenu->addAction(timerWidget_->newRunAction());
    const QList<QAction *> menus = menuBar_->actions();
    menuBar_->insertMenu(menus.value(1), editMenu);
}

void MediaPlayer::followVideoRate()
{
    // The "Seek step" entry of the video's own rate (29.97 takes "30 FPS"); the user's choice
    // then holds until the next file loads.
    if (!seekGroup_ || !hasVideo_)
        return;
    // Otherwise every frame of the video: slow motion, film, and a rate that changes on the
    // way, which reads as no rate at all.
    const double rate = stepper_.videoRate();
    const auto entries = seekGroup_->actions();
    QAction *chosen = nullptr;
    QAction *everyFrame = nullptr;
    for (QAction *entry : entries) {
        const int fps = entry->data().toInt();
        if (fps == 0)
            everyFrame = entry;
        else if (!chosen && rate > 0 && qAbs(rate - fps) < fps * 0.005)
            chosen = entry;
    }
    if (!chosen)
        chosen = everyFrame;
    if (!chosen || (chosen->isChecked() && stepper_.rate() == chosen->data().toInt()))
        return;
    chosen->setChecked(true);
    applyRate(chosen->data().toInt());
}

void MediaPlayer::openFile()
{
    QSettings settings;
    const QString folder = settings.value(openFileDirKey, QDir::homePath()).toString();
    const QString path = QFileDialog::getOpenFileName(
        this, QString(), folder,
        tr("Video files (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)") + QStringLiteral(";;")
            // Phones and camcorders write many more kinds (.mts, .m4v, .3gp, .webm, ...).
            + tr("All files (*)"));
    if (path.isEmpty())
        return;
    settings.setValue(openFileDirKey, QFileInfo(path).absolutePath());
    openMediaFile(path);
}

void MediaPlayer::aboutMenuTriggered(QAction *action)
{
    using namespace dravenhol::morlek::desktop;
    if (action->data() != QVariant(aboutManualData))
        return;
    const QStringList folders = userManualFolders();
    const QString manual = findUserManual(userManual, folders);
    if (manual.isEmpty())
        QMessageBox::information(this, tr("User manual"),
                                 userManualMissingText(userManual, folders));
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        QMessageBox::warning(this, tr("User manual"), userManualUnopenedText(manual));
}

void MediaPlayer::showDeinterlaceDialog()
{
    ReencodingDialog dialog(this);
    dialog.exec();
}

void MediaPlayer::seekMenuTriggered(QAction *action)
{
    setFPS(action->data().toInt());
}
