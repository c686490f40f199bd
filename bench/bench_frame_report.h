#ifndef MORLEK_BENCH_FRAME_REPORT_H
#define MORLEK_BENCH_FRAME_REPORT_H

#include <QJsonObject>
#include <QList>
#include <QString>

/**
 * Turns the per-file results of the benchmark into a Markdown report: a summary per player
 * mode, then one table per file with its misses.
 *
 * Each result is the object FrameBenchSession::run() returns, with "mode" and the load
 * averages ("loadBefore", "loadAfter") added by the runner.
 */
class FrameBenchReport
{
public:
    void add(const QJsonObject &result) { results_.append(result); }
    /** Free text placed under the title: how the run was made. */
    void setPreamble(const QString &markdown) { preamble_ = markdown; }

    QString markdown() const;

private:
    QString summary() const;
    QString movesSummary() const;
    QString fileSection(const QJsonObject &result) const;

    QList<QJsonObject> results_;
    QString preamble_;
};

#endif
