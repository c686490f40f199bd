#ifndef MORLEK_TIMING_TIMING_TABLE_H
#define MORLEK_TIMING_TIMING_TABLE_H

#include "video_metadata.pb.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QVector>

/**
 * The table of recorded times of the video on screen, and the timing record it edits.
 *
 * Each row is one element with its start, end, duration and running sum. A recorded time goes
 * into the single selected start or end cell (the cursor), which then moves on: from a start to
 * the end of its row, from an end to the next row's start, appending a row after the last.
 * Every change of a start or end is written back into the last measure of the record and
 * announced with dataUpdated(). Until a record has been loaded the table records nothing.
 */
class TimingTable : public QTableView
{
    Q_OBJECT
public:
    explicit TimingTable(QWidget *parent = nullptr);
    ~TimingTable() override;

    /** The table's preferred size: Qt's height and a fixed width of 430 pixels. */
    QSize sizeHint() const override;

    /** Whether a record with a fingerprint is loaded, so that times can be recorded and saved. */
    bool hasRecord() const;
    /** Whether the next recorded time would be entered: a record is loaded and the selection is
     *  a single start or end cell. */
    bool isSelectionEditable() const;

signals:
    /** The selection changed; @p editable tells whether a time can be recorded into it. */
    void selectionEditable(bool editable);
    /** The record after a change of its current measure, to be saved. */
    void dataUpdated(const dravenhol::morlek::VideoMetadata &metadata);
    /** The user pressed the copy key in the table's window. */
    void copyRequest();
    /** A record was loaded (@p loaded true) or dropped (@p loaded false). */
    void recordLoaded(bool loaded);
    /** A time was written into the cell of @p row and @p column (start or end). */
    void timeRecorded(int row, int column, qint64 ms);

public slots:
    /** Empties the rows and the record's current measure, then announces the record. */
    void clearTable();
    /** Loads @p metadata and rebuilds the rows from the marks of its last measure. */
    void setData(const dravenhol::morlek::VideoMetadata &metadata);
    /** Enters @p ms into the cursor cell and moves the cursor on. */
    void setSelectionTime(qint64 ms);
    /** Drops the record and empties the rows, storing nothing: timing is refused until the next
     *  load. Used when a load failed, so nothing lands in the record of another video. */
    void discardData();

private slots:
    void onSelectionChange();
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);

private:
    void appendElementRow();
    void resetRows();
    void updateDuration(int row);
    void updateSums();
    void storeTimes();
    void moveCursor(int row, int column);
    void fillRows(const QVector<qint64> &marks);
    void writeMark(const QModelIndex &cell, qint64 ms, bool stored);
    qint32 storedMark(const QModelIndex &cell) const;

    QStandardItemModel model_;
    dravenhol::morlek::VideoMetadata metadata_;
    // Set while setData() replays marks: the write-back then waits for the end of the replay.
    bool replaying_ = false;
    // Where a time cell keeps the mark it shows.
    static constexpr int MarkRole = Qt::UserRole + 1;
};

#endif
