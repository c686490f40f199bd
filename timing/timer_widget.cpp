#include "timer_widget.h"

#include "storage.h"
#include "time_format.h"
#include "timing_history.h"
#include "timing_table.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSignalBlocker>
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
    history_ = new TimingHistory(table_, this);
    for (QAction *action : {history_->undoAction(), history_->redoAction()})
        addAction(action);

    auto *runBar = new QWidget(this);
    runBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    runChoice_ = new QComboBox(this);
    runChoice_->setObjectName(QStringLiteral("runChoice"));
    newRunButton_ = new QPushButton(tr("New run"), this);
    newRunButton_->setObjectName(QStringLiteral("newRunButton"));
    newRunAction_ = new QAction(tr("New run"), this);
    newRunAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    newRunAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(newRunAction_);
    newRunButton_->setToolTip(namingKeys(tr("Start a new run (%1)"), newRunAction_->shortcut()));
    // Its key can be changed in the shortcuts dialog.
    connect(newRunAction_, &QAction::changed, this, [this] {
        newRunButton_->setToolTip(
            namingKeys(tr("Start a new run (%1)"), newRunAction_->shortcut()));
    });
    auto *runs = new QHBoxLayout(runBar);
    runs->setContentsMargins(0, 0, 0, 0);
    runs->addWidget(runChoice_, 1);
    runs->addWidget(newRunButton_);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("runSummary"));
    summary_->setWordWrap(true);

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
    layout->addWidget(runBar);
    layout->addWidget(table_);
    layout->addWidget(summary_);
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
    connect(table_, &TimingTable::recordLoaded, newRunButton_, &QPushButton::setEnabled);
    connect(table_, &TimingTable::recordLoaded, newRunAction_, &QAction::setEnabled);
    connect(newRunButton_, &QPushButton::clicked, table_, &TimingTable::addRun);
    connect(newRunAction_, &QAction::triggered, this, [this] {
        if (isEnabled() && table_)
            table_->addRun();
    });
    connect(table_, &TimingTable::runsChanged, this, &TimerWidget::showRuns);
    connect(runChoice_, QOverload<int>::of(&QComboBox::activated), table_, &TimingTable::showRun);
    connect(table_, &TimingTable::runsChanged, this, &TimerWidget::updateSummary);
    connect(table_, &TimingTable::dataUpdated, this, &TimerWidget::updateSummary);
    newRunButton_->setEnabled(table_->hasRecord());
    newRunAction_->setEnabled(table_->hasRecord());
    showRuns(table_->shownRun(), table_->runCount());
    updateSummary();
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

void TimerWidget::setRecordKeys(const QList<QKeySequence> &keys)
{
    recordAction_->setShortcuts(keys);
    saveButton_->setToolTip(namingKeys(tr("Save current time (%1)"), recordAction_->shortcut()));
}

void TimerWidget::setExportKeys(const QKeySequence &keys)
{
    setShortcutNamedInToolTip(exportButton_, keys, tr("Export data to .csv (%1)"));
}

void TimerWidget::setCopyKeys(const QKeySequence &keys)
{
    table_->setCopyKeys(keys);
}

QAction *TimerWidget::undoAction() const
{
    return history_ ? history_->undoAction() : nullptr;
}

QAction *TimerWidget::redoAction() const
{
    return history_ ? history_->redoAction() : nullptr;
}

void TimerWidget::showRuns(int shown, int count)
{
    if (!runChoice_)
        return;
    const QSignalBlocker quiet(runChoice_);
    runChoice_->clear();
    for (int run = 1; run <= count; ++run)
        runChoice_->addItem(tr("Run %1 of %2").arg(run).arg(count));
    runChoice_->setCurrentIndex(shown);
}

void TimerWidget::updateSummary()
{
    if (!summary_ || !table_)
        return;
    const timing::RunSummary summary = timing::summarize(table_->runMarks(table_->shownRun()));
    if (summary.elements == 0) {
        summary_->setText(tr("No element timed in this run yet"));
        return;
    }
    const auto text = [](qint64 ms) { return timing::timeText(timing::timeOfDay(ms), timing::SumColumn); };
    summary_->setText(tr("Elements: %1, total %2, mean %3, fastest %4, slowest %5")
                          .arg(summary.elements)
                          .arg(text(summary.totalMs), text(summary.meanMs),
                               text(summary.fastestMs), text(summary.slowestMs)));
}

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
    const QString startDir =
        QSettings().value(QStringLiteral("open_file_dir"), QDir::homePath()).toString();
    const QString plain = tr("Comma separated values (*.csv)");
    const QString withFrames = tr("CSV with frame numbers and seconds (*.csv)");
    QString chosen;
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Select filename for exported data"), startDir,
        plain + QStringLiteral(";;") + withFrames, &chosen);
    if (fileName.isEmpty())
        return;
    const bool numbers = chosen == withFrames;
    const QString text = exportText(numbers);

    // The file being replaced stays as it was unless the new one is complete.
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        QTextStream stream(&file);
        // Spreadsheets read the figures as UTF-8; the table's own export keeps its bytes.
        if (numbers)
            stream.setCodec("UTF-8");
        stream << text;
        stream.flush();
        if (stream.status() == QTextStream::Ok && file.commit())
            return;
    }
    QMessageBox::warning(this, tr("Export failed"),
                         tr("The timing data could not be exported to \"%1\": %2")
                             .arg(QDir::toNativeSeparators(fileName), file.errorString()));
}

QString TimerWidget::exportText(bool withFrames) const
{
    if (!withFrames)
        return timing::modelToCsv(*table_->model(), QStringLiteral(","));
    const int run = table_->shownRun();
    return timing::elementsCsv(run + 1, table_->runMarks(run), frameOf_);
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

void TimerWidget::setTimeZero(qint64 zeroMs)
{
    if (table_)
        table_->setTimeZero(zeroMs);
}
