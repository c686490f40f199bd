#include "timing_table.h"

#include "time_format.h"
#include "timing_table_delegate.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QShortcut>
#include <QTime>

#include <vector>

using dravenhol::morlek::VideoMetadata;
using namespace timing;

namespace {

/** The two marks that one row contributes to the stored measure. */
struct StoredRow
{
    bool hasStart;
    bool hasEnd;
    qint32 start;
    qint32 end;
};

} // namespace

TimingTable::TimingTable(QWidget *parent)
    : QTableView(parent)
{
    model_.setHorizontalHeaderLabels(
        {tr("Element"), tr("Start time"), tr("End time"), tr("Duration"), tr("Sum")});
    setModel(&model_);

    horizontalHeader()->setStretchLastSection(true);
    setColumnHidden(LabelColumn, true);
    setItemDelegate(new TimingTableDelegate(this));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TimingTable::onSelectionChange);
    connect(&model_, &QStandardItemModel::dataChanged, this, &TimingTable::onDataChanged);

    // A window-wide shortcut, so that the copy key works wherever the focus is in the window.
    copy_ = new QShortcut(QKeySequence::Copy, this);
    copy_->setContext(Qt::WindowShortcut);
    connect(copy_, &QShortcut::activated, this, &TimingTable::copyRequest);

    appendElementRow();
}

void TimingTable::setCopyKeys(const QKeySequence &keys)
{
    copy_->setKey(keys);
}

TimingTable::~TimingTable()
{
    // The model dies before the view's base: detach the view from it first.
    disconnect(selectionModel(), nullptr, this, nullptr);
    setModel(nullptr);
}

QSize TimingTable::sizeHint() const
{
    QSize hint = QAbstractScrollArea::sizeHint();
    hint.setWidth(430);
    return hint;
}

bool TimingTable::hasRecord() const
{
    return !metadata_.hash().empty();
}

bool TimingTable::isSelectionEditable() const
{
    if (!hasRecord())
        return false;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.size() == 1
           && (selected.first().column() == StartColumn || selected.first().column() == EndColumn);
}

int TimingTable::runCount() const
{
    return qMax(1, metadata_.time_sequence_size());
}

QVector<qint64> TimingTable::runMarks(int run) const
{
    if (run < 0 || run >= metadata_.time_sequence_size())
        return {};
    const auto &marks = metadata_.time_sequence(run).timestamp();
    return QVector<qint64>(marks.begin(), marks.end());
}

void TimingTable::showRun(int run)
{
    if (run < 0 || run >= runCount() || run == shownRun_)
        return;
    shownRun_ = run;
    showMarks(runMarks(run));
    announceRuns();
}

void TimingTable::addRun()
{
    if (!hasRecord())
        return;
    // A record that holds no run yet gets its first, empty, before the new one.
    while (metadata_.time_sequence_size() < runCount())
        metadata_.add_time_sequence();
    metadata_.add_time_sequence();
    shownRun_ = metadata_.time_sequence_size() - 1;
    showMarks({});
    emit dataUpdated(metadata_);
    announceRuns();
}

void TimingTable::removeLastRun()
{
    if (!hasRecord() || metadata_.time_sequence_size() < 2)
        return;
    metadata_.mutable_time_sequence()->RemoveLast();
    shownRun_ = qMin(shownRun_, metadata_.time_sequence_size() - 1);
    showMarks(runMarks(shownRun_));
    emit dataUpdated(metadata_);
    announceRuns();
}

void TimingTable::setRunMarks(int run, const QVector<qint64> &marks)
{
    if (!hasRecord() || run < 0)
        return;
    while (metadata_.time_sequence_size() <= run)
        metadata_.add_time_sequence();
    auto *timestamps = metadata_.mutable_time_sequence(run)->mutable_timestamp();
    timestamps->Clear();
    timestamps->Reserve(marks.size());
    for (const qint64 mark : marks)
        timestamps->Add(static_cast<qint32>(mark));
    shownRun_ = run;
    showMarks(marks);
    emit dataUpdated(metadata_);
    announceRuns();
}

void TimingTable::showMarks(const QVector<qint64> &marks)
{
    model_.removeRows(0, model_.rowCount());
    appendElementRow();
    fillRows(marks);
    onSelectionChange();
}

