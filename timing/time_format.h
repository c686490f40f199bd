#ifndef MORLEK_TIMING_TIME_FORMAT_H
#define MORLEK_TIMING_TIME_FORMAT_H

#include <QtGlobal>

class QAbstractItemModel;
class QString;
class QTime;
class QVariant;

/**
 * The timing table's columns and the conversions and texts of its times, shared by the table,
 * its delegate, the CSV export and the clipboard copy.
 */
namespace timing {

/** Columns of the timing table's model. */
enum Column {
    LabelColumn = 0,
    StartColumn,
    EndColumn,
    DurationColumn,
    SumColumn,
    ColumnCount
};

/**
 * The time of day that stands for @p ms milliseconds from the start of the video: the value
 * narrowed to 32 bits and added to 00:00:00.000, wrapping at one day in both directions.
 */
QTime timeOfDay(qint64 ms);

/** Milliseconds from 00:00:00.000 to @p time. */
qint64 milliseconds(const QTime &time);

/** Whether a cell value holds a time: it converts to a valid QTime. */
bool holdsTime(const QVariant &value);

/**
 * The text of a cell value in the format of its @p column: "ss:zzz" for durations and
 * "m:ss:zzz" for every other column; empty when the value holds no time.
 */
QString timeText(const QVariant &value, int column);

/**
 * The whole CSV export text of the timing table's model: a header line of the labels of
 * columns 1 and up, then one line per row with each time text after an apostrophe. Every
 * field is quoted and followed by @p separator; every line ends with a line feed.
 */
QString modelToCsv(const QAbstractItemModel &model, const QString &separator);

} // namespace timing

#endif
