#include "interlaced_clips.h"
#include "reencoding_dialog.h"
#include "test_support.h"
#include "video_file_deinterlacer.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(morlek::test::InterlacedClip)

using morlek::test::InterlacedClip;
using morlek::test::ModalAnswerer;

namespace {

const QString openFileDirKey = QStringLiteral("open_file_dir");
const QString successBox = QStringLiteral("QMessageBox Video successfully deinterlaced ");
const QString failureBox = QStringLiteral("QMessageBox Video deinterlacing failed ");
const QString questionBox = QStringLiteral("QMessageBox A video is being deinterlaced. Stop it and close? ");

// The form's widgets, found by their object names.
struct Form
{
    explicit Form(const ReencodingDialog &dialog)
        : inputEdit(dialog.findChild<QLineEdit *>(QStringLiteral("inputFileEdit_")))
        , outputEdit(dialog.findChild<QLineEdit *>(QStringLiteral("outputFileEdit_")))
        , selectButton(dialog.findChild<QPushButton *>(QStringLiteral("inputFileSelectButton_")))
        , convertButton(dialog.findChild<QPushButton *>(QStringLiteral("convertButton_")))
        , progress(dialog.findChild<QProgressBar *>(QStringLiteral("conversionProgress_")))
        , framerateCombo(dialog.findChild<QComboBox *>(QStringLiteral("inputFramerateCombo_")))
        , codecCombo(dialog.findChild<QComboBox *>(QStringLiteral("videoCodecCombo_")))
        , inputLabel(dialog.findChild<QLabel *>(QStringLiteral("inputFileLabel_")))
        , cancelButton(dialog.findChild<QPushButton *>(QStringLiteral("cancelButton_")))
    {
    }
    // Types into the input field and finishes the editing, as Return does.
    void enterInput(const QString &text) const
    {
        inputEdit->setText(text);
        emit inputEdit->editingFinished();
    }

    QLineEdit *inputEdit;
    QLineEdit *outputEdit;
    QPushButton *selectButton;
    QPushButton *convertButton;
    QProgressBar *progress;
    QComboBox *framerateCombo;
    QComboBox *codecCombo;
    QLabel *inputLabel;
    QPushButton *cancelButton;
};

QStringList comboTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// Answers the next file dialog: records the folder it opened in, then types file and
// accepts, or cancels when file is empty.
void answerFileDialog(ModalAnswerer &answerer, const QString &file, QString *openedIn)
{
    answerer.expect([file, openedIn](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        *openedIn = dialog->directory().absolutePath();
        auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (file.isEmpty() || !nameEdit) {
            dialog->reject();
            return;
        }
        nameEdit->setText(file);
        static_cast<QDialog *>(dialog)->accept(); // public as a QDialog slot
        if (dialog->isVisible()) {
            QWARN("the file dialog refused the file");
            dialog->reject();
        }
    });
}

void answerOk(ModalAnswerer &answerer)
{
    answerer.expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Ok); });
}

} // namespace

class TestReencodingDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void selectFillsFieldsAndRemembersFolder();
    void cancelledSelectChangesNothing();
    void outputNameFollowsInput();
    void realCopies_data();
    void realCopies();
    void failureIsReported_data();
    void failureIsReported();
    void cancelButtonStopsEncoder();
    void closingAsksFirst();
    void secondConvertReplacesRunningOne();
    void closingDuringRunStopsEncoder();
    void languageChangeRetranslatesForm();

private:
    QString workPath(const QString &name) const { return QDir(work_->path()).filePath(name); }
    bool writeStandIn(const QString &body, const QString &folder = QStringLiteral("bin")) const;
    QStringList recordedArguments() const;

    std::unique_ptr<morlek::test::TempHome> home_;
    std::unique_ptr<QTemporaryDir> work_;
    QString oldCurrent_;
    QByteArray oldPath_;
};

void TestReencodingDialog::initTestCase()
{
    home_ = std::make_unique<morlek::test::TempHome>();
    QVERIFY(home_->isValid());
    // Set before the first QSettings, which fixes the settings folder for the process.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir(home_->path()).filePath(".config")));
    QCoreApplication::setOrganizationName(QStringLiteral("Tovashel"));
    QCoreApplication::setApplicationName(QStringLiteral("Morlek"));
    QVERIFY(QSettings().fileName().startsWith(home_->path()));
}

