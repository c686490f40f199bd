#ifndef MORLEK_TIMING_TIMING_HISTORY_H
#define MORLEK_TIMING_TIMING_HISTORY_H

#include <QObject>
#include <QPointer>
#include <QUndoStack>
#include <QVector>

#include <string>

class QAction;
class TimingTable;

/**
 * Undo and redo of what the user does to the timing table: a time recorded, a cell re-timed,
 * the table cleared, a run started. Each undo and redo goes through the table, which saves the
 * record as after any change.
 *
 * The history watches the table's announcements and compares the shown run with what it saw
 * last, so the table needs no knowledge of it. It belongs to the open video: a record loaded
 * (another video, or the same one opened again) starts it afresh.
 */
class TimingHistory : public QObject
{
    Q_OBJECT
public:
    explicit TimingHistory(TimingTable *table, QObject *parent = nullptr);
    ~TimingHistory() override;

    /** Undo, on Ctrl+Z; disabled while there is nothing to undo. */
    QAction *undoAction() const { return undo_; }
    /** Redo, on Ctrl+Shift+Z; disabled while there is nothing to redo. */
    QAction *redoAction() const { return redo_; }
    /** The number of changes that can be undone. */
    int undoCount() const { return stack_.index(); }

private:
    /** What the history last saw of the table. */
    struct Seen
    {
        std::string hash;
        int run = 0;
        int runs = 1;
        QVector<qint64> marks;
    };

    void tableChanged();
    void startAfresh();
    Seen look() const;

    QPointer<TimingTable> table_;
    QUndoStack stack_;
    QAction *undo_ = nullptr;
    QAction *redo_ = nullptr;
    Seen seen_;
    // Set while an undo or redo changes the table: that change is not a new one.
    bool applying_ = false;
};

#endif
