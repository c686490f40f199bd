#include "reencoding_dialog.h"
#include "test_support.h"

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

using morlek::test::ModalAnswerer;

namespace {

const QString openFileDirKey = QStringLiteral("open_file_dir");
const QString successBox = QStringLiteral("QMessageBox Video successfully deinterlaced ");
const QString failureBox = QStringLiteral("QMessageBox Video deinterlacing failed ");

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
    void convertPassesChoices_data();
    void convertPassesChoices();
    void failureIsReported_data();
    void failureIsReported();
    void secondConvertReplacesRunningOne();
    void closingDuringRunStopsEncoder();
    void languageChangeRetranslatesForm();

private:
    QString workPath(const QString &name) const { return QDir(work_->path()).filePath(name); }
    bool writeStandIn(const QString &body) const;
    QStringList recordedArguments() const;

    std::unique_ptr<morlek::test::TempHome> home_;
    std::unique_ptr<QTemporaryDir> work_;
    QString oldCurrent_;
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
    // The encoder is started as "./mencoder" from the current directory.
    QVERIFY(QDir::setCurrent(work_->path()));
}

void TestReencodingDialog::cleanup()
{
    QDir::setCurrent(oldCurrent_);
    work_.reset();
}

// A stand-in encoder: records its arguments one per line in args.txt, then runs body.
bool TestReencodingDialog::writeStandIn(const QString &body) const
{
    QFile file(workPath(QStringLiteral("mencoder")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("#!/bin/sh\nulimit -c 0\nprintf '%s\\n' \"$@\" > args.txt\n%1\n")
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
    QVERIFY(writeStandIn(QStringLiteral("exit 0")));
    const QString typed = QStringLiteral("  my clip.avi   ");
    QTest::keyClicks(form.inputEdit, typed);
    QTest::keyClick(form.inputEdit, Qt::Key_Return);
    QCOMPARE(form.outputEdit->text(), QStringLiteral("my clip.avi.deinterlaced.avi"));

    ModalAnswerer answerer;
    answerOk(answerer);
    form.convertButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
    QCOMPARE(recordedArguments().mid(recordedArguments().size() - 3),
             (QStringList{QStringLiteral("-o"), QStringLiteral("my clip.avi.deinterlaced.avi"), typed}));
}

void TestReencodingDialog::convertPassesChoices_data()
{
    QTest::addColumn<int>("framerateIndex");
    QTest::addColumn<int>("codecIndex");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("videoCodec");

    QTest::addRow("defaults: 25 FPS, MPEG4v2") << -1 << -1 << "50" << "lavc";
    QTest::addRow("30 FPS, H.264") << 1 << 1 << "60" << "x264";
}

void TestReencodingDialog::convertPassesChoices()
{
    QFETCH(int, framerateIndex);
    QFETCH(int, codecIndex);
    QFETCH(QString, rate);
    QFETCH(QString, videoCodec);

    QVERIFY(writeStandIn(QStringLiteral("exit 0")));
    ReencodingDialog dialog;
    const Form form(dialog);
    form.enterInput(QStringLiteral("clip.avi"));
    if (framerateIndex >= 0)
        form.framerateCombo->setCurrentIndex(framerateIndex);
    if (codecIndex >= 0)
        form.codecCombo->setCurrentIndex(codecIndex);

    ModalAnswerer answerer;
    QString title;
    bool readyInBox = false;
    answerer.expect([&](QWidget *modal) {
        title = modal->windowTitle();
        readyInBox = form.convertButton->isEnabled() && form.progress->maximum() == 100;
        ModalAnswerer::clickButton(modal, QMessageBox::Ok);
    });
    form.convertButton->click();
    // Busy until the encoder ends.
    QVERIFY(!form.convertButton->isEnabled());
    QCOMPARE(form.progress->minimum(), 0);
    QCOMPARE(form.progress->maximum(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
    QCOMPARE(answerer.seen(), QStringList{successBox});
    QCOMPARE(title, QStringLiteral("Video deinterlacing"));
    QVERIFY(readyInBox);
    QCOMPARE(form.progress->maximum(), 100);

    const QStringList args = recordedArguments();
    QCOMPARE(args.count(QStringLiteral("-ovc")), 1);
    QCOMPARE(args.at(args.indexOf(QStringLiteral("-ovc")) + 1), videoCodec);
    QCOMPARE(args.at(args.indexOf(QStringLiteral("-fps")) + 1), rate);
    QCOMPARE(args.at(args.indexOf(QStringLiteral("-ofps")) + 1), rate);
}

void TestReencodingDialog::failureIsReported_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("boxes");

    QTest::addRow("encoder exits with 1") << "exit 1" << 1;
    // A crash reaches the dialog twice: as a process error and as a crashed finish.
    QTest::addRow("encoder crashes") << "kill -SEGV $$" << 2;
    QTest::addRow("no encoder anywhere") << QString() << 1;
}

void TestReencodingDialog::failureIsReported()
{
    QFETCH(QString, body);
    QFETCH(int, boxes);

    QTemporaryDir emptyBin;
    const QByteArray oldPath = qgetenv("PATH");
    if (body.isEmpty())
        qputenv("PATH", QFile::encodeName(emptyBin.path()));
    else
        QVERIFY(writeStandIn(body));

    ReencodingDialog dialog;
    const Form form(dialog);
    form.enterInput(QStringLiteral("clip.avi"));

    ModalAnswerer answerer;
    QStringList titles;
    for (int i = 0; i < boxes; ++i) {
        answerer.expect([&titles](QWidget *modal) {
            titles << modal->windowTitle();
            ModalAnswerer::clickButton(modal, QMessageBox::Ok);
        });
    }
    form.convertButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), boxes, 10000);
    QTest::qWait(300); // no further box
    qputenv("PATH", oldPath);

    QCOMPARE(answerer.seen().size(), boxes);
    QCOMPARE(answerer.seen().count(failureBox), boxes);
    QCOMPARE(titles.count(QStringLiteral("Video deinterlacing")), boxes);
    QCOMPARE(answerer.unexpected(), QStringList());
    // Ready for another attempt with the same fields.
    QVERIFY(form.convertButton->isEnabled());
    QCOMPARE(form.progress->maximum(), 100);
    QCOMPARE(form.inputEdit->text(), QStringLiteral("clip.avi"));
}

void TestReencodingDialog::secondConvertReplacesRunningOne()
{
    // The run of "first.avi" takes its time, so that the second Convert comes during it.
    QVERIFY(writeStandIn(QStringLiteral("for last; do :; done\n"
                                        "echo \"start $last\" >> log.txt\n"
                                        "if [ \"$last\" = first.avi ]; then sleep 1.5; fi\n"
                                        "echo \"end $last\" >> log.txt")));
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

    // Only the second run is reported; the first encoder was stopped.
    QCOMPARE(answerer.seen(), QStringList{successBox});
    QCOMPARE(answerer.unexpected(), QStringList());
    QFile log(workPath(QStringLiteral("log.txt")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray events = log.readAll();
    QVERIFY2(events.contains("end second.avi"), events.constData());
    QVERIFY2(!events.contains("end first.avi"), events.constData());
}

void TestReencodingDialog::closingDuringRunStopsEncoder()
{
    QVERIFY(writeStandIn(QStringLiteral("touch started\nsleep 1.5\ntouch ended")));
    ModalAnswerer answerer;
    {
        ReencodingDialog dialog;
        const Form form(dialog);
        form.enterInput(QStringLiteral("clip.avi"));
        form.convertButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(workPath(QStringLiteral("started"))), 10000);
    }
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