void TestReencodingDialog::init()
{
    QSettings().clear();
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    oldCurrent_ = QDir::currentPath();
    oldPath_ = qgetenv("PATH");
    // Stand-ins lie in a folder of their own at the head of the PATH.
    QVERIFY(QDir::setCurrent(work_->path()));
    QVERIFY(QDir().mkpath(workPath(QStringLiteral("bin"))));
    qputenv("PATH", QFile::encodeName(workPath(QStringLiteral("bin"))) + ':' + oldPath_);
}

void TestReencodingDialog::cleanup()
{
    QDir::setCurrent(oldCurrent_);
    qputenv("PATH", oldPath_);
    work_.reset();
}

// A stand-in encoder in @p folder, the PATH's first: records its arguments one per line in
// args.txt, finds its output (the last argument) and input (after "-i"), then runs body with
// that folder off the PATH again, so that body reaches the real encoder.
bool TestReencodingDialog::writeStandIn(const QString &body, const QString &folder) const
{
    QFile file(QDir(workPath(folder)).filePath(QStringLiteral("ffmpeg")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("#!/bin/sh\nulimit -c 0\nPATH=${PATH#*:}\nprintf '%s\\n' \"$@\" > args.txt\n"
                              "for out; do :; done\n"
                              "input=; prev=; for a; do [ \"$prev\" = -i ] && input=$a; prev=$a; done\n"
                              "%1\n")
                       .arg(body)
                       .toUtf8());
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QStringList TestReencodingDialog::recordedArguments() const
{
    QFile file(workPath(QStringLiteral("args.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestReencodingDialog::selectFillsFieldsAndRemembersFolder()
{
    const QString folder = workPath(QStringLiteral("my videos"));
    QVERIFY(QDir().mkpath(folder));
    const QString clip = QDir(folder).filePath(QStringLiteral("clip.avi"));
    QVERIFY(QFile(clip).open(QIODevice::WriteOnly));

    ReencodingDialog dialog;
    const Form form(dialog);
    QVERIFY(!form.convertButton->isEnabled());
    QVERIFY(!form.progress->isEnabled());
    ModalAnswerer answerer;
    QString openedIn;
    answerFileDialog(answerer, clip, &openedIn);
    form.selectButton->click();

    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(openedIn, QDir::homePath()); // no folder stored yet
    QCOMPARE(form.inputEdit->text(), clip);
    QCOMPARE(form.outputEdit->text(), clip + QStringLiteral(".deinterlaced.avi"));
    QVERIFY(form.convertButton->isEnabled());
    QVERIFY(form.progress->isEnabled());
    QCOMPARE(QSettings().value(openFileDirKey).toString(), folder);

    // The next Select..., also from another dialog, starts in that folder.
    ReencodingDialog next;
    answerFileDialog(answerer, QString(), &openedIn);
    Form(next).selectButton->click();
    QCOMPARE(openedIn, folder);
    QCOMPARE(answerer.unexpected(), QStringList());
}

void TestReencodingDialog::cancelledSelectChangesNothing()
{
    ReencodingDialog dialog;
    const Form form(dialog);
    ModalAnswerer answerer;
    QString openedIn;
    answerFileDialog(answerer, QString(), &openedIn);
    form.selectButton->click();

    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(form.inputEdit->text().isEmpty());
    QVERIFY(form.outputEdit->text().isEmpty());
    QVERIFY(!form.convertButton->isEnabled());
    QVERIFY(!QSettings().contains(openFileDirKey));

    // A cancel after an earlier choice keeps that choice and the stored folder.
    QSettings().setValue(openFileDirKey, work_->path());
    form.enterInput(QStringLiteral("/videos/a.avi"));
    answerFileDialog(answerer, QString(), &openedIn);
    form.selectButton->click();
    QCOMPARE(openedIn, work_->path());
    QCOMPARE(form.outputEdit->text(), QStringLiteral("/videos/a.avi.deinterlaced.avi"));
    QCOMPARE(QSettings().value(openFileDirKey).toString(), work_->path());
    QCOMPARE(answerer.unexpected(), QStringList());
}

void TestReencodingDialog::outputNameFollowsInput()
{
    ReencodingDialog dialog;
    const Form form(dialog);
    QTest::keyClick(form.inputEdit, Qt::Key_Return);
    QCOMPARE(form.outputEdit->text(), QStringLiteral(".deinterlaced.avi"));
    QVERIFY(form.convertButton->isEnabled());
    QVERIFY(form.progress->isEnabled());

    // Surrounding spaces leave the output name, but the encoder gets the input as typed.
    QVERIFY(writeStandIn(QStringLiteral("exit 1")));
    const QString typed = QStringLiteral("  my clip.avi   ");
    QTest::keyClicks(form.inputEdit, typed);
    QTest::keyClick(form.inputEdit, Qt::Key_Return);
    QCOMPARE(form.outputEdit->text(), QStringLiteral("my clip.avi.deinterlaced.avi"));

    ModalAnswerer answerer;
    answerOk(answerer);
    form.convertButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
    const QStringList args = recordedArguments();
    QCOMPARE(args.value(args.indexOf(QStringLiteral("-i")) + 1), typed);
}

void TestReencodingDialog::realCopies_data()
{
    QTest::addColumn<InterlacedClip>("kind");
    QTest::addColumn<int>("codecIndex");
    QTest::addColumn<int>("rateIndex");
    QTest::addColumn<QString>("copyRate");

    QTest::addRow("PAL DV, Microsoft MPEG4v2")
            << InterlacedClip::PalDv << 0 << 0 << QStringLiteral("50/1");
    QTest::addRow("PAL DV, H.264") << InterlacedClip::PalDv << 1 << 0 << QStringLiteral("50/1");
    QTest::addRow("NTSC MPEG-2, Microsoft MPEG4v2")
            << InterlacedClip::NtscMpeg2 << 0 << 1 << QStringLiteral("60000/1001");
    QTest::addRow("NTSC MPEG-2, H.264")
            << InterlacedClip::NtscMpeg2 << 1 << 1 << QStringLiteral("60000/1001");
}

void TestReencodingDialog::realCopies()
{
    QFETCH(InterlacedClip, kind);
    QFETCH(int, codecIndex);
    QFETCH(int, rateIndex);
    QFETCH(QString, copyRate);

    const QString input = workPath(kind == InterlacedClip::PalDv ? QStringLiteral("pal dv.avi")
                                                                  : QStringLiteral("ntsc.mpg"));
    QString problem;
    QVERIFY2(morlek::test::makeInterlacedClip(kind, input, 3, &problem), qPrintable(problem));
    const morlek::test::ClipMeasure source = morlek::test::measureClip(input);
    QVERIFY2(source.ok, qPrintable(source.problem));

    ReencodingDialog dialog;
    const Form form(dialog);
    // The wrong rate first: the file's own rate must replace it.
    form.framerateCombo->setCurrentIndex(1 - rateIndex);
    ModalAnswerer answerer;
    QString openedIn;
    answerFileDialog(answerer, input, &openedIn);
    form.selectButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.framerateCombo->currentIndex(), rateIndex, 10000);
    form.codecCombo->setCurrentIndex(codecIndex);

    answerOk(answerer);
    form.convertButton->click();
    QVERIFY(!form.convertButton->isEnabled());
    QVERIFY(form.cancelButton->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 2, 120000);
    QCOMPARE(answerer.seen().last(), successBox);
    QVERIFY(form.convertButton->isEnabled());
    QVERIFY(!form.cancelButton->isEnabled());
    QCOMPARE(form.progress->maximum(), 100);

    const QString output = form.outputEdit->text();
    QVERIFY(!QFileInfo::exists(VideoFileDeinterlacer::partialFileName(output)));
    const morlek::test::ClipMeasure copy = morlek::test::measureClip(output);
    QVERIFY2(copy.ok, qPrintable(copy.problem));
    const QString facts = QStringLiteral("input %1 frames %2 s, sound %3 s; copy %4 frames %5 s, sound %6 s")
                                  .arg(source.frames).arg(source.videoLength).arg(source.soundLength)
                                  .arg(copy.frames).arg(copy.videoLength).arg(copy.soundLength);
    QCOMPARE(copy.rate, copyRate);
    QVERIFY2(copy.frames == 2 * source.frames, qPrintable(facts));
    const double frame = kind == InterlacedClip::PalDv ? 1.0 / 50 : 1001.0 / 60000;
    QVERIFY2(qAbs(copy.videoLength - source.videoLength) <= frame + 0.001, qPrintable(facts));
    QVERIFY2(qAbs(copy.soundLength - copy.videoLength) <= frame + 0.001, qPrintable(facts));
    // One picture per field: no picture repeats the one before it.
    QCOMPARE(morlek::test::repeatedPictures(output), 0);
}

void TestReencodingDialog::failureIsReported_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("reason");

    QTest::addRow("encoder exits with 1")
            << "echo half > \"$out\"\necho 'clip.avi: No such file or directory' >&2\nexit 1"
            << "The encoder failed: clip.avi: No such file or directory";
    QTest::addRow("encoder killed mid-run") << "echo half > \"$out\"\nkill -KILL $$"
                                            << "The encoder was stopped before the end.";
    QTest::addRow("encoder crashes") << "echo half > \"$out\"\nkill -SEGV $$"
                                     << "The encoder was stopped before the end.";
    QTest::addRow("no encoder anywhere") << QString()
                                         << "The encoder ffmpeg could not be started.";
    QTest::addRow("copy that is no video") << "echo half > \"$out\"\nexit 0"
                                           << "The copy cannot be read: Invalid data found when processing input";
}

void TestReencodingDialog::failureIsReported()
{
    QFETCH(QString, body);
    QFETCH(QString, reason);

    QTemporaryDir emptyBin;
    const QByteArray oldPath = qgetenv("PATH");
    const QString input = workPath(QStringLiteral("clip.avi"));
    QString problem;
    QVERIFY2(morlek::test::makeInterlacedClip(InterlacedClip::PalDv, input, 2, &problem),
             qPrintable(problem));
    if (body.isEmpty()) {
        qputenv("PATH", QFile::encodeName(emptyBin.path()));
        // One in the current folder is never run, not even with none on the PATH.
        QVERIFY(writeStandIn(QStringLiteral("touch ran-from-current-folder"), QStringLiteral(".")));
    } else {
        QVERIFY(writeStandIn(body));
    }

    ReencodingDialog dialog;
    const Form form(dialog);
    form.enterInput(input);

    ModalAnswerer answerer;
    QStringList titles;
    answerer.expect([&titles](QWidget *modal) {
        titles << modal->windowTitle();
        ModalAnswerer::clickButton(modal, QMessageBox::Ok);
    });
    form.convertButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 30000);
    QTest::qWait(300); // no further box
    qputenv("PATH", oldPath);

    // One box per run, saying what went wrong in one line.
    QCOMPARE(answerer.seen(), QStringList{failureBox + reason});
    QCOMPARE(titles, QStringList{QStringLiteral("Video deinterlacing")});
    QCOMPARE(answerer.unexpected(), QStringList());
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("ran-from-current-folder"))));
    QVERIFY(!QFileInfo::exists(form.outputEdit->text()));
    QVERIFY(!QFileInfo::exists(VideoFileDeinterlacer::partialFileName(form.outputEdit->text())));
    // Ready for another attempt with the same fields.
    QVERIFY(form.convertButton->isEnabled());
    QVERIFY(!form.cancelButton->isEnabled());
    QCOMPARE(form.progress->maximum(), 100);
    QCOMPARE(form.inputEdit->text(), input);
}

