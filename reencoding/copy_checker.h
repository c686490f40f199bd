#ifndef MORLEK_COPY_CHECKER_H
#define MORLEK_COPY_CHECKER_H

#include "media_probe.h"

#include <QObject>
#include <QString>

namespace morlek::reencoding {

/**
 * Checks that a deinterlaced copy holds what it should: one frame per field of the input
 * (twice its frames at twice its rate), the input's length within one frame of the copy,
 * and the input's sound with that same length. The probes run without blocking.
 */
class CopyChecker : public QObject
{
    Q_OBJECT
public:
    explicit CopyChecker(QObject *parent = nullptr);

    /** Starts checking @p copy against @p input, abandoning an earlier check. */
    void check(const QString &input, const QString &copy);
    void abort();

    /** The reason @p copy is not a right deinterlaced copy of @p input; empty if it is. */
    static QString judge(const MediaFacts &input, const MediaFacts &copy);

signals:
    void passed();
    void failed(const QString &reason);

private:
    void inputProbed(const MediaFacts &facts);
    void copyProbed(const MediaFacts &facts);

    MediaProbe probe_;
    QString inputFile_;
    QString copy_;
    MediaFacts input_;
    bool probingInput_ = false;
};

} // namespace morlek::reencoding

#endif
