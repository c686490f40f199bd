#include "timer_widget.h"

#include "storage.h"
#include "time_format.h"
#include "timing_table.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QStyle>
#include <QTextStream>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>
#include <utility>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::Storage;

namespace {

// Where users are asked to report storage failures; the boxes show it as a mail link.
const char supportAddress[] = "support@tovashel.com";

/** The error's own message, when it has one; the throw location is never shown. */
QString errorDetail(const boost::exception &error)
{
    if (const auto *failure = dynamic_cast<const std::runtime_error *>(&error))
        return TimerWidget::tr("Error message:\n%1").arg(QString::fromLatin1(failure->what()));
    return QString();
}

/**
 * Shows a storage failure: @p apology (which may hold a link) and the error's message.
 * The box shows rich text, so line breaks and the message are turned into HTML.
 */
void showStorageFailure(const QString &text, const QString &apology, const QString &detail)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Critical);
    box.setText(text);
    box.setInformativeText(QString(apology + detail.toHtmlEscaped())
                               .replace(QLatin1Char('\n'), QLatin1String("<br>")));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

/** @p toolTip with its "%1" naming @p keys as the platform shows them. */
QString namingKeys(const QString &toolTip, const QKeySequence &keys)
{
    return toolTip.arg(keys.toString(QKeySequence::NativeText), 0, QLatin1Char(' '));
}

/** Gives @p button its @p shortcut and a tooltip that names it. */
void setShortcutNamedInToolTip(QPushButton *button, const QKeySequence &shortcut,
                               const QString &toolTip)
{
    button->setShortcut(shortcut);
    button->setToolTip(namingKeys(toolTip, button->shortcut()));
}

} // namespace

TimerWidget::TimerWidget(boost::function<qint64()> currentTime, Storage *storage,
                         QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , currentTime_(std::move(currentTime))
{
    table_ = new TimingTable(this);

    auto *buttonBar = new QWidget(this);
    buttonBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    saveButton_ = new QPushButton(this);
    saveButton_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    // The record key is an action of its own, not the button's shortcut: a button shortcut
    // animates a click for 100 ms and merges every press that falls inside it into one.
    recordAction_ = new QAction(this);
    recordAction_->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    recordAction_->setShortcutContext(Qt::WindowShortcut);
    recordAction_->setAutoRepeat(false);
    addAction(recordAction_);
    saveButton_->setToolTip(namingKeys(tr("Save current time (%1)"), recordAction_->shortcut()));

    clearButton_ = new QPushButton(this);
    clearButton_->setToolTip(tr("Clear timing table"));
    clearButton_->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));

    exportButton_ = new QPushButton(this);
    exportButton_->setIcon(style()->standardIcon(QStyle::SP_DriveHDIcon));
    setShortcutNamedInToolTip(exportButton_, QKeySequence(QKeySequence::Save),
                              tr("Export data to .csv (%1)"));

    auto *buttons = new QHBoxLayout(buttonBar);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(saveButton_);
    buttons->addStretch(0);
    buttons->addWidget(exportButton_);
    buttons->addStretch(0);
    buttons->addWidget(clearButton_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    layout->addWidget(buttonBar);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    connect(table_, &TimingTable::doubleClicked, this, &TimerWidget::onItemDoubleClick);
    connect(table_, &TimingTable::selectionEditable, saveButton_, &QPushButton::setEnabled);
    connect(saveButton_, &QPushButton::clicked, this, &TimerWidget::doTiming);
    connect(table_, &TimingTable::selectionEditable, recordAction_, &QAction::setEnabled);
    connect(recordAction_, &QAction::triggered, this, [this] {
        if (saveButton_ && saveButton_->isEnabled() && isEnabled())
            doTiming();
    });
    connect(this, &TimerWidget::newTiming, table_, &TimingTable::setSelectionTime);
    connect(table_, &TimingTable::timeRecorded, this, [this](int row, int column, qint64 ms) {
        emit timeWritten(row + 1, column == timing::EndColumn, ms);
    });
    connect(clearButton_, &QPushButton::clicked, this, &TimerWidget::clearData);
    connect(exportButton_, &QPushButton::clicked, this, &TimerWidget::exportRequested);
    connect(table_, &TimingTable::copyRequest, this, &TimerWidget::copyRequested);
    // Until a record is loaded there is nothing to record into or to clear.
    connect(table_, &TimingTable::recordLoaded, clearButton_, &QPushButton::setEnabled);
    saveButton_->setEnabled(table_->isSelectionEditable());
    recordAction_->setEnabled(table_->isSelectionEditable());
    clearButton_->setEnabled(table_->hasRecord());

    if (storage) {
        connect(storage, &Storage::dataLoaded, table_, &TimingTable::setData);
        connect(storage, &Storage::dataLoadFailed, this, &TimerWidget::loadDataFailed);
        connect(storage, &Storage::dataSaveFailed, this, &TimerWidget::saveDataFailed);
        connect(table_, &TimingTable::dataUpdated, storage, &Storage::requestSaveData);
    }
}