void TestReencodingDialog::cancelButtonStopsEncoder()
{
    QVERIFY(writeStandIn(QStringLiteral("echo half > \"$out\"\nsleep 1.5\ntouch ended")));
    ReencodingDialog dialog;
    const Form form(dialog);
    QVERIFY(!form.cancelButton->isEnabled());
    form.enterInput(QStringLiteral("clip.avi"));
    form.convertButton->click();
    const QString partial = VideoFileDeinterlacer::partialFileName(form.outputEdit->text());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(partial), 10000);

    ModalAnswerer answerer;
    answerOk(answerer);
    form.cancelButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
    QCOMPARE(answerer.seen(), QStringList{failureBox + QStringLiteral("The conversion was cancelled.")});
    QVERIFY(!QFileInfo::exists(partial));
    QVERIFY(form.convertButton->isEnabled());
    QTest::qWait(2000);
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("ended"))));
    QCOMPARE(answerer.unexpected(), QStringList());
}

void TestReencodingDialog::closingAsksFirst()
{
    QVERIFY(writeStandIn(QStringLiteral("echo half > \"$out\"\nsleep 2\ntouch ended")));
    ReencodingDialog dialog;
    const Form form(dialog);
    dialog.show();
    form.enterInput(QStringLiteral("clip.avi"));
    form.convertButton->click();
    const QString partial = VideoFileDeinterlacer::partialFileName(form.outputEdit->text());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(partial), 10000);

    // "No" keeps the dialog and the conversion.
    ModalAnswerer answerer;
    answerer.expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::No); });
    QVERIFY(!dialog.close());
    QCOMPARE(answerer.seen(), QStringList{questionBox});
    QVERIFY(dialog.isVisible());
    QVERIFY(QFileInfo::exists(partial));

    // "Yes" stops the encoder, removes the partial copy and closes without a failure box.
    answerer.expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Yes); });
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
    QVERIFY(!QFileInfo::exists(partial));
    QTest::qWait(2500);
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("ended"))));
    QCOMPARE(answerer.seen(), (QStringList{questionBox, questionBox}));
    QCOMPARE(answerer.unexpected(), QStringList());
}

