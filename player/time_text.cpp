#include "time_text.h"

#include "time_format.h"

#include <QTime>

namespace dravenhol::morlek::player {

using timing::timeOfDay;

QString playerTimeText(qint64 position, qint64 total)
{
    // The back-end reports -1 while it does not know a time; that is shown as unknown (0).
    position = qMax<qint64>(0, position);
    total = qMax<qint64>(0, total);
    if (position == 0 && total == 0)
        return QString();
    const QTime current = timeOfDay(position);
    const QTime length = timeOfDay(total);
    const QString format = length.hour() != 0 ? QStringLiteral("h:mm:ss:zzz")
                                              : QStringLiteral("m:ss:zzz");
    QString text = current.toString(format);
    if (total != 0)
        text += QStringLiteral(" / ") + length.toString(format);
    return text;
}

} // namespace dravenhol::morlek::player
