#ifndef MORLEK_REENCODING_DIALOG_H
#define MORLEK_REENCODING_DIALOG_H

#include <QDialog>

#include <memory>

class QEvent;
class QString;
class VideoFileDeinterlacer;

namespace Ui {
class ReencodingDialog;
}

/**
 * Converts a chosen video into a deinterlaced copy at twice its frame rate, named after the
 * input with ".deinterlaced.avi" appended, and announces the outcome in a message box.
 */
class ReencodingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ReencodingDialog(QWidget *parent = nullptr);
    ~ReencodingDialog() override;

protected:
    void changeEvent(QEvent *e) override;

private slots:
    void conversionFinished();
    void conversionFailed();
    // The form connects these by object name (connectSlotsByName).
    void on_inputFileEdit__editingFinished();
    void on_inputFileSelectButton__clicked();
    void on_convertButton__clicked();

private:
    void fillChoices();
    void updateOutputFileName(const QString &input);
    void inputFileChosen(const QString &input);
    void startConversion();

    std::unique_ptr<Ui::ReencodingDialog> form_;
    VideoFileDeinterlacer *runner_;
};

#endif