void TimingTable::announceRuns()
{
    emit runsChanged(shownRun_, runCount());
}

void TimingTable::clearTable()
{
    resetRows();
    // A record without a fingerprint has no file to go to.
    if (hasRecord())
        emit dataUpdated(metadata_);
}

void TimingTable::setData(const VideoMetadata &metadata)
{
    resetRows();
    metadata_ = metadata;
    // The last run, as earlier versions showed it.
    shownRun_ = qMax(0, metadata_.time_sequence_size() - 1);

    if (metadata_.time_sequence_size() > 0) {
        fillRows(runMarks(shownRun_));
        // One announcement with the whole record, so that a path added by the load is stored.
        storeTimes();
    }
    emit recordLoaded(hasRecord());
    onSelectionChange();
    announceRuns();
}

void TimingTable::setTimeZero(qint64 zeroMs)
{
    if (!hasRecord() || metadata_.marks_from_first_frame())
        return;
    // Where nothing moves, the mark of the record goes to disk with its next change.
    metadata_.set_marks_from_first_frame(true);
    if (zeroMs <= 0)
        return;
    for (auto &run : *metadata_.mutable_time_sequence())
        for (auto &mark : *run.mutable_timestamp())
            mark = int(qMax<qint64>(0, mark - zeroMs));
    // The rows again from the moved marks; their write-back announces the record.
    const QVector<qint64> shown = runMarks(shownRun_);
    resetRows();
    fillRows(shown);
    storeTimes();
}

void TimingTable::fillRows(const QVector<qint64> &marks)
{
    // The marks as the entry rule places them (start, end, next row, ...), written in one
    // pass: a mark at a time moved the cursor and re-measured the header for each, which took
    // minutes for a million marks.
    const int count = marks.size();
    if (count == 0)
        return;
    const int rows = count / 2 + 1;
    model_.insertRows(model_.rowCount(), rows - model_.rowCount());
    {
        const QSignalBlocker quiet(&model_);
        const QScopedValueRollback<bool> replay(replaying_, true);
        for (int row = 0; row < rows; ++row) {
            model_.setData(model_.index(row, LabelColumn), tr("Element %1").arg(row + 1));
            for (int column : {StartColumn, EndColumn}) {
                const int i = 2 * row + (column == EndColumn ? 1 : 0);
                if (i < count)
                    writeMark(model_.index(row, column), marks.at(i), true);
            }
            updateDuration(row);
        }
        updateSums();
    }
    emit model_.dataChanged(model_.index(0, 0),
                            model_.index(rows - 1, model_.columnCount() - 1));
    moveCursor(rows - 1, count % 2 == 1 ? EndColumn : StartColumn);
}

void TimingTable::writeMark(const QModelIndex &cell, qint64 ms, bool stored)
{
    // A stored mark is kept beside the time shown: a time of day cannot hold a mark below 0 or
    // past a day, and the record must get back what it held. A new entry is its time of day.
    {
        const QSignalBlocker quiet(&model_);
        model_.setData(cell, stored ? QVariant(ms) : QVariant(), MarkRole);
    }
    model_.setData(cell, timeOfDay(ms), Qt::DisplayRole);
}

void TimingTable::setSelectionTime(qint64 ms)
{
    if (!hasRecord())
        return;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.size() != 1)
        return;
    const int row = selected.first().row();
    const int column = selected.first().column();
    if (column != StartColumn && column != EndColumn)
        return;

    // Runs onDataChanged(), and with it the save, before the cursor moves.
    writeMark(model_.index(row, column), ms, false);

    emit timeRecorded(row, column, ms);
    // A receiver of the save may have rebuilt the table meanwhile.
    if (row >= model_.rowCount())
        return;
    if (column == StartColumn)
        moveCursor(row, EndColumn);
    else if (row + 1 < model_.rowCount())
        moveCursor(row + 1, StartColumn);
    else
        appendElementRow();
}

void TimingTable::discardData()
{
    resetRows();
    metadata_.Clear();
    shownRun_ = 0;
    emit recordLoaded(false);
    onSelectionChange();
    announceRuns();
}

