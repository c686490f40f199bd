#include "timing_history.h"

#include "timing_table.h"

#include <QAction>
#include <QScopedValueRollback>
#include <QUndoCommand>

namespace {

/** Marks of one run changed: recorded, re-timed or cleared. */
class MarksChange : public QUndoCommand
{
public:
    MarksChange(TimingTable *table, bool *applying, int run, QVector<qint64> before,
                QVector<qint64> after)
        : table_(table), applying_(applying), run_(run), before_(std::move(before)),
          after_(std::move(after))
    {
    }

    void undo() override { apply(before_); }
    void redo() override
    {
        // Pushed after the table changed: the first redo is already done.
        if (done_)
            apply(after_);
        done_ = true;
    }

private:
    void apply(const QVector<qint64> &marks)
    {
        const QScopedValueRollback<bool> applying(*applying_, true);
        if (table_)
            table_->setRunMarks(run_, marks);
    }

    QPointer<TimingTable> table_;
    bool *applying_;
    int run_;
    QVector<qint64> before_;
    QVector<qint64> after_;
    bool done_ = false;
};

/** A new, empty run after the last one. */
class RunAdded : public QUndoCommand
{
public:
    RunAdded(TimingTable *table, bool *applying, int shownBefore)
        : table_(table), applying_(applying), shownBefore_(shownBefore)
    {
    }

    void undo() override
    {
        const QScopedValueRollback<bool> applying(*applying_, true);
        if (!table_)
            return;
        table_->removeLastRun();
        table_->showRun(shownBefore_);
    }
    void redo() override
    {
        if (done_ && table_) {
            const QScopedValueRollback<bool> applying(*applying_, true);
            table_->addRun();
        }
        done_ = true;
    }

private:
    QPointer<TimingTable> table_;
    bool *applying_;
    int shownBefore_;
    bool done_ = false;
};

} // namespace

TimingHistory::TimingHistory(TimingTable *table, QObject *parent)
    : QObject(parent)
    , table_(table)
{
    undo_ = stack_.createUndoAction(this, tr("Undo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = stack_.createRedoAction(this, tr("Redo"));
    redo_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    for (QAction *action : {undo_, redo_})
        action->setShortcutContext(Qt::WindowShortcut);

    connect(table, &TimingTable::dataUpdated, this, &TimingHistory::tableChanged);
    connect(table, &TimingTable::recordLoaded, this, &TimingHistory::startAfresh);
    // Another run shown: later changes are compared with it.
    connect(table, &TimingTable::runsChanged, this, [this] {
        if (table_ && look().hash == seen_.hash)
            seen_ = look();
    });
    seen_ = look();
}

TimingHistory::~TimingHistory() = default;

TimingHistory::Seen TimingHistory::look() const
{
    Seen seen;
    if (!table_)
        return seen;
    seen.run = table_->shownRun();
    seen.runs = table_->runCount();
    seen.marks = table_->runMarks(seen.run);
    seen.hash = table_->recordHash();
    return seen;
}

void TimingHistory::startAfresh()
{
    stack_.clear();
    seen_ = look();
}

void TimingHistory::tableChanged()
{
    const Seen now = look();
    if (applying_ || now.hash != seen_.hash) {
        // An undo or redo, or the first announcement of another video's record.
        if (now.hash != seen_.hash)
            stack_.clear();
        seen_ = now;
        return;
    }
    if (now.runs == seen_.runs + 1 && now.run == now.runs - 1 && now.marks.isEmpty())
        stack_.push(new RunAdded(table_, &applying_, seen_.run));
    else if (now.run == seen_.run && now.runs == seen_.runs && now.marks != seen_.marks)
        stack_.push(new MarksChange(table_, &applying_, now.run, seen_.marks, now.marks));
    seen_ = now;
}
