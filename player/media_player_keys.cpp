// The window's keys: every action the keyboard reaches, the keys the user gave them, the
// playback speed, and the dialog the keys are changed in.
#include "media_player.h"
#include "media_video_widget.h"
#include "surface_notes.h"
#include "timer_widget.h"

#include "shortcuts_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>

using dravenhol::morlek::shortcuts::ShortcutsDialog;

namespace {

// The speeds offered, slowest first; normal speed is the fourth.
const struct {
    double rate;
    const char *text;
} speeds[] = {{0.125, "1/8×"}, {0.25, "1/4×"}, {0.5, "1/2×"}, {1.0, "1×"}, {2.0, "2×"}};
constexpr int normalSpeed = 3;

QString keyText(const QKeySequence &keys)
{
    return keys.toString(QKeySequence::NativeText);
}

} // namespace

QWidget *MediaPlayer::buildRateChoice()
{
    auto *choice = new QComboBox(this);
    choice->setObjectName(QStringLiteral("rateChoice"));
    // The keys stay with the window: a focused list would take Left and Right for itself.
    choice->setFocusPolicy(Qt::NoFocus);
    for (const auto &speed : speeds)
        choice->addItem(QString::fromUtf8(speed.text), speed.rate);
    choice->setCurrentIndex(normalSpeed);
    connect(choice, QOverload<int>::of(&QComboBox::activated), this, &MediaPlayer::setRateIndex);
    rateChoice_ = choice;
    return choice;
}

void MediaPlayer::setRateIndex(int index)
{
    if (!rateChoice_ || index < 0 || index >= rateChoice_->count())
        return;
    rateChoice_->setCurrentIndex(index);
    const double rate = rateChoice_->itemData(index).toDouble();
    // Played slower or faster the back-end garbles the sound: silence instead.
    engine_.setSoundMuted(rate != 1.0);
    stepper_.setPlaybackRate(rate);
    // Full screen, the list is out of sight: the picture says.
    videoWidget_->notes()->confirm(tr("Speed %1").arg(rateChoice_->itemText(index)));
}

void MediaPlayer::slower()
{
    if (rateChoice_)
        setRateIndex(qMax(0, rateChoice_->currentIndex() - 1));
}

void MediaPlayer::faster()
{
    if (rateChoice_)
        setRateIndex(qMin(rateChoice_->count() - 1, rateChoice_->currentIndex() + 1));
}

QAction *MediaPlayer::addKeyAction(const QString &id, const QString &name,
                                   const QKeySequence &keys, QPushButton *button,
                                   void (MediaPlayer::*act)(), bool repeat)
{
    // Actions, not button shortcuts: those go through the button's 100 ms click animation,
    // which delays every press by that much and swallows every press that comes sooner.
    auto *action = new QAction(name, this);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setAutoRepeat(repeat);
    addAction(action);
    keyActions_ << action;
    connect(action, &QAction::triggered, this, [this, button, act] {
        if (button ? button->isEnabled() : forwardButton_->isEnabled())
            (this->*act)();
    });
    bindKeys(id, name, {keys}, [action](const QList<QKeySequence> &given) {
        action->setShortcuts(given);
    });
    return action;
}

void MediaPlayer::bindKeys(const QString &id, const QString &name,
                           const QList<QKeySequence> &defaults,
                           std::function<void(const QList<QKeySequence> &)> apply)
{
    shortcuts_.add(id, name, defaults);
    keyAppliers_.insert(id, std::move(apply));
    applyKeys(id);
}

void MediaPlayer::applyKeys(const QString &id)
{
    const auto apply = keyAppliers_.value(id);
    if (apply)
        apply(shortcuts_.shortcuts(id));
    // The buttons' tooltips name their keys.
    const QString keys = keyText(shortcuts_.keys(id));
    const auto tip = [&keys](QWidget *widget, const QString &text) {
        widget->setToolTip(text.arg(keys, 0, QLatin1Char(' ')));
    };
    if (id == QLatin1String("open_file"))
        tip(openButton_, tr("Open file (%1)"));
    else if (id == QLatin1String("play_pause"))
        tip(playButton_, tr("Play / Pause (%1)"));
    else if (id == QLatin1String("next_frame"))
        tip(forwardButton_, tr("Next frame (%1)"));
    else if (id == QLatin1String("previous_frame"))
        tip(rewindButton_, tr("Previous frame (%1)"));
    else if ((id == QLatin1String("slower") || id == QLatin1String("faster")) && rateChoice_)
        rateChoice_->setToolTip(tr("Playback speed (slower: %1, faster: %2)")
                                    .arg(keyText(shortcuts_.keys(QStringLiteral("slower"))),
                                         keyText(shortcuts_.keys(QStringLiteral("faster")))));
}

