#ifndef MORLEK_REENCODING_DIALOG_H
#define MORLEK_REENCODING_DIALOG_H

#include "encoder_tools.h"

#include <QDialog>
#include <QString>

#include <memory>

class QEvent;
class VideoFileDeinterlacer;

namespace morlek::reencoding {
class MediaProbe;
struct MediaFacts;
}

namespace Ui {
class ReencodingDialog;
}

/**
 * Converts a chosen video into a deinterlaced copy at twice its frame rate, named after the
 * input with ".deinterlaced.avi" appended, shows the encoder's progress, lets the user cancel,
 * and announces the outcome in a message box.
 */
class ReencodingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ReencodingDialog(QWidget *parent = nullptr);
    ~ReencodingDialog() override;

public slots:
    /** Escape and the close button: while converting, asks first and then cancels. */
    void reject() override;

protected:
    void changeEvent(QEvent *e) override;

private slots:
    void conversionFinished();
    void conversionFailed(const QString &reason);
    void conversionProgressed(int percent);
    // The form connects these by object name (connectSlotsByName).
    void on_inputFileEdit__editingFinished();
    void on_inputFileSelectButton__clicked();
    void on_convertButton__clicked();
    void on_cancelButton__clicked();

private:
    void fillChoices();
    void updateOutputFileName(const QString &input);
    void inputFileChosen(const QString &input);
    void inputProbed(const morlek::reencoding::MediaFacts &facts);
    void startConversion();
    void conversionEnded();

    std::unique_ptr<Ui::ReencodingDialog> form_;
    VideoFileDeinterlacer *runner_;
    morlek::reencoding::MediaProbe *probe_;
    QString probingInput_;
    QString probedInput_;
    morlek::reencoding::FrameRate probedRate_;
};

#endif
