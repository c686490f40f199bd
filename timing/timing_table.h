#ifndef MORLEK_TIMING_TIMING_TABLE_H
#define MORLEK_TIMING_TIMING_TABLE_H

#include "video_metadata.pb.h"

#include <QPointer>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTableView>
#include <QVector>

/**
 * The table of recorded times of the video on screen, and the timing record it edits.
 *
 * Each row is one element with its start, end, duration and running sum. A recorded time goes
 * into the single selected start or end cell (the cursor), which then moves on: from a start to
 * the end of its row, from an end to the next row's start, appending a row after the last.
 *
 * The record holds runs (its measures): the table shows one of them, the last one after a load,
 * and every change of a start or end is written back into that run and announced with
 * dataUpdated(). Until a record has been loaded the table records nothing.
 */
class TimingTable : public QTableView
{
    Q_OBJECT
public:
    explicit TimingTable(QWidget *parent = nullptr);
    ~TimingTable() override;

    /** The table's preferred size: Qt's height and a fixed width of 430 pixels. */
    QSize sizeHint() const override;
    /** The key that copies the selected cells (the platform's copy key at first). */
    void setCopyKeys(const QKeySequence &keys);

    /** Whether a record with a fingerprint is loaded, so that times can be recorded and saved. */
    bool hasRecord() const;
    /** The fingerprint of the record loaded, empty without one. */
    std::string recordHash() const { return metadata_.hash(); }
    /** Whether the next recorded time would be entered: a record is loaded and the selection is
     *  a single start or end cell. */
    bool isSelectionEditable() const;

    /** The runs of the record; one while it holds none yet. */
    int runCount() const;
    /** The run shown and edited, counted from 0. */
    int shownRun() const { return shownRun_; }
    /** The marks of @p run as stored: start, end, start, ...; empty for a run not there. */
    QVector<qint64> runMarks(int run) const;

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
    /** Run @p shown (from 0) of @p count is shown now. */
    void runsChanged(int shown, int count);

public slots:
    /** Empties the rows and the record's current measure, then announces the record. */
    void clearTable();
    /** Loads @p metadata and rebuilds the rows from the marks of its last measure. */
    void setData(const dravenhol::morlek::VideoMetadata &metadata);
    /** Enters @p ms into the cursor cell and moves the cursor on. */
    void setSelectionTime(qint64 ms);
    /**
     * Where the video's first frame lies on the player's clock, once known. A record of an
     * earlier version, whose marks count from the clock's zero, has them moved once to count
     * from the first frame, and is saved; a record marked as counting from it is left alone.
     */
    void setTimeZero(qint64 zeroMs);
    /** Drops the record and empties the rows, storing nothing: timing is refused until the next
     *  load. Used when a load failed, so nothing lands in the record of another video. */
    void discardData();
    /** Shows run @p run (from 0) of the record; nothing is stored. */
    void showRun(int run);
    /** Starts an empty run after the last one and shows it; the record is announced. */
    void addRun();
    /** Removes the last run when the record holds more than one; the record is announced. */
    void removeLastRun();
    /** Gives @p run the @p marks (start, end, ...), shows it and announces the record. */
    void setRunMarks(int run, const QVector<qint64> &marks);

private slots:
    void onSelectionChange();
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);

private:
    QPointer<QShortcut> copy_;
    void appendElementRow();
    void resetRows();
    void updateDuration(int row);
    void updateSums();
    void storeTimes();
    void moveCursor(int row, int column);
    void fillRows(const QVector<qint64> &marks);
    void showMarks(const QVector<qint64> &marks);
    void announceRuns();
    void writeMark(const QModelIndex &cell, qint64 ms, bool stored);
    qint32 storedMark(const QModelIndex &cell) const;

    QStandardItemModel model_;
    dravenhol::morlek::VideoMetadata metadata_;
    int shownRun_ = 0;
    // Set while setData() replays marks: the write-back then waits for the end of the replay.
    bool replaying_ = false;
    // Where a time cell keeps the mark it shows.
    static constexpr int MarkRole = Qt::UserRole + 1;
};

#endif
