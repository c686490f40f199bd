#ifndef MORLEK_TIMING_TIMER_WIDGET_H
#define MORLEK_TIMING_TIMER_WIDGET_H

#include "element_times.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

#include <boost/function.hpp>

class QComboBox;
class QLabel;
class QModelIndex;
class QPushButton;
class TimingHistory;
class TimingTable;

namespace boost {
class exception;
}

namespace dravenhol::morlek {
class VideoMetadata;
namespace metadata {
class Storage;
}
} // namespace dravenhol::morlek

/**
 * The timing panel: the run shown and a button for a new run, the timing table with the
 * summary of its run, and buttons that record the current playback time, export the table to a
 * CSV file and clear it. Undo and redo of the table's changes are the panel's actions too.
 *
 * The panel joins the table to the storage service, so that loaded records fill the table and
 * every change is saved, and reports storage failures in message boxes.
 */
class TimerWidget : public QWidget
{
    Q_OBJECT
public:
    /**
     * @p currentTime returns the current playback time in milliseconds and must not be empty.
     * The panel connects the table to @p storage but keeps no pointer to it.
     */
    explicit TimerWidget(boost::function<qint64()> currentTime,
                         dravenhol::morlek::metadata::Storage *storage, QWidget *parent = nullptr,
                         Qt::WindowFlags flags = {});
    ~TimerWidget() override;

    /**
     * The action behind the record keys (Return, Enter). A window of its own that shows the
     * video (full screen) adds it, so that the keys record there too.
     */
    QAction *recordAction() const { return recordAction_; }
    /** Starts a new run (Ctrl+N). */
    QAction *newRunAction() const { return newRunAction_; }
    /** Undo (Ctrl+Z) and redo (Ctrl+Shift+Z) of recording, re-timing, clearing, new runs. */
    QAction *undoAction() const;
    QAction *redoAction() const;
    /** The keys of recording, exporting and copying; the tooltips name them. */
    void setRecordKeys(const QList<QKeySequence> &keys);
    void setExportKeys(const QKeySequence &keys);
    void setCopyKeys(const QKeySequence &keys);
    /**
     * How the export with frame numbers numbers a time: the player's frame of a mark. Without
     * it the frame fields stay empty.
     */
    void setFrameNumbering(timing::FrameNumbering frameOf) { frameOf_ = std::move(frameOf); }
    /** Where the video's first frame lies on the player's clock (see TimingTable). */
    void setTimeZero(qint64 zeroMs);

signals:
    /** Asks for playback to move to @p ms milliseconds. */
    void seek(qint64 ms);
    /** A time was recorded: the playback time @p ms in milliseconds. */
    void newTiming(qint64 ms);
    /** A time was written into the table: element @p element (from 1), its start or end. */
    void timeWritten(int element, bool end, qint64 ms);

private slots:
    void onItemDoubleClick(const QModelIndex &index);
    void doTiming();
    void clearData();
    void loadDataFailed(const QString &filename, const boost::exception &error);
    void saveDataFailed(const dravenhol::morlek::VideoMetadata &metadata,
                        const boost::exception &error);
    void exportRequested();
    void copyRequested();

private:
    void showRuns(int shown, int count);
    void updateSummary();
    QString exportText(bool withFrames) const;

    boost::function<qint64()> currentTime_;
    QPointer<TimingTable> table_;
    QPointer<QPushButton> saveButton_;
    QPointer<QAction> recordAction_;
    QPointer<QPushButton> clearButton_;
    QPointer<QPushButton> exportButton_;
    QPointer<QComboBox> runChoice_;
    QPointer<QPushButton> newRunButton_;
    QPointer<QAction> newRunAction_;
    QPointer<QLabel> summary_;
    QPointer<TimingHistory> history_;
    timing::FrameNumbering frameOf_;
};

#endif
