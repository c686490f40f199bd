#ifndef MORLEK_TIME_TEXT_H
#define MORLEK_TIME_TEXT_H

#include <QString>

namespace dravenhol::morlek::player {

/**
 * The player's time label: "m:ss:zzz" (or "h:mm:ss:zzz" when the total is an hour or more)
 * for the position, then " / " and the total when the total is known (not 0).
 * Empty when both are 0; a negative time counts as not known, like 0.
 */
QString playerTimeText(qint64 position, qint64 total);

} // namespace dravenhol::morlek::player

#endif