TimerWidget::~TimerWidget() = default;

void TimerWidget::onItemDoubleClick(const QModelIndex &index)
{
    if (index.column() != timing::StartColumn && index.column() != timing::EndColumn)
        return;
    const QVariant value = index.data(Qt::DisplayRole);
    if (timing::holdsTime(value))
        emit seek(timing::milliseconds(value.toTime()));
}

void TimerWidget::doTiming()
{
    if (currentTime_)
        emit newTiming(currentTime_());
}

void TimerWidget::clearData()
{
    QMessageBox box;
    box.setIcon(QMessageBox::Question);
    box.setText(tr("Delete all timing data?"));
    box.setInformativeText(tr("If you will proceed, all timing data for this video will be deleted"));
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() == QMessageBox::Ok && table_)
        table_->clearTable();
}

void TimerWidget::loadDataFailed(const QString &, const boost::exception &error)
{
    const QString address = QString::fromLatin1(supportAddress);
    showStorageFailure(tr("Error occured while loading data"),
                       tr("We are sorry.We may advise you to reports this problem to "
                          "<a href=\"mailto:%1\">%1</a>, and ask for assistance.\n\n")
                           .arg(address),
                       errorDetail(error));
    // The table may still hold the record of the video shown before: drop it, so that nothing
    // recorded for this video can be stored into that one.
    if (table_)
        table_->discardData();
}

void TimerWidget::saveDataFailed(const VideoMetadata &, const boost::exception &error)
{
    const QString address = QString::fromLatin1(supportAddress);
    showStorageFailure(tr("Error occured while saving data"),
                       tr("We are sorry. Please backup your data manually. Then we may advise "
                          "you to reports this problem to <a href=\"mailto:%1\">%1</a>, and ask "
                          "for assistance.\n\n")
                           .arg(address),
                       errorDetail(error));
}

void TimerWidget::exportRequested()
{
    if (!table_)
        return;
    const QString text = timing::modelToCsv(*table_->model(), QStringLiteral(","));
    const QString startDir =
        QSettings().value(QStringLiteral("open_file_dir"), QDir::homePath()).toString();
    const QString fileName =
        QFileDialog::getSaveFileName(this, tr("Select filename for exported data"), startDir,
                                     tr("Comma separated values (*.csv)"));
    if (fileName.isEmpty())
        return;

    // The file being replaced stays as it was unless the new one is complete.
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        QTextStream stream(&file);
        stream << text;
        stream.flush();
        if (stream.status() == QTextStream::Ok && file.commit())
            return;
    }
    QMessageBox::warning(this, tr("Export failed"),
                         tr("The timing data could not be exported to \"%1\": %2")
                             .arg(QDir::toNativeSeparators(fileName), file.errorString()));
}

void TimerWidget::copyRequested()
{
    if (!table_)
        return;
    QModelIndexList indexes = table_->selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return;
    std::sort(indexes.begin(), indexes.end());

    QString text = timing::timeText(indexes.first().data(), indexes.first().column());
    for (int i = 1; i < indexes.size(); ++i) {
        const QModelIndex &index = indexes.at(i);
        text += index.row() == indexes.at(i - 1).row() ? QLatin1Char('\t') : QLatin1Char('\n');
        text += timing::timeText(index.data(), index.column());
        qDebug() << "Copying cell" << index.row() << index.column();
    }
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}
