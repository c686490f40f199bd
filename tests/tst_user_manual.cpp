#include "file_support.h"
#include "media_player.h"
#include "test_support.h"
#include "user_manual.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace dravenhol::morlek::desktop;
using namespace morlek::test;

namespace {
const QString manualName = QStringLiteral("Morlek_Manual.pdf");
}

// Where "Open user manual" finds the manual, and what it says when there is none.
class TestUserManual : public QObject
{
    Q_OBJECT
public slots:
    void manualRequested(const QUrl &url) { openedUrls_ << url; }

private slots:
    void init();
    void cleanup();

    void firstFolderThatHoldsItWins_data();
    void firstFolderThatHoldsItWins();
    void foldersStartWithTheWorkingFolder();
    void missingTextNamesEveryFolder();
    void windowOpensTheBuiltManualFromAnotherFolder();
    void windowSaysWhereItLookedWhenThereIsNone();

private:
    void triggerOpenUserManual(MediaPlayer &player);

    std::unique_ptr<QTemporaryDir> work_;
    QString previousFolder_;
    QList<QUrl> openedUrls_;
};

void TestUserManual::init()
{
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    previousFolder_ = QDir::currentPath();
    // Away from the build tree, as a user starting the program from their own folder.
    QVERIFY(QDir::setCurrent(work_->path()));
    openedUrls_.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "manualRequested");
}

void TestUserManual::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDir::setCurrent(previousFolder_);
    work_.reset();
}

void TestUserManual::firstFolderThatHoldsItWins_data()
{
    QTest::addColumn<QList<int>>("holding");
    QTest::addColumn<int>("expected");
    QTest::addRow("none") << QList<int>{} << -1;
    QTest::addRow("only the last") << QList<int>{2} << 2;
    QTest::addRow("first and last") << QList<int>{0, 2} << 0;
    QTest::addRow("middle and last") << QList<int>{1, 2} << 1;
}

void TestUserManual::firstFolderThatHoldsItWins()
{
    QFETCH(QList<int>, holding);
    QFETCH(int, expected);
    // First a folder with a folder of the manual's name in it, which is not a manual.
    const QString decoy = work_->filePath(QStringLiteral("decoy"));
    QVERIFY(QDir().mkpath(QDir(decoy).filePath(manualName)));
    QStringList folders{decoy};
    for (int i = 0; i < 3; ++i) {
        const QString folder = work_->filePath(QStringLiteral("folder%1").arg(i));
        QVERIFY(QDir().mkpath(folder));
        folders << folder;
        if (holding.contains(i))
            QVERIFY(writeFile(QDir(folder).filePath(manualName), "%PDF-1.4\n"));
    }
    const QString found = findUserManual(manualName, folders);
    QCOMPARE(found,
             expected < 0 ? QString() : QDir(folders.at(expected + 1)).filePath(manualName));
}

void TestUserManual::foldersStartWithTheWorkingFolder()
{
    const QStringList folders = userManualFolders();
    QVERIFY(folders.size() >= 2);
    QCOMPARE(folders.first(), QDir::currentPath());
    QCOMPARE(folders.last(), QCoreApplication::applicationDirPath());
    // The installed documentation folder, found from where the executable lies.
    const QString besideBin = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                              + QStringLiteral("/../share/doc/morlek"));
    QVERIFY2(folders.contains(besideBin), qPrintable(folders.join(QLatin1Char('\n'))));
}

void TestUserManual::missingTextNamesEveryFolder()
{
    const QStringList folders{work_->filePath(QStringLiteral("a")),
                              work_->filePath(QStringLiteral("b"))};
    const QString text = userManualMissingText(manualName, folders);
    QVERIFY(text.contains(manualName));
    for (const QString &folder : folders)
        QVERIFY2(text.contains(QDir::toNativeSeparators(folder)), qPrintable(text));
}

void TestUserManual::triggerOpenUserManual(MediaPlayer &player)
{
    auto *menuBar = player.findChild<QMenuBar *>();
    QVERIFY(menuBar);
    for (QAction *menu : menuBar->actions()) {
        if (!menu->menu())
            continue;
        for (QAction *entry : menu->menu()->actions()) {
            if (entry->text() == QStringLiteral("Open user manual")) {
                entry->trigger();
                return;
            }
        }
    }
    QFAIL("no \"Open user manual\" entry");
}

void TestUserManual::windowOpensTheBuiltManualFromAnotherFolder()
{
    const QString built = QStringLiteral(MORLEK_BUILT_MANUAL);
    QVERIFY2(QFile::exists(built), qPrintable(built));
    QFile pdf(built);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(pdf.size() > 100000); // text and screenshots, not an empty page
    QVERIFY(QFile::copy(built, work_->filePath(manualName)));

    MediaPlayer player{QString()};
    ModalAnswerer answerer;
    triggerOpenUserManual(player);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    QCOMPARE(openedUrls_.size(), 1);
    QCOMPARE(openedUrls_.first(), QUrl::fromLocalFile(work_->filePath(manualName)));
}

void TestUserManual::windowSaysWhereItLookedWhenThereIsNone()
{
    const QStringList folders = userManualFolders();
    if (!findUserManual(manualName, folders).isEmpty())
        QSKIP("a manual is installed on this machine: it cannot be missing here");

    MediaPlayer player{QString()};
    ModalAnswerer answerer;
    QString text;
    answerer.expect([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            text = box->text();
        ModalAnswerer::clickButton(modal, QMessageBox::Ok);
    });
    triggerOpenUserManual(player);
    QTRY_COMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    QVERIFY(openedUrls_.isEmpty());
    QVERIFY2(text.contains(manualName), qPrintable(text));
    for (const QString &folder : folders)
        QVERIFY2(text.contains(QDir::toNativeSeparators(folder)), qPrintable(text));
}

QTEST_MAIN(TestUserManual)
#include "tst_user_manual.moc"
