// Takes the screenshots of the manual and the README from the real program: opens a video,
// steps, times, re-times, copies, and opens each dialog, grabbing the whole screen each time.
// Run by scripts/make-screenshots.sh under Xvfb, in a home folder of its own.

#include "backend_choice.h"
#include "media_player.h"
#include "timer_widget.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <phonon/MediaObject>

#include <cstdio>
#include <functional>

namespace {

QString outputFolder;

void fail(const char *what)
{
    std::fprintf(stderr, "screenshots: %s\n", what);
    ::exit(1);
}

QWidget *mainWindow = nullptr;

// The window and the dialog over it, if any, without the empty screen around them.
void shoot(const QString &name)
{
    QTest::qWait(400);
    QRect area = mainWindow->frameGeometry();
    if (QWidget *dialog = QApplication::activeModalWidget())
        area |= dialog->frameGeometry();
    area = area.adjusted(-8, -8, 8, 8) & QGuiApplication::primaryScreen()->geometry();
    const QString path = QDir(outputFolder).filePath(name + QStringLiteral(".png"));
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(
        0, area.x(), area.y(), area.width(), area.height());
    if (!screen.save(path))
        fail("a screenshot cannot be written");
    std::printf("screenshots: %s\n", qPrintable(path));
}

// Shoots the modal dialog that @p open brings up, then closes it unanswered.
void shootDialog(const QString &name, const std::function<void()> &open)
{
    bool shot = false;
    QTimer::singleShot(0, qApp, [&] {
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000))
            fail("the dialog did not open");
        QWidget *dialog = QApplication::activeModalWidget();
        shoot(name);
        shot = true;
        if (auto *d = qobject_cast<QDialog *>(dialog))
            d->reject();
        else
            dialog->close();
    });
    open();
    if (!shot)
        fail("the dialog closed before it was shot");
    // Without a window manager nothing gives the window the keyboard back.
    mainWindow->activateWindow();
    if (!QTest::qWaitForWindowActive(mainWindow))
        fail("the window did not become active again");
    QTest::qWait(200);
}

void keys(QWidget *window, Qt::Key key, int count)
{
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(window, key);
        QTest::qWait(120);
    }
}

QAbstractButton *buttonWithTip(QWidget *parent, const QString &start)
{
    const auto buttons = parent->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->toolTip().startsWith(start))
            return button;
    }
    fail("a button is missing");
    return nullptr;
}

QAction *menuAction(QWidget *window, const QString &text)
{
    const auto actions = window->findChildren<QAction *>();
    for (QAction *action : actions) {
        if (action->text() == text)
            return action;
    }
    fail("a menu entry is missing");
    return nullptr;
}

void clickCell(QTableView *table, int row, int column)
{
    const QRect cell = table->visualRect(table->model()->index(row, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::qWait(150);
}

} // namespace

int main(int argc, char **argv)
{
    dravenhol::morlek::player::chooseMediaBackend();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Morlek"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tovashel"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tovashel.com"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        fail("usage: morlek_screenshots <video> <output folder>");
    const QString video = QFileInfo(args.at(1)).absoluteFilePath();
    outputFolder = args.at(2);
    QSettings().setValue(QStringLiteral("open_file_dir"), QFileInfo(video).absolutePath());

    MediaPlayer player(video);
    mainWindow = &player;
    player.show();
    player.activateWindow();
    if (!QTest::qWaitForWindowActive(&player)
        || !QTest::qWaitFor([&] {
               return player.timerWidget()->isEnabled()
                      && player.mediaObject()->state() == Phonon::PausedState;
           }, 15000))
        fail("the video did not load");
    QTest::qWait(500);
    player.setGeometry(60, 60, 1160, 600);
    QTest::qWait(800);
    auto *table = player.timerWidget()->findChild<QTableView *>();
    if (!table)
        fail("the timing table is missing");

    shootDialog(QStringLiteral("open"), [&] { player.openFile(); });

    keys(&player, Qt::Key_Right, 12);
    shoot(QStringLiteral("step"));

    // Three elements: start and end of each, a few frames apart.
    const int gaps[] = {9, 6, 14, 5, 11};
    QTest::keyClick(&player, Qt::Key_Return);
    for (int gap : gaps) {
        keys(&player, Qt::Key_Right, gap);
        QTest::keyClick(&player, Qt::Key_Return);
    }
    keys(&player, Qt::Key_Right, 7);
    shoot(QStringLiteral("time"));

    keys(&player, Qt::Key_Right, 4);
    QTest::keyClick(&player, Qt::Key_Return);
    keys(&player, Qt::Key_Right, 10);
    QTest::keyClick(&player, Qt::Key_Return);
    keys(&player, Qt::Key_Right, 3);
    shoot(QStringLiteral("main-window"));

    clickCell(table, 1, 1);
    shoot(QStringLiteral("retime"));

    table->setFocus();
    table->selectionModel()->clearSelection();
    clickCell(table, 0, 1);
    const QRect last = table->visualRect(table->model()->index(2, 4));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ShiftModifier, last.center());
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    shoot(QStringLiteral("copy"));

    QWidget *panel = player.timerWidget();
    shootDialog(QStringLiteral("export"), [&] { buttonWithTip(panel, QStringLiteral("Export"))->click(); });
    shootDialog(QStringLiteral("clear"), [&] { buttonWithTip(panel, QStringLiteral("Clear"))->click(); });
    shootDialog(QStringLiteral("deinterlace"), [&] {
        menuAction(&player, QStringLiteral("Deinterlace video"))->trigger();
    });
    return 0;
}