void TimingTable::onSelectionChange()
{
    emit selectionEditable(isSelectionEditable());
}

void TimingTable::onDataChanged(const QModelIndex &topLeft, const QModelIndex &)
{
    // Derived columns are written below; they must not start another write-back.
    if (topLeft.column() != StartColumn && topLeft.column() != EndColumn)
        return;
    updateDuration(topLeft.row());
    if (replaying_)
        return;
    updateSums();
    storeTimes();
}

void TimingTable::appendElementRow()
{
    const int row = model_.rowCount();
    model_.appendRow(new QStandardItem(tr("Element %1").arg(row + 1)));
    moveCursor(row, StartColumn);
}

void TimingTable::resetRows()
{
    model_.removeRows(0, model_.rowCount());
    appendElementRow();
    if (shownRun_ < metadata_.time_sequence_size())
        metadata_.mutable_time_sequence(shownRun_)->Clear();
}

void TimingTable::updateDuration(int row)
{
    const QVariant start = model_.index(row, StartColumn).data();
    const QVariant end = model_.index(row, EndColumn).data();
    QTime duration;
    if (holdsTime(start) && holdsTime(end) && end.toTime() >= start.toTime())
        duration = timeOfDay(milliseconds(end.toTime()) - milliseconds(start.toTime()));
    model_.setData(model_.index(row, DurationColumn), duration);
}

void TimingTable::updateSums()
{
    // Each sum cell is written once with its final value, so that unchanged sums stay quiet.
    const int rows = model_.rowCount();
    bool running = true;
    qint64 sum = 0;
    for (int row = 0; row < rows; ++row) {
        const QVariant duration = model_.index(row, DurationColumn).data();
        running = running && holdsTime(duration);
        QTime value;
        if (running) {
            value = timeOfDay(sum + milliseconds(duration.toTime()));
            sum = milliseconds(value);
        }
        model_.setData(model_.index(row, SumColumn), value);
    }
}

void TimingTable::storeTimes()
{
    const int rows = model_.rowCount();
    if (rows == 0)
        return;

    // Stored marks are read back strictly as start, end, start, ...; a row missing one of its
    // two times must still give a pair, and only times the user recorded may be stored.
    std::vector<StoredRow> stored;
    stored.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        const QVariant start = model_.index(row, StartColumn).data();
        const QVariant end = model_.index(row, EndColumn).data();
        StoredRow entry{holdsTime(start), holdsTime(end), 0, 0};
        if (!entry.hasStart && !entry.hasEnd)
            continue;
        if (entry.hasStart)
            entry.start = storedMark(model_.index(row, StartColumn));
        if (entry.hasEnd)
            entry.end = storedMark(model_.index(row, EndColumn));
        stored.push_back(entry);
    }

    while (metadata_.time_sequence_size() <= shownRun_)
        metadata_.add_time_sequence();
    auto *timestamps = metadata_.mutable_time_sequence(shownRun_)->mutable_timestamp();
    timestamps->Clear();
    timestamps->Reserve(static_cast<int>(stored.size() * 2));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const StoredRow &entry = stored[i];
        const bool last = i + 1 == stored.size();
        // An end recorded before its start: the element is kept as lasting no time at its end.
        timestamps->Add(entry.hasStart ? entry.start : entry.end);
        // Only the last row may stand open with a start alone.
        if (entry.hasEnd || !last)
            timestamps->Add(entry.hasEnd ? entry.end : entry.start);
    }

    if (!replaying_ && hasRecord())
        emit dataUpdated(metadata_);
}

qint32 TimingTable::storedMark(const QModelIndex &cell) const
{
    const QTime shown = cell.data().toTime();
    const QVariant mark = cell.data(MarkRole);
    // The mark written with the time, as long as the time is still the one it gave.
    if (mark.isValid() && timeOfDay(mark.toLongLong()) == shown)
        return static_cast<qint32>(mark.toLongLong());
    return static_cast<qint32>(milliseconds(shown));
}

void TimingTable::moveCursor(int row, int column)
{
    selectionModel()->setCurrentIndex(model_.index(row, column),
                                      QItemSelectionModel::ClearAndSelect);
}