void TestReencodingDialog::secondConvertReplacesRunningOne()
{
    // The run of "first.avi" takes its time, so that the second Convert comes during it.
    QVERIFY(writeStandIn(QStringLiteral("echo \"start $input\" >> log.txt\n"
                                        "echo half > \"$out\"\n"
                                        "if [ \"$input\" = first.avi ]; then sleep 1.5; fi\n"
                                        "echo \"end $input\" >> log.txt\n"
                                        "echo \"$input refused\" >&2; exit 1")));
    ReencodingDialog dialog;
    const Form form(dialog);
    form.enterInput(QStringLiteral("first.avi"));
    form.convertButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(workPath(QStringLiteral("log.txt"))), 10000);

    // Choosing another input during the run makes Convert available again.
    form.enterInput(QStringLiteral("second.avi"));
    QVERIFY(form.convertButton->isEnabled());
    ModalAnswerer answerer;
    answerOk(answerer);
    form.convertButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
    QTest::qWait(2000); // past the end the first run would have reached

    // Only the second run is reported; the first encoder was stopped, its partial copy removed.
    QCOMPARE(answerer.seen(),
             QStringList{failureBox + QStringLiteral("The encoder failed: second.avi refused")});
    QCOMPARE(answerer.unexpected(), QStringList());
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("first.avi.deinterlaced.avi.part"))));
    QFile log(workPath(QStringLiteral("log.txt")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray events = log.readAll();
    QVERIFY2(events.contains("end second.avi"), events.constData());
    QVERIFY2(!events.contains("end first.avi"), events.constData());
}

void TestReencodingDialog::closingDuringRunStopsEncoder()
{
    QVERIFY(writeStandIn(QStringLiteral("echo half > \"$out\"\nsleep 1.5\ntouch ended")));
    ModalAnswerer answerer;
    QString partial;
    {
        ReencodingDialog dialog;
        const Form form(dialog);
        form.enterInput(QStringLiteral("clip.avi"));
        form.convertButton->click();
        partial = VideoFileDeinterlacer::partialFileName(form.outputEdit->text());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(partial), 10000);
    }
    QVERIFY(!QFileInfo::exists(partial));
    QTest::qWait(2000);
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("ended"))));
    QCOMPARE(answerer.seen() + answerer.unexpected(), QStringList()); // no box after closing
}

