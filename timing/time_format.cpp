#include "time_format.h"

#include <QAbstractItemModel>
#include <QString>
#include <QTime>
#include <QVariant>

namespace timing {

QTime timeOfDay(qint64 ms)
{
    // QTime::addMSecs wraps at one day in both directions.
    return QTime(0, 0).addMSecs(static_cast<qint32>(ms));
}

qint64 milliseconds(const QTime &time)
{
    return QTime(0, 0).msecsTo(time);
}

bool holdsTime(const QVariant &value)
{
    return !value.isNull() && value.toTime().isValid();
}

QString timeText(const QVariant &value, int column)
{
    if (!holdsTime(value))
        return QString();
    return value.toTime().toString(column == DurationColumn ? QStringLiteral("ss:zzz")
                                                            : QStringLiteral("m:ss:zzz"));
}

QString modelToCsv(const QAbstractItemModel &model, const QString &separator)
{
    const QChar quote(QLatin1Char('"'));
    const int rows = model.rowCount();
    const int columns = model.columnCount();

    QString text;
    for (int column = StartColumn; column < columns; ++column)
        text += quote + model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()
                + quote + separator;
    text += QLatin1Char('\n');

    // The apostrophe keeps spreadsheets from reading the times as numbers or clock times.
    for (int row = 0; row < rows; ++row) {
        for (int column = StartColumn; column < columns; ++column)
            text += quote + QLatin1Char('\'') + timeText(model.index(row, column).data(), column)
                    + quote + separator;
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace timing
