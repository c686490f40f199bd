#include "reencoding_dialog.h"

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

} // namespace

ReencodingDialog::ReencodingDialog(QWidget *parent)
    : QDialog(parent)
    , form_(std::make_unique<Ui::ReencodingDialog>())
    , runner_(new VideoFileDeinterlacer(this))
{
    // setupUi ends with QMetaObject::connectSlotsByName: the form's three on_<object>_<signal>
    // slots are wired by object name, the one place where the name-based mechanism is the
    // right one, as the form and the slots meet only through those names.
    form_->setupUi(this);
    fillChoices();

    connect(runner_, &VideoFileDeinterlacer::finished, this,
            &ReencodingDialog::conversionFinished);
    connect(runner_, &VideoFileDeinterlacer::error, this, &ReencodingDialog::conversionFailed);
}

ReencodingDialog::~ReencodingDialog() = default;

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
    // A range of 0 to 0 shows the style's busy indicator: the encoder reports no progress.
    form_->conversionProgress_->setMaximum(0);
    form_->conversionProgress_->setFocus(Qt::OtherFocusReason);
    startConversion();
}

void ReencodingDialog::startConversion()
{
    const int frameRate = form_->inputFramerateCombo_->currentData().toInt();
    const int codec = form_->videoCodecCombo_->currentData().toString() == x264Codec ? 1 : 0;
    runner_->deinterlace(form_->inputFileEdit_->text(), frameRate, form_->outputFileEdit_->text(),
                         codec);
}

void ReencodingDialog::conversionFinished()
{
    form_->convertButton_->setEnabled(true);
    form_->conversionProgress_->setMaximum(100);
    QMessageBox::information(this, tr("Video deinterlacing"), tr("Video successfully deinterlaced"),
                             QMessageBox::Ok, QMessageBox::NoButton);
}

void ReencodingDialog::conversionFailed()
{
    form_->convertButton_->setEnabled(true);
    form_->conversionProgress_->setMaximum(100);
    QMessageBox::critical(this, tr("Video deinterlacing"), tr("Video deinterlacing failed"),
                          QMessageBox::Ok, QMessageBox::NoButton);
}