void TestReencodingDialog::languageChangeRetranslatesForm()
{
    ReencodingDialog dialog;
    const Form form(dialog);
    const QStringList englishRates = comboTexts(form.framerateCombo);
    const QStringList englishCodecs = comboTexts(form.codecCombo);
    QCOMPARE(englishRates, (QStringList{QStringLiteral("25 FPS"), QStringLiteral("30 FPS")}));

    QTranslator german;
    QVERIFY(german.load(QStringLiteral(MORLEK_REENCODING_TEST_QM)));
    QVERIFY(QCoreApplication::installTranslator(&german));
    // The language change reaches the windows as posted events.
    QTRY_COMPARE(dialog.windowTitle(), QStringLiteral("Video entflechten"));
    QCOMPARE(form.inputLabel->text(), QStringLiteral("Eingabedatei:"));
    QCOMPARE(form.selectButton->text(), QStringLiteral("Auswählen..."));
    QCOMPARE(form.convertButton->text(), QStringLiteral("Umwandeln"));
    QCOMPARE(comboTexts(form.framerateCombo), englishRates);
    QCOMPARE(comboTexts(form.codecCombo), englishCodecs);

    // The catalogue does translate the entries of a dialog made while it is installed.
    ReencodingDialog translated;
    QCOMPARE(comboTexts(Form(translated).framerateCombo),
             (QStringList{QStringLiteral("25 BpS"), QStringLiteral("30 BpS")}));

    QVERIFY(QCoreApplication::removeTranslator(&german));
    QTRY_COMPARE(dialog.windowTitle(), QStringLiteral("Deinterlace video"));
    QCOMPARE(form.convertButton->text(), QStringLiteral("Convert"));
}

QTEST_MAIN(TestReencodingDialog)
#include "tst_reencoding_dialog.moc"
