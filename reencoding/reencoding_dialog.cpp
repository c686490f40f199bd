#include "reencoding_dialog.h"

#include "media_probe.h"
#include "ui_reencoding_dialog.h"
#include "video_file_deinterlacer.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>

namespace {

const QString openFileDirKey = QStringLiteral("open_file_dir");
const QString x264Codec = QStringLiteral("x264");

using morlek::reencoding::FrameRate;
using morlek::reencoding::MediaFacts;
using morlek::reencoding::MediaProbe;

} // namespace

ReencodingDialog::ReencodingDialog(QWidget *parent)
    : QDialog(parent)
    , form_(std::make_unique<Ui::ReencodingDialog>())
    , runner_(new VideoFileDeinterlacer(this))
    , probe_(new MediaProbe(this))
{
    // setupUi ends with QMetaObject::connectSlotsByName: the form's three on_<object>_<signal>
    // slots are wired by object name, the one place where the name-based mechanism is the
    // right one, as the form and the slots meet only through those names.
    form_->setupUi(this);
    fillChoices();

    connect(runner_, &VideoFileDeinterlacer::finished, this,
            &ReencodingDialog::conversionFinished);
    connect(runner_, &VideoFileDeinterlacer::error, this, &ReencodingDialog::conversionFailed);
    connect(runner_, &VideoFileDeinterlacer::progress, this,
            &ReencodingDialog::conversionProgressed);
    connect(probe_, &MediaProbe::probed, this, &ReencodingDialog::inputProbed);
}

ReencodingDialog::~ReencodingDialog() = default;

void ReencodingDialog::reject()
{
    if (runner_->isRunning()) {
        const auto answer = QMessageBox::question(
                this, tr("Video deinterlacing"),
                tr("A video is being deinterlaced. Stop it and close?"),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes || !runner_->isRunning())
            return;
        // Closing is the answer enough: no failure box for the cancelled run.
        runner_->disconnect(this);
        runner_->cancel();
    }
    QDialog::reject();
}

void ReencodingDialog::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    // The combo entries and the file filter keep the language they were made in.
    if (e->type() == QEvent::LanguageChange)
        form_->retranslateUi(this);
}

void ReencodingDialog::fillChoices()
{
    form_->inputFramerateCombo_->addItem(tr("25 FPS"), 25);
    form_->inputFramerateCombo_->addItem(tr("30 FPS"), 30);
    form_->videoCodecCombo_->addItem(tr("Microsoft MPEG4v2"), QStringLiteral("msmpeg4v2"));
    form_->videoCodecCombo_->addItem(tr("H.264 (better quality, requires special decoder)"),
                                     x264Codec);
    form_->inputFileSelectButton_->setFocus(Qt::OtherFocusReason);
}

void ReencodingDialog::updateOutputFileName(const QString &input)
{
    form_->outputFileEdit_->setText(input.trimmed() + QStringLiteral(".deinterlaced.avi"));
}

void ReencodingDialog::inputFileChosen(const QString &input)
{
    updateOutputFileName(input);
    form_->convertButton_->setEnabled(true);
    form_->conversionProgress_->setEnabled(true);

    // The file's own rate preselects the rate choice; a file the probe cannot read is left
    // to the conversion, which says what is wrong with it.
    const QString file = input.trimmed();
    if (file.isEmpty() || file == probingInput_)
        return;
    probingInput_ = file;
    probedInput_.clear();
    probedRate_ = {};
    probe_->probe(file, false);
}

void ReencodingDialog::inputProbed(const MediaFacts &facts)
{
    const auto *video = facts.first(QStringLiteral("video"));
    if (!video || !video->rate.isValid())
        return;
    probedInput_ = probingInput_;
    probedRate_ = video->rate;
    const int index = form_->inputFramerateCombo_->findData(qRound(video->rate.fps()));
    if (index >= 0)
        form_->inputFramerateCombo_->setCurrentIndex(index);
}

void ReencodingDialog::on_inputFileEdit__editingFinished()
{
    inputFileChosen(form_->inputFileEdit_->text());
}

void ReencodingDialog::on_inputFileSelectButton__clicked()
{
    QSettings settings;
    const QString startDir = settings.value(openFileDirKey, QDir::homePath()).toString();
    const QString chosen = QFileDialog::getOpenFileName(
            this, QString(), startDir,
            tr("Video files (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)"));
    if (chosen.isEmpty())
        return;

    QDir folder(chosen);
    folder.cdUp();
    settings.setValue(openFileDirKey, folder.absolutePath());
    form_->inputFileEdit_->setText(chosen);
    inputFileChosen(chosen);
}

void ReencodingDialog::on_convertButton__clicked()
{
    form_->convertButton_->setEnabled(false);
    form_->cancelButton_->setEnabled(true);
    // Busy until the encoder reports its first percent.
    form_->conversionProgress_->setTextVisible(false);
    form_->conversionProgress_->setMaximum(0);
    form_->conversionProgress_->setFocus(Qt::OtherFocusReason);
    startConversion();
}

void ReencodingDialog::on_cancelButton__clicked()
{
    runner_->cancel();
}

void ReencodingDialog::conversionProgressed(int percent)
{
    form_->conversionProgress_->setMaximum(100);
    form_->conversionProgress_->setValue(percent);
    form_->conversionProgress_->setTextVisible(true);
}

void ReencodingDialog::conversionEnded()
{
    form_->convertButton_->setEnabled(true);
    form_->cancelButton_->setEnabled(false);
    form_->conversionProgress_->setMaximum(100);
}

void ReencodingDialog::startConversion()
{
    const int nominal = form_->inputFramerateCombo_->currentData().toInt();
    const QString input = form_->inputFileEdit_->text();
    // The probed rate is exact (29.97 stays 29.97); the choice wins where the user changed it.
    const FrameRate rate = probedInput_ == input.trimmed() && qRound(probedRate_.fps()) == nominal
                                   ? probedRate_
                                   : FrameRate::fromNominal(nominal);
    const int codec = form_->videoCodecCombo_->currentData().toString() == x264Codec ? 1 : 0;
    runner_->deinterlace(input, rate, form_->outputFileEdit_->text(), codec);
}

void ReencodingDialog::conversionFinished()
{
    conversionEnded();
    QMessageBox::information(this, tr("Video deinterlacing"), tr("Video successfully deinterlaced"),
                             QMessageBox::Ok, QMessageBox::NoButton);
}

void ReencodingDialog::conversionFailed(const QString &reason)
{
    conversionEnded();
    form_->conversionProgress_->setValue(0);
    QMessageBox box(QMessageBox::Critical, tr("Video deinterlacing"),
                    tr("Video deinterlacing failed"), QMessageBox::Ok, this);
    box.setInformativeText(reason);
    box.exec();
}
