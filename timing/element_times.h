#ifndef MORLEK_TIMING_ELEMENT_TIMES_H
#define MORLEK_TIMING_ELEMENT_TIMES_H

#include <QString>
#include <QVector>

#include <functional>

namespace timing {

/** One element of a run as its marks give it; -1 for a time not recorded. */
struct ElementTimes
{
    qint64 start = -1;
    qint64 end = -1;
    /** The duration, -1 unless both times are there and the end is not before the start. */
    qint64 duration() const { return start >= 0 && end >= start ? end - start : -1; }
};

/** The elements of a run from its stored marks: start, end, start, ... */
QVector<ElementTimes> elementsOf(const QVector<qint64> &marks);

/** The figures below the table: of the elements with a duration. */
struct RunSummary
{
    int elements = 0;
    qint64 totalMs = 0;
    qint64 meanMs = 0;
    qint64 fastestMs = 0;
    qint64 slowestMs = 0;
};

RunSummary summarize(const QVector<qint64> &marks);

/** Frame number of a time in ms, -1 where it is not known. */
using FrameNumbering = std::function<qint64(qint64)>;

/**
 * The run as spreadsheets read it: a header line, then a line per element with run number,
 * element number, start and end frame, and start, end, duration and running sum in seconds with
 * three decimals; comma separated, no quotes, "." as the decimal point, LF line ends. A time or
 * frame not known leaves its field empty; the sum runs as long as every element has a duration.
 */
QString elementsCsv(int run, const QVector<qint64> &marks, const FrameNumbering &frameOf);

} // namespace timing

#endif
