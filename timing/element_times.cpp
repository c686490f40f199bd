#include "element_times.h"

#include <QStringList>

#include <algorithm>

namespace timing {

QVector<ElementTimes> elementsOf(const QVector<qint64> &marks)
{
    QVector<ElementTimes> elements;
    elements.reserve((marks.size() + 1) / 2);
    for (int i = 0; i < marks.size(); i += 2) {
        ElementTimes element;
        element.start = marks.at(i);
        if (i + 1 < marks.size())
            element.end = marks.at(i + 1);
        elements.append(element);
    }
    return elements;
}

RunSummary summarize(const QVector<qint64> &marks)
{
    RunSummary summary;
    for (const ElementTimes &element : elementsOf(marks)) {
        const qint64 duration = element.duration();
        if (duration < 0)
            continue;
        summary.fastestMs = summary.elements ? std::min(summary.fastestMs, duration) : duration;
        summary.slowestMs = std::max(summary.slowestMs, duration);
        summary.totalMs += duration;
        ++summary.elements;
    }
    if (summary.elements)
        summary.meanMs = (summary.totalMs + summary.elements / 2) / summary.elements;
    return summary;
}

namespace {

// Seconds with three decimals whatever the locale: 83456 -> "83.456", -1500 -> "-1.500".
QString seconds(qint64 ms)
{
    const qint64 whole = std::abs(ms);
    return QStringLiteral("%1%2.%3")
        .arg(ms < 0 ? QStringLiteral("-") : QString())
        .arg(whole / 1000)
        .arg(whole % 1000, 3, 10, QLatin1Char('0'));
}

QString frameField(const FrameNumbering &frameOf, qint64 ms)
{
    const qint64 frame = ms >= 0 && frameOf ? frameOf(ms) : -1;
    return frame >= 0 ? QString::number(frame) : QString();
}

} // namespace

QString elementsCsv(int run, const QVector<qint64> &marks, const FrameNumbering &frameOf)
{
    QString text = QStringLiteral(
        "run,element,start frame,end frame,start (s),end (s),duration (s),sum (s)\n");
    qint64 sum = 0;
    bool running = true;
    const QVector<ElementTimes> elements = elementsOf(marks);
    for (int i = 0; i < elements.size(); ++i) {
        const ElementTimes &e = elements.at(i);
        const qint64 duration = e.duration();
        running = running && duration >= 0;
        if (running)
            sum += duration;
        const QStringList fields = {
            QString::number(run), QString::number(i + 1),
            frameField(frameOf, e.start), frameField(frameOf, e.end),
            e.start >= 0 ? seconds(e.start) : QString(), e.end >= 0 ? seconds(e.end) : QString(),
            duration >= 0 ? seconds(duration) : QString(), running ? seconds(sum) : QString()};
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text;
}

} // namespace timing