void MediaPlayer::buildKeys()
{
    bindKeys(QStringLiteral("open_file"), tr("Open file"), {QKeySequence(QKeySequence::Open)},
             [this](const QList<QKeySequence> &keys) {
                 openButton_->setShortcut(keys.value(0));
             });
    using Self = MediaPlayer;
    // A pause must come at the press, on the frame then on screen; held down, it toggles once.
    QAction *play = addKeyAction(QStringLiteral("play_pause"), tr("Play / Pause"),
                                 QKeySequence(Qt::Key_Space), playButton_, &Self::playPause, false);
    connect(play, &QAction::changed, this,
            [this, play] { videoWidget_->setPlayPauseKey(play->shortcut()); });
    videoWidget_->setPlayPauseKey(play->shortcut());
    addKeyAction(QStringLiteral("next_frame"), tr("Next frame"), QKeySequence(Qt::Key_Right),
                 forwardButton_, &Self::forward);
    addKeyAction(QStringLiteral("previous_frame"), tr("Previous frame"),
                 QKeySequence(Qt::Key_Left), rewindButton_, &Self::rewind);
    addKeyAction(QStringLiteral("ten_frames_on"), tr("10 frames on"),
                 QKeySequence(Qt::SHIFT | Qt::Key_Right), forwardButton_, &Self::tenFramesOn);
    addKeyAction(QStringLiteral("ten_frames_back"), tr("10 frames back"),
                 QKeySequence(Qt::SHIFT | Qt::Key_Left), rewindButton_, &Self::tenFramesBack);
    addKeyAction(QStringLiteral("second_on"), tr("One second on"),
                 QKeySequence(Qt::CTRL | Qt::Key_Right), forwardButton_, &Self::secondOn);
    addKeyAction(QStringLiteral("second_back"), tr("One second back"),
                 QKeySequence(Qt::CTRL | Qt::Key_Left), rewindButton_, &Self::secondBack);
    addKeyAction(QStringLiteral("first_frame"), tr("First frame"), QKeySequence(Qt::Key_Home),
                 rewindButton_, &Self::toFirstFrame);
    addKeyAction(QStringLiteral("last_frame"), tr("Last frame"), QKeySequence(Qt::Key_End),
                 forwardButton_, &Self::toLastFrame);
    addKeyAction(QStringLiteral("slower"), tr("Slower"), QKeySequence(Qt::Key_BracketLeft),
                 playButton_, &Self::slower)
        ->setAutoRepeat(false);
    addKeyAction(QStringLiteral("faster"), tr("Faster"), QKeySequence(Qt::Key_BracketRight),
                 playButton_, &Self::faster)
        ->setAutoRepeat(false);

    bindKeys(QStringLiteral("record_time"), tr("Save current time"),
             {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
             [this](const QList<QKeySequence> &keys) { timerWidget_->setRecordKeys(keys); });
    bindKeys(QStringLiteral("export"), tr("Export data to .csv"),
             {QKeySequence(QKeySequence::Save)},
             [this](const QList<QKeySequence> &keys) { timerWidget_->setExportKeys(keys.value(0)); });
    bindKeys(QStringLiteral("copy"), tr("Copy the selected times"),
             {QKeySequence(QKeySequence::Copy)},
             [this](const QList<QKeySequence> &keys) { timerWidget_->setCopyKeys(keys.value(0)); });
    const auto actionKeys = [this](const QString &id, const QString &name, QAction *action) {
        bindKeys(id, name, {action->shortcut()},
                 [action](const QList<QKeySequence> &keys) { action->setShortcuts(keys); });
    };
    actionKeys(QStringLiteral("new_run"), tr("New run"), timerWidget_->newRunAction());
    actionKeys(QStringLiteral("undo"), tr("Undo"), timerWidget_->undoAction());
    actionKeys(QStringLiteral("redo"), tr("Redo"), timerWidget_->redoAction());
    actionKeys(QStringLiteral("full_screen"), tr("Full screen"), videoWidget_->fullScreenAction());
    actionKeys(QStringLiteral("time_on_picture"), tr("Time on the picture (full screen)"),
               videoWidget_->cornerAction());

    QSettings settings;
    shortcuts_.load(settings);
    for (const QString &id : shortcuts_.ids())
        applyKeys(id);
    // Applied at once and kept for the next start.
    connect(&shortcuts_, &dravenhol::morlek::shortcuts::ShortcutStore::keysChanged, this,
            [this](const QString &id) {
                applyKeys(id);
                QSettings store;
                shortcuts_.save(store);
            });
    buildSettingsMenu();
}

void MediaPlayer::buildSettingsMenu()
{
    auto *settingsMenu = new QMenu(tr("Settings"), this);
    auto *keys = settingsMenu->addAction(tr("Keyboard shortcuts…"));
    keys->setObjectName(QStringLiteral("shortcutsAction"));
    connect(keys, &QAction::triggered, this, &MediaPlayer::showShortcutsDialog);
    // Before "About", the last menu.
    const QList<QAction *> menus = menuBar_->actions();
    menuBar_->insertMenu(menus.value(menus.size() - 1), settingsMenu);
}

void MediaPlayer::showShortcutsDialog()
{
    // Not modal to the program: the window's keys answer again as soon as it closes.
    auto *dialog = new ShortcutsDialog(shortcuts_, this);
    dialog->setObjectName(QStringLiteral("shortcutsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void MediaPlayer::tenFramesOn()
{
    stepper_.jumpFrames(10);
}

void MediaPlayer::tenFramesBack()
{
    stepper_.jumpFrames(-10);
}

void MediaPlayer::secondOn()
{
    stepper_.jumpSeconds(1);
}

void MediaPlayer::secondBack()
{
    stepper_.jumpSeconds(-1);
}

void MediaPlayer::toFirstFrame()
{
    stepper_.toFirstFrame();
}

void MediaPlayer::toLastFrame()
{
    stepper_.toLastFrame();
}
